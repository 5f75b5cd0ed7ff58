#pragma once

#include <QString>

#include <cstdint>
#include <functional>

namespace Model {
namespace ModelExtraction {

class RectangularCuboidEnvelope;

// The edge lengths of one cell of the volume, in µm, per axis.
struct CellSize
{
    double x = 1.0;
    double y = 1.0;
    double z = 1.0;
    double along(int axis) const { return axis == 0 ? x : axis == 1 ? y : z; }
};

// What a beam is made of, as the netlist needs it.
struct BeamMaterial
{
    QString name;
    double density = 0.0;      // kg/m^3
    double youngModulus = 0.0; // Pa
};

// The material a material id stands for.
using MaterialLookup = std::function<BeamMaterial(std::uint32_t materialId)>;

// A cantilever of rectangular section clamped at one end, as a lumped
// mass-spring resonator.
//
// Stiffness at the tip: K = 3 E I / L^3 with I = w t^3 / 12, the
// Euler-Bernoulli beam (S. Timoshenko, J. M. Gere, "Mechanics of Materials",
// Van Nostrand, 1972). Effective mass at the tip: 33/140 of the beam's mass,
// Rayleigh's energy method with the static deflection shape (Lord Rayleigh,
// "The Theory of Sound", Macmillan, 1877); the resonance sqrt(K/m)/2pi it
// gives lies 1.5 % above the exact first mode, 0.1615 t/L^2 sqrt(E/rho).
class BeamPhysics
{
public:
    static constexpr double effectiveMassFactor = 33.0 / 140.0;
    static constexpr double metresPerMicrometre = 1e-6;

    // Length along the clamped-to-free direction, width across it in the
    // plane, thickness along z; all in metres.
    struct Dimensions
    {
        double length = 0.0;
        double width = 0.0;
        double thickness = 0.0;
    };

    // The beam's sides in metres from its size in cells and the cell sizes.
    // lengthAxis is 0 (x) or 1 (y); any other value takes the longer of the
    // two horizontal sides, compared in metres, since cells need not be
    // square.
    static Dimensions dimensionsOf(const RectangularCuboidEnvelope &beam, int lengthAxis, const CellSize &cellSize);

    // Mass in kg, tip stiffness in N/m, and the resonance in Hz of a
    // stiffness and an effective mass.
    static double mass(const Dimensions &beam, double density);
    static double stiffness(const Dimensions &beam, double youngModulus);
    static double frequency(double stiffness, double effectiveMass);
};

} // namespace ModelExtraction
} // namespace Model
