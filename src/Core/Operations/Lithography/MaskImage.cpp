#include "Core/Operations/Lithography/MaskImage.h"

#include <QImage>
#include <QImageReader>

namespace Core {
namespace Operations {

LithographyMask MaskImage::fromImage(const QImage &image)
{
    LithographyMask mask;
    if (image.isNull())
        return mask;
    // Non-premultiplied, so a transparent red pixel keeps its colour.
    const QImage argb = image.convertToFormat(QImage::Format_ARGB32);
    mask.width = std::uint32_t(argb.width());
    mask.height = std::uint32_t(argb.height());
    mask.bits = Util::BitVector(std::size_t(mask.width) * mask.height);
    for (std::uint32_t row = 0; row < mask.height; ++row) {
        const auto *pixels = reinterpret_cast<const QRgb *>(argb.constScanLine(int(row)));
        const std::uint32_t j = mask.height - 1 - row;
        for (std::uint32_t col = 0; col < mask.width; ++col) {
            const QRgb rgb = pixels[col] & 0x00FFFFFFu;
            if (rgb == 0x000000u || rgb == 0xFF0000u)
                mask.bits.set(std::size_t(col) * mask.height + j);
        }
    }
    return mask;
}

bool MaskImage::load(const QString &fileName, LithographyMask &mask)
{
    QImageReader reader(fileName);
    const QImage image = reader.read();
    if (image.isNull())
        return false;
    mask = fromImage(image);
    mask.fileName = fileName;
    return true;
}

} // namespace Operations
} // namespace Core
