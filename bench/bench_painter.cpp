// Direct cubic face build of a 256 x 256 x 128 volume: 32 layers of silicon
// with an 8 x 8 array of 16 x 16 x 32 silicon pillars on top (pitch 32).

#include "Model/Automaton/TotalVolume.h"
#include "Model/Automaton/TotalVolumePainter.h"

#include <QThreadPool>

#include <benchmark/benchmark.h>

#include <memory>

namespace {

constexpr std::uint32_t nx = 256, ny = 256, nz = 128;
constexpr std::uint32_t substrate = 32, pillarSide = 16, pillarHeight = 32, pitch = 32;
constexpr std::uint32_t silicon = 1;

std::shared_ptr<Model::Automaton::TotalVolume> pillarVolume()
{
    static const auto volume = [] {
        std::vector<std::uint32_t> ids(std::size_t(nx) * ny * nz, 0);
        for (std::uint32_t x = 0; x < nx; ++x)
            for (std::uint32_t y = 0; y < ny; ++y)
                for (std::uint32_t z = 0; z < substrate + pillarHeight; ++z) {
                    const bool pillar = x % pitch < pillarSide && y % pitch < pillarSide;
                    if (z < substrate || pillar)
                        ids[(std::size_t(x) * ny + y) * nz + z] = silicon;
                }
        return std::make_shared<Model::Automaton::TotalVolume>(nx, ny, nz, 1.0f, 1.0f, 1.0f,
                                                               Util::Vector3D(), ids);
    }();
    return volume;
}

// Argument: pool threads (0 = the machine default).
void BM_CubicFaceBuild(benchmark::State &state)
{
    QThreadPool *pool = QThreadPool::globalInstance();
    const int saved = pool->maxThreadCount();
    if (state.range(0) > 0)
        pool->setMaxThreadCount(int(state.range(0)));
    auto volume = pillarVolume();
    Model::Automaton::TotalVolumePainter &painter = volume->getPainter();
    for (auto _ : state)
        painter.buildFaces();
    state.counters["threads"] = pool->maxThreadCount();
    state.counters["faces"] = double(painter.getOpaqueFaceCount());
    state.counters["cells/s"] = benchmark::Counter(double(nx) * ny * nz, benchmark::Counter::kIsIterationInvariantRate);
    pool->setMaxThreadCount(saved);
}

} // namespace

BENCHMARK(BM_CubicFaceBuild)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->UseRealTime();

BENCHMARK_MAIN();
