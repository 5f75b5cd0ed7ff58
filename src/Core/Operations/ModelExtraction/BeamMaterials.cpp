#include "BeamMaterials.h"

#include "Model/Materials/MaterialFactory.h"

namespace Core {
namespace Operations {

namespace {

// Kept for ids a catalogue file may lack; every stiffness is the same 70 GPa.
constexpr std::uint32_t tableSize = 16;
const double densityTable[tableSize] = {0, 2329, 2700, 8940, 8908, 2648, 2810, 1000,
                                        1000, 1000, 1000, 1000, 1000, 1000, 1000, 1000};
constexpr double tableYoungModulus = 7e10;

} // namespace

Model::ModelExtraction::BeamMaterial BeamMaterials::of(std::uint32_t materialId)
{
    Model::ModelExtraction::BeamMaterial material;
    const Model::Materials::Material entry = Model::Materials::MaterialFactory::getInstance()->getMaterial(materialId);
    if (entry.getId() == materialId && materialId != 0) {
        material.name = entry.getName();
        material.density = double(entry.getDensity());
        material.youngModulus = double(entry.getYoungModulus());
        return material;
    }
    material.name = QStringLiteral("material %1").arg(materialId);
    if (materialId < tableSize && materialId != 0) {
        material.density = densityTable[materialId];
        material.youngModulus = tableYoungModulus;
    }
    return material;
}

Model::ModelExtraction::MaterialLookup BeamMaterials::fromCatalogue()
{
    return &BeamMaterials::of;
}

} // namespace Operations
} // namespace Core
