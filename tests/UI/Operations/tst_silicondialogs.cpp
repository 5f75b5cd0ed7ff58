#include "../GuiTestSupport.h"

#include "Core/Workspace.h"
#include "Model/Automaton/TotalVolume.h"
#include "UI/MainWindow.h"
#include "UI/MainWindowPresenter.h"

#include <QtTest>
#include <QtWidgets>

using GuiTestSupport::child;
using Model::Automaton::TotalVolume;

namespace {

// 6 x 6 x 40 cells: silicon below z = 20, or a 3-cell oxide layer on it.
std::shared_ptr<TotalVolume> siliconBlock(bool oxideOnTop)
{
    std::vector<std::uint32_t> ids(6 * 6 * 40);
    for (std::size_t i = 0; i < ids.size(); ++i) {
        const std::size_t z = i % 40;
        ids[i] = z < 20 ? 1u : oxideOnTop && z < 23 ? 3u : 0u;
    }
    return std::make_shared<TotalVolume>(6, 6, 40, 1.f, 1.f, 1.f, Util::Vector3D(), ids);
}

void click(QAbstractButton *button)
{
    QTest::mouseClick(button, Qt::LeftButton, Qt::NoModifier, QPoint(6, button->height() / 2));
}

// Undo, redo and undo again give back exactly the cells before and after the run.
void checkUndoRedo(Core::Workspace &workspace, TotalVolume &volume, const std::vector<std::uint32_t> &before)
{
    const auto after = volume.materialIds();
    auto &stack = workspace.getUndoRedo();
    QVERIFY(stack.undo());
    QVERIFY(volume.materialIds() == before);
    QVERIFY(stack.redo());
    QVERIFY(volume.materialIds() == after);
    QVERIFY(stack.undo());
    QVERIFY(volume.materialIds() == before);
}

void selectMaterial(QComboBox *list, std::uint32_t id)
{
    list->setCurrentIndex(list->findData(id));
}

} // namespace

class TestSiliconDialogs : public QObject
{
    Q_OBJECT

private slots:
    void oxidationModes_data();
    void oxidationModes();
    void processDialogs_data();
    void processDialogs();
};

void TestSiliconDialogs::oxidationModes_data()
{
    QTest::addColumn<bool>("timeMode");
    QTest::addColumn<std::ptrdiff_t>("oxideCells");
    QTest::newRow("thickness 10 units") << false << std::ptrdiff_t(36 * 10);
    // 2 h, 1273 K, 1 atm at 200 units per micron: 21.09 units.
    // The volume is not selected: the only one of the document is taken.
    QTest::newRow("time mode") << true << std::ptrdiff_t(36 * 21);
}

void TestSiliconDialogs::oxidationModes()
{
    QFETCH(bool, timeMode);
    QFETCH(std::ptrdiff_t, oxideCells);
    Ui::MainWindow window;
    Core::Workspace &workspace = *window.getPresenter()->getWorkspace();
    auto volume = siliconBlock(false);
    if (timeMode)
        workspace.getDocument().addObject(volume);
    else
        workspace.getSelection().select(volume);
    QString title, suffix, tip;
    bool startEnabled[4] = {}, timeEnabled[4] = {}, backEnabled[4] = {};
    GuiTestSupport::answerDialog(
        [&](QWidget *dialog) {
            title = dialog->windowTitle();
            auto *thickness = child<QDoubleSpinBox>(dialog, "sbxOxideThickness");
            suffix = thickness->suffix();
            tip = thickness->toolTip();
            QDoubleSpinBox *fields[4] = {thickness, child<QDoubleSpinBox>(dialog, "sbxOxidationTime"),
                                         child<QDoubleSpinBox>(dialog, "sbxOxidationTemperature"),
                                         child<QDoubleSpinBox>(dialog, "sbxOxidationPressure")};
            const auto enabled = [&](bool *out) {
                for (int i = 0; i < 4; ++i)
                    out[i] = fields[i]->isEnabled();
            };
            enabled(startEnabled);
            click(child<QRadioButton>(dialog, "radOxidationTime"));
            enabled(timeEnabled);
            if (!timeMode) {
                click(child<QRadioButton>(dialog, "radOxideThickness"));
                enabled(backEnabled);
            }
            child<QDoubleSpinBox>(dialog, "sbxMicronConversion")->setValue(200.0);
        },
        true);
    workspace.activate(26);
    QCOMPARE(title, QStringLiteral("Si Oxidation Options"));
    QCOMPARE(suffix, QStringLiteral(" units"));
    QVERIFY(tip.contains(QStringLiteral("cell units")));
    QCOMPARE(QVector<bool>(startEnabled, startEnabled + 4), QVector<bool>({true, false, false, false}));
    QCOMPARE(QVector<bool>(timeEnabled, timeEnabled + 4), QVector<bool>({false, true, true, true}));
    if (!timeMode)
        QCOMPARE(QVector<bool>(backEnabled, backEnabled + 4), QVector<bool>({true, false, false, false}));
    const auto ids = volume->materialIds();
    QCOMPARE(std::count(ids.begin(), ids.end(), 3u), oxideCells);
    QCOMPARE(workspace.getConsoleInput().getMessage(), QStringLiteral("Simple Si Oxidation: Operation finished."));
    QCOMPARE(workspace.getUndoRedo().undoTopName(), QStringLiteral("Simple Si Oxidation"));
    checkUndoRedo(workspace, *volume, siliconBlock(false)->materialIds());
}

