// The cyclic deep etch: 50 cycles of 3 µm with a 0.5 µm coat (one cell) on a
// 256 x 256 x 256 volume of 1 µm cells holding a field of slots 4, 8, 16 and
// 32 µm wide (192 µm long, 16 µm apart, twice over) in a 4 µm oxide mask on
// 220 µm of silicon, aspect-ratio-dependent etching on. Reports the time,
// the share of it in the flux engine, the peak resident memory per cell
// (the volume's own 4 bytes included) and the depth of the narrowest and the
// widest slot.
//
//   bench_drie [benchmark options]
// Argument: thread count, 0 for the pool's default.

#include "BenchMain.h"

#include "Core/Operations/DeepReactiveIonEtching/DeepReactiveIonEtching.h"
#include "Model/Automaton/TotalVolume.h"

#include <benchmark/benchmark.h>

#include <QFile>
#include <QThreadPool>

#include <memory>
#include <vector>

namespace {

using Core::Operations::DeepReactiveIonEtching;
using Model::Automaton::TotalVolume;

constexpr std::uint32_t n = 256;
constexpr std::uint32_t siliconTop = 220;
constexpr std::uint32_t maskTop = 224;

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

void resetPeak()
{
    QFile clear(QStringLiteral("/proc/self/clear_refs"));
    if (clear.open(QIODevice::WriteOnly))
        clear.write("5");
}

struct Slot
{
    std::uint32_t begin, end;
};

std::vector<Slot> slotList()
{
    std::vector<Slot> out;
    std::uint32_t x = 8;
    for (int repeat = 0; repeat < 2; ++repeat) {
        for (const std::uint32_t width : {4u, 8u, 16u, 32u}) {
            out.push_back({x, x + width});
            x += width + 16;
        }
    }
    return out;
}

std::shared_ptr<TotalVolume> slotField()
{
    std::vector<std::uint32_t> ids(std::size_t(n) * n * n, 0);
    const std::vector<Slot> field = slotList();
    for (std::uint32_t x = 0; x < n; ++x) {
        bool open = false;
        for (const Slot &s : field)
            open = open || (x >= s.begin && x < s.end);
        for (std::uint32_t y = 0; y < n; ++y) {
            const bool inSlot = open && y >= 32 && y < 224;
            std::uint32_t *column = ids.data() + (std::size_t(x) * n + y) * n;
            std::fill(column, column + siliconTop, 1u);
            if (!inSlot)
                std::fill(column + siliconTop, column + maskTop, 3u);
        }
    }
    return std::make_shared<TotalVolume>(n, n, n, 1.0f, 1.0f, 1.0f, Util::Vector3D(), ids);
}

double depthAt(TotalVolume &volume, std::uint32_t x)
{
    const TotalVolume::CellsLock lock(volume, TotalVolume::CellsLock::Read);
    const auto *column = lock.cells() + (std::size_t(x) * n + n / 2) * n;
    std::uint32_t top = 0;
    for (std::uint32_t z = n; z > 0; --z) {
        if (column[z - 1].material == 1) {
            top = z;
            break;
        }
    }
    return double(siliconTop - top);
}

void BM_Drie(benchmark::State &state)
{
    const int threads = int(state.range(0));
    double flux = 0.0, total = 0.0, peak = 0.0;
    std::shared_ptr<TotalVolume> volume;
    for (auto _ : state) {
        state.PauseTiming();
        volume.reset();
        volume = slotField();
        resetPeak();
        state.ResumeTiming();
        DeepReactiveIonEtching etch(volume.get(), 1, 50, 3.0, 0.5, true);
        etch.setThreadCount(threads);
        etch.run();
        state.PauseTiming();
        peak = peakResident();
        flux += etch.getFluxSeconds();
        total += etch.getSeconds();
        state.ResumeTiming();
    }
    const std::vector<Slot> field = slotList();
    state.counters["fluxShare"] = total > 0.0 ? flux / total : 0.0;
    state.counters["peakB/cell"] = peak / (double(n) * n * n);
    state.counters["depth4um"] = depthAt(*volume, (field[0].begin + field[0].end) / 2);
    state.counters["depth32um"] = depthAt(*volume, (field[3].begin + field[3].end) / 2);
}

} // namespace

BENCHMARK(BM_Drie)->Arg(0)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

int main(int argc, char **argv)
{
    return runBenchmarks(argc, argv);
}
