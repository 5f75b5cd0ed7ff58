#include "../GuiTestSupport.h"

#include "Core/BatchRun/ProcessData.h"
#include "Core/ProcessTable.h"
#include "UI/DialogMemory.h"
#include "UI/MainWindowPresenter.h"
#include "UI/Operations/Doping/DopingOptionsDialog.h"
#include "UI/Operations/Doping/IonImplantationOptionsDialog.h"
#include "UI/Operations/SiEtching/BCAEtchingDialog.h"
#include "UI/Operations/SiOxidation/SimpleOxidationOptionsDialog.h"

#include <QtTest>
#include <QtWidgets>

using Core::ProcessKey;
using GuiTestSupport::child;

namespace {

// The options dialog of a kind, made as its menu or the Batch Run dialog
// makes it, with the step it stands for and its physical mode's radio button.
struct Made
{
    std::unique_ptr<QDialog> dialog;
    std::function<Core::BatchRun::ProcessData()> step;
    const char *physicalMode;
};

Made dialogOf(ProcessKey key)
{
    using namespace Ui::Operations;
    const auto made = [](auto *dialog, auto step, const char *mode) {
        return Made{std::unique_ptr<QDialog>(dialog), [=] { return step(dialog); }, mode};
    };
    switch (key) {
    case ProcessKey::SiWetEtching:
    case ProcessKey::ContinuousWetEtching:
        return made(new BCAEtchingDialog(nullptr, key), [](auto *d) { return d->toProcessData(); }, "radEtchantMode");
    case ProcessKey::SiOxidation:
        return made(new SimpleOxidationOptionsDialog, [](auto *d) { return d->toProcessData(); }, "radOxidationTime");
    case ProcessKey::Doping:
        return made(new DopingOptionsDialog, [key](auto *d) { return d->toProcessData(Core::ProcessTable::listCode(key)); },
                    "radSourceMode");
    default:
        return made(new IonImplantationOptionsDialog, [](auto *d) { return d->toProcessData(); }, "radSpeciesMode");
    }
}

// Types `value` into the field of a parameter as a user would.
void enter(QDialog *dialog, const QString &parameter, const QString &value)
{
    QWidget *field = dialog->findChild<QWidget *>(QStringLiteral("field") + QString(parameter).remove(QLatin1Char(' ')));
    QVERIFY2(field, qPrintable(parameter));
    if (auto *combo = qobject_cast<QComboBox *>(field)) {
        combo->setCurrentText(value);
    } else if (auto *box = qobject_cast<QDoubleSpinBox *>(field)) {
        box->setValue(value.toDouble());
    } else if (auto *edit = qobject_cast<QLineEdit *>(field)) {
        edit->selectAll();
        QTest::keyClicks(edit, value);
    }
}

QPushButton *okOf(QDialog *dialog)
{
    return child<QDialogButtonBox>(dialog, "buttonBox")->button(QDialogButtonBox::Ok);
}

using Entries = QList<QPair<QString, QString>>;

} // namespace

Q_DECLARE_METATYPE(ProcessKey)
Q_DECLARE_METATYPE(Entries)

class TestPhysicalDialogs : public QObject
{
    Q_OBJECT

private slots:
    void init() { Ui::DialogMemory::forgetAll(); }
    void geometricModeFirst_data();
    void geometricModeFirst();
    void outcomeShownAsTyped_data();
    void outcomeShownAsTyped();
    void menuRunsThePhysicalMode_data();
    void menuRunsThePhysicalMode();
};

void TestPhysicalDialogs::geometricModeFirst_data()
{
    QTest::addColumn<ProcessKey>("key");
    QTest::newRow("bond-counting etch") << ProcessKey::SiWetEtching;
    QTest::newRow("continuous etch") << ProcessKey::ContinuousWetEtching;
    QTest::newRow("oxidation") << ProcessKey::SiOxidation;
    QTest::newRow("doping") << ProcessKey::Doping;
    QTest::newRow("implantation") << ProcessKey::IonImplantation;
}

