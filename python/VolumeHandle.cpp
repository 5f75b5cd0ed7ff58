#include "VolumeHandle.h"

#include "Model/Automaton/MemoryBudget.h"
#include "Model/Automaton/TotalVolume.h"

#include <cmath>
#include <cstdint>
#include <limits>
#include <stdexcept>
#include <string>

namespace py = pybind11;

VolumeHandle::VolumeHandle(std::shared_ptr<Model::Automaton::TotalVolume> volume, std::shared_ptr<void> keep)
    : cellVolume(std::move(volume))
    , owner(std::move(keep))
{
}

namespace {

constexpr double largestId = 4294967295.0;

[[noreturn]] void refuse(const std::string &text)
{
    throw py::value_error(text);
}

std::string text(const py::handle &value)
{
    return py::repr(value).cast<std::string>();
}

// The cells as an array of three axes, each and all together within what a
// volume holds; nothing is copied or converted yet.
py::array shapedCells(const py::object &cells)
{
    py::array array = py::module_::import("numpy").attr("asarray")(cells);
    if (array.ndim() != 3)
        refuse("cells must have three dimensions, (nz, ny, nx), not " + std::to_string(array.ndim()));
    const char *names[] = {"nz", "ny", "nx"};
    for (int axis = 0; axis < 3; ++axis) {
        if (array.shape(axis) == 0)
            refuse("a volume needs at least one cell along each axis; cells has " + std::string(names[axis]) + " = 0");
        if (std::uint64_t(array.shape(axis)) > std::numeric_limits<std::uint32_t>::max())
            refuse("cells has " + std::string(names[axis]) + " = " + std::to_string(array.shape(axis))
                   + "; a volume holds at most 4294967295 cells along an axis");
    }
    if (!Model::Automaton::MemoryBudget::fits(std::uint32_t(array.shape(2)), std::uint32_t(array.shape(1)),
                                              std::uint32_t(array.shape(0))))
        refuse("cells of shape " + text(array.attr("shape")) + " are more cells than the memory available holds");
    return array;
}

// Material ids are whole numbers from 0 to 2^32 - 1; anything else would be
// wrapped or cut by the conversion, so it is refused instead.
void checkIds(const py::array &array)
{
    const py::dtype type = array.dtype();
    const char kind = type.kind();
    if (kind == 'b' || (kind == 'u' && type.itemsize() <= 4))
        return;
    if (kind != 'u' && kind != 'i' && kind != 'f')
        refuse("cells must hold material ids (whole numbers), not values of type " + text(type));
    const py::module_ numpy = py::module_::import("numpy");
    if (kind == 'f') {
        if (!numpy.attr("isfinite")(array).attr("all")().cast<bool>())
            refuse("cells holds a value that is not finite (inf or nan); material ids are whole numbers");
        if (!numpy.attr("array_equal")(array, numpy.attr("floor")(array)).cast<bool>())
            refuse("cells holds a value that is no whole number; material ids are whole numbers");
    }
    const py::object lowest = array.attr("min")(), highest = array.attr("max")();
    if (lowest.cast<double>() < 0)
        refuse("cells holds the material id " + text(lowest) + "; ids are from 0 to 4294967295");
    if (highest.cast<double>() > largestId)
        refuse("cells holds the material id " + text(highest) + "; ids are from 0 to 4294967295");
}

// A length as the volume keeps it (float): finite, and greater than 0 for a
// cell size, also once made a float.
float checkedLength(const std::string &argument, const char *axis, double value, bool positive)
{
    const auto length = float(value);
    const std::string head = argument + " " + axis + " is " + text(py::float_(value));
    if (!std::isfinite(value))
        refuse(head + "; it must be a finite number");
    if (!std::isfinite(length))
        refuse(head + "; a volume keeps it as a float, which goes up to about 3.4e38");
    if (positive && !(length > 0))
        refuse(head + "; cell sizes must be greater than 0");
    return length;
}

} // namespace

