#include "CantileverStructure.h"

#include "RectangularCuboidEnvelope.h"

#include <cmath>

namespace Model {
namespace ModelExtraction {

CantileverStructure::CantileverStructure(std::vector<Beam> list, const CellSize &cells, MaterialLookup lookup)
    : beams(std::move(list))
    , cellSize(cells)
    , materials(std::move(lookup))
{
}

QString CantileverStructure::formatNumber(double value)
{
    return QString::number(value, 'g', 6);
}

QString CantileverStructure::netlist() const
{
    return build(nullptr);
}

QStringList CantileverStructure::skippedBeams() const
{
    QStringList skipped;
    build(&skipped);
    return skipped;
}

QString CantileverStructure::build(QStringList *skipped) const
{
    QString lines;
    int index = 0;
    for (std::size_t b = 0; b < beams.size(); ++b) {
        const RectangularCuboidEnvelope &beam = *beams[b].envelope;
        const BeamMaterial material = materials ? materials(beam.getMaterial()) : BeamMaterial();
        const BeamPhysics::Dimensions size = BeamPhysics::dimensionsOf(beam, beams[b].lengthAxis, cellSize);
        const double mass = BeamPhysics::mass(size, material.density) * BeamPhysics::effectiveMassFactor;
        const double k = BeamPhysics::stiffness(size, material.youngModulus);
        // A beam without stiffness or mass (or of a material nobody knows)
        // would give an infinite inductance or a resonance at infinity.
        if (!(k > 0.0) || !std::isfinite(k) || !(mass > 0.0) || !std::isfinite(mass)) {
            if (skipped)
                skipped->append(QStringLiteral("Beam %1 (material %2, %3 x %4 x %5 cells) was left out: "
                                               "its material has no usable Young's modulus or density.")
                                    .arg(b + 1)
                                    .arg(beam.getMaterial())
                                    .arg(beam.getSize(0))
                                    .arg(beam.getSize(1))
                                    .arg(beam.getSize(2)));
            continue;
        }
        ++index;
        // One pass over the pattern, so a "%" in a material's name stays text;
        // simplified(), so a line break in it cannot end the comment.
        const double micrometres = 1.0 / BeamPhysics::metresPerMicrometre;
        lines += QStringLiteral("* beam %1: %2, %3 x %4 x %5 µm, f1 = %6 Hz \n")
                     .arg(QString::number(index), material.name.simplified(), formatNumber(size.length * micrometres),
                          formatNumber(size.width * micrometres), formatNumber(size.thickness * micrometres),
                          QString::number(BeamPhysics::frequency(k, mass), 'e', 3));
        lines += QStringLiteral("c%1 %2 0 %3 \n").arg(index).arg(index).arg(formatNumber(mass));
        lines += QStringLiteral("l%1 %2 0 %3 \n").arg(index).arg(index).arg(formatNumber(1.0 / k));
    }
    if (index == 0)
        return QString();
    return QStringLiteral("Model extracted by Kestrum\n") + lines + QStringLiteral(".end \n");
}

} // namespace ModelExtraction
} // namespace Model
