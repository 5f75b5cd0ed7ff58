#include "Core/Operations/Lithography/MaskPlacement.h"

#include <array>

namespace Core {
namespace Operations {

namespace {

const std::array<const char *, 4> placementNames = {"corner", "centre", "scale", "repeat"};

// Column x of the volume shows mask column `source(x)`, or none when the
// result is outside [0, size).
template <class Source>
LithographyMask build(const LithographyMask &mask, std::uint32_t nx, std::uint32_t ny, Source source)
{
    LithographyMask result;
    result.width = nx;
    result.height = ny;
    result.fileName = mask.fileName;
    result.bits = Util::BitVector(std::size_t(nx) * ny);
    for (std::uint32_t x = 0; x < nx; ++x) {
        const std::int64_t i = source(x, nx, mask.width);
        if (i < 0 || i >= std::int64_t(mask.width))
            continue;
        for (std::uint32_t y = 0; y < ny; ++y) {
            const std::int64_t j = source(y, ny, mask.height);
            if (j >= 0 && j < std::int64_t(mask.height) && mask.isOpaque(std::uint32_t(i), std::uint32_t(j)))
                result.bits.set(std::size_t(x) * ny + y);
        }
    }
    return result;
}

} // namespace

QString MaskPlacing::name(MaskPlacement placement)
{
    return QLatin1String(placementNames[std::size_t(placement)]);
}

std::optional<MaskPlacement> MaskPlacing::fromName(const QString &text)
{
    const QString wanted = text.trimmed();
    for (std::size_t k = 0; k < placementNames.size(); ++k) {
        if (wanted.compare(QLatin1String(placementNames[k]), Qt::CaseInsensitive) == 0)
            return MaskPlacement(k);
    }
    return std::nullopt;
}

QStringList MaskPlacing::names()
{
    QStringList all;
    for (const char *n : placementNames)
        all << QLatin1String(n);
    return all;
}

LithographyMask MaskPlacing::placed(const LithographyMask &mask, std::uint32_t nx, std::uint32_t ny,
                                    MaskPlacement placement)
{
    if (placement == MaskPlacement::Corner || mask.isEmpty() || !mask.isConsistent() || nx == 0 || ny == 0
        || (mask.width == nx && mask.height == ny))
        return mask;
    switch (placement) {
    case MaskPlacement::Centre:
        // The shorter side is centred in the longer, an odd cell left over
        // going to the far side: a 2-cell mask on 5 columns covers 1 and 2.
        return build(mask, nx, ny, [](std::uint32_t v, std::uint32_t n, std::uint32_t m) {
            return m <= n ? std::int64_t(v) - std::int64_t((n - m) / 2) : std::int64_t(v) + std::int64_t((m - n) / 2);
        });
    case MaskPlacement::Scale:
        // Each column takes the mask cell under its centre: (v + 1/2) m / n.
        return build(mask, nx, ny, [](std::uint32_t v, std::uint32_t n, std::uint32_t m) {
            return std::int64_t((2 * std::uint64_t(v) + 1) * m / (2 * std::uint64_t(n)));
        });
    case MaskPlacement::Repeat:
        return build(mask, nx, ny, [](std::uint32_t v, std::uint32_t, std::uint32_t m) { return std::int64_t(v % m); });
    case MaskPlacement::Corner:
        break;
    }
    return mask;
}

} // namespace Operations
} // namespace Core
