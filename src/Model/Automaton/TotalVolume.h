#pragma once

#include "Model/Object.h"
#include "SpinLock.h"
#include "TotalVolumePainter.h"
#include "Util/BitVector.h"
#include "Util/LargeArray.h"
#include "Util/Vector3D.h"
#include "Voxel.h"

#include <cstddef>
#include <atomic>
#include <cstdint>
#include <memory>
#include <vector>

namespace Model {
namespace Automaton {

class SiLattice;

// The cell volume: nx x ny x nz material ids in one dense array under a spin
// lock. Cell (x, y, z) is element (x*ny + y)*nz + z. Processes keep their
// working storage themselves, for the length of their run, so a volume at
// rest holds four bytes per cell and nothing more of its size.
class TotalVolume : public Object
{
public:
    static constexpr std::uint32_t objectType = 1;

    // How a volume built without a material list starts.
    enum class Cells { Empty, Unset };

    // Cell i holds materials[i]; cells beyond the list are empty. Throws
    // std::bad_alloc when the volume does not fit in memory (MemoryBudget).
    TotalVolume(std::uint32_t nx, std::uint32_t ny, std::uint32_t nz,
                float cellSizeX, float cellSizeY, float cellSizeZ,
                const Util::Vector3D &position,
                const std::vector<std::uint32_t> &materials);
    // Without a list: all cells empty, or (Cells::Unset) left for the caller
    // to write every one of them, as a reader that fills them all does.
    TotalVolume(std::uint32_t nx, std::uint32_t ny, std::uint32_t nz,
                float cellSizeX, float cellSizeY, float cellSizeZ,
                const Util::Vector3D &position, Cells start);
    ~TotalVolume() override;

    std::uint32_t getObjectType() const override { return objectType; }
    void draw(bool drawObject, bool drawOutlines) override;
    void drawPickBox() override;
    Object *clone() override;
    void translate(Util::Vector3D delta) override;
    void transform(Util::Vector3D, Util::Vector3D) override {}

    // Holds the cell array from its construction to its destruction (or
    // unlock()), so an early return or an exception never leaves the volume
    // locked. Whoever reads or writes the cells holds one. Both modes take
    // the same exclusive spin lock, so two readers wait for each other as
    // well; a Read lock hands the cells out for reading only.
    class CellsLock
    {
    public:
        enum Mode { Read, Write };

        CellsLock(TotalVolume &volume, Mode mode);
        ~CellsLock() { unlock(); }
        CellsLock(const CellsLock &) = delete;
        CellsLock &operator=(const CellsLock &) = delete;

        const Voxel *cells() const { return array; }
        // Throws std::logic_error on a Read lock.
        Voxel *writableCells() const;
        // Gives the array back before the end of the scope; once is enough.
        void unlock();

    private:
        TotalVolume *volume;
        Voxel *array;
        Mode mode;
    };

    // Whether some CellsLock holds the cells right now.
    bool cellsLocked() const { return cellsLock.isLocked(); }
    // How many Write locks were taken so far: while it stays the same, no
    // cell can have changed (a run that failed before its first one left the
    // volume as it was).
    std::uint64_t writeLockCount() const { return writeLocks.load(); }

    std::uint32_t getSizeX() const { return sizeX; }
    std::uint32_t getSizeY() const { return sizeY; }
    std::uint32_t getSizeZ() const { return sizeZ; }
    std::size_t getCellCount() const { return cellCount; }
    float getCellSizeX() const { return cellSizeX; }
    float getCellSizeY() const { return cellSizeY; }
    float getCellSizeZ() const { return cellSizeZ; }
    Util::Vector3D getPosition() const { return position; }

    std::size_t index(std::uint32_t x, std::uint32_t y, std::uint32_t z) const
    {
        return (static_cast<std::size_t>(x) * sizeY + y) * sizeZ + z;
    }

    TotalVolumePainter &getPainter() { return *painter; }
    std::shared_ptr<SiLattice> getSiLattice() const { return siLattice; }
    // Replaces the atomistic lattice by one built from the current cells.
    // Throws std::bad_alloc when it does not fit (the volume then has none).
    void rebuildSiLattice();

    // Lithography mask overlays: A is the bottom mask (lights from below), B
    // the top mask (lights from above). Bit i*height + j is mask cell (i, j).
    void setMaskA(const Util::BitVector &bits, std::uint32_t width, std::uint32_t height);
    void setMaskB(const Util::BitVector &bits, std::uint32_t width, std::uint32_t height);
    Util::BitVector getMaskA() const { return maskA; }
    Util::BitVector getMaskB() const { return maskB; }
    void getMaskADimensions(std::uint32_t &width, std::uint32_t &height) const;
    void getMaskBDimensions(std::uint32_t &width, std::uint32_t &height) const;
    void clearMaskA() { maskA.fill(false); }
    void clearMaskB() { maskB.fill(false); }

    // Material ids of the current array in cell order, read under the lock.
    std::vector<std::uint32_t> materialIds();

private:
    // Taken and given back only by CellsLock.
    Voxel *lockCells();
    void unlockCells();

    Util::LargeArray<Voxel> cells;
    SpinLock cellsLock;
    std::atomic<std::uint64_t> writeLocks{0};
    std::uint32_t sizeX;
    std::uint32_t sizeY;
    std::uint32_t sizeZ;
    std::size_t cellCount;
    float cellSizeX;
    float cellSizeY;
    float cellSizeZ;
    Util::Vector3D position;
    Util::BitVector maskA;
    std::uint32_t maskAWidth = 0;
    std::uint32_t maskAHeight = 0;
    Util::BitVector maskB;
    std::uint32_t maskBWidth = 0;
    std::uint32_t maskBHeight = 0;
    std::shared_ptr<SiLattice> siLattice;
    std::unique_ptr<TotalVolumePainter> painter;
};

} // namespace Automaton
} // namespace Model