// A dialog opens in the geometric mode, whose step holds no parameter of a
// physical mode; every label of a number names its unit.
void TestPhysicalDialogs::geometricModeFirst()
{
    QFETCH(ProcessKey, key);
    const Made made = dialogOf(key);
    QDialog *dialog = made.dialog.get();
    QVERIFY(!child<QRadioButton>(dialog, made.physicalMode)->isChecked());
    const Core::BatchRun::ProcessData step = made.step();
    QCOMPARE(step.getType(), Core::ProcessTable::listCode(key));
    for (const Core::ProcessTable::Parameter &p : Core::ProcessTable::kind(key).parameters)
        QVERIFY2(p.mode.isEmpty() || !step.getParameters().contains(p.name), qPrintable(p.name));
    for (const QLabel *label : dialog->findChildren<QLabel *>()) {
        if (qobject_cast<QAbstractSpinBox *>(label->buddy()) || qobject_cast<QLineEdit *>(label->buddy()))
            QVERIFY2(QRegularExpression(QStringLiteral("\\(.+\\)$")).match(label->text()).hasMatch(),
                     qPrintable(label->text()));
    }
    QVERIFY(okOf(dialog)->isEnabled());
}

void TestPhysicalDialogs::outcomeShownAsTyped_data()
{
    QTest::addColumn<ProcessKey>("key");
    QTest::addColumn<Entries>("entries");
    QTest::addColumn<QString>("outcome");
    QTest::addColumn<bool>("accepted");
    const QString um = QString::fromUtf8(" \xc2\xb5m");
    QTest::newRow("KOH, 40 min") << ProcessKey::SiWetEtching
        << Entries{{"Concentration", "30"}, {"Temperature", "70"}, {"Etch Time", "40"}}
        << QString::fromUtf8("KOH 30 wt % at 70 °C: (100) rate 0.7744 µm/min for 40 min: depth 30.98 µm") << true;
    QTest::newRow("custom etchant") << ProcessKey::ContinuousWetEtching
        << Entries{{"Etchant", "custom"}, {"Rate 100", "2.5"}, {"Etch Time", "3"}}
        << QString::fromUtf8("custom etchant: (100) rate 2.5 µm/min for 3 min: depth 7.5 µm") << true;
    // The dialog's 2 h at 1273 K, in steam: B = 0.31434 µm2/h, B/A = 1.2440 µm/h.
    QTest::newRow("wet oxide") << ProcessKey::SiOxidation << Entries{{"Oxidation Ambient", "wet"}}
        << "Deal-Grove thickness 0.6777" + um << true;
    QTest::newRow("phosphorus source") << ProcessKey::Doping
        << Entries{{"Species", "P"}, {"Surface Concentration", "1e20"}, {"Temperature", "1000"},
                   {"Diffusion Time", "30"}}
        << QString::fromUtf8("P from 1e20 cm⁻³ at the surface, 30 min at 1000 °C, junction depth 0.2964 µm") << true;
    QTest::newRow("boron 50 keV") << ProcessKey::IonImplantation
        << Entries{{"Species", "B"}, {"Energy", "50"}, {"Dose", "1e15"}}
        << QString::fromUtf8("B 50 keV, 1e15 cm⁻²: Rp 0.1586 µm, ΔRp 0.05177 µm, peak 7.71e19 cm⁻³, "
                             "junction depth 0.4042 µm") << true;
    QTest::newRow("negative dose") << ProcessKey::IonImplantation << Entries{{"Dose", "-5"}}
        << QString::fromUtf8("\"Dose\" must be a number from 0 to 1e+18 cm⁻² (got -5)") << false;
    QTest::newRow("a dose that is no number") << ProcessKey::IonImplantation << Entries{{"Dose", "lots"}}
        << "\"Dose\" (\"lots\") does not convert to a number" << false;
    QTest::newRow("background above its range") << ProcessKey::Doping << Entries{{"Background Doping", "1e23"}}
        << QString::fromUtf8("\"Background Doping\" must be a number from 1e+10 to 1e+21 cm⁻³ (got 1e+23)") << false;
}

