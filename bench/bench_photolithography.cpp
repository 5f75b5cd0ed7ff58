// Developing a positive resist through a full-size mask on a 512 x 512 x 64
// volume: 16 layers of silicon, 4 of oxide, 32 of resist, 12 empty above.
// The top mask is a checkerboard of 32 x 32 squares; no bottom mask.
//
//   bench_photolithography [benchmark options]

#include "BenchMain.h"
#include "Core/Operations/Lithography/Photolithography.h"
#include "Model/Automaton/TotalVolume.h"

#include <benchmark/benchmark.h>

#include <QLoggingCategory>

#include <vector>

namespace {

constexpr std::uint32_t sizeX = 512;
constexpr std::uint32_t sizeY = 512;
constexpr std::uint32_t sizeZ = 64;
constexpr std::uint32_t silicon = 1;
constexpr std::uint32_t oxide = 3;
constexpr std::uint32_t resist = 11;
constexpr std::uint32_t resistBottom = 20;
constexpr std::uint32_t resistTop = 52;

std::uint32_t layer(std::uint32_t z)
{
    return z < 16 ? silicon : z < resistBottom ? oxide : z < resistTop ? resist : 0;
}

std::vector<std::uint32_t> stack()
{
    std::vector<std::uint32_t> ids(std::size_t(sizeX) * sizeY * sizeZ);
    for (std::size_t i = 0; i < ids.size(); ++i)
        ids[i] = layer(std::uint32_t(i % sizeZ));
    return ids;
}

Core::Operations::LithographyMask checkerboard()
{
    Core::Operations::LithographyMask mask;
    mask.width = sizeX;
    mask.height = sizeY;
    mask.bits = Util::BitVector(std::size_t(sizeX) * sizeY);
    for (std::uint32_t i = 0; i < sizeX; ++i)
        for (std::uint32_t j = 0; j < sizeY; ++j)
            mask.bits.set(std::size_t(i) * sizeY + j, ((i / 32) + (j / 32)) % 2 == 0);
    return mask;
}

void restoreResist(Model::Automaton::TotalVolume &volume)
{
    const Model::Automaton::TotalVolume::CellsLock lock(volume, Model::Automaton::TotalVolume::CellsLock::Write);
    Model::Automaton::Voxel *cells = lock.writableCells();
    for (std::size_t column = 0; column < std::size_t(sizeX) * sizeY; ++column)
        for (std::uint32_t z = resistBottom; z < resistTop; ++z)
            cells[column * sizeZ + z].material = resist;
}

// Argument: strip count.
void BM_DevelopResist(benchmark::State &state)
{
    Model::Automaton::TotalVolume volume(sizeX, sizeY, sizeZ, 1.0f, 1.0f, 1.0f, Util::Vector3D(0, 0, 0), stack());
    const Core::Operations::LithographyMask top = checkerboard();
    unsigned strips = 0;
    for (auto _ : state) {
        state.PauseTiming();
        restoreResist(volume);
        Core::Operations::Photolithography process(&volume, resist, Core::Operations::LithographyMask(), top);
        process.setStripCount(unsigned(state.range(0)));
        state.ResumeTiming();
        process.run();
        strips = process.getStripsUsed();
    }
    std::size_t left = 0;
    for (const std::uint32_t m : volume.materialIds())
        left += m == resist;
    state.counters["strips"] = strips;
    state.counters["resistCellsLeft"] = double(left);
}

BENCHMARK(BM_DevelopResist)->Arg(2)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

int main(int argc, char **argv)
{
    return runBenchmarks(argc, argv);
}
