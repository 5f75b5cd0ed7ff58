// The film processes on the pillar field (see PillarField.h), each beside an
// isotropic deposition of the same volume:
//   electroplating and PVD of thickness 20, Moore deposition of 20 steps,
//   planarization and spin coating (two strips, one pass over the cells).

#include "BenchMain.h"
#include "Core/Operations/Film/AnisotropicFilmDeposition.h"
#include "Core/Operations/Film/Electrodeposition.h"
#include "Core/Operations/Film/IsotropicFilmDeposition.h"
#include "Core/Operations/Film/MooreNeighborhoodDeposition.h"
#include "Core/Operations/Film/Planarization.h"
#include "Core/Operations/Film/SpinCoating.h"
#include "PillarField.h"

#include <benchmark/benchmark.h>

#include <QLoggingCategory>

#include <functional>
#include <memory>

namespace {

using namespace Core::Operations;
using Volume = Model::Automaton::TotalVolume;

// Runs the process `make` builds on a fresh copy of the field; argument 0 of
// the benchmark is the strip count (0: the thread pool's default).
template <class Process, class Make>
void runField(benchmark::State &state, Make make)
{
    static const std::vector<std::uint32_t> ids = pillarField();
    Volume volume(sizeX, sizeY, sizeZ, 1.0f, 1.0f, 1.0f, Util::Vector3D(0, 0, 0), ids);
    for (auto _ : state) {
        state.PauseTiming();
        restore(volume, ids);
        std::unique_ptr<Process> process = make(volume);
        if (state.range(0) > 0)
            process->setStripCount(unsigned(state.range(0)));
        state.ResumeTiming();
        process->run();
    }
    state.counters["film"] = double(count(volume, film));
    state.counters["empty"] = double(count(volume, 0));
}

void BM_IsotropicDeposition(benchmark::State &state)
{
    runField<SurfaceFrontProcess>(state, [](Volume &v) { return std::make_unique<IsotropicFilmDeposition>(&v, film, distance); });
}

// Silicon conducts: every solid seeds, as in the isotropic deposition.
void BM_Electroplating(benchmark::State &state)
{
    runField<SurfaceFrontProcess>(state, [](Volume &v) {
        return std::make_unique<Electrodeposition>(&v, film, silicon, distance);
    });
}

void BM_PvdOnTop(benchmark::State &state)
{
    runField<SurfaceFrontProcess>(state, [](Volume &v) {
        return std::make_unique<AnisotropicFilmDeposition>(&v, film, distance, 0.5f, AnisotropicFilmDeposition::OnTop);
    });
}

void BM_PvdBothSidesRatio1(benchmark::State &state)
{
    runField<SurfaceFrontProcess>(state, [](Volume &v) {
        return std::make_unique<AnisotropicFilmDeposition>(&v, film, distance, 1.0f,
                                                           AnisotropicFilmDeposition::OnTopAndBottom);
    });
}

void BM_MooreDeposition(benchmark::State &state)
{
    runField<SurfaceFrontProcess>(state, [](Volume &v) { return std::make_unique<MooreNeighborhoodDeposition>(&v, film, 20); });
}

void BM_Planarization(benchmark::State &state)
{
    runField<LayerProcess>(state, [](Volume &v) { return std::make_unique<Planarization>(&v, 100, 10); });
}

void BM_SpinCoating(benchmark::State &state)
{
    runField<LayerProcess>(state, [](Volume &v) { return std::make_unique<SpinCoating>(&v, film, 100); });
}

BENCHMARK(BM_IsotropicDeposition)->Arg(0)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Electroplating)->Arg(0)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_PvdOnTop)->Arg(0)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_PvdBothSidesRatio1)->Arg(0)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_MooreDeposition)->Arg(0)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Planarization)->Arg(2)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_SpinCoating)->Arg(2)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

int main(int argc, char **argv)
{
    return runBenchmarks(argc, argv);
}
