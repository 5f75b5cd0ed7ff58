#include "Core/Operations/SiOxidation/SimpleSiOxidation.h"

#include "Core/Operations/Lifecycle/ProcessEffect.h"
#include "Core/ProcessTable.h"
#include "Core/Operations/Engines/SurfaceFrontProcess.h"
#include "Model/Automaton/TotalVolume.h"
#include "Model/Materials/Material.h"
#include "Model/Process/Process.h"
#include "Model/Process/ProcessFactory.h"
#include "Util/Logging.h"

#include <algorithm>
#include <cmath>

namespace Core {
namespace Operations {

namespace {

using Model::Automaton::Voxel;

// Membership of a small set of material ids: a byte table for the usual
// small ids, a binary search beyond it.
class MaterialSet
{
public:
    explicit MaterialSet(const std::vector<std::uint32_t> &ids)
        : ids(ids)
        , table(tableSize, 0)
    {
        for (const std::uint32_t id : ids)
            if (id < tableSize)
                table[id] = 1;
    }
    bool contains(std::uint32_t id) const
    {
        if (id < tableSize)
            return table[id] != 0;
        return std::binary_search(ids.begin(), ids.end(), id);
    }

private:
    static constexpr std::uint32_t tableSize = 1024;
    std::vector<std::uint32_t> ids;
    std::vector<std::uint8_t> table;
};

// Phase A of the growth: each front cell may take an offset up to the limit
// of its side of the old surface; materials stay until the conversion.
struct GrowthStep
{
    static constexpr bool mooreNeighbourhood = false;
    static constexpr bool distanceField = true;
    const MaterialSet *oxidizable;
    float inwardSquared;
    float outwardSquared;
    bool takesPart(std::uint32_t) const { return true; }
    float limitSquared(std::uint32_t id) const { return id != 0 ? inwardSquared : outwardSquared; }
    std::uint32_t apply(std::uint32_t id) const { return id; }
    bool joins(std::uint32_t id) const
    {
        return id == 0 || id == SimpleSiOxidation::oxideMaterial || oxidizable->contains(id);
    }
};

// The front of one oxidation: sources are the oxidisable cells with an empty
// face neighbour, other solids are barriers, the finish pass converts every
// cell by its final offset.
class OxideGrowth : public SurfaceFrontProcess
{
public:
    OxideGrowth(Model::Automaton::TotalVolume *volume, float thickness, const MaterialSet &oxidizable)
        : SurfaceFrontProcess(volume, thickness)
        , oxidizable(oxidizable)
        , inward(float(SimpleSiOxidation::inwardShare * thickness))
        , outward(float(SimpleSiOxidation::outwardShare * thickness))
    {
    }

protected:
    void initialiseStrip(Strip &strip) override;
    void advanceStrip(Strip &strip) override
    {
        advanceFront(strip, GrowthStep{&oxidizable, inward * inward, outward * outward});
    }
    void finishStrip(Strip &strip) override;

private:
    const MaterialSet &oxidizable;
    const float inward;
    const float outward;
};

void OxideGrowth::initialiseStrip(Strip &strip)
{
    const std::size_t nyz = std::size_t(ny) * nz;
    if (strip.xBegin >= strip.xEnd || nyz == 0)
        return;

    // Source marks of the layers x-1, x and x+1 in a ring of three layers.
    std::vector<std::uint8_t> ring(3 * nyz);
    const auto sources = [&](std::uint32_t x) { return ring.data() + (x % 3) * nyz; };
    const auto markLayer = [&](std::uint32_t x) {
        std::uint8_t *mark = sources(x);
        const std::size_t layerBegin = std::size_t(x) * nyz;
        for (std::uint32_t y = 0; y < ny; ++y) {
            for (std::uint32_t z = 0; z < nz; ++z) {
                const std::size_t i = std::size_t(y) * nz + z;
                const std::size_t c = layerBegin + i;
                bool open = false;
                if (oxidizable.contains(cells[c].material)) {
                    open = (z > 0 && cells[c - 1].material == 0) || (z + 1 < nz && cells[c + 1].material == 0)
                           || (y > 0 && cells[c - nz].material == 0) || (y + 1 < ny && cells[c + nz].material == 0)
                           || (x > 0 && cells[c - nyz].material == 0)
                           || (x + 1 < nx && cells[c + nyz].material == 0);
                }
                mark[i] = open ? 1 : 0;
            }
        }
    };
    if (strip.xBegin > 0)
        markLayer(strip.xBegin - 1);
    markLayer(strip.xBegin);

    for (std::uint32_t x = strip.xBegin; x < strip.xEnd; ++x) {
        if (x + 1 < nx)
            markLayer(x + 1);
        const std::uint8_t *self = sources(x);
        const std::uint8_t *below = x > 0 ? sources(x - 1) : nullptr;
        const std::uint8_t *above = x + 1 < nx ? sources(x + 1) : nullptr;
        const std::size_t layerBegin = std::size_t(x) * nyz;
        for (std::uint32_t y = 0; y < ny; ++y) {
            for (std::uint32_t z = 0; z < nz; ++z) {
                const std::size_t i = std::size_t(y) * nz + z;
                const std::uint32_t material = cells[layerBegin + i].material;
                const bool source = self[i] != 0;
                const bool open = !source && (material == 0 || oxidizable.contains(material));
                initialiseCell(layerBegin + i, source ? CellRole::Source : open ? CellRole::Open : CellRole::Barrier);
                if (!open)
                    continue;
                const bool nearSource = (z > 0 && self[i - 1]) || (z + 1 < nz && self[i + 1])
                                        || (y > 0 && self[i - nz]) || (y + 1 < ny && self[i + nz])
                                        || (below && below[i]) || (above && above[i]);
                if (nearSource)
                    strip.front.push_back(layerBegin + i);
            }
        }
    }
}

void OxideGrowth::finishStrip(Strip &strip)
{
    const std::size_t nyz = std::size_t(ny) * nz;
    const float inwardSquared = inward * inward;
    const float outwardSquared = outward * outward;
    const std::size_t end = std::size_t(strip.xEnd) * nyz;
    for (std::size_t i = std::size_t(strip.xBegin) * nyz; i < end; ++i) {
        Voxel &cell = cells[i];
        const float length = offsetLengthSquared(i);
        const bool converts = cell.material == 0 ? length <= outwardSquared
                                                 : length <= inwardSquared && oxidizable.contains(cell.material);
        if (converts)
            cell.material = SimpleSiOxidation::oxideMaterial;
    }
}

} // namespace

SimpleSiOxidation::SimpleSiOxidation(Model::Automaton::TotalVolume *volume, double cellUnitsPerMicron)
    : volume(volume)
    , cellUnitsPerMicron(cellUnitsPerMicron)
{
    const auto materials =
        Model::Process::ProcessFactory::getInstance()->getProcess(ProcessTable::kind(ProcessKey::SiOxidation).catalogueName).getCompatibleMaterials();
    for (const Model::Materials::Material &material : materials)
        oxidizable.push_back(material.getId());
    std::sort(oxidizable.begin(), oxidizable.end());
    oxidizable.erase(std::unique(oxidizable.begin(), oxidizable.end()), oxidizable.end());
}

void SimpleSiOxidation::oxidateFor(double hours, double kelvin, double atmospheres, DealGrove::Ambient ambient)
{
    const double length = DealGrove::thickness(ambient, hours, kelvin, atmospheres) * cellUnitsPerMicron;
    qCDebug(lcProcess) << "Oxide thickness in scene units" << length;
    oxidateTo(length);
}

void SimpleSiOxidation::oxidateTo(double thickness)
{
    target = thickness;
    // Both are scene lengths: the front's face steps are the cell sizes.
    const double smallest = std::min({volume->getCellSizeX(), volume->getCellSizeY(), volume->getCellSizeZ()});
    // Not grown: an oxide no thicker than the thinnest cell, and anything
    // that is not a finite thickness.
    if (!(thickness > smallest) || !std::isfinite(thickness) || thickness > 3.0e38)
        return;
    const MaterialSet materials(oxidizable);
    OxideGrowth growth(volume, float(thickness), materials);
    growth.setStripCount(stripCount);
    growth.setProgress(progress);
    growth.run();
}

void SimpleSiOxidation::describeConditions(ProcessEffect &effect, DealGrove::Ambient ambient, double hours,
                                           double kelvin, double atmospheres)
{
    const auto figure = [](double value) { return QString::number(value, 'g', 6); };
    effect.addNote(QStringLiteral("%1 oxidation %2 h at %3 K, %4 atm")
                       .arg(DealGrove::name(ambient), figure(hours), figure(kelvin), figure(atmospheres)));
}

void SimpleSiOxidation::describe(ProcessEffect &effect, const Model::Automaton::TotalVolume &volume, double thickness)
{
    effect.addNote(QStringLiteral("thickness %1").arg(ProcessEffect::micrometres(thickness)));
    const double smallest = std::min({volume.getCellSizeX(), volume.getCellSizeY(), volume.getCellSizeZ()});
    if (!(thickness > smallest)) {
        const QString reason = QStringLiteral("an oxide of %1 is no thicker than the smallest cell side (%2)")
                                   .arg(ProcessEffect::micrometres(thickness), ProcessEffect::micrometres(smallest));
        effect.addIdleCheck([reason](Model::Automaton::TotalVolume &) { return reason; });
    }
}

} // namespace Operations
} // namespace Core
