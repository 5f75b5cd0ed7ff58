#include "../TestOperations.h"

#include "Core/Operations/IDocumentInteraction.h"
#include "Core/Operations/OpenDocumentOperation.h"
#include "Core/Operations/SaveDocumentAsOperation.h"
#include "Core/Operations/SaveDocumentOperation.h"
#include "Model/Automaton/TotalVolume.h"
#include "Model/Materials/MaterialFactory.h"
#include "Model/Persistence/DocumentReader.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>


using Core::Operations::IDocumentInteraction;
using Core::Operations::OpenDocumentOperation;
using Core::Operations::SaveDocumentAsOperation;
using Core::Operations::SaveDocumentOperation;
using Model::Automaton::TotalVolume;
using namespace TestSupport;

namespace {

// Plays the user at the file chooser and the error box, and stands in for
// the window side of the document observers.
class ScriptedUser : public Util::IObserver, public IDocumentInteraction
{
public:
    QString chooseFile(const FileRequest &request) override
    {
        requests << request;
        return answers.isEmpty() ? QString() : answers.takeFirst();
    }
    void reportError(const QString &title, const QString &text, const QString &detail) override
    {
        errors << QStringList { title, text, detail };
    }
    void notify() override { ++notified; }

    QStringList answers;
    QList<FileRequest> requests;
    QList<QStringList> errors;
    int notified = 0;
};

// The operations of this test by id, each given the scripted user.
class DocumentFactory : public Core::Operations::IOperationFactory
{
public:
    DocumentFactory(Core::Workspace *ws, std::shared_ptr<ScriptedUser> u)
        : workspace(ws)
        , user(std::move(u))
    {
    }
    std::shared_ptr<Core::Operations::Operation> createOperation(std::uint32_t id) override
    {
        std::shared_ptr<Core::Operations::Operation> operation;
        if (id == SaveDocumentOperation::operationId)
            operation = std::make_shared<SaveDocumentOperation>(workspace);
        else if (id == SaveDocumentAsOperation::operationId)
            operation = std::make_shared<SaveDocumentAsOperation>(workspace);
        else if (id == OpenDocumentOperation::operationId) {
            if (installOpenObserver)
                OpenDocumentOperation::setDocumentOpenedObserver(user);
            return std::make_shared<OpenDocumentOperation>(workspace);
        }
        if (operation)
            operation->setObserver(user);
        return operation;
    }
    bool installOpenObserver = true;

private:
    Core::Workspace *workspace;
    std::shared_ptr<ScriptedUser> user;
};

// An object kind without a file form.
class Marker : public Model::Object
{
public:
    std::uint32_t getObjectType() const override { return 77; }
    void draw(bool, bool) override { }
    void drawPickBox() override { }
    Model::Object *clone() override { return nullptr; }
    void translate(Util::Vector3D) override { }
    void transform(Util::Vector3D, Util::Vector3D) override { }
};

QByteArray contents(const QString &fileName)
{
    QFile file(fileName);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeFile(const QString &fileName, const QByteArray &data)
{
    QFile file(fileName);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(data);
}

} // namespace

class TestDocumentOperations : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void save_data();
    void save();
    void failedSaveKeepsPreviousFile_data();
    void failedSaveKeepsPreviousFile();
    void objectsWithoutFileFormAreReported();
    void openCancelledSilently_data();
    void openCancelledSilently();
    void loadFailures_data();
    void loadFailures();
    void loadWarningsReachConsole();

private:
    void activate(std::uint32_t id) { workspace->activate(id); }
    QTemporaryDir folder;
    std::unique_ptr<Core::Workspace> workspace;
    std::shared_ptr<ScriptedUser> user;
    std::shared_ptr<DocumentFactory> factory;
    std::shared_ptr<MessageLog> console;
    std::shared_ptr<CallbackObserver> ended;
};

void TestDocumentOperations::initTestCase()
{
    QVERIFY(folder.isValid());
    Model::Materials::MaterialFactory::getInstance()->initialise();
}

void TestDocumentOperations::init()
{
    OpenDocumentOperation::forgetRemembered();
    workspace = std::make_unique<Core::Workspace>(folder.path());
    user = std::make_shared<ScriptedUser>();
    factory = std::make_shared<DocumentFactory>(workspace.get(), user);
    workspace->setOperationFactory(factory);
    console = logMessages(*workspace);
    ended = std::make_shared<CallbackObserver>(nullptr);
    workspace->addOperationEndedObserver(ended);
}

