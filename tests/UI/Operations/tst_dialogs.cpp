#include "../GuiTestSupport.h"

#include "Core/Operations/CreateSubstrateOperation.h"
#include "Core/Operations/IsotropicFilmDepositionOperation.h"
#include "Core/Operations/IsotropicFilmEtchingOperation.h"
#include "Core/Workspace.h"
#include "Model/Automaton/TotalVolume.h"
#include "Model/Materials/MaterialFactory.h"
#include "Model/Process/ProcessFactory.h"
#include "UI/MainWindow.h"
#include "UI/MainWindowPresenter.h"
#include "UI/Operations/CreateSubstrateDialog.h"
#include "UI/Operations/IsotropicDepositionDialog.h"
#include "UI/Operations/IsotropicEtchingDialog.h"

#include <QtTest>
#include <QtWidgets>

#include <memory>

using namespace Core::Operations;
using GuiTestSupport::child;
using Ui::Operations::CreateSubstrateDialog;

namespace {

// A workspace whose operations open their real dialogs.
struct Bench
{
    Ui::MainWindow window;
    Core::Workspace &workspace = *window.getPresenter()->getWorkspace();
};

std::size_t countMaterial(const std::vector<std::uint32_t> &ids, std::uint32_t material)
{
    return std::size_t(std::count(ids.begin(), ids.end(), material));
}

// n x n x n cells, material `fill` below z = `height`.
std::shared_ptr<Model::Automaton::TotalVolume> slab(std::uint32_t n, std::uint32_t height, std::uint32_t fill)
{
    std::vector<std::uint32_t> ids(std::size_t(n) * n * n, 0);
    for (std::size_t i = 0; i < ids.size(); ++i)
        ids[i] = i % n < height ? fill : 0;
    return std::make_shared<Model::Automaton::TotalVolume>(n, n, n, 1.f, 1.f, 1.f, Util::Vector3D(), ids);
}

QVector<Model::Materials::Material> compatibleWith(const QString &process)
{
    return Model::Process::ProcessFactory::getInstance()->getProcess(process).getCompatibleMaterials();
}

} // namespace

class TestDialogs : public QObject
{
    Q_OBJECT

private slots:
    void substrateDefaults();
    void substrateInterlocks_data();
    void substrateInterlocks();
    void substrateObserverAccepts_data();
    void substrateObserverAccepts();
    void substrateObserverRejectCancels();
    void isotropicMaterialList_data();
    void isotropicMaterialList();
    void isotropicObserverAccepts_data();
    void isotropicObserverAccepts();
    void isotropicObserverRejectWaits();
};

void TestDialogs::substrateDefaults()
{
    CreateSubstrateDialog dialog;
    QVERIFY(!dialog.isSpherical());
    const std::pair<const char *, int> values[] = {
        {"sbxTotalWidth", 100}, {"sbxTotalLength", 100}, {"sbxTotalHeight", 80}, {"sbxSubsWidth", 100},
        {"sbxSubsLength", 100}, {"sbxSubsHeight", 30},   {"sbxSubsX", 0},         {"sbxSubsY", 0},
        {"sbxSubsZ", 0}};
    for (const auto &[name, value] : values)
        QCOMPARE(child<QSpinBox>(&dialog, name)->value(), value);
}

void TestDialogs::substrateInterlocks_data()
{
    QTest::addColumn<QString>("changed");
    QTest::addColumn<int>("newValue");
    QTest::addColumn<QString>("watched");
    QTest::addColumn<int>("maximum");
    QTest::addColumn<int>("value");
    QTest::newRow("total width 50: block width") << "sbxTotalWidth" << 50 << "sbxSubsWidth" << 50 << 50;
    QTest::newRow("total width 50: centre x") << "sbxTotalWidth" << 50 << "sbxSubsCenterX" << 49 << 0;
    QTest::newRow("total height 60: offset z") << "sbxTotalHeight" << 60 << "sbxSubsZ" << 30 << 0;
    QTest::newRow("total height 20 clamps block height") << "sbxTotalHeight" << 20 << "sbxSubsHeight" << 20 << 20;
    QTest::newRow("block width 40: offset x") << "sbxSubsWidth" << 40 << "sbxSubsX" << 60 << 0;
    QTest::newRow("block wider than the volume: offset stays 0") << "sbxSubsWidth" << 300 << "sbxSubsX" << 0 << 0;
}

void TestDialogs::substrateInterlocks()
{
    QFETCH(QString, changed);
    QFETCH(int, newValue);
    QFETCH(QString, watched);
    QFETCH(int, maximum);
    QFETCH(int, value);
    CreateSubstrateDialog dialog;
    auto *source = dialog.findChild<QSpinBox *>(changed);
    auto *target = dialog.findChild<QSpinBox *>(watched);
    QVERIFY(source && target);
    source->setValue(newValue);
    QCOMPARE(target->maximum(), maximum);
    QCOMPARE(target->value(), value);
    QVERIFY(target->minimum() >= 0);
}

