#pragma once

#include <QString>

namespace Core {
namespace Operations {

// The two per-window text files that hold the cell states undo and redo
// restore: "undo<r>.temp" and "redo<r>.temp" with the same random r. They
// are made in the working folder, or in the system's temporary folder when
// the working folder does not take them, and removed on destruction.
class UndoRedoStateFiles
{
public:
    // `folder` empty means the working folder.
    explicit UndoRedoStateFiles(const QString &folder = QString());
    ~UndoRedoStateFiles();

    UndoRedoStateFiles(const UndoRedoStateFiles &) = delete;
    UndoRedoStateFiles &operator=(const UndoRedoStateFiles &) = delete;

    QString getUndoFileName() const { return undoFileName; }
    QString getRedoFileName() const { return redoFileName; }

private:
    bool tryCreate(const QString &folder);

    QString undoFileName;
    QString redoFileName;
};

} // namespace Operations
} // namespace Core