void TestDocumentOperations::cleanup()
{
    OpenDocumentOperation::setDocumentOpenedObserver(nullptr);
    workspace.reset();
}

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
    QTest::newRow("Save As, new document") << std::uint32_t(10) << false << true << 1 << true;
    QTest::newRow("Save As, named document") << std::uint32_t(10) << true << true << 1 << true;
    QTest::newRow("Save As, chooser closed") << std::uint32_t(10) << true << false << 1 << false;
}

void TestDocumentOperations::save()
{
    QFETCH(std::uint32_t, id);
    QFETCH(bool, named);
    QFETCH(bool, answer);
    QFETCH(int, asked);
    QFETCH(bool, written);

    const QString own = folder.filePath(QStringLiteral("own-%1.kst").arg(QTest::currentDataTag()));
    const QString chosen = folder.filePath(QStringLiteral("chosen-%1.kst").arg(QTest::currentDataTag()));
    workspace->getDocument().addObject(std::make_shared<TotalVolume>(
        2, 1, 1, 1.f, 1.f, 1.f, Util::Vector3D(), std::vector<std::uint32_t> { 1, 0 }));
    if (named)
        workspace->getDocument().setFileName(own);
    if (answer)
        user->answers << chosen;
    const QString expectedFile = answer ? chosen : (named && written ? own : QString());
    const std::size_t undoBefore = workspace->getUndoRedo().undoCount();

    activate(id);

    QCOMPARE(user->requests.size(), asked);
    QCOMPARE(QFile::exists(chosen), answer && written);
    QCOMPARE(QFile::exists(own), named && !answer && written);
    QCOMPARE(workspace->getDocument().getFileName(), written ? expectedFile : (named ? own : QString()));
    QCOMPARE(user->notified, written ? 1 : 0);
    if (written) {
        QVERIFY(contents(expectedFile).startsWith("<?xml"));
        QVERIFY(contents(expectedFile).contains("<State>1 0 </State>"));
    }
    // Plain operations: they end, leave the stacks alone and cancel silently.
    QVERIFY(!workspace->getCurrentOperation());
    QCOMPARE(workspace->getUndoRedo().undoCount(), undoBefore);
    QCOMPARE(workspace->getUndoRedo().redoCount(), std::size_t(0));
    QVERIFY(user->errors.isEmpty());
    QVERIFY(console->lines.isEmpty());
    QCOMPARE(ended->count, 1);
}

void TestDocumentOperations::failedSaveKeepsPreviousFile_data()
{
    QTest::addColumn<std::uint32_t>("id");
    QTest::addColumn<QString>("target"); // relative to the test folder
    QTest::newRow("Save As, missing folder") << std::uint32_t(10) << QStringLiteral("missing/doc.kst");
    QTest::newRow("Save As, below a file") << std::uint32_t(10) << QStringLiteral("good.kst/doc.kst");
    QTest::newRow("Save As, a folder") << std::uint32_t(10) << QStringLiteral("sub");
    QTest::newRow("Save, document's folder gone") << std::uint32_t(9) << QStringLiteral("gone/doc.kst");
}

void TestDocumentOperations::failedSaveKeepsPreviousFile()
{
    QFETCH(std::uint32_t, id);
    QFETCH(QString, target);
    QTemporaryDir here;
    QVERIFY(QDir(here.path()).mkdir(QStringLiteral("sub")));
    const QString good = here.filePath(QStringLiteral("good.kst"));
    const QString bad = here.filePath(target);

    workspace->getDocument().addObject(makeVolume(2, 1, 1, 1));
    user->answers << good;
    activate(SaveDocumentAsOperation::operationId);
    const QByteArray saved = contents(good);
    QVERIFY(!saved.isEmpty());

    workspace->getDocument().addObject(makeVolume(3, 1, 1, 3));
    if (id == SaveDocumentOperation::operationId)
        workspace->getDocument().setFileName(bad);
    else
        user->answers << bad;
    activate(id);

    QCOMPARE(user->errors.size(), 1);
    QCOMPARE(user->errors[0].mid(0, 2), QStringList({QStringLiteral("Error writing to file"),
                                                    QStringLiteral("Unable to save document to the specified file.")}));
    QVERIFY(user->errors[0][2].contains(QDir::toNativeSeparators(bad)));
    QCOMPARE(contents(good), saved);
    QVERIFY(!QFileInfo(bad).isFile());
    QCOMPARE(workspace->getDocument().getFileName(), id == 9 ? bad : good);
    QVERIFY(!workspace->getCurrentOperation());
    // Nothing but the good file (no left-over temporary) in the folder.
    QCOMPARE(QDir(here.path()).entryList(QDir::Files), QStringList { QStringLiteral("good.kst") });
}

