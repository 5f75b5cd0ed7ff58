// Draws volumes through the painter into an off-screen frame buffer and reads
// the pixels back: checks the draw passes themselves, which the geometry
// tests cannot see.

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

namespace {

constexpr int imageSize = 64;

std::shared_ptr<TotalVolume> slab(std::uint32_t material)
{
    // 4 x 4 x 1 cells, seen from above: fills the whole image.
    return std::make_shared<TotalVolume>(
        4, 4, 1, 1.0f, 1.0f, 1.0f, Util::Vector3D(), std::vector<std::uint32_t>(16, material));
}

} // namespace

class TestPainterGl : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void drawnColour_data();
    void drawnColour();
    void pickBoxCoversVolume();
    void destroyedWithoutContext();

private:
    QColor render(const std::function<void()> &drawScene);

    QOffscreenSurface surface;
    QOpenGLContext context;
    std::unique_ptr<QOpenGLFramebufferObject> target;
};

void TestPainterGl::initTestCase()
{
    QSurfaceFormat format;
    format.setVersion(2, 1);
    format.setDepthBufferSize(24);
    surface.setFormat(format);
    surface.create();
    context.setFormat(format);
    if (!context.create() || !context.makeCurrent(&surface))
        QSKIP("no OpenGL context available");
    target
        = std::make_unique<QOpenGLFramebufferObject>(imageSize, imageSize, QOpenGLFramebufferObject::Depth);
    QVERIFY(target->isValid());
}

void TestPainterGl::cleanupTestCase()
{
    if (context.makeCurrent(&surface))
        target.reset();
    context.doneCurrent();
}

// Top view of the unit square [0, 4] x [0, 4], depth from z = -10 to 10, no
// lighting; returns the centre pixel.
QColor TestPainterGl::render(const std::function<void()> &drawScene)
{
    context.makeCurrent(&surface);
    target->bind();
    glViewport(0, 0, imageSize, imageSize);
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    // Keep the image opaque so blended colours read back unscaled.
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_FALSE);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0, 4, 0, 4, -20, 20);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glEnable(GL_DEPTH_TEST);
    glEnable(GL_CULL_FACE);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    drawScene();
    const GLenum error = glGetError();
    const QImage image = target->toImage();
    target->release();
    if (error != GL_NO_ERROR)
        return QColor(); // invalid: the caller's comparison fails
    return image.pixelColor(imageSize / 2, imageSize / 2);
}

void TestPainterGl::drawnColour_data()
{
    QTest::addColumn<bool>("selected");
    QTest::addColumn<bool>("hidden");
    QTest::addColumn<bool>("drawObject");
    QTest::addColumn<bool>("outlines");
    QTest::addColumn<bool>("mask");
    QTest::addColumn<QColor>("expected");
    QTest::addColumn<int>("tolerance");

    // Silicon is (0.5, 0.5, 0.5); highlighted it becomes (0.8, 0.8, 0.8).
    QTest::newRow("plain") << false << false << true << false << false << QColor(128, 128, 128) << 1;
    QTest::newRow("with outlines") << false << false << true << true << false << QColor(128, 128, 128) << 1;
    QTest::newRow("selected") << true << false << true << false << false << QColor(204, 204, 204) << 1;
    QTest::newRow("hidden") << false << true << true << false << false << QColor(0, 0, 0) << 1;
    QTest::newRow("object not drawn") << false << false << false << false << false << QColor(0, 0, 0) << 1;
    // 0.3 * (0.2, 0.8, 0.2) + 0.7 * 0.5 over the grey top face.
    QTest::newRow("mask blended above")
        << false << false << true << false << true << QColor(105, 151, 105) << 2;
}

void TestPainterGl::drawnColour()
{
    QFETCH(bool, selected);
    QFETCH(bool, hidden);
    QFETCH(bool, drawObject);
    QFETCH(bool, outlines);
    QFETCH(bool, mask);
    QFETCH(QColor, expected);
    QFETCH(int, tolerance);

    auto volume = slab(1);
    volume->getPainter().rebuild();
    volume->setSelected(selected);
    volume->getPainter().setHidden(hidden);
    if (mask)
        volume->setMaskA(Util::BitVector(16, true), 4, 4);
    const QColor c = render([&] { volume->draw(drawObject, outlines); });
    QVERIFY(c.isValid());
    QVERIFY2(qAbs(c.red() - expected.red()) <= tolerance && qAbs(c.green() - expected.green()) <= tolerance
            && qAbs(c.blue() - expected.blue()) <= tolerance,
        qPrintable(c.name()));
}

void TestPainterGl::pickBoxCoversVolume()
{
    auto volume = std::make_shared<TotalVolume>(
        1, 1, 1, 1.0f, 1.0f, 1.0f, Util::Vector3D(1.5, 1.5, 0), std::vector<std::uint32_t>(1, 1));
    const QColor c = render([&] {
        glColor3f(1, 1, 1);
        volume->drawPickBox();
    });
    QCOMPARE(c, QColor(Qt::white));
}

void TestPainterGl::destroyedWithoutContext()
{
    auto volume = slab(1);
    volume->getPainter().rebuild();
    render([&] { volume->draw(true, true); });
    context.doneCurrent();
    QVERIFY(!QOpenGLContext::currentContext());
    volume.reset();
}

QTEST_MAIN(TestPainterGl)
#include "tst_painter_gl.moc"