void TestSiliconDialogs::processDialogs_data()
{
    QTest::addColumn<std::uint32_t>("operation");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("name");
    QTest::addColumn<std::uint32_t>("material"); // counted after the run
    QTest::addColumn<std::ptrdiff_t>("count");
    QTest::newRow("doping P to depth 3") << 17u << "Doping Options" << "Doping" << 15u << std::ptrdiff_t(36 * 3);
    QTest::newRow("implantation N at 4, annealing 1")
        << 3u << "Ion Implantation Options" << "Ion Implantation" << 14u << std::ptrdiff_t(36 * 3);
    // 3 cells of oxide on silicon, both ways by 2: only the top is exposed.
    QTest::newRow("RIE of oxide, both ways") << 30u << "Simple RIE Options" << "Simple RIE" << 3u << std::ptrdiff_t(36 * 1);
}

void TestSiliconDialogs::processDialogs()
{
    QFETCH(std::uint32_t, operation);
    QFETCH(QString, title);
    QFETCH(QString, name);
    QFETCH(std::uint32_t, material);
    QFETCH(std::ptrdiff_t, count);
    Ui::MainWindow window;
    Core::Workspace &workspace = *window.getPresenter()->getWorkspace();
    auto volume = siliconBlock(operation == 30);
    workspace.getSelection().select(volume);
    workspace.setSiLatticeOutdated(volume->getObjectId(), false);
    QString shown;
    GuiTestSupport::answerDialog(
        [&](QWidget *dialog) {
            shown = dialog->windowTitle();
            switch (operation) {
            case 17:
                click(child<QRadioButton>(dialog, "radPType"));
                child<QDoubleSpinBox>(dialog, "dblDopingDepth")->setValue(3.0);
                break;
            case 3:
                child<QDoubleSpinBox>(dialog, "dblImplantationDepth")->setValue(4.0);
                child<QDoubleSpinBox>(dialog, "dblAnnealingDistance")->setValue(1.0);
                break;
            default:
                child<QSpinBox>(dialog, "sbxEtchDepth")->setValue(2);
                selectMaterial(child<QComboBox>(dialog, "cbxFilm"), 3);
                click(child<QCheckBox>(dialog, "chkEtchFromBottom"));
                break;
            }
        },
        true);
    workspace.activate(operation);
    QCOMPARE(shown, title);
    const auto ids = volume->materialIds();
    QCOMPARE(std::count(ids.begin(), ids.end(), material), count);
    QCOMPARE(workspace.getConsoleInput().getMessage(), name + QStringLiteral(": Operation finished."));
    QCOMPARE(workspace.lastOperationOn(volume->getObjectId()), operation);
    QVERIFY(workspace.isSiLatticeOutdated(volume->getObjectId()));
    checkUndoRedo(workspace, *volume, siliconBlock(operation == 30)->materialIds());
}

QTEST_MAIN(TestSiliconDialogs)
#include "tst_silicondialogs.moc"
