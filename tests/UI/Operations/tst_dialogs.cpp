#include "../GuiTestSupport.h"

#include "Core/BatchRun/ProcessData.h"
#include "Core/Operations/Film/AnisotropicFilmDeposition.h"
#include "Core/Operations/Film/Electrodeposition.h"
#include "Core/Operations/Film/IsotropicFilmEtching.h"
#include "Core/Operations/Film/MooreNeighborhoodDeposition.h"
#include "Core/Operations/Film/MooreNeighborhoodEtching.h"
#include "Core/Operations/Film/Planarization.h"
#include "Core/Operations/Film/SpinCoating.h"
#include "Core/ProcessRuns.h"
#include "Core/ProcessTable.h"
#include "Model/Materials/MaterialFactory.h"
#include "UI/DialogMemory.h"
#include "UI/MainWindowPresenter.h"
#include "UI/Operations/Substrate/CreateSubstrateDialog.h"

#include <QtTest>
#include <QtWidgets>

using GuiTestSupport::child;
using Model::Automaton::TotalVolume;
using namespace Core::Operations;

namespace {

constexpr std::uint32_t n = 8;

// Field names and values, set in this order.
using Fields = QVector<QPair<QString, QVariant>>;
// The process the dialog's values stand for.
using Run = std::function<void(const std::shared_ptr<TotalVolume> &)>;

// 6 x 6 x 40 cells: silicon below z = 20, or a 3-cell oxide layer on it.
std::vector<std::uint32_t> siliconIds(bool oxideOnTop)
{
    return GuiTestSupport::layeredIds(6, 6, 40, 20, oxideOnTop ? 3 : 0);
}

// Sets the fields as a user would: numbers, list entries by their data,
// buttons clicked until they are checked as `value` says.
void setFields(QWidget *dialog, const Fields &fields)
{
    for (const auto &[name, value] : fields) {
        QWidget *field = child<QWidget>(dialog, qPrintable(name));
        QVERIFY2(field, qPrintable(name));
        if (auto *list = qobject_cast<QComboBox *>(field)) {
            list->setCurrentIndex(list->findData(value));
            QVERIFY2(list->currentIndex() >= 0, qPrintable(name));
        } else if (auto *button = qobject_cast<QAbstractButton *>(field)) {
            if (button->isChecked() != value.toBool())
                QTest::mouseClick(button, Qt::LeftButton, Qt::NoModifier, QPoint(6, button->height() / 2));
        } else {
            QVERIFY2(field->setProperty("value", value), qPrintable(name));
        }
    }
}

} // namespace

Q_DECLARE_METATYPE(Fields)
Q_DECLARE_METATYPE(Run)
Q_DECLARE_METATYPE(Core::ProcessKey)

// The process dialogs in the real window: their values reach the process, a
// rejected dialog changes nothing, and Undo and Redo restore the cells.
class TestDialogs : public QObject
{
    Q_OBJECT

private slots:
    // Each case starts from the forms' own values, not the last case's.
    void init() { Ui::DialogMemory::forgetAll(); }
    void substrateObserverAccepts_data();
    void substrateObserverAccepts();
    void menuRunUndoRedo_data();
    void menuRunUndoRedo();
    void processDialogs_data();
    void processDialogs();
};

// Every field of the dialog reaches the new volume: sizes, place, material
// and the block or sphere with its own fields.
void TestDialogs::substrateObserverAccepts_data()
{
    QTest::addColumn<bool>("spherical");
    QTest::addColumn<std::ptrdiff_t>("filledCells");
    QTest::addColumn<QVector<int>>("cells"); // a filled cell, then an empty one beside the shape
    QTest::newRow("block at an offset") << false << std::ptrdiff_t(4 * 3 * 2) << QVector<int>{2, 1, 1, 1, 1, 1};
    QTest::newRow("sphere of radius 1") << true << std::ptrdiff_t(7) << QVector<int>{2, 2, 1, 2, 2, 3};
}

