#include "UI/GuiTestSupport.h"

#include "Core/Operations/Substrate/CreateSubstrateOperation.h"
#include "Core/Operations/Document/OpenDocumentOperation.h"
#include "Model/Document.h"
#include "Model/Materials/MaterialFactory.h"
#include "Model/TempHome.h"
#include "UI/MainWindowPresenter.h"
#include "UI/Observers/DocumentOpenedObserver.h"

#include <QtTest>

using Core::Operations::OpenDocumentOperation;
using Model::Automaton::TotalVolume;

namespace {

// What the user saw: the file chooser and a box that came up after it.
struct Seen
{
    bool chooserShown = false, saving = false, boxShown = false;
    QString folder, boxTitle, boxText;
};

// Answers the next file chooser with `fileName`; a box that comes up after
// it is recorded and closed.
std::shared_ptr<Seen> answerChooser(QObject *scope, const QString &fileName)
{
    auto seen = std::make_shared<Seen>();
    const GuiTestSupport::Watch watch{scope};
    GuiTestSupport::whenModal<QFileDialog>({}, [=](QFileDialog *dialog) {
        seen->chooserShown = true;
        seen->folder = dialog->directory().absolutePath();
        seen->saving = dialog->acceptMode() == QFileDialog::AcceptSave;
        GuiTestSupport::whenModal<QMessageBox>({}, [seen](QMessageBox *box) {
            seen->boxShown = true;
            seen->boxTitle = box->windowTitle();
            seen->boxText = box->text();
            box->close();
        }, GuiTestSupport::Watch{scope, true});
        GuiTestSupport::typeFileName(dialog, fileName);
    }, watch);
    return seen;
}

std::shared_ptr<TotalVolume> volume(std::uint32_t nx, const std::vector<std::uint32_t> &cells)
{
    return std::make_shared<TotalVolume>(nx, 1, 1, 1.f, 1.f, 1.f, Util::Vector3D(double(nx), 0, 0), cells);
}

Ui::MainWindow *openedWindow()
{
    auto observer = std::dynamic_pointer_cast<Ui::Observers::DocumentOpenedObserver>(
        OpenDocumentOperation::getDocumentOpenedObserver());
    return observer ? observer->getOpenedWindow() : nullptr;
}

} // namespace

class TestDocumentObservers : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup()
    {
        scope.reset();
        qDeleteAll(otherWindows());
        window.reset();
    }
    void saveAsThenFailedSaveKeepsFile();
    void openShowsDocumentInNewWindow();
    void openNotADocument();

private:
    QAction *action(const QString &name) const { return GuiTestSupport::action(window.get(), name); }
    // Runs the action to its end; every dialog it brings up has been answered
    // by then, so the watches still waiting are dropped.
    void trigger(const QString &actionName)
    {
        action(actionName)->trigger();
        scope = std::make_unique<QObject>();
    }
    Core::Workspace *workspace() const { return window->getPresenter()->getWorkspace(); }
    QList<Ui::MainWindow *> otherWindows() const;
    QTemporaryDir folder;
    std::unique_ptr<Ui::MainWindow> window;
    // Owns the dialog watches of one case.
    std::unique_ptr<QObject> scope;
};

void TestDocumentObservers::initTestCase()
{
    QVERIFY(folder.isValid());
    Model::Materials::MaterialFactory::getInstance()->initialise();
}

void TestDocumentObservers::init()
{
    OpenDocumentOperation::forgetRemembered();
    scope = std::make_unique<QObject>();
    window = std::make_unique<Ui::MainWindow>();
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
}

QList<Ui::MainWindow *> TestDocumentObservers::otherWindows() const
{
    QList<Ui::MainWindow *> result;
    for (QWidget *widget : QApplication::topLevelWidgets()) {
        auto *mainWindow = qobject_cast<Ui::MainWindow *>(widget);
        if (mainWindow && mainWindow != window.get())
            result << mainWindow;
    }
    return result;
}

