#include "../GuiTestSupport.h"

#include "UI/Input/ChangeColorsDialog.h"
#include "UI/Input/ChangeGridSpacingDialog.h"
#include "UI/SetViewAngleDialog.h"
#include "UI/SetZoomDialog.h"
#include "UI/TranslateDialog.h"
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

enum DialogKind { Translate, Zoom, ViewAngle, GridSpacing, Colors };

std::unique_ptr<QDialog> makeDialog(int kind)
{
    switch (kind) {
    case Translate:
        return std::make_unique<Ui::TranslateDialog>(Vector3D());
    case Zoom:
        return std::make_unique<Ui::SetZoomDialog>(1.0);
    case ViewAngle:
        return std::make_unique<Ui::SetViewAngleDialog>();
    case GridSpacing:
        return std::make_unique<Ui::Input::ChangeGridSpacingDialog>(10.0);
    default:
        return std::make_unique<Ui::Input::ChangeColorsDialog>();
    }
}

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

    void formIdentity_data();
    void formIdentity();
    void zoomPercentage_data();
    void zoomPercentage();
    void translateFilledWithCurrent_data();
    void translateFilledWithCurrent();
    void viewAngleRemembersReadAngles();
    void gridSpacingValue_data();
    void gridSpacingValue();

    void colorStyleSheet_data();
    void colorStyleSheet();
    void colorsOpenWithCurrentScheme();
    void loadSchemeThenOk_data();
    void loadSchemeThenOk();
    void colorsCancelChangesNothing();
    void pickColor_data();
    void pickColor();
    void pickThenLoadDefaults();
};

void TestSettingsDialogs::init()
{
    Util::ColorSettings::reset();
    Ui::SetViewAngleDialog::resetRememberedAngles();
}

void TestSettingsDialogs::formIdentity_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("formName");
    QTest::addColumn<QString>("title");
    QTest::newRow("translate") << int(Translate) << "TranslateDialogForm" << "Translate View";
    QTest::newRow("zoom") << int(Zoom) << "SetZoomDialogForm" << "Set Zoom";
    QTest::newRow("view angle") << int(ViewAngle) << "SetViewAngleForm" << "Set Viewing Angle";
    QTest::newRow("grid spacing") << int(GridSpacing) << "ChangeGridSpacingDialogForm" << "Set Grid Spacing";
    QTest::newRow("colours") << int(Colors) << "ChangeColorsDialogForm" << "Change Default Colors";
}

void TestSettingsDialogs::formIdentity()
{
    QFETCH(int, kind);
    QFETCH(QString, formName);
    QFETCH(QString, title);
    auto dialog = makeDialog(kind);
    QCOMPARE(dialog->objectName(), formName);
    QCOMPARE(dialog->windowTitle(), title);
    QVERIFY(dialog->isModal());

    // OK accepts, Cancel rejects.
    auto *box = dialog->findChild<QDialogButtonBox *>();
    QVERIFY(box);
    QSignalSpy accepted(dialog.get(), &QDialog::accepted);
    QSignalSpy rejected(dialog.get(), &QDialog::rejected);
    box->button(QDialogButtonBox::Cancel)->click();
    QCOMPARE(rejected.count(), 1);
    box->button(QDialogButtonBox::Ok)->click();
    QCOMPARE(accepted.count(), 1);
}

