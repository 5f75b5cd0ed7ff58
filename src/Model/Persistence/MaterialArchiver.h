#pragma once

#include "Model/Materials/Material.h"

class QXmlStreamReader;
class QXmlStreamWriter;

namespace Model {
namespace Persistence {

// Reads and writes one "Material" element of the material catalogue file
// (and of documents that carry their materials).
class MaterialArchiver
{
public:
    // Reads the Material element at the reader's current start element
    // without moving the reader. ok is true when the element is a
    // "Material" with a non-zero "material-id" and a non-empty "name".
    static Materials::Material loadMaterial(QXmlStreamReader &reader, bool &ok);

    // Writes one empty "Material" element; true when the writer reports no error.
    static bool saveMaterial(const Materials::Material &material, QXmlStreamWriter &writer);

    // "#AARRGGBB", each component multiplied by 255 and truncated.
    static QString colorToString(const Util::Vector4D &color);
    // Shortest general form with six significant digits ("2329", "1.88e+11").
    static QString numberToString(float value);
};

} // namespace Persistence
} // namespace Model
