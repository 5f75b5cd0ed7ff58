// The "kestrum" Python module: documents, recipe runs and the cells of a
// volume as numpy arrays, on the same core library as the program.

#include "Metrology.h"
#include "VolumeHandle.h"

#include "Core/BatchRun/ProcessData.h"
#include "Core/BatchRun/RecipeJob.h"
#include "Core/Operations/Substrate/SubstrateBuilder.h"
#include "Core/ProcessTable.h"
#include "Core/Operations/Lithography/MaskFile.h"
#include "Core/Workspace.h"
#include "Model/Automaton/TotalVolume.h"
#include "Model/CatalogueProblems.h"
#include "Model/Document.h"
#include "Model/Materials/MaterialFactory.h"

#include <QThreadPool>

#include <pybind11/functional.h>
#include <pybind11/stl.h>

#include <array>
#include <cmath>
#include <stdexcept>

namespace py = pybind11;
using Core::BatchRun::RecipeJob;

namespace {

// A refused recipe, input or output, with the sentence the tool prints.
struct RecipeFailure : std::runtime_error
{
    using std::runtime_error::runtime_error;
};

// kestrum.ParameterError: a setting outside its parameter's range or
// choices, a RecipeError that is also a ValueError. Made once with the
// module and kept for the life of the interpreter.
PyObject *parameterError = nullptr;

[[noreturn]] void raise(const RecipeJob &job)
{
    if (job.refusedValue() && parameterError) {
        PyErr_SetString(parameterError, job.failureMessage().toStdString().c_str());
        throw py::error_already_set();
    }
    throw RecipeFailure(job.failureMessage().toStdString());
}

QString pathText(const py::object &path)
{
    return QString::fromStdString(py::str(py::module_::import("os").attr("fspath")(path)).cast<std::string>());
}

// The volumes of a document read from a file; they keep the reader's job,
// which owns the document, alive.
struct DocumentHandle
{
    std::shared_ptr<RecipeJob> job;
    std::vector<VolumeHandle> volumes;
};

DocumentHandle load(const py::object &path)
{
    auto job = std::make_shared<RecipeJob>();
    if (!job->loadInput(pathText(path)))
        raise(*job);
    DocumentHandle handle{job, {}};
    for (const auto &object : job->workspace().getDocument().getAllObjects())
        if (auto volume = std::dynamic_pointer_cast<Model::Automaton::TotalVolume>(object))
            handle.volumes.emplace_back(volume, job);
    return handle;
}

void save(const py::object &what, const py::object &path)
{
    RecipeJob job;
    auto &document = job.workspace().getDocument();
    if (py::isinstance<DocumentHandle>(what)) {
        for (const auto &volume : what.cast<const DocumentHandle &>().volumes)
            document.addObject(volume.volume());
    } else if (py::isinstance<VolumeHandle>(what)) {
        document.addObject(what.cast<const VolumeHandle &>().volume());
    } else {
        throw py::type_error("save takes a kestrum.Volume or a kestrum.Document");
    }
    const QString fileName = pathText(path);
    bool saved = false;
    {
        py::gil_scoped_release released;
        saved = job.save(fileName);
    }
    if (!saved)
        raise(job);
}

// A setting's value as the process list writes it.
QString settingText(const std::string &key, const py::handle &value)
{
    if (py::isinstance<py::bool_>(value))
        return value.cast<bool>() ? QStringLiteral("true") : QStringLiteral("false");
    // 4.0 (a Python or numpy float) is written 4, so that whole-number
    // parameters take it as well.
    if (py::isinstance<py::float_>(value) || py::hasattr(value, "is_integer")) {
        const double number = value.cast<double>();
        if (!std::isfinite(number))
            throw py::value_error("set[\"" + key + "\"] is " + py::repr(value).cast<std::string>()
                                  + "; a parameter takes a finite number");
        if (number == std::floor(number) && std::fabs(number) < 1e15)
            return QString::number(qint64(number));
    }
    return QString::fromStdString(py::str(value).cast<std::string>());
}

// The recipe loaded, the settings applied and the input read, or the tool's
// refusal raised.
// A cell size as a number (a cube) or three numbers, in µm; each must be a
// size a volume may have.
std::array<double, 3> cellSizeOf(const py::object &size)
{
    const auto refuse = [&size]() {
        return py::value_error("cell_size takes a number or three numbers (x, y, z) in µm, each from "
                               + QString::number(Core::Operations::SubstrateBuilder::minimumCellSize).toStdString()
                               + " to "
                               + QString::number(Core::Operations::SubstrateBuilder::maximumCellSize).toStdString()
                               + ", not " + py::repr(size).cast<std::string>());
    };
    std::array<double, 3> sides{};
    try {
        if (py::isinstance<py::sequence>(size) && !py::isinstance<py::str>(size)) {
            const auto items = size.cast<py::sequence>();
            if (items.size() != 3)
                throw refuse();
            for (std::size_t i = 0; i < 3; ++i)
                sides[i] = items[i].cast<double>();
        } else {
            sides.fill(size.cast<double>());
        }
    } catch (const py::cast_error &) {
        throw refuse();
    }
    for (double side : sides) {
        if (!std::isfinite(side) || !Core::Operations::SubstrateBuilder::isCellSize(side))
            throw refuse();
    }
    return sides;
}

std::shared_ptr<RecipeJob> preparedJob(const py::object &recipe, const py::object &input, const py::object &settings,
                                       const py::object &cellSize = py::none())
{
    auto job = std::make_shared<RecipeJob>();
    if (!job->loadRecipe(pathText(recipe)))
        raise(*job);
    QStringList overrides;
    // The cell size goes to every Create Substrate step; `set` may still
    // change one of them, as it comes after.
    if (!cellSize.is_none()) {
        const std::array<double, 3> sides = cellSizeOf(cellSize);
        const std::int32_t substrate = Core::ProcessTable::listCode(Core::ProcessKey::CreateSubstrate);
        for (int i = 0; i < job->steps().size(); ++i) {
            if (job->steps().at(i).getType() != substrate)
                continue;
            const char *axes[] = {"X", "Y", "Z"};
            for (int axis = 0; axis < 3; ++axis)
                overrides << QStringLiteral("%1.Cell Size %2=%3").arg(i + 1).arg(QLatin1String(axes[axis]))
                                 .arg(QString::number(sides[std::size_t(axis)], 'g', 17));
        }
    }
    if (!settings.is_none()) {
        for (const auto &item : settings.cast<py::dict>()) {
            const std::string key = py::str(item.first).cast<std::string>();
            overrides << QString::fromStdString(key) + QLatin1Char('=') + settingText(key, item.second);
        }
    }
    if (!job->applySettings(overrides))
        raise(*job);
    if (!input.is_none() && !job->loadInput(pathText(input)))
        raise(*job);
    return job;
}

void checkRecipe(const py::object &recipe, const py::object &input, const py::object &settings,
                 const py::object &cellSize)
{
    preparedJob(recipe, input, settings, cellSize);
}

VolumeHandle runRecipe(const py::object &recipe, const py::object &input, const py::object &settings,
                       const py::object &threads, const py::object &progress, bool strict, const py::object &cellSize)
{
    const std::shared_ptr<RecipeJob> job = preparedJob(recipe, input, settings, cellSize);

    // The callback runs on the thread that runs the steps, without the lock
    // held; an exception it raises is kept and raised when the run ends.
    py::object callback = progress;
    std::unique_ptr<py::error_already_set> callbackError;
    if (!callback.is_none()) {
        const auto report = [&](int step, const QString &name, double fraction) {
            py::gil_scoped_acquire acquired;
            if (callbackError)
                return;
            try {
                callback(step, name.toStdString(), fraction);
            } catch (py::error_already_set &error) {
                callbackError = std::make_unique<py::error_already_set>(std::move(error));
            }
        };
        job->setStepStarted([report](int index, int count, const QString &name) {
            report(index + 1, name, double(index) / count);
        });
        job->setStepFinished([report](const Core::BatchRun::BatchRunner::StepReport &step) {
            report(step.index + 1, step.name, double(step.index + 1) / step.count);
        });
    }

    QThreadPool *pool = QThreadPool::globalInstance();
    const int poolThreads = pool->maxThreadCount();
    if (!threads.is_none()) {
        // Any whole number (a Python or numpy int), checked before it is made
        // an int, so that 2**32 + 2 is refused rather than taken as 2.
        const auto wanted = py::reinterpret_steal<py::object>(PyNumber_Index(threads.ptr()));
        if (!wanted)
            PyErr_Clear();
        if (!wanted || py::isinstance<py::bool_>(threads) || wanted < py::int_(1) || wanted > py::int_(1024))
            throw py::value_error("threads takes a whole number from 1 to 1024, not "
                                  + py::repr(threads).cast<std::string>());
        pool->setMaxThreadCount(wanted.cast<int>());
    }
    RecipeJob::Exit exit;
    {
        py::gil_scoped_release released;
        exit = job->run(strict);
    }
    pool->setMaxThreadCount(poolThreads);
    if (callbackError)
        throw std::move(*callbackError);
    if (exit != RecipeJob::Success)
        raise(*job);

    VolumeHandle result(job->context().volume, job);
    for (const auto &step : job->skipped())
        result.skipped.push_back(
            {step.index + 1, step.name.toStdString(), step.reason.toStdString()});
    for (const auto &step : job->reports()) {
        const bool done = step.code == Core::BatchRun::BatchStepExecutor::Done;
        const QString report = done ? step.effect : QStringLiteral("skipped: ") + step.reason;
        result.steps.push_back({step.index + 1, step.name.toStdString(), report.toStdString(), done,
                                step.changedCells, step.changedNothing});
    }
    return result;
}

std::string materialName(std::uint32_t id)
{
    for (const auto &material : Model::Materials::MaterialFactory::getInstance()->getMaterials())
        if (material.getId() == id)
            return material.getName().toStdString();
    throw py::key_error("no material " + std::to_string(id) + " in the catalogue");
}

} // namespace

