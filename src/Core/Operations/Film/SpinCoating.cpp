#include "Core/Operations/Film/SpinCoating.h"

#include "Core/Operations/Lifecycle/ProcessEffect.h"
#include "Model/Automaton/TotalVolume.h"
#include "Model/Automaton/Voxel.h"

#include <algorithm>

namespace Core {
namespace Operations {

SpinCoating::SpinCoating(Model::Automaton::TotalVolume *v, std::uint32_t materialId, std::uint32_t height)
    : LayerProcess(v)
    , material(materialId)
    , heightBound(std::min(height, nz))
{
}

void SpinCoating::processSlab(Model::Automaton::Voxel *cells, std::uint32_t xBegin, std::uint32_t xEnd) const
{
    for (std::size_t column = std::size_t(xBegin) * ny; column < std::size_t(xEnd) * ny; ++column) {
        Model::Automaton::Voxel *c = cells + column * nz;
        for (std::uint32_t z = 0; z < heightBound; ++z) {
            if (c[z].material == 0)
                c[z].material = material;
        }
    }
}

void SpinCoating::describe(ProcessEffect &effect, const Model::Automaton::TotalVolume &volume, std::uint32_t height)
{
    using Model::Automaton::TotalVolume;
    const double cellHeight = volume.getCellSizeZ();
    const double level = double(height) * cellHeight;
    effect.noteLength(QStringLiteral("height"), level);
    effect.addIdleCheck([level, cellHeight](TotalVolume &v) {
        // The lowest empty cell of any column is where a film would start;
        // the highest solid cell is the top of the surface.
        const std::uint32_t nz = v.getSizeZ();
        std::uint32_t lowestOpen = nz, top = 0;
        {
            const TotalVolume::CellsLock lock(v, TotalVolume::CellsLock::Read);
            const Model::Automaton::Voxel *cells = lock.cells();
            const std::size_t columns = std::size_t(v.getSizeX()) * v.getSizeY();
            for (std::size_t column = 0; column < columns; ++column) {
                const Model::Automaton::Voxel *c = cells + column * nz;
                std::uint32_t z = 0;
                while (z < nz && c[z].material != 0)
                    ++z;
                lowestOpen = std::min(lowestOpen, z);
                for (std::uint32_t solid = nz; solid > top; --solid) {
                    if (c[solid - 1].material != 0) {
                        top = solid;
                        break;
                    }
                }
            }
        }
        if (lowestOpen == nz)
            return QStringLiteral("the volume has no empty cell to fill");
        const QString where = level < double(lowestOpen) * cellHeight ? QStringLiteral("below") : QStringLiteral("at");
        const QString surface = lowestOpen == top
            ? QStringLiteral("top at %1").arg(ProcessEffect::micrometres(double(top) * cellHeight))
            : QStringLiteral("lowest point at %1, top at %2")
                  .arg(ProcessEffect::micrometres(double(lowestOpen) * cellHeight),
                       ProcessEffect::micrometres(double(top) * cellHeight));
        return QStringLiteral("the height %1 lies %2 the surface (%3 above the volume's bottom)")
            .arg(ProcessEffect::micrometres(level), where, surface);
    });
}

} // namespace Operations
} // namespace Core
