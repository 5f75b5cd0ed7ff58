#include "GuiTestSupport.h"

#include "Core/Operations/Substrate/CreateSubstrateOperation.h"
#include "Model/Materials/MaterialFactory.h"
#include "UI/Input/ChangeGridSpacingDialog.h"
#include "UI/MainWindowPresenter.h"
#include "UI/ProcessProgressDisplay.h"

#include <QDoubleSpinBox>
#include <QMenu>
#include <QProgressBar>
#include <QTemporaryDir>
#include <QThread>
#include <QtTest>

using Model::Automaton::TotalVolume;
using Util::Vector3D;

namespace {

// Takes its time: a pause per step, each step reported to the progress sink.
class SlowOperation : public Core::Operations::VolumeProcessOperation
{
public:
    static constexpr int steps = 16;
    explicit SlowOperation(Core::Workspace *ws) : VolumeProcessOperation(ws, QStringLiteral("Slow"), 77, QStringLiteral("Slow"))
    {
        readyState = 2;
    }
    void go() { optionSet(), end(); }

protected:
    void runProcess(TotalVolume &volume) override
    {
        for (int i = 1; i <= steps; ++i) {
            QThread::msleep(80);
            progressSink()->setProgress(i, steps);
        }
        TotalVolume::CellsLock(volume, TotalVolume::CellsLock::Write).writableCells()[0].material = 2;
    }
};

} // namespace

// The window as a newcomer meets it: prompts, dead ends, closing, a new
// document, framing and named views, material defaults and long runs.
class TestFirstHour : public QObject
{
    Q_OBJECT

    std::unique_ptr<Ui::MainWindow> window;
    QTemporaryDir folder;

    QAction *action(const char *name) const { return GuiTestSupport::action(window.get(), QLatin1String(name)); }
    Core::Workspace *workspace() const { return window->getPresenter()->getWorkspace(); }
    std::shared_ptr<TotalVolume> addCoatedBlock(std::uint32_t coat)
    {
        auto volume = GuiTestSupport::volumeOf(12, 10, 12, GuiTestSupport::layeredIds(12, 10, 12, 4, coat));
        workspace()->getDocument().addObject(volume);
        return volume;
    }
    void changeDocument()
    {
        workspace()->getDocument().addObject(TestSupport::makeVolume(2, 2, 2, 1));
        workspace()->getUndoRedo().push(std::make_shared<Core::Operations::CreateSubstrateOperation>(workspace()));
        QVERIFY(workspace()->isDocumentModified());
    }

private slots:
    void initTestCase() { Model::Materials::MaterialFactory::getInstance()->initialise(); }
    void init()
    {
        window = std::make_unique<Ui::MainWindow>();
        window->resize(1000, 700);
        QVERIFY(GuiTestSupport::activate(window.get()));
    }
    void cleanup() { window.reset(); }

    void promptsAndDeadEnds()
    {
        action("actionCVD")->trigger();
        const QString prompt = QStringLiteral("Isotropic Deposition: Select a cell volume and press Enter/Return.");
        QCOMPARE(window->promptText(), prompt);
        const auto waiting = workspace()->getCurrentOperation();
        QVERIFY(waiting);

        // Every action that is not built says so, cannot be triggered and leaves
        // the waiting operation alone; so does an id with no operation at all.
        QList<QAction *> unavailable;
        for (QAction *candidate : window->findChildren<QAction *>())
            if (candidate->statusTip().endsWith(QStringLiteral("is not available in this version.")))
                unavailable << candidate;
        for (QAction *dead : unavailable) {
            QVERIFY2(!dead->isEnabled(), qPrintable(dead->objectName()));
            dead->trigger();
        }
        window->getPresenter()->operationActivated(QStringLiteral("21"));
        QCOMPARE(workspace()->getCurrentOperation(), waiting);
        // Model Extraction is built: enabled, and where a user finds it.
        QAction *extraction = action("actionModel_Extraction");
        QVERIFY(extraction->isEnabled());
        QVERIFY(window->findChild<QMenu *>(QStringLiteral("menuTools"))->actions().contains(extraction));
        QCOMPARE(window->promptText(), prompt);
        window->getPresenter()->cancelPressed();
        QVERIFY(window->promptText().isEmpty());
    }

