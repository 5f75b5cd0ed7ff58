#include "IsotropicFilmDepositionOperation.h"

#include "IsotropicFilmDeposition.h"
#include "Model/Automaton/TotalVolume.h"

namespace Core {
namespace Operations {

namespace {
constexpr std::uint32_t siliconId = 1;
}

IsotropicFilmDepositionOperation::IsotropicFilmDepositionOperation(Workspace *ws)
    : VolumeProcessOperation(ws, QStringLiteral("Isotropic Deposition"), operationId,
                             QStringLiteral("IsotropicDeposition"))
{
}

void IsotropicFilmDepositionOperation::setThickness(float value)
{
    thickness = value;
    optionSet();
}

void IsotropicFilmDepositionOperation::setMaterial(std::uint32_t id)
{
    material = id;
    optionSet();
}

void IsotropicFilmDepositionOperation::runProcess(Model::Automaton::TotalVolume &volume)
{
    IsotropicFilmDeposition process(&volume, material, thickness);
    process.run();
}

bool IsotropicFilmDepositionOperation::mayDepositSilicon() const
{
    return material == siliconId;
}

} // namespace Operations
} // namespace Core
