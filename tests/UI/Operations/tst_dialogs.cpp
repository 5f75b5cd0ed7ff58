#include "../GuiTestSupport.h"

#include "Core/Operations/CreateSubstrateOperation.h"
#include "Core/Operations/IsotropicFilmDepositionOperation.h"
#include "Core/Operations/IsotropicFilmEtchingOperation.h"
#include "Core/Workspace.h"
#include "Model/Automaton/TotalVolume.h"
#include "Model/Materials/MaterialFactory.h"
#include "Model/Process/ProcessFactory.h"
#include "UI/Observers/CreateSubstrateObserver.h"
#include "UI/Observers/IsotropicFilmDepositionObserver.h"
#include "UI/Observers/IsotropicFilmEtchingObserver.h"
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

template <typename Op, typename Obs>
std::shared_ptr<Operation> withObserver(Core::Workspace *workspace, QWidget *parent)
{
    auto operation = std::make_shared<Op>(workspace);
    operation->setObserver(std::make_shared<Obs>(workspace, parent));
    return operation;
}

// Builds the operations under test with their real observers.
class DialogFactory : public IOperationFactory
{
public:
    DialogFactory(Core::Workspace *ws, QWidget *parent) : workspace(ws), parent(parent) {}
    std::shared_ptr<Operation> createOperation(std::uint32_t id) override
    {
        if (id == CreateSubstrateOperation::operationId)
            return withObserver<CreateSubstrateOperation, Ui::Observers::CreateSubstrateObserver>(workspace, parent);
        if (id == IsotropicFilmDepositionOperation::operationId)
            return withObserver<IsotropicFilmDepositionOperation, Ui::Observers::IsotropicFilmDepositionObserver>(
                workspace, parent);
        if (id == IsotropicFilmEtchingOperation::operationId)
            return withObserver<IsotropicFilmEtchingOperation, Ui::Observers::IsotropicFilmEtchingObserver>(workspace,
                                                                                                             parent);
        return {};
    }

private:
    Core::Workspace *workspace;
    QWidget *parent;
};

// A workspace whose operations open their real dialogs over `window`.
struct Bench
{
    Bench() { workspace.setOperationFactory(std::make_shared<DialogFactory>(&workspace, &window)); }
    QWidget window;
    Core::Workspace workspace;
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
    void substrateDefaults_data();
    void substrateDefaults();
    void substrateInterlocks_data();
    void substrateInterlocks();
    void substrateShapeToggle();
    void substrateMaterialList();
    void substrateObserverAccepts_data();
    void substrateObserverAccepts();
    void substrateObserverRejectCancels();
    void isotropicDialog_data();
    void isotropicDialog();
    void isotropicObserverAccepts_data();
    void isotropicObserverAccepts();
    void isotropicObserverRejectWaits();
};

void TestDialogs::substrateDefaults_data()
{
    QTest::addColumn<int>("minimum");
    QTest::addColumn<int>("maximum");
    QTest::addColumn<int>("value");
    QTest::addColumn<bool>("enabled");
    const int big = 999999999;
    QTest::newRow("sbxTotalWidth") << 1 << 10000 << 100 << true;
    QTest::newRow("sbxTotalLength") << 1 << 10000 << 100 << true;
    QTest::newRow("sbxTotalHeight") << 1 << 10000 << 80 << true;
    QTest::newRow("sbxSubsWidth") << 1 << big << 100 << true;
    QTest::newRow("sbxSubsLength") << 1 << big << 100 << true;
    QTest::newRow("sbxSubsHeight") << 1 << big << 30 << true;
    QTest::newRow("sbxSubsX") << 0 << big << 0 << true;
    QTest::newRow("sbxSubsY") << 0 << big << 0 << true;
    QTest::newRow("sbxSubsZ") << 0 << big << 0 << true;
    QTest::newRow("sbxSubsCenterX") << 0 << big << 0 << false;
    QTest::newRow("sbxSubsCenterY") << 0 << big << 0 << false;
    QTest::newRow("sbxSubsCenterZ") << 0 << big << 0 << false;
    QTest::newRow("sbxSubsRadius") << 1 << big << 50 << false;
    QTest::newRow("dblVolumeX") << -1000000000 << 1000000000 << 0 << true;
    QTest::newRow("dblVolumeY") << -1000000000 << 1000000000 << 0 << true;
    QTest::newRow("dblVolumeZ") << -1000000000 << 1000000000 << 0 << true;
}

