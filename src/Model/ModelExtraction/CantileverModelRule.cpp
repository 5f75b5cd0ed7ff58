#include "CantileverModelRule.h"

#include "CantileverStructure.h"
#include "RectangularCuboidEnvelope.h"

#include <algorithm>

namespace Model {
namespace ModelExtraction {

using Face = RectangularCuboidEnvelope::Face;

CantileverModelRule::CantileverModelRule(const CellSize &cells, MaterialLookup lookup)
    : cellSize(cells)
    , materials(std::move(lookup))
{
}

std::uint32_t CantileverModelRule::beamDirection(const RectangularCuboidEnvelope &freeEnd)
{
    for (std::uint32_t face : {Face::LowX, Face::HighX, Face::LowY}) {
        if (freeEnd.getNeighbour(face))
            return face;
    }
    return Face::HighY;
}

std::shared_ptr<RectangularCuboidEnvelope> CantileverModelRule::mergeBeam(const RectangularCuboidEnvelope &freeEnd)
{
    const std::uint32_t direction = beamDirection(freeEnd);
    std::uint64_t lower[3];
    std::uint64_t upper[3];
    for (int axis = 0; axis < 3; ++axis) {
        lower[axis] = freeEnd.getOrigin(axis);
        upper[axis] = freeEnd.getEnd(axis);
    }
    // The union of the blocks, whichever way the beam runs: adding only the
    // distance between origins would drop the far block's own length when
    // the beam runs towards +x or +y.
    for (const RectangularCuboidEnvelope *n = freeEnd.getNeighbour(direction);
         n && n->getMaterial() == freeEnd.getMaterial() && n->getNeighbourCount() == 2 && n->getNeighbour(direction);
         n = n->getNeighbour(direction)) {
        for (int axis = 0; axis < 3; ++axis) {
            lower[axis] = std::min<std::uint64_t>(lower[axis], n->getOrigin(axis));
            upper[axis] = std::max<std::uint64_t>(upper[axis], n->getEnd(axis));
        }
    }
    return std::make_shared<RectangularCuboidEnvelope>(
        std::uint32_t(lower[0]), std::uint32_t(lower[1]), std::uint32_t(lower[2]), std::uint32_t(upper[0] - lower[0]),
        std::uint32_t(upper[1] - lower[1]), std::uint32_t(upper[2] - lower[2]), freeEnd.getMaterial());
}

std::shared_ptr<IStructure> CantileverModelRule::apply(const ExtractedModel &model)
{
    beams.clear();
    std::vector<CantileverStructure::Beam> structureBeams;
    for (const auto &envelope : model.getEnvelopes()) {
        if (envelope->getMaterial() != substrateMaterial && envelope->getNeighbourCount() == 1
            && !envelope->getNeighbour(Face::HighZ) && !envelope->getNeighbour(Face::LowZ)) {
            beams.push_back(mergeBeam(*envelope));
            // The beam is clamped where its free end's one neighbour lies, so
            // its length runs along that face's axis (faces 0, 1 x; 2, 3 y).
            structureBeams.push_back({beams.back(), int(beamDirection(*envelope) / 2)});
        }
    }
    if (beams.empty())
        return nullptr;
    return std::make_shared<CantileverStructure>(std::move(structureBeams), cellSize, materials);
}

} // namespace ModelExtraction
} // namespace Model
