#pragma once

#include <cstdint>

namespace Model {
namespace Automaton {
class TotalVolume;
struct Voxel;
}
} // namespace Model

namespace Core {
namespace Operations {

// A process that rewrites whole z columns cell by cell, without looking at
// neighbours: planarization and spin coating. run() locks the cells, cuts the
// volume into x-slabs (one per pool thread, the whole volume in the calling
// thread when a slab would be thinner than three layers) and hands every slab
// to processSlab().
class LayerProcess
{
public:
    virtual ~LayerProcess();
    LayerProcess(const LayerProcess &) = delete;
    LayerProcess &operator=(const LayerProcess &) = delete;

    void run();

    // The pool's maximum thread count by default.
    void setStripCount(unsigned count) { stripCount = count; }
    unsigned getStripsUsed() const { return stripsUsed; }

protected:
    explicit LayerProcess(Model::Automaton::TotalVolume *volume);

    // Rewrites the cells with x in [xBegin, xEnd); may touch only those.
    virtual void processSlab(Model::Automaton::Voxel *cells, std::uint32_t xBegin, std::uint32_t xEnd) const = 0;

    Model::Automaton::TotalVolume *volume;
    std::uint32_t nx;
    std::uint32_t ny;
    std::uint32_t nz;

private:
    unsigned stripCount;
    unsigned stripsUsed = 0;
};

} // namespace Operations
} // namespace Core
