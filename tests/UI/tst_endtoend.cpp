#include "GuiTestSupport.h"

#include "Core/Operations/Lifecycle/ProcessEffect.h"
#include "Model/Document.h"
#include "UI/Console/CommandConsole.h"
#include "UI/MainWindowPresenter.h"
#include "Util/ColorSettings.h"

#include <QComboBox>
#include <QDialog>
#include <QDoubleSpinBox>
#include <QSpinBox>
#include <QStatusBar>
#include <QtTest>

#include <functional>
#include <numeric>


using Model::Automaton::TotalVolume;

namespace {

constexpr std::uint32_t nx = 40, ny = 30, nz = 20;
constexpr std::uint32_t substrateHeight = 8;
constexpr std::uint32_t film = 5;

// Silicon below the substrate top, oxide in the film, empty above.
std::vector<std::uint32_t> layered(std::uint32_t filmCells)
{
    return GuiTestSupport::layeredIds(nx, ny, nz, substrateHeight, filmCells);
}

} // namespace

// The whole program path: menu, options dialogs, a click in the GL view,
// Return, the process run, console, undo/redo and a saved image.
class TestEndToEnd : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup() { window.reset(); }
    void createCoatUndoRedoAndSave();

private:
    QAction *action(const char *name) const { return GuiTestSupport::action(window.get(), QLatin1String(name)); }
    QStringList consoleLines() const { return GuiTestSupport::lines(window->getPresenter()->getConsole()->outputText()); }
    std::unique_ptr<Ui::MainWindow> window;
};

void TestEndToEnd::init()
{
    Util::ColorSettings::reset();
    window = std::make_unique<Ui::MainWindow>();
    window->resize(1000, 750);
    QVERIFY(GuiTestSupport::activate(window.get()));
}

