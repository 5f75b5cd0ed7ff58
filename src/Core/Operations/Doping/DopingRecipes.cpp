#include "Core/Operations/Doping/DopingRecipes.h"

#include "Core/Operations/Doping/Diffusion.h"
#include "Core/Operations/Lifecycle/ProcessEffect.h"
#include "Model/Automaton/TotalVolume.h"

namespace Core {
namespace Operations {

namespace {

// "1e15", "7.71e19", "0.5"
QString scientific(double value)
{
    QString text = QString::number(value, 'g', 3);
    text.replace(QStringLiteral("e+"), QStringLiteral("e"));
    return text;
}

QString figure(double value)
{
    return QString::number(value, 'g', 4);
}

// "0.404 µm": the models' lengths to four figures.
QString length(double micrometres)
{
    return figure(micrometres) + QStringLiteral(" \u00b5m");
}

QString perSquare(double value)
{
    return scientific(value) + QStringLiteral(" cm\u207b\u00b2");
}

void idleReason(ProcessEffect &effect, const QString &text)
{
    effect.addIdleCheck([text](Model::Automaton::TotalVolume &) { return text; });
}

} // namespace

QString concentrationText(double perCubicCentimetre)
{
    return scientific(perCubicCentimetre) + QStringLiteral(" cm\u207b\u00b3");
}

ImplantProfile ImplantRecipe::asImplanted() const
{
    return ImplantProfile::of(species, energy, dose);
}

ImplantProfile ImplantRecipe::profile() const
{
    const ImplantProfile implanted = asImplanted();
    if (!(annealMinutes > 0.0))
        return implanted;
    return implanted.annealed(Diffusion::diffusivityMicrometres(species, annealTemperature), annealMinutes * 60.0);
}

QStringList ImplantRecipe::notes() const
{
    const ImplantProfile implanted = asImplanted();
    const ImplantProfile spread = profile();
    QStringList said{QStringLiteral("%1 %2 keV, %3: Rp %4, \u0394Rp %5")
                         .arg(Dopants::symbol(species), figure(energy), perSquare(dose), length(implanted.range),
                              length(implanted.straggle))};
    if (annealMinutes > 0.0)
        said << QStringLiteral("annealed %1 min at %2 \u00b0C to \u0394Rp %3")
                    .arg(figure(annealMinutes), figure(annealTemperature), length(spread.straggle));
    said << QStringLiteral("peak %1").arg(concentrationText(spread.peak()));
    const ImplantProfile::Band doped = spread.dopedBand(background);
    if (doped.isEmpty())
        return said << QStringLiteral("no junction");
    if (doped.top > 0.0)
        said << QStringLiteral("doped from %1 to %2 deep").arg(length(doped.top), length(doped.bottom));
    return said << QStringLiteral("junction depth %1").arg(length(doped.bottom));
}

void ImplantRecipe::describe(ProcessEffect &effect, double cellHeight) const
{
    for (const QString &note : notes())
        effect.addNote(note);
    const ImplantProfile spread = profile();
    const ImplantProfile::Band doped = spread.dopedBand(background);
    if (doped.isEmpty())
        idleReason(effect, QStringLiteral("the peak %1 does not exceed the background %2")
                               .arg(concentrationText(spread.peak()), concentrationText(background)));
    else if (doped.bottom - doped.top < cellHeight)
        idleReason(effect, QStringLiteral("the doped layer, %1 to %2 deep, holds no cell centre (cells %3 high)")
                               .arg(length(doped.top), length(doped.bottom), length(cellHeight)));
}

double DiffusionRecipe::junctionDepth() const
{
    return Diffusion::constantSourceJunction(surface, background,
                                             Diffusion::diffusivityMicrometres(species, temperature), minutes * 60.0);
}

QStringList DiffusionRecipe::notes() const
{
    return {QStringLiteral("%1 from %2 at the surface, %3 min at %4 \u00b0C")
                .arg(Dopants::symbol(species), concentrationText(surface), figure(minutes), figure(temperature)),
            QStringLiteral("junction depth %1").arg(length(junctionDepth()))};
}

void DiffusionRecipe::describe(ProcessEffect &effect, double cellSize) const
{
    for (const QString &note : notes())
        effect.addNote(note);
    const double depth = junctionDepth();
    if (!(surface > background))
        idleReason(effect, QStringLiteral("the surface concentration %1 does not exceed the background %2")
                               .arg(concentrationText(surface), concentrationText(background)));
    else if (depth < cellSize)
        idleReason(effect, QStringLiteral("the junction depth %1 is less than a cell (%2)")
                               .arg(length(depth), length(cellSize)));
}

} // namespace Operations
} // namespace Core