void TestSettingsDialogs::zoomPercentage_data()
{
    QTest::addColumn<double>("zoom");
    QTest::addColumn<double>("shown");
    QTest::addColumn<double>("typed");
    QTest::addColumn<double>("result");

    QTest::newRow("50 % zooms out to 2") << 1.0 << 100.0 << 50.0 << 2.0;
    QTest::newRow("zoomed in shows 200 %") << 0.5 << 200.0 << 200.0 << 0.5;
    QTest::newRow("1000 %") << 4.0 << 25.0 << 1000.0 << 0.1;
    QTest::newRow("below the range clamps to 0.1 %") << 1.0 << 100.0 << 0.0 << 1000.0;
    QTest::newRow("a very close view shows the maximum") << 1e-6 << 100000.0 << 100000.0 << 0.001;
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

void TestSettingsDialogs::translateFilledWithCurrent_data()
{
    QTest::addColumn<Vector3D>("current");
    QTest::addColumn<Vector3D>("shown");
    QTest::newRow("plain") << Vector3D(1.5, -2.25, 0) << Vector3D(1.5, -2.25, 0);
    QTest::newRow("three decimals") << Vector3D(0.1234, -7.0006, 3) << Vector3D(0.123, -7.001, 3);
    QTest::newRow("beyond the range") << Vector3D(2e9, -5e9, 1) << Vector3D(1e9, -1e9, 1);
}

void TestSettingsDialogs::translateFilledWithCurrent()
{
    QFETCH(Vector3D, current);
    QFETCH(Vector3D, shown);
    Ui::TranslateDialog dialog(current);
    const Vector3D got = dialog.getTranslation();
    QVERIFY(qAbs(got.x - shown.x) < 1e-9 && qAbs(got.y - shown.y) < 1e-9 && qAbs(got.z - shown.z) < 1e-9);
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

void TestSettingsDialogs::gridSpacingValue_data()
{
    QTest::addColumn<double>("current");
    QTest::addColumn<double>("typed");
    QTest::addColumn<double>("result");
    QTest::newRow("unchanged") << 2.5 << 2.5 << 2.5;
    QTest::newRow("zero is accepted") << 10.0 << 0.0 << 0.0;
    QTest::newRow("four decimals") << 10.0 << 12.34567 << 12.3457;
    QTest::newRow("negative clamps to zero") << 10.0 << -3.0 << 0.0;
}

void TestSettingsDialogs::gridSpacingValue()
{
    QFETCH(double, current);
    QFETCH(double, typed);
    QFETCH(double, result);
    Ui::Input::ChangeGridSpacingDialog dialog(current);
    auto *box = spin(&dialog, "dblSpacing");
    QCOMPARE(box->value(), current);
    box->setValue(typed);
    QVERIFY(qAbs(dialog.getSpacing() - result) < 1e-12);
}

void TestSettingsDialogs::colorStyleSheet_data()
{
    QTest::addColumn<Vector4D>("color");
    QTest::addColumn<QString>("sheet");
    QTest::newRow("grey") << Vector4D(0.4, 0.4, 0.4, 1) << "background-color : #666666;\nborder: none;";
    QTest::newRow("padded digits") << Vector4D(0, 0.02, 1, 1) << "background-color : #0005ff;\nborder: none;";
    QTest::newRow("a whole byte stays whole") << Vector4D(200 / 255.0, 7 / 255.0, 1 / 255.0, 1)
                                              << "background-color : #c80701;\nborder: none;";
    QTest::newRow("truncated, not rounded") << Vector4D(0.999, 0.5, 0.0039, 0) << "background-color : #fe7f00;\nborder: none;";
}

void TestSettingsDialogs::colorStyleSheet()
{
    QFETCH(Vector4D, color);
    QFETCH(QString, sheet);
    QCOMPARE(Ui::Input::ChangeColorsDialog::buttonStyleSheet(color), sheet);
}

void TestSettingsDialogs::colorsOpenWithCurrentScheme()
{
    Util::ColorSettings::setColorScheme(1);
    Ui::Input::ChangeColorsDialog dialog;
    QCOMPARE(dialog.workingScheme(), 1);
    const std::pair<const char *, const char *> shown[] = {{"btnBackgroundColor", "#ffffff"},
                                                           {"btnGridColor", "#666666"},
                                                           {"btnObjectColor", "#ffffff"},
                                                           {"btnOutlineColor", "#000000"}};
    for (const auto &[name, colour] : shown)
        QCOMPARE(button(&dialog, name)->styleSheet(),
                 QStringLiteral("background-color : %1;\nborder: none;").arg(QLatin1String(colour)));
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
    QTest::newRow("grid") << "btnGridColor" << int(Util::ColorSettings::GridColor) << QColor(0, 128, 255);
    QTest::newRow("object") << "btnObjectColor" << int(Util::ColorSettings::ObjectColor) << QColor(12, 34, 56);
    QTest::newRow("outline") << "btnOutlineColor" << int(Util::ColorSettings::OutlineColor) << QColor(255, 255, 0);
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

void TestSettingsDialogs::pickThenLoadDefaults()
{
    Ui::Input::ChangeColorsDialog dialog;
    QString title;
    answerColorChooser(QColor(10, 20, 30), &title);
    button(&dialog, "btnGridColor")->click();
    QCOMPARE(dialog.workingScheme(), 2);
    button(&dialog, "btnLoadDefaultColors")->click();
    QCOMPARE(button(&dialog, "btnGridColor")->styleSheet(), QStringLiteral("background-color : #666666;\nborder: none;"));
    dialog.accept();

    // The defaults are current, and the custom scheme holds what was shown
    // when OK was pressed.
    using namespace Util::ColorSettings;
    QCOMPARE(colorScheme(), 0);
    QCOMPARE(color(GridColor, 2), color(GridColor, 0));
}

QTEST_MAIN(TestSettingsDialogs)
#include "tst_settingsdialogs.moc"
