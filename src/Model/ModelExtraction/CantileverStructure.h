#pragma once

#include "ExtractedModel.h"
#include "IStructure.h"

#include <QStringList>

#include <cstdint>

namespace Model {
namespace ModelExtraction {

// Cantilever beams as lumped mass-spring resonators: each beam becomes a
// capacitor (its effective mass) and an inductor (its compliance) from its
// own node to ground.
class CantileverStructure : public IStructure
{
public:
    // The volume of one cell, in cubic metres, that masses are taken with.
    static constexpr double cellVolume = 2.00129819772e-17;

    struct Constants
    {
        double density = 0.0;      // kg/m^3
        double youngModulus = 0.0; // Pa
    };

    explicit CantileverStructure(ExtractedModel::EnvelopeList beams);

    // The netlist: a title line, a "c" and an "l" line per beam, ".end".
    // Empty when no beam can be written.
    QString netlist() const override;
    // Why beams were left out of the last netlist (one line each).
    QStringList skippedBeams() const;

    const ExtractedModel::EnvelopeList &getBeams() const { return beams; }

    // The constants a material is modelled with: the extraction's own table
    // for ids 0 to 15, the catalogue's values for every other id (0 for a
    // material the catalogue does not know).
    static Constants constantsOf(std::uint32_t material);
    // Effective mass (33/140 of the beam's mass) and stiffness of a beam of
    // sx x sy x sz cells: length max(sx, sy), width min(sx, sy), thickness sz.
    static double effectiveMass(std::uint32_t sx, std::uint32_t sy, std::uint32_t sz, double density);
    static double stiffness(std::uint32_t sx, std::uint32_t sy, std::uint32_t sz, double youngModulus);
    // Six significant digits, general notation.
    static QString formatNumber(double value);

private:
    QString build(QStringList *skipped) const;

    ExtractedModel::EnvelopeList beams;
};

} // namespace ModelExtraction
} // namespace Model