// kestrum.load_mask: a mask file read as the photolithography dialog and
// recipe steps read it, as a bool array indexed [x, y].
namespace {

py::array_t<bool> loadMask(const py::object &path, std::optional<int> layer, std::optional<double> cellSize)
{
    if (layer && *layer < 0)
        throw py::value_error("layer must not be negative");
    Core::Operations::LithographyMask mask;
    QString error;
    if (!Core::Operations::MaskFile::load(pathText(path), layer, cellSize, 1.0, mask, error))
        throw py::value_error(error.toStdString());
    py::array_t<bool> result({py::ssize_t(mask.width), py::ssize_t(mask.height)});
    auto cells = result.mutable_unchecked<2>();
    for (std::uint32_t i = 0; i < mask.width; ++i)
        for (std::uint32_t j = 0; j < mask.height; ++j)
            cells(i, j) = mask.isOpaque(i, j);
    return result;
}

const char *const loadMaskHelp =
    "Reads a mask file as the photolithography dialog and recipes do and returns it as a 2-D bool array of shape "
    "(nx, ny), indexed [x, y] (x first; y = 0 is the image's bottom row), True where the mask is opaque. An image "
    "gives one cell per pixel; a GDSII layout (.gds) is rasterised from `layer` (default: the lowest layer with "
    "polygons) with cells of `cell_size` layout user units (default 1). Raises ValueError with the reason when "
    "the file gives no mask (unreadable, damaged, too large, no polygons on the layer).";

} // namespace