    void selectionModeEndsWithOperation_data()
    {
        QTest::addColumn<QString>("ending");
        QTest::newRow("Escape while an operation waits") << "escape";
        QTest::newRow("Escape with Select ticked by hand") << "manual";
        QTest::newRow("cancelled by the next operation's rejected dialog") << "rejected";
        QTest::newRow("finished") << "finished";
    }
    void selectionModeEndsWithOperation()
    {
        QFETCH(QString, ending);
        auto volume = addCoatedBlock(2);
        if (ending == QLatin1String("manual")) {
            action("actionSelect")->setChecked(true);
            workspace()->getSelection().togglePicked(volume->getObjectId());
        }
        else
            action("actionCVD")->trigger();
        QVERIFY(action("actionSelect")->isChecked());
        QVERIFY(workspace()->getSelection().isSelectionMode());

        if (ending == QLatin1String("escape") || ending == QLatin1String("manual")) {
            QTest::keyClick(window.get(), Qt::Key_Escape);
        } else if (ending == QLatin1String("rejected")) {
            GuiTestSupport::answerDialog(QStringLiteral("Create Substrate"), nullptr, false);
            action("actionCreate_Substrate")->trigger();
        } else {
            GuiTestSupport::answerDialog(QStringLiteral("Isotropic Film Deposition"), [](QDialog *modal) {
                GuiTestSupport::child<QDoubleSpinBox>(modal, "dblThickness")->setValue(1);
            }, true);
            workspace()->getSelection().togglePicked(volume->getObjectId());
            window->getPresenter()->enterPressed();
            QCOMPARE(workspace()->getUndoRedo().undoCount(), std::size_t(1));
        }
        QVERIFY(!workspace()->getCurrentOperation());
        QCOMPARE(workspace()->getConsoleInput().getRequester(), nullptr);
        QVERIFY(!action("actionSelect")->isChecked());
        QVERIFY(!workspace()->getSelection().isSelectionMode());
        // Nothing else goes: the picked volume is only let go.
        QVERIFY(!volume->isSelected());
        QCOMPARE(workspace()->getDocument().getAllObjects().size(), 1);
    }

    void closeWithUnsavedChanges_data()
    {
        QTest::addColumn<bool>("changed");
        QTest::addColumn<int>("answer");
        QTest::addColumn<QString>("file"); // relative to the test folder
        QTest::addColumn<bool>("closes");
        QTest::newRow("unchanged: no question") << false << int(QMessageBox::NoButton) << "a.kst" << true;
        QTest::newRow("Cancel keeps the window") << true << int(QMessageBox::Cancel) << "a.kst" << false;
        QTest::newRow("Discard closes") << true << int(QMessageBox::Discard) << "a.kst" << true;
        QTest::newRow("Save writes and closes") << true << int(QMessageBox::Save) << "b.kst" << true;
        QTest::newRow("failed save keeps the window") << true << int(QMessageBox::Save) << "none/c.kst" << false;
    }
    void closeWithUnsavedChanges()
    {
        QFETCH(bool, changed);
        QFETCH(int, answer);
        QFETCH(QString, file);
        QFETCH(bool, closes);
        const QString path = folder.filePath(file);
        if (changed)
            changeDocument();
        workspace()->getDocument().setFileName(path);

        const bool saveFails = answer == QMessageBox::Save && !closes;
        QString question, failure;
        if (answer != QMessageBox::NoButton) {
            GuiTestSupport::whenModal<QMessageBox>(QStringLiteral("Kestrum"), [&, saveFails](QMessageBox *box) {
                question = box->text();
                // A failing save reports in a box of its own.
                if (saveFails) {
                    GuiTestSupport::whenModal<QMessageBox>({}, [&](QMessageBox *next) {
                        failure = next->windowTitle();
                        next->accept();
                    });
                }
                box->button(QMessageBox::StandardButton(answer))->click();
            });
        }
        QCOMPARE(window->close(), closes);
        QCOMPARE(question, answer == QMessageBox::NoButton ? QString()
                                                           : QStringLiteral("Save changes to %1?").arg(QFileInfo(path).fileName()));
        QCOMPARE(window->isVisible(), !closes);
        const bool saved = answer == QMessageBox::Save && closes;
        QCOMPARE(QFile::exists(path), saved);
        QCOMPARE(failure.isEmpty(), !saveFails);
        QCOMPARE(workspace()->isDocumentModified(), changed && !saved);
    }

