// Cross sections and trench metrics of a 640 x 640 x 320 volume: silicon to
// 240 cells under a 16-cell mask, with a comb of trenches 32 cells wide
// at the floor (pitch 80) etched 176 cells deep through the mask, their
// walls stepping one cell outwards every 16 rows, so every measure has walls
// to fit.

#include "BenchMain.h"

#include "Model/Automaton/TotalVolume.h"
#include "Model/Metrology/Section.h"
#include "Model/Metrology/SurfaceProfile.h"
#include "Model/Metrology/TrenchMetrics.h"

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <vector>

namespace {

constexpr std::uint32_t nx = 640;
constexpr std::uint32_t ny = 640;
constexpr std::uint32_t nz = 320;
constexpr std::uint32_t siliconTop = 240;
constexpr std::uint32_t maskTop = 256;

using Model::Metrology::Axis;

std::shared_ptr<Model::Automaton::TotalVolume> combVolume()
{
    static std::shared_ptr<Model::Automaton::TotalVolume> volume = [] {
        std::vector<std::uint32_t> ids(std::size_t(nx) * ny * nz, 0);
        for (std::uint32_t x = 0; x < nx; ++x)
            for (std::uint32_t y = 0; y < ny; ++y)
                for (std::uint32_t z = 0; z < maskTop; ++z) {
                    const int m = int(x % 80) - 40;
                    const int half = 16 + int(std::min(z, siliconTop) - std::min(z, 80u)) / 16;
                    const bool open = z >= 80 && std::abs(m) < half;
                    if (!open)
                        ids[(std::size_t(x) * ny + y) * nz + z] = z < siliconTop ? 1 : 3;
                }
        return std::make_shared<Model::Automaton::TotalVolume>(nx, ny, nz, 1.0f, 1.0f, 1.0f, Util::Vector3D(), ids);
    }();
    return volume;
}

void sectionAndTrench(benchmark::State &state)
{
    auto volume = combVolume();
    const Axis axis = Axis(state.range(0));
    for (auto _ : state) {
        QString error;
        const auto section = Model::Metrology::SectionCut::take(*volume, axis, 320.5, &error);
        Model::Metrology::TrenchRequest request;
        request.from = 300.0;
        request.to = 420.0;
        request.mask = 3;
        const auto trench = Model::Metrology::TrenchMetrics::measure(*section, request, &error);
        if (!trench) {
            state.SkipWithError(qPrintable(error));
            return;
        }
        benchmark::DoNotOptimize(trench->depth);
    }
    state.SetLabel("640 x 640 x 320, section across " + Model::Metrology::axisName(axis).toStdString());
}
BENCHMARK(sectionAndTrench)->Arg(int(Axis::Y))->Unit(benchmark::kMillisecond)->UseRealTime();

void sectionOnly(benchmark::State &state)
{
    auto volume = combVolume();
    const Axis axis = Axis(state.range(0));
    for (auto _ : state) {
        QString error;
        const auto section = Model::Metrology::SectionCut::take(*volume, axis, 160.5, &error);
        if (!section) {
            state.SkipWithError(qPrintable(error));
            return;
        }
        benchmark::DoNotOptimize(section->ids.data());
    }
}
BENCHMARK(sectionOnly)->DenseRange(0, 2)->Unit(benchmark::kMillisecond)->UseRealTime();

void wholeSectionTrench(benchmark::State &state)
{
    auto volume = combVolume();
    QString error;
    const auto section = Model::Metrology::SectionCut::take(*volume, Axis::Y, 320.5, &error);
    for (auto _ : state) {
        const auto trench = Model::Metrology::TrenchMetrics::measure(*section, {}, &error);
        benchmark::DoNotOptimize(trench->depth);
        const auto heights = Model::Metrology::SurfaceProfile::heights(*section, std::nullopt, &error);
        benchmark::DoNotOptimize(heights->data());
    }
}
BENCHMARK(wholeSectionTrench)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

int main(int argc, char **argv)
{
    return runBenchmarks(argc, argv);
}
