#include "FilmSteps.h"

#include "Core/Operations/Film/AnisotropicFilmDeposition.h"
#include "Core/Operations/Film/Electrodeposition.h"
#include "Core/Operations/Film/MooreNeighborhoodDeposition.h"
#include "Core/Operations/Film/MooreNeighborhoodEtching.h"
#include "Core/Operations/Film/Planarization.h"
#include "Core/Operations/Film/SpinCoating.h"
#include "Core/Workspace.h"
#include "Model/Automaton/TotalVolume.h"
#include "ProcessData.h"
#include "StepParameters.h"

namespace Core {
namespace BatchRun {

namespace {

using namespace Core::Operations;

constexpr std::uint32_t silicon = 1;

// 0 when every parameter was read; otherwise the failure, noted for the report.
int failure(StepParameters &parameters, BatchStepExecutor::Context &context)
{
    return parameters.code() ? parameters.giveUp(context) : 0;
}

int done(BatchStepExecutor::Context &context, ProcessKey kind, bool siliconTouched)
{
    BatchStepExecutor::recordOperation(context, kind);
    if (context.workspace && siliconTouched)
        context.workspace->setSiLatticeOutdated(context.volume->getObjectId(), true);
    return BatchStepExecutor::Done;
}

} // namespace

int FilmSteps::electroplating(const ProcessData &step, BatchStepExecutor::Context &context)
{
    StepParameters parameters(step);
    const std::uint32_t conducting = parameters.toUInt(QStringLiteral("ConductingMaterialId"));
    const std::uint32_t deposited = parameters.toUInt(QStringLiteral("DepositedMaterialId"));
    const float thickness = parameters.toFloat(QStringLiteral("Film Thickness"));
    if (const int code = failure(parameters, context))
        return code;
    Electrodeposition(context.volume.get(), deposited, conducting, thickness).run();
    context.effect.noteLength(QStringLiteral("thickness"), thickness);
    context.effect.needMaterial(conducting);
    return done(context, ProcessKey::Electroplating, deposited == silicon);
}

int FilmSteps::pvd(const ProcessData &step, BatchStepExecutor::Context &context)
{
    StepParameters parameters(step);
    const std::uint32_t material = parameters.toUInt(QStringLiteral("MaterialId"));
    const float thickness = parameters.toFloat(QStringLiteral("Thickness"));
    const QString ratioName = QStringLiteral("Horizontal to Vertical Ratio");
    const float ratio = parameters.toFloat(ratioName);
    const QString sideName = QStringLiteral("DepositOn");
    const std::int32_t side = parameters.toInt(sideName);
    if (!parameters.code() && (!(ratio > 0.0f) || ratio > 1e9f))
        parameters.reject(ratioName, QStringLiteral("must be greater than 0"));
    if (!parameters.code() && (side < 1 || side > 3))
        parameters.reject(sideName, QStringLiteral("must be 1 (on top), 2 (on bottom) or 3 (both)"));
    if (const int code = failure(parameters, context))
        return code;
    AnisotropicFilmDeposition(context.volume.get(), material, thickness, ratio, std::uint32_t(side)).run();
    context.effect.noteLength(QStringLiteral("thickness"), thickness);
    return done(context, ProcessKey::Pvd, material == silicon);
}

int FilmSteps::mooreDeposition(const ProcessData &step, BatchStepExecutor::Context &context)
{
    StepParameters parameters(step);
    const std::uint32_t material = parameters.toUInt(QStringLiteral("MaterialId"));
    const std::uint32_t steps = parameters.toUInt(QStringLiteral("Thickness"));
    if (const int code = failure(parameters, context))
        return code;
    MooreNeighborhoodDeposition(context.volume.get(), material, steps).run();
    context.effect.noteLayers(QStringLiteral("thickness"), steps);
    return done(context, ProcessKey::MooreDeposition, material == silicon);
}

int FilmSteps::mooreEtching(const ProcessData &step, BatchStepExecutor::Context &context)
{
    StepParameters parameters(step);
    const std::uint32_t material = parameters.toUInt(QStringLiteral("MaterialId"));
    const std::uint32_t steps = parameters.toUInt(QStringLiteral("Depth"));
    if (const int code = failure(parameters, context))
        return code;
    MooreNeighborhoodEtching(context.volume.get(), material, steps).run();
    context.effect.noteLayers(QStringLiteral("depth"), steps);
    context.effect.needMaterial(material);
    return done(context, ProcessKey::MooreEtching, material == silicon);
}

int FilmSteps::planarization(const ProcessData &step, BatchStepExecutor::Context &context)
{
    StepParameters parameters(step);
    const std::uint32_t maximum = parameters.toUInt(QStringLiteral("Maximum Height"));
    const std::uint32_t minimum = parameters.toUInt(QStringLiteral("Minimum Height"));
    if (const int code = failure(parameters, context))
        return code;
    Planarization(context.volume.get(), maximum, minimum).run();
    Planarization::describe(context.effect, *context.volume, maximum, minimum);
    return done(context, ProcessKey::Planarization, true);
}

int FilmSteps::spinCoating(const ProcessData &step, BatchStepExecutor::Context &context)
{
    StepParameters parameters(step);
    const std::uint32_t material = parameters.toUInt(QStringLiteral("MaterialId"));
    const std::uint32_t height = parameters.toUInt(QStringLiteral("Maximum Height"));
    if (const int code = failure(parameters, context))
        return code;
    SpinCoating(context.volume.get(), material, height).run();
    SpinCoating::describe(context.effect, *context.volume, height);
    return done(context, ProcessKey::SpinCoating, material == silicon);
}

} // namespace BatchRun
} // namespace Core
