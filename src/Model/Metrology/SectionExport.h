#pragma once

#include "SectionPicture.h"

#include <QByteArray>
#include <QString>

namespace Model {
namespace Metrology {

struct Section;

// Saves a section: a picture (PNG, or SVG with the cells as rectangles) or
// its grid of material ids as CSV. Files are written whole or not at all.
class SectionExport
{
public:
    // The format follows the suffix, .png or .svg; anything else is refused
    // with the reason in `error`, as is a file that cannot be written.
    static bool writePicture(const Section &section, const QString &path, SectionPicture::Options options,
                             QString *error);
    static bool writeCsv(const Section &section, const QString &path, QString *error);
    // The grid as CSV: a header naming the axes, a row of the cell-centre u
    // coordinates in µm, then one row per cell row from the top down, the
    // row's v centre first and its ids after it.
    static QByteArray csv(const Section &section);
    // Whether `path` ends in a suffix writePicture() knows.
    static bool isPictureName(const QString &path);
};

} // namespace Metrology
} // namespace Model
