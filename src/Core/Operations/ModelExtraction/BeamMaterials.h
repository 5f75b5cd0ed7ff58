#pragma once

#include "Model/ModelExtraction/BeamPhysics.h"

#include <cstdint>

namespace Core {
namespace Operations {

// The density and Young's modulus a beam of a material is modelled with: the
// material catalogue's entry, or, for an id the catalogue does not hold, the
// extraction's own table of ids 0 to 15 (nothing for larger ids).
class BeamMaterials
{
public:
    static Model::ModelExtraction::BeamMaterial of(std::uint32_t materialId);
    // of() as a lookup for the cantilever rule.
    static Model::ModelExtraction::MaterialLookup fromCatalogue();
};

} // namespace Operations
} // namespace Core
