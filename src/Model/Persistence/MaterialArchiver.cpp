#include "MaterialArchiver.h"

#include "Util/Logging.h"

#include <QColor>
#include <QXmlStreamReader>
#include <QXmlStreamWriter>

#include <algorithm>

namespace Model {
namespace Persistence {

namespace {

int colorByte(double component)
{
    return std::clamp(int(component * 255.0), 0, 255);
}

float readFloat(const QStringRef &text)
{
    bool ok = false;
    const float value = text.toFloat(&ok);
    if (!ok)
        qCDebug(lcCatalogue) << "not a number:" << text;
    return ok ? value : 0.0f;
}

} // namespace

QString MaterialArchiver::colorToString(const Util::Vector4D &color)
{
    const int parts[4] = {colorByte(color[3]), colorByte(color[0]), colorByte(color[1]),
                          colorByte(color[2])};
    QString text = QStringLiteral("#");
    for (int part : parts)
        text += QStringLiteral("%1").arg(part, 2, 16, QLatin1Char('0')).toUpper();
    return text;
}

QString MaterialArchiver::numberToString(float value)
{
    return QString::number(double(value), 'g', 6);
}

Materials::Material MaterialArchiver::loadMaterial(QXmlStreamReader &reader, bool &ok)
{
    Materials::Material material;
    ok = false;
    if (reader.name() != QLatin1String("Material"))
        return material;

    // Attributes a file leaves out keep the values of the default Material.
    std::uint32_t id = 0;
    QString name;
    float density = 0.0f;
    float youngModulus = 0.0f;
    float poissonRatio = 0.0f;
    Util::Vector4D color = material.getColor();

    const QXmlStreamAttributes attributes = reader.attributes();
    for (const QXmlStreamAttribute &attribute : attributes) {
        const QStringRef key = attribute.name();
        const QStringRef value = attribute.value();
        qCDebug(lcCatalogue).noquote().nospace() << "attribute: " << key;
        if (key == QLatin1String("name")) {
            name = value.toString();
        } else if (key == QLatin1String("material-id")) {
            id = value.toUInt(); // 0 when it is not an unsigned number
        } else if (key == QLatin1String("density")) {
            density = readFloat(value);
        } else if (key == QLatin1String("poisson-ratio")) {
            poissonRatio = readFloat(value);
        } else if (key == QLatin1String("young-modulus")) {
            youngModulus = readFloat(value);
        } else if (key == QLatin1String("color")) {
            const QColor parsed(value.toString());
            if (parsed.isValid())
                color = Util::Vector4D(parsed.redF(), parsed.greenF(), parsed.blueF(),
                                       parsed.alphaF());
            else
                qCDebug(lcCatalogue) << "not a colour:" << value;
        }
    }

    ok = id != 0 && !name.isEmpty();
    material = Materials::Material(id, name, density, youngModulus, poissonRatio, nullptr);
    material.setColor(color);
    return material;
}

bool MaterialArchiver::saveMaterial(const Materials::Material &material, QXmlStreamWriter &writer)
{
    writer.writeEmptyElement(QStringLiteral("Material"));
    writer.writeAttribute(QStringLiteral("version"), QStringLiteral("1"));
    writer.writeAttribute(QStringLiteral("name"), material.getName());
    writer.writeAttribute(QStringLiteral("material-id"), QString::number(material.getId()));
    writer.writeAttribute(QStringLiteral("density"), numberToString(material.getDensity()));
    writer.writeAttribute(QStringLiteral("poisson-ratio"),
                          numberToString(material.getPoissonRatio()));
    writer.writeAttribute(QStringLiteral("young-modulus"),
                          numberToString(material.getYoungModulus()));
    writer.writeAttribute(QStringLiteral("color"), colorToString(material.getColor()));
    return !writer.hasError();
}

} // namespace Persistence
} // namespace Model
