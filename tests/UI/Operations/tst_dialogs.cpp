#include "../GuiTestSupport.h"

#include "Core/Operations/Substrate/CreateSubstrateOperation.h"
#include "Core/Operations/Film/IsotropicFilmDepositionOperation.h"
#include "Core/Operations/Film/IsotropicFilmEtchingOperation.h"
#include "Core/Workspace.h"
#include "Model/Automaton/TotalVolume.h"
#include "Model/Materials/MaterialFactory.h"
#include "Model/Process/ProcessFactory.h"
#include "UI/MainWindow.h"
#include "UI/MainWindowPresenter.h"
#include "UI/Operations/Substrate/CreateSubstrateDialog.h"

#include <QtTest>
#include <QtWidgets>

using namespace Core::Operations;
using GuiTestSupport::child;
using Model::Automaton::TotalVolume;

namespace {

// A workspace whose operations open their real dialogs.
struct Bench
{
    Ui::MainWindow window;
    Core::Workspace &workspace = *window.getPresenter()->getWorkspace();
};

// n x n x n cells, material `fill` below z = `height`.
std::shared_ptr<TotalVolume> slab(std::uint32_t n, std::uint32_t height, std::uint32_t fill)
{
    std::vector<std::uint32_t> ids(std::size_t(n) * n * n, 0);
    for (std::size_t i = 0; i < ids.size(); ++i)
        ids[i] = i % n < height ? fill : 0;
    return std::make_shared<TotalVolume>(n, n, n, 1.f, 1.f, 1.f, Util::Vector3D(), ids);
}

} // namespace

class TestDialogs : public QObject
{
    Q_OBJECT

private slots:
    void substrateDefaults();
    void substrateObserverAccepts_data();
    void substrateObserverAccepts();
    void etchingObserverAccepts();
    void isotropicObserverRejectWaits();
};

void TestDialogs::substrateDefaults()
{
    Ui::Operations::CreateSubstrateDialog dialog;
    QVERIFY(!dialog.isSpherical());
    const std::pair<const char *, int> values[] = {
        {"sbxTotalWidth", 100}, {"sbxTotalLength", 100}, {"sbxTotalHeight", 80}, {"sbxSubsWidth", 100},
        {"sbxSubsLength", 100}, {"sbxSubsHeight", 30},   {"sbxSubsX", 0},         {"sbxSubsY", 0},
        {"sbxSubsZ", 0}};
    for (const auto &[name, value] : values)
        QCOMPARE(child<QSpinBox>(&dialog, name)->value(), value);
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
            for (const auto &[name, value] : spherical ? std::vector(std::begin(sphere), std::end(sphere))
                                                       : std::vector(std::begin(block), std::end(block)))
                child<QSpinBox>(dialog, name)->setValue(value);
        },
        true);
    bench.workspace.activate(CreateSubstrateOperation::operationId);
    QCOMPARE(title, QStringLiteral("Create Substrate"));
    const auto objects = bench.workspace.getDocument().getAllObjects();
    QCOMPARE(objects.size(), 1);
    auto volume = std::dynamic_pointer_cast<TotalVolume>(objects.first());
    QVERIFY(volume);
    QCOMPARE(QVector<std::uint32_t>({volume->getSizeX(), volume->getSizeY(), volume->getSizeZ()}),
             QVector<std::uint32_t>({6, 5, 4}));
    QCOMPARE(volume->getPosition().x, -12.5);
    QCOMPARE(volume->getPosition().z, 3.25);
    const auto ids = volume->materialIds();
    QCOMPARE(std::size_t(std::count(ids.begin(), ids.end(), chosen)), filledCells);
    QCOMPARE(std::size_t(std::count(ids.begin(), ids.end(), 0u)), ids.size() - filledCells);
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

void TestDialogs::etchingObserverAccepts()
{
    // The deposition dialog is driven end to end elsewhere; etching removes the
    // top layer of a 3-layer slab of the last material the dialog offers.
    const auto compatible =
        Model::Process::ProcessFactory::getInstance()->getProcess(QStringLiteral("Isotropic Etching")).getCompatibleMaterials();
    QVERIFY(compatible.size() > 1);
    const std::uint32_t chosen = compatible.last().getId();
    Bench bench;
    const std::uint32_t n = 4;
    auto volume = slab(n, 3, chosen);
    bench.workspace.getDocument().addObject(volume);
    bench.workspace.getSelection().select(volume);
    GuiTestSupport::answerDialog(
        [](QWidget *dialog) {
            child<QDoubleSpinBox>(dialog, "dblDepth")->setValue(1.0);
            auto *list = child<QComboBox>(dialog, "cbxMaterial");
            list->setCurrentIndex(list->count() - 1);
        },
        true);
    bench.workspace.activate(IsotropicFilmEtchingOperation::operationId);
    const auto ids = volume->materialIds();
    std::size_t layer2 = 0;
    for (std::uint32_t x = 0; x < n; ++x)
        for (std::uint32_t y = 0; y < n; ++y)
            layer2 += ids[volume->index(x, y, 2)] == 0u;
    QCOMPARE(layer2, std::size_t(n * n));
    QCOMPARE(ids[volume->index(1, 1, 1)], chosen);
    QCOMPARE(bench.workspace.getConsoleInput().getMessage(), QStringLiteral("Isotropic Etching: Operation finished."));
    QVERIFY(!bench.workspace.getCurrentOperation());
    QCOMPARE(bench.workspace.getUndoRedo().undoTopName(), QStringLiteral("Isotropic Etching"));
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
    workspace.activate(IsotropicFilmDepositionOperation::operationId);
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
