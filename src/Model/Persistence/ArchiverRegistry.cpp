#include "ArchiverRegistry.h"

#include "TotalVolumeArchiver.h"
#include "Model/Automaton/TotalVolume.h"
#include "Util/Logging.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QRandomGenerator>

#include <cstdlib>

namespace Model {
namespace Persistence {

namespace {

// Draws per folder before it counts as unusable; a clash costs one draw, so
// this is only reached when the folder is crowded with state files.
constexpr int drawsPerFolder = 64;

} // namespace

ArchiverRegistry::ArchiverRegistry()
    : ArchiverRegistry(QString())
{
}

ArchiverRegistry::ArchiverRegistry(const QString &stateFolder)
{
    archivers[Automaton::TotalVolume::objectType] = std::make_shared<TotalVolumeArchiver>();
    chooseStateFiles(stateFolder.isEmpty() ? QDir::currentPath() : stateFolder);
}

ArchiverRegistry::~ArchiverRegistry()
{
    if (!undoFileName.isEmpty())
        QFile::remove(undoFileName);
    if (!redoFileName.isEmpty())
        QFile::remove(redoFileName);
}

std::shared_ptr<ObjectArchiver> ArchiverRegistry::getArchiver(std::uint32_t objectType) const
{
    const auto it = archivers.find(objectType);
    return it == archivers.end() ? nullptr : it->second;
}

void ArchiverRegistry::registerArchiver(std::uint32_t objectType,
                                        const std::shared_ptr<ObjectArchiver> &archiver)
{
    archivers[objectType] = archiver;
}

void ArchiverRegistry::chooseStateFiles(const QString &firstFolder)
{
    if (createStateFiles(firstFolder))
        return;
    const QString fallback = QDir::tempPath();
    qCWarning(lcUndo) << "Cannot create the undo/redo state files in" << firstFolder
                      << "- using" << fallback;
    if (!createStateFiles(fallback))
        qCWarning(lcUndo) << "Cannot create the undo/redo state files in" << fallback
                          << "either; undoing processes will not restore cells";
}

bool ArchiverRegistry::createStateFiles(const QString &folder)
{
    const QDir dir(folder);
    if (folder.isEmpty() || !dir.exists())
        return false;

    // The generator is seeded once from the clock; a name that is taken makes
    // it draw again rather than wait for the clock to move on.
    QRandomGenerator generator(quint32(QDateTime::currentSecsSinceEpoch()));
    for (int draw = 0; draw < drawsPerFolder; ++draw) {
        const QString number = QString::number(generator.bounded(RAND_MAX));
        const QString undoName = dir.absoluteFilePath(QStringLiteral("undo%1.temp").arg(number));
        const QString redoName = dir.absoluteFilePath(QStringLiteral("redo%1.temp").arg(number));
        if (QFile::exists(undoName) || QFile::exists(redoName))
            continue;

        // NewOnly refuses a file that another window created meanwhile.
        QFile undoFile(undoName);
        const bool undoMade = undoFile.open(QIODevice::ReadWrite | QIODevice::Text | QIODevice::NewOnly);
        undoFile.close();
        QFile redoFile(redoName);
        const bool redoMade = undoMade
            && redoFile.open(QIODevice::ReadWrite | QIODevice::Text | QIODevice::NewOnly);
        redoFile.close();
        if (undoMade && redoMade) {
            undoFileName = undoName;
            redoFileName = redoName;
            qCDebug(lcUndo) << "State files" << undoFileName << redoFileName;
            return true;
        }
        if (undoMade)
            QFile::remove(undoName);
        // A name taken meanwhile is worth another draw; a folder that refuses
        // new files is not.
        if (!QFile::exists(undoName) && !QFile::exists(redoName))
            return false;
    }
    return false;
}

} // namespace Persistence
} // namespace Model
