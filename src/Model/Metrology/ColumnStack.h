#pragma once

#include "SurfaceProfile.h"

#include <QString>

#include <optional>
#include <vector>

namespace Model {
namespace Automaton {
class TotalVolume;
}

namespace Metrology {

// The layer stack of the volume's column at a world (x, y) in µm.
class ColumnStack
{
public:
    // Top down, as SurfaceProfile::stack; nothing, with the reason, when
    // (x, y) lies outside the volume.
    static std::optional<std::vector<StackLayer>> at(Automaton::TotalVolume &volume, double x, double y,
                                                     QString *error);
};

} // namespace Metrology
} // namespace Model
