#pragma once

#include <QIODevice>
#include <QString>

#include <functional>

class QImage;

namespace Util {

// Writes files so that a failure can never pass for success. Every writer of
// the program goes through it: documents, process lists, both catalogues,
// images and the undo/redo state files.
//
// The content is produced into a temporary file beside the target, flushed,
// checked and synced, and only then renamed over the target. On any failure
// the temporary file is dropped, the previous file stays byte for byte, and
// the result says why. A target that is no regular file (/dev/null, a pipe)
// is written in place, since it cannot be replaced by a rename.
class SafeFileWriter
{
public:
    struct Result
    {
        bool ok = false;
        // Empty on success; otherwise the system's reason ("No space left on
        // device", "File too large") or what was found wrong.
        QString error;
        explicit operator bool() const { return ok; }
    };

    // Fills the open device; returns false when producing the content failed
    // (a QXmlStreamWriter with hasError(), a short write ...).
    using Producer = std::function<bool(QIODevice &device)>;

    // Replaces `path` by what `produce` writes, or leaves it as it was.
    // `extraMode` is added to WriteOnly (QIODevice::Text for the XML files).
    static Result write(const QString &path, const Producer &produce,
                        QIODevice::OpenMode extraMode = QIODevice::Text);

    // Adds what `produce` writes to the end of `path` (created when missing).
    // On failure the file is cut back to its previous length, so a record is
    // either complete or absent. For append-only record files such as the
    // undo/redo states.
    static Result append(const QString &path, const Producer &produce,
                         QIODevice::OpenMode extraMode = QIODevice::Text);

    // Saves an image in the format its suffix names (png, jpg, xpm, bmp ...).
    static Result writeImage(const QImage &image, const QString &path);
};

} // namespace Util