void TestDialogs::substrateObserverAccepts()
{
    QFETCH(bool, spherical);
    QFETCH(std::ptrdiff_t, filledCells);
    QFETCH(QVector<int>, cells);
    Ui::MainWindow window;
    Core::Workspace &workspace = *window.getPresenter()->getWorkspace();
    const std::uint32_t chosen = Model::Materials::MaterialFactory::getInstance()->getMaterials().at(1).getId();
    GuiTestSupport::answerDialog(QStringLiteral("Create Substrate"), [&](QDialog *dialog) {
        setFields(dialog, {{"sbxTotalWidth", 6}, {"sbxTotalLength", 5}, {"sbxTotalHeight", 4}, {"sbxSubsWidth", 4},
                           {"sbxSubsLength", 3}, {"sbxSubsHeight", 2}, {"sbxSubsX", 2}, {"sbxSubsY", 1}, {"sbxSubsZ", 1},
                           {"sbxSubsCenterX", 2}, {"sbxSubsCenterY", 2}, {"sbxSubsCenterZ", 1}, {"sbxSubsRadius", 1},
                           {"dblVolumeX", -12.5}, {"cbxFilm", chosen}, {"cbxSubsSphere", spherical}});
        // A sphere's radius counts cells of z: other cell sizes would make it
        // an ellipsoid of cells.
        if (!spherical)
            setFields(dialog, {{"dblCellSizeX", 0.5}, {"dblCellSizeZ", 3.0}});
        // The step the options stand for in a process list carries them too.
        const auto step = static_cast<Ui::Operations::CreateSubstrateDialog *>(dialog)->toProcessData();
        QCOMPARE(step.getParameter(QStringLiteral("Cell Size X")).toDouble(), spherical ? 1.0 : 0.5);
        QCOMPARE(step.getParameter(QStringLiteral("Cell Size Y")).toDouble(), 1.0);
        QCOMPARE(step.getParameter(QStringLiteral("Cell Size Z")).toDouble(), spherical ? 1.0 : 3.0);
    }, true);
    workspace.activate(Core::ProcessTable::menuId(Core::ProcessKey::CreateSubstrate));
    QCOMPARE(workspace.getDocument().getAllObjects().size(), 1);
    auto volume = std::dynamic_pointer_cast<TotalVolume>(workspace.getDocument().getAllObjects().first());
    QVERIFY(volume);
    QCOMPARE(QVector<std::uint32_t>({volume->getSizeX(), volume->getSizeY(), volume->getSizeZ()}),
             QVector<std::uint32_t>({6, 5, 4}));
    QCOMPARE(volume->getPosition().x, -12.5);
    QCOMPARE(QVector<float>({volume->getCellSizeX(), volume->getCellSizeY(), volume->getCellSizeZ()}),
             spherical ? QVector<float>({1.0f, 1.0f, 1.0f}) : QVector<float>({0.5f, 1.0f, 3.0f}));
    const auto ids = volume->materialIds();
    QCOMPARE(std::count(ids.begin(), ids.end(), chosen), filledCells);
    QCOMPARE(std::count(ids.begin(), ids.end(), 0u), std::ptrdiff_t(ids.size()) - filledCells);
    QCOMPARE(ids[volume->index(cells[0], cells[1], cells[2])], chosen);
    QCOMPARE(ids[volume->index(cells[3], cells[4], cells[5])], 0u);
    QCOMPARE(workspace.getUndoRedo().undoTopName(), QStringLiteral("Create Substrate"));
}

