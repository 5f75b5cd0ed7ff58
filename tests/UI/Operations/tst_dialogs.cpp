#include "Core/Operations/CreateSubstrateOperation.h"
#include "Core/Operations/IOperationFactory.h"
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

#include <functional>
#include <memory>

using Core::Operations::CreateSubstrateOperation;
using Core::Operations::IsotropicFilmDepositionOperation;
using Core::Operations::IsotropicFilmEtchingOperation;
using Ui::Operations::CreateSubstrateDialog;

namespace {

// Builds the operations under test with their real observers.
class DialogFactory : public Core::Operations::IOperationFactory
{
public:
    DialogFactory(Core::Workspace *ws, QWidget *parent) : workspace(ws), parent(parent) {}
    std::shared_ptr<Core::Operations::Operation> createOperation(std::uint32_t id) override
    {
        if (id == CreateSubstrateOperation::operationId) {
            auto operation = std::make_shared<CreateSubstrateOperation>(workspace);
            operation->setObserver(std::make_shared<Ui::Observers::CreateSubstrateObserver>(workspace, parent));
            return operation;
        }
        if (id == IsotropicFilmDepositionOperation::operationId) {
            auto operation = std::make_shared<IsotropicFilmDepositionOperation>(workspace);
            operation->setObserver(
                std::make_shared<Ui::Observers::IsotropicFilmDepositionObserver>(workspace, parent));
            return operation;
        }
        if (id == IsotropicFilmEtchingOperation::operationId) {
            auto operation = std::make_shared<IsotropicFilmEtchingOperation>(workspace);
            operation->setObserver(std::make_shared<Ui::Observers::IsotropicFilmEtchingObserver>(workspace, parent));
            return operation;
        }
        return {};
    }

private:
    Core::Workspace *workspace;
    QWidget *parent;
};

// Plays the user once the next modal dialog is up: `act` gets the dialog and
// fills it; the dialog is then accepted or rejected. Returns the window title
// seen, through `title`.
void answerNextDialog(std::function<void(QDialog *)> act, bool accept, QString *title = nullptr, int attempts = 50)
{
    QTimer::singleShot(20, [=] {
        auto *dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget());
        if (!dialog) {
            if (attempts > 0)
                answerNextDialog(act, accept, title, attempts - 1);
            return;
        }
        if (title)
            *title = dialog->windowTitle();
        if (act)
            act(dialog);
        if (accept)
            dialog->accept();
        else
            dialog->reject();
    });
}

template <typename T>
T *field(QWidget *dialog, const char *name)
{
    auto *widget = dialog->findChild<T *>(QString::fromLatin1(name));
    if (!widget)
        qWarning("no field %s", name);
    return widget;
}

std::shared_ptr<Model::Automaton::TotalVolume> onlyVolume(Core::Workspace &workspace)
{
    const auto objects = workspace.getDocument().getAllObjects();
    return objects.size() == 1 ? std::dynamic_pointer_cast<Model::Automaton::TotalVolume>(objects.first())
                               : nullptr;
}

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

std::unique_ptr<QDialog> makeIsotropicDialog(bool deposition)
{
    if (deposition)
        return std::make_unique<Ui::Operations::IsotropicDepositionDialog>();
    return std::make_unique<Ui::Operations::IsotropicEtchingDialog>();
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
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("minimum");
    QTest::addColumn<int>("maximum");
    QTest::addColumn<int>("value");
    QTest::addColumn<bool>("enabled");
    const int big = 999999999;
    QTest::newRow("total width") << "sbxTotalWidth" << 1 << 10000 << 100 << true;
    QTest::newRow("total length") << "sbxTotalLength" << 1 << 10000 << 100 << true;
    QTest::newRow("total height") << "sbxTotalHeight" << 1 << 10000 << 80 << true;
    QTest::newRow("block width") << "sbxSubsWidth" << 1 << big << 100 << true;
    QTest::newRow("block length") << "sbxSubsLength" << 1 << big << 100 << true;
    QTest::newRow("block height") << "sbxSubsHeight" << 1 << big << 30 << true;
    QTest::newRow("offset x") << "sbxSubsX" << 0 << big << 0 << true;
    QTest::newRow("offset y") << "sbxSubsY" << 0 << big << 0 << true;
    QTest::newRow("offset z") << "sbxSubsZ" << 0 << big << 0 << true;
    QTest::newRow("centre x") << "sbxSubsCenterX" << 0 << big << 0 << false;
    QTest::newRow("centre y") << "sbxSubsCenterY" << 0 << big << 0 << false;
    QTest::newRow("centre z") << "sbxSubsCenterZ" << 0 << big << 0 << false;
    QTest::newRow("radius") << "sbxSubsRadius" << 1 << big << 50 << false;
}

