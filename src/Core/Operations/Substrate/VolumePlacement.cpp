#include "Core/Operations/Substrate/VolumePlacement.h"

#include "Model/Automaton/TotalVolume.h"
#include "Model/Document.h"

#include <algorithm>

namespace Core {
namespace Operations {

bool VolumePlacement::Box::overlaps(const Box &other) const
{
    // Volumes that only touch share no cell.
    return lower.x < other.upper.x && other.lower.x < upper.x && lower.y < other.upper.y && other.lower.y < upper.y
           && lower.z < other.upper.z && other.lower.z < upper.z;
}

VolumePlacement::Box VolumePlacement::boxOf(const Model::Automaton::TotalVolume &volume)
{
    const Util::Vector3D lower = volume.getPosition();
    const Util::Vector3D extent(double(volume.getSizeX()) * volume.getCellSizeX(),
                                double(volume.getSizeY()) * volume.getCellSizeY(),
                                double(volume.getSizeZ()) * volume.getCellSizeZ());
    return {lower, lower + extent};
}

std::vector<VolumePlacement::Box> VolumePlacement::volumesOf(Model::Document &document)
{
    std::vector<Box> boxes;
    for (const auto &object : document.getAllObjects()) {
        if (const auto *volume = dynamic_cast<const Model::Automaton::TotalVolume *>(object.get()))
            boxes.push_back(boxOf(*volume));
    }
    return boxes;
}

Util::Vector3D VolumePlacement::freeCorner(const std::vector<Box> &taken, const Util::Vector3D &wanted,
                                           const Util::Vector3D &extent)
{
    const Box asked{wanted, wanted + extent};
    if (std::none_of(taken.begin(), taken.end(), [&asked](const Box &box) { return box.overlaps(asked); }))
        return wanted;
    double farX = wanted.x;
    for (const Box &box : taken)
        farX = std::max(farX, box.upper.x);
    return Util::Vector3D(farX + extent.x / 10.0, wanted.y, wanted.z);
}

Util::Vector3D VolumePlacement::freeCorner(Model::Document &document, const Util::Vector3D &wanted,
                                           const Util::Vector3D &extent, QString *moved)
{
    const Util::Vector3D corner = freeCorner(volumesOf(document), wanted, extent);
    if (moved) {
        const auto point = [](const Util::Vector3D &p) {
            return QStringLiteral("(%1, %2, %3) µm").arg(p.x).arg(p.y).arg(p.z);
        };
        *moved = corner == wanted ? QString()
                                  : QStringLiteral("the new volume at %1 would overlap an existing volume; it was "
                                                   "placed beside the volumes at %2.")
                                        .arg(point(wanted), point(corner));
    }
    return corner;
}

} // namespace Operations
} // namespace Core
