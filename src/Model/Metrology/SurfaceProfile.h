#pragma once

#include <QString>

#include <cstdint>
#include <optional>
#include <vector>

namespace Model {
namespace Metrology {

struct Section;

// One run of a single material in a column, heights in world µm.
struct StackLayer
{
    std::uint32_t material = 0; // 0 for a void between two materials
    double bottom = 0.0;
    double top = 0.0;
};

// Columns of a vertical section read top down: the surface height of each
// column and the stack of layers in one column.
class SurfaceProfile
{
public:
    // The top of the highest non-empty cell of every column (of `material`
    // only, when given), in µm; NaN for a column without such a cell. Nothing,
    // with the reason, on a horizontal section.
    static std::optional<std::vector<double>> heights(const Section &section,
                                                      std::optional<std::uint32_t> material,
                                                      QString *error);
    // The runs of column u from the top down: the empty cells above the
    // surface and below the lowest material are left out, voids between
    // materials are runs of id 0.
    static std::vector<StackLayer> stack(const Section &section, std::uint32_t u);
    // The same read from a column of cells: ids[0] is the lowest cell, each
    // `stride` apart, the lowest cell's bottom face at `origin`.
    static std::vector<StackLayer> runsFromTop(const std::uint32_t *ids, std::size_t stride,
                                               std::uint32_t count, double origin, double cell);
};

} // namespace Metrology
} // namespace Model
