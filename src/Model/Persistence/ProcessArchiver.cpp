#include "ProcessArchiver.h"

#include "Util/Logging.h"

#include <QXmlStreamReader>
#include <QXmlStreamWriter>

namespace Model {
namespace Persistence {

Process::Process ProcessArchiver::loadProcess(QXmlStreamReader &reader, bool &ok)
{
    ok = false;
    if (reader.name() != QLatin1String("Process"))
        return Process::Process();

    std::uint32_t id = 0;
    QString name;
    const QXmlStreamAttributes attributes = reader.attributes();
    for (const QXmlStreamAttribute &attribute : attributes) {
        const QStringRef key = attribute.name();
        qCDebug(lcCatalogue).noquote().nospace() << "attribute: " << key << " -> " << attribute.value();
        if (key == QLatin1String("process-id"))
            id = attribute.value().toUInt(); // 0 when it is not an unsigned number
        else if (key == QLatin1String("name"))
            name = attribute.value().toString();
        // "version" is read and ignored.
    }
    if (id == 0 || name.isEmpty())
        return Process::Process();

    const QVector<std::uint32_t> ids = loadCompatibleMaterials(reader);
    ok = !reader.hasError();
    return Process::Process(name, id, ids);
}

QVector<std::uint32_t> ProcessArchiver::loadCompatibleMaterials(QXmlStreamReader &reader)
{
    QVector<std::uint32_t> ids;
    // Stops at the end of the Process element, so a Process without the child
    // does not swallow the next Process.
    if (!reader.readNextStartElement())
        return ids;
    qCDebug(lcCatalogue).noquote().nospace() << "Element: " << reader.name();
    if (reader.name() != QLatin1String("CompatibleMaterials"))
        return ids;

    reader.readNext();
    if (!reader.isCharacters())
        return ids; // an empty element
    const QString text = reader.text().toString();
    qCDebug(lcCatalogue).noquote().nospace() << "text-> " << text;
    const QStringList parts = text.split(QLatin1Char(';'), Qt::SkipEmptyParts);
    for (const QString &part : parts) {
        bool converted = false;
        const std::uint32_t materialId = part.toUInt(&converted);
        if (converted)
            ids.append(materialId);
    }
    return ids;
}

bool ProcessArchiver::saveProcess(const Process::Process &process, QXmlStreamWriter &writer)
{
    writer.writeStartElement(QStringLiteral("Process"));
    writer.writeAttribute(QStringLiteral("version"), QStringLiteral("1"));
    writer.writeAttribute(QStringLiteral("name"), process.getName());
    writer.writeAttribute(QStringLiteral("process-id"), QString::number(process.getId()));
    QString text;
    for (std::uint32_t materialId : process.getCompatibleMaterialIds())
        text += QString::number(materialId) + QLatin1Char(';');
    writer.writeTextElement(QStringLiteral("CompatibleMaterials"), text);
    writer.writeEndElement();
    return !writer.hasError();
}

} // namespace Persistence
} // namespace Model