    void newVolumeIsFramed_data()
    {
        QTest::addColumn<QVector<int>>("sizes"); // total x, y, z, substrate height
        QTest::newRow("flat wafer") << QVector<int>{300, 240, 12, 6};
        QTest::newRow("tall pillar") << QVector<int>{16, 16, 200, 200};
    }
    void newVolumeIsFramed()
    {
        QFETCH(QVector<int>, sizes);
        Ui::GLWidget *view = window->getView();
        view->setZoom(0.05); // far off, so framing has to act
        GuiTestSupport::answerDialog(QStringLiteral("Create Substrate"), [&](QDialog *modal) {
            GuiTestSupport::fillSubstrate(modal, sizes[0], sizes[1], sizes[2], sizes[3], 1);
        }, true);
        action("actionCreate_Substrate")->trigger();
        QCOMPARE(workspace()->getDocument().getAllObjects().size(), 1);

        // The box through the view's own projection, in pixels.
        const auto coverage = [view, &sizes] {
            const Ui::ViewCamera &camera = view->viewCamera();
            double lo[2] = {1e300, 1e300}, hi[2] = {-1e300, -1e300};
            for (int corner = 0; corner < 8; ++corner) {
                const Vector3D p = camera.project(Vector3D(corner & 1 ? sizes[0] : 0, corner & 2 ? sizes[1] : 0,
                                                           corner & 4 ? sizes[2] : 0));
                if (p.z < 0.0 || p.z > 1.0)
                    return -1.0; // outside the depth range
                lo[0] = std::min(lo[0], p.x), lo[1] = std::min(lo[1], p.y);
                hi[0] = std::max(hi[0], p.x), hi[1] = std::max(hi[1], p.y);
            }
            const double side = std::min(camera.viewportWidth(), camera.viewportHeight());
            const Vector3D centre = camera.project(Vector3D(sizes[0] / 2.0, sizes[1] / 2.0, sizes[2] / 2.0));
            if (std::abs(centre.x - camera.viewportWidth() / 2.0) > 1 || std::abs(centre.y - camera.viewportHeight() / 2.0) > 1)
                return -2.0; // not centred
            return std::max(hi[0] - lo[0], hi[1] - lo[1]) / side;
        };
        const double first = coverage();
        QVERIFY2(first >= 0.6 && first <= 0.95, qPrintable(QString::number(first)));
        // A 3-D view at once: the top face is seen at an angle, not head on.
        double r[3] = {0, 0, 1};
        view->rotation().rotate(r);
        QVERIFY(r[2] > 0.3 && r[2] < 0.9);

        // Zooming out and back in keeps the scene where it was; Home frames again.
        view->setZoom(view->zoom() * 3);
        QVERIFY(GuiTestSupport::activate(window.get()));
        QTest::keyClick(window.get(), Qt::Key_Home);
        QCOMPARE(coverage(), first);
        // A framed scene stays framed when the window changes size.
        window->resize(600, 900);
        QTRY_COMPARE(view->viewCamera().viewportWidth(), int(600 * view->devicePixelRatioF()));
        const double narrow = coverage();
        QVERIFY2(narrow >= 0.6 && narrow <= 0.95, qPrintable(QString::number(narrow)));
    }

    void etchPreselectsSurfaceMaterial_data()
    {
        QTest::addColumn<std::uint32_t>("coat");
        QTest::addColumn<std::uint32_t>("expected");
        QTest::newRow("block coated with oxide") << 3u << 3u; // not the first catalogue entry
        QTest::newRow("bare silicon") << 0u << 1u;
    }
    void etchPreselectsSurfaceMaterial()
    {
        QFETCH(std::uint32_t, coat);
        QFETCH(std::uint32_t, expected);
        auto volume = addCoatedBlock(coat);
        workspace()->getSelection().select(volume);
        QVariant preselected;
        GuiTestSupport::answerDialog(QStringLiteral("Isotropic Film Etching"), [&](QDialog *modal) {
            preselected = GuiTestSupport::child<QComboBox>(modal, "cbxMaterial")->currentData();
        }, false);
        action("actionIsotropic_Film_Etching")->trigger();
        QCOMPARE(preselected.toUInt(), expected);
    }

