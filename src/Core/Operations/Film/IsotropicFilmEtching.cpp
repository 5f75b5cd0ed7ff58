#include "Core/Operations/Film/IsotropicFilmEtching.h"

namespace Core {
namespace Operations {

namespace {

// Every empty cell seeds the etch; non-empty cells next to one start the front.
struct EtchingStart
{
    static constexpr bool mooreNeighbourhood = true;
    SurfaceFrontProcess::CellRole role(std::uint32_t id) const
    {
        return id == 0 ? SurfaceFrontProcess::CellRole::Source : SurfaceFrontProcess::CellRole::Open;
    }
    bool attracts(std::uint32_t id) const { return id == 0; }
};

// Only empty cells and cells of the etched material carry the front; any
// other material is skipped and so masks what lies behind it.
struct EtchingStep
{
    static constexpr bool mooreNeighbourhood = true;
    std::uint32_t material;
    float limit;
    bool takesPart(const Model::Automaton::Voxel &cell) const
    {
        return cell.material == 0 || cell.material == material;
    }
    float limitSquared(const Model::Automaton::Voxel &) const { return limit; }
    void apply(const Model::Automaton::Voxel &current, Model::Automaton::Voxel &next) const
    {
        if (current.material == material)
            next.material = 0;
    }
    bool joins(std::uint32_t id) const { return id != 0; }
};

} // namespace

IsotropicFilmEtching::IsotropicFilmEtching(Model::Automaton::TotalVolume *volume,
                                           std::uint32_t materialId, float depth)
    : SurfaceFrontProcess(volume, depth)
    , material(materialId)
{
}

void IsotropicFilmEtching::initialiseStrip(Strip &strip)
{
    initialiseByNeighbourhood(strip, EtchingStart{});
}

void IsotropicFilmEtching::advanceStrip(Strip &strip)
{
    advanceFront(strip, EtchingStep{material, distance * distance});
}

} // namespace Operations
} // namespace Core
