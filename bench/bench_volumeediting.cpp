// The volume editing operations on the pillar field (see PillarField.h):
// bonding two fields face to face, lifting the silicon piece out into a
// volume of its own, and copying a whole volume as Copy does. Each runs on
// one thread and on the whole pool (argument: thread count, 0 = pool).

#include "BenchMain.h"
#include "Core/Operations/VolumeEditing/FilmExtraction.h"
#include "Core/Operations/VolumeEditing/GlueSubstrate.h"
#include "Model/Automaton/TotalVolume.h"
#include "PillarField.h"

#include <benchmark/benchmark.h>

#include <QCoreApplication>

#include <memory>

using Core::Operations::FilmExtraction;
using Core::Operations::GlueOptions;
using Core::Operations::GlueSubstrate;
using Model::Automaton::TotalVolume;

namespace {

// Measure and build: the top turned face down onto the base.
void BM_GlueFaceDown(benchmark::State &state)
{
    const auto base = pillarVolume();
    const auto top = pillarVolume();
    const int threads = int(state.range(0));
    for (auto _ : state) {
        const auto layout = GlueSubstrate::measure(*base, *top, threads);
        const auto glued = GlueSubstrate::build(*base, *top, layout, GlueOptions::minimal(layout, true), threads);
        benchmark::DoNotOptimize(glued.get());
    }
    state.counters["cells"] = double(sizeX) * sizeY * (2 * (baseHeight + pillarHeight));
}
BENCHMARK(BM_GlueFaceDown)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->UseRealTime();

// The base and its 64 pillars are one 6-connected piece of 2.6 million cells.
void BM_ExtractSilicon(benchmark::State &state)
{
    const auto source = pillarVolume();
    const int threads = int(state.range(0));
    for (auto _ : state) {
        const auto piece = FilmExtraction::extract(*source, silicon, true, threads);
        benchmark::DoNotOptimize(piece.get());
    }
}
BENCHMARK(BM_ExtractSilicon)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_CopyVolume(benchmark::State &state)
{
    const auto source = pillarVolume();
    for (auto _ : state) {
        std::unique_ptr<Model::Object> copy(source->clone());
        benchmark::DoNotOptimize(copy.get());
    }
}
BENCHMARK(BM_CopyVolume)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    return runBenchmarks(argc, argv);
}
