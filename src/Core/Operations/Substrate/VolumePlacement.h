#pragma once

#include "Util/Vector3D.h"

#include <QString>

#include <memory>
#include <vector>

namespace Model {
class Document;
namespace Automaton {
class TotalVolume;
}
}

namespace Core {
namespace Operations {

// Where a new volume goes so that it overlaps none of the scene's volumes:
// where it was asked for when that place is free, otherwise beside them,
// past the far x side of every volume with a gap of a tenth of its own
// width, at the asked y and z. Lengths in µm.
class VolumePlacement
{
public:
    struct Box
    {
        Util::Vector3D lower;
        Util::Vector3D upper;
        bool overlaps(const Box &other) const;
    };

    static Box boxOf(const Model::Automaton::TotalVolume &volume);
    // The cell volumes of the document (every layer).
    static std::vector<Box> volumesOf(Model::Document &document);
    // The lower corner the new volume of `extent` takes, asked at `wanted`.
    static Util::Vector3D freeCorner(const std::vector<Box> &taken, const Util::Vector3D &wanted,
                                     const Util::Vector3D &extent);
    // The same for the document's volumes; `moved` is the sentence that says
    // where the volume went instead ("" when it stays where asked).
    static Util::Vector3D freeCorner(Model::Document &document, const Util::Vector3D &wanted,
                                     const Util::Vector3D &extent, QString *moved);
};

} // namespace Operations
} // namespace Core
