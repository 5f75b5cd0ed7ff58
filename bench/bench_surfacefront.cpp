// Isotropic deposition and etching on a 256 x 256 x 128 volume: a silicon
// base of 32 layers carrying an 8 x 8 array of 16 x 16 x 32 pillars (pitch 32).
//
//   bench_surfacefront [benchmark options]
//   bench_surfacefront --dump-deposition FILE
//       runs one deposition (thickness 20, material 2) and writes the material
//       ids as little-endian 32-bit words in cell order, for compare_edt.py.

#include "BenchMain.h"
#include "Core/Operations/Film/IsotropicFilmDeposition.h"
#include "Core/Operations/Film/IsotropicFilmEtching.h"
#include "Model/Automaton/TotalVolume.h"
#include "PillarField.h"

#include <benchmark/benchmark.h>

#include <QLoggingCategory>

#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

namespace {

template <class Process>
void runField(benchmark::State &state, std::uint32_t material, std::uint32_t counted, float thickness = distance)
{
    static const std::vector<std::uint32_t> ids = pillarField();
    Model::Automaton::TotalVolume volume(sizeX, sizeY, sizeZ, 1.0f, 1.0f, 1.0f, Util::Vector3D(0, 0, 0), ids);
    std::uint64_t steps = 0;
    unsigned strips = 0;
    for (auto _ : state) {
        state.PauseTiming();
        restore(volume, ids);
        Process process(&volume, material, thickness);
        if (state.range(0) > 0)
            process.setStripCount(unsigned(state.range(0)));
        state.ResumeTiming();
        process.run();
        steps = process.getStepsDone();
        strips = process.getStripsUsed();
    }
    state.counters["steps"] = double(steps);
    state.counters["strips"] = strips;
    state.counters["cells"] = double(count(volume, counted));
}

void BM_IsotropicDeposition(benchmark::State &state)
{
    runField<Core::Operations::IsotropicFilmDeposition>(state, film, film);
}

void BM_IsotropicEtching(benchmark::State &state)
{
    runField<Core::Operations::IsotropicFilmEtching>(state, silicon, 0);
}

// Thickness 0: the initialisation alone (a full pass over both arrays).
void BM_SurfaceFrontInitialisation(benchmark::State &state)
{
    runField<Core::Operations::IsotropicFilmDeposition>(state, film, film, 0.0f);
}

// Argument: strip count, 0 for the thread pool's default.
BENCHMARK(BM_IsotropicDeposition)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_IsotropicEtching)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_SurfaceFrontInitialisation)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

int dumpDeposition(const char *path)
{
    const std::vector<std::uint32_t> ids = pillarField();
    Model::Automaton::TotalVolume volume(sizeX, sizeY, sizeZ, 1.0f, 1.0f, 1.0f, Util::Vector3D(0, 0, 0), ids);
    Core::Operations::IsotropicFilmDeposition(&volume, film, distance).run();
    const std::vector<std::uint32_t> result = volume.materialIds();
    std::FILE *file = std::fopen(path, "wb");
    if (!file) {
        std::fprintf(stderr, "cannot write %s\n", path);
        return 1;
    }
    const bool written = std::fwrite(result.data(), sizeof(std::uint32_t), result.size(), file) == result.size();
    if (std::fclose(file) != 0 || !written) {
        std::fprintf(stderr, "cannot write %s\n", path);
        return 1;
    }
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    QLoggingCategory::setFilterRules(QStringLiteral("kestrum.*.debug=false"));
    if (argc == 3 && std::strcmp(argv[1], "--dump-deposition") == 0)
        return dumpDeposition(argv[2]);
    return runBenchmarks(argc, argv);
}
