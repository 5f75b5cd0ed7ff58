#pragma once

#include "BeamPhysics.h"
#include "ExtractedModel.h"
#include "IModelRule.h"

namespace Model {
namespace ModelExtraction {

// Finds cantilever beams: a block of any material but the substrate's (1)
// that hangs free above and below and touches exactly one other block is a
// beam's free end; the beam runs from it, away from the end, through the
// blocks of its material that touch only the previous and the next one.
class CantileverModelRule : public IModelRule
{
public:
    static constexpr std::uint32_t substrateMaterial = 1;

    // The structure it finds sizes its beams with the volume's cell sizes
    // and takes their density and stiffness from `materials`.
    CantileverModelRule(const CellSize &cellSize, MaterialLookup materials);

    std::shared_ptr<IStructure> apply(const ExtractedModel &model) override;

    // The beams of the last apply(), in the order of their free ends.
    const ExtractedModel::EnvelopeList &getBeams() const { return beams; }

    // The direction a beam runs from its free end: the first of faces 0, 1
    // and 2 that has a neighbour, otherwise face 3.
    static std::uint32_t beamDirection(const RectangularCuboidEnvelope &freeEnd);
    // The beam from a free end: the box around the end and every block it
    // runs through.
    static std::shared_ptr<RectangularCuboidEnvelope> mergeBeam(const RectangularCuboidEnvelope &freeEnd);

private:
    CellSize cellSize;
    MaterialLookup materials;
    ExtractedModel::EnvelopeList beams;
};

} // namespace ModelExtraction
} // namespace Model
