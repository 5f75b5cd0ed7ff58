#include "Core/TestOperations.h"
#include "GuiTestSupport.h"

#include "Core/Workspace.h"
#include "Model/Automaton/TotalVolume.h"
#include "Model/Document.h"
#include "UI/Console/CommandConsole.h"
#include "UI/MainWindow.h"
#include "UI/MainWindowPresenter.h"

#include <QAbstractButton>
#include <QAction>
#include <QMessageBox>
#include <QtTest>

using namespace TestSupport;

class TestMainWindowPresenter : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup()
    {
        volume.reset();
        factory.reset();
        window.reset();
    }
    void escapeWithNothingRunningOnlyClearsSelection();
    void newDocument_data();
    void newDocument();

private:
    QStringList consoleLines() const { return GuiTestSupport::lines(presenter->getConsole()->outputText()); }
    QAction *action(const char *name) const { return window->findChild<QAction *>(QLatin1String(name)); }
    // A finished fill on a fresh 2x2x2 volume, leaving one undo entry.
    void runFill();
    std::unique_ptr<Ui::MainWindow> window;
    Ui::MainWindowPresenter *presenter = nullptr;
    Core::Workspace *workspace = nullptr;
    std::shared_ptr<TestFactory> factory;
    std::shared_ptr<Model::Automaton::TotalVolume> volume;
};

void TestMainWindowPresenter::init()
{
    window = std::make_unique<Ui::MainWindow>();
    presenter = window->getPresenter();
    workspace = presenter->getWorkspace();
    factory = std::make_shared<TestFactory>(workspace);
    workspace->setOperationFactory(factory);
    volume = makeVolume();
    workspace->getDocument().addObject(volume);
    window->show();
    window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(window.get()));
}

void TestMainWindowPresenter::runFill()
{
    workspace->getSelection().setSelectionMode(true);
    QVERIFY(workspace->getSelection().togglePicked(volume->getObjectId()));
    presenter->operationActivated(QStringLiteral("50"));
    auto fill = std::dynamic_pointer_cast<FillOperation>(workspace->getCurrentOperation());
    QVERIFY(fill);
    fill->setMaterial(7);
    fill->setAmount(1);
    fill->end();
    QCOMPARE(workspace->getUndoRedo().undoCount(), std::size_t(1));
}

void TestMainWindowPresenter::escapeWithNothingRunningOnlyClearsSelection()
{
    runFill();
    auto &selection = workspace->getSelection();
    selection.setSelectionMode(true);
    QVERIFY(selection.togglePicked(volume->getObjectId()));
    const int lines = consoleLines().size();
    QTest::keyClick(window.get(), Qt::Key_Escape);
    QVERIFY(selection.getSelectedObjects().isEmpty());
    QVERIFY(!volume->isSelected());
    QCOMPARE(consoleLines().size(), lines);
    QCOMPARE(workspace->getDocument().getAllObjects().size(), 1);
    QCOMPARE(workspace->getUndoRedo().undoCount(), std::size_t(1));
    QCOMPARE(action("actionUndo")->text(), QStringLiteral("Undo Fill"));
}

void TestMainWindowPresenter::newDocument_data()
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

void TestMainWindowPresenter::newDocument()
{
    QFETCH(bool, changed);
    QFETCH(int, answer);
    QFETCH(QString, expectedText);
    const bool confirm = answer != QMessageBox::Cancel;
    runFill();
    if (!changed)
        workspace->markDocumentSaved();
    QCOMPARE(workspace->isDocumentModified(), changed);
    workspace->getDocument().setFileName(QStringLiteral("wafer.kst"));
    window->setWindowTitle(QStringLiteral("Kestrum  wafer.kst"));
    presenter->operationActivated(QStringLiteral("51")); // left waiting for a volume
    workspace->getSelection().togglePicked(volume->getObjectId());
    QString text;
    GuiTestSupport::whenModal([&](QWidget *modal) {
        auto *box = qobject_cast<QMessageBox *>(modal);
        QVERIFY(box);
        text = box->text();
        box->button(QMessageBox::StandardButton(answer))->click();
    });
    action("actionNew")->trigger();
    QCOMPARE(text, expectedText);
    Model::Document &document = workspace->getDocument();
    if (!confirm) {
        QCOMPARE(document.getAllObjects().size(), 1);
        QCOMPARE(document.getFileName(), QStringLiteral("wafer.kst"));
        QCOMPARE(window->windowTitle(), QStringLiteral("Kestrum  wafer.kst"));
        QCOMPARE(workspace->getUndoRedo().undoCount(), std::size_t(1));
        QVERIFY(workspace->getCurrentOperation());
        QCOMPARE(workspace->getSelection().getSelectedObjects().size(), 1);
        QVERIFY(action("actionUndo")->isEnabled());
        return;
    }
    QVERIFY(document.getAllObjects().isEmpty());
    QCOMPARE(window->windowTitle(), QStringLiteral("Kestrum"));
    QCOMPARE(document.getLayers().size(), 1);
    QVERIFY(document.getFileName().isEmpty());
    QCOMPARE(workspace->getUndoRedo().undoCount(), std::size_t(0));
    QCOMPARE(workspace->getUndoRedo().redoCount(), std::size_t(0));
    QVERIFY(!workspace->getCurrentOperation());
    QCOMPARE(workspace->getConsoleInput().getRequester(), nullptr);
    QVERIFY(workspace->getSelection().getSelectedObjects().isEmpty());
    QVERIFY(workspace->getPickState().getSelectedObjects().isEmpty());
    QCOMPARE(workspace->lastOperationOn(volume->getObjectId()), std::uint32_t(0));
    QVERIFY(!action("actionUndo")->isEnabled());
    QCOMPARE(action("actionUndo")->text(), QStringLiteral("Undo "));
    QVERIFY(!workspace->isDocumentModified());
}

QTEST_MAIN(TestMainWindowPresenter)
#include "tst_mainwindowpresenter.moc"
