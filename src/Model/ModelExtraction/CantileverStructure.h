#pragma once

#include "BeamPhysics.h"
#include "IStructure.h"

#include <QStringList>

#include <memory>
#include <vector>

namespace Model {
namespace ModelExtraction {

class RectangularCuboidEnvelope;

// Cantilever beams as lumped mass-spring resonators: each beam becomes a
// capacitor (its effective mass) and an inductor (its compliance) from its
// own node to ground, after a comment line naming its material, its size in
// µm and the resonance the pair gives.
class CantileverStructure : public IStructure
{
public:
    struct Beam
    {
        std::shared_ptr<RectangularCuboidEnvelope> envelope;
        // The axis the beam runs along from its clamp (0 x, 1 y); -1 when
        // not known, then the longer horizontal side is taken.
        int lengthAxis = -1;
    };

    CantileverStructure(std::vector<Beam> beams, const CellSize &cellSize, MaterialLookup materials);

    // The netlist: a title line; per beam a comment, a "c" and an "l" line;
    // ".end". Empty when no beam can be written.
    QString netlist() const override;
    // Why beams were left out of the netlist (one line each).
    QStringList skippedBeams() const;

    // Six significant digits, general notation.
    static QString formatNumber(double value);

private:
    QString build(QStringList *skipped) const;

    std::vector<Beam> beams;
    CellSize cellSize;
    MaterialLookup materials;
};

} // namespace ModelExtraction
} // namespace Model