void TestEndToEnd::createCoatUndoRedoAndSave()
{
    Core::Workspace *workspace = window->getPresenter()->getWorkspace();
    Ui::GLWidget *view = window->getView();
    // Create Substrate: a silicon block filling the lower part of the volume.
    bool substrateDialogSeen = false;
    GuiTestSupport::answerDialog(QStringLiteral("Create Substrate"), [&](QDialog *modal) {
        substrateDialogSeen = true;
        GuiTestSupport::fillSubstrate(modal, nx, ny, nz, substrateHeight, 1);
    }, true);
    action("actionCreate_Substrate")->trigger();
    QVERIFY(substrateDialogSeen);
    const auto objects = workspace->getDocument().getAllObjects();
    QCOMPARE(objects.size(), 1);
    auto volume = std::dynamic_pointer_cast<TotalVolume>(objects.first());
    QVERIFY(volume);
    QCOMPARE(volume->materialIds(), layered(0));
    // CVD asks for a volume and turns selection mode on.
    action("actionCVD")->trigger();
    QVERIFY(workspace->getSelection().isSelectionMode());
    QVERIFY(action("actionSelect")->isChecked());
    // Pick the volume with a real click through the view's selection pass,
    // then Return: the volume is taken and the options dialog opens.
    QString dialogTitle;
    GuiTestSupport::whenModal<QDialog>(QStringLiteral("Isotropic Film Deposition"), [&](QDialog *modal) {
        dialogTitle = modal->windowTitle();
        GuiTestSupport::child<QDoubleSpinBox>(modal, "dblThickness")->setValue(film);
        auto *material = GuiTestSupport::child<QComboBox>(modal, "cbxMaterial");
        const int oxide = material->findText(QStringLiteral("Thermal Si02"));
        QVERIFY(oxide >= 0);
        material->setCurrentIndex(oxide);
        static_cast<QDialog *>(modal)->accept();
    });
    const Util::Vector3D onTopPoint(nx / 2.0, ny / 2.0, double(nz));
    GuiTestSupport::pickAndReturn(*window, *volume, onTopPoint);
    QCOMPARE(dialogTitle, QStringLiteral("Isotropic Film Deposition"));
    const std::vector<std::uint32_t> coated = layered(film);
    QCOMPARE(volume->materialIds(), coated);
    const std::vector<std::uint32_t> bare = layered(0);
    const auto added = std::inner_product(bare.begin(), bare.end(), coated.begin(), 0, std::plus<>(),
                                          std::not_equal_to<>());
    QVERIFY(!volume->isSelected());
    QVERIFY(!workspace->getSelection().isSelectionMode());
    QCOMPARE(consoleLines(), QStringList({
                                 QStringLiteral("Create Substrate: substrate created successfully."),
                                 QStringLiteral("Isotropic Deposition: Select a cell volume and press Enter/Return."),
                                 QStringLiteral("Isotropic Deposition: Cell volume selected."),
                                 QStringLiteral("Isotropic Deposition: Operation finished: %1 cells changed (Thermal "
                                                "Si02 +%1), thickness 5 \u00b5m.")
                                     .arg(Core::Operations::ProcessEffect::number(std::uint64_t(added))),
                             }));
    QCOMPARE(action("actionUndo")->text(), QStringLiteral("Undo Isotropic Deposition"));
    QVERIFY(action("actionUndo")->isEnabled());
    QVERIFY(!action("actionRedo")->isEnabled());
    // Undo takes the film away, redo puts it back.
    action("actionUndo")->trigger();
    QCOMPARE(volume->materialIds(), layered(0));
    QCOMPARE(action("actionUndo")->text(), QStringLiteral("Undo Create Substrate"));
    QCOMPARE(action("actionRedo")->text(), QStringLiteral("Redo Isotropic Deposition"));
    action("actionRedo")->trigger();
    QCOMPARE(volume->materialIds(), coated);
    QCOMPARE(action("actionUndo")->text(), QStringLiteral("Undo Isotropic Deposition"));
    // The saved image shows the volume over the background.
    const QString path = QDir::current().absoluteFilePath(QStringLiteral("coated.png"));
    QVERIFY(window->saveImage(path));
    QImage image(path);
    QVERIFY(!image.isNull());
    QCOMPARE(image.size(), view->size() * view->devicePixelRatioF());
    const double ratio = view->devicePixelRatioF();
    const QColor background = image.pixelColor(2, 2);
    const Util::Vector4D expected = Util::ColorSettings::color(3, Util::ColorSettings::colorScheme());
    QCOMPARE(background, QColor(int(expected.x * 255), int(expected.y * 255), int(expected.z * 255)));
    const QColor onVolume = image.pixelColor(GuiTestSupport::pixelOf(view, onTopPoint) * ratio);
    QVERIFY2(onVolume != background, "the volume is not drawn");
    // Lit oxide is bluish: blue dominates red and green.
    QVERIFY2(onVolume.blue() > onVolume.red() && onVolume.blue() > onVolume.green(),
             qPrintable(onVolume.name()));

    // Spin coating below the top of the film fills nothing: the console and
    // the status bar warn, and the undo stack stays as it was.
    action("actionSpin_Coating")->trigger();
    GuiTestSupport::answerDialog(QStringLiteral("Spin Coating Options"), [](QDialog *modal) {
        GuiTestSupport::child<QSpinBox>(modal, "sbxHeight")->setValue(3);
    }, true);
    GuiTestSupport::pickAndReturn(*window, *volume, onTopPoint);
    const QString idle = QStringLiteral("Spin Coating: Operation finished: changed nothing \u2014 the height 3 \u00b5m lies "
                                        "below the surface (top at 13 \u00b5m above the volume's bottom).");
    QCOMPARE(consoleLines().last(), idle);
    QCOMPARE(window->statusBar()->currentMessage(), idle);
    QCOMPARE(volume->materialIds(), coated);
    QCOMPARE(action("actionUndo")->text(), QStringLiteral("Undo Isotropic Deposition"));
}

QTEST_MAIN(TestEndToEnd)
#include "tst_endtoend.moc"
