#pragma once

#include <QString>
#include <QStringList>

namespace Model {
namespace Automaton {
class TotalVolume;
}

namespace Persistence {

// Writes a cell volume for other tools, in the format its file name ends in:
// All lengths are in micrometres (one scene unit), whatever the cell sizes.
// - ".vti": VTK XML image data. The cells' materials are cell data named
//   "material" (8, 16 or 32-bit unsigned, whatever the largest id needs),
//   zlib-compressed in the appended section; origin = the volume's position,
//   spacing = its cell sizes (per axis).
// - ".stl": binary STL of the marching-cubes surface of each material, the
//   80-byte header naming the unit and the material ("Kestrum surface,
//   units: micrometres (um), material 3"). Each material's surface is closed (also where it meets the
//   volume's faces) with outward normals. One material: the file named;
//   several: one file per material, the id added to the name
//   ("part.stl" -> "part_1.stl", "part_3.stl").
// - ".obj": the same surfaces in one Wavefront file, one object per material
//   named after it, vertices shared within an object.
// Every file goes through the safe file writer, so a failure leaves what was
// there before and says why.
class VolumeExport
{
public:
    // The formats by file-dialog filter, "Export" dialog order.
    static QStringList filters();
    static bool isSupported(const QString &path);

    // False with a reason in `error` (format, volume or system); `written`
    // gets the files written.
    static bool write(Automaton::TotalVolume &volume, const QString &path, QString *error,
                      QStringList *written = nullptr);
};

} // namespace Persistence
} // namespace Model
