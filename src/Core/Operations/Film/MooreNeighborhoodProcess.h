#pragma once

#include "Core/Operations/Engines/SurfaceFrontProcess.h"

#include <cstdint>

namespace Core {
namespace Operations {

// The Moore automaton on the surface front, counted in whole cells: one
// material and a step count. Cells that can change (`changing`) are open,
// every other cell is fixed; an open cell starts the front when one of its
// 26 neighbours attracts it. Each step rewrites every front cell that still
// holds `changing` to `result` and passes the front on to the `changing`
// cells around it, whether the cell changed or not (a cell reached twice in
// one step changes once), so the change spreads one Chebyshev layer per step.
class MooreNeighborhoodProcess : public SurfaceFrontProcess
{
public:
    std::uint32_t getMaterial() const { return material; }

protected:
    struct Start
    {
        static constexpr bool mooreNeighbourhood = true;
        std::uint32_t changing;
        bool attractsEmpty; // etching: empty cells attract; deposition: solids
        CellRole role(std::uint32_t id) const { return id == changing ? CellRole::Open : CellRole::Barrier; }
        bool attracts(std::uint32_t id) const { return attractsEmpty ? id == 0 : id != 0; }
    };

    struct Step
    {
        static constexpr bool mooreNeighbourhood = true;
        static constexpr bool distanceField = false;
        std::uint32_t changing;
        std::uint32_t result;
        bool takesPart(std::uint32_t) const { return true; }
        float limitSquared(std::uint32_t) const { return 0.0f; }
        std::uint32_t apply(std::uint32_t id) const { return id == changing ? result : id; }
        bool joins(std::uint32_t id) const { return id == changing; }
    };

    MooreNeighborhoodProcess(Model::Automaton::TotalVolume *volume, std::uint32_t materialId, std::uint32_t steps)
        : SurfaceFrontProcess(volume, 0.0f, OffsetStorage::None)
        , material(materialId)
        , steps(steps)
    {
    }

    // Builds the front; material 0 would only walk through empty space and
    // never fill it, so it gets none.
    void initialise(Strip &strip, const Start &start)
    {
        initialiseByNeighbourhood(strip, start);
        if (material == 0)
            strip.front.clear();
    }
    std::uint64_t computeStepCount() const override { return steps; }

    const std::uint32_t material;

private:
    const std::uint32_t steps;
};

} // namespace Operations
} // namespace Core
