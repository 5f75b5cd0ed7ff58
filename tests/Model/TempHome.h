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

inline bool write(const QString &path, const QByteArray &contents)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(contents) == contents.size();
}

class TempHome
{
public:
    // catalogue: the file name below HOME/Kestrum.
    explicit TempHome(const QString &catalogue)
        : catalogue(catalogue)
    {
        qputenv("HOME", QFile::encodeName(dir.path()));
    }
    ~TempHome()
    {
        // Leave a writable tree behind so the folder can be removed.
        QFile::setPermissions(kestrumDir(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }

    QString kestrumDir() const { return dir.path() + QStringLiteral("/Kestrum"); }
    QString catalogPath() const { return kestrumDir() + QLatin1Char('/') + catalogue; }
    bool use(const QByteArray &contents)
    {
        return QDir().mkpath(kestrumDir()) && write(catalogPath(), contents);
    }

    enum Spoilt { Failed, Done, NotEnforced };
    // Makes the catalogue file unwritable: "home-file", "kestrum-file",
    // "catalogue-folder" or "read-only" (NotEnforced when permission bits
    // do not bind this user).
    Spoilt spoil(const QString &how)
    {
        bool ok;
        if (how == QLatin1String("home-file")) {
            const QString file = dir.path() + QStringLiteral("/not-a-folder");
            qputenv("HOME", QFile::encodeName(file));
            ok = write(file, "x");
        } else if (how == QLatin1String("kestrum-file")) {
            ok = QDir(kestrumDir()).removeRecursively() && write(kestrumDir(), "x");
        } else if (how == QLatin1String("catalogue-folder")) {
            ok = QDir().mkpath(catalogPath());
        } else {
            ok = QDir().mkpath(kestrumDir())
                && QFile::setPermissions(kestrumDir(), QFile::ReadOwner | QFile::ExeOwner);
            QFile probe(kestrumDir() + QStringLiteral("/probe"));
            if (ok && probe.open(QIODevice::WriteOnly))
                return NotEnforced;
        }
        return ok ? Done : Failed;
    }

private:
    QTemporaryDir dir;
    QString catalogue;
};

} // namespace TestFiles
