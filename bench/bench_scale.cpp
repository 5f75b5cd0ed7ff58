// A large pillar field from end to end: 640 x 640 x 320 cells (131 million),
// a silicon base of 80 layers carrying 8 x 8 pillars of 40 x 40 x 80 cells
// (pitch 80). The phases run once each, in order, on the same volume:
// create, deposit t = 20, etch d = 20, face build, save, load (the loaded
// volume replaces the first), and the undo state of one step (the state kept
// before a deposition of t = 2 and the record written after it, then the
// undo that restores it). Every phase reports its wall time, the system time
// spent in it (counter sysS) and the peak resident memory reached while it
// ran per cell (peakB/cell); the create phase also the resident memory per
// cell once the volume is built and nothing runs (restB/cell).
//
//   bench_scale [--scale=F] [--fresh-buffers] [benchmark options]
//       F shrinks or grows the field (0.4 gives 256 x 256 x 128). The
//       phases run as the steps of a recipe do, a step's working memory
//       serving the next one (Util::LargeAllocation::KeepSpares);
//       --fresh-buffers maps new memory for every step instead.
//   bench_scale --write-document FILE [--scale=F]
//       writes the field as a document, for loading with kestrum-batch.

#include "BenchMain.h"
#include "Core/Operations/Film/IsotropicFilmDeposition.h"
#include "Core/Operations/Film/IsotropicFilmEtching.h"
#include "Core/Operations/UndoRedo/TotalVolumeUndoRedoHelper.h"
#include "Core/Workspace.h"
#include "Model/Automaton/TotalVolume.h"
#include "Model/Automaton/TotalVolumePainter.h"
#include "Model/Document.h"
#include "Model/Materials/MaterialFactory.h"
#include "Model/Persistence/ArchiverRegistry.h"
#include "Model/Persistence/DocumentReader.h"
#include "Model/Persistence/DocumentWriter.h"
#include "Util/LargeArray.h"

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include <sys/resource.h>

using Model::Automaton::TotalVolume;

namespace {

double scale = 1.0;
std::uint32_t nx = 640, ny = 640, nz = 320;
constexpr std::uint32_t silicon = 1;
constexpr std::uint32_t film = 2;
constexpr float distance = 20.0f;

QTemporaryDir *workFolder = nullptr;
std::shared_ptr<TotalVolume> volume;

std::uint32_t scaled(std::uint32_t value)
{
    return std::max<std::uint32_t>(1, std::uint32_t(value * scale + 0.5));
}

// A figure of /proc/self/status in bytes: VmHWM, the peak resident memory
// since the last reset, or VmRSS, the resident memory now.
double statusBytes(const char *key)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0.0;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith(key))
            return line.mid(int(std::strlen(key))).trimmed().split(' ').first().toDouble() * 1024.0;
    }
    return 0.0;
}

double peakResident()
{
    return statusBytes("VmHWM:");
}

// System (kernel) time of this process so far, in seconds.
double systemSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_stime.tv_sec) + double(usage.ru_stime.tv_usec) * 1e-6;
}

// Page faults of this process so far (each maps one page, 4 KiB or 2 MiB).
double pageFaults()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_minflt) + double(usage.ru_majflt);
}

// Starts a new peak at the current resident size.
void resetPeak()
{
    QFile clear(QStringLiteral("/proc/self/clear_refs"));
    if (clear.open(QIODevice::WriteOnly))
        clear.write("5");
}

double cellCount()
{
    return double(nx) * ny * nz;
}

// One phase's figures: starts the peak and the system time where it is
// built, reports them with the phase's counters.
class Phase
{
public:
    Phase() : systemStart(systemSeconds()), faultStart(pageFaults()) { resetPeak(); }

    void report(benchmark::State &state) const
    {
        const double peak = peakResident();
        state.counters["peakMB"] = peak / 1e6;
        state.counters["peakB/cell"] = peak / cellCount();
        state.counters["sysS"] = systemSeconds() - systemStart;
        state.counters["faults"] = pageFaults() - faultStart;
        state.counters["cells"] = cellCount();
    }

private:
    double systemStart;
    double faultStart;
};

