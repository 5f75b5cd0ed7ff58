#pragma once

#include "Core/Operations/Lithography/LithographyMask.h"

class QImage;
class QString;

namespace Core {
namespace Operations {

// Masks drawn as images: a pixel that is exactly black or exactly red (alpha
// ignored) is opaque, every other colour transparent. Pixel column c lies
// along +x and the image's bottom row at y = 0, one pixel per cell column.
class MaskImage
{
public:
    static LithographyMask fromImage(const QImage &image);
    // Loads any image format Qt reads (PNG, JPEG, BMP, ...). False, with the
    // mask untouched, when the file cannot be read as an image.
    static bool load(const QString &fileName, LithographyMask &mask);
};

} // namespace Operations
} // namespace Core
