#include "VolumeHandle.h"

#include "Model/Automaton/TotalVolume.h"

#include <stdexcept>

namespace py = pybind11;

VolumeHandle::VolumeHandle(std::shared_ptr<Model::Automaton::TotalVolume> volume, std::shared_ptr<void> keep)
    : cellVolume(std::move(volume))
    , owner(std::move(keep))
{
}

VolumeHandle VolumeHandle::fromCells(py::array_t<std::uint32_t, py::array::forcecast> cells,
                                     std::tuple<float, float, float> cellSize, std::tuple<float, float, float> origin)
{
    if (cells.ndim() != 3)
        throw py::value_error("cells must have three dimensions, (nz, ny, nx)");
    const auto nz = std::uint32_t(cells.shape(0));
    const auto ny = std::uint32_t(cells.shape(1));
    const auto nx = std::uint32_t(cells.shape(2));
    if (nx == 0 || ny == 0 || nz == 0)
        throw py::value_error("a volume needs at least one cell along each axis");
    const auto [sx, sy, sz] = cellSize;
    if (!(sx > 0 && sy > 0 && sz > 0))
        throw py::value_error("cell sizes must be greater than 0");
    const auto [ox, oy, oz] = origin;
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
