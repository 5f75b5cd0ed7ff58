#include "Metrology.h"

#include "VolumeHandle.h"

#include "Model/Automaton/TotalVolume.h"
#include "Model/Metrology/ColumnStack.h"
#include "Model/Metrology/Section.h"
#include "Model/Metrology/SectionExport.h"
#include "Model/Metrology/SurfaceProfile.h"
#include "Model/Metrology/TrenchMetrics.h"

#include <QFileInfo>
#include <QGuiApplication>
#include <QJsonObject>

#include <pybind11/numpy.h>
#include <pybind11/stl.h>

#include <memory>
#include <optional>

namespace py = pybind11;
using namespace Model::Metrology;

namespace {

// A section kept for Python; its cells array views the grid, no copy.
struct SectionHandle
{
    std::shared_ptr<const Section> section;
};

[[noreturn]] void refuse(const QString &why)
{
    throw py::value_error(why.toStdString());
}

Axis axisOf(const std::string &text)
{
    Axis axis;
    if (!axisFromText(QString::fromStdString(text), &axis))
        throw py::value_error("axis must be \"x\", \"y\" or \"z\", not " + py::repr(py::str(text)).cast<std::string>());
    return axis;
}

std::shared_ptr<const Section> cut(const VolumeHandle &volume, const std::string &axis, double at)
{
    const Axis normal = axisOf(axis);
    QString error;
    std::optional<Section> section;
    {
        py::gil_scoped_release released;
        section = SectionCut::take(*volume.volume(), normal, at, &error);
    }
    if (!section)
        refuse(error);
    return std::make_shared<const Section>(std::move(*section));
}

py::array_t<double> centres(double origin, double cell, std::uint32_t count)
{
    py::array_t<double> out(count);
    auto view = out.mutable_unchecked<1>();
    for (std::uint32_t i = 0; i < count; ++i)
        view(i) = origin + (i + 0.5) * cell;
    return out;
}

// Pictures draw text, which needs a GUI application; a module has none of its
// own, so one is made on the offscreen platform, which needs no screen, and
// kept for the interpreter's life.
void ensurePainting()
{
    if (qobject_cast<QGuiApplication *>(QCoreApplication::instance()))
        return;
    if (QCoreApplication::instance())
        throw py::value_error("this process already runs a Qt application without graphics, so section pictures "
                              "cannot be drawn; save the section as .csv");
    static int argc = 3;
    static char name[] = "kestrum";
    static char platformOption[] = "-platform";
    static char platform[] = "offscreen";
    static char *argv[] = {name, platformOption, platform, nullptr};
    new QGuiApplication(argc, argv);
}

void save(const SectionHandle &handle, const py::object &pathObject)
{
    const QString path = QString::fromStdString(
        py::str(py::module_::import("os").attr("fspath")(pathObject)).cast<std::string>());
    const bool csv = QFileInfo(path).suffix().compare(QLatin1String("csv"), Qt::CaseInsensitive) == 0;
    if (!csv && !SectionExport::isPictureName(path))
        throw py::value_error(path.toStdString() + ": a section is saved as .png, .svg or .csv");
    if (!csv)
        ensurePainting();
    QString error;
    bool written = false;
    {
        py::gil_scoped_release released;
        written = csv ? SectionExport::writeCsv(*handle.section, path, &error)
                      : SectionExport::writePicture(*handle.section, path, SectionPicture::Options(), &error);
    }
    if (!written) {
        PyErr_SetString(PyExc_OSError, error.toStdString().c_str());
        throw py::error_already_set();
    }
}

py::list stackAt(const VolumeHandle &volume, double x, double y)
{
    QString error;
    const std::optional<std::vector<StackLayer>> layers = ColumnStack::at(*volume.volume(), x, y, &error);
    if (!layers)
        refuse(error);
    py::list out;
    for (const StackLayer &layer : *layers)
        out.append(py::make_tuple(layer.material, layer.bottom, layer.top));
    return out;
}

// kestrum.Profile, made once with the module and kept for the interpreter's life.
py::handle profileType;

py::object profile(const VolumeHandle &volume, const std::string &axis, double at,
                   std::optional<std::uint32_t> material)
{
    const std::shared_ptr<const Section> section = cut(volume, axis, at);
    QString error;
    const std::optional<std::vector<double>> heights = SurfaceProfile::heights(*section, material, &error);
    if (!heights)
        refuse(error);
    py::array_t<double> z(py::ssize_t(heights->size()));
    std::copy(heights->begin(), heights->end(), z.mutable_data());
    return profileType(centres(section->uOrigin, section->uCell, section->width), z);
}

py::dict trench(const VolumeHandle &volume, const std::string &axis, double at, std::optional<double> start,
                std::optional<double> stop, std::optional<std::uint32_t> mask, std::optional<double> widthAt)
{
    const std::shared_ptr<const Section> section = cut(volume, axis, at);
    TrenchRequest request;
    request.from = start;
    request.to = stop;
    request.mask = mask;
    request.widthHeight = widthAt;
    QString error;
    std::optional<Trench> found;
    {
        py::gil_scoped_release released;
        found = TrenchMetrics::measure(*section, request, &error);
    }
    if (!found)
        refuse(error);
    // The numbers kestrum-batch --measure prints, key for key.
    const QJsonObject json = TrenchMetrics::toJson(*found);
    py::dict out;
    for (auto item = json.begin(); item != json.end(); ++item)
        out[py::str(item.key().toStdString())] = item.value().isNull() ? py::object(py::none())
                                                                       : py::object(py::float_(item.value().toDouble()));
    return out;
}

const char *const sectionHelp =
    "A cross section of a Volume: the layer of cells holding the coordinate `at` µm along `axis`, the axis "
    "its plane is normal to. Across x or y the section runs along the other horizontal axis (u) and up z "
    "(v); across z, u is x and v is y. `cells` is a read-only uint32 array of material ids (0 = empty) of "
    "shape (nv, nu), row 0 the lowest: the slice of Volume.cells (shape (nz, ny, nx)) the section cuts, "
    "cells[:, j, :] for a section across y (shape (nz, nx)), cells[:, :, i] across x (shape (nz, ny)), "
    "cells[k, :, :] across z (shape (ny, nx)). Lengths are world µm (the volume's origin plus cells times "
    "the cell size).";

const char *const sectionFunctionHelp =
    "The cross section of `volume` normal to `axis` (\"x\", \"y\" or \"z\") through `at` µm, as a "
    "kestrum.Section (see its cells, extent and save). ValueError, with the reason, for another axis or a "
    "position outside the volume.";

const char *const profileHelp =
    "The surface profile of the section of `volume` normal to `axis` (\"x\" or \"y\") through `at` µm: a "
    "kestrum.Profile (u, height) of two float arrays, u the cell centres along the section and height the top "
    "of each column's highest material (of `material` only, an id, when given), both in µm; height is NaN "
    "where a column holds none. ValueError, with the reason, for a section across z, another axis or a "
    "position outside the volume.";

const char *const trenchHelp =
    "The deepest trench of the section of `volume` normal to `axis` (\"x\" or \"y\") through `at` µm, its walls "
    "between `start` and `stop` µm along the section (default: all of it), as the dict kestrum-batch --measure "
    "prints: depth, top_width, bottom_width, widest, bowing (widest - top_width), surface and bottom (heights), "
    "from and to (the range searched) in µm; angle_left and angle_right, each wall's slope in degrees to the "
    "horizontal (90 vertical, less when it leans outwards as it rises); width_at, the width at the height "
    "`width_at` µm; undercut_left, undercut_right and their mean undercut, how far in µm each wall lies beyond "
    "the edge of the material `mask` (an id) above it. None where a value does not apply. ValueError, with the "
    "reason, for a section across z, a position outside the volume, a section without material or a range "
    "without a trench.";

} // namespace