VolumeHandle VolumeHandle::fromCells(const py::object &given, std::tuple<double, double, double> cellSize,
                                     std::tuple<double, double, double> origin)
{
    const py::array shaped = shapedCells(given);
    checkIds(shaped);
    const float sx = checkedLength("cell_size", "x", std::get<0>(cellSize), true);
    const float sy = checkedLength("cell_size", "y", std::get<1>(cellSize), true);
    const float sz = checkedLength("cell_size", "z", std::get<2>(cellSize), true);
    const float ox = checkedLength("origin", "x", std::get<0>(origin), false);
    const float oy = checkedLength("origin", "y", std::get<1>(origin), false);
    const float oz = checkedLength("origin", "z", std::get<2>(origin), false);
    const auto cells = py::array_t<std::uint32_t, py::array::forcecast>::ensure(shaped);
    if (!cells)
        throw py::error_already_set();
    const auto nz = std::uint32_t(cells.shape(0));
    const auto ny = std::uint32_t(cells.shape(1));
    const auto nx = std::uint32_t(cells.shape(2));
    const auto view = cells.unchecked<3>();
    auto volume = std::make_shared<Model::Automaton::TotalVolume>(
        nx, ny, nz, sx, sy, sz, Util::Vector3D(ox, oy, oz), Model::Automaton::TotalVolume::Cells::Unset);
    {
        const Model::Automaton::TotalVolume::CellsLock lock(*volume, Model::Automaton::TotalVolume::CellsLock::Write);
        Model::Automaton::Voxel *out = lock.writableCells();
        for (std::uint32_t x = 0; x < nx; ++x)
            for (std::uint32_t y = 0; y < ny; ++y)
                for (std::uint32_t z = 0; z < nz; ++z)
                    out[volume->index(x, y, z)].setMaterial(view(z, y, x));
    }
    return VolumeHandle(std::move(volume), nullptr);
}

std::tuple<std::uint32_t, std::uint32_t, std::uint32_t> VolumeHandle::shape() const
{
    return {cellVolume->getSizeZ(), cellVolume->getSizeY(), cellVolume->getSizeX()};
}

std::tuple<float, float, float> VolumeHandle::cellSize() const
{
    return {cellVolume->getCellSizeX(), cellVolume->getCellSizeY(), cellVolume->getCellSizeZ()};
}

std::tuple<float, float, float> VolumeHandle::origin() const
{
    const Util::Vector3D p = cellVolume->getPosition();
    return {float(p.x), float(p.y), float(p.z)};
}

py::array VolumeHandle::cells(py::object self)
{
    const VolumeHandle &handle = self.cast<const VolumeHandle &>();
    auto &volume = *handle.cellVolume;
    // The pointer stays valid for the volume's life: its array is never
    // reallocated. Only the address is taken under the lock.
    const std::uint32_t *data = nullptr;
    {
        const Model::Automaton::TotalVolume::CellsLock lock(volume, Model::Automaton::TotalVolume::CellsLock::Read);
        data = reinterpret_cast<const std::uint32_t *>(lock.cells());
    }
    const auto nx = py::ssize_t(volume.getSizeX());
    const auto ny = py::ssize_t(volume.getSizeY());
    const auto nz = py::ssize_t(volume.getSizeZ());
    // Cell (x, y, z) is element (x*ny + y)*nz + z; index [z, y, x].
    const py::ssize_t cell = sizeof(std::uint32_t);
    py::array array(py::dtype::of<std::uint32_t>(), {nz, ny, nx}, {cell, nz * cell, ny * nz * cell}, data, self);
    array.attr("flags").attr("writeable") = false;
    return array;
}

std::map<std::uint32_t, std::size_t> VolumeHandle::materialCounts() const
{
    std::vector<std::size_t> counts;
    {
        py::gil_scoped_release released;
        auto &volume = *cellVolume;
        const Model::Automaton::TotalVolume::CellsLock lock(volume, Model::Automaton::TotalVolume::CellsLock::Read);
        const Model::Automaton::Voxel *cells = lock.cells();
        const std::size_t n = volume.getCellCount();
        for (std::size_t i = 0; i < n; ++i) {
            const std::uint32_t id = cells[i].getMaterial();
            if (id >= counts.size())
                counts.resize(std::size_t(id) + 1, 0);
            ++counts[id];
        }
    }
    std::map<std::uint32_t, std::size_t> result;
    for (std::size_t id = 0; id < counts.size(); ++id)
        if (counts[id])
            result[std::uint32_t(id)] = counts[id];
    return result;
}
