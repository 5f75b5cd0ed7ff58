#include "../GuiTestSupport.h"

#include "UI/Input/ChangeColorsDialog.h"
#include "UI/SetViewAngleDialog.h"
#include "UI/SetZoomDialog.h"
#include "Util/ColorSettings.h"

#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QPushButton>
#include <QtTest>

using Util::Vector4D;

namespace {
QDoubleSpinBox *spin(QDialog *dialog, const char *name) { return GuiTestSupport::child<QDoubleSpinBox>(dialog, name); }
QPushButton *button(QDialog *dialog, const char *name) { return GuiTestSupport::child<QPushButton>(dialog, name); }
} // namespace

class TestSettingsDialogs : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup() { Util::ColorSettings::reset(); }
    void zoomPercentage_data();
    void zoomPercentage();
    void viewAngleRemembersReadAngles();
    void loadSchemeThenOk_data();
    void loadSchemeThenOk();
};

void TestSettingsDialogs::init()
{
    Util::ColorSettings::reset();
    Ui::SetViewAngleDialog::resetRememberedAngles();
}

void TestSettingsDialogs::zoomPercentage_data()
{
    QTest::addColumn<double>("zoom");
    QTest::addColumn<double>("shown");
    QTest::addColumn<double>("typed");
    QTest::addColumn<double>("result");
    QTest::newRow("50 % zooms out to 2") << 1.0 << 100.0 << 50.0 << 2.0;
    QTest::newRow("zoomed in shows 200 %") << 0.5 << 200.0 << 200.0 << 0.5;
    QTest::newRow("below the range clamps to 0.1 %") << 1.0 << 100.0 << 0.0 << 1000.0;
    QTest::newRow("an impossible zoom shows 100 %") << 0.0 << 100.0 << 100.0 << 1.0;
}

void TestSettingsDialogs::zoomPercentage()
{
    QFETCH(double, zoom);
    QFETCH(double, shown);
    QFETCH(double, typed);
    QFETCH(double, result);
    Ui::SetZoomDialog dialog(zoom);
    auto *box = spin(&dialog, "dblZoom");
    QCOMPARE(box->value(), shown);
    box->setValue(typed);
    QVERIFY2(qAbs(dialog.getZoom() - result) < 1e-12, qPrintable(QString::number(dialog.getZoom())));
}

// Angles read from a dialog come back in the next one; a cancelled
// dialog (values never read) is not remembered.
void TestSettingsDialogs::viewAngleRemembersReadAngles()
{
    {
        Ui::SetViewAngleDialog first;
        spin(&first, "dblAngleX")->setValue(30);
        spin(&first, "dblAngleY")->setValue(-45.5);
        QCOMPARE(first.getAngleX(), 30.0);
        QCOMPARE(first.getAngleY(), -45.5);
    }
    {
        Ui::SetViewAngleDialog cancelled;
        spin(&cancelled, "dblAngleX")->setValue(10);
    }
    Ui::SetViewAngleDialog second;
    QCOMPARE(spin(&second, "dblAngleX")->value(), 30.0);
    QCOMPARE(spin(&second, "dblAngleY")->value(), -45.5);
}

void TestSettingsDialogs::loadSchemeThenOk_data()
{
    QTest::addColumn<int>("startScheme");
    QTest::addColumn<QString>("loadButton");
    QTest::addColumn<int>("scheme");
    QTest::addColumn<Vector4D>("background");
    QTest::addColumn<Vector4D>("outline");
    QTest::newRow("low colour scheme") << 0 << "btnLoadLowColorScheme" << 1 << Vector4D(1, 1, 1, 0) << Vector4D(0, 0, 0, 1);
    QTest::newRow("back to the defaults") << 1 << "btnLoadDefaultColors" << 0 << Vector4D(0, 0, 0, 0) << Vector4D(1, 1, 1, 1);
}

void TestSettingsDialogs::loadSchemeThenOk()
{
    QFETCH(int, startScheme);
    QFETCH(QString, loadButton);
    QFETCH(int, scheme);
    QFETCH(Vector4D, background);
    QFETCH(Vector4D, outline);
    Util::ColorSettings::setColorScheme(startScheme);
    Ui::Input::ChangeColorsDialog dialog;
    button(&dialog, qPrintable(loadButton))->click();
    QCOMPARE(Util::ColorSettings::colorScheme(), startScheme); // nothing until OK
    dialog.findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Ok)->click();
    using namespace Util::ColorSettings;
    QCOMPARE(colorScheme(), scheme);
    QCOMPARE(currentColor(BackgroundColor), background);
    QCOMPARE(currentColor(OutlineColor), outline);
    // The custom scheme now holds the colours shown, each keeping its alpha.
    QCOMPARE(color(BackgroundColor, 2), background);
    QCOMPARE(color(OutlineColor, 2), outline);
    QCOMPARE(color(ObjectColor, 2), color(ObjectColor, scheme));
    QCOMPARE(color(GridColor, 2), color(GridColor, scheme));
}

QTEST_MAIN(TestSettingsDialogs)
#include "tst_settingsdialogs.moc"
