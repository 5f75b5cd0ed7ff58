#include "ProcessSteps.h"

#include "BatchStepExecutor.h"
#include "Core/Operations/Doping/IonImplantation.h"
#include "Core/Operations/Doping/ProfileImplantation.h"
#include "Core/Operations/Doping/ThermalDoping.h"
#include "Core/Operations/Film/IsotropicFilmDeposition.h"
#include "Core/Operations/Film/IsotropicFilmEtching.h"
#include "Core/Operations/Lithography/MaskFile.h"
#include "Core/Operations/Lithography/MaskPlacement.h"
#include "Core/Operations/Lithography/Photolithography.h"
#include "Core/Operations/ReactiveIonEtching/SimpleReactiveIonEtching.h"
#include "Core/Operations/SiEtching/AtomicStructureSimpleSiWetEtch.h"
#include "Core/Operations/SiEtching/ContinuosWetEtching.h"
#include "Core/Operations/SiEtching/SiWetEtchRun.h"
#include "Core/Operations/SiOxidation/SimpleSiOxidation.h"
#include "Core/Workspace.h"
#include "Model/Automaton/TotalVolume.h"
#include "PhysicalParameters.h"
#include "ProcessData.h"
#include "StepParameters.h"

#include <algorithm>
#include <new>

namespace Core {
namespace BatchRun {

namespace {

using Model::Automaton::TotalVolume;

// GDSII layers are 2-byte numbers.
constexpr std::uint32_t largestLayer = 32767;

// A doping by species may leave out the doped material (silicon) and the
// type (the species decides it); the geometric modes need both.
std::uint32_t hostOf(StepParameters &parameters, const QString &name)
{
    if (parameters.has(QStringLiteral("Species")) && !parameters.has(name))
        return Core::Operations::DopantTypes::silicon;
    return parameters.toUInt(name);
}

std::uint32_t typeOf(StepParameters &parameters, const QString &name)
{
    if (parameters.has(QStringLiteral("Species")))
        return Core::Operations::DopantTypes::nType;
    return parameters.toUInt(name);
}

// Both doping steps run the same front; they differ in how a recipe names
// the doped material and the type. A diffusion from a surface source dopes
// to its junction depth, the species giving the type.
int runDoping(StepParameters &parameters, std::uint32_t host, std::uint32_t type,
              StepContext &context)
{
    const auto recipe = PhysicalParameters::diffusion(parameters);
    const float depth = recipe ? float(recipe->junctionDepth()) : parameters.toFloat(QStringLiteral("Doping Depth"));
    if (parameters.code())
        return parameters.giveUp(context);
    if (recipe)
        type = Core::Operations::Dopants::dopantType(recipe->species);
    Core::Operations::ThermalDoping(context.volume.get(), host, type, depth).run();
    const TotalVolume &volume = *context.volume;
    if (recipe)
        recipe->describe(context.effect,
                         std::min({volume.getCellSizeX(), volume.getCellSizeY(), volume.getCellSizeZ()}));
    else
        context.effect.noteLength(QStringLiteral("depth"), depth);
    context.effect.needMaterial(host);
    BatchStepExecutor::recordOperation(context, ProcessKey::Doping);
    return BatchStepExecutor::Done;
}

// Both atomistic etches: "Depth" in µm, or the depth an etchant reaches in
// its time.
template <class Engine>
int runWetEtch(const ProcessData &step, StepContext &context, ProcessKey key)
{
    StepParameters parameters(step);
    const auto recipe = PhysicalParameters::wetEtch(parameters);
    const double depth = recipe ? recipe->depth() : parameters.toDouble(QStringLiteral("Depth"));
    if (parameters.code())
        return parameters.giveUp(context);
    Engine engine(context.volume.get(), depth);
    engine.setFloorPaced(recipe.has_value());
    // The executor puts back cells a lattice that ran out of memory left half etched.
    if (!Core::Operations::SiWetEtchRun::run(context.workspace, *context.volume, engine))
        throw std::bad_alloc();
    if (recipe)
        context.effect.addNote(recipe->text());
    Core::Operations::SiWetEtchEngine::describe(engine.outcome(), context.effect);
    BatchStepExecutor::recordOperation(context, key);
    return BatchStepExecutor::Done;
}

// A mask as stored in a step: "<side>" (the bits), "<side> Width" and
// "<side> Height". A mask whose bit count does not match its size is refused
// rather than developed as if there were no mask. When the bits are empty
// (or absent) and "<side> File" names a file, the mask is loaded from it as
// the dialog would, with the optional "<side> Layer" and "<side> Cell Size"
// for a layout; a file that gives no mask refuses the step.
Core::Operations::LithographyMask readMask(StepParameters &parameters, const QString &side, const StepContext &context)
{
    Core::Operations::LithographyMask mask;
    const QString fileName = parameters.has(side + QStringLiteral(" File"))
                                 ? parameters.toString(side + QStringLiteral(" File")).trimmed()
                                 : QString();
    const bool haveBits = parameters.has(side) && !parameters.toBitVector(side).empty();
    if (fileName.isEmpty() || haveBits || parameters.code()) {
        mask.bits = parameters.toBitVector(side);
        mask.height = parameters.toUInt(side + QStringLiteral(" Height"));
        mask.width = parameters.toUInt(side + QStringLiteral(" Width"));
        if (!parameters.code() && !mask.isConsistent())
            parameters.reject(side, QStringLiteral("does not hold as many bits as its width times its height"));
        return mask;
    }
    std::optional<int> layer;
    std::optional<double> cellSize;
    const QString layerName = side + QStringLiteral(" Layer"), cellSizeName = side + QStringLiteral(" Cell Size");
    if (parameters.has(layerName)) {
        const std::uint32_t value = parameters.toUInt(layerName);
        if (!parameters.code() && value > largestLayer)
            parameters.reject(layerName, QStringLiteral("must be a layer from 0 to %1").arg(largestLayer));
        layer = int(value);
    }
    if (parameters.has(cellSizeName)) {
        cellSize = parameters.toDouble(cellSizeName);
        if (!parameters.code() && !(*cellSize > 0))
            parameters.reject(cellSizeName, QStringLiteral("must be greater than zero (layout units per cell)"));
    }
    if (parameters.code())
        return mask;
    const double volumeCellSize = context.volume ? double(context.volume->getCellSizeX()) : 1.0;
    QString error;
    if (!Core::Operations::MaskFile::load(fileName, layer, cellSize, volumeCellSize, mask, error))
        parameters.reject(side + QStringLiteral(" File"), QStringLiteral("gives no mask: %1").arg(error));
    return mask;
}

// "Mask Placement": how both masks are laid on the volume; absent in lists
// written before masks could be placed, which meant the corner.
Core::Operations::MaskPlacement readPlacement(StepParameters &parameters)
{
    using Core::Operations::MaskPlacing;
    const QString name = QStringLiteral("Mask Placement");
    if (!parameters.has(name))
        return Core::Operations::MaskPlacement::Corner;
    const QString text = parameters.toString(name);
    if (parameters.code())
        return Core::Operations::MaskPlacement::Corner;
    const auto placement = MaskPlacing::fromName(text);
    if (!placement) {
        parameters.reject(name, QStringLiteral("is \"%1\"; it must be one of %2")
                                    .arg(text, MaskPlacing::names().join(QStringLiteral(", "))));
        return Core::Operations::MaskPlacement::Corner;
    }
    return *placement;
}

} // namespace

int ProcessSteps::cvd(const ProcessData &step, StepContext &context)
{
    StepParameters parameters(step);
    const std::uint32_t material = parameters.toUInt(QStringLiteral("MaterialId"));
    const float thickness = parameters.toFloat(QStringLiteral("Thickness"));
    if (parameters.code())
        return parameters.giveUp(context);
    Core::Operations::IsotropicFilmDeposition(context.volume.get(), material, thickness).run();
    context.effect.noteLength(QStringLiteral("thickness"), thickness);
    BatchStepExecutor::recordOperation(context, ProcessKey::Cvd);
    return BatchStepExecutor::Done;
}

int ProcessSteps::isotropicEtching(const ProcessData &step, StepContext &context)
{
    StepParameters parameters(step);
    const std::uint32_t material = parameters.toUInt(QStringLiteral("MaterialId"));
    const float depth = parameters.toFloat(QStringLiteral("Depth"));
    if (parameters.code())
        return parameters.giveUp(context);
    Core::Operations::IsotropicFilmEtching(context.volume.get(), material, depth).run();
    context.effect.noteLength(QStringLiteral("depth"), depth);
    context.effect.needMaterial(material);
    BatchStepExecutor::recordOperation(context, ProcessKey::IsotropicEtching);
    return BatchStepExecutor::Done;
}

int ProcessSteps::siWetEtching(const ProcessData &step, StepContext &context)
{
    return runWetEtch<Core::Operations::AtomicStructureSimpleSiWetEtch>(step, context, ProcessKey::SiWetEtching);
}

int ProcessSteps::continuousWetEtching(const ProcessData &step, StepContext &context)
{
    return runWetEtch<Core::Operations::ContinuosWetEtching>(step, context, ProcessKey::ContinuousWetEtching);
}

// Thermal Oxidation: the time mode converts the Deal-Grove micrometres to
// scene units with "Micron Conversion" (1: one scene unit is one µm); the
// thickness mode takes µm.
int ProcessSteps::siOxidation(const ProcessData &step, StepContext &context)
{
    StepParameters parameters(step);
    const bool timeMode = parameters.toBool(QStringLiteral("OxidationTimeSet"));
    const double conversion = parameters.toDouble(QStringLiteral("Micron Conversion"));
    double pressure = 0.0;
    double temperature = 0.0;
    double time = 0.0;
    double thickness = 0.0;
    auto ambient = Core::Operations::DealGrove::Ambient::Dry;
    if (timeMode) {
        pressure = parameters.toDouble(QStringLiteral("Oxidation Pressure"));
        temperature = parameters.toDouble(QStringLiteral("Oxidation Temperature"));
        time = parameters.toDouble(QStringLiteral("Oxidation Time"));
        ambient = PhysicalParameters::ambient(parameters);
    } else {
        thickness = parameters.toDouble(QStringLiteral("Oxidation Thickness"));
    }
    if (parameters.code())
        return parameters.giveUp(context);
    Core::Operations::SimpleSiOxidation oxidation(context.volume.get(), conversion);
    if (timeMode) {
        oxidation.oxidateFor(time, temperature, pressure, ambient);
        Core::Operations::SimpleSiOxidation::describeConditions(context.effect, ambient, time, temperature, pressure);
    } else {
        oxidation.oxidateTo(thickness);
    }
    Core::Operations::SimpleSiOxidation::describe(context.effect, *context.volume, oxidation.getTarget());
    BatchStepExecutor::recordOperation(context, ProcessKey::SiOxidation);
    return BatchStepExecutor::Done;
}

// Thermal Doping: the doped material is "MaterialId", the type "Doping Type".
int ProcessSteps::thermalDoping(const ProcessData &step, StepContext &context)
{
    StepParameters parameters(step);
    const std::uint32_t host = hostOf(parameters, QStringLiteral("MaterialId"));
    const std::uint32_t type = typeOf(parameters, QStringLiteral("Doping Type"));
    return runDoping(parameters, host, type, context);
}

// Diffusion Doping: the doped material in "DopedMaterialId", the type in "DopingTypeValue".
int ProcessSteps::diffusionDoping(const ProcessData &step, StepContext &context)
{
    StepParameters parameters(step);
    const std::uint32_t type = typeOf(parameters, QStringLiteral("DopingTypeValue"));
    const std::uint32_t host = hostOf(parameters, QStringLiteral("DopedMaterialId"));
    return runDoping(parameters, host, type, context);
}

int ProcessSteps::ionImplantation(const ProcessData &step, StepContext &context)
{
    StepParameters parameters(step);
    if (const auto recipe = PhysicalParameters::implant(parameters)) {
        const std::uint32_t host = hostOf(parameters, QStringLiteral("DopedMaterialId"));
        if (parameters.code())
            return parameters.giveUp(context);
        const Core::Operations::ImplantProfile::Band band = recipe->band();
        Core::Operations::ProfileImplantation(context.volume.get(), host,
                                              Core::Operations::Dopants::dopantType(recipe->species), band.top,
                                              band.bottom)
            .run();
        recipe->describe(context.effect, context.volume->getCellSizeZ());
        context.effect.needMaterial(host);
        BatchStepExecutor::recordOperation(context, ProcessKey::IonImplantation);
        return BatchStepExecutor::Done;
    }
    const float annealing = parameters.toFloat(QStringLiteral("Annealing Distance"));
    const float depth = parameters.toFloat(QStringLiteral("Implantation Depth"));
    const std::uint32_t type = parameters.toUInt(QStringLiteral("DopingTypeValue"));
    const std::uint32_t host = parameters.toUInt(QStringLiteral("DopedMaterialId"));
    if (parameters.code())
        return parameters.giveUp(context);
    Core::Operations::IonImplantation(context.volume.get(), host, type, depth, annealing).run();
    Core::Operations::IonImplantation::describe(context.effect, host, depth, annealing);
    BatchStepExecutor::recordOperation(context, ProcessKey::IonImplantation);
    return BatchStepExecutor::Done;
}

// Simple RIE: "EtchDirectionValue" holds bit 1 (from the top) and bit 2
// (from below); any other bit makes the step unusable.
int ProcessSteps::simpleRie(const ProcessData &step, StepContext &context)
{
    StepParameters parameters(step);
    const std::uint32_t material = parameters.toUInt(QStringLiteral("MaterialId"));
    const std::uint32_t depth = parameters.toUInt(QStringLiteral("Etch Depth"));
    const std::int32_t directions = parameters.toInt(QStringLiteral("EtchDirectionValue"));
    if (!parameters.code() && (directions < 0 || directions > 3))
        parameters.reject(QStringLiteral("EtchDirectionValue"), QStringLiteral("must be 0 to 3 (none, top, bottom, both)"));
    if (parameters.code())
        return parameters.giveUp(context);
    Core::Operations::SimpleReactiveIonEtching(context.volume.get(), material, depth, std::uint8_t(directions))
        .runEtching();
    Core::Operations::SimpleReactiveIonEtching::describe(context.effect, material, depth, std::uint8_t(directions));
    BatchStepExecutor::recordOperation(context, ProcessKey::SimpleRie);
    return BatchStepExecutor::Done;
}

int ProcessSteps::photolithography(const ProcessData &step, StepContext &context)
{
    StepParameters parameters(step);
    const std::uint32_t material = parameters.toUInt(QStringLiteral("MaterialId"));
    const auto top = readMask(parameters, QStringLiteral("Top Mask"), context);
    const auto bottom = readMask(parameters, QStringLiteral("Bottom Mask"), context);
    const auto placement = readPlacement(parameters);
    if (parameters.code())
        return parameters.giveUp(context);
    using Core::Operations::MaskPlacing;
    const std::uint32_t nx = context.volume->getSizeX(), ny = context.volume->getSizeY();
    Core::Operations::Photolithography(context.volume.get(), material, MaskPlacing::placed(bottom, nx, ny, placement),
                                       MaskPlacing::placed(top, nx, ny, placement))
        .run();
    BatchStepExecutor::recordOperation(context, ProcessKey::Photolithography);
    if (material == 1 && context.workspace)
        context.workspace->setSiLatticeOutdated(context.volume->getObjectId(), true);
    return BatchStepExecutor::Done;
}

int ProcessSteps::saveImage(const ProcessData &step, StepContext &context)
{
    // An empty file name is valid: the step then only refreshes the view.
    const QString name = QStringLiteral("Filename");
    if (!step.getParameters().contains(name))
        return context.refuse(BatchStepExecutor::MissingParameter, name, StepParameters::missing(name));
    const QString fileName = step.getParameter(name).toString();
    if (context.saveImage && !context.saveImage(fileName))
        return BatchStepExecutor::ImageNotSaved;
    return BatchStepExecutor::Done;
}

} // namespace BatchRun
} // namespace Core
