#pragma once

#include "Core/Operations/Doping/DopantTypes.h"

#include <cstddef>
#include <cstdint>

namespace Model {
namespace Automaton {
class TotalVolume;
struct Voxel;
}
}

namespace Core {
namespace Operations {

// Dopes, column by column, every dopable cell (host, dopant or opposite
// dopant) whose centre lies between two depths below the top of the
// column's highest solid cell: the band where an implanted profile exceeds
// the background. The depth is counted from whatever the ions enter first, so
// a mask lifts the band towards the silicon's surface or keeps it inside
// itself; other materials are never changed. Build it, then call run() once.
class ProfileImplantation
{
public:
    // `dopantType` 1 dopes P, anything else N; depths in µm.
    ProfileImplantation(Model::Automaton::TotalVolume *volume, std::uint32_t hostMaterial, std::uint32_t dopantType,
                        double top, double bottom);

    // Slabs along x; 0 (the default) takes one per pool thread.
    void setThreadCount(int count) { requestedThreads = count; }
    // The number of cells it doped.
    std::size_t run();

private:
    std::size_t dopeColumns(Model::Automaton::Voxel *cells, std::uint32_t xBegin, std::uint32_t xEnd) const;

    Model::Automaton::TotalVolume *volume;
    DopableMaterials dopable;
    double top;
    double bottom;
    int requestedThreads = 0;
};

} // namespace Operations
} // namespace Core
