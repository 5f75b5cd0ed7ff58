#include "../GuiTestSupport.h"

#include "UI/Input/ChangeColorsDialog.h"
#include "UI/SetViewAngleDialog.h"
#include "UI/SetZoomDialog.h"
#include "Util/ColorSettings.h"

#include <QColorDialog>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QPushButton>
#include <QtTest>

#include <memory>

using Util::Vector3D;
using Util::Vector4D;

namespace {

QDoubleSpinBox *spin(QDialog *dialog, const char *name)
{
    return GuiTestSupport::child<QDoubleSpinBox>(dialog, name);
}

QPushButton *button(QDialog *dialog, const char *name)
{
    return GuiTestSupport::child<QPushButton>(dialog, name);
}

// Answers the next colour chooser: picks `color`, or cancels when it is
// invalid. Records the chooser's title.
void answerColorChooser(const QColor &color, QString *title)
{
    GuiTestSupport::answerDialog(
        [color, title](QWidget *modal) {
            *title = modal->windowTitle();
            auto *chooser = qobject_cast<QColorDialog *>(modal);
            if (chooser && color.isValid())
                chooser->setCurrentColor(color);
        },
        color.isValid());
}

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
    void colorsCancelChangesNothing();
    void pickColor_data();
    void pickColor();
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

void TestSettingsDialogs::viewAngleRemembersReadAngles()
{
    {
        Ui::SetViewAngleDialog first;
        QCOMPARE(spin(&first, "dblAngleX")->value(), 0.0);
        spin(&first, "dblAngleX")->setValue(30);
        spin(&first, "dblAngleY")->setValue(-45.5);
        spin(&first, "dblAngleZ")->setValue(400); // clamps to 360
        QCOMPARE(first.getAngleX(), 30.0);
        QCOMPARE(first.getAngleY(), -45.5);
        QCOMPARE(first.getAngleZ(), 360.0);
    }
    {
        // Values never read (a cancelled dialog) are not remembered.
        Ui::SetViewAngleDialog cancelled;
        QCOMPARE(spin(&cancelled, "dblAngleX")->value(), 30.0);
        spin(&cancelled, "dblAngleX")->setValue(10);
        spin(&cancelled, "dblAngleY")->setValue(10);
    }
    Ui::SetViewAngleDialog second;
    QCOMPARE(spin(&second, "dblAngleX")->value(), 30.0);
    QCOMPARE(spin(&second, "dblAngleY")->value(), -45.5);
    QCOMPARE(spin(&second, "dblAngleZ")->value(), 360.0);
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

void TestSettingsDialogs::colorsCancelChangesNothing()
{
    Ui::Input::ChangeColorsDialog dialog;
    button(&dialog, "btnLoadLowColorScheme")->click();
    dialog.reject();
    using namespace Util::ColorSettings;
    QCOMPARE(colorScheme(), 0);
    QCOMPARE(color(BackgroundColor, 2), Vector4D(0, 0, 0, 0));
    QCOMPARE(color(ObjectColor, 2), Vector4D(1, 0, 0, 1));
}

void TestSettingsDialogs::pickColor_data()
{
    QTest::addColumn<QString>("buttonName");
    QTest::addColumn<int>("index");
    QTest::addColumn<QColor>("picked");

    QTest::newRow("background") << "btnBackgroundColor" << int(Util::ColorSettings::BackgroundColor) << QColor(200, 7, 1);
    QTest::newRow("chooser cancelled") << "btnGridColor" << int(Util::ColorSettings::GridColor) << QColor();
}

void TestSettingsDialogs::pickColor()
{
    QFETCH(QString, buttonName);
    QFETCH(int, index);
    QFETCH(QColor, picked);

    Ui::Input::ChangeColorsDialog dialog;
    QPushButton *colorButton = button(&dialog, qPrintable(buttonName));
    const QString sheetBefore = colorButton->styleSheet();
    const Vector4D customBefore = Util::ColorSettings::color(index, 2);

    QString title;
    answerColorChooser(picked, &title);
    colorButton->click();
    QCOMPARE(title, QStringLiteral("Select new color"));

    if (!picked.isValid()) {
        QCOMPARE(dialog.workingScheme(), 0);
        QCOMPARE(colorButton->styleSheet(), sheetBefore);
        dialog.accept();
        QCOMPARE(Util::ColorSettings::colorScheme(), 0);
        QCOMPARE(Util::ColorSettings::color(index, 2), Util::ColorSettings::color(index, 0));
        return;
    }

    QCOMPARE(dialog.workingScheme(), 2);
    QCOMPARE(colorButton->styleSheet(),
             QStringLiteral("background-color : %1;\nborder: none;").arg(picked.name()));
    dialog.accept();
    QCOMPARE(Util::ColorSettings::colorScheme(), 2);
    const Vector4D stored = Util::ColorSettings::currentColor(index);
    QCOMPARE(QColor::fromRgbF(stored.x, stored.y, stored.z), picked);
    QCOMPARE(stored.w, customBefore.w);
}

QTEST_MAIN(TestSettingsDialogs)
#include "tst_settingsdialogs.moc"
