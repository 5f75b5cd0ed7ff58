// Draws a volume through the painter into an off-screen frame buffer and reads
// the pixels back: checks the draw passes, which the geometry tests cannot see.

#include "Model/Automaton/TotalVolume.h"
#include "Model/Automaton/TotalVolumePainter.h"
#include "Util/BitVector.h"

#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QOpenGLFramebufferObject>
#include <QtTest>

#include <GL/gl.h>

#include <memory>

using Model::Automaton::TotalVolume;

class TestPainterGl : public QObject
{
    Q_OBJECT

private slots:
    void drawnColour_data();
    void drawnColour();
};

void TestPainterGl::drawnColour_data()
{
    QTest::addColumn<bool>("selected");
    QTest::addColumn<bool>("hidden");
    QTest::addColumn<bool>("mask");
    QTest::addColumn<QColor>("expected");
    QTest::addColumn<int>("tolerance");
    // Silicon is (0.5, 0.5, 0.5); highlighted it becomes (0.8, 0.8, 0.8).
    QTest::newRow("plain") << false << false << false << QColor(128, 128, 128) << 1;
    QTest::newRow("selected") << true << false << false << QColor(204, 204, 204) << 1;
    QTest::newRow("hidden") << false << true << false << QColor(0, 0, 0) << 1;
    // 0.3 * (0.2, 0.8, 0.2) + 0.7 * 0.5 over the grey top face.
    QTest::newRow("mask blended above") << false << false << true << QColor(105, 151, 105) << 2;
}

// Top view of a 4 x 4 x 1 silicon slab filling a 64 x 64 image; the centre pixel.
void TestPainterGl::drawnColour()
{
    QFETCH(bool, selected);
    QFETCH(bool, hidden);
    QFETCH(bool, mask);
    QFETCH(QColor, expected);
    QFETCH(int, tolerance);

    QSurfaceFormat format;
    format.setVersion(2, 1);
    format.setDepthBufferSize(24);
    QOffscreenSurface surface;
    surface.setFormat(format);
    surface.create();
    QOpenGLContext context;
    context.setFormat(format);
    if (!context.create() || !context.makeCurrent(&surface))
        QSKIP("no OpenGL context available");
    auto target = std::make_unique<QOpenGLFramebufferObject>(64, 64, QOpenGLFramebufferObject::Depth);
    QVERIFY(target->bind());

    auto volume = std::make_shared<TotalVolume>(
        4, 4, 1, 1.0f, 1.0f, 1.0f, Util::Vector3D(), std::vector<std::uint32_t>(16, 1));
    volume->getPainter().rebuild();
    volume->setSelected(selected);
    volume->getPainter().setHidden(hidden);
    if (mask)
        volume->setMaskA(Util::BitVector(16, true), 4, 4);

    glViewport(0, 0, 64, 64);
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_FALSE); // opaque image: blended colours read back unscaled
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0, 4, 0, 4, -20, 20);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glEnable(GL_DEPTH_TEST);
    glEnable(GL_CULL_FACE);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    volume->draw(true, false);
    QCOMPARE(glGetError(), GLenum(GL_NO_ERROR));
    const QColor c = target->toImage().pixelColor(32, 32);
    target.reset();
    QVERIFY2(qAbs(c.red() - expected.red()) <= tolerance && qAbs(c.green() - expected.green()) <= tolerance
            && qAbs(c.blue() - expected.blue()) <= tolerance,
        qPrintable(c.name()));

    // Released without a current context: no crash.
    context.doneCurrent();
    volume.reset();
}

QTEST_MAIN(TestPainterGl)
#include "tst_painter_gl.moc"
