#pragma once

#include "Core/Operations/Lithography/LithographyMask.h"

#include <QString>

#include <optional>

namespace Core {
namespace Operations {

// Loads the mask a file names, whichever way it is drawn: a GDSII layout
// (*.gds) through LayoutMask, any other file as an image through MaskImage.
// The photolithography dialog, recipe steps and the Python module all load
// masks here, so a file gives the same mask everywhere.
class MaskFile
{
public:
    // For a layout: `layer` is the layer to rasterise (the lowest layer with
    // polygons when absent) and `cellSize` the size of one mask cell in
    // layout user units (`defaultCellSize` when absent). A volume passes its
    // cell size in µm as the default, the layout's user unit being taken as
    // 1 µm. Images ignore both: one pixel is one cell. False, with the mask
    // untouched and a sentence for the user in `error`, when the file does
    // not give a mask.
    static bool load(const QString &fileName, std::optional<int> layer, std::optional<double> cellSize,
                     double defaultCellSize, LithographyMask &mask, QString &error);
};

} // namespace Operations
} // namespace Core