// The pillar field, written straight into a new volume's cells.
std::shared_ptr<TotalVolume> pillarField()
{
    const std::uint32_t base = scaled(80), pitch = scaled(80), width = scaled(40), offset = scaled(20),
                        height = scaled(80);
    auto field = std::make_shared<TotalVolume>(nx, ny, nz, 1.0f, 1.0f, 1.0f, Util::Vector3D(), TotalVolume::Cells::Empty);
    const auto inPillar = [&](std::uint32_t v) {
        const std::uint32_t m = v % pitch;
        return m >= offset && m < offset + width;
    };
    const TotalVolume::CellsLock lock(*field, TotalVolume::CellsLock::Write);
    Model::Automaton::Voxel *cells = lock.writableCells();
    for (std::uint32_t x = 0; x < nx; ++x)
        for (std::uint32_t y = 0; y < ny; ++y) {
            const bool pillar = inPillar(x) && inPillar(y);
            const std::uint32_t top = std::min(nz, pillar ? base + height : base);
            Model::Automaton::Voxel *column = cells + field->index(x, y, 0);
            std::fill(column, column + top, Model::Automaton::Voxel(silicon));
        }
    return field;
}

void BM_Create(benchmark::State &state)
{
    const Phase phase;
    for (auto _ : state) {
        volume.reset();
        volume = pillarField();
    }
    phase.report(state);
    state.counters["restB/cell"] = statusBytes("VmRSS:") / cellCount();
}

template <class Process>
void runProcess(benchmark::State &state, std::uint32_t material)
{
    if (!volume) {
        state.SkipWithError("no volume");
        return;
    }
    const Phase phase;
    for (auto _ : state) {
        Process process(volume.get(), material, distance);
        process.run();
        state.counters["steps"] = double(process.getStepsDone());
    }
    phase.report(state);
}

void BM_Deposit(benchmark::State &state)
{
    runProcess<Core::Operations::IsotropicFilmDeposition>(state, film);
}

void BM_Etch(benchmark::State &state)
{
    runProcess<Core::Operations::IsotropicFilmEtching>(state, film);
}

void BM_FaceBuild(benchmark::State &state)
{
    if (!volume) {
        state.SkipWithError("no volume");
        return;
    }
    // As a run of steps does before a step without working memory of the
    // volume's size.
    Util::LargeAllocation::releaseSpares();
    const Phase phase;
    for (auto _ : state)
        volume->getPainter().buildFaces();
    state.counters["faces"] = double(volume->getPainter().getOpaqueFaceCount());
    phase.report(state);
}

QString documentPath()
{
    return workFolder->filePath(QStringLiteral("field.kst"));
}

void BM_Save(benchmark::State &state)
{
    if (!volume) {
        state.SkipWithError("no volume");
        return;
    }
    Model::Persistence::ArchiverRegistry registry(workFolder->path());
    Model::Document document;
    document.addObject(volume);
    Util::LargeAllocation::releaseSpares();
    const Phase phase;
    for (auto _ : state) {
        if (!Model::Persistence::DocumentWriter(registry).save(document, documentPath()).ok)
            state.SkipWithError("save failed");
    }
    phase.report(state);
    state.counters["fileMB"] = double(QFileInfo(documentPath()).size()) / 1e6;
}

void BM_Load(benchmark::State &state)
{
    // Only the loaded volume is kept, as in a fresh program that opens it;
    // it goes on to the undo phase.
    volume.reset();
    Util::LargeAllocation::releaseSpares();
    Model::Persistence::ArchiverRegistry registry(workFolder->path());
    const Phase phase;
    for (auto _ : state) {
        Model::Document document;
        const auto result = Model::Persistence::DocumentReader(registry).load(document, documentPath());
        if (!result.ok || result.objectsLoaded != 1 || !result.warnings.isEmpty()) {
            state.SkipWithError("load failed");
            break;
        }
        volume = std::dynamic_pointer_cast<TotalVolume>(document.getAllObjects().first());
    }
    phase.report(state);
}

