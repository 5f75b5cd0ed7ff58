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

} // namespace Persistence
} // namespace Model