void TestDialogs::substrateDefaults()
{
    QFETCH(QString, name);
    QFETCH(int, minimum);
    QFETCH(int, maximum);
    QFETCH(int, value);
    QFETCH(bool, enabled);
    CreateSubstrateDialog dialog;
    QCOMPARE(dialog.windowTitle(), QStringLiteral("Create Substrate"));
    QCOMPARE(dialog.objectName(), QStringLiteral("CreateSubstrateDialogForm"));
    auto *box = dialog.findChild<QSpinBox *>(name);
    QVERIFY(box);
    QCOMPARE(box->minimum(), minimum);
    QCOMPARE(box->maximum(), maximum);
    QCOMPARE(box->value(), value);
    QCOMPARE(box->isEnabled(), enabled);
    QVERIFY(!box->toolTip().isEmpty());

    QVERIFY(!dialog.isSpherical());
    for (const char *position : {"dblVolumeX", "dblVolumeY", "dblVolumeZ"}) {
        auto *box = field<QDoubleSpinBox>(&dialog, position);
        QVERIFY(box);
        QCOMPARE(box->minimum(), -1e9);
        QCOMPARE(box->maximum(), 1e9);
        QCOMPARE(box->value(), 0.0);
        QCOMPARE(box->decimals(), 2);
    }
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
    const QStringList blockFields{"sbxSubsWidth", "sbxSubsLength", "sbxSubsHeight", "sbxSubsX", "sbxSubsY",
                                  "sbxSubsZ",     "lblSubsSize",   "lblSubsCorner"};
    const QStringList sphereFields{"sbxSubsCenterX", "sbxSubsCenterY", "sbxSubsCenterZ", "sbxSubsRadius",
                                   "lblSubsCenterX", "lblSubsRadius"};
    auto *check = field<QCheckBox>(&dialog, "cbxSubsSphere");
    QVERIFY(check);
    QCOMPARE(check->text(), QStringLiteral("Spherical Substrate"));
    for (bool spherical : {true, false, true}) {
        check->setChecked(spherical);
        QCOMPARE(dialog.isSpherical(), spherical);
        for (const QString &name : blockFields)
            QVERIFY2(dialog.findChild<QWidget *>(name)->isEnabled() == !spherical, qPrintable(name));
        for (const QString &name : sphereFields)
            QVERIFY2(dialog.findChild<QWidget *>(name)->isEnabled() == spherical, qPrintable(name));
        // The volume fields never change.
        QVERIFY(field<QSpinBox>(&dialog, "sbxTotalWidth")->isEnabled());
        QVERIFY(field<QComboBox>(&dialog, "cbxFilm")->isEnabled());
    }
}

