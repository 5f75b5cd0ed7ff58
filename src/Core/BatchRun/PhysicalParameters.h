#pragma once

#include "Core/Operations/Doping/DopingRecipes.h"
#include "Core/Operations/SiEtching/WetEtchRecipe.h"
#include "Core/Operations/SiOxidation/DealGrove.h"

#include <optional>

namespace Core {
namespace BatchRun {

class StepParameters;

// The physical modes of a step, read by name: the etch by etchant and time,
// the oxidation ambient, the implant by species, energy and dose and the
// diffusion from a surface source. A reader gives nothing when the step does
// not hold the mode's first parameter ("Etchant", "Species"), so the step
// runs its geometric mode; a missing value, a number outside its range and
// a text outside its choices are noted in `parameters` as for any parameter.
class PhysicalParameters
{
public:
    static std::optional<Operations::WetEtchRecipe> wetEtch(StepParameters &parameters);
    // "Oxidation Ambient"; dry when the step does not hold it.
    static Operations::DealGrove::Ambient ambient(StepParameters &parameters);
    static std::optional<Operations::ImplantRecipe> implant(StepParameters &parameters);
    static std::optional<Operations::DiffusionRecipe> diffusion(StepParameters &parameters);
};

} // namespace BatchRun
} // namespace Core
