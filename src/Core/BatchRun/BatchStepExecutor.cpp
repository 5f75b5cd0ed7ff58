#include "BatchStepExecutor.h"

#include "Core/Operations/Film/IsotropicFilmDeposition.h"
#include "Core/Operations/Film/IsotropicFilmEtching.h"
#include "Core/Operations/SiEtching/AtomicStructureSimpleSiWetEtch.h"
#include "Core/Operations/SiEtching/SiWetEtchRun.h"
#include "Core/Operations/Doping/IonImplantation.h"
#include "Core/Operations/Doping/ThermalDoping.h"
#include "Core/Operations/ReactiveIonEtching/SimpleReactiveIonEtching.h"
#include "Core/Operations/SiOxidation/SimpleSiOxidation.h"
#include "Core/Operations/Lithography/Photolithography.h"
#include "Core/Workspace.h"
#include "FilmSteps.h"
#include "Model/Automaton/TotalVolume.h"
#include "ProcessData.h"
#include "StepParameters.h"
#include "SubstrateStep.h"
#include "Util/Logging.h"

namespace Core {
namespace BatchRun {

using Model::Automaton::TotalVolume;

namespace {

// The operation numbers recorded for a volume, as the interactive operations record them.
constexpr std::uint32_t cvdOperation = 13;
constexpr std::uint32_t isotropicEtchingOperation = 14;
constexpr std::uint32_t siWetEtchingOperation = 28;
// The dialog's largest etch depth.
constexpr double largestEtchDepth = 1e9;
constexpr std::uint32_t ionImplantationOperation = 3;
constexpr std::uint32_t dopingOperation = 17;
constexpr std::uint32_t siOxidationOperation = 26;
constexpr std::uint32_t simpleRieOperation = 30;
constexpr std::uint32_t photolithographyOperation = 20;

void recordOperation(BatchStepExecutor::Context &context, std::uint32_t operation)
{
    if (context.workspace && context.volume)
        context.workspace->setLastOperation(context.volume->getObjectId(), operation);
}

int giveUp(StepParameters &parameters, BatchStepExecutor::Context &context)
{
    context.failedParameter = parameters.failedName();
    context.failureReason = parameters.reason();
    return parameters.code();
}

int runCvd(const Ui::ProcessData &step, BatchStepExecutor::Context &context)
{
    StepParameters parameters(step);
    const std::uint32_t material = parameters.toUInt(QStringLiteral("MaterialId"));
    const float thickness = parameters.toFloat(QStringLiteral("Thickness"));
    if (parameters.code())
        return giveUp(parameters, context);
    Core::Operations::IsotropicFilmDeposition(context.volume.get(), material, thickness).run();
    recordOperation(context, cvdOperation);
    return BatchStepExecutor::Done;
}

int runIsotropicEtching(const Ui::ProcessData &step, BatchStepExecutor::Context &context)
{
    StepParameters parameters(step);
    const std::uint32_t material = parameters.toUInt(QStringLiteral("MaterialId"));
    const float depth = parameters.toFloat(QStringLiteral("Depth"));
    if (parameters.code())
        return giveUp(parameters, context);
    Core::Operations::IsotropicFilmEtching(context.volume.get(), material, depth).run();
    recordOperation(context, isotropicEtchingOperation);
    return BatchStepExecutor::Done;
}

int runSiWetEtching(const Ui::ProcessData &step, BatchStepExecutor::Context &context)
{
    StepParameters parameters(step);
    const double depth = parameters.toDouble(QStringLiteral("Depth"));
    if (!parameters.code() && !(depth >= 0.0 && depth <= largestEtchDepth))
        parameters.reject(QStringLiteral("Depth"), QStringLiteral("must lie between 0 and 1e9"));
    if (parameters.code())
        return giveUp(parameters, context);
    Core::Operations::AtomicStructureSimpleSiWetEtch engine(context.volume.get(), depth);
    if (!Core::Operations::SiWetEtchRun::run(context.workspace, *context.volume, engine))
        return BatchStepExecutor::NotEnoughMemory;
    recordOperation(context, siWetEtchingOperation);
    return BatchStepExecutor::Done;
}

// Thermal Oxidation: the time mode converts the Deal-Grove microns with
// "Micron Conversion"; the thickness mode uses cell units as they are.
int runSiOxidation(const Ui::ProcessData &step, BatchStepExecutor::Context &context)
{
    StepParameters parameters(step);
    const bool timeMode = parameters.toBool(QStringLiteral("OxidationTimeSet"));
    const double conversion = parameters.toDouble(QStringLiteral("Micron Conversion"));
    double pressure = 0.0;
    double temperature = 0.0;
    double time = 0.0;
    double thickness = 0.0;
    if (timeMode) {
        pressure = parameters.toDouble(QStringLiteral("Oxidation Pressure"));
        temperature = parameters.toDouble(QStringLiteral("Oxidation Temperature"));
        time = parameters.toDouble(QStringLiteral("Oxidation Time"));
    } else {
        thickness = parameters.toDouble(QStringLiteral("Oxidation Thickness"));
    }
    if (parameters.code())
        return giveUp(parameters, context);
    Core::Operations::SimpleSiOxidation oxidation(context.volume.get(), conversion);
    if (timeMode)
        oxidation.oxidateFor(time, temperature, pressure);
    else
        oxidation.oxidateTo(thickness);
    recordOperation(context, siOxidationOperation);
    return BatchStepExecutor::Done;
}

// Both doping steps run the same front; they differ in how a recipe names
// the doped material and the type.
int runDoping(StepParameters &parameters, std::uint32_t host, std::uint32_t type,
              BatchStepExecutor::Context &context)
{
    const float depth = parameters.toFloat(QStringLiteral("Doping Depth"));
    if (parameters.code())
        return giveUp(parameters, context);
    Core::Operations::ThermalDoping(context.volume.get(), host, type, depth).run();
    recordOperation(context, dopingOperation);
    return BatchStepExecutor::Done;
}

// Thermal Doping: the doped material is "MaterialId", the type "Doping Type".
int runThermalDoping(const Ui::ProcessData &step, BatchStepExecutor::Context &context)
{
    StepParameters parameters(step);
    const std::uint32_t host = parameters.toUInt(QStringLiteral("MaterialId"));
    const std::uint32_t type = parameters.toUInt(QStringLiteral("Doping Type"));
    return runDoping(parameters, host, type, context);
}

// Diffusion Doping: the doped material in "DopedMaterialId", the type in "DopingTypeValue".
int runDiffusionDoping(const Ui::ProcessData &step, BatchStepExecutor::Context &context)
{
    StepParameters parameters(step);
    const std::uint32_t type = parameters.toUInt(QStringLiteral("DopingTypeValue"));
    const std::uint32_t host = parameters.toUInt(QStringLiteral("DopedMaterialId"));
    return runDoping(parameters, host, type, context);
}

int runIonImplantation(const Ui::ProcessData &step, BatchStepExecutor::Context &context)
{
    StepParameters parameters(step);
    const float annealing = parameters.toFloat(QStringLiteral("Annealing Distance"));
    const float depth = parameters.toFloat(QStringLiteral("Implantation Depth"));
    const std::uint32_t type = parameters.toUInt(QStringLiteral("DopingTypeValue"));
    const std::uint32_t host = parameters.toUInt(QStringLiteral("DopedMaterialId"));
    if (parameters.code())
        return giveUp(parameters, context);
    Core::Operations::IonImplantation(context.volume.get(), host, type, depth, annealing).run();
    recordOperation(context, ionImplantationOperation);
    return BatchStepExecutor::Done;
}

// Simple RIE: "EtchDirectionValue" holds bit 1 (from the top) and bit 2
// (from below); any other bit makes the step unusable.
int runSimpleRie(const Ui::ProcessData &step, BatchStepExecutor::Context &context)
{
    StepParameters parameters(step);
    const std::uint32_t material = parameters.toUInt(QStringLiteral("MaterialId"));
    const std::uint32_t depth = parameters.toUInt(QStringLiteral("Etch Depth"));
    const std::int32_t directions = parameters.toInt(QStringLiteral("EtchDirectionValue"));
    if (!parameters.code() && (directions < 0 || directions > 3))
        parameters.reject(QStringLiteral("EtchDirectionValue"), QStringLiteral("must be 0 to 3 (none, top, bottom, both)"));
    if (parameters.code())
        return giveUp(parameters, context);
    Core::Operations::SimpleReactiveIonEtching(context.volume.get(), material, depth, std::uint8_t(directions))
        .runEtching();
    recordOperation(context, simpleRieOperation);
    return BatchStepExecutor::Done;
}

// A mask as stored in a step: "<side>" (the bits), "<side> Width" and
// "<side> Height". A mask whose bit count does not match its size is refused
// rather than developed as if there were no mask.
Core::Operations::LithographyMask readMask(StepParameters &parameters, const QString &side)
{
    Core::Operations::LithographyMask mask;
    mask.bits = parameters.toBitVector(side);
    mask.height = parameters.toUInt(side + QStringLiteral(" Height"));
    mask.width = parameters.toUInt(side + QStringLiteral(" Width"));
    if (!parameters.code() && !mask.isConsistent())
        parameters.reject(side, QStringLiteral("does not hold as many bits as its width times its height"));
    return mask;
}

int runPhotolithography(const Ui::ProcessData &step, BatchStepExecutor::Context &context)
{
    StepParameters parameters(step);
    const std::uint32_t material = parameters.toUInt(QStringLiteral("MaterialId"));
    const auto top = readMask(parameters, QStringLiteral("Top Mask"));
    const auto bottom = readMask(parameters, QStringLiteral("Bottom Mask"));
    if (parameters.code())
        return giveUp(parameters, context);
    Core::Operations::Photolithography(context.volume.get(), material, bottom, top).run();
    recordOperation(context, photolithographyOperation);
    if (material == 1 && context.workspace)
        context.workspace->setSiLatticeOutdated(context.volume->getObjectId(), true);
    return BatchStepExecutor::Done;
}

int runSaveImage(const Ui::ProcessData &step, BatchStepExecutor::Context &context)
{
    // An empty file name is valid: the step then only refreshes the view.
    const QString name = QStringLiteral("Filename");
    if (!step.getParameters().contains(name)) {
        context.failedParameter = name;
        context.failureReason = QStringLiteral("\"%1\" is missing").arg(name);
        return BatchStepExecutor::MissingParameter;
    }
    const QString fileName = step.getParameter(name).toString();
    if (context.saveImage && !context.saveImage(fileName))
        return BatchStepExecutor::ImageNotSaved;
    return BatchStepExecutor::Done;
}

} // namespace

BatchStepExecutor::BatchStepExecutor()
{
    // One line per process type; later processes add theirs here.
    steps.insert(4, runCvd);
    steps.insert(5, runIsotropicEtching);
    steps.insert(siWetEtchingType, runSiWetEtching);
    steps.insert(7, FilmSteps::electroplating);
    steps.insert(12, FilmSteps::pvd);
    steps.insert(2, FilmSteps::mooreDeposition);
    steps.insert(3, FilmSteps::mooreEtching);
    steps.insert(6, FilmSteps::planarization);
    steps.insert(9, FilmSteps::spinCoating);
    steps.insert(8, runThermalDoping);
    steps.insert(13, runSimpleRie);
    steps.insert(14, runIonImplantation);
    steps.insert(15, runSiOxidation);
    steps.insert(16, runDiffusionDoping);
    steps.insert(0, runPhotolithography);
    steps.insert(saveImageType, runSaveImage);
    steps.insert(createSubstrateType, SubstrateStep::run);
}

bool BatchStepExecutor::needsVolume(int type)
{
    return type != createSubstrateType;
}

int BatchStepExecutor::execute(const Ui::ProcessData &step, Context &context) const
{
    context.failedParameter.clear();
    context.failureReason.clear();
    const auto it = steps.constFind(step.getType());
    if (it == steps.constEnd())
        return UnknownProcess;
    if (needsVolume(step.getType()) && !context.volume)
        return MissingParameter;
    const int code = it.value()(step, context);
    // Whatever a step that ran changed, the next atomistic etch rebuilds the
    // lattice from the cells; only the wet etch keeps it current and an image
    // changes no cell. A skipped step changed nothing.
    const bool keepsLattice = step.getType() == siWetEtchingType || step.getType() == saveImageType;
    if (code == Done && !keepsLattice && context.workspace && context.volume)
        context.workspace->setSiLatticeOutdated(context.volume->getObjectId(), true);
    return code;
}

QString BatchStepExecutor::describe(int code)
{
    switch (code) {
    case Done: return QStringLiteral("done");
    case MissingParameter: return QStringLiteral("a required parameter is missing");
    case BadParameter: return QStringLiteral("a parameter does not convert to the value it needs");
    case UnknownProcess: return QStringLiteral("this process cannot run in a batch yet");
    case NotEnoughMemory: return QStringLiteral("not enough memory for the volume");
    case ImageNotSaved: return QStringLiteral("the image could not be saved");
    case UnknownMaterial: return QStringLiteral("a material id names no material of the catalogue");
    default: return QStringLiteral("failed");
    }
}

} // namespace BatchRun
} // namespace Core
