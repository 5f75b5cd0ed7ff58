// Oxidation to T = 20 and doping to depth 20 on the pillar field, each beside
// an isotropic deposition of thickness 20 on the same volume; RIE of the
// silicon, 64 layers from the top.
//
//   bench_silicon [benchmark options]
// Argument of each benchmark: strip (thread) count, 0 for the pool's default.

#include "BenchMain.h"
#include "PillarField.h"

#include "Core/Operations/Doping/ThermalDoping.h"
#include "Core/Operations/Film/IsotropicFilmDeposition.h"
#include "Core/Operations/ReactiveIonEtching/SimpleReactiveIonEtching.h"
#include "Core/Operations/SiOxidation/SimpleSiOxidation.h"

#include <benchmark/benchmark.h>

#include <QLoggingCategory>

#include <functional>

namespace {

using Model::Automaton::TotalVolume;


// Times `run` on a fresh copy of the field and counts the cells of `counted`.
void runField(benchmark::State &state, std::uint32_t counted, const std::function<void(TotalVolume &, unsigned)> &run)
{
    static const std::vector<std::uint32_t> ids = pillarField();
    TotalVolume volume(sizeX, sizeY, sizeZ, 1.0f, 1.0f, 1.0f,
                       Util::Vector3D(0, 0, 0), ids);
    for (auto _ : state) {
        state.PauseTiming();
        restore(volume, ids);
        state.ResumeTiming();
        run(volume, unsigned(state.range(0)));
    }
    std::size_t cells = 0;
    for (const std::uint32_t m : volume.materialIds())
        cells += m == counted;
    state.counters["cells"] = double(cells);
}

void BM_Deposition(benchmark::State &state)
{
    runField(state, 2, [](TotalVolume &volume, unsigned strips) {
        Core::Operations::IsotropicFilmDeposition deposition(&volume, 2, distance);
        deposition.setStripCount(strips);
        deposition.run();
    });
}

void BM_Oxidation(benchmark::State &state)
{
    runField(state, Core::Operations::SimpleSiOxidation::oxideMaterial, [](TotalVolume &volume, unsigned strips) {
        Core::Operations::SimpleSiOxidation oxidation(&volume, 100.0);
        oxidation.setStripCount(strips);
        oxidation.oxidateTo(distance);
    });
}

void BM_Doping(benchmark::State &state)
{
    runField(state, 15, [](TotalVolume &volume, unsigned strips) {
        Core::Operations::ThermalDoping doping(&volume, silicon, 1, distance);
        doping.setStripCount(strips);
        doping.run();
    });
}

void BM_ReactiveIonEtching(benchmark::State &state)
{
    runField(state, silicon, [](TotalVolume &volume, unsigned threads) {
        Core::Operations::SimpleReactiveIonEtching etch(&volume, silicon, 64, 1);
        etch.setThreadCount(int(threads));
        etch.runEtching();
    });
}

BENCHMARK(BM_Deposition)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Oxidation)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Doping)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ReactiveIonEtching)->Arg(0)->Arg(2)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

int main(int argc, char **argv)
{
    return runBenchmarks(argc, argv);
}
