#include "Core/Operations/ReactiveIonEtching/SimpleReactiveIonEtching.h"

#include "Core/Operations/Lifecycle/ProcessEffect.h"
#include "Model/Automaton/SlabSplit.h"
#include "Model/Automaton/TotalVolume.h"
#include "Util/Logging.h"

#include <algorithm>
#include <vector>

namespace Core {
namespace Operations {

using Model::Automaton::SlabSplit;
using Model::Automaton::TotalVolume;
using Model::Automaton::Voxel;

SimpleReactiveIonEtching::SimpleReactiveIonEtching(Model::Automaton::TotalVolume *volume, std::uint32_t etchMaterial,
                                                   std::uint32_t stepCount, std::uint8_t directions)
    : volume(volume)
    , etchMaterial(etchMaterial)
    , stepCount(stepCount)
    , directions(directions)
{
}

std::size_t SimpleReactiveIonEtching::runEtching()
{
    const std::uint32_t nx = volume->getSizeX();
    const int threads = requestedThreads > 0 ? requestedThreads : SlabSplit::poolThreadCount();
    std::vector<SlabSplit::Slab> slabs = SlabSplit::split(0, nx, threads);
    if (slabs.empty())
        slabs.push_back({0, nx});

    std::vector<std::size_t> removed(slabs.size(), 0);
    std::vector<std::size_t> fronts(slabs.size(), 0);
    {
        const TotalVolume::CellsLock lock(*volume, TotalVolume::CellsLock::Write);
        Voxel *cells = lock.writableCells();
        SlabSplit::run(slabs, [&](std::size_t i, SlabSplit::Slab slab) {
            removed[i] = etchColumns(cells, slab.begin, slab.end, fronts[i]);
        });
    }

    std::size_t total = 0;
    for (std::size_t i = 0; i < slabs.size(); ++i) {
        qCDebug(lcProcess) << "Surface list size for thread " << i << ": " << fronts[i];
        total += removed[i];
    }
    qCDebug(lcProcess) << "Simple RIE:" << total << "cells removed in" << stepCount << "steps";
    return total;
}

// The columns of [xBegin, xEnd): every run [bottom, top] of the material
// loses up to stepCount cells at each end that faces an empty cell on an
// attacked side. `fronts` counts those ends.
std::size_t SimpleReactiveIonEtching::etchColumns(Voxel *cells, std::uint32_t xBegin, std::uint32_t xEnd,
                                                  std::size_t &fronts) const
{
    const std::uint32_t ny = volume->getSizeY();
    const std::uint32_t nz = volume->getSizeZ();
    const bool fromTop = directions & FromTop;
    const bool fromBottom = directions & FromBottom;
    std::size_t removed = 0;
    fronts = 0;
    if ((!fromTop && !fromBottom) || stepCount == 0)
        return 0;

    for (std::uint32_t x = xBegin; x < xEnd; ++x) {
        for (std::uint32_t y = 0; y < ny; ++y) {
            Voxel *column = cells + (std::size_t(x) * ny + y) * nz;
            std::uint32_t z = 0;
            while (z < nz) {
                if (column[z].material != etchMaterial) {
                    ++z;
                    continue;
                }
                const std::uint32_t bottom = z;
                while (z < nz && column[z].material == etchMaterial)
                    ++z;
                const std::uint32_t top = z - 1; // the run is [bottom, top]
                const std::uint32_t length = top - bottom + 1;
                // How many cells each end loses; together at most the run.
                std::uint32_t upper = 0;
                std::uint32_t lower = 0;
                if (fromTop && top + 1 < nz && column[top + 1].material == 0) {
                    upper = std::min(stepCount, length);
                    ++fronts;
                }
                if (fromBottom && bottom > 0 && column[bottom - 1].material == 0) {
                    lower = std::min(stepCount, length - upper);
                    ++fronts;
                }
                for (std::uint32_t k = 0; k < upper; ++k)
                    column[top - k].material = 0;
                for (std::uint32_t k = 0; k < lower; ++k)
                    column[bottom + k].material = 0;
                removed += upper + lower;
            }
        }
    }
    return removed;
}

void SimpleReactiveIonEtching::describe(ProcessEffect &effect, std::uint32_t etchMaterial, std::uint32_t stepCount,
                                        std::uint8_t directions)
{
    if (!(directions & (FromTop | FromBottom)))
        effect.addIdleCheck([](TotalVolume &) { return QStringLiteral("no etch direction (top, bottom) is set"); });
    effect.noteLayers(QStringLiteral("depth"), stepCount);
    effect.needMaterial(etchMaterial);
}

} // namespace Operations
} // namespace Core
