// One frame of dragging the Cross Section plane through a 256 x 256 x 128
// volume (32 layers of silicon, 4 µm of oxide, an 8 x 8 array of 16 x 16 x 32
// silicon pillars, pitch 32, capped with 2 µm of resist): take the section,
// then paint it with SectionPicture into a 900 x 600 picture, as the section
// view does. The target is 50 ms a frame (20 frames/s) at most.

#include "BenchMain.h"

#include "Model/Automaton/TotalVolume.h"
#include "Model/Materials/MaterialFactory.h"
#include "Model/Metrology/Section.h"
#include "Model/Metrology/SectionPicture.h"
#include "Model/Metrology/TrenchMetrics.h"

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>

#include <memory>

namespace {

using Model::Metrology::Axis;
using Model::Metrology::SectionCut;
using Model::Metrology::SectionPicture;

constexpr std::uint32_t nx = 256, ny = 256, nz = 128;
constexpr std::uint32_t substrate = 32, oxideTop = 36, pillarHeight = 32, resistCells = 2, pitch = 32, pillarSide = 16;
constexpr std::uint32_t silicon = 1, oxide = 3, resist = 11;
const QSize frameSize(900, 600);

std::shared_ptr<Model::Automaton::TotalVolume> structuredVolume()
{
    static const auto volume = [] {
        std::vector<std::uint32_t> ids(std::size_t(nx) * ny * nz, 0);
        for (std::uint32_t x = 0; x < nx; ++x)
            for (std::uint32_t y = 0; y < ny; ++y) {
                const bool pillar = x % pitch < pillarSide && y % pitch < pillarSide;
                std::uint32_t *column = ids.data() + (std::size_t(x) * ny + y) * nz;
                for (std::uint32_t z = 0; z < oxideTop + pillarHeight + resistCells; ++z) {
                    if (z < substrate)
                        column[z] = silicon;
                    else if (z < oxideTop)
                        column[z] = oxide;
                    else if (pillar && z < oxideTop + pillarHeight)
                        column[z] = silicon;
                    else if (pillar)
                        column[z] = resist;
                }
            }
        return std::make_shared<Model::Automaton::TotalVolume>(nx, ny, nz, 1.0f, 1.0f, 1.0f, Util::Vector3D(), ids);
    }();
    return volume;
}

// Argument: the axis the plane is normal to. Each frame moves the plane one
// cell layer on, as a drag does.
void BM_DragFrame(benchmark::State &state)
{
    const Axis axis = Axis(state.range(0));
    auto volume = structuredVolume();
    double low = 0.0;
    double high = 0.0;
    SectionCut::span(*volume, axis, &low, &high);
    QImage frame(frameSize, QImage::Format_RGB32);
    SectionPicture::Options options;
    double at = low + 0.5;
    for (auto _ : state) {
        const auto section = SectionCut::take(*volume, axis, at, nullptr);
        QPainter painter(&frame);
        const SectionPicture::Layout layout = SectionPicture::fit(*section, QSizeF(frameSize), options);
        SectionPicture::paint(painter, *section, layout, options);
        painter.end();
        benchmark::DoNotOptimize(frame.constBits());
        at = at + 1.0 < high ? at + 1.0 : low + 0.5;
    }
    state.counters["frames/s"] = benchmark::Counter(1.0, benchmark::Counter::kIsIterationInvariantRate);
}

// The parts of a frame on their own: the cut, and the painting of one section
// (zoomed in 8 times, where most of the cells lie outside the frame).
void BM_Take(benchmark::State &state)
{
    auto volume = structuredVolume();
    for (auto _ : state)
        benchmark::DoNotOptimize(SectionCut::take(*volume, Axis(state.range(0)), 100.5, nullptr));
}

void BM_Paint(benchmark::State &state)
{
    auto volume = structuredVolume();
    const auto section = SectionCut::take(*volume, Axis(state.range(0)), 100.5, nullptr);
    QImage frame(frameSize, QImage::Format_RGB32);
    SectionPicture::Options options;
    const double zoom = double(state.range(1));
    const QPointF centre(0.5 * (section->uOrigin + section->uEnd()), 0.5 * (section->vOrigin + section->vEnd()));
    for (auto _ : state) {
        QPainter painter(&frame);
        SectionPicture::paint(painter, *section,
                              SectionPicture::zoomed(*section, QSizeF(frameSize), options, zoom, centre), options);
    }
}

// The trench metrics the table shows, measured again on every frame.
void BM_TrenchMetrics(benchmark::State &state)
{
    auto volume = structuredVolume();
    const auto section = SectionCut::take(*volume, Axis::Y, 8.5, nullptr);
    for (auto _ : state)
        benchmark::DoNotOptimize(Model::Metrology::TrenchMetrics::measure(*section, {}, nullptr));
}

} // namespace

BENCHMARK(BM_DragFrame)->Arg(int(Axis::X))->Arg(int(Axis::Y))->Arg(int(Axis::Z))->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Take)->Arg(int(Axis::X))->Arg(int(Axis::Y))->Arg(int(Axis::Z))->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Paint)->Args({int(Axis::Y), 1})->Args({int(Axis::Z), 1})->Args({int(Axis::Y), 8})->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_TrenchMetrics)->Unit(benchmark::kMillisecond)->UseRealTime();

int main(int argc, char **argv)
{
    // The catalogue lives under HOME; keep the user's own out of the run.
    QTemporaryDir home;
    qputenv("HOME", home.path().toLocal8Bit());
    // Fonts need an application; no display is needed to paint into an image.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    Model::Materials::MaterialFactory::getInstance();
    structuredVolume();
    return runBenchmarks(argc, argv);
}
