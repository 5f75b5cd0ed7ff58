#pragma once

#include "Model/Metrology/Section.h"
#include "Util/Vector3D.h"

#include <array>

namespace Ui {
namespace CrossSection {

// Where the 3-D view shows the plane of the cross section: a rectangle
// across the volume's box at `at` µm along `normal`.
struct SectionPlane
{
    bool shown = false;
    Model::Metrology::Axis normal = Model::Metrology::Axis::Y;
    double at = 0.0;
    Util::Vector3D lower; // the volume's box, world µm
    Util::Vector3D upper;

    // The rectangle's corners in order around it.
    std::array<Util::Vector3D, 4> corners() const
    {
        const double a = at;
        switch (normal) {
        case Model::Metrology::Axis::X:
            return {Util::Vector3D(a, lower.y, lower.z), Util::Vector3D(a, upper.y, lower.z),
                    Util::Vector3D(a, upper.y, upper.z), Util::Vector3D(a, lower.y, upper.z)};
        case Model::Metrology::Axis::Y:
            return {Util::Vector3D(lower.x, a, lower.z), Util::Vector3D(upper.x, a, lower.z),
                    Util::Vector3D(upper.x, a, upper.z), Util::Vector3D(lower.x, a, upper.z)};
        case Model::Metrology::Axis::Z:
            break;
        }
        return {Util::Vector3D(lower.x, lower.y, a), Util::Vector3D(upper.x, lower.y, a),
                Util::Vector3D(upper.x, upper.y, a), Util::Vector3D(lower.x, upper.y, a)};
    }

    bool operator==(const SectionPlane &o) const
    {
        return shown == o.shown && normal == o.normal && at == o.at && lower.x == o.lower.x && lower.y == o.lower.y
               && lower.z == o.lower.z && upper.x == o.upper.x && upper.y == o.upper.y && upper.z == o.upper.z;
    }
    bool operator!=(const SectionPlane &o) const { return !(*this == o); }
};

} // namespace CrossSection
} // namespace Ui