void TestDialogs::substrateDefaults()
{
    QFETCH(int, minimum);
    QFETCH(int, maximum);
    QFETCH(int, value);
    QFETCH(bool, enabled);
    CreateSubstrateDialog dialog;
    QCOMPARE(dialog.windowTitle(), QStringLiteral("Create Substrate"));
    QVERIFY(!dialog.isSpherical());
    const char *name = QTest::currentDataTag();
    if (auto *position = dialog.findChild<QDoubleSpinBox *>(QLatin1String(name))) {
        QCOMPARE(position->decimals(), 2);
        QCOMPARE(position->minimum(), double(minimum));
        QCOMPARE(position->maximum(), double(maximum));
        QCOMPARE(position->value(), double(value));
        return;
    }
    auto *box = child<QSpinBox>(&dialog, name);
    QVERIFY(box);
    QCOMPARE(box->minimum(), minimum);
    QCOMPARE(box->maximum(), maximum);
    QCOMPARE(box->value(), value);
    QCOMPARE(box->isEnabled(), enabled);
    QVERIFY(!box->toolTip().isEmpty());
}

void TestDialogs::substrateInterlocks_data()
{
    QTest::addColumn<QString>("changed");
    QTest::addColumn<int>("newValue");
    QTest::addColumn<QString>("watched");
    QTest::addColumn<int>("maximum");
    QTest::addColumn<int>("value");
    QTest::newRow("total width 50: block width") << "sbxTotalWidth" << 50 << "sbxSubsWidth" << 50 << 50;
    QTest::newRow("total width 50: offset x") << "sbxTotalWidth" << 50 << "sbxSubsX" << 0 << 0;
    QTest::newRow("total width 50: centre x") << "sbxTotalWidth" << 50 << "sbxSubsCenterX" << 49 << 0;
    QTest::newRow("total length 20: block length") << "sbxTotalLength" << 20 << "sbxSubsLength" << 20 << 20;
    QTest::newRow("total length 20: offset y") << "sbxTotalLength" << 20 << "sbxSubsY" << 0 << 0;
    QTest::newRow("total length 20: centre y") << "sbxTotalLength" << 20 << "sbxSubsCenterY" << 19 << 0;
    QTest::newRow("total height 60 keeps block height") << "sbxTotalHeight" << 60 << "sbxSubsHeight" << 60 << 30;
    QTest::newRow("total height 60: offset z") << "sbxTotalHeight" << 60 << "sbxSubsZ" << 30 << 0;
    QTest::newRow("total height 60: centre z") << "sbxTotalHeight" << 60 << "sbxSubsCenterZ" << 59 << 0;
    QTest::newRow("total height 20 clamps block height") << "sbxTotalHeight" << 20 << "sbxSubsHeight" << 20 << 20;
    QTest::newRow("total height 20: offset z") << "sbxTotalHeight" << 20 << "sbxSubsZ" << 0 << 0;
    QTest::newRow("block width 40: offset x") << "sbxSubsWidth" << 40 << "sbxSubsX" << 60 << 0;
    QTest::newRow("block length 1: offset y") << "sbxSubsLength" << 1 << "sbxSubsY" << 99 << 0;
    QTest::newRow("block height 10: offset z") << "sbxSubsHeight" << 10 << "sbxSubsZ" << 70 << 0;
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

void TestDialogs::substrateShapeToggle()
{
    CreateSubstrateDialog dialog;
    const QStringList blockFields{"sbxSubsWidth", "sbxSubsLength", "sbxSubsHeight", "sbxSubsX",
                                  "sbxSubsY",     "sbxSubsZ",      "lblSubsSize",   "lblSubsCorner"};
    const QStringList sphereFields{"sbxSubsCenterX", "sbxSubsCenterY", "sbxSubsCenterZ",
                                   "sbxSubsRadius",  "lblSubsCenterX", "lblSubsRadius"};
    auto *check = child<QCheckBox>(&dialog, "cbxSubsSphere");
    QCOMPARE(check->text(), QStringLiteral("Spherical Substrate"));
    for (bool spherical : {true, false, true}) {
        check->setChecked(spherical);
        QCOMPARE(dialog.isSpherical(), spherical);
        for (const QString &name : blockFields + sphereFields)
            QVERIFY2(dialog.findChild<QWidget *>(name)->isEnabled() == (spherical == sphereFields.contains(name)),
                     qPrintable(name));
        // The volume fields never change.
        QVERIFY(child<QSpinBox>(&dialog, "sbxTotalWidth")->isEnabled());
        QVERIFY(child<QComboBox>(&dialog, "cbxFilm")->isEnabled());
    }
}

void TestDialogs::substrateMaterialList()
{
    const auto materials = Model::Materials::MaterialFactory::getInstance()->getMaterials();
    QVERIFY(materials.size() > 1);
    CreateSubstrateDialog dialog;
    QCOMPARE(dialog.getMaterialId(), 0u); // empty list: an empty volume
    dialog.setMaterials(materials);
    auto *list = child<QComboBox>(&dialog, "cbxFilm");
    QCOMPARE(list->count(), materials.size());
    QCOMPARE(dialog.getMaterialId(), materials.first().getId());
    for (int i = 0; i < materials.size(); ++i) // ids and swatches: the MaterialChoice test
        QCOMPARE(list->itemText(i), materials[i].getName());
    list->setCurrentIndex(materials.size() - 1);
    QCOMPARE(dialog.getMaterialId(), materials.last().getId());
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

void TestDialogs::isotropicDialog_data()
{
    QTest::addColumn<bool>("deposition");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("valueName");
    QTest::addColumn<QString>("valueLabel");
    QTest::addColumn<QString>("process");
    QTest::newRow("deposition") << true << "Isotropic Film Deposition" << "dblThickness" << "Film thickness" << "CVD";
    QTest::newRow("etching") << false << "Isotropic Film Etching" << "dblDepth" << "Etch Depth" << "Isotropic Etching";
}

void TestDialogs::isotropicDialog()
{
    QFETCH(bool, deposition);
    QFETCH(QString, title);
    QFETCH(QString, valueName);
    QFETCH(QString, valueLabel);
    QFETCH(QString, process);
    std::unique_ptr<QDialog> dialog;
    if (deposition)
        dialog = std::make_unique<Ui::Operations::IsotropicDepositionDialog>();
    else
        dialog = std::make_unique<Ui::Operations::IsotropicEtchingDialog>();
    QCOMPARE(dialog->windowTitle(), title);
    auto *value = dialog->findChild<QDoubleSpinBox *>(valueName);
    QVERIFY(value);
    QCOMPARE(value->decimals(), 2);
    QCOMPARE(value->minimum(), 0.0);
    QCOMPARE(value->maximum(), 1e9);
    QCOMPARE(value->value(), 10.0);
    QCOMPARE(value->suffix(), QStringLiteral(" units"));
    QStringList labels;
    for (auto *label : dialog->findChildren<QLabel *>())
        labels << label->text();
    QVERIFY2(labels.contains(valueLabel) && labels.contains(QStringLiteral("Material")), qPrintable(labels.join('|')));

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
