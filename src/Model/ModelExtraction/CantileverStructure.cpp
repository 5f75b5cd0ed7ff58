#include "CantileverStructure.h"

#include "Model/Materials/MaterialFactory.h"
#include "RectangularCuboidEnvelope.h"

#include <algorithm>
#include <cmath>

namespace Model {
namespace ModelExtraction {

namespace {

constexpr std::uint32_t tableSize = 16;
const double densityTable[tableSize] = {0, 2329, 2700, 8940, 8908, 2648, 2810, 1000,
                                        1000, 1000, 1000, 1000, 1000, 1000, 1000, 1000};
constexpr double tableYoungModulus = 7e10;

} // namespace

CantileverStructure::CantileverStructure(ExtractedModel::EnvelopeList list)
    : beams(std::move(list))
{
}

CantileverStructure::Constants CantileverStructure::constantsOf(std::uint32_t material)
{
    Constants constants;
    if (material < tableSize) {
        constants.density = densityTable[material];
        constants.youngModulus = material == 0 ? 0.0 : tableYoungModulus;
        return constants;
    }
    // Poly-Si (16) and the user's materials (2000 and above) lie beyond the
    // table: their own catalogue entry says what they are made of.
    const Materials::Material entry = Materials::MaterialFactory::getInstance()->getMaterial(material);
    if (entry.getId() == material) {
        constants.density = double(entry.getDensity());
        constants.youngModulus = double(entry.getYoungModulus());
    }
    return constants;
}

// Sizes are multiplied in double precision: in 32-bit integers the cube of a
// 1,626-cell length already wraps.
double CantileverStructure::effectiveMass(std::uint32_t sx, std::uint32_t sy, std::uint32_t sz, double density)
{
    const double cells = double(sx) * double(sy) * double(sz);
    return cells * cellVolume * density * 33.0 / 140.0;
}

double CantileverStructure::stiffness(std::uint32_t sx, std::uint32_t sy, std::uint32_t sz, double youngModulus)
{
    const double length = double(std::max(sx, sy));
    const double width = double(std::min(sx, sy));
    const double thickness = double(sz);
    return youngModulus * 3.0 * (thickness * thickness * thickness * width / 12.0) / (length * length * length);
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
        const RectangularCuboidEnvelope &beam = *beams[b];
        const std::uint32_t sx = beam.getSize(0), sy = beam.getSize(1), sz = beam.getSize(2);
        const Constants constants = constantsOf(beam.getMaterial());
        const double mass = effectiveMass(sx, sy, sz, constants.density);
        const double k = stiffness(sx, sy, sz, constants.youngModulus);
        // A beam without stiffness (or made of a material the catalogue does
        // not know) would give an infinite inductance: leave it out.
        if (!(k > 0.0) || !std::isfinite(k) || !(mass >= 0.0) || !std::isfinite(mass)) {
            if (skipped)
                skipped->append(QStringLiteral("Beam %1 (material %2, %3 x %4 x %5 cells) was left out: "
                                               "its material has no usable Young's modulus or density.")
                                    .arg(b + 1)
                                    .arg(beam.getMaterial())
                                    .arg(sx)
                                    .arg(sy)
                                    .arg(sz));
            continue;
        }
        ++index;
        lines += QStringLiteral("c%1 %2 0 %3 \n").arg(index).arg(index).arg(formatNumber(mass));
        lines += QStringLiteral("l%1 %2 0 %3 \n").arg(index).arg(index).arg(formatNumber(1.0 / k));
    }
    if (index == 0)
        return QString();
    return QStringLiteral("Model extracted by Kestrum\n") + lines + QStringLiteral(".end \n");
}

} // namespace ModelExtraction
} // namespace Model
