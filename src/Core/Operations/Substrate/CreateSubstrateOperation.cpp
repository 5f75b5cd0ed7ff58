#include "Core/Operations/Substrate/CreateSubstrateOperation.h"

#include "Core/ProcessTable.h"
#include "Core/Workspace.h"
#include "Model/Automaton/TotalVolume.h"
#include "Core/Operations/Substrate/SubstrateBuilder.h"
#include "Core/Operations/Substrate/VolumePlacement.h"
#include "Util/Logging.h"

#include <new>

namespace Core {
namespace Operations {

CreateSubstrateOperation::CreateSubstrateOperation(Workspace *ws)
    : ObjectOperation(ws, ProcessTable::operationName(ProcessKey::CreateSubstrate),
                      ProcessTable::operationId(ProcessKey::CreateSubstrate))
{
}

CreateSubstrateOperation::~CreateSubstrateOperation() = default;

void CreateSubstrateOperation::setVolumeOptions(std::uint32_t mat, std::uint32_t nx, std::uint32_t ny,
                                                std::uint32_t nz, const Util::Vector3D &pos)
{
    material = mat;
    sizeX = nx;
    sizeY = ny;
    sizeZ = nz;
    position = pos;
}

void CreateSubstrateOperation::setSphericalSubstrate(std::uint32_t mat, std::uint32_t nx, std::uint32_t ny,
                                                     std::uint32_t nz, const Util::Vector3D &pos,
                                                     std::uint32_t centerX, std::uint32_t centerY,
                                                     std::uint32_t centerZ, std::uint32_t radius)
{
    setVolumeOptions(mat, nx, ny, nz, pos);
    sphereCenterX = centerX;
    sphereCenterY = centerY;
    sphereCenterZ = centerZ;
    sphereRadius = radius;
    spherical = 1;
    state = 1;
}

void CreateSubstrateOperation::setBlockSubstrate(std::uint32_t mat, std::uint32_t nx, std::uint32_t ny,
                                                 std::uint32_t nz, const Util::Vector3D &pos, std::uint32_t offsetX,
                                                 std::uint32_t offsetY, std::uint32_t offsetZ, std::uint32_t sizeBX,
                                                 std::uint32_t sizeBY, std::uint32_t sizeBZ)
{
    setVolumeOptions(mat, nx, ny, nz, pos);
    blockOffsetX = offsetX;
    blockOffsetY = offsetY;
    blockOffsetZ = offsetZ;
    blockSizeX = sizeBX;
    blockSizeY = sizeBY;
    blockSizeZ = sizeBZ;
    spherical = 0;
    state = 1;
}

void CreateSubstrateOperation::setCellSize(float x, float y, float z)
{
    cellSizeX = x;
    cellSizeY = y;
    cellSizeZ = z;
}

void CreateSubstrateOperation::step()
{
    if (state == 0) {
        notifyObserver();
    } else if (state == 1) {
        state = 2;
        end();
    }
}

void CreateSubstrateOperation::end()
{
    if (state != 2)
        return;

    if (sizeX == 0 || sizeY == 0 || sizeZ == 0) {
        message(QStringLiteral(": a volume needs at least one cell along each axis."));
        cancelOperation(true);
        return;
    }

    if (!SubstrateBuilder::isCellSize(cellSizeX) || !SubstrateBuilder::isCellSize(cellSizeY)
        || !SubstrateBuilder::isCellSize(cellSizeZ)) {
        message(QStringLiteral(": the cell size %1 x %2 x %3 µm is not possible; each side must lie between %4 and "
                               "%5 µm.")
                    .arg(double(cellSizeX))
                    .arg(double(cellSizeY))
                    .arg(double(cellSizeZ))
                    .arg(SubstrateBuilder::minimumCellSize)
                    .arg(SubstrateBuilder::maximumCellSize));
        cancelOperation(true);
        return;
    }

    SubstrateBuilder builder;
    builder.cellSizeX = cellSizeX;
    builder.cellSizeY = cellSizeY;
    builder.cellSizeZ = cellSizeZ;
    builder.material = material;
    builder.sizeX = sizeX;
    builder.sizeY = sizeY;
    builder.sizeZ = sizeZ;
    builder.blockSizeX = blockSizeX;
    builder.blockSizeY = blockSizeY;
    builder.blockSizeZ = blockSizeZ;
    builder.blockOffsetX = blockOffsetX;
    builder.blockOffsetY = blockOffsetY;
    builder.blockOffsetZ = blockOffsetZ;
    builder.sphereRadius = sphereRadius;
    builder.sphereCenterX = sphereCenterX;
    builder.sphereCenterY = sphereCenterY;
    builder.sphereCenterZ = sphereCenterZ;
    builder.spherical = spherical != 0;
    // A new volume never lands inside another one.
    QString moved;
    builder.position = VolumePlacement::freeCorner(workspace->getDocument(), position, builder.extent(), &moved);

    std::shared_ptr<Model::Automaton::TotalVolume> volume;
    try {
        volume = builder.build();
    } catch (const std::bad_alloc &) {
        qCDebug(lcOperation) << "Create Substrate: allocation refused for" << sizeX << sizeY << sizeZ;
        message(QStringLiteral(": not enough memory for a volume of %1 x %2 x %3 cells.")
                    .arg(sizeX)
                    .arg(sizeY)
                    .arg(sizeZ));
        cancelOperation(true);
        return;
    }

    createdVolume = volume;
    createdVolume->getPainter().rebuild();
    workspace->getDocument().addObject(createdVolume);
    if (!moved.isEmpty())
        message(QStringLiteral(": ") + moved);
    message(QStringLiteral(": substrate created successfully."));
    finishOperation();
}

void CreateSubstrateOperation::cancel()
{
    cancelOperation(true);
}

int CreateSubstrateOperation::undo()
{
    if (!createdVolume)
        return 0;
    workspace->getDocument().removeObject(createdVolume);
    return 1;
}

void CreateSubstrateOperation::redo()
{
    if (createdVolume)
        workspace->getDocument().addObject(createdVolume);
}

} // namespace Operations
} // namespace Core
