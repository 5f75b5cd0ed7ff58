// Saving and loading a 200 x 200 x 100 cell volume through the document file.

#include "Model/Automaton/TotalVolume.h"
#include "Model/Document.h"
#include "Model/Materials/MaterialFactory.h"
#include "Model/Persistence/ArchiverRegistry.h"
#include "Model/Persistence/DocumentReader.h"
#include "Model/Persistence/DocumentWriter.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <memory>

using Model::Automaton::TotalVolume;
using Model::Persistence::ArchiverRegistry;
using Model::Persistence::DocumentReader;
using Model::Persistence::DocumentWriter;

namespace {

QTemporaryDir *workFolder = nullptr;

// Layers of substrate, oxide and resist with a patterned top, like a volume
// after a few processes.
std::shared_ptr<TotalVolume> makeVolume(std::uint32_t nx, std::uint32_t ny, std::uint32_t nz)
{
    std::vector<std::uint32_t> ids(std::size_t(nx) * ny * nz);
    for (std::uint32_t x = 0; x < nx; ++x)
        for (std::uint32_t y = 0; y < ny; ++y)
            for (std::uint32_t z = 0; z < nz; ++z) {
                std::uint32_t id = 0;
                if (z < nz / 2)
                    id = 1;
                else if (z < nz / 2 + 10)
                    id = 3;
                else if (z < nz / 2 + 20 && ((x / 10 + y / 10) % 2 == 0))
                    id = 11;
                ids[(std::size_t(x) * ny + y) * nz + z] = id;
            }
    return std::make_shared<TotalVolume>(nx, ny, nz, 1.f, 1.f, 1.f, Util::Vector3D(), ids);
}

void saveDocument(benchmark::State &state)
{
    ArchiverRegistry registry(workFolder->path());
    Model::Document document;
    document.addObject(makeVolume(200, 200, 100));
    const QString path = workFolder->filePath(QStringLiteral("save.kst"));
    for (auto _ : state) {
        const auto result = DocumentWriter(registry).save(document, path);
        if (!result.ok)
            state.SkipWithError("save failed");
    }
    state.counters["cells"] = 200.0 * 200 * 100;
    state.counters["MB"] = double(QFileInfo(path).size()) / 1e6;
}

void loadDocument(benchmark::State &state)
{
    ArchiverRegistry registry(workFolder->path());
    const QString path = workFolder->filePath(QStringLiteral("load.kst"));
    {
        Model::Document document;
        document.addObject(makeVolume(200, 200, 100));
        if (!DocumentWriter(registry).save(document, path).ok) {
            state.SkipWithError("save failed");
            return;
        }
    }
    for (auto _ : state) {
        Model::Document document;
        const auto result = DocumentReader(registry).load(document, path);
        if (!result.ok || result.objectsLoaded != 1)
            state.SkipWithError("load failed");
        benchmark::DoNotOptimize(document.getAllObjects().size());
    }
    state.counters["cells"] = 200.0 * 200 * 100;
}

} // namespace

BENCHMARK(saveDocument)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(loadDocument)->Unit(benchmark::kMillisecond)->MinTime(2.0);

int main(int argc, char **argv)
{
    // The catalogue lives under HOME; keep the user's own out of the run.
    QTemporaryDir home;
    qputenv("HOME", home.path().toLocal8Bit());
    QTemporaryDir work;
    workFolder = &work;
    QCoreApplication app(argc, argv);
    QLoggingCategory::setFilterRules(QStringLiteral("kestrum.*=false"));
    Model::Materials::MaterialFactory::getInstance();

    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