// Accepted, the process runs as its own class would with the dialog's
// values (`run`), and the Edit menu undoes and redoes it; rejected (no
// `run`), the cells stay and only the isotropic processes wait for new
// options. `text` is the Undo action's text, or the console's last line.
void TestDialogs::menuRunUndoRedo_data()
{
    QTest::addColumn<QString>("action");
    QTest::addColumn<QString>("title"); // of the options dialog
    QTest::addColumn<Fields>("fields");
    QTest::addColumn<Run>("run");
    QTest::addColumn<bool>("waits");
    QTest::addColumn<QString>("text");
    QTest::newRow("electroplating")
        << "actionElectrodeposition" << "Electroplating Options"
        << Fields{{"dblThickness", 2.0}, {"cbxMaterial", 5u}, {"cbxConductingMaterial", 4u}}
        << Run([](auto &v) { Electrodeposition(v.get(), 5, 4, 2.0f).run(); }) << false << "Undo Electroplating";
    QTest::newRow("isotropic etching")
        << "actionIsotropic_Film_Etching" << "Isotropic Film Etching"
        << Fields{{"dblDepth", 1.0}, {"cbxMaterial", 4u}}
        << Run([](auto &v) { IsotropicFilmEtching(v.get(), 4, 1.0f).run(); }) << false << "Undo Isotropic Etching";
    QTest::newRow("pvd on both sides")
        << "actionPVD" << "PVD Options"
        << Fields{{"dblThickness", 3.0}, {"dblRatio", 0.25}, {"radBoth", true}, {"cbxMaterial", 6u}}
        << Run([](auto &v) { AnisotropicFilmDeposition(v.get(), 6, 3.0f, 0.25f, 3).run(); }) << false
        << "Undo Isotropic Deposition";
    QTest::newRow("moore deposition")
        << "actionMoore_Deposition" << "Operation Options" << Fields{{"sbxValue", 2}, {"cbxFilm", 7u}}
        << Run([](auto &v) { MooreNeighborhoodDeposition(v.get(), 7, 2).run(); }) << false
        << "Undo Moore film deposition";
    // Moore etching carries the deposition's name.
    QTest::newRow("moore etching")
        << "actionMoore_Etching" << "Operation Options" << Fields{{"sbxValue", 1}, {"cbxFilm", 1u}}
        << Run([](auto &v) { MooreNeighborhoodEtching(v.get(), 1, 1).run(); }) << false
        << "Undo Moore film deposition";
    QTest::newRow("planarization")
        << "actionPlanarization" << "Planarization Options"
        << Fields{{"sbxMaximumHeight", 3}, {"sbxMinimumHeight", 1}}
        << Run([](auto &v) { Planarization(v.get(), 3, 1).run(); }) << false << "Undo Planarization";
    QTest::newRow("spin coating")
        << "actionSpin_Coating" << "Spin Coating Options" << Fields{{"sbxHeight", 5}, {"cbxMaterial", 9u}}
        << Run([](auto &v) { SpinCoating(v.get(), 9, 5).run(); }) << false << "Undo Spin Coating";
    // Both wet etches take their depth from one dialog; the etch itself is the
    // batch step's (the menu and the step agree: tst_processtable).
    const auto wetEtch = [](Core::ProcessKey key, double depth) {
        return Run([=](auto &v) { TestSupport::runAsStep(TestSupport::stepOf(key, {{"Depth", depth}}), v); });
    };
    QTest::newRow("bond-counting wet etch") << "actionBCA_Wet_Etching" << "Wet Etching Options"
        << Fields{{"dbxEtchDepth", 2.0}} << wetEtch(Core::ProcessKey::SiWetEtching, 2.0) << false << "Undo BCA Wet Etch";
    QTest::newRow("continuous wet etch") << "actionContinuous_Wet_Etching" << "Wet Etching Options"
        << Fields{{"dbxEtchDepth", 6.0}} << wetEtch(Core::ProcessKey::ContinuousWetEtching, 6.0) << false
        << "Undo Continuous Wet Etch";
    QTest::newRow("rejected isotropic deposition waits")
        << "actionCVD" << "Isotropic Film Deposition" << Fields() << Run() << true
        << "Isotropic Deposition: Cell volume selected.";
    QTest::newRow("rejected moore etching ends") << "actionMoore_Etching" << "Operation Options" << Fields() << Run()
                                                 << false << "Moore film deposition: Operation canceled.";
    QTest::newRow("rejected planarization ends") << "actionPlanarization" << "Planarization Options" << Fields()
                                                 << Run() << false << "Planarization: Operation canceled!";
}

void TestDialogs::menuRunUndoRedo()
{
    QFETCH(QString, action);
    QFETCH(QString, title);
    QFETCH(Fields, fields);
    QFETCH(Run, run);
    QFETCH(bool, waits);
    QFETCH(QString, text);
    Ui::MainWindow window;
    Core::Workspace &workspace = *window.getPresenter()->getWorkspace();
    // Silicon floor z < 3, an aluminium pad (4) on it, empty above.
    auto volume = TestSupport::volumeFrom(n, n, n, [](auto x, auto y, auto z) {
        return z < 3 ? 1u : z == 3 && x > 1 && x < 5 && y > 1 && y < 5 ? 4u : 0u;
    });
    const auto ids = volume->materialIds();
    workspace.getDocument().addObject(volume);
    workspace.getSelection().select(volume);
    GuiTestSupport::answerDialog(title, [&](QDialog *dialog) { setFields(dialog, fields); }, bool(run));
    GuiTestSupport::action(&window, action)->trigger();
    QCOMPARE(bool(workspace.getCurrentOperation()), waits);
    if (!run) {
        QCOMPARE(workspace.getConsoleInput().getMessage(), text);
        workspace.cancelCurrent();
        QCOMPARE(volume->materialIds(), ids);
        QCOMPARE(workspace.getUndoRedo().undoCount(), std::size_t(0));
        return;
    }
    const auto expected = std::make_shared<TotalVolume>(n, n, n, 1.f, 1.f, 1.f, Util::Vector3D(), ids);
    run(expected);
    const auto after = volume->materialIds();
    QVERIFY(after != ids);
    QCOMPARE(after, expected->materialIds());
    QCOMPARE(GuiTestSupport::action(&window, QStringLiteral("actionUndo"))->text(), text);
    GuiTestSupport::action(&window, QStringLiteral("actionUndo"))->trigger();
    QCOMPARE(volume->materialIds(), ids);
    GuiTestSupport::action(&window, QStringLiteral("actionRedo"))->trigger();
    QCOMPARE(volume->materialIds(), after);
}

