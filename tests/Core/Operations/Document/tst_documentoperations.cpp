#include "Core/ProcessTable.h"
#include "Core/TestOperations.h"
#include "Model/TempHome.h"

#include "Core/Operations/Document/IDocumentInteraction.h"
#include "Core/Operations/Document/SaveDocumentAsOperation.h"
#include "Core/Operations/Document/SaveDocumentOperation.h"
#include "Model/Materials/MaterialFactory.h"

#include <QtTest>

using Core::Operations::SaveDocumentAsOperation;
using Core::Operations::SaveDocumentOperation;
using namespace TestSupport;

namespace {

// Plays the user at the file chooser and the error box.
class ScriptedUser : public Util::IObserver, public Core::Operations::IDocumentInteraction
{
public:
    QString chooseFile(const FileRequest &) override
    {
        ++asked;
        return answers.isEmpty() ? QString() : answers.takeFirst();
    }
    void reportError(const QString &title, const QString &text, const QString &detail) override
    {
        errors << QStringList{title, text, detail};
    }
    void notify() override { ++notified; }
    QStringList answers;
    QList<QStringList> errors;
    int asked = 0;
    int notified = 0;
};

// Installs Save and Save As, each given a new scripted user.
std::shared_ptr<ScriptedUser> scriptedUser(Core::Workspace &workspace)
{
    auto user = std::make_shared<ScriptedUser>();
    using Core::Operations::Operation;
    workspace.setOperationFactory(std::make_shared<DialogFactory<Operation>>(
        &workspace, [&workspace, user](std::uint32_t id) -> std::shared_ptr<Operation> {
            std::shared_ptr<Operation> operation;
            if (id == Core::ProcessTable::menuId(Core::ProcessKey::Save))
                operation = std::make_shared<SaveDocumentOperation>(&workspace);
            else
                operation = std::make_shared<SaveDocumentAsOperation>(&workspace);
            operation->setObserver(user);
            return operation;
        }));
    return user;
}

} // namespace

class TestDocumentOperations : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { Model::Materials::MaterialFactory::getInstance()->initialise(); }
    void save_data();
    void save();
};

void TestDocumentOperations::save_data()
{
    QTest::addColumn<std::uint32_t>("id");
    QTest::addColumn<bool>("named"); // the document already has a file
    QTest::addColumn<bool>("answer"); // the user gives a name at the chooser
    QTest::addColumn<int>("asked");
    QTest::addColumn<bool>("written"); // ...to the chosen file (or the document's own)
    QTest::newRow("Save, new document") << std::uint32_t(9) << false << true << 1 << true;
    QTest::newRow("Save, named document") << std::uint32_t(9) << true << false << 0 << true;
    QTest::newRow("Save, chooser closed") << std::uint32_t(9) << false << false << 1 << false;
    QTest::newRow("Save As, named document") << std::uint32_t(10) << true << true << 1 << true;
    QTest::newRow("Save As, chooser closed") << std::uint32_t(10) << true << false << 1 << false;
}

// Plain operations: they end, leave the stacks alone and cancel silently.
void TestDocumentOperations::save()
{
    QFETCH(std::uint32_t, id);
    QFETCH(bool, named);
    QFETCH(bool, answer);
    QFETCH(int, asked);
    QFETCH(bool, written);
    QTemporaryDir here;
    const QString own = here.filePath(QStringLiteral("own.kst"));
    const QString chosen = here.filePath(QStringLiteral("chosen.kst"));
    Core::Workspace workspace(here.path());
    auto user = scriptedUser(workspace);
    auto console = logMessages(workspace);
    auto ended = std::make_shared<CallbackObserver>(nullptr);
    workspace.addOperationEndedObserver(ended);
    workspace.getDocument().addObject(makeVolume(2, 1, 1, 1));
    if (named)
        workspace.getDocument().setFileName(own);
    if (answer)
        user->answers << chosen;

    workspace.activate(id);

    QCOMPARE(user->asked, asked);
    QCOMPARE(QFile::exists(chosen), answer && written);
    QCOMPARE(QFile::exists(own), named && !answer && written);
    const QString expectedFile = answer ? chosen : named ? own : QString();
    QCOMPARE(workspace.getDocument().getFileName(), expectedFile);
    QCOMPARE(user->notified, written ? 1 : 0);
    if (written)
        QVERIFY(TestFiles::read(expectedFile).contains("<State>1 1 </State>"));
    QVERIFY(!workspace.getCurrentOperation());
    QCOMPARE(workspace.getUndoRedo().undoCount(), std::size_t(0));
    QVERIFY(user->errors.isEmpty());
    QVERIFY(console->lines.isEmpty());
    QCOMPARE(ended->count, 1);
}

QTEST_GUILESS_MAIN(TestDocumentOperations)
#include "tst_documentoperations.moc"
