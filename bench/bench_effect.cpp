// What a finish line costs: the cell-by-cell count of one isotropic
// deposition (t = 5) on the 256 x 256 x 128 pillar field against the undo
// copy taken before it, beside taking that copy.

#include "BenchMain.h"
#include "Core/Operations/Film/IsotropicFilmDeposition.h"
#include "Core/Operations/Lifecycle/ProcessEffect.h"
#include "Core/Operations/UndoRedo/TotalVolumeUndoRedoHelper.h"
#include "Core/Workspace.h"
#include "Model/Automaton/TotalVolume.h"
#include "Model/Materials/MaterialFactory.h"
#include "PillarField.h"

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QTemporaryDir>

#include <memory>

using Model::Automaton::TotalVolume;

namespace {

QTemporaryDir *stateFolder = nullptr;

struct Scene
{
    Core::Workspace workspace{stateFolder->path()};
    std::shared_ptr<TotalVolume> volume = pillarVolume();
    Core::Operations::TotalVolumeUndoRedoHelper helper{&workspace, QStringLiteral("IsotropicDeposition")};

    Scene()
    {
        helper.saveBefore(volume.get());
        Core::Operations::IsotropicFilmDeposition(volume.get(), film, 5.0f).run();
    }
};

Scene *scene = nullptr;

void BM_SaveBefore(benchmark::State &state)
{
    Core::Operations::TotalVolumeUndoRedoHelper copy(&scene->workspace, QStringLiteral("Bench"));
    for (auto _ : state)
        copy.saveBefore(scene->volume.get());
}

void BM_CountChanges(benchmark::State &state)
{
    std::uint64_t changed = 0;
    for (auto _ : state) {
        Core::Operations::ProcessEffect effect;
        effect.compare(scene->helper.savedBefore(), *scene->volume);
        changed = effect.changedCells();
    }
    state.counters["changedCells"] = double(changed);
}

} // namespace

BENCHMARK(BM_SaveBefore)->Iterations(5)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_CountChanges)->Iterations(5)->Unit(benchmark::kMillisecond)->UseRealTime();

int main(int argc, char **argv)
{
    // The catalogue lives under HOME; keep the user's own out of the run.
    QTemporaryDir home;
    qputenv("HOME", home.path().toLocal8Bit());
    QTemporaryDir folder;
    stateFolder = &folder;
    QCoreApplication app(argc, argv);
    Model::Materials::MaterialFactory::getInstance();
    scene = new Scene;

    const int result = runBenchmarks(argc, argv);
    delete scene;
    return result;
}
