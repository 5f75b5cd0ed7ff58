#pragma once

#include "Util/Vector4D.h"

#include <QString>

#include <cstdint>

namespace Model {
namespace Materials {

// One catalogue entry. The default Material (id 0, "Empty") is the "not found" value.
class Material
{
public:
    Material();
    Material(std::uint32_t id, const QString &name, float density, float youngModulus,
             float poissonRatio, const float *color);

    std::uint32_t getId() const { return id; }
    void setId(std::uint32_t value) { id = value; }
    QString getName() const { return name; }
    void setName(const QString &value) { name = value; }
    float getDensity() const { return density; }
    void setDensity(float value) { density = value; }
    float getYoungModulus() const { return youngModulus; }
    void setYoungModulus(float value) { youngModulus = value; }
    float getPoissonRatio() const { return poissonRatio; }
    void setPoissonRatio(float value) { poissonRatio = value; }
    Util::Vector4D getColor() const { return color; }
    void setColor(const Util::Vector4D &value) { color = value; }

    // Same id, same name and every colour component within 1/256; the
    // mechanical constants take no part.
    bool operator==(const Material &other) const;
    bool operator!=(const Material &other) const { return !(*this == other); }

private:
    std::uint32_t id = 0;
    QString name;
    float density = 0.0f;
    float youngModulus = 0.0f;
    float poissonRatio = 0.0f;
    Util::Vector4D color;
};

} // namespace Materials
} // namespace Model
