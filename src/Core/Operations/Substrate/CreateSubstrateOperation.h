#pragma once

#include "Core/Operations/Lifecycle/ObjectOperation.h"
#include "Util/Vector3D.h"

#include <cstdint>
#include <memory>

namespace Model {
namespace Automaton {
class TotalVolume;
}
}

namespace Core {
namespace Operations {

// Builds a new cell volume holding a block or a sphere of one material and
// adds it to the document's current layer. It asks for no volume: its first
// step opens the options dialog, and the step after the options runs it.
class CreateSubstrateOperation : public ObjectOperation
{
public:

    explicit CreateSubstrateOperation(Workspace *workspace);
    ~CreateSubstrateOperation() override;

    void setSphericalSubstrate(std::uint32_t material, std::uint32_t nx, std::uint32_t ny, std::uint32_t nz,
                               const Util::Vector3D &position, std::uint32_t centerX, std::uint32_t centerY,
                               std::uint32_t centerZ, std::uint32_t radius);
    void setBlockSubstrate(std::uint32_t material, std::uint32_t nx, std::uint32_t ny, std::uint32_t nz,
                           const Util::Vector3D &position, std::uint32_t offsetX, std::uint32_t offsetY,
                           std::uint32_t offsetZ, std::uint32_t blockSizeX, std::uint32_t blockSizeY,
                           std::uint32_t blockSizeZ);

    // The size of one cell along x, y and z in µm; 1 until set. Sizes that
    // are not finite and positive are refused when the operation runs.
    void setCellSize(float x, float y, float z);

    // State 0 (no options): opens the options dialog through the observer.
    // State 1 (options set): carries the operation out.
    void step() override;
    // Runs only while the operation is being carried out (state 2).
    void end() override;
    // Create substrate cancels without a message.
    void cancel() override;
    int undo() override;
    void redo() override;

    std::shared_ptr<Model::Automaton::TotalVolume> getCreatedVolume() const { return createdVolume; }
    std::uint32_t getState() const { return state; }

private:
    void setVolumeOptions(std::uint32_t material, std::uint32_t nx, std::uint32_t ny, std::uint32_t nz,
                          const Util::Vector3D &position);

    std::shared_ptr<Model::Automaton::TotalVolume> createdVolume;
    std::uint32_t material = 0;
    std::uint32_t sizeX = 0;
    std::uint32_t sizeY = 0;
    std::uint32_t sizeZ = 0;
    std::uint32_t sphereRadius = 0;
    std::uint32_t sphereCenterX = 0;
    std::uint32_t sphereCenterY = 0;
    std::uint32_t sphereCenterZ = 0;
    std::uint32_t blockSizeX = 0;
    std::uint32_t blockSizeY = 0;
    std::uint32_t blockSizeZ = 0;
    std::uint32_t blockOffsetX = 0;
    std::uint32_t blockOffsetY = 0;
    std::uint32_t blockOffsetZ = 0;
    Util::Vector3D position;
    float cellSizeX = 1.0f;
    float cellSizeY = 1.0f;
    float cellSizeZ = 1.0f;
    std::uint32_t spherical = 0;
    std::uint32_t state = 0;
};

} // namespace Operations
} // namespace Core