void TestDialogs::substrateObserverAccepts_data()
{
    QTest::addColumn<bool>("spherical");
    QTest::addColumn<std::size_t>("filledCells");
    QTest::newRow("block at an offset") << false << std::size_t(4 * 3 * 2);
    QTest::newRow("sphere of radius 1") << true << std::size_t(7);
}

void TestDialogs::substrateObserverAccepts()
{
    QFETCH(bool, spherical);
    QFETCH(std::size_t, filledCells);
    Bench bench;
    const std::uint32_t chosen = Model::Materials::MaterialFactory::getInstance()->getMaterials().at(1).getId();
    QString title;
    GuiTestSupport::answerDialog(
        [&](QWidget *dialog) {
            title = dialog->windowTitle();
            const std::pair<const char *, int> block[] = {{"sbxSubsWidth", 4}, {"sbxSubsLength", 3}, {"sbxSubsHeight", 2},
                                                          {"sbxSubsX", 2},     {"sbxSubsY", 1},      {"sbxSubsZ", 1}};
            const std::pair<const char *, int> sphere[] = {
                {"sbxSubsCenterX", 2}, {"sbxSubsCenterY", 2}, {"sbxSubsCenterZ", 1}, {"sbxSubsRadius", 1}};
            child<QSpinBox>(dialog, "sbxTotalWidth")->setValue(6);
            child<QSpinBox>(dialog, "sbxTotalLength")->setValue(5);
            child<QSpinBox>(dialog, "sbxTotalHeight")->setValue(4);
            child<QDoubleSpinBox>(dialog, "dblVolumeX")->setValue(-12.5);
            child<QDoubleSpinBox>(dialog, "dblVolumeZ")->setValue(3.25);
            child<QComboBox>(dialog, "cbxFilm")->setCurrentIndex(1);
            child<QCheckBox>(dialog, "cbxSubsSphere")->setChecked(spherical);
            if (spherical)
                for (const auto &[name, value] : sphere)
                    child<QSpinBox>(dialog, name)->setValue(value);
            else
                for (const auto &[name, value] : block)
                    child<QSpinBox>(dialog, name)->setValue(value);
        },
        true);
    bench.workspace.activate(CreateSubstrateOperation::operationId);

    QCOMPARE(title, QStringLiteral("Create Substrate"));
    const auto objects = bench.workspace.getDocument().getAllObjects();
    QCOMPARE(objects.size(), 1);
    auto volume = std::dynamic_pointer_cast<Model::Automaton::TotalVolume>(objects.first());
    QVERIFY(volume);
    QCOMPARE(QVector<std::uint32_t>({volume->getSizeX(), volume->getSizeY(), volume->getSizeZ()}),
             QVector<std::uint32_t>({6, 5, 4}));
    QCOMPARE(volume->getPosition().x, -12.5);
    QCOMPARE(volume->getPosition().z, 3.25);
    const auto ids = volume->materialIds();
    QCOMPARE(countMaterial(ids, chosen), filledCells);
    QCOMPARE(countMaterial(ids, 0), ids.size() - filledCells);
    if (!spherical) {
        QCOMPARE(ids[volume->index(2, 1, 1)], chosen);
        QCOMPARE(ids[volume->index(5, 3, 2)], chosen);
        QCOMPARE(ids[volume->index(1, 1, 1)], 0u);
    } else {
        QCOMPARE(ids[volume->index(2, 2, 1)], chosen);
        QCOMPARE(ids[volume->index(2, 2, 3)], 0u);
    }
    QCOMPARE(bench.workspace.getConsoleInput().getMessage(),
             QStringLiteral("Create Substrate: substrate created successfully."));
    QVERIFY(!bench.workspace.getCurrentOperation());
    QCOMPARE(bench.workspace.getUndoRedo().undoTopName(), QStringLiteral("Create Substrate"));
}

void TestDialogs::substrateObserverRejectCancels()
{
    Bench bench;
    bool seen = false;
    GuiTestSupport::answerDialog([&seen](QWidget *) { seen = true; }, false);
    bench.workspace.activate(CreateSubstrateOperation::operationId);
    QVERIFY(seen);
    QVERIFY(!bench.workspace.getCurrentOperation());
    QVERIFY(bench.workspace.getDocument().getAllObjects().isEmpty());
    QVERIFY(bench.workspace.getConsoleInput().getMessage().isEmpty());
    QCOMPARE(bench.workspace.getUndoRedo().undoCount(), std::size_t(0));
}