void TestDialogs::substrateMaterialList()
{
    const auto materials = Model::Materials::MaterialFactory::getInstance()->getMaterials();
    QVERIFY(materials.size() > 1);
    CreateSubstrateDialog dialog;
    QCOMPARE(dialog.getMaterialId(), 0u); // empty list: an empty volume
    dialog.setMaterials(materials);
    auto *list = field<QComboBox>(&dialog, "cbxFilm");
    QCOMPARE(list->count(), materials.size());
    QCOMPARE(list->currentIndex(), 0);
    QCOMPARE(dialog.getMaterialId(), materials.first().getId());
    for (int i = 0; i < materials.size(); ++i) {
        QCOMPARE(list->itemText(i), materials[i].getName());
        QCOMPARE(list->itemIcon(i).availableSizes().value(0), QSize(100, 100));
    }
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
    QWidget window;
    Core::Workspace workspace;
    workspace.setOperationFactory(std::make_shared<DialogFactory>(&workspace, &window));
    const auto materials = Model::Materials::MaterialFactory::getInstance()->getMaterials();
    const std::uint32_t chosen = materials.at(1).getId();

    QString title;
    answerNextDialog(
        [spherical](QDialog *dialog) {
            field<QSpinBox>(dialog, "sbxTotalWidth")->setValue(6);
            field<QSpinBox>(dialog, "sbxTotalLength")->setValue(5);
            field<QSpinBox>(dialog, "sbxTotalHeight")->setValue(4);
            field<QDoubleSpinBox>(dialog, "dblVolumeX")->setValue(-12.5);
            field<QDoubleSpinBox>(dialog, "dblVolumeZ")->setValue(3.25);
            field<QComboBox>(dialog, "cbxFilm")->setCurrentIndex(1);
            if (spherical) {
                field<QCheckBox>(dialog, "cbxSubsSphere")->setChecked(true);
                field<QSpinBox>(dialog, "sbxSubsCenterX")->setValue(2);
                field<QSpinBox>(dialog, "sbxSubsCenterY")->setValue(2);
                field<QSpinBox>(dialog, "sbxSubsCenterZ")->setValue(1);
                field<QSpinBox>(dialog, "sbxSubsRadius")->setValue(1);
            } else {
                field<QSpinBox>(dialog, "sbxSubsWidth")->setValue(4);
                field<QSpinBox>(dialog, "sbxSubsLength")->setValue(3);
                field<QSpinBox>(dialog, "sbxSubsHeight")->setValue(2);
                field<QSpinBox>(dialog, "sbxSubsX")->setValue(2);
                field<QSpinBox>(dialog, "sbxSubsY")->setValue(1);
                field<QSpinBox>(dialog, "sbxSubsZ")->setValue(1);
            }
        },
        true, &title);
    workspace.activate(CreateSubstrateOperation::operationId);

    QCOMPARE(title, QStringLiteral("Create Substrate"));
    auto volume = onlyVolume(workspace);
    QVERIFY(volume);
    QCOMPARE(volume->getSizeX(), 6u);
    QCOMPARE(volume->getSizeY(), 5u);
    QCOMPARE(volume->getSizeZ(), 4u);
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
    QCOMPARE(workspace.getConsoleInput().getMessage(),
             QStringLiteral("Create Substrate: substrate created successfully."));
    QVERIFY(!workspace.getCurrentOperation());
    QCOMPARE(workspace.getUndoRedo().undoTopName(), QStringLiteral("Create Substrate"));
}

void TestDialogs::substrateObserverRejectCancels()
{
    QWidget window;
    Core::Workspace workspace;
    workspace.setOperationFactory(std::make_shared<DialogFactory>(&workspace, &window));
    bool seen = false;
    answerNextDialog([&seen](QDialog *) { seen = true; }, false);
    workspace.activate(CreateSubstrateOperation::operationId);
    QVERIFY(seen);
    QVERIFY(!workspace.getCurrentOperation());
    QVERIFY(workspace.getDocument().getAllObjects().isEmpty());
    QVERIFY(workspace.getConsoleInput().getMessage().isEmpty());
    QCOMPARE(workspace.getUndoRedo().undoCount(), std::size_t(0));
}

void TestDialogs::isotropicDialog_data()
{
    QTest::addColumn<bool>("deposition");
    QTest::addColumn<QString>("form");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("valueName");
    QTest::addColumn<QString>("valueLabel");
    QTest::addColumn<QString>("process");
    QTest::newRow("deposition") << true << "IsotropicDepositionForm" << "Isotropic Film Deposition" << "dblThickness"
                                << "Film thickness" << "CVD";
    QTest::newRow("etching") << false << "IsotropicEtchingForm" << "Isotropic Film Etching" << "dblDepth"
                             << "Etch Depth" << "Isotropic Etching";
}

