#include "Core/Operations/Engines/LayerProcess.h"

#include "Model/Automaton/SlabSplit.h"
#include "Model/Automaton/TotalVolume.h"
#include "Util/Logging.h"

#include <QElapsedTimer>

#include <algorithm>

namespace Core {
namespace Operations {

using Model::Automaton::SlabSplit;
using Model::Automaton::TotalVolume;

LayerProcess::LayerProcess(Model::Automaton::TotalVolume *v)
    : volume(v)
    , nx(v->getSizeX())
    , ny(v->getSizeY())
    , nz(v->getSizeZ())
    , stripCount(unsigned(SlabSplit::poolThreadCount()))
{
}

LayerProcess::~LayerProcess() = default;

void LayerProcess::run()
{
    QElapsedTimer timer;
    timer.start();
    // Slabs thinner than three layers are not worth a task each.
    std::vector<SlabSplit::Slab> slabs = SlabSplit::split(0, nx, int(std::max(1u, stripCount)));
    if (slabs.empty() || slabs.front().end - slabs.front().begin < 3)
        slabs = {SlabSplit::Slab{0, nx}};
    stripsUsed = unsigned(slabs.size());

    const TotalVolume::CellsLock lock(*volume, TotalVolume::CellsLock::Write);
    Model::Automaton::Voxel *cells = lock.writableCells();
    SlabSplit::run(slabs, [this, cells](std::size_t, SlabSplit::Slab slab) { processSlab(cells, slab.begin, slab.end); });
    qCDebug(lcProcess) << "Layer process:" << stripsUsed << "strips," << timer.elapsed() << "ms";
}

} // namespace Operations
} // namespace Core
