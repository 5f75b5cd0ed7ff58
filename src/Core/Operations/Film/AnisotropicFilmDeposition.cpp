#include "Core/Operations/Film/AnisotropicFilmDeposition.h"

#include "Core/Operations/Film/FilmFrontRules.h"

namespace Core {
namespace Operations {

namespace {

using Role = SurfaceFrontProcess::CellRole;

// Every solid is fixed; the facing ones are made sources afterwards. An empty
// cell starts the front next to a solid face.
struct DirectionalStart
{
    static constexpr bool mooreNeighbourhood = false;
    Role role(std::uint32_t id) const { return id != 0 ? Role::Barrier : Role::Open; }
    bool attracts(std::uint32_t id) const { return id != 0; }
};

} // namespace

AnisotropicFilmDeposition::AnisotropicFilmDeposition(Model::Automaton::TotalVolume *volume, std::uint32_t materialId,
                                                     float thickness, float ratio, std::uint32_t depositSide)
    : SurfaceFrontProcess(volume, thickness)
    , material(materialId)
    , side(depositSide)
    , scaledCx(cx / ratio)
    , scaledCy(cy / ratio)
{
    setFaceSteps({{{0.0f, 0.0f, cz}, {0.0f, 0.0f, -cz}, {0.0f, scaledCy, 0.0f}, {0.0f, -scaledCy, 0.0f},
                   {scaledCx, 0.0f, 0.0f}, {-scaledCx, 0.0f, 0.0f}}});
}

std::uint64_t AnisotropicFilmDeposition::computeStepCount() const
{
    return stepCount(distance, scaledCx, scaledCy, cz);
}

void AnisotropicFilmDeposition::initialiseStrip(Strip &strip)
{
    initialiseByNeighbourhood(strip, DirectionalStart{});
    // A solid seeds the film when the cell on the chosen side of it is empty.
    const bool top = side & OnTop;
    const bool bottom = side & OnBottom;
    for (std::size_t column = std::size_t(strip.xBegin) * ny; column < std::size_t(strip.xEnd) * ny; ++column) {
        const std::size_t first = column * nz;
        for (std::uint32_t z = 0; z < nz; ++z) {
            const std::size_t i = first + z;
            if (cells[i].material == 0)
                continue;
            const bool facesUp = top && z + 1 < nz && cells[i + 1].material == 0;
            const bool facesDown = bottom && z > 0 && cells[i - 1].material == 0;
            if (facesUp || facesDown)
                initialiseCell(i, CellRole::Source);
        }
    }
}

void AnisotropicFilmDeposition::advanceStrip(Strip &strip)
{
    advanceFront(strip, FillEmptyStep<false>{material, distance * distance});
}

} // namespace Operations
} // namespace Core
