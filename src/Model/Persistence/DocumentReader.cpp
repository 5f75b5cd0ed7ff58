#include "DocumentReader.h"

#include "ArchiverRegistry.h"
#include "MaterialArchiver.h"
#include "Model/Document.h"
#include "Model/Materials/MaterialFactory.h"
#include "Model/Object.h"
#include "Util/Logging.h"

#include <QElapsedTimer>
#include <QFile>
#include <QXmlStreamReader>

#include <exception>

namespace Model {
namespace Persistence {

namespace {

// Moves to the next start element; false at the end of the input or at an
// error, which ends the input just the same.
bool nextStartElement(QXmlStreamReader &xml)
{
    while (!xml.atEnd()) {
        if (xml.readNext() == QXmlStreamReader::StartElement)
            return true;
    }
    return false;
}

QString notADocument(const QXmlStreamReader &xml, const char *expected)
{
    if (xml.hasError())
        return QStringLiteral("The file is not a Kestrum document: %1 (line %2).")
            .arg(xml.errorString())
            .arg(xml.lineNumber());
    if (xml.isStartElement())
        return QStringLiteral("The file is not a Kestrum document: found <%1> where <%2> belongs.")
            .arg(xml.name().toString(), QLatin1String(expected));
    return QStringLiteral("The file is not a Kestrum document: it has no <%1> element.")
        .arg(QLatin1String(expected));
}

} // namespace

QString DocumentReader::errorTitle()
{
    return QStringLiteral("Error reading from file");
}

QString DocumentReader::materialWarning()
{
    return QStringLiteral(
        "WARNING: There was an error loading a material. This may alter the loaded cell volume.");
}

DocumentReader::DocumentReader(ArchiverRegistry &registry,
                               std::shared_ptr<Materials::MaterialFactory> catalogue)
    : registry(registry)
    , catalogue(catalogue ? std::move(catalogue) : Materials::MaterialFactory::getInstance())
{
}

DocumentReader::Result DocumentReader::load(Document &document, const QString &fileName)
{
    QElapsedTimer timer;
    timer.start();
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        Result result;
        result.errorMessage = QStringLiteral("Unable to open %1: %2.").arg(fileName, file.errorString());
        qCWarning(lcPersistence) << result.errorMessage;
        return result;
    }
    Result result = read(document, file);
    if (result.ok)
        document.setFileName(fileName);
    qCDebug(lcPersistence) << "Time to load" << fileName << ":" << timer.elapsed() << "ms";
    return result;
}

DocumentReader::Result DocumentReader::read(Document &document, QIODevice &device)
{
    Result result;
    MaterialIdMap idMap;
    QXmlStreamReader xml(&device);

    if (!nextStartElement(xml) || xml.name() != QLatin1String("Document")) {
        result.errorMessage = notADocument(xml, "Document");
        return result;
    }
    if (!nextStartElement(xml) || xml.name() != QLatin1String("Header")) {
        result.errorMessage = notADocument(xml, "Header");
        return result;
    }
    // The version is the Header's first attribute; a Header without one is
    // read as version 0, which reads like version 1.
    const QXmlStreamAttributes header = xml.attributes();
    if (!header.isEmpty())
        result.version = header.first().value().toUInt();
    result.ok = true;

    while (nextStartElement(xml)) {
        if (xml.name() == QLatin1String("Object"))
            readObject(xml, idMap, document, result);
        else if (xml.name() == QLatin1String("Material"))
            readMaterial(xml, idMap, result);
        // Any other element is passed over; its children are still visited.
    }

    if (xml.hasError()) {
        result.warnings << QStringLiteral("The document breaks off in line %1 (%2); what came "
                                          "before was loaded.")
                               .arg(xml.lineNumber())
                               .arg(xml.errorString());
    }
    for (const QString &warning : qAsConst(result.warnings))
        qCWarning(lcPersistence).noquote() << warning;
    return result;
}

void DocumentReader::readObject(QXmlStreamReader &xml, MaterialIdMap &idMap, Document &document,
                                Result &result)
{
    const qint64 line = xml.lineNumber();
    const QStringRef typeText = xml.attributes().value(QLatin1String("object-type"));
    bool isNumber = false;
    const std::uint32_t type = typeText.toUInt(&isNumber);
    const auto archiver = isNumber ? registry.getArchiver(type) : nullptr;
    if (!archiver) {
        result.warnings << QStringLiteral("The object of type \"%1\" in line %2 is of no known "
                                          "kind and was passed over.")
                               .arg(typeText.toString())
                               .arg(line);
        xml.skipCurrentElement();
        return;
    }

    archiver->setReader(&xml);
    archiver->setMaterialIdMap(&idMap);
    std::shared_ptr<Object> object;
    QString error;
    try {
        object = archiver->read();
        if (!object)
            error = archiver->errorString();
    } catch (const std::exception &e) {
        error = QStringLiteral("The object in line %1 could not be read (%2) and was passed over.")
                    .arg(line)
                    .arg(QString::fromLocal8Bit(e.what()));
    }
    archiver->setReader(nullptr);
    archiver->setMaterialIdMap(nullptr);

    if (object) {
        document.addObject(object);
        ++result.objectsLoaded;
    } else {
        result.warnings << (error.isEmpty()
                                ? QStringLiteral("The object in line %1 could not be read and was "
                                                 "passed over.").arg(line)
                                : error);
    }
}

void DocumentReader::readMaterial(QXmlStreamReader &xml, MaterialIdMap &idMap, Result &result)
{
    bool ok = false;
    Materials::Material material = MaterialArchiver::loadMaterial(xml, ok);
    if (!ok) {
        result.warnings << materialWarning();
        return;
    }

    const std::uint32_t fileId = material.getId();
    const Materials::Material known = catalogue->getMaterial(fileId);
    if (known.getId() == 0) {
        catalogue->addMaterial(material);
        idMap[fileId] = fileId;
    } else if (known == material) {
        idMap[fileId] = fileId;
    } else {
        // The catalogue gives this id to another material: the file's one
        // moves to another id, and its cells follow it. A material that an
        // earlier load already moved is found again, so loading the same file
        // twice gives the same ids and adds nothing more to the catalogue.
        std::uint32_t newId = 0;
        for (const Materials::Material &candidate : catalogue->getMaterials()) {
            Materials::Material moved = material;
            moved.setId(candidate.getId());
            if (moved == candidate) {
                newId = candidate.getId();
                break;
            }
        }
        if (newId == 0) {
            newId = catalogue->getNewMaterialId();
            material.setId(newId);
            catalogue->addMaterial(material);
        }
        idMap[fileId] = newId;
        qCDebug(lcPersistence) << "Material" << material.getName() << "of the file moves from id"
                               << fileId << "to" << newId;
    }
}

} // namespace Persistence
} // namespace Model