void TestDialogs::processDialogs_data()
{
    QTest::addColumn<Core::ProcessKey>("kind");
    QTest::addColumn<QString>("title"); // of the options dialog
    QTest::addColumn<Fields>("fields");
    QTest::addColumn<bool>("byTime"); // the oxidation, run for a time rather than to a thickness
    QTest::addColumn<std::uint32_t>("material"); // counted after the run
    QTest::addColumn<std::ptrdiff_t>("count");
    using Core::ProcessKey;
    QTest::newRow("doping P to depth 3") << ProcessKey::Doping << "Doping Options"
                                         << Fields{{"radPType", true}, {"dblDopingDepth", 3.0}} << false << 15u
                                         << std::ptrdiff_t(36 * 3);
    QTest::newRow("implantation N at 4, annealing 1")
        << ProcessKey::IonImplantation << "Ion Implantation Options"
        << Fields{{"dblImplantationDepth", 4.0}, {"dblAnnealingDistance", 1.0}} << false << 14u
        << std::ptrdiff_t(36 * 3);
    // 3 cells of oxide on silicon, both ways by 2: only the top is exposed.
    QTest::newRow("RIE of oxide, both ways")
        << ProcessKey::SimpleRie << "Simple RIE Options"
        << Fields{{"sbxEtchDepth", 2}, {"cbxFilm", 3u}, {"chkEtchFromBottom", true}} << false << 3u
        << std::ptrdiff_t(36 * 1);
    const Fields conversion{{"sbxMicronConversion", 200.0}};
    QTest::newRow("oxidation 10 um thick")
        << ProcessKey::SiOxidation << "Si Oxidation Options" << conversion << false << 3u << std::ptrdiff_t(36 * 10);
    // 2 h, 1273 K, 1 atm at 200 units per micron: 21.09 units. The volume is
    // not selected: the only one of the document is taken.
    QTest::newRow("oxidation for a time")
        << ProcessKey::SiOxidation << "Si Oxidation Options" << conversion << true << 3u << std::ptrdiff_t(36 * 21);
}

void TestDialogs::processDialogs()
{
    QFETCH(Core::ProcessKey, kind);
    QFETCH(QString, title);
    QFETCH(Fields, fields);
    QFETCH(bool, byTime);
    QFETCH(std::uint32_t, material);
    QFETCH(std::ptrdiff_t, count);
    const bool oxidation = kind == Core::ProcessKey::SiOxidation;
    const bool rie = kind == Core::ProcessKey::SimpleRie;
    Ui::MainWindow window;
    Core::Workspace &workspace = *window.getPresenter()->getWorkspace();
    auto volume = GuiTestSupport::volumeOf(6, 6, 40, siliconIds(rie));
    if (byTime)
        workspace.getDocument().addObject(volume);
    else
        workspace.getSelection().select(volume);
    GuiTestSupport::answerDialog(title, [&](QDialog *dialog) {
        // The oxidation's fields enabled after each radio button: thickness,
        // time, temperature, pressure.
        const auto fieldsOn = [dialog] {
            QVector<bool> on;
            for (const char *name : {"sbxOxideThickness", "sbxOxidationTime", "sbxOxidationTemperature",
                                     "sbxOxidationPressure"})
                on << child<QDoubleSpinBox>(dialog, name)->isEnabled();
            return on;
        };
        const QVector<bool> thicknessOn{true, false, false, false}, timeOn{false, true, true, true};
        if (oxidation) {
            QCOMPARE(fieldsOn(), thicknessOn);
            // Thicknesses are micrometres, and one scene unit is one micrometre.
            QCOMPARE(child<QDoubleSpinBox>(dialog, "sbxOxideThickness")->suffix(), QString::fromUtf8(" \xc2\xb5m"));
            QCOMPARE(child<QDoubleSpinBox>(dialog, "sbxMicronConversion")->value(), 1.0);
            setFields(dialog, {{"radOxidationTime", true}});
            QCOMPARE(fieldsOn(), timeOn);
            if (!byTime) {
                setFields(dialog, {{"radOxideThickness", true}});
                QCOMPARE(fieldsOn(), thicknessOn);
            }
        }
        setFields(dialog, fields);
    }, true);
    workspace.activate(Core::ProcessTable::menuId(kind));
    const auto ids = volume->materialIds();
    QCOMPARE(std::count(ids.begin(), ids.end(), material), count);
    GuiTestSupport::checkUndoRedo(workspace, *volume, siliconIds(rie));
}

QTEST_MAIN(TestDialogs)
#include "tst_dialogs.moc"
