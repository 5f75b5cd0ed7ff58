#include "UndoRedoStateFiles.h"

#include "Util/Logging.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QRandomGenerator>

namespace Core {
namespace Operations {

namespace {

bool createEmpty(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadWrite | QIODevice::Text))
        return false;
    file.close();
    return true;
}

} // namespace

UndoRedoStateFiles::UndoRedoStateFiles(const QString &folder)
{
    if (tryCreate(folder))
        return;
    // A folder that refuses the files (read-only, missing) would make the
    // chooser draw forever; the temporary folder always takes them.
    qCWarning(lcUndo) << "Cannot create the undo/redo state files in" << (folder.isEmpty() ? QDir::currentPath() : folder)
                      << "- using" << QDir::tempPath();
    if (!tryCreate(QDir::tempPath())) {
        qCWarning(lcUndo) << "Cannot create the undo/redo state files; undo of processes will change nothing";
    }
}

UndoRedoStateFiles::~UndoRedoStateFiles()
{
    if (!undoFileName.isEmpty())
        QFile::remove(undoFileName);
    if (!redoFileName.isEmpty())
        QFile::remove(redoFileName);
}

bool UndoRedoStateFiles::tryCreate(const QString &folder)
{
    const QString prefix = folder.isEmpty() ? QString() : QDir(folder).absolutePath() + QLatin1Char('/');
    QRandomGenerator random(quint32(QDateTime::currentSecsSinceEpoch()) ^ quint32(QRandomGenerator::global()->generate()));
    // A bounded number of draws: names that exist are drawn again, a folder
    // that refuses to create files gives up.
    for (int attempt = 0; attempt < 64; ++attempt) {
        const QString number = QString::number(random.bounded(32768));
        const QString redo = prefix + QStringLiteral("redo") + number + QStringLiteral(".temp");
        const QString undo = prefix + QStringLiteral("undo") + number + QStringLiteral(".temp");
        if (QFile::exists(redo) || QFile::exists(undo))
            continue;
        const bool redoMade = createEmpty(redo);
        const bool undoMade = createEmpty(undo);
        if (redoMade && undoMade) {
            redoFileName = redo;
            undoFileName = undo;
            return true;
        }
        QFile::remove(redo);
        QFile::remove(undo);
        if (!redoMade && !undoMade)
            return false;
    }
    return false;
}

} // namespace Operations
} // namespace Core
