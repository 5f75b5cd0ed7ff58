#include "DocumentWriter.h"

#include "ArchiverRegistry.h"
#include "MaterialArchiver.h"
#include "ObjectArchiver.h"
#include "Model/Document.h"
#include "Model/Materials/MaterialFactory.h"
#include "Model/Object.h"
#include "Util/Logging.h"
#include "Util/SafeFileWriter.h"

#include <QElapsedTimer>
#include <QXmlStreamWriter>

namespace Model {
namespace Persistence {

QString DocumentWriter::errorTitle()
{
    return QStringLiteral("Error writing to file");
}

QString DocumentWriter::errorText()
{
    return QStringLiteral("Unable to save document to the specified file.");
}

DocumentWriter::DocumentWriter(ArchiverRegistry &registry,
                               std::shared_ptr<Materials::MaterialFactory> catalogue)
    : registry(registry)
    , catalogue(catalogue ? std::move(catalogue) : Materials::MaterialFactory::getInstance())
{
}

DocumentWriter::Result DocumentWriter::save(Document &document, const QString &fileName)
{
    QElapsedTimer timer;
    timer.start();
    Result result;
    const auto written = Util::SafeFileWriter::write(fileName, [&](QIODevice &device) {
        result = write(document, device);
        return result.ok;
    });
    if (!written) {
        result.ok = false;
        result.errorMessage = errorText();
        result.detail = written.error;
        qCWarning(lcPersistence) << "Cannot save" << fileName << ":" << result.detail;
        return result;
    }
    document.setFileName(fileName);
    qCDebug(lcPersistence) << "Saved" << fileName << "in" << timer.elapsed() << "ms";
    return result;
}

DocumentWriter::Result DocumentWriter::write(Document &document, QIODevice &device)
{
    Result result;
    QXmlStreamWriter writer(&device);
    writer.writeStartDocument();
    writer.writeStartElement(QStringLiteral("Document"));
    writer.writeEmptyElement(QStringLiteral("Header"));
    writer.writeAttribute(QStringLiteral("version"), QStringLiteral("1"));

    for (const Materials::Material &material : catalogue->getMaterials())
        MaterialArchiver::saveMaterial(material, writer);

    for (const std::shared_ptr<Object> &object : document.getAllObjects()) {
        if (writer.hasError())
            break;
        const auto archiver = registry.getArchiver(object->getObjectType());
        if (!archiver) {
            qCWarning(lcPersistence) << "No archiver for object type" << object->getObjectType()
                                     << "- the object is not saved";
            ++result.objectsSkipped;
            continue;
        }
        archiver->setWriter(&writer);
        if (archiver->write(object))
            ++result.objectsWritten;
        else if (!writer.hasError())
            ++result.objectsSkipped;
        archiver->setWriter(nullptr);
    }

    writer.writeEndElement();
    writer.writeEndDocument();

    result.ok = !writer.hasError();
    if (!result.ok) {
        result.errorMessage = errorText();
        result.detail = device.errorString();
    }
    return result;
}

} // namespace Persistence
} // namespace Model
