#pragma once

#include "Core/Operations/Lithography/LithographyMask.h"

#include <QString>
#include <QStringList>

#include <cstdint>
#include <optional>

namespace Core {
namespace Operations {

// How a mask whose size differs from the volume's x/y cell counts is laid on
// the volume. The same mask and placement give the same cells in the window,
// in a process list and in the recipe step, since all of them place the mask
// here before the development sees it.
enum class MaskPlacement {
    // Mask cell (i, j) over column (i, j); beyond the mask the side is open.
    Corner,
    // The mask's centre over the volume's centre; beyond it as for Corner.
    Centre,
    // Resampled nearest-neighbour to exactly the volume's x/y size.
    Scale,
    // Tiled over the volume from the corner.
    Repeat,
};

class MaskPlacing
{
public:
    // The name a process list stores ("corner", "centre", "scale", "repeat").
    static QString name(MaskPlacement placement);
    // The placement a name stands for, any case, surrounding spaces ignored;
    // none for any other text.
    static std::optional<MaskPlacement> fromName(const QString &name);
    // Every name, in the order of the enumeration.
    static QStringList names();

    // The mask as the development must see it on an nx x ny volume. Corner
    // leaves the mask as it is (the development lays it from the corner and
    // leaves the columns beyond it open); the other placements give an
    // nx x ny mask whose cells beyond the original are transparent, which the
    // development treats exactly as columns beyond a corner mask. An empty
    // mask, one whose bit count does not match its size, a mask that already
    // has the volume's size and an empty volume come back unchanged.
    static LithographyMask placed(const LithographyMask &mask, std::uint32_t nx, std::uint32_t ny,
                                  MaskPlacement placement);
};

} // namespace Operations
} // namespace Core
