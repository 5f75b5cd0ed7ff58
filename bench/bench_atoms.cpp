// The atoms view of a 100 x 100 x 40 silicon volume (1 um cells, about
// 3.2 million atoms) in an 800 x 600 GL view, isometric, on whatever GL the
// display offers (Mesa's llvmpipe under Xvfb). Runs as a window program:
//
//   xvfb-run -a build/bench/bench_atoms
//
//   BM_AtomBuild      the atoms' geometry from the lattice (once per lattice change)
//   BM_FirstFrame     the first frame after a build: splat, upload, composite
//   BM_RotateFrame    a frame after turning the view by 2 degrees
//   BM_ZoomFrame/n    a frame after one wheel notch, in and out in turn, at
//                     n times the fitted view's magnification
//   BM_SeeThroughRotateFrame  the same with see-through silicon: no atom
//                     hidden by faces
//   BM_BondsRotateFrame  BM_RotateFrame with the bonds drawn too
//   BM_RepaintFrame   a frame of an unchanged view (the splat is reused)
//
// A frame is GLWidget::grabFramebuffer(): the whole scene drawn into the
// view's frame buffer and read back. "CPU" is the whole process's, all
// threads (the splat's and the GL's) together.

#include "BenchMain.h"

#include "Core/Workspace.h"
#include "Model/Automaton/AtomPainter.h"
#include "Model/Automaton/ClipPlaneList.h"
#include "Model/Automaton/TotalVolume.h"
#include "Model/Automaton/TotalVolumePainter.h"
#include "Model/Document.h"
#include "Model/Materials/Material.h"
#include "Model/Materials/MaterialFactory.h"
#include "UI/GLWidget.h"
#include "UI/ViewCamera.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QOpenGLContext>
#include <QTemporaryDir>
#include <QVBoxLayout>

#include <memory>

namespace {

using Model::Automaton::TotalVolume;

constexpr std::uint32_t sizeX = 100, sizeY = 100, sizeZ = 40;

struct Scene
{
    std::unique_ptr<Core::Workspace> workspace;
    std::unique_ptr<QWidget> window;
    Ui::GLWidget *view = nullptr;
    std::shared_ptr<TotalVolume> volume;
};

Scene *scene = nullptr;

void isometric();

void setUp()
{
    scene = new Scene;
    scene->workspace = std::make_unique<Core::Workspace>();
    scene->window = std::make_unique<QWidget>();
    auto *layout = new QVBoxLayout(scene->window.get());
    layout->setContentsMargins(0, 0, 0, 0);
    scene->view = new Ui::GLWidget(scene->workspace.get(), scene->window.get());
    layout->addWidget(scene->view);
    scene->window->resize(800, 600);
    scene->window->show();
    QElapsedTimer wait;
    wait.start();
    while (!scene->view->isValid() && wait.elapsed() < 10000)
        QApplication::processEvents(QEventLoop::AllEvents, 50);

    const std::vector<std::uint32_t> silicon(std::size_t(sizeX) * sizeY * sizeZ, 1);
    scene->volume = std::make_shared<TotalVolume>(sizeX, sizeY, sizeZ, 1.0f, 1.0f, 1.0f, Util::Vector3D(), silicon);
    scene->volume->rebuildSiLattice();
    scene->volume->getPainter().setRenderAtoms(true);
    scene->volume->getPainter().rebuild();
    scene->workspace->getDocument().addObject(scene->volume);
    isometric();
    scene->view->grabFramebuffer();
}

void isometric()
{
    scene->view->setViewAngle(Ui::ViewCamera::isometricAngleX, 0.0, Ui::ViewCamera::isometricAngleZ);
    scene->view->fitToView();
}

void counters(benchmark::State &state)
{
    const auto &painter = scene->volume->getPainter();
    state.counters["atoms"] = double(painter.getAtomicRenderer().getAtomGeometry()->atomCount());
    if (const auto *atoms = painter.getAtomPainter()) {
        const auto &r = atoms->lastSplat().bounds();
        state.counters["splat px"] = double(r.width) * r.height;
        state.counters["visited"] = double(atoms->lastSplat().atomsVisited());
    }
}

void BM_AtomBuild(benchmark::State &state)
{
    Model::Automaton::ClipPlaneList planes;
    Model::Automaton::AtomicRenderer renderer(scene->volume.get(), planes);
    renderer.setRenderAtoms(true);
    for (auto _ : state)
        renderer.buildAtoms();
    state.counters["atoms"] = double(renderer.getAtomGeometry()->atomCount());
}

void BM_FirstFrame(benchmark::State &state)
{
    for (auto _ : state) {
        state.PauseTiming();
        scene->volume->getPainter().rebuild();
        state.ResumeTiming();
        scene->view->grabFramebuffer();
    }
    counters(state);
}

void BM_RotateFrame(benchmark::State &state)
{
    isometric();
    double angle = 0.0;
    for (auto _ : state) {
        angle += 2.0;
        scene->view->setViewAngle(Ui::ViewCamera::isometricAngleX, 0.0, Ui::ViewCamera::isometricAngleZ + angle);
        scene->view->grabFramebuffer();
    }
    counters(state);
}

// Argument: how many times closer than the fitted view; frames alternate
// between that zoom and one wheel notch further in.
void BM_ZoomFrame(benchmark::State &state)
{
    isometric();
    const double fitted = scene->view->zoom() / double(state.range(0));
    bool in = true;
    for (auto _ : state) {
        scene->view->setZoom(in ? fitted / 1.2 : fitted);
        in = !in;
        scene->view->grabFramebuffer();
    }
    scene->view->fitToView();
    counters(state);
}

// The silicon made see-through (alpha 0.3), as one looks at the lattice
// inside: every atom can show, none is hidden by faces.
void BM_SeeThroughRotateFrame(benchmark::State &state)
{
    auto catalogue = Model::Materials::MaterialFactory::getInstance();
    Model::Materials::Material silicon = catalogue->getMaterial(1);
    const Util::Vector4D opaque = silicon.getColor();
    silicon.setColor(Util::Vector4D(opaque.x, opaque.y, opaque.z, 0.3));
    catalogue->addMaterial(silicon);
    scene->volume->getPainter().rebuild();
    isometric();
    double angle = 0.0;
    for (auto _ : state) {
        angle += 2.0;
        scene->view->setViewAngle(Ui::ViewCamera::isometricAngleX, 0.0, Ui::ViewCamera::isometricAngleZ + angle);
        scene->view->grabFramebuffer();
    }
    counters(state);
    silicon.setColor(opaque);
    catalogue->addMaterial(silicon);
    scene->volume->getPainter().rebuild();
}

// Bonds on as well: about 6.5 million lines from the vertex buffer, which a
// software GL draws at its per-primitive cost.
void BM_BondsRotateFrame(benchmark::State &state)
{
    auto &painter = scene->volume->getPainter();
    painter.setRenderLinks(true);
    painter.rebuild();
    isometric();
    double angle = 0.0;
    for (auto _ : state) {
        angle += 2.0;
        scene->view->setViewAngle(Ui::ViewCamera::isometricAngleX, 0.0, Ui::ViewCamera::isometricAngleZ + angle);
        scene->view->grabFramebuffer();
    }
    counters(state);
    state.counters["bond lines"] = double(painter.getAtomicRenderer().getAtomGeometry()->bondLines.size() / 6);
    painter.setRenderLinks(false);
    painter.rebuild();
}

void BM_RepaintFrame(benchmark::State &state)
{
    isometric();
    scene->view->grabFramebuffer();
    for (auto _ : state)
        scene->view->grabFramebuffer();
    counters(state);
}

} // namespace

