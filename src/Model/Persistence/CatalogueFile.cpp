#include "CatalogueFile.h"

#include "Util/Logging.h"
#include "Util/SafeFileWriter.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QXmlStreamReader>
#include <QXmlStreamWriter>

namespace Model {
namespace Persistence {

namespace {

// A name edited by hand with a bare "&" is the usual cause of an unreadable
// catalogue: the reason then says how to write it.
QString hintForLine(QFile &file, qint64 line)
{
    if (!file.seek(0))
        return QString();
    QByteArray text;
    for (qint64 i = 0; i < line && !file.atEnd(); ++i)
        text = file.readLine();
    static const QRegularExpression bareAmpersand(QStringLiteral("&(?!(amp|lt|gt|quot|apos);|#[0-9]+;|#x[0-9a-fA-F]+;)"));
    return QString::fromUtf8(text).contains(bareAmpersand) ? QStringLiteral("; a \"&\" is written \"&amp;\"")
                                                           : QString();
}

} // namespace

QString CatalogueFile::pathForReading(const QString &fileName)
{
    QDir dir = QDir::home();
    dir.cd(QLatin1String(folderName)); // stays in the home directory when missing
    return dir.filePath(fileName);
}

QString CatalogueFile::pathForWriting(const QString &fileName)
{
    QDir dir = QDir::home();
    const QString folder = QLatin1String(folderName);
    if (!dir.mkpath(folder) || !dir.cd(folder))
        return QString();
    return dir.filePath(fileName);
}

QString CatalogueFile::Reading::problem(const QString &catalogue, const QString &builtIn) const
{
    if (status != Damaged)
        return QString();
    return QStringLiteral("The %1 %2 cannot be read (%3); it is kept unchanged and the %4 are used for this run.")
        .arg(catalogue, path, reason, builtIn);
}

bool CatalogueFile::Reading::keeps(const QString &fileName) const
{
    return status == Damaged && path == QDir::toNativeSeparators(pathForReading(fileName));
}

bool CatalogueFile::refuseToReplace(const QString &fileName, const Reading &lastRead)
{
    if (!lastRead.keeps(fileName))
        return false;
    qCDebug(lcCatalogue).noquote() << "Not written: the unreadable" << lastRead.path << "is kept as it is during this run";
    return true;
}

QString CatalogueFile::unsavedChanges(const QString &catalogue, const QString &fileName, const QString &problem)
{
    if (!problem.isEmpty())
        return QStringLiteral("%1\n\nThe changes are not saved over it; they apply until Kestrum ends.").arg(problem);
    return QStringLiteral("The %1 could not be written to \"%2\". The changes apply until Kestrum ends.")
        .arg(catalogue, QDir::toNativeSeparators(pathForReading(fileName)));
}

CatalogueFile::Reading CatalogueFile::read(const QString &fileName, const QString &rootName,
                                           const std::function<void(QXmlStreamReader &)> &readElement)
{
    QFile file(pathForReading(fileName));
    Reading reading;
    reading.path = QDir::toNativeSeparators(file.fileName());
    // An empty file (an interrupted write of an older version) holds nothing
    // to keep: it is treated as missing and may be written anew.
    if (!file.exists() || (file.size() == 0 && QFileInfo(file).isFile()))
        return reading;
    reading.status = Reading::Damaged;
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        reading.reason = QStringLiteral("it cannot be opened: %1").arg(file.errorString());
        return reading;
    }

    QXmlStreamReader reader(&file);
    const auto where = [&reader] {
        return QStringLiteral("line %1, column %2").arg(reader.lineNumber()).arg(reader.columnNumber());
    };
    if (!reader.readNextStartElement()) {
        reading.reason = where() + QStringLiteral(": ")
            + (reader.hasError() ? reader.errorString() + hintForLine(file, reader.lineNumber())
                                 : QStringLiteral("no element"));
        return reading;
    }
    if (reader.name() != rootName) {
        reading.reason = QStringLiteral("%1: the file holds \"%2\", not \"%3\"")
                             .arg(where(), reader.name().toString(), rootName);
        qCDebug(lcCatalogue) << "not a" << rootName << "catalogue:" << file.fileName();
        return reading;
    }
    while (!reader.atEnd()) {
        reader.readNext();
        if (!reader.isStartElement())
            continue;
        qCDebug(lcCatalogue).noquote() << "Element:" << reader.name();
        readElement(reader);
    }
    if (reader.hasError()) {
        qCDebug(lcCatalogue) << reader.errorString();
        reading.reason = where() + QStringLiteral(": ") + reader.errorString() + hintForLine(file, reader.lineNumber());
        return reading;
    }
    reading.status = Reading::Loaded;
    return reading;
}

bool CatalogueFile::write(const QString &fileName, const QString &rootName,
                          const std::function<void(QXmlStreamWriter &)> &writeElements)
{
    const QString path = pathForWriting(fileName);
    if (path.isEmpty()) {
        qCWarning(lcCatalogue) << "Cannot create the folder" << folderName << "for" << fileName;
        return false;
    }
    const auto written = Util::SafeFileWriter::write(path, [&](QIODevice &device) {
        QXmlStreamWriter writer(&device);
        writer.setAutoFormatting(true);
        writer.writeStartDocument();
        writer.writeStartElement(rootName);
        writeElements(writer);
        writer.writeEndElement();
        writer.writeEndDocument();
        return !writer.hasError();
    });
    if (!written)
        qCWarning(lcCatalogue) << "Cannot write" << path << ":" << written.error;
    return written.ok;
}

} // namespace Persistence
} // namespace Model
