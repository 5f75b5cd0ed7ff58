#include "Model/Persistence/ArchiverRegistry.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

#include <unistd.h>

using Model::Persistence::ArchiverRegistry;

namespace {

// Empty "undo<r>.temp" and "redo<r>.temp" with the same r, both in the folder.
void checkNames(const ArchiverRegistry &registry, const QString &folder)
{
    const QFileInfo undo(registry.getUndoFileName());
    const QFileInfo redo(registry.getRedoFileName());
    const auto match = QRegularExpression(QStringLiteral("^undo(\\d+)\\.temp$")).match(undo.fileName());
    QVERIFY2(match.hasMatch(), qPrintable(undo.fileName()));
    QCOMPARE(redo.fileName(), QStringLiteral("redo%1.temp").arg(match.captured(1)));
    QCOMPARE(undo.absolutePath(), QDir(folder).absolutePath());
    QCOMPARE(redo.absolutePath(), QDir(folder).absolutePath());
    QVERIFY(undo.isFile() && redo.isFile() && undo.size() == 0);
}

} // namespace

class TestArchiverRegistry : public QObject
{
    Q_OBJECT

private slots:
    void stateFilesInWorkingFolder();
    void fallbackToTemporaryFolder_data();
    void fallbackToTemporaryFolder();
};

void TestArchiverRegistry::stateFilesInWorkingFolder()
{
    QStringList names;
    {
        // Built in the same second, so they start from the same seed.
        ArchiverRegistry first, second, third;
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
    QTest::newRow("folder is a file") << "plain-file";
    QTest::newRow("read-only folder") << "locked";
}

void TestArchiverRegistry::fallbackToTemporaryFolder()
{
    QFETCH(QString, folder);
    const bool readOnly = folder == QLatin1String("locked");
    QTemporaryDir base;
    const QString path = base.filePath(folder);
    if (readOnly) {
        if (geteuid() == 0)
            QSKIP("Permission bits do not stop the super-user");
        QVERIFY(QDir().mkpath(path));
        QVERIFY(QFile::setPermissions(path, QFile::ReadOwner | QFile::ExeOwner));
    } else if (folder == QLatin1String("plain-file")) {
        QVERIFY(QFile(path).open(QIODevice::WriteOnly));
    }

    QStringList names;
    {
        ArchiverRegistry registry(path);
        QVERIFY(registry.hasStateFiles());
        checkNames(registry, QDir::tempPath());
        names << registry.getUndoFileName() << registry.getRedoFileName();
    }
    for (const QString &name : names)
        QVERIFY(!QFile::exists(name));
    if (readOnly) {
        QVERIFY(QDir(path).entryList(QDir::Files).isEmpty());
        QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
}

QTEST_GUILESS_MAIN(TestArchiverRegistry)
#include "tst_archiverregistry.moc"
