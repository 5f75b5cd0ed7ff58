// The atomistic silicon lattice and the bond-counting wet etch.
//
//   BM_LatticeBuild        lattice of a 256 x 256 x 64 silicon volume: time,
//                          bytes held per atom and peak extra resident memory
//                          per atom (the process's high-water mark, reset
//                          before the build)
//   BM_BondCountingEtch    depth 10 through a 128 x 128 opening in an oxide
//                          mask on a 256 x 256 x 64 wafer, 2 threads: front
//                          atoms visited per second (the lattice is built
//                          outside the timing)

#include "Core/Operations/SiEtching/AtomicStructureSimpleSiWetEtch.h"
#include "Model/Automaton/SiLattice.h"
#include "Model/Automaton/TotalVolume.h"

#include <benchmark/benchmark.h>

#include <QFile>
#include <QThreadPool>

#include <memory>
#include <vector>

namespace {

constexpr std::uint32_t size = 256;
constexpr std::uint32_t height = 64;
constexpr std::uint32_t siliconTop = 56;
constexpr std::uint32_t opening = 128;

// A line of /proc/self/status in kB, 0 when it cannot be read.
double statusKb(const char *key)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly | QIODevice::Text))
        return 0;
    for (QByteArray line = status.readLine(); !line.isEmpty(); line = status.readLine()) {
        if (line.startsWith(key))
            return line.mid(int(qstrlen(key))).trimmed().split(' ').first().toDouble();
    }
    return 0;
}

void resetPeakMemory()
{
    QFile clear(QStringLiteral("/proc/self/clear_refs"));
    if (clear.open(QIODevice::WriteOnly))
        clear.write("5");
}

std::vector<std::uint32_t> wafer(bool masked)
{
    std::vector<std::uint32_t> ids(std::size_t(size) * size * height, 0);
    const std::uint32_t lo = (size - opening) / 2, hi = lo + opening;
    for (std::uint32_t x = 0; x < size; ++x)
        for (std::uint32_t y = 0; y < size; ++y)
            for (std::uint32_t z = 0; z < height; ++z) {
                const bool open = x >= lo && x < hi && y >= lo && y < hi;
                std::uint32_t id = 1;
                if (masked)
                    id = z < siliconTop ? 1 : z == siliconTop && !open ? 3 : 0;
                ids[(std::size_t(x) * size + y) * height + z] = id;
            }
    return ids;
}

void BM_LatticeBuild(benchmark::State &state)
{
    Model::Automaton::TotalVolume volume(size, size, height, 1.f, 1.f, 1.f, Util::Vector3D(), wafer(false));
    for (auto _ : state)
        volume.rebuildSiLattice(); // frees the previous lattice first
    // One more build, on a volume without a lattice, measured for memory.
    Model::Automaton::TotalVolume fresh(size, size, height, 1.f, 1.f, 1.f, Util::Vector3D(), wafer(false));
    const double before = statusKb("VmRSS:");
    resetPeakMemory();
    fresh.rebuildSiLattice();
    const double peak = statusKb("VmHWM:");
    const auto lattice = fresh.getSiLattice();
    const double atoms = double(lattice->getSiliconAtomCount());
    state.counters["atoms"] = atoms;
    state.counters["heldBytesPerAtom"] = double(lattice->memoryBytes()) / atoms;
    state.counters["peakExtraBytesPerAtom"] = (peak - before) * 1024.0 / atoms;
}

void BM_BondCountingEtch(benchmark::State &state)
{
    QThreadPool::globalInstance()->setMaxThreadCount(int(state.range(0)));
    const std::vector<std::uint32_t> ids = wafer(true);
    Model::Automaton::TotalVolume volume(size, size, height, 1.f, 1.f, 1.f, Util::Vector3D(), ids);
    std::uint64_t visits = 0, initialization = 0, removed = 0, steps = 0;
    for (auto _ : state) {
        state.PauseTiming();
        {
            const Model::Automaton::TotalVolume::CellsLock lock(volume, Model::Automaton::TotalVolume::CellsLock::Write);
            Model::Automaton::Voxel *cells = lock.writableCells();
            for (std::size_t i = 0; i < ids.size(); ++i)
                cells[i].material = ids[i];
        }
        volume.rebuildSiLattice();
        state.ResumeTiming();
        Core::Operations::AtomicStructureSimpleSiWetEtch engine(&volume, 10.0);
        engine.runEtching();
        visits += engine.getAtomVisits();
        initialization += engine.getInitializationVisits();
        removed += engine.getRemovedAtoms();
        steps += engine.getStepsRun();
    }
    const double runs = double(state.iterations());
    state.counters["frontVisits"] = double(visits) / runs;
    state.counters["initializationVisits"] = double(initialization) / runs;
    state.counters["removedAtoms"] = double(removed) / runs;
    state.counters["steps"] = double(steps) / runs;
    state.counters["visitsPerSecond"] = benchmark::Counter(double(visits + initialization), benchmark::Counter::kIsRate);
    state.counters["frontVisitsPerSecond"] = benchmark::Counter(double(visits), benchmark::Counter::kIsRate);
}

} // namespace

BENCHMARK(BM_LatticeBuild)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_BondCountingEtch)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->Iterations(3);
// The same with the CPU time of all threads: on a busy machine the wall time
// also counts the time the threads wait for a processor.
BENCHMARK(BM_BondCountingEtch)->Arg(2)->Unit(benchmark::kMillisecond)->Iterations(3)->MeasureProcessCPUTime();

BENCHMARK_MAIN();