    void longRunShowsProgressAndIgnoresInput()
    {
        auto volume = addCoatedBlock(2);
        workspace()->notifyOperationEnded(); // the new volume is framed now, not during the run
        TestSupport::playDialogs<SlowOperation>(*workspace(), [](SlowOperation &operation) { operation.go(); });
        Ui::GLWidget *view = window->getView();
        QProgressBar *bar = window->progressDisplay()->progressBar();
        const Vector3D translation = view->translation();
        const double zoom = view->zoom();

        // Watch the run from the interface thread, and try to disturb it.
        QList<int> values;
        int framesAtStart = -1, framesDuringRun = 0;
        bool waitCursor = false;
        QTimer watch;
        connect(&watch, &QTimer::timeout, [&] {
            if (!Core::Workspace::isBusy())
                return;
            if (framesAtStart < 0)
                framesAtStart = view->framesPainted();
            framesDuringRun = view->framesPainted() - framesAtStart;
            if (bar->isVisible() && (values.isEmpty() || values.last() != bar->value()))
                values << bar->value();
            waitCursor = waitCursor || (QApplication::overrideCursor() && QApplication::overrideCursor()->shape() == Qt::WaitCursor);
            view->update();
            QTest::mouseClick(view, Qt::LeftButton, Qt::NoModifier, view->rect().center());
            QTest::keyClick(window.get(), Qt::Key_Q);
            QTest::keyClick(window.get(), Qt::Key_Escape);
        });
        watch.start(60);
        workspace()->getSelection().select(volume);
        window->getPresenter()->operationActivated(QStringLiteral("77"));
        watch.stop();

        QVERIFY2(values.size() >= 2, qPrintable(QString::number(values.size())));
        QVERIFY(framesDuringRun >= 2);
        QVERIFY(waitCursor);
        QVERIFY(!bar->isVisible());
        QVERIFY(!QApplication::overrideCursor());
        // Nothing typed or clicked meanwhile acted, and the run finished.
        QCOMPARE(view->translation().x, translation.x);
        QCOMPARE(view->zoom(), zoom);
        QVERIFY(!workspace()->getSelection().isSelectionMode());
        QCOMPARE(workspace()->getUndoRedo().undoCount(), std::size_t(1));
        QCOMPARE(volume->materialIds()[0], 2u);
    }

    void gridSpacingZeroIsRefused()
    {
        // 0 gets a message and the dialog stays; a real spacing then goes through.
        QString message;
        const QString title = QStringLiteral("Set Grid Spacing");
        GuiTestSupport::whenModal<Ui::Input::ChangeGridSpacingDialog>(title, [&](QDialog *dialog) {
            GuiTestSupport::child<QDoubleSpinBox>(dialog, "dblSpacing")->setValue(0);
            // The warning carries the dialog's title: it is told apart as a message box.
            GuiTestSupport::whenModal<QMessageBox>(title, [&, dialog](QMessageBox *box) {
                message = box->text();
                box->accept();
                QVERIFY(dialog->isVisible());
                GuiTestSupport::child<QDoubleSpinBox>(dialog, "dblSpacing")->setValue(4);
                dialog->accept();
            });
            dialog->accept();
        });
        action("actionGrid_Spacing")->trigger();
        QCOMPARE(message, QStringLiteral("The grid spacing must be greater than 0."));
        QCOMPARE(window->getView()->gridSpacing(), 4.0);
    }

