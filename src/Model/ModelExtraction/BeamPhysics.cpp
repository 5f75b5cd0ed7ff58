#include "BeamPhysics.h"

#include "RectangularCuboidEnvelope.h"

#include <cmath>

namespace Model {
namespace ModelExtraction {

BeamPhysics::Dimensions BeamPhysics::dimensionsOf(const RectangularCuboidEnvelope &beam, int lengthAxis,
                                                  const CellSize &cellSize)
{
    // Sizes in cells go to double before any product: their cubes overflow
    // 32 bits from 1,626 cells on.
    const double side[3] = {double(beam.getSize(0)) * cellSize.x * metresPerMicrometre,
                            double(beam.getSize(1)) * cellSize.y * metresPerMicrometre,
                            double(beam.getSize(2)) * cellSize.z * metresPerMicrometre};
    if (lengthAxis != 0 && lengthAxis != 1)
        lengthAxis = side[1] > side[0] ? 1 : 0;
    return {side[lengthAxis], side[1 - lengthAxis], side[2]};
}

// The beam's cell count times the volume of one cell, in m^3, times the density.
double BeamPhysics::mass(const Dimensions &beam, double density)
{
    return density * beam.length * beam.width * beam.thickness;
}

double BeamPhysics::stiffness(const Dimensions &beam, double youngModulus)
{
    const double t = beam.thickness;
    const double l = beam.length;
    return youngModulus * beam.width * t * t * t / (4.0 * l * l * l);
}

double BeamPhysics::frequency(double stiffness, double effectiveMass)
{
    return std::sqrt(stiffness / effectiveMass) / (2.0 * M_PI);
}

} // namespace ModelExtraction
} // namespace Model
