#pragma once

// A private HOME for one catalogue test function, and small file helpers.

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

namespace TestFiles {

inline QByteArray read(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

inline QByteArray golden(const char *catalogue)
{
    return read(QStringLiteral(KESTRUM_TEST_DATA_DIR "/catalogues/") + QLatin1String(catalogue));
}

inline bool write(const QString &path, const QByteArray &contents)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(contents) == contents.size();
}

// A catalogue file of the given root element around `body`.
inline QByteArray catalogueFile(const QByteArray &root, const QByteArray &body)
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<" + root + ">\n" + body + "</" + root + ">\n";
}

class TempHome
{
public:
    // catalogue: the file name below HOME/Kestrum.
    explicit TempHome(const QString &catalogue) : catalogue(catalogue) { qputenv("HOME", QFile::encodeName(dir.path())); }

    QString catalogPath() const { return dir.path() + QStringLiteral("/Kestrum/") + catalogue; }
    bool use(const QByteArray &contents)
    {
        return QDir().mkpath(dir.path() + QStringLiteral("/Kestrum")) && write(catalogPath(), contents);
    }
private:
    QTemporaryDir dir;
    QString catalogue;
};

} // namespace TestFiles
