#include "../Core/TestOperations.h"
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
#include <QScreen>
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
    void consoleWindow();
    void keysReachTheWaitingOperation_data();
    void keysReachTheWaitingOperation();
    void escapeWithNothingRunningOnlyClearsSelection();
    void undoRedoFollowTheStacks();
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

void TestMainWindowPresenter::consoleWindow()
{
    // A tool window near the bottom-right corner, shown and hidden by its action.
    Ui::Console::CommandConsole *console = presenter->getConsole();
    QVERIFY(console->isVisible());
    QCOMPARE(console->windowType(), Qt::Tool);
    QCOMPARE(console->parentWidget(), window.get());
    const QRect available = window->screen()->availableGeometry();
    QCOMPARE(console->pos(), QPoint(available.left() + int(0.9 * (available.width() - console->width())),
                                    available.top() + int(0.9 * (available.height() - console->height()))));
    QAction *consoleAction = action("actionConsole");
    consoleAction->trigger();
    QVERIFY(!console->isVisible());
    consoleAction->trigger();
    QVERIFY(console->isVisible());
    console->close(); // from its title bar
    QVERIFY(!consoleAction->isChecked());
}

void TestMainWindowPresenter::keysReachTheWaitingOperation_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("modifiers");
    QTest::newRow("Return") << int(Qt::Key_Return) << int(Qt::NoModifier);
    QTest::newRow("keypad Enter") << int(Qt::Key_Enter) << int(Qt::KeypadModifier);
}

void TestMainWindowPresenter::keysReachTheWaitingOperation()
{
    QFETCH(int, key);
    QFETCH(int, modifiers);
    presenter->operationActivated(QStringLiteral("50"));
    QVERIFY(workspace->getSelection().isSelectionMode());
    QVERIFY(action("actionSelect")->isChecked());

    // Nothing picked yet: the prompt comes again.
    QTest::keyClick(window.get(), Qt::Key(key), Qt::KeyboardModifiers(modifiers));
    const QString prompt = QStringLiteral("Fill: Select a cell volume and press Enter/Return.");
    QCOMPARE(consoleLines(), QStringList({prompt, prompt}));

    // With the volume picked, the key takes it.
    QVERIFY(workspace->getSelection().togglePicked(volume->getObjectId()));
    QTest::keyClick(window.get(), Qt::Key(key), Qt::KeyboardModifiers(modifiers));
    QCOMPARE(consoleLines(), QStringList({prompt, prompt, QStringLiteral("Fill: Cell volume selected.")}));
    auto fill = std::dynamic_pointer_cast<FillOperation>(workspace->getCurrentOperation());
    QVERIFY(fill);
    QCOMPARE(fill->getVolume(), volume);
    QVERIFY(!action("actionSelect")->isChecked());
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

void TestMainWindowPresenter::undoRedoFollowTheStacks()
{
    QAction *undo = action("actionUndo");
    QAction *redo = action("actionRedo");
    QVERIFY(!undo->isEnabled());
    QVERIFY(!redo->isEnabled());

    runFill();
    const auto filled = volume->materialIds();
    QCOMPARE(filled, std::vector<std::uint32_t>(8, 7));
    QCOMPARE(undo->text(), QStringLiteral("Undo Fill"));
    QVERIFY(undo->isEnabled());
    QCOMPARE(redo->text(), QStringLiteral("Redo "));
    QVERIFY(!redo->isEnabled());

    // Setting the form's texts again keeps the operation name.
    QEvent languageChange(QEvent::LanguageChange);
    QApplication::sendEvent(window.get(), &languageChange);
    QCOMPARE(undo->text(), QStringLiteral("Undo Fill"));
    QVERIFY(undo->isEnabled());

    undo->trigger();
    QCOMPARE(volume->materialIds(), std::vector<std::uint32_t>(8, 0));
    QCOMPARE(undo->text(), QStringLiteral("Undo "));
    QVERIFY(!undo->isEnabled());
    QCOMPARE(redo->text(), QStringLiteral("Redo Fill"));
    QVERIFY(redo->isEnabled());

    redo->trigger();
    QCOMPARE(volume->materialIds(), filled);
    QCOMPARE(undo->text(), QStringLiteral("Undo Fill"));
    QVERIFY(!redo->isEnabled());
}

void TestMainWindowPresenter::newDocument_data()
{
    QTest::addColumn<bool>("confirm");
    QTest::newRow("Cancel keeps everything") << false;
    QTest::newRow("Ok empties everything") << true;
}

void TestMainWindowPresenter::newDocument()
{
    QFETCH(bool, confirm);
    runFill();
    workspace->getDocument().setFileName(QStringLiteral("wafer.kst"));
    window->setWindowTitle(QStringLiteral("Kestrum  wafer.kst"));
    presenter->operationActivated(QStringLiteral("51")); // left waiting for a volume
    workspace->getSelection().togglePicked(volume->getObjectId());

    QString title, text;
    GuiTestSupport::whenModal([&](QWidget *modal) {
        auto *box = qobject_cast<QMessageBox *>(modal);
        QVERIFY(box);
        title = box->windowTitle();
        text = box->text();
        box->button(confirm ? QMessageBox::Ok : QMessageBox::Cancel)->click();
    });
    action("actionNew")->trigger();
    QCOMPARE(title, QStringLiteral("Create new document"));
    QCOMPARE(text, QStringLiteral("This will erase all data. Continue?"));

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
}

QTEST_MAIN(TestMainWindowPresenter)
#include "tst_mainwindowpresenter.moc"
