#pragma once

#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>

#include <map>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

namespace Model {
class Document;
namespace Automaton {
class TotalVolume;
}
}

namespace Core {
namespace BatchRun {
class RecipeJob;
}
}

// A cell volume as Python sees it: the volume itself, and whatever owns the
// document it sits in (a run, a loaded file), kept alive as long as the
// handle or any array viewing its cells is.
class VolumeHandle
{
public:
    struct Skipped
    {
        int step;
        std::string name;
        std::string reason;
    };
    // One step of the run that made the volume, as kestrum-batch reports it.
    struct Step
    {
        int step;           // 1-based
        std::string name;
        std::string report; // what it did, or "skipped: <reason>"
        bool done;
        std::uint64_t changedCells;
        bool changedNothing;
    };

    VolumeHandle(std::shared_ptr<Model::Automaton::TotalVolume> volume, std::shared_ptr<void> owner);
    // A volume built from an array of shape (nz, ny, nx) of material ids.
    // ValueError for what the volume cannot hold as given: an axis beyond 32
    // bits, more cells than memory takes, ids that are negative, beyond 32 bits
    // or no whole numbers, cell sizes that are not finite and positive, an
    // origin that is not finite.
    static VolumeHandle fromCells(const pybind11::object &cells, std::tuple<double, double, double> cellSize,
                                  std::tuple<double, double, double> origin);

    const std::shared_ptr<Model::Automaton::TotalVolume> &volume() const { return cellVolume; }
    std::tuple<std::uint32_t, std::uint32_t, std::uint32_t> shape() const;
    std::tuple<float, float, float> cellSize() const;
    std::tuple<float, float, float> origin() const;
    // The cells as a read-only array of shape (nz, ny, nx) over the volume's
    // own storage (x-major), no copy; `self` becomes the array's base.
    static pybind11::array cells(pybind11::object self);
    // Cells per material id, counted without the interpreter lock.
    std::map<std::uint32_t, std::size_t> materialCounts() const;

    std::vector<Skipped> skipped;
    std::vector<Step> steps;

private:
    std::shared_ptr<Model::Automaton::TotalVolume> cellVolume;
    std::shared_ptr<void> owner;
};
