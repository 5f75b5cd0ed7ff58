#include "Core/Operations/Film/Planarization.h"

#include "Core/Operations/Lifecycle/ProcessEffect.h"
#include "Model/Automaton/TotalVolume.h"
#include "Model/Automaton/Voxel.h"

#include <algorithm>

namespace Core {
namespace Operations {

Planarization::Planarization(Model::Automaton::TotalVolume *v, std::uint32_t maximumHeight, std::uint32_t minimum)
    : LayerProcess(v)
    , upperBound(std::min(maximumHeight, nz))
    , minimumHeight(minimum)
{
}

void Planarization::processSlab(Model::Automaton::Voxel *cells, std::uint32_t xBegin, std::uint32_t xEnd) const
{
    // The kept band [keepBegin, keepEnd); empty when the bounds cross.
    const std::uint32_t keepEnd = upperBound;
    const std::uint32_t keepBegin = std::min(minimumHeight, keepEnd);
    for (std::size_t column = std::size_t(xBegin) * ny; column < std::size_t(xEnd) * ny; ++column) {
        Model::Automaton::Voxel *c = cells + column * nz;
        for (std::uint32_t z = 0; z < keepBegin; ++z)
            c[z].material = 0;
        for (std::uint32_t z = keepEnd; z < nz; ++z)
            c[z].material = 0;
    }
}

void Planarization::describe(ProcessEffect &effect, const Model::Automaton::TotalVolume &volume,
                             std::uint32_t maximumHeight, std::uint32_t minimumHeight)
{
    const std::uint32_t keepEnd = std::min(maximumHeight, volume.getSizeZ());
    const std::uint32_t keepBegin = std::min(minimumHeight, keepEnd);
    const double cellHeight = volume.getCellSizeZ();
    if (keepBegin == keepEnd) {
        effect.addNote(QStringLiteral("no layer kept"));
        effect.setIdleReason(QStringLiteral("the volume holds no solid cell"));
        return;
    }
    const QString band = QStringLiteral("the layers from %1 to %2")
                             .arg(ProcessEffect::micrometres(double(keepBegin) * cellHeight),
                                  ProcessEffect::micrometres(double(keepEnd) * cellHeight));
    effect.addNote(QStringLiteral("kept ") + band);
    effect.setIdleReason(QStringLiteral("no solid cell lies outside ") + band);
}

} // namespace Operations
} // namespace Core
