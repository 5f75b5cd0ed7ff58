#pragma once

#include "Core/Operations/Lithography/LithographyMask.h"

#include <cstddef>

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
    // Images are decoded as 32-bit pixels, twice over while converting, so
    // their size is checked from the file's header before decoding: at most
    // this many pixels per side and in all (a 8192 x 8192 image).
    static constexpr int maximumSide = 65536;
    static constexpr std::size_t maximumPixels = std::size_t(1) << 26;

    static LithographyMask fromImage(const QImage &image);
    // Loads any image format Qt reads (PNG, JPEG, BMP, ...). False, with the
    // mask untouched and a sentence for the user in `error`, when the file
    // cannot be read as an image, does not state its size or exceeds the
    // limits above.
    static bool load(const QString &fileName, LithographyMask &mask, QString &error);
};

} // namespace Operations
} // namespace Core
