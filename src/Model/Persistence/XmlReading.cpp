#include "XmlReading.h"

#include <QXmlStreamReader>

namespace Model {
namespace Persistence {

bool nextStartElement(QXmlStreamReader &reader)
{
    while (!reader.atEnd()) {
        if (reader.readNext() == QXmlStreamReader::StartElement)
            return true;
    }
    return false;
}

QString readError(const QXmlStreamReader &reader)
{
    if (!reader.hasError())
        return QString();
    return QStringLiteral("%1 (line %2)").arg(reader.errorString()).arg(reader.lineNumber());
}

} // namespace Persistence
} // namespace Model