BENCHMARK(BM_AtomBuild)->Unit(benchmark::kMillisecond)->UseRealTime()->MeasureProcessCPUTime()->Iterations(3);
BENCHMARK(BM_FirstFrame)->Unit(benchmark::kMillisecond)->UseRealTime()->MeasureProcessCPUTime()->Iterations(5);
BENCHMARK(BM_RotateFrame)->Unit(benchmark::kMillisecond)->UseRealTime()->MeasureProcessCPUTime()->MinTime(2.0);
BENCHMARK(BM_ZoomFrame)->Arg(1)->Arg(4)->Arg(16)->Unit(benchmark::kMillisecond)->UseRealTime()->MeasureProcessCPUTime()->MinTime(2.0);
BENCHMARK(BM_SeeThroughRotateFrame)->Unit(benchmark::kMillisecond)->UseRealTime()->MeasureProcessCPUTime()->MinTime(2.0);
BENCHMARK(BM_BondsRotateFrame)->Unit(benchmark::kMillisecond)->UseRealTime()->MeasureProcessCPUTime()->Iterations(3);
BENCHMARK(BM_RepaintFrame)->Unit(benchmark::kMillisecond)->UseRealTime()->MeasureProcessCPUTime()->MinTime(2.0);

int main(int argc, char **argv)
{
    // The catalogue lives under HOME; keep the user's own out of the run.
    QTemporaryDir home;
    qputenv("HOME", home.path().toLocal8Bit());
    QSurfaceFormat::setDefaultFormat(Ui::GLWidget::defaultFormat());
    QApplication app(argc, argv);
    Model::Materials::MaterialFactory::getInstance();
    setUp();
    if (!scene->view->isValid()) {
        fprintf(stderr, "No GL view: run under a display (xvfb-run -a)\n");
        return 1;
    }
    const int result = runBenchmarks(argc, argv);
    delete scene;
    return result;
}
