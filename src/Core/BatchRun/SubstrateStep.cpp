#include "SubstrateStep.h"

#include "Core/Operations/Substrate/SubstrateBuilder.h"
#include "Core/Operations/Substrate/VolumePlacement.h"
#include "Core/ProcessTable.h"
#include "Core/Workspace.h"
#include "Model/Automaton/MemoryBudget.h"
#include "Model/Automaton/TotalVolume.h"
#include "ProcessData.h"
#include "StepParameters.h"

#include <new>

namespace Core {
namespace BatchRun {

namespace {

// The builder as the step's parameters set it; a failure stays in `parameters`.
void read(StepParameters &parameters, Core::Operations::SubstrateBuilder &builder)
{
    builder.material = parameters.toUInt(QStringLiteral("MaterialId"));
    builder.position = parameters.toVector3D(QStringLiteral("Lower Left Front Corner"));
    builder.sizeX = parameters.toUInt(QStringLiteral("Volume Size X"));
    builder.sizeY = parameters.toUInt(QStringLiteral("Volume Size Y"));
    builder.sizeZ = parameters.toUInt(QStringLiteral("Volume Size Z"));
    // Process lists written before cells had a size leave it out: 1 µm.
    for (auto [name, size] : {std::pair{QStringLiteral("Cell Size X"), &builder.cellSizeX},
                              std::pair{QStringLiteral("Cell Size Y"), &builder.cellSizeY},
                              std::pair{QStringLiteral("Cell Size Z"), &builder.cellSizeZ}}) {
        if (parameters.has(name))
            *size = float(parameters.toDouble(name));
    }
    builder.spherical = parameters.toBool(QStringLiteral("SphericalSubstrate"));
    if (builder.spherical) {
        builder.sphereCenterX = parameters.toUInt(QStringLiteral("Substrate Center X"));
        builder.sphereCenterY = parameters.toUInt(QStringLiteral("Substrate Center Y"));
        builder.sphereCenterZ = parameters.toUInt(QStringLiteral("Substrate Center Z"));
        builder.sphereRadius = parameters.toUInt(QStringLiteral("Substrate Radius"));
    } else {
        builder.blockSizeX = parameters.toUInt(QStringLiteral("Substrate Size X"));
        builder.blockSizeY = parameters.toUInt(QStringLiteral("Substrate Size Y"));
        builder.blockSizeZ = parameters.toUInt(QStringLiteral("Substrate Size Z"));
        builder.blockOffsetX = parameters.toUInt(QStringLiteral("Substrate Delta X"));
        builder.blockOffsetY = parameters.toUInt(QStringLiteral("Substrate Delta Y"));
        builder.blockOffsetZ = parameters.toUInt(QStringLiteral("Substrate Delta Z"));
    }
}

} // namespace

bool SubstrateStep::plannedBox(const ProcessData &step, Util::Vector3D *low, Util::Vector3D *high)
{
    StepParameters parameters(step);
    Core::Operations::SubstrateBuilder builder;
    read(parameters, builder);
    if (parameters.code() || builder.sizeX == 0 || builder.sizeY == 0 || builder.sizeZ == 0)
        return false;
    *low = builder.position;
    *high = builder.position + builder.extent();
    return true;
}

int SubstrateStep::run(const ProcessData &step, BatchStepExecutor::Context &context)
{
    StepParameters parameters(step);
    Core::Operations::SubstrateBuilder builder;
    read(parameters, builder);
    if (parameters.code())
        return parameters.giveUp(context);
    // A volume without cells cannot be drawn or processed.
    if (builder.sizeX == 0 || builder.sizeY == 0 || builder.sizeZ == 0) {
        return context.refuse(BatchStepExecutor::BadParameter, QStringLiteral("Volume Size"),
                              QStringLiteral("the volume size %1 x %2 x %3 has no cells")
                                  .arg(builder.sizeX).arg(builder.sizeY).arg(builder.sizeZ));
    }
    // A new volume never lands inside another one of the scene.
    QString moved;
    if (context.workspace)
        builder.position = Core::Operations::VolumePlacement::freeCorner(context.workspace->getDocument(),
                                                                         builder.position, builder.extent(), &moved);
    std::shared_ptr<Model::Automaton::TotalVolume> volume;
    try {
        volume = builder.build();
    } catch (const std::bad_alloc &) {
        const std::uint64_t cells = std::uint64_t(builder.sizeX) * builder.sizeY * builder.sizeZ;
        const std::uint64_t mebibytes =
            Model::Automaton::MemoryBudget::bytesFor(cells, Model::Automaton::MemoryBudget::volumeBytesPerCell) >> 20;
        return context.refuse(BatchStepExecutor::NotEnoughMemory, QString(),
                              QStringLiteral("not enough memory for a volume of %1 x %2 x %3 cells (needs about %4 MiB)")
                                  .arg(builder.sizeX).arg(builder.sizeY).arg(builder.sizeZ).arg(mebibytes + 1));
    }
    if (context.hideNewVolumes)
        volume->getPainter().setHidden(true);
    if (context.workspace)
        context.workspace->getDocument().addObject(volume);
    if (!moved.isEmpty())
        context.workspace->getConsoleInput().setMessage(
            ProcessTable::operationName(ProcessKey::CreateSubstrate) + QStringLiteral(": ") + moved);
    context.createdVolumes.push_back(volume);
    context.volume = volume;
    return BatchStepExecutor::Done;
}

} // namespace BatchRun
} // namespace Core
