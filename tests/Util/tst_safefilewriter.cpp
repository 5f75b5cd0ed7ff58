#include "Core/BatchRun/ProcessData.h"
#include "Core/BatchRun/ProcessListArchiver.h"
#include "Core/ProcessTable.h"
#include "Model/Automaton/TotalVolume.h"
#include "Model/Document.h"
#include "Model/FileSizeLimit.h"
#include "Model/Materials/MaterialFactory.h"
#include "Model/Persistence/ArchiverRegistry.h"
#include "Model/Persistence/DocumentWriter.h"
#include "Model/Process/ProcessFactory.h"
#include "Model/TempHome.h"
#include "Util/SafeFileWriter.h"

#include <QImage>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/stat.h>

using Model::Persistence::DocumentWriter;
using Util::SafeFileWriter;

namespace {

// Every writer of the program, given the file it writes and a variant of its
// content; returns the error it reports (empty on success).
enum Writer { DocumentFile, ProcessList, Materials, Processes, Image, AppendedRecord };

QString save(Writer writer, const QString &path, int variant, Model::Persistence::ArchiverRegistry &registry)
{
    switch (writer) {
    case DocumentFile: {
        Model::Document document;
        document.addObject(std::make_shared<Model::Automaton::TotalVolume>(
            2, 2, 2, 1.f, 1.f, 1.f, Util::Vector3D(), std::vector<std::uint32_t>(8, variant ? 3u : 1u)));
        const auto result = DocumentWriter(registry).save(document, path);
        return result.ok ? QString() : result.detail;
    }
    case ProcessList: {
        Core::BatchRun::ProcessData step(Core::ProcessTable::listCode(Core::ProcessKey::Cvd));
        step.setParameter(QStringLiteral("Thickness"), 10.0 + variant, true);
        step.setParameter(QStringLiteral("MaterialId"), 3u, false);
        Core::BatchRun::ProcessListArchiver archiver({step});
        return archiver.saveProcessList(path) ? QString() : archiver.errorString();
    }
    case Materials: {
        auto catalogue = Model::Materials::MaterialFactory::getInstance();
        catalogue->loadDefaultMaterials();
        if (variant)
            catalogue->addMaterial(Model::Materials::Material(77, QStringLiteral("Brass"), 1, 1, 1, nullptr));
        return catalogue->saveMaterials() ? QString() : QStringLiteral("not saved");
    }
    case Processes: {
        auto catalogue = Model::Process::ProcessFactory::getInstance();
        catalogue->loadDefaultProcesses();
        if (variant)
            catalogue->addProcess(Model::Process::Process(QStringLiteral("Lapping"), 40));
        return catalogue->saveProcesses() ? QString() : QStringLiteral("not saved");
    }
    case Image: {
        QImage image(32, 32, QImage::Format_RGB32);
        image.fill(variant ? Qt::red : Qt::blue);
        return SafeFileWriter::writeImage(image, path).error;
    }
    case AppendedRecord:
        return SafeFileWriter::append(path, [variant](QIODevice &device) {
                   return device.write(QByteArray(variant ? 4000 : 100, 'x') + '\n') > 0;
               }).error;
    }
    return QStringLiteral("unknown writer");
}

} // namespace

class TestSafeFileWriter : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { home = std::make_unique<TestFiles::TempHome>(QStringLiteral("materials.xml")); }
    void failedWriteKeepsPreviousFile_data();
    void failedWriteKeepsPreviousFile();
    void deviceTargets_data();
    void deviceTargets();

private:
    std::unique_ptr<TestFiles::TempHome> home;
    QTemporaryDir folder;
    Model::Persistence::ArchiverRegistry registry {QDir::tempPath()};
};

void TestSafeFileWriter::failedWriteKeepsPreviousFile_data()
{
    QTest::addColumn<int>("writer");
    QTest::addColumn<QString>("path"); // empty: the catalogue file under HOME
    QTest::newRow("document 2 x 2 x 2") << int(DocumentFile) << "doc.kst";
    QTest::newRow("process list of one step") << int(ProcessList) << "list.plst";
    QTest::newRow("materials catalogue") << int(Materials) << "";
    QTest::newRow("process catalogue") << int(Processes) << "";
    QTest::newRow("image") << int(Image) << "view.png";
    QTest::newRow("appended state record") << int(AppendedRecord) << "undo1.temp";
}

// Every file is far smaller than Qt's write buffer, so its data first meet
// the limit when flushed: the save must fail, say so, and keep the old file.
void TestSafeFileWriter::failedWriteKeepsPreviousFile()
{
    QFETCH(int, writer);
    QFETCH(QString, path);
    if (path.isEmpty())
        path = QDir::homePath() + (writer == Materials ? QStringLiteral("/Kestrum/materials.xml")
                                                       : QStringLiteral("/Kestrum/processes.xml"));
    else
        path = folder.filePath(path);
    QVERIFY(save(Writer(writer), path, 0, registry).isEmpty());
    const QByteArray previous = TestFiles::read(path);
    QVERIFY(previous.size() > 64 && previous.size() < 16384);

    const auto limited = TestFiles::saveUnderLimit(64, [&] {
        const QString error = save(Writer(writer), path, 1, registry);
        if (!error.isEmpty() && writer == Image)
            qWarning("%s", qPrintable(error)); // as the window's message box would
        return error;
    });
    QVERIFY(limited.childRan);
    QVERIFY(limited.failed);
    QVERIFY(limited.reported);
    QCOMPARE(TestFiles::read(path), previous);
    // No temporary file is left beside it.
    const QFileInfo target(path);
    QCOMPARE(target.dir().entryList({target.fileName() + QLatin1Char('*')}, QDir::Files | QDir::Hidden),
             QStringList {target.fileName()});
}

void TestSafeFileWriter::deviceTargets_data()
{
    QTest::addColumn<QString>("device");
    QTest::addColumn<bool>("saved");
    QTest::newRow("full device") << "/dev/full" << false;
    QTest::newRow("null device") << "/dev/null" << true;
}

// A device is written in place: never replaced by a renamed file (which the
// super-user could do), and a full one reports its failure.
void TestSafeFileWriter::deviceTargets()
{
    QFETCH(QString, device);
    QFETCH(bool, saved);
    if (!QFileInfo::exists(device))
        QSKIP("no such device here");
    for (Writer writer : {DocumentFile, ProcessList}) {
        const QString error = save(writer, device, 0, registry);
        QCOMPARE(error.isEmpty(), saved);
        struct stat info {};
        QCOMPARE(stat(QFile::encodeName(device).constData(), &info), 0);
        QVERIFY(S_ISCHR(info.st_mode));
    }
}

QTEST_GUILESS_MAIN(TestSafeFileWriter)
#include "tst_safefilewriter.moc"
