#include "Model/Persistence/ArchiverRegistry.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

#include <unistd.h>

using Model::Persistence::ArchiverRegistry;

namespace {

// Empty "undo<r>.temp" and "redo<r>.temp" with the same r, both in the folder; returns both names.
QStringList checkNames(const ArchiverRegistry &registry, const QString &folder)
{
    const QFileInfo undo(registry.getUndoFileName());
    const QFileInfo redo(registry.getRedoFileName());
    const auto match = QRegularExpression(QStringLiteral("^undo(\\d+)\\.temp$")).match(undo.fileName());
    if (!match.hasMatch() || redo.fileName() != QStringLiteral("redo%1.temp").arg(match.captured(1))
        || undo.absolutePath() != QDir(folder).absolutePath() || redo.absolutePath() != undo.absolutePath()
        || !undo.isFile() || !redo.isFile() || undo.size() != 0)
        return {};
    return {undo.filePath(), redo.filePath()};
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
        for (const ArchiverRegistry *registry : {&first, &second, &third})
            names << checkNames(*registry, QDir::currentPath());
        names.removeDuplicates();
        QCOMPARE(names.size(), 6);
    }
    for (const QString &name : names)
        QVERIFY2(!QFile::exists(name), qPrintable(name));
}

void TestArchiverRegistry::fallbackToTemporaryFolder_data()
{
    QTest::addColumn<bool>("readOnly");
    QTest::newRow("folder is a file") << false;
    QTest::newRow("read-only folder") << true;
}

void TestArchiverRegistry::fallbackToTemporaryFolder()
{
    QFETCH(bool, readOnly);
    QTemporaryDir base;
    const QString path = base.filePath(QStringLiteral("state"));
    if (readOnly && geteuid() == 0)
        QSKIP("Permission bits do not stop the super-user");
    QVERIFY(readOnly ? QDir().mkpath(path) && QFile::setPermissions(path, QFile::ReadOwner | QFile::ExeOwner)
                     : QFile(path).open(QIODevice::WriteOnly));
    QStringList names;
    {
        ArchiverRegistry registry(path);
        QVERIFY(registry.hasStateFiles());
        names = checkNames(registry, QDir::tempPath());
        QCOMPARE(names.size(), 2);
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