// In the physical mode the dialog shows what the step will do as the
// fields change (the same words as the finish line), or why its step would
// be refused, naming the field and its range, with OK unavailable.
void TestPhysicalDialogs::outcomeShownAsTyped()
{
    QFETCH(ProcessKey, key);
    QFETCH(Entries, entries);
    QFETCH(QString, outcome);
    QFETCH(bool, accepted);
    const Made made = dialogOf(key);
    QDialog *dialog = made.dialog.get();
    dialog->show();
    child<QRadioButton>(dialog, made.physicalMode)->click();
    auto *said = child<QLabel>(dialog, "lblOutcome");
    for (const auto &entry : entries)
        enter(dialog, entry.first, entry.second);
    QCOMPARE(said->text(), outcome);
    QCOMPARE(okOf(dialog)->isEnabled(), accepted);
    // Back in the geometric mode nothing is refused.
    if (key != ProcessKey::SiOxidation) {
        child<QRadioButton>(dialog, "radDepthMode")->click();
        QVERIFY(okOf(dialog)->isEnabled());
        QVERIFY(said->text().isEmpty());
    }
}

void TestPhysicalDialogs::menuRunsThePhysicalMode_data()
{
    QTest::addColumn<ProcessKey>("key");
    QTest::addColumn<QString>("title");
    QTest::addColumn<Entries>("entries");
    QTest::addColumn<QString>("result"); // in the finish line
    QTest::newRow("wet oxidation") << ProcessKey::SiOxidation << "Si Oxidation Options"
                                   << Entries{{"Oxidation Ambient", "wet"}} << "wet oxidation 1 h at 1273.15 K";
    QTest::newRow("boron implant") << ProcessKey::IonImplantation << "Ion Implantation Options"
                                   << Entries{{"Species", "B"}, {"Energy", "50"}, {"Dose", "1e15"}}
                                   << "junction depth 0.4042";
}

// The physical mode from the real window's menu: the dialog's values reach
// the process, whose finish line gives the physical result (the cells it
// leaves: tst_sioxidation, tst_dopingphysics).
void TestPhysicalDialogs::menuRunsThePhysicalMode()
{
    QFETCH(ProcessKey, key);
    QFETCH(QString, title);
    QFETCH(Entries, entries);
    QFETCH(QString, result);
    Ui::MainWindow window;
    Core::Workspace &workspace = *window.getPresenter()->getWorkspace();
    const float cell = key == ProcessKey::SiOxidation ? 0.025f : 0.02f;
    const auto volume = std::make_shared<Model::Automaton::TotalVolume>(
        4, 4, 60, cell, cell, cell, Util::Vector3D(), GuiTestSupport::layeredIds(4, 4, 60, 30, 0));
    workspace.getSelection().select(volume);
    GuiTestSupport::answerDialog(title, [&](QDialog *dialog) {
        child<QRadioButton>(dialog, dialogOf(key).physicalMode)->click();
        if (key == ProcessKey::SiOxidation) {
            child<QDoubleSpinBox>(dialog, "sbxOxidationTime")->setValue(1.0);
            child<QDoubleSpinBox>(dialog, "sbxOxidationTemperature")->setValue(1273.15);
        }
        for (const auto &entry : entries)
            enter(dialog, entry.first, entry.second);
    }, true);
    workspace.activate(Core::ProcessTable::menuId(key));
    const QString finished = workspace.getConsoleInput().getMessage();
    QVERIFY2(finished.contains(result), qPrintable(finished));
}

QTEST_MAIN(TestPhysicalDialogs)
#include "tst_physicaldialogs.moc"
