#include "Material.h"

#include <cmath>

namespace Model {
namespace Materials {

Material::Material()
    : name(QStringLiteral("Empty"))
    , color(0.5, 0.5, 0.5, 1.0)
{
}

Material::Material(std::uint32_t id_, const QString &name_, float density_, float youngModulus_,
                   float poissonRatio_, const float *c)
    : id(id_)
    , name(name_)
    , density(density_)
    , youngModulus(youngModulus_)
    , poissonRatio(poissonRatio_)
    , color(c ? Util::Vector4D(c[0], c[1], c[2], c[3]) : Util::Vector4D(0.5, 0.5, 0.5, 1.0))
{
}

bool Material::operator==(const Material &o) const
{
    constexpr double tolerance = 1.0 / 256.0;
    if (id != o.id || name != o.name)
        return false;
    for (int i = 0; i < 4; ++i) {
        if (std::fabs(color[i] - o.color[i]) > tolerance)
            return false;
    }
    return true;
}

} // namespace Materials
} // namespace Model
