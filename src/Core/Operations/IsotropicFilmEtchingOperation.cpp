#include "IsotropicFilmEtchingOperation.h"

#include "IsotropicFilmEtching.h"
#include "Model/Automaton/TotalVolume.h"

namespace Core {
namespace Operations {

namespace {
constexpr std::uint32_t siliconId = 1;
}

IsotropicFilmEtchingOperation::IsotropicFilmEtchingOperation(Workspace *ws)
    : VolumeProcessOperation(ws, QStringLiteral("Isotropic Etching"), operationId, QStringLiteral("IsotropicEtching"))
{
}

void IsotropicFilmEtchingOperation::setDepth(float value)
{
    depth = value;
    optionSet();
}

void IsotropicFilmEtchingOperation::setMaterial(std::uint32_t id)
{
    material = id;
    optionSet();
}

void IsotropicFilmEtchingOperation::runProcess(Model::Automaton::TotalVolume &volume)
{
    IsotropicFilmEtching process(&volume, material, depth);
    process.run();
}

// Etching silicon reshapes the silicon as much as depositing it does: the
// atomistic lattice no longer matches the cells either way.
bool IsotropicFilmEtchingOperation::mayDepositSilicon() const
{
    return material == siliconId;
}

} // namespace Operations
} // namespace Core
