#include "Model/Persistence/ArchiverRegistry.h"
#include "Model/Persistence/TotalVolumeArchiver.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

#include <unistd.h>

using Model::Persistence::ArchiverRegistry;
using Model::Persistence::TotalVolumeArchiver;

class TestArchiverRegistry : public QObject
{
    Q_OBJECT

private slots:
    void stateFilesInWorkingFolder();
    void fallbackToTemporaryFolder_data();
    void fallbackToTemporaryFolder();
    void archivers();
};

namespace {

// "undo<r>.temp" and "redo<r>.temp" with the same r, both in the folder.
void checkNames(const ArchiverRegistry &registry, const QString &folder)
{
    const QFileInfo undo(registry.getUndoFileName());
    const QFileInfo redo(registry.getRedoFileName());
    const QRegularExpression pattern(QStringLiteral("^(undo|redo)(\\d+)\\.temp$"));
    const auto undoMatch = pattern.match(undo.fileName());
    const auto redoMatch = pattern.match(redo.fileName());
    QVERIFY2(undoMatch.hasMatch() && undoMatch.captured(1) == QLatin1String("undo"),
             qPrintable(undo.fileName()));
    QVERIFY2(redoMatch.hasMatch() && redoMatch.captured(1) == QLatin1String("redo"),
             qPrintable(redo.fileName()));
    QCOMPARE(undoMatch.captured(2), redoMatch.captured(2));
    QCOMPARE(undo.absolutePath(), QDir(folder).absolutePath());
    QCOMPARE(redo.absolutePath(), QDir(folder).absolutePath());
    QVERIFY(undo.isFile());
    QVERIFY(redo.isFile());
    QCOMPARE(undo.size(), 0);
}

} // namespace

void TestArchiverRegistry::stateFilesInWorkingFolder()
{
    QStringList names;
    {
        // Built in the same second, so they start from the same seed.
        ArchiverRegistry first;
        ArchiverRegistry second;
        ArchiverRegistry third;
        for (const ArchiverRegistry *registry : {&first, &second, &third}) {
            checkNames(*registry, QDir::currentPath());
            names << registry->getUndoFileName() << registry->getRedoFileName();
        }
        names.removeDuplicates();
        QCOMPARE(names.size(), 6);
    }
    for (const QString &name : names)
        QVERIFY2(!QFile::exists(name), qPrintable(name));
}

void TestArchiverRegistry::fallbackToTemporaryFolder_data()
{
    QTest::addColumn<QString>("folder");
    QTest::addColumn<bool>("readOnly");
    QTest::newRow("folder does not exist") << "missing" << false;
    QTest::newRow("folder is a file") << "plain-file" << false;
    QTest::newRow("read-only folder") << "locked" << true;
}

void TestArchiverRegistry::fallbackToTemporaryFolder()
{
    QFETCH(QString, folder);
    QFETCH(bool, readOnly);
    QTemporaryDir base;
    const QString path = base.filePath(folder);
    if (readOnly) {
        if (geteuid() == 0)
            QSKIP("Permission bits do not stop the super-user");
        QVERIFY(QDir().mkpath(path));
        QVERIFY(QFile::setPermissions(path, QFile::ReadOwner | QFile::ExeOwner));
    } else if (folder == QLatin1String("plain-file")) {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
    }

    QString undo;
    QString redo;
    {
        ArchiverRegistry registry(path);
        QVERIFY(registry.hasStateFiles());
        checkNames(registry, QDir::tempPath());
        undo = registry.getUndoFileName();
        redo = registry.getRedoFileName();
    }
    QVERIFY(!QFile::exists(undo));
    QVERIFY(!QFile::exists(redo));
    if (readOnly) {
        QVERIFY(QDir(path).entryList(QDir::Files).isEmpty());
        QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
}

void TestArchiverRegistry::archivers()
{
    ArchiverRegistry registry;
    QVERIFY(std::dynamic_pointer_cast<TotalVolumeArchiver>(registry.getArchiver(1)));
    QVERIFY(!registry.getArchiver(2));
    QVERIFY(!registry.getArchiver(0));
    const auto replacement = std::make_shared<TotalVolumeArchiver>();
    registry.registerArchiver(2, replacement);
    QCOMPARE(registry.getArchiver(2), std::static_pointer_cast<Model::Persistence::ObjectArchiver>(replacement));
}

QTEST_GUILESS_MAIN(TestArchiverRegistry)
#include "tst_archiverregistry.moc"