    void newDocument_data()
    {
        // A changed document is asked about saving instead of erasing.
        QTest::addColumn<bool>("changed");
        QTest::addColumn<int>("answer");
        QTest::addColumn<QString>("expectedText");
        const QString erase = QStringLiteral("This will erase all data. Continue?");
        const QString save = QStringLiteral("Save changes to wafer.kst?");
        QTest::newRow("unchanged: Cancel keeps everything") << false << int(QMessageBox::Cancel) << erase;
        QTest::newRow("unchanged: Ok empties everything") << false << int(QMessageBox::Ok) << erase;
        QTest::newRow("changed: Cancel keeps everything") << true << int(QMessageBox::Cancel) << save;
        QTest::newRow("changed: Discard empties everything") << true << int(QMessageBox::Discard) << save;
    }
    void newDocument()
    {
        QFETCH(bool, changed);
        QFETCH(int, answer);
        QFETCH(QString, expectedText);
        changeDocument();
        if (!changed)
            workspace()->markDocumentSaved();
        QCOMPARE(workspace()->isDocumentModified(), changed);
        Model::Document &document = workspace()->getDocument();
        document.setFileName(QStringLiteral("wafer.kst"));
        action("actionCVD")->trigger(); // left waiting for a volume
        workspace()->getSelection().togglePicked(document.getAllObjects().first()->getObjectId());
        QString text;
        GuiTestSupport::answerBox(&text, QMessageBox::StandardButton(answer));
        action("actionNew")->trigger();
        QCOMPARE(text, expectedText);
        if (answer == QMessageBox::Cancel) {
            QCOMPARE(document.getAllObjects().size(), 1);
            QCOMPARE(document.getFileName(), QStringLiteral("wafer.kst"));
            QCOMPARE(workspace()->getUndoRedo().undoCount(), std::size_t(1));
            QVERIFY(workspace()->getCurrentOperation());
            return;
        }
        QVERIFY(document.getAllObjects().isEmpty());
        QCOMPARE(window->windowTitle(), QStringLiteral("Kestrum"));
        QVERIFY(document.getFileName().isEmpty());
        QCOMPARE(workspace()->getUndoRedo().undoCount(), std::size_t(0));
        QVERIFY(!workspace()->getCurrentOperation());
        QCOMPARE(workspace()->getConsoleInput().getRequester(), nullptr);
        QVERIFY(workspace()->getSelection().getSelectedObjects().isEmpty());
        QVERIFY(workspace()->getPickState().getSelectedObjects().isEmpty());
        QCOMPARE(action("actionUndo")->text(), QStringLiteral("Undo "));
        QVERIFY(!workspace()->isDocumentModified());
    }

    void saveImageFailureIsReported()
    {
        const QString before = Ui::MainWindow::imageFolder();
        const QString missing = folder.filePath(QStringLiteral("no/such/folder/view.png"));
        QString boxText;
        GuiTestSupport::answerBox(&boxText, QMessageBox::Ok, QStringLiteral("Save Screen Image"));
        QVERIFY(!window->saveImage(missing));
        QVERIFY(boxText.contains(QDir::toNativeSeparators(missing)));
        QVERIFY(!QFileInfo::exists(missing));
        QCOMPARE(Ui::MainWindow::imageFolder(), before);
    }

    void namedViews_data()
    {
        // Eye space: x right, y up, z towards the viewer.
        QTest::addColumn<QString>("name");
        QTest::addColumn<Vector3D>("world");
        QTest::addColumn<Vector3D>("eye");
        QTest::newRow("front: z is up") << "actionFront_View" << Vector3D(0, 0, 1) << Vector3D(0, 1, 0);
        QTest::newRow("front: y goes away") << "actionFront_View" << Vector3D(0, 1, 0) << Vector3D(0, 0, -1);
        QTest::newRow("back: y faces the viewer") << "actionBack_view" << Vector3D(0, 1, 0) << Vector3D(0, 0, 1);
        QTest::newRow("left: x goes away") << "actionLeft_View" << Vector3D(1, 0, 0) << Vector3D(0, 0, -1);
        QTest::newRow("right: x faces the viewer") << "actionRight_View" << Vector3D(1, 0, 0) << Vector3D(0, 0, 1);
        QTest::newRow("top: x stays right") << "actionTop_View" << Vector3D(1, 0, 0) << Vector3D(1, 0, 0);
        QTest::newRow("bottom: z goes away") << "actionBottom_View" << Vector3D(0, 0, 1) << Vector3D(0, 0, -1);
    }
    void namedViews()
    {
        QFETCH(QString, name);
        QFETCH(Vector3D, world);
        QFETCH(Vector3D, eye);
        const auto turned = [this](const Vector3D &v) {
            double r[3] = {v.x, v.y, v.z};
            window->getView()->rotation().rotate(r);
            return Vector3D(r[0], r[1], r[2]);
        };
        window->getView()->setViewAngle(13, 17, 19); // an angle no named view uses
        GuiTestSupport::action(window.get(), name)->trigger();
        const Vector3D r = turned(world);
        QVERIFY(std::abs(r.x - eye.x) < 1e-12 && std::abs(r.y - eye.y) < 1e-12 && std::abs(r.z - eye.z) < 1e-12);
        window->setView(QStringLiteral("sideways")); // any other text leaves the view alone
        QCOMPARE(turned(world), r);
    }
};

QTEST_MAIN(TestFirstHour)
#include "tst_firsthour.moc"
