#pragma once

#include <QColor>
#include <QString>
#include <QVector>

#include <cstdint>
#include <vector>

namespace Model {
namespace Materials {

// The names and colours a legend shows for material ids, from the catalogue.
class MaterialLegend
{
public:
    struct Entry
    {
        std::uint32_t id = 0;
        QString name;
        QColor color;
    };

    // An id the catalogue does not hold is listed as "Material <id>" in the
    // colour such cells are drawn in.
    static QVector<Entry> entries(const std::vector<std::uint32_t> &ids);
    static Entry entry(std::uint32_t id);
};

} // namespace Materials
} // namespace Model
