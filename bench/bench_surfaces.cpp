// Marching-cubes and octree surfaces of the 256 x 256 x 128 pillar field,
// and its export as VTK image data (time and file size).

#include "BenchMain.h"
#include "PillarField.h"

#include "Model/Automaton/CellRange.h"
#include "Model/Automaton/MarchingCubeSurface.h"
#include "Model/Automaton/MaterialColorTable.h"
#include "Model/Automaton/OctreeSurface.h"
#include "Model/Persistence/VolumeExport.h"

#include <QFileInfo>
#include <QTemporaryDir>
#include <QThreadPool>

#include <memory>

namespace {

using namespace Model::Automaton;

struct Field
{
    std::vector<Voxel> cells;
    Field()
    {
        const std::vector<std::uint32_t> ids = pillarField();
        cells.resize(ids.size());
        for (std::size_t i = 0; i < ids.size(); ++i)
            cells[i].material = ids[i];
    }
};

const Field &field()
{
    static const Field f;
    return f;
}

// Argument: pool threads.
void BM_MarchingCubes(benchmark::State &state)
{
    const MarchingCubeSurface::Grid grid{field().cells.data(), {sizeX, sizeY, sizeZ}, {1, 1, 1}, Util::Vector3D()};
    std::size_t triangles = 0;
    for (auto _ : state)
        triangles = MarchingCubeSurface::buildSurface(grid, CellRange::whole(sizeX, sizeY, sizeZ), int(state.range(0))).size();
    state.counters["threads"] = double(state.range(0));
    state.counters["triangles"] = double(triangles);
}

void BM_Octree(benchmark::State &state)
{
    const OctreeSurface::Grid grid{field().cells.data(), {sizeX, sizeY, sizeZ}, {1, 1, 1}};
    MaterialColorTable colors;
    colors.refillFromCatalogue();
    std::size_t faces = 0, nodes = 0;
    for (auto _ : state) {
        const OctreeSurface::Result r = OctreeSurface::buildTree(grid, CellRange::whole(sizeX, sizeY, sizeZ), colors,
                                                                 int(state.range(0)));
        faces = r.opaque.size() + r.transparent.size();
        nodes = r.nodes.size();
    }
    state.counters["threads"] = double(state.range(0));
    state.counters["faces"] = double(faces);
    state.counters["nodes"] = double(nodes);
}

void BM_ExportImageData(benchmark::State &state)
{
    QThreadPool *pool = QThreadPool::globalInstance();
    const int saved = pool->maxThreadCount();
    pool->setMaxThreadCount(int(state.range(0)));
    TotalVolume volume(sizeX, sizeY, sizeZ, 1, 1, 1, Util::Vector3D(), pillarField());
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("pillars.vti"));
    for (auto _ : state) {
        QString error;
        if (!Model::Persistence::VolumeExport::write(volume, path, &error))
            state.SkipWithError(qPrintable(error));
    }
    state.counters["threads"] = double(state.range(0));
    state.counters["MB"] = double(QFileInfo(path).size()) / 1e6;
    pool->setMaxThreadCount(saved);
}

} // namespace

BENCHMARK(BM_MarchingCubes)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Octree)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ExportImageData)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime();

int main(int argc, char **argv)
{
    return runBenchmarks(argc, argv);
}
