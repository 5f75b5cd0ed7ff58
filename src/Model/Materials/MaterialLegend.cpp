#include "MaterialLegend.h"

#include "MaterialFactory.h"

#include "Model/Automaton/MaterialColorTable.h"

#include <algorithm>
#include <cmath>

namespace Model {
namespace Materials {

namespace {

QColor colorOf(double r, double g, double b, double a)
{
    const auto unit = [](double v) { return std::isfinite(v) ? std::clamp(v, 0.0, 1.0) : 0.0; };
    return QColor::fromRgbF(unit(r), unit(g), unit(b), unit(a));
}

} // namespace

MaterialLegend::Entry MaterialLegend::entry(std::uint32_t id)
{
    const Material material = MaterialFactory::getInstance()->getMaterial(id);
    Entry entry;
    entry.id = id;
    if (material.getId() == id && id != 0) {
        const Util::Vector4D c = material.getColor();
        entry.name = material.getName();
        entry.color = colorOf(c.x, c.y, c.z, c.w);
    } else {
        const auto &c = Automaton::MaterialColorTable::fallbackColor;
        entry.name = QStringLiteral("Material %1").arg(id);
        entry.color = colorOf(c[0], c[1], c[2], c[3]);
    }
    return entry;
}

QVector<MaterialLegend::Entry> MaterialLegend::entries(const std::vector<std::uint32_t> &ids)
{
    QVector<Entry> out;
    out.reserve(int(ids.size()));
    for (const std::uint32_t id : ids)
        out << entry(id);
    return out;
}

} // namespace Materials
} // namespace Model
