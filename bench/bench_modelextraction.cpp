// Model extraction of a wet-etched-like 200 x 200 x 100 volume: a silicon
// wafer whose surface steps by one cell between neighbouring columns in a
// pattern of inverted pyramids, under an oxide mask with openings, so that
// split planes lie at almost every index of every axis (about two million
// blocks). Pairwise face comparison would make 2e12 pairs; the grid linking
// makes six look-ups per block.
//
//   bench_modelextraction [benchmark options]

#include "BenchMain.h"
#include "Core/Operations/ModelExtraction/VolumeNetlist.h"
#include "Model/Automaton/TotalVolume.h"
#include "Model/ModelExtraction/BlockPartition.h"
#include "Model/ModelExtraction/RectangularCuboidEnvelope.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdlib>
#include <vector>

namespace {

constexpr std::uint32_t sizeX = 200;
constexpr std::uint32_t sizeY = 200;
constexpr std::uint32_t sizeZ = 100;
constexpr std::uint32_t silicon = 1;
constexpr std::uint32_t oxide = 3;
// Pits 100 cells wide and up to 90 deep below a wafer top at z = 96; the
// oxide mask lies on the top, with an 80 x 80 opening over every pit.
constexpr int pitWidth = 100;
constexpr int openingHalfWidth = 40;
constexpr std::uint32_t waferTop = 96;

std::uint32_t surfaceHeight(std::uint32_t x, std::uint32_t y)
{
    const int dx = std::abs(int(x % pitWidth) - pitWidth / 2);
    const int dy = std::abs(int(y % pitWidth) - pitWidth / 2);
    // Stepped sides (one cell per column) with a small ripple, as etched
    // facets come out on a cell grid.
    const int depth = (pitWidth / 2 - std::max(dx, dy)) * 9 / 5 + int((x * 7 + y * 3) % 3);
    return waferTop - std::uint32_t(std::max(0, std::min(depth, 90)));
}

std::vector<std::uint32_t> etchedWafer()
{
    std::vector<std::uint32_t> ids(std::size_t(sizeX) * sizeY * sizeZ, 0);
    for (std::uint32_t x = 0; x < sizeX; ++x) {
        for (std::uint32_t y = 0; y < sizeY; ++y) {
            const std::uint32_t top = surfaceHeight(x, y);
            const bool opening = std::abs(int(x % pitWidth) - pitWidth / 2) < openingHalfWidth
                && std::abs(int(y % pitWidth) - pitWidth / 2) < openingHalfWidth;
            for (std::uint32_t z = 0; z < sizeZ; ++z) {
                std::uint32_t &cell = ids[(std::size_t(x) * sizeY + y) * sizeZ + z];
                if (z < top)
                    cell = silicon;
                else if (!opening && z >= waferTop && z < waferTop + 2)
                    cell = oxide;
            }
        }
    }
    return ids;
}

Model::Automaton::TotalVolume &wafer()
{
    static Model::Automaton::TotalVolume volume(sizeX, sizeY, sizeZ, 1.0f, 1.0f, 1.0f, Util::Vector3D(), etchedWafer());
    return volume;
}

// Step 1 alone: split planes, blocks and their neighbours.
void BM_BlockPartition(benchmark::State &state)
{
    auto &volume = wafer();
    std::size_t blocks = 0;
    std::size_t links = 0;
    Model::ModelExtraction::BlockPartition::SplitPlanes planes;
    for (auto _ : state) {
        const auto envelopes = Model::ModelExtraction::BlockPartition::run(volume);
        blocks = envelopes.size();
        links = 0;
        for (const auto &e : envelopes)
            links += e->getNeighbourCount();
    }
    {
        const Model::Automaton::TotalVolume::CellsLock lock(volume, Model::Automaton::TotalVolume::CellsLock::Read);
        planes = Model::ModelExtraction::BlockPartition::findSplitPlanes(lock.cells(), sizeX, sizeY, sizeZ);
    }
    state.counters["blocks"] = double(blocks);
    state.counters["faceLinks"] = double(links);
    state.counters["planesX"] = double(planes.x.size());
    state.counters["planesY"] = double(planes.y.size());
    state.counters["planesZ"] = double(planes.z.size());
}

// All three steps without the dialog, as the command-line tool runs them.
void BM_VolumeNetlist(benchmark::State &state)
{
    auto &volume = wafer();
    Core::Operations::VolumeNetlist::Result details;
    for (auto _ : state)
        benchmark::DoNotOptimize(Core::Operations::VolumeNetlist::netlistOf(volume, &details));
    state.counters["blocks"] = double(details.blocks);
    state.counters["beams"] = double(details.beams);
}

BENCHMARK(BM_BlockPartition)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_VolumeNetlist)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

} // namespace

int main(int argc, char **argv)
{
    return runBenchmarks(argc, argv);
}
