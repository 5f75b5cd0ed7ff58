#include "SurfaceProfile.h"

#include "Section.h"

#include <cmath>
#include <limits>

namespace Model {
namespace Metrology {

std::optional<std::vector<double>> SurfaceProfile::heights(const Section &section,
                                                           std::optional<std::uint32_t> material,
                                                           QString *error)
{
    if (!section.isVertical()) {
        if (error)
            *error = QStringLiteral("A section across z is horizontal and has no height profile; take one across x or y.");
        return std::nullopt;
    }
    std::vector<double> out(section.width, std::numeric_limits<double>::quiet_NaN());
    for (std::uint32_t u = 0; u < section.width; ++u) {
        for (std::uint32_t v = section.height; v-- > 0;) {
            const std::uint32_t id = section.id(u, v);
            if (material ? id == *material : id != 0) {
                out[u] = section.vEdge(v + 1);
                break;
            }
        }
    }
    return out;
}

std::vector<StackLayer> SurfaceProfile::runsFromTop(const std::uint32_t *ids, std::size_t stride,
                                                    std::uint32_t count, double origin, double cell)
{
    std::vector<StackLayer> runs;
    std::uint32_t v = count;
    while (v > 0 && ids[std::size_t(v - 1) * stride] == 0)
        --v;
    while (v > 0) {
        const std::uint32_t id = ids[std::size_t(v - 1) * stride];
        const std::uint32_t top = v;
        while (v > 0 && ids[std::size_t(v - 1) * stride] == id)
            --v;
        runs.push_back(StackLayer{id, origin + v * cell, origin + top * cell});
    }
    // The empty cells under the lowest material are not a layer.
    if (!runs.empty() && runs.back().material == 0)
        runs.pop_back();
    return runs;
}

std::vector<StackLayer> SurfaceProfile::stack(const Section &section, std::uint32_t u)
{
    if (!section.isVertical() || u >= section.width)
        return {};
    return runsFromTop(section.ids.data() + u, section.width, section.height, section.vOrigin, section.vCell);
}

} // namespace Metrology
} // namespace Model