void TestDialogs::isotropicDialog()
{
    QFETCH(bool, deposition);
    QFETCH(QString, form);
    QFETCH(QString, title);
    QFETCH(QString, valueName);
    QFETCH(QString, valueLabel);
    QFETCH(QString, process);
    auto dialog = makeIsotropicDialog(deposition);
    QCOMPARE(dialog->objectName(), form);
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
    QVERIFY2(labels.contains(valueLabel), qPrintable(labels.join('|')));
    QVERIFY(labels.contains(QStringLiteral("Material")));

    const auto compatible = Model::Process::ProcessFactory::getInstance()->getProcess(process).getCompatibleMaterials();
    QVERIFY(!compatible.isEmpty());
    auto *list = field<QComboBox>(dialog.get(), "cbxMaterial");
    QVERIFY(list);
    QCOMPARE(list->count(), compatible.size());
    for (int i = 0; i < compatible.size(); ++i) {
        QCOMPARE(list->itemText(i), compatible[i].getName());
        QCOMPARE(list->itemData(i).toUInt(), compatible[i].getId());
        QCOMPARE(list->itemIcon(i).availableSizes().value(0), QSize(100, 100));
    }
    auto *buttons = dialog->findChild<QDialogButtonBox *>();
    QVERIFY(buttons->button(QDialogButtonBox::Ok));
    QVERIFY(buttons->button(QDialogButtonBox::Cancel));
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
    const auto compatible = Model::Process::ProcessFactory::getInstance()->getProcess(process).getCompatibleMaterials();
    QVERIFY(compatible.size() > 1);
    const std::uint32_t chosen = compatible.last().getId();
    QWidget window;
    Core::Workspace workspace;
    workspace.setOperationFactory(std::make_shared<DialogFactory>(&workspace, &window));
    // Deposition grows one layer on a 2-layer slab; etching removes the top of a 3-layer slab.
    const std::uint32_t n = 4;
    auto volume = slab(n, deposition ? 2 : 3, deposition ? 99 : chosen);
    workspace.getDocument().addObject(volume);
    workspace.getSelection().select(volume);

    answerNextDialog(
        [&](QDialog *dialog) {
            dialog->findChild<QDoubleSpinBox *>(valueName)->setValue(1.0);
            auto *list = field<QComboBox>(dialog, "cbxMaterial");
            list->setCurrentIndex(list->count() - 1);
        },
        true);
    workspace.activate(deposition ? 13 : 14);

    const auto ids = volume->materialIds();
    std::size_t layer2 = 0;
    for (std::uint32_t x = 0; x < n; ++x)
        for (std::uint32_t y = 0; y < n; ++y)
            layer2 += ids[volume->index(x, y, 2)] == (deposition ? chosen : 0u);
    QCOMPARE(layer2, std::size_t(n * n));
    QCOMPARE(ids[volume->index(1, 1, 3)], 0u);
    QCOMPARE(ids[volume->index(1, 1, 1)], deposition ? 99u : chosen);
    const QString name = deposition ? QStringLiteral("Isotropic Deposition") : QStringLiteral("Isotropic Etching");
    QCOMPARE(workspace.getConsoleInput().getMessage(), name + QStringLiteral(": Operation finished."));
    QVERIFY(!workspace.getCurrentOperation());
    QCOMPARE(workspace.getUndoRedo().undoTopName(), name);
}

void TestDialogs::isotropicObserverRejectWaits()
{
    QWidget window;
    Core::Workspace workspace;
    workspace.setOperationFactory(std::make_shared<DialogFactory>(&workspace, &window));
    auto volume = slab(3, 1, 5);
    const auto before = volume->materialIds();
    workspace.getSelection().select(volume);
    QString title;
    answerNextDialog(nullptr, false, &title);
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
