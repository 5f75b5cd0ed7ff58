#include "GuiTestSupport.h"

#include "UI/GLWidget.h"
#include "UI/MainWindow.h"
#include "UI/ViewCamera.h"

#include <QAction>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QtTest>

using Util::Vector3D;

class TestMainWindow : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup() { window.reset(); }
    void saveImageFailureIsReported();
    void namedViews_data();
    void namedViews();

private:
    std::unique_ptr<Ui::MainWindow> window;
};

void TestMainWindow::init()
{
    window = std::make_unique<Ui::MainWindow>();
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
}

void TestMainWindow::saveImageFailureIsReported()
{
    QTemporaryDir dir;
    const QString before = Ui::MainWindow::imageFolder();
    const QString missing = dir.filePath(QStringLiteral("no/such/folder/view.png"));
    QString boxText;
    GuiTestSupport::whenModal([&](QWidget *modal) {
        auto *box = qobject_cast<QMessageBox *>(modal);
        QVERIFY(box);
        boxText = box->text();
        box->accept();
    });
    QVERIFY(!window->saveImage(missing));
    QVERIFY(boxText.contains(QDir::toNativeSeparators(missing)));
    QVERIFY(!QFileInfo::exists(missing));
    QCOMPARE(Ui::MainWindow::imageFolder(), before);
}

void TestMainWindow::namedViews_data()
{
    // Eye space: x right, y up, z towards the viewer.
    QTest::addColumn<QString>("name");
    QTest::addColumn<Vector3D>("angles");
    QTest::addColumn<Vector3D>("world");
    QTest::addColumn<Vector3D>("eye");
    QTest::newRow("front: z is up") << "actionFront_View" << Vector3D(-90, 0, 0) << Vector3D(0, 0, 1) << Vector3D(0, 1, 0);
    QTest::newRow("front: y goes away") << "actionFront_View" << Vector3D(-90, 0, 0) << Vector3D(0, 1, 0) << Vector3D(0, 0, -1);
    QTest::newRow("back: y faces the viewer") << "actionBack_view" << Vector3D(-90, 0, 180) << Vector3D(0, 1, 0) << Vector3D(0, 0, 1);
    QTest::newRow("left: x goes away") << "actionLeft_View" << Vector3D(-90, 0, 90) << Vector3D(1, 0, 0) << Vector3D(0, 0, -1);
    QTest::newRow("right: x faces the viewer") << "actionRight_View" << Vector3D(-90, 0, -90) << Vector3D(1, 0, 0) << Vector3D(0, 0, 1);
    QTest::newRow("top: x stays right") << "actionTop_View" << Vector3D(0, 0, 0) << Vector3D(1, 0, 0) << Vector3D(1, 0, 0);
    QTest::newRow("bottom: z goes away") << "actionBottom_View" << Vector3D(180, 0, 0) << Vector3D(0, 0, 1) << Vector3D(0, 0, -1);
}

void TestMainWindow::namedViews()
{
    QFETCH(QString, name);
    QFETCH(Vector3D, angles);
    QFETCH(Vector3D, world);
    QFETCH(Vector3D, eye);
    Ui::ViewCamera camera;
    camera.setViewAngle(angles.x, angles.y, angles.z);
    const Ui::Quaternion expected = camera.rotation();
    const auto same = [&expected](const Ui::Quaternion &q) {
        return std::abs(q.w - expected.w) < 1e-9 && std::abs(q.x - expected.x) < 1e-9
               && std::abs(q.y - expected.y) < 1e-9 && std::abs(q.z - expected.z) < 1e-9;
    };
    window->getView()->setViewAngle(13, 17, 19); // an angle no named view uses
    window->findChild<QAction *>(name)->trigger();
    QVERIFY(same(window->getView()->rotation()));
    double r[3] = {world.x, world.y, world.z};
    window->getView()->rotation().rotate(r);
    QVERIFY(std::abs(r[0] - eye.x) < 1e-12 && std::abs(r[1] - eye.y) < 1e-12 && std::abs(r[2] - eye.z) < 1e-12);
    window->setView(QStringLiteral("sideways")); // any other text leaves the view alone
    QVERIFY(same(window->getView()->rotation()));
}

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
