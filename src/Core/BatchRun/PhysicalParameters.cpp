#include "PhysicalParameters.h"

#include "StepParameters.h"

namespace Core {
namespace BatchRun {

using namespace Operations;

namespace {

// The species a step names; boron when the choice was refused.
DopantSpecies speciesOf(StepParameters &parameters)
{
    return Dopants::fromName(parameters.toChoice(QStringLiteral("Species"))).value_or(DopantSpecies::Boron);
}

// An optional number of the mode: `fallback` when the step leaves it out.
double optionalNumber(StepParameters &parameters, const QString &name, double fallback)
{
    return parameters.has(name) ? parameters.toDouble(name) : fallback;
}

} // namespace

std::optional<WetEtchRecipe> PhysicalParameters::wetEtch(StepParameters &parameters)
{
    const QString key = QStringLiteral("Etchant");
    if (!parameters.has(key))
        return std::nullopt;
    WetEtchRecipe recipe;
    recipe.etchant = WetEtchRecipe::fromName(parameters.toChoice(key)).value_or(WetEtchRecipe::Etchant::Koh);
    if (recipe.etchant == WetEtchRecipe::Etchant::Koh) {
        recipe.concentration = parameters.toDouble(QStringLiteral("Concentration"));
        recipe.temperature = parameters.toDouble(QStringLiteral("Temperature"));
    } else {
        recipe.customRate = parameters.toDouble(QStringLiteral("Rate 100"));
    }
    recipe.minutes = parameters.toDouble(QStringLiteral("Etch Time"));
    return recipe;
}

DealGrove::Ambient PhysicalParameters::ambient(StepParameters &parameters)
{
    const QString key = QStringLiteral("Oxidation Ambient");
    if (!parameters.has(key))
        return DealGrove::Ambient::Dry;
    return DealGrove::fromName(parameters.toChoice(key)).value_or(DealGrove::Ambient::Dry);
}

std::optional<ImplantRecipe> PhysicalParameters::implant(StepParameters &parameters)
{
    if (!parameters.has(QStringLiteral("Species")))
        return std::nullopt;
    ImplantRecipe recipe;
    recipe.species = speciesOf(parameters);
    recipe.energy = parameters.toDouble(QStringLiteral("Energy"));
    recipe.dose = parameters.toDouble(QStringLiteral("Dose"));
    recipe.background = optionalNumber(parameters, QStringLiteral("Background Doping"), recipe.background);
    recipe.annealMinutes = optionalNumber(parameters, QStringLiteral("Anneal Time"), 0.0);
    if (recipe.annealMinutes > 0.0)
        recipe.annealTemperature = parameters.toDouble(QStringLiteral("Anneal Temperature"));
    return recipe;
}

std::optional<DiffusionRecipe> PhysicalParameters::diffusion(StepParameters &parameters)
{
    if (!parameters.has(QStringLiteral("Species")))
        return std::nullopt;
    DiffusionRecipe recipe;
    recipe.species = speciesOf(parameters);
    recipe.surface = parameters.toDouble(QStringLiteral("Surface Concentration"));
    recipe.temperature = parameters.toDouble(QStringLiteral("Temperature"));
    recipe.minutes = parameters.toDouble(QStringLiteral("Diffusion Time"));
    recipe.background = optionalNumber(parameters, QStringLiteral("Background Doping"), recipe.background);
    return recipe;
}

} // namespace BatchRun
} // namespace Core