PYBIND11_MODULE(_kestrum, m)
{
    m.doc() = "Cell volumes, documents and recipe runs of Kestrum.";
    m.attr("__version__") = KESTRUM_VERSION;
    py::register_exception<RecipeFailure>(m, "RecipeError", PyExc_RuntimeError);
    const py::tuple bases = py::make_tuple(m.attr("RecipeError"), py::handle(PyExc_ValueError));
    parameterError = PyErr_NewExceptionWithDoc("kestrum.ParameterError",
                                               "A setting outside the range or the choices of its parameter.",
                                               bases.ptr(), nullptr);
    m.attr("ParameterError") = py::handle(parameterError);

    py::class_<VolumeHandle>(m, "Volume", "A cell volume: nx x ny x nz material ids (0 = empty).")
        .def(py::init(&VolumeHandle::fromCells), py::arg("cells"), py::arg("cell_size") = std::make_tuple(1.f, 1.f, 1.f),
             py::arg("origin") = std::make_tuple(0.f, 0.f, 0.f),
             "A volume holding a copy of `cells`, an array of material ids of shape (nz, ny, nx).")
        .def_property_readonly("shape", &VolumeHandle::shape, "(nz, ny, nx)")
        .def_property_readonly("cells", &VolumeHandle::cells,
                               "The material ids as a read-only uint32 array of shape (nz, ny, nx) over the volume's "
                               "own storage, no copy; valid while the array lives, and showing later changes.")
        .def_property_readonly("cell_size", &VolumeHandle::cellSize, "(x, y, z) size of one cell in µm")
        .def_property_readonly("origin", &VolumeHandle::origin, "(x, y, z) of the lower left front corner in µm")
        .def_readonly("skipped", &VolumeHandle::skipped,
                      "The steps the run that made this volume skipped: (step, name, reason), step 1-based.")
        .def_readonly("steps", &VolumeHandle::steps,
                      "Every step of the run that made this volume, in list order, as kestrum.StepReport: step "
                      "(1-based), name, report (what it did, the text kestrum-batch prints: \"10,450 cells changed "
                      "(Si -10,450), depth 2 \u00b5m\", \"changed nothing \u2014 <why>\", empty for a step "
                      "that changes no cells; \"skipped: <reason>\" for a skipped step), done, changed_cells and "
                      "changed_nothing. A StepReport unpacks as (step, name, report). Empty for a volume no run made.")
        .def("material_counts", &VolumeHandle::materialCounts, "{material id: cells}")
        .def_static("material_name", &materialName, py::arg("id"), "The catalogue name of a material id.")
        .def("__repr__", [](const VolumeHandle &v) {
            const auto [nz, ny, nx] = v.shape();
            return "<kestrum.Volume nz=" + std::to_string(nz) + " ny=" + std::to_string(ny)
                   + " nx=" + std::to_string(nx) + " cell_size=" + QStringLiteral("(%1, %2, %3)")
                       .arg(double(std::get<0>(v.cellSize()))).arg(double(std::get<1>(v.cellSize())))
                       .arg(double(std::get<2>(v.cellSize()))).toStdString() + " µm>";
        });
    py::class_<VolumeHandle::Skipped>(m, "SkippedStep")
        .def_readonly("step", &VolumeHandle::Skipped::step)
        .def_readonly("name", &VolumeHandle::Skipped::name)
        .def_readonly("reason", &VolumeHandle::Skipped::reason)
        .def("__repr__", [](const VolumeHandle::Skipped &s) {
            return "<step " + std::to_string(s.step) + " " + s.name + " skipped: " + s.reason + ">";
        });

    py::class_<VolumeHandle::Step>(m, "StepReport", "What one step of a recipe run did.")
        .def_readonly("step", &VolumeHandle::Step::step, "1-based position in the list")
        .def_readonly("name", &VolumeHandle::Step::name)
        .def_readonly("report", &VolumeHandle::Step::report,
                      "what it did (as kestrum-batch prints it), or \"skipped: <reason>\"")
        .def_readonly("done", &VolumeHandle::Step::done, "False for a skipped step")
        .def_readonly("changed_cells", &VolumeHandle::Step::changedCells)
        .def_readonly("changed_nothing", &VolumeHandle::Step::changedNothing)
        .def("__iter__", [](const VolumeHandle::Step &s) {
            return py::iter(py::make_tuple(s.step, s.name, s.report));
        })
        .def("__repr__", [](const VolumeHandle::Step &s) {
            return "<step " + std::to_string(s.step) + " " + s.name + ": " + s.report + ">";
        });

    py::class_<DocumentHandle>(m, "Document", "A document read from a .kst file.")
        .def_readonly("volumes", &DocumentHandle::volumes)
        .def_property_readonly("volume", [](const DocumentHandle &d) -> py::object {
            return d.volumes.empty() ? py::object(py::none()) : py::cast(d.volumes.front());
        }, "The first cell volume, or None.");

    m.def("load", &load, py::arg("path"), "Reads a document (.kst).");
    m.def("save", &save, py::arg("what"), py::arg("path"), "Writes a Volume or a Document as a document (.kst).");
    m.def("check_recipe", &checkRecipe, py::arg("recipe"), py::arg("input") = py::none(), py::arg("set") = py::none(),
          py::arg("cell_size") = py::none(),
          "Loads a process list, applies `set` and reads `input` as run_recipe does, without running a step; "
          "raises RecipeError with the tool's message for what run_recipe would refuse.");
    m.def("run_recipe", &runRecipe, py::arg("recipe"), py::arg("input") = py::none(), py::arg("set") = py::none(),
          py::arg("threads") = py::none(), py::arg("progress") = py::none(), py::arg("strict") = false,
          py::arg("cell_size") = py::none(),
          "Runs a process list (.plst) as kestrum-batch does and returns the resulting volume, whose `steps` "
          "tell what each step did (see Volume.steps). `input` is a .kst "
          "whose first volume the steps start from; `set` maps \"STEP.PARAM\" to a value; `progress` is called "
          "as progress(step, name, fraction) while the run goes on, without blocking other Python threads; "
          "`cell_size` (µm, a number or (x, y, z)) is given to every Create Substrate step, as its \"Cell Size "
          "X/Y/Z\" parameters (absent, a step keeps its own, or 1 µm).");
    m.def("load_mask", &loadMask, py::arg("path"), py::arg("layer") = py::none(), py::arg("cell_size") = py::none(),
          loadMaskHelp);
    defineMetrology(m);

    // The catalogues load with the module, so a file they could not read (kept
    // as it is, the built-in table serving this session) is a warning at import.
    for (const QString &problem : Model::catalogueProblems())
        py::module_::import("warnings").attr("warn")(problem.toStdString());
}
