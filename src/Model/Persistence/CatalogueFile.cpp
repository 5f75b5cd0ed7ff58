#include "CatalogueFile.h"

#include "Util/Logging.h"
#include "Util/SafeFileWriter.h"

#include <QDir>
#include <QFile>
#include <QXmlStreamReader>
#include <QXmlStreamWriter>

namespace Model {
namespace Persistence {

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

bool CatalogueFile::read(const QString &fileName, const QString &rootName,
                         const std::function<void(QXmlStreamReader &)> &readElement)
{
    QFile file(pathForReading(fileName));
    if (!file.exists() || !file.open(QIODevice::ReadOnly | QIODevice::Text))
        return false;

    QXmlStreamReader reader(&file);
    if (!reader.readNextStartElement() || reader.name() != rootName) {
        qCDebug(lcCatalogue) << "not a" << rootName << "catalogue:" << file.fileName();
        return false;
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
        return false;
    }
    return true;
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
