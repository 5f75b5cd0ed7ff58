#include "Core/Operations/Film/SpinCoating.h"

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

} // namespace Operations
} // namespace Core
