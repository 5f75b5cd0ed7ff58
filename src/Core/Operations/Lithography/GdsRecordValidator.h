#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>

namespace Core {
namespace Operations {

// Walks a GDSII stream record by record before the GDSII library sees it,
// and refuses what that library cannot be trusted with: a record whose
// length is odd, under 4 or beyond the end of the file; a record of the
// wrong data type or, for fixed-size records (LAYER, DATATYPE, COLROW,
// UNITS, ...), of the wrong length; records out of their place in the
// library / structure / element nesting; an element without its required
// records (LAYER, XY, SNAME, COLROW ...) or with an XY point count that does
// not fit its kind; a reference to a structure that does not exist or that
// refers back to itself; and a hierarchy whose flattened shapes or vertices
// exceed the limits below. It also reports what the flattened layout will
// hold, so that a raster that would be too large is refused before the
// library flattens anything.
class GdsRecordValidator
{
public:
    // Flattened shapes (every element but references) and vertices,
    // counting every placement of a structure through references and arrays.
    static constexpr double maximumShapes = 1000000;
    static constexpr double maximumVertices = 4194304;
    // Larger files are not read at all.
    static constexpr std::int64_t maximumFileBytes = std::int64_t(256) << 20;

    struct Summary
    {
        double shapes = 0;   // flattened count over every structure
        double vertices = 0; // likewise
        // The largest x and y of the flattened boundaries, paths and boxes of
        // the structures no other structure refers to, in user units; 0 when
        // nothing lies at positive coordinates. Valid only when `extentKnown`
        // (false once a reference rotates by an angle that is not a multiple
        // of 90 degrees, where a bounding box only bounds the shapes).
        double extentX = 0;
        double extentY = 0;
        bool extentKnown = true;
    };

    // True for a well-formed stream within the limits; otherwise false with a
    // sentence naming the fault and its byte offset in `error`.
    static bool check(const QByteArray &bytes, Summary &summary, QString &error);
};

} // namespace Operations
} // namespace Core