void TestDocumentObservers::saveAsThenFailedSaveKeepsFile()
{
    const QString good = folder.filePath(QStringLiteral("keep.kst"));
    const QString bad = folder.filePath(QStringLiteral("no-such-folder/keep.kst"));
    workspace()->getDocument().addObject(volume(2, { 1, 0 }));
    workspace()->getUndoRedo().push(std::make_shared<Core::Operations::CreateSubstrateOperation>(workspace()));
    const auto seen = answerChooser(scope.get(), folder.filePath(QStringLiteral("keep"))); // extension added
    trigger(QStringLiteral("actionSave_as"));
    QVERIFY(seen->chooserShown && seen->saving);
    QCOMPARE(seen->folder, QDir(QDir::homePath()).absolutePath());
    const QByteArray saved = GuiTestSupport::readFile(good);
    QVERIFY(saved.contains("<State>1 0 </State>"));
    // Saving is no step of the model: the stacks stay as they were.
    QCOMPARE(workspace()->getUndoRedo().undoCount(), std::size_t(1));
    QCOMPARE(workspace()->getUndoRedo().redoCount(), std::size_t(0));
    workspace()->getDocument().addObject(volume(1, { 3 }));
    const auto failed = answerChooser(scope.get(), bad);
    trigger(QStringLiteral("actionSave_as"));
    QCOMPARE(failed->boxTitle, QStringLiteral("Error writing to file"));
    QCOMPARE(failed->boxText, QStringLiteral("Unable to save document to the specified file."));
    QCOMPARE(GuiTestSupport::readFile(good), saved);
    QVERIFY(!QFile::exists(bad));
    QCOMPARE(workspace()->getDocument().getFileName(), good);
    QVERIFY(!workspace()->getCurrentOperation());
}

void TestDocumentObservers::openShowsDocumentInNewWindow()
{
    const QString file = folder.filePath(QStringLiteral("twice.kst"));
    const auto block = volume(3, {1, 0, 4}), bar = volume(2, {3, 3});
    workspace()->getDocument().addObject(block);
    workspace()->getDocument().addObject(bar);
    answerChooser(scope.get(), file);
    trigger(QStringLiteral("actionSave"));
    QVERIFY(QFile::exists(file));
    // The same file twice: two windows with the same volumes.
    QList<Ui::MainWindow *> opened;
    for (int round = 0; round < 2; ++round) {
        const auto openSeen = answerChooser(scope.get(), file);
        trigger(QStringLiteral("actionOpen"));
        QVERIFY(openSeen->chooserShown && !openSeen->saving);
        // The first chooser starts where the document was just saved, the next at the file opened last.
        QCOMPARE(openSeen->folder, folder.path());
        QTest::qWait(50);
        QVERIFY(!openSeen->boxShown);
        Ui::MainWindow *newWindow = openedWindow();
        QVERIFY(newWindow && newWindow != window.get() && !opened.contains(newWindow) && newWindow->isVisible());
        opened << newWindow;
        QCOMPARE(newWindow->getPresenter()->getDocument()->getFileName(), file);
        const auto objects = newWindow->getPresenter()->getDocument()->getAllObjects();
        QCOMPARE(objects.size(), 2);
        auto first = std::dynamic_pointer_cast<TotalVolume>(objects[0]);
        auto second = std::dynamic_pointer_cast<TotalVolume>(objects[1]);
        QVERIFY(first && second && first->materialIds() == block->materialIds() && second->materialIds() == bar->materialIds());
        QCOMPARE(newWindow->getPresenter()->getWorkspace()->getUndoRedo().undoCount(), std::size_t(0));
    }
    QCOMPARE(otherWindows().size(), 2);
    // A window opened from a file saves to that file.
    Ui::MainWindow *second = opened.last();
    second->getPresenter()->getDocument()->addObject(volume(1, { 1 }));
    second->getPresenter()->operationActivated(QStringLiteral("9"));
    QCOMPARE(GuiTestSupport::readFile(file).count("<Object "), 3);
    // Closing an opened window frees it.
    QPointer<Ui::MainWindow> closing = opened.first();
    closing->close();
    QTRY_VERIFY(!closing);
}

void TestDocumentObservers::openNotADocument()
{
    const QByteArray data("<?xml version=\"1.0\"?><ProcessList><Header version=\"1\"/></ProcessList>");
    const QString file = folder.filePath(QStringLiteral("processes.kst"));
    QVERIFY(TestFiles::write(file, data));
    const auto seen = answerChooser(scope.get(), file);
    trigger(QStringLiteral("actionOpen"));
    QCOMPARE(seen->boxTitle, QStringLiteral("Error reading from file"));
    QVERIFY(seen->boxText.contains(QStringLiteral("not a Kestrum document")));
    Ui::MainWindow *newWindow = openedWindow();
    QVERIFY(newWindow && newWindow->isVisible());
    QCOMPARE(newWindow->getPresenter()->getDocument()->getAllObjects().size(), 0);
    QVERIFY(newWindow->getPresenter()->getDocument()->getFileName().isEmpty());
    QCOMPARE(GuiTestSupport::readFile(file), data);
    QVERIFY(!workspace()->getCurrentOperation());
}

QTEST_MAIN(TestDocumentObservers)
#include "tst_documentobservers.moc"
