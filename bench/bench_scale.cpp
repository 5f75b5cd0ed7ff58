// A large pillar field from end to end: 640 x 640 x 320 cells (131 million),
// a silicon base of 80 layers carrying 8 x 8 pillars of 40 x 40 x 80 cells
// (pitch 80). The phases run once each, in order, on the same volume:
// create, deposit t = 20, etch d = 20, face build, save, load. Every phase
// reports its time and the peak resident memory reached while it ran.
//
//   bench_scale [--scale=F] [benchmark options]
//       F shrinks or grows the field (0.4 gives 256 x 256 x 128).
//   bench_scale --write-document FILE [--scale=F]
//       writes the field as a document, for loading with kestrum-batch.

#include "BenchMain.h"
#include "Core/Operations/Film/IsotropicFilmDeposition.h"
#include "Core/Operations/Film/IsotropicFilmEtching.h"
#include "Model/Automaton/TotalVolume.h"
#include "Model/Automaton/TotalVolumePainter.h"
#include "Model/Document.h"
#include "Model/Materials/MaterialFactory.h"
#include "Model/Persistence/ArchiverRegistry.h"
#include "Model/Persistence/DocumentReader.h"
#include "Model/Persistence/DocumentWriter.h"

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

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

// Peak resident memory since the last reset, in bytes (VmHWM).
double peakResident()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0.0;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').first().toDouble() * 1024.0;
    }
    return 0.0;
}

// Starts a new peak at the current resident size.
void resetPeak()
{
    QFile clear(QStringLiteral("/proc/self/clear_refs"));
    if (clear.open(QIODevice::WriteOnly))
        clear.write("5");
}

void report(benchmark::State &state)
{
    const double peak = peakResident();
    const double cells = double(nx) * ny * nz;
    state.counters["peakMB"] = peak / 1e6;
    state.counters["peakB/cell"] = peak / cells;
    state.counters["cells"] = cells;
}

std::vector<std::uint32_t> pillarField()
{
    const std::uint32_t base = scaled(80), pitch = scaled(80), width = scaled(40), offset = scaled(20),
                        height = scaled(80);
    std::vector<std::uint32_t> ids(std::size_t(nx) * ny * nz, 0);
    const auto inPillar = [&](std::uint32_t v) {
        const std::uint32_t m = v % pitch;
        return m >= offset && m < offset + width;
    };
    for (std::uint32_t x = 0; x < nx; ++x)
        for (std::uint32_t y = 0; y < ny; ++y) {
            const bool pillar = inPillar(x) && inPillar(y);
            const std::uint32_t top = std::min(nz, pillar ? base + height : base);
            std::uint32_t *column = ids.data() + (std::size_t(x) * ny + y) * nz;
            std::fill(column, column + top, silicon);
        }
    return ids;
}

void BM_Create(benchmark::State &state)
{
    resetPeak();
    for (auto _ : state) {
        volume.reset();
        volume = std::make_shared<TotalVolume>(nx, ny, nz, 1.0f, 1.0f, 1.0f, Util::Vector3D(), pillarField());
    }
    report(state);
}

template <class Process>
void runProcess(benchmark::State &state, std::uint32_t material)
{
    if (!volume) {
        state.SkipWithError("no volume");
        return;
    }
    resetPeak();
    for (auto _ : state) {
        Process process(volume.get(), material, distance);
        process.run();
        state.counters["steps"] = double(process.getStepsDone());
    }
    report(state);
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
    resetPeak();
    for (auto _ : state)
        volume->getPainter().buildFaces();
    state.counters["faces"] = double(volume->getPainter().getOpaqueFaceCount());
    report(state);
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
    resetPeak();
    for (auto _ : state) {
        if (!Model::Persistence::DocumentWriter(registry).save(document, documentPath()).ok)
            state.SkipWithError("save failed");
    }
    report(state);
    state.counters["fileMB"] = double(QFileInfo(documentPath()).size()) / 1e6;
}

void BM_Load(benchmark::State &state)
{
    // Only the loaded volume is kept, as in a fresh program that opens it.
    volume.reset();
    Model::Persistence::ArchiverRegistry registry(workFolder->path());
    resetPeak();
    for (auto _ : state) {
        Model::Document document;
        const auto result = Model::Persistence::DocumentReader(registry).load(document, documentPath());
        if (!result.ok || result.objectsLoaded != 1)
            state.SkipWithError("load failed");
    }
    report(state);
}

int writeDocument(const QString &path)
{
    Model::Persistence::ArchiverRegistry registry(workFolder->path());
    Model::Document document;
    document.addObject(std::make_shared<TotalVolume>(nx, ny, nz, 1.0f, 1.0f, 1.0f, Util::Vector3D(), pillarField()));
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

int main(int argc, char **argv)
{
    QString documentTarget;
    std::vector<char *> rest;
    for (int i = 0; i < argc; ++i) {
        if (std::strncmp(argv[i], "--scale=", 8) == 0)
            scale = std::atof(argv[i] + 8);
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

    std::fprintf(stderr, "pillar field %u x %u x %u\n", nx, ny, nz);
    const int result = runBenchmarks(int(rest.size()), rest.data());
    volume.reset();
    return result;
}