// What undo costs around one step: the copy kept before a deposition of
// t = 2, the record written after it, and the undo that puts the cells
// back. The deposition itself is not timed.
void BM_UndoState(benchmark::State &state)
{
    if (!volume) {
        state.SkipWithError("no volume");
        return;
    }
    Core::Workspace workspace(workFolder->path());
    const Phase phase;
    double untimedSystem = 0.0;
    double peak = 0.0;
    for (auto _ : state) {
        Core::Operations::TotalVolumeUndoRedoHelper helper(&workspace, QStringLiteral("IsotropicDeposition"));
        helper.saveBefore(volume.get());
        state.PauseTiming();
        peak = std::max(peak, peakResident());
        const double systemBefore = systemSeconds();
        Core::Operations::IsotropicFilmDeposition(volume.get(), film, 2.0f).run();
        // The window keeps no spares between steps; undo is the window's.
        Util::LargeAllocation::releaseSpares();
        untimedSystem += systemSeconds() - systemBefore;
        resetPeak();
        state.ResumeTiming();
        if (!helper.saveAfter(volume.get()))
            state.SkipWithError("no undo record");
        helper.loadUndoState(volume.get());
    }
    phase.report(state);
    // The step's own time and memory are the deposition's, not the undo's.
    state.counters["sysS"] = state.counters["sysS"] - untimedSystem;
    state.counters["peakB/cell"] = std::max(peak, peakResident()) / cellCount();
    state.counters["peakMB"] = std::max(peak, peakResident()) / 1e6;
    state.counters["undoMB"] = double(QFileInfo(workspace.getUndoFileName()).size()) / 1e6;
}

int writeDocument(const QString &path)
{
    Model::Persistence::ArchiverRegistry registry(workFolder->path());
    Model::Document document;
    document.addObject(pillarField());
    if (!Model::Persistence::DocumentWriter(registry).save(document, path).ok) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        return 1;
    }
    return 0;
}

} // namespace

BENCHMARK(BM_Create)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Deposit)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Etch)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_FaceBuild)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Save)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Load)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_UndoState)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

int main(int argc, char **argv)
{
    QString documentTarget;
    bool freshBuffers = false;
    std::vector<char *> rest;
    for (int i = 0; i < argc; ++i) {
        if (std::strncmp(argv[i], "--scale=", 8) == 0)
            scale = std::atof(argv[i] + 8);
        else if (std::strcmp(argv[i], "--fresh-buffers") == 0)
            freshBuffers = true;
        else if (std::strcmp(argv[i], "--write-document") == 0 && i + 1 < argc)
            documentTarget = QString::fromLocal8Bit(argv[++i]);
        else
            rest.push_back(argv[i]);
    }
    if (!(scale > 0.0)) {
        std::fprintf(stderr, "--scale needs a positive factor\n");
        return 2;
    }
    nx = scaled(640);
    ny = scaled(640);
    nz = scaled(320);

    // The catalogue lives under HOME; keep the user's own out of the run.
    QTemporaryDir home;
    qputenv("HOME", home.path().toLocal8Bit());
    QTemporaryDir work;
    workFolder = &work;
    int qtArgc = 1;
    QCoreApplication app(qtArgc, argv);
    QLoggingCategory::setFilterRules(QStringLiteral("kestrum.*=false"));
    Model::Materials::MaterialFactory::getInstance();
    if (!documentTarget.isEmpty())
        return writeDocument(documentTarget);

    std::fprintf(stderr, "pillar field %u x %u x %u%s\n", nx, ny, nz, freshBuffers ? ", fresh buffers" : "");
    std::unique_ptr<Util::LargeAllocation::KeepSpares> spares;
    if (!freshBuffers)
        spares = std::make_unique<Util::LargeAllocation::KeepSpares>();
    const int result = runBenchmarks(int(rest.size()), rest.data());
    spares.reset();
    volume.reset();
    return result;
}
