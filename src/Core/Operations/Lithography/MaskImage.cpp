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

bool MaskImage::load(const QString &fileName, LithographyMask &mask, QString &error)
{
    QImageReader reader(fileName);
    if (!reader.canRead()) {
        error = QStringLiteral("%1 is not a readable image (%2).").arg(fileName, reader.errorString());
        return false;
    }
    const QSize size = reader.size();
    if (!size.isValid() || size.isEmpty()) {
        error = QStringLiteral("%1 does not state its size in pixels; save the mask as PNG or BMP.").arg(fileName);
        return false;
    }
    if (size.width() > maximumSide || size.height() > maximumSide ||
        std::size_t(size.width()) * std::size_t(size.height()) > maximumPixels) {
        error = QStringLiteral("%1 is %2 x %3 pixels; a mask image may have at most %4 pixels per side and %5 in "
                               "all.")
                    .arg(fileName)
                    .arg(size.width())
                    .arg(size.height())
                    .arg(maximumSide)
                    .arg(qulonglong(maximumPixels));
        return false;
    }
    const QImage image = reader.read();
    if (image.isNull()) {
        error = QStringLiteral("%1 cannot be decoded (%2).").arg(fileName, reader.errorString());
        return false;
    }
    LithographyMask decoded = fromImage(image);
    if (decoded.isEmpty()) {
        error = QStringLiteral("%1 could not be converted to a mask (out of memory?).").arg(fileName);
        return false;
    }
    decoded.fileName = fileName;
    mask = std::move(decoded);
    return true;
}

} // namespace Operations
} // namespace Core