void TestDialogs::isotropicMaterialList_data()
{
    QTest::addColumn<bool>("deposition");
    QTest::addColumn<QString>("process");
    QTest::newRow("deposition") << true << "CVD";
    QTest::newRow("etching") << false << "Isotropic Etching";
}

void TestDialogs::isotropicMaterialList()
{
    QFETCH(bool, deposition);
    QFETCH(QString, process);
    std::unique_ptr<QDialog> dialog;
    if (deposition)
        dialog = std::make_unique<Ui::Operations::IsotropicDepositionDialog>();
    else
        dialog = std::make_unique<Ui::Operations::IsotropicEtchingDialog>();
    const auto compatible = compatibleWith(process);
    QVERIFY(!compatible.isEmpty());
    auto *list = child<QComboBox>(dialog.get(), "cbxMaterial");
    QCOMPARE(list->count(), compatible.size());
    for (int i = 0; i < compatible.size(); ++i)
        QCOMPARE(list->itemData(i).toUInt(), compatible[i].getId());
}

void TestDialogs::isotropicObserverAccepts_data()
{
    QTest::addColumn<bool>("deposition");
    QTest::addColumn<QString>("valueName");
    QTest::addColumn<QString>("process");
    QTest::newRow("deposition") << true << "dblThickness" << "CVD";
    QTest::newRow("etching") << false << "dblDepth" << "Isotropic Etching";
}

void TestDialogs::isotropicObserverAccepts()
{
    QFETCH(bool, deposition);
    QFETCH(QString, valueName);
    QFETCH(QString, process);
    const auto compatible = compatibleWith(process);
    QVERIFY(compatible.size() > 1);
    const std::uint32_t chosen = compatible.last().getId();
    Bench bench;
    // Deposition grows one layer on a 2-layer slab; etching removes the top of a 3-layer slab.
    const std::uint32_t n = 4;
    auto volume = slab(n, deposition ? 2 : 3, deposition ? 99 : chosen);
    bench.workspace.getDocument().addObject(volume);
    bench.workspace.getSelection().select(volume);

    GuiTestSupport::answerDialog(
        [&](QWidget *dialog) {
            dialog->findChild<QDoubleSpinBox *>(valueName)->setValue(1.0);
            auto *list = child<QComboBox>(dialog, "cbxMaterial");
            list->setCurrentIndex(list->count() - 1);
        },
        true);
    bench.workspace.activate(deposition ? 13 : 14);

    const auto ids = volume->materialIds();
    std::size_t layer2 = 0;
    for (std::uint32_t x = 0; x < n; ++x)
        for (std::uint32_t y = 0; y < n; ++y)
            layer2 += ids[volume->index(x, y, 2)] == (deposition ? chosen : 0u);
    QCOMPARE(layer2, std::size_t(n * n));
    QCOMPARE(ids[volume->index(1, 1, 3)], 0u);
    QCOMPARE(ids[volume->index(1, 1, 1)], deposition ? 99u : chosen);
    const QString name = deposition ? QStringLiteral("Isotropic Deposition") : QStringLiteral("Isotropic Etching");
    QCOMPARE(bench.workspace.getConsoleInput().getMessage(), name + QStringLiteral(": Operation finished."));
    QVERIFY(!bench.workspace.getCurrentOperation());
    QCOMPARE(bench.workspace.getUndoRedo().undoTopName(), name);
}

void TestDialogs::isotropicObserverRejectWaits()
{
    Bench bench;
    Core::Workspace &workspace = bench.workspace;
    auto volume = slab(3, 1, 5);
    const auto before = volume->materialIds();
    workspace.getSelection().select(volume);
    QString title;
    GuiTestSupport::answerDialog([&title](QWidget *dialog) { title = dialog->windowTitle(); }, false);
    workspace.activate(13);
    QCOMPARE(title, QStringLiteral("Isotropic Film Deposition"));
    QVERIFY(std::dynamic_pointer_cast<IsotropicFilmDepositionOperation>(workspace.getCurrentOperation()));
    QCOMPARE(workspace.getConsoleInput().getMessage(), QStringLiteral("Isotropic Deposition: Cell volume selected."));
    workspace.cancelCurrent();
    QCOMPARE(workspace.getConsoleInput().getMessage(), QStringLiteral("Isotropic Deposition: Operation canceled."));
    QVERIFY(!workspace.getCurrentOperation());
    QVERIFY(volume->materialIds() == before);
    QCOMPARE(workspace.getUndoRedo().undoCount(), std::size_t(0));
}

QTEST_MAIN(TestDialogs)
#include "tst_dialogs.moc"
