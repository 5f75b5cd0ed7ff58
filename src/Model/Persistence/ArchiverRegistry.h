#pragma once

#include <QString>

#include <cstdint>
#include <map>
#include <memory>

namespace Model {
namespace Persistence {

class ObjectArchiver;

// The archivers of one workspace, one per object type (a TotalVolumeArchiver
// under type 1 from the start), and the workspace's two undo/redo state
// files. The state files are created empty here and removed again when the
// registry goes away.
class ArchiverRegistry
{
public:
    // The state files go to the working directory, or to the system's
    // temporary folder when the working directory does not take them.
    ArchiverRegistry();
    // The same with a chosen first folder; empty means the working directory.
    explicit ArchiverRegistry(const QString &stateFolder);
    ~ArchiverRegistry();

    ArchiverRegistry(const ArchiverRegistry &) = delete;
    ArchiverRegistry &operator=(const ArchiverRegistry &) = delete;

    std::shared_ptr<ObjectArchiver> getArchiver(std::uint32_t objectType) const;
    void registerArchiver(std::uint32_t objectType, const std::shared_ptr<ObjectArchiver> &archiver);

    // Absolute paths "…/undo<r>.temp" and "…/redo<r>.temp" with the same r;
    // both empty when no folder would take the files.
    QString getUndoFileName() const { return undoFileName; }
    QString getRedoFileName() const { return redoFileName; }
    bool hasStateFiles() const { return !undoFileName.isEmpty(); }

private:
    void chooseStateFiles(const QString &firstFolder);
    bool createStateFiles(const QString &folder);

    std::map<std::uint32_t, std::shared_ptr<ObjectArchiver>> archivers;
    QString undoFileName;
    QString redoFileName;
};

} // namespace Persistence
} // namespace Model
