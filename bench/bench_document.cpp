// Saving and loading a 200 x 200 x 100 cell volume through the document file.

#include "BenchMain.h"
#include "Model/Automaton/TotalVolume.h"
#include "Model/Document.h"
#include "Model/Materials/MaterialFactory.h"
#include "Model/Persistence/ArchiverRegistry.h"
#include "Model/Persistence/DocumentReader.h"
#include "Model/Persistence/DocumentWriter.h"

#include <QBuffer>
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

// The catalogue holds `count` materials at ids 100000 and up; the document
// carries as many with the same ids and other names, so every one of them
// clashes and has to move to a new id.
void loadClashingMaterials(benchmark::State &state)
{
    const int count = int(state.range(0));
    auto catalogue = Model::Materials::MaterialFactory::getInstance();
    QByteArray bytes = "<Document><Header version=\"1\"/>";
    for (int i = 0; i < count; ++i)
        bytes += QStringLiteral("<Material name=\"File %1\" material-id=\"%2\" color=\"#FF102030\"/>")
                     .arg(i).arg(100000 + i).toUtf8();
    bytes += "<Object object-type=\"1\" size-x=\"2\" size-y=\"1\" size-z=\"1\"><State>100000 100001 </State>"
             "</Object></Document>";
    ArchiverRegistry registry(workFolder->path());
    for (auto _ : state) {
        state.PauseTiming();
        catalogue->loadDefaultMaterials();
        for (int i = 0; i < count; ++i)
            catalogue->addMaterial(Model::Materials::Material(std::uint32_t(100000 + i),
                                                              QStringLiteral("Catalogue %1").arg(i), 0, 0, 0, nullptr));
        state.ResumeTiming();
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::ReadOnly);
        Model::Document document;
        const auto result = DocumentReader(registry).read(document, buffer);
        if (!result.ok || result.objectsLoaded != 1)
            state.SkipWithError("load failed");
    }
    state.counters["materials"] = count;
}

} // namespace

BENCHMARK(loadClashingMaterials)->Arg(5000)->Arg(20000)->Arg(31000)->Unit(benchmark::kMillisecond)->Iterations(1);
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
    Model::Materials::MaterialFactory::getInstance();

    const int result = runBenchmarks(argc, argv);
    return result;
}
