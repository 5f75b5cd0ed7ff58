// Undo and redo of one isotropic deposition (t = 5) on the 256 x 256 x 128
// pillar field: the state saved around the run (before and after it, with
// the record sizes on disk), then restoring the cells before and after.

#include "BenchMain.h"
#include "Core/Operations/Film/IsotropicFilmDeposition.h"
#include "Core/Operations/UndoRedo/TotalVolumeUndoRedoHelper.h"
#include "Core/Workspace.h"
#include "Model/Automaton/TotalVolume.h"
#include "Model/Materials/MaterialFactory.h"
#include "PillarField.h"

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QTemporaryDir>

#include <memory>
#include <vector>

using Model::Automaton::TotalVolume;

namespace {

QTemporaryDir *stateFolder = nullptr;

struct Scene
{
    Core::Workspace workspace{stateFolder->path()};
    std::shared_ptr<TotalVolume> volume = pillarVolume();
    Core::Operations::TotalVolumeUndoRedoHelper helper{&workspace, QStringLiteral("IsotropicDeposition")};
};

Scene *scene = nullptr;

// saveBefore, the deposition, saveAfter: what a process operation does.
void BM_SaveAroundDeposition(benchmark::State &state)
{
    for (auto _ : state) {
        state.PauseTiming();
        delete scene;
        scene = new Scene;
        state.ResumeTiming();
        scene->helper.saveBefore(scene->volume.get());
        Core::Operations::IsotropicFilmDeposition(scene->volume.get(), 2, 5.0f).run();
        scene->helper.saveAfter(scene->volume.get());
    }
    state.counters["undoKB"] = double(QFileInfo(scene->workspace.getUndoFileName()).size()) / 1e3;
    state.counters["redoKB"] = double(QFileInfo(scene->workspace.getRedoFileName()).size()) / 1e3;
}

void BM_Undo(benchmark::State &state)
{
    for (auto _ : state) {
        scene->helper.loadUndoState(scene->volume.get());
        state.PauseTiming();
        scene->helper.loadRedoState(scene->volume.get());
        state.ResumeTiming();
    }
}

void BM_Redo(benchmark::State &state)
{
    for (auto _ : state) {
        state.PauseTiming();
        scene->helper.loadUndoState(scene->volume.get());
        state.ResumeTiming();
        scene->helper.loadRedoState(scene->volume.get());
    }
}

} // namespace

BENCHMARK(BM_SaveAroundDeposition)->Iterations(3)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Undo)->Iterations(10)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Redo)->Iterations(10)->Unit(benchmark::kMillisecond)->UseRealTime();

int main(int argc, char **argv)
{
    // The catalogue lives under HOME; keep the user's own out of the run.
    QTemporaryDir home;
    qputenv("HOME", home.path().toLocal8Bit());
    QTemporaryDir folder;
    stateFolder = &folder;
    QCoreApplication app(argc, argv);
    Model::Materials::MaterialFactory::getInstance();

    const int result = runBenchmarks(argc, argv);
    delete scene;
    return result;
}
