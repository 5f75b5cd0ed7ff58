#pragma once

#include "TotalVolume.h"

namespace Model {
namespace Automaton {

// Holds a volume's current cell array for one geometry build or export,
// released also when the work throws.
class CellsGuard
{
public:
    explicit CellsGuard(TotalVolume &v) : volume(v), array(v.lockCells()) {}
    ~CellsGuard() { volume.unlockCells(); }
    CellsGuard(const CellsGuard &) = delete;
    CellsGuard &operator=(const CellsGuard &) = delete;
    const Voxel *cells() const { return array; }

private:
    TotalVolume &volume;
    const Voxel *array;
};

} // namespace Automaton
} // namespace Model