void defineMetrology(py::module_ &m)
{
    py::class_<SectionHandle>(m, "Section", sectionHelp)
        .def_property_readonly("cells", [](py::object self) {
            const Section &s = *self.cast<const SectionHandle &>().section;
            const py::ssize_t cell = sizeof(std::uint32_t);
            py::array array(py::dtype::of<std::uint32_t>(), {py::ssize_t(s.height), py::ssize_t(s.width)},
                            {py::ssize_t(s.width) * cell, cell}, s.ids.data(), self);
            array.attr("flags").attr("writeable") = false;
            return array;
        }, "Material ids, a read-only uint32 array of shape (nv, nu), row 0 the lowest (see the class).")
        .def_property_readonly("extent", [](const SectionHandle &h) {
            return py::make_tuple(h.section->uOrigin, h.section->uEnd(), h.section->vOrigin, h.section->vEnd());
        }, "(u_min, u_max, v_min, v_max) in µm: the outer faces of the cells shown (matplotlib's imshow takes it "
           "with origin=\"lower\").")
        .def_property_readonly("axis", [](const SectionHandle &h) { return axisName(h.section->normal).toStdString(); },
                               "The axis the section is normal to: \"x\", \"y\" or \"z\".")
        .def_property_readonly("u_axis", [](const SectionHandle &h) { return axisName(h.section->uAxis).toStdString(); },
                               "The axis along the section's columns (the second index of cells).")
        .def_property_readonly("v_axis", [](const SectionHandle &h) { return axisName(h.section->vAxis).toStdString(); },
                               "The axis along its rows (the first index of cells): z, or y across z.")
        .def_property_readonly("at", [](const SectionHandle &h) { return h.section->at; },
                               "The coordinate asked for, in µm along axis.")
        .def_property_readonly("index", [](const SectionHandle &h) { return h.section->index; },
                               "The volume's cell layer along axis holding `at` (0-based).")
        .def_property_readonly("u", [](const SectionHandle &h) {
            return centres(h.section->uOrigin, h.section->uCell, h.section->width);
        }, "The cell centres along u in µm.")
        .def_property_readonly("v", [](const SectionHandle &h) {
            return centres(h.section->vOrigin, h.section->vCell, h.section->height);
        }, "The cell centres along v in µm.")
        .def_property_readonly("materials", [](const SectionHandle &h) { return h.section->materials(); },
                               "The material ids the section holds, ascending, without 0.")
        .def("save", &save, py::arg("path"),
             "Saves the section as the suffix of `path` says: .png or .svg, a picture at true aspect with µm "
             "ticks, a scale bar and a legend (as kestrum-batch --section-image draws it); .csv, the material "
             "ids as kestrum-batch --section-csv writes them. The file is written whole or not at all; "
             "ValueError for another suffix, OSError when it cannot be written.")
        .def("__repr__", [](const SectionHandle &h) {
            const Section &s = *h.section;
            return QStringLiteral("<kestrum.Section %1 = %2 \u00b5m, %3 x %4 cells>")
                .arg(axisName(s.normal)).arg(s.at).arg(s.height).arg(s.width).toStdString();
        });

    m.def("section", [](const VolumeHandle &volume, const std::string &axis, double at) {
        return SectionHandle{cut(volume, axis, at)};
    }, py::arg("volume"), py::arg("axis"), py::arg("at"), sectionFunctionHelp);

    profileType = py::module_::import("collections").attr("namedtuple")("Profile", "u height").release();
    profileType.attr("__module__") = "kestrum";
    profileType.attr("__doc__") = "A surface profile: u, the cell centres along the section, and height, the "
                                  "surface above each, both float arrays in µm (NaN where a column is empty).";
    m.attr("Profile") = py::reinterpret_borrow<py::object>(profileType);
    m.def("profile", &profile, py::arg("volume"), py::arg("axis"), py::arg("at"), py::arg("material") = py::none(), profileHelp);

    m.def("trench", &trench, py::arg("volume"), py::arg("axis"), py::arg("at"), py::arg("start") = py::none(),
          py::arg("stop") = py::none(), py::arg("mask") = py::none(), py::arg("width_at") = py::none(), trenchHelp);

    m.def("stack", &stackAt, py::arg("volume"), py::arg("x"), py::arg("y"),
          "The layers of the column of `volume` at (x, y) µm from the top down, as (material_id, bottom, top) "
          "tuples, heights in µm; a void between two materials is a layer of id 0, the empty cells above the "
          "surface and below the lowest material are left out. ValueError, with the reason, for a point "
          "outside the volume.");
}
