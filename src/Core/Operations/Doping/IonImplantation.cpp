#include "Core/Operations/Doping/IonImplantation.h"

#include "Core/Operations/Lifecycle/ProcessEffect.h"

#include <cmath>

namespace Core {
namespace Operations {

namespace {

using Model::Automaton::Voxel;

} // namespace

IonImplantation::IonImplantation(Model::Automaton::TotalVolume *volume, std::uint32_t hostMaterial,
                                 std::uint32_t dopantType, float implantationDepth, float annealingDistance)
    : SurfaceFrontProcess(volume, annealingDistance)
    , dopable(hostMaterial, dopantType)
    , implantationDepth(implantationDepth)
{
}

// Column by column: every cell is set afresh, whatever an earlier process
// left in it. Empty cells (above the top and in cavities below it alike) and
// other solids are fixed and never seed; the implanted cells are the sources.
// Their face neighbours start the front; the ones in the neighbouring strips
// are handed over.
void IonImplantation::initialiseStrip(Strip &strip)
{
    const std::size_t nyz = std::size_t(ny) * nz;
    const float halfCell = cz / 2.0f;
    const auto seedNeighbours = [&](std::size_t p, std::uint32_t x, std::uint32_t y, std::uint32_t z) {
        if (z > 0)
            strip.front.push_back(p - 1);
        if (z + 1 < nz)
            strip.front.push_back(p + 1);
        if (y > 0)
            strip.front.push_back(p - nz);
        if (y + 1 < ny)
            strip.front.push_back(p + nz);
        if (x > 0)
            (x == strip.xBegin ? strip.lower : strip.front).push_back(p - nyz);
        if (x + 1 < nx)
            (x + 1 == strip.xEnd ? strip.upper : strip.front).push_back(p + nyz);
    };

    for (std::uint32_t x = strip.xBegin; x < strip.xEnd; ++x) {
        for (std::uint32_t y = 0; y < ny; ++y) {
            const std::size_t base = (std::size_t(x) * ny + y) * nz;
            Voxel *column = cells + base;
            // The top cell: the highest non-empty one.
            std::uint32_t top = nz;
            for (std::uint32_t z = nz; z-- > 0;) {
                if (column[z].material != 0) {
                    top = z;
                    break;
                }
            }
            for (std::uint32_t z = 0; z < nz; ++z) {
                Voxel &cell = column[z];
                if (top == nz || cell.material == 0 || !dopable.contains(cell.material)) {
                    initialiseCell(base + z, CellRole::Barrier);
                    continue;
                }
                const float depth = float(top - z) * cz;
                if (std::fabs(depth - implantationDepth) <= halfCell) {
                    cell.material = dopable.dopant;
                    initialiseCell(base + z, CellRole::Source);
                    seedNeighbours(base + z, x, y, z);
                } else {
                    initialiseCell(base + z, CellRole::Open);
                }
            }
        }
    }
}

void IonImplantation::advanceStrip(Strip &strip)
{
    advanceFront(strip, DopantFrontStep<false>{&dopable, distance * distance});
}

void IonImplantation::describe(ProcessEffect &effect, std::uint32_t hostMaterial, float implantationDepth,
                               float annealingDistance)
{
    effect.noteLength(QStringLiteral("depth"), implantationDepth);
    effect.addNote(QStringLiteral("annealing distance %1").arg(ProcessEffect::micrometres(annealingDistance)));
    effect.needMaterial(hostMaterial);
}

} // namespace Operations
} // namespace Core