void TestDocumentOperations::objectsWithoutFileFormAreReported()
{
    const QString file = folder.filePath(QStringLiteral("marker.kst"));
    workspace->getDocument().addObject(makeVolume(1, 1, 1, 1));
    workspace->getDocument().addObject(std::make_shared<Marker>());
    user->answers << file;
    activate(SaveDocumentAsOperation::operationId);
    QCOMPARE(contents(file).count("<Object "), 1);
    QCOMPARE(console->lines.size(), 1);
    QVERIFY(console->lines[0].startsWith(QStringLiteral("Save Document As: WARNING: 1 object")));
    QVERIFY(user->errors.isEmpty());
}

void TestDocumentOperations::openCancelledSilently_data()
{
    QTest::addColumn<bool>("withChooser");
    QTest::newRow("chooser closed") << true;
    QTest::newRow("no observer") << false;
}

void TestDocumentOperations::openCancelledSilently()
{
    QFETCH(bool, withChooser);
    const QString before = folder.filePath(QStringLiteral("before.kst"));
    OpenDocumentOperation::remember(before);
    factory->installOpenObserver = withChooser;
    activate(OpenDocumentOperation::operationId);

    QCOMPARE(user->requests.size(), withChooser ? 1 : 0);
    QCOMPARE(user->notified, 0);
    QCOMPARE(OpenDocumentOperation::rememberedFile(), before);
    QVERIFY(!workspace->getCurrentOperation());
    QVERIFY(console->lines.isEmpty());
    QVERIFY(user->errors.isEmpty());
}

void TestDocumentOperations::loadFailures_data()
{
    QTest::addColumn<QByteArray>("data"); // empty: the file does not exist
    QTest::addColumn<QString>("reason");
    QTest::newRow("other root") << QByteArray(
        "<?xml version=\"1.0\"?><Processes><Header version=\"1\"/></Processes>")
                                << QStringLiteral("<Processes>");
    QTest::newRow("missing file") << QByteArray() << QStringLiteral("Unable to open");
}

void TestDocumentOperations::loadFailures()
{
    QFETCH(QByteArray, data);
    QFETCH(QString, reason);
    const QString file = folder.filePath(QStringLiteral("bad-%1.kst").arg(QTest::currentDataTag()));
    if (!data.isEmpty())
        writeFile(file, data);

    const auto result = OpenDocumentOperation::loadDocument(*workspace, file);
    QVERIFY(!result.ok);
    QVERIFY2(result.errorMessage.contains(reason), qPrintable(result.errorMessage));
    QCOMPARE(workspace->getDocument().getAllObjects().size(), 0);
    QVERIFY(workspace->getDocument().getFileName().isEmpty());
    QCOMPARE(ended->count, 0);
    QCOMPARE(OpenDocumentOperation::rememberedFile(), file);
    if (!data.isEmpty())
        QCOMPARE(contents(file), data);
}

void TestDocumentOperations::loadWarningsReachConsole()
{
    const QString file = folder.filePath(QStringLiteral("warnings.kst"));
    writeFile(file,
        "<?xml version=\"1.0\"?><Document><Header version=\"1\"/>"
        "<Material version=\"1\" name=\"Broken\" material-id=\"x\"/>"
        "<Object object-type=\"2\"/>"
        "<Object object-type=\"1\" size-x=\"100000\" size-y=\"100000\" size-z=\"100000\">"
        "<State>1 </State></Object>"
        "<Object object-type=\"1\" size-x=\"1\" size-y=\"1\" size-z=\"2\"><State>4 4 </State>"
        "<Position pos-x=\"2\"/></Object></Document>");

    const auto result = OpenDocumentOperation::loadDocument(*workspace, file);
    QVERIFY(result.ok);
    QCOMPARE(workspace->getDocument().getAllObjects().size(), 1);
    QCOMPARE(workspace->getDocument().getFileName(), file);
    QCOMPARE(ended->count, 1);
    QCOMPARE(console->lines.size(), result.warnings.size());
    QCOMPARE(console->lines.size(), 3);
    QCOMPARE(console->lines[0], Model::Persistence::DocumentReader::materialWarning());
    for (const QString &line : console->lines)
        QVERIFY2(line.startsWith(QStringLiteral("WARNING: ")), qPrintable(line));
    QVERIFY(console->lines[1].contains(QStringLiteral("passed over")));
    QVERIFY2(console->lines[2].contains(QStringLiteral("memory")), qPrintable(console->lines[2]));
}

QTEST_GUILESS_MAIN(TestDocumentOperations)
#include "tst_documentoperations.moc"
