#include "SafeFileWriter.h"

#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QImageWriter>
#include <QSaveFile>

#include <cerrno>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

namespace Util {

namespace {

QString incompleteWrite()
{
    return QStringLiteral("The file could not be written completely (is the disk full?).");
}

SafeFileWriter::Result failure(const QString &reason)
{
    SafeFileWriter::Result result;
    result.error = reason.isEmpty() ? incompleteWrite() : reason;
    return result;
}

SafeFileWriter::Result success()
{
    SafeFileWriter::Result result;
    result.ok = true;
    return result;
}

// Data still in Qt's buffer reaches the system only here: a small file whose
// write fails shows it first at this flush, and on some file systems only
// at the sync.
bool flushAndSync(QFileDevice &file)
{
    if (!file.flush() || file.error() != QFileDevice::NoError)
        return false;
#ifdef Q_OS_UNIX
    const int handle = file.handle();
    if (handle >= 0 && ::fsync(handle) != 0 && errno != EINVAL && errno != EROFS)
        return false; // EINVAL: a pipe or device that cannot be synced
#endif
    return true;
}

// Why the last step on `file` failed: the system's reason when there is one.
QString reasonOf(const QFileDevice &file)
{
    static const QString noReason = QFile().errorString();
    return file.error() != QFileDevice::NoError && file.errorString() != noReason ? file.errorString()
                                                                                  : incompleteWrite();
}

// A write cut short (at the file-size limit, on a full disk) leaves no
// system reason, or an error without one; the next write fails again and
// gives it: that of the buffered rest, else of one byte more. Only for
// content that is dropped or cut back afterwards.
QString reasonOfFailedWrite(QFileDevice &file)
{
    const QString noReason = incompleteWrite();
    if (!file.flush() || reasonOf(file) != noReason)
        return reasonOf(file);
    if (file.write("\n", 1) == 1)
        file.flush();
    return reasonOf(file);
}

// Devices and pipes cannot be replaced through a rename; they are written in place.
SafeFileWriter::Result writeInPlace(const QString &path, const SafeFileWriter::Producer &produce,
                                    QIODevice::OpenMode extraMode)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | extraMode))
        return failure(file.errorString());
    const bool produced = produce(file);
    if (!produced || !file.flush() || file.error() != QFileDevice::NoError)
        return failure(reasonOf(file));
    file.close();
    if (file.error() != QFileDevice::NoError)
        return failure(file.errorString());
    return success();
}

} // namespace

SafeFileWriter::Result SafeFileWriter::write(const QString &path, const Producer &produce,
                                             QIODevice::OpenMode extraMode)
{
    const QFileInfo target(path);
    if (target.exists() && !target.isFile() && !target.isDir())
        return writeInPlace(path, produce, extraMode);

    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly | extraMode))
        return failure(file.errorString());
    const bool produced = produce(file);
    if (!produced || !flushAndSync(file)) {
        const QString reason = reasonOfFailedWrite(file);
        // Never commit: the previous file stays as it was.
        file.cancelWriting();
        return failure(reason);
    }
    if (!file.commit())
        return failure(file.errorString());
    return success();
}

SafeFileWriter::Result SafeFileWriter::append(const QString &path, const Producer &produce,
                                              QIODevice::OpenMode extraMode)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append | extraMode))
        return failure(file.errorString());
    const qint64 previousSize = file.size();
    const bool produced = produce(file);
    if (!produced || !flushAndSync(file)) {
        const QString reason = reasonOfFailedWrite(file);
        file.unsetError();
        file.resize(previousSize); // a half-written record must not stay behind
        return failure(reason);
    }
    return success();
}

SafeFileWriter::Result SafeFileWriter::writeImage(const QImage &image, const QString &path)
{
    if (image.isNull())
        return failure(QStringLiteral("There is no image to save."));
    const QByteArray format = QFileInfo(path).suffix().toLower().toLatin1();
    if (format.isEmpty() || !QImageWriter::supportedImageFormats().contains(format))
        return failure(QStringLiteral("\"%1\" names no image format that can be written.")
                           .arg(QFileInfo(path).suffix()));
    return write(
        path,
        [&image, &format](QIODevice &device) {
            QImageWriter writer(&device, format);
            return writer.write(image);
        },
        QIODevice::NotOpen);
}

} // namespace Util
