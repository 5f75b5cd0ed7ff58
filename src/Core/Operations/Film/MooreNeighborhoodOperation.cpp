#include "Core/Operations/Film/MooreNeighborhoodOperation.h"

#include "Core/ProcessTable.h"

namespace Core {
namespace Operations {

// Both carry the same name and state key; the key's one instance counter
// keeps their state records apart.
MooreNeighborhoodOperation::MooreNeighborhoodOperation(Workspace *ws, ProcessKey kind)
    : VolumeProcessOperation(ws, ProcessTable::operationName(kind), ProcessTable::operationId(kind),
                             QStringLiteral("MooreFilmDep"))
{
    requiredOptions = materialOption | stepsOption;
}

void MooreNeighborhoodOperation::setMaterial(std::uint32_t id)
{
    material = id;
    optionSet(materialOption);
}

void MooreNeighborhoodOperation::setSteps(std::uint32_t count)
{
    steps = count;
    optionSet(stepsOption);
}

} // namespace Operations
} // namespace Core
