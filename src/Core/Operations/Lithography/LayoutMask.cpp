#include "Core/Operations/Lithography/LayoutMask.h"

#include "Core/Operations/Lithography/GdsRecordValidator.h"

#include "Util/Logging.h"

#include <QFile>
#include <QFileInfo>
#include <QMutex>

#include <libGDSII.h>

#include <algorithm>
#include <cmath>
#include <exception>
#include <memory>

namespace Core {
namespace Operations {

namespace {

// Cells needed to cover [0, extent]; a hair of tolerance so that an edge on a
// cell boundary does not add a column of its own.
std::uint32_t cellsToCover(double extent, double cellSize)
{
    const double cells = std::ceil(extent / cellSize - 1e-9);
    return cells <= 0 ? 0u : cells >= double(LayoutMask::maximumSide) + 1 ? LayoutMask::maximumSide + 1 : std::uint32_t(cells);
}

bool fitsRaster(std::uint32_t width, std::uint32_t height)
{
    return width <= LayoutMask::maximumSide && height <= LayoutMask::maximumSide &&
           std::size_t(width) * height <= LayoutMask::maximumCells;
}

QString tooLarge(const QString &fileName, double cellSize)
{
    return QStringLiteral("The layout %1 is too large for a cell size of %2: a mask may have at most %3 cells per "
                          "side and %4 in all; choose a larger cell size.")
        .arg(fileName)
        .arg(cellSize)
        .arg(LayoutMask::maximumSide)
        .arg(qulonglong(LayoutMask::maximumCells));
}

// First column whose centre (i + 0.5) s is at or beyond x.
long firstCentreAtOrAfter(double x, double cellSize)
{
    return long(std::ceil(x / cellSize - 0.5));
}

// The unit of the coordinates the library returns, in metres: one micron
// unless LIBGDSII_LENGTH_UNIT says otherwise.
double libraryLengthUnit()
{
    bool ok = false;
    const double unit = qEnvironmentVariable("LIBGDSII_LENGTH_UNIT").toDouble(&ok);
    return ok && unit > 0 && std::isfinite(unit) ? unit : 1e-6;
}

// The list outlives the program's static destructors on purpose, so the
// refused objects stay reachable to the end.
void keepRefused(libGDSII::GDSIIData *data)
{
    static QMutex mutex;
    static auto *refused = new std::vector<libGDSII::GDSIIData *>;
    QMutexLocker locker(&mutex);
    refused->push_back(data);
}

} // namespace

bool LayoutMask::isLayoutFile(const QString &fileName)
{
    return QFileInfo(fileName).suffix().compare(QLatin1String("gds"), Qt::CaseInsensitive) == 0;
}

LithographyMask LayoutMask::rasterise(const std::vector<Polygon> &polygons, double cellSize, std::uint32_t width,
                                      std::uint32_t height)
{
    LithographyMask mask;
    mask.width = width;
    mask.height = height;
    mask.bits = Util::BitVector(std::size_t(width) * height);
    std::vector<double> crossings;
    for (const Polygon &polygon : polygons) {
        const std::size_t n = polygon.size() / 2;
        if (n < 3)
            continue;
        double yMin = polygon[1], yMax = polygon[1];
        for (std::size_t k = 1; k < n; ++k) {
            yMin = std::min(yMin, polygon[2 * k + 1]);
            yMax = std::max(yMax, polygon[2 * k + 1]);
        }
        const long jBegin = std::max(0L, firstCentreAtOrAfter(yMin, cellSize));
        const long jEnd = std::min(long(height), firstCentreAtOrAfter(yMax, cellSize) + 1);
        for (long j = jBegin; j < jEnd; ++j) {
            // The row's centre line crosses an edge when exactly one end lies
            // at or below it; pairs of crossings bound the inside.
            const double yc = (double(j) + 0.5) * cellSize;
            crossings.clear();
            for (std::size_t k = 0; k < n; ++k) {
                const double x0 = polygon[2 * k], y0 = polygon[2 * k + 1];
                const double x1 = polygon[2 * ((k + 1) % n)], y1 = polygon[2 * ((k + 1) % n) + 1];
                if ((y0 <= yc) != (y1 <= yc))
                    crossings.push_back(x0 + (yc - y0) * (x1 - x0) / (y1 - y0));
            }
            std::sort(crossings.begin(), crossings.end());
            for (std::size_t c = 0; c + 1 < crossings.size(); c += 2) {
                const long iBegin = std::max(0L, firstCentreAtOrAfter(crossings[c], cellSize));
                const long iEnd = std::min(long(width), firstCentreAtOrAfter(crossings[c + 1], cellSize));
                for (long i = iBegin; i < iEnd; ++i)
                    mask.bits.set(std::size_t(i) * height + std::size_t(j));
            }
        }
    }
    return mask;
}

bool LayoutMask::load(const QString &fileName, int layer, double cellSize, LithographyMask &mask, QString &error)
{
    if (!(cellSize > 0) || !std::isfinite(cellSize)) {
        error = QStringLiteral("The cell size must be greater than zero.");
        return false;
    }
    QFile file(fileName);
    if (!QFileInfo(fileName).isFile() || !file.open(QIODevice::ReadOnly)) {
        error = QStringLiteral("The layout file %1 cannot be opened.").arg(fileName);
        return false;
    }

    // The GDSII library trusts its input; the stream is checked first, and
    // its flattened size bounded, before the library reads anything.
    GdsRecordValidator::Summary summary;
    QString fault;
    if (file.size() > GdsRecordValidator::maximumFileBytes) {
        fault = QStringLiteral("the file is larger than %1 MB").arg(GdsRecordValidator::maximumFileBytes >> 20);
    } else {
        const QByteArray bytes = file.readAll();
        file.close();
        GdsRecordValidator::check(bytes, summary, fault);
    }
    if (!fault.isEmpty()) {
        error = QStringLiteral("%1 is not a readable GDSII layout (%2).").arg(fileName, fault);
        qCDebug(lcProcess) << "Layout refused before reading:" << fileName << fault;
        return false;
    }
    if (summary.extentKnown && !fitsRaster(cellsToCover(summary.extentX, cellSize), cellsToCover(summary.extentY, cellSize))) {
        error = tooLarge(fileName, cellSize);
        return false;
    }

    // The library reports a bad file through ErrMsg, but its destructor then
    // frees members the failed read never set; such an object is kept, never
    // destroyed (a few hundred bytes per refused file). It throws on some
    // damaged files.
    std::unique_ptr<libGDSII::GDSIIData> data;
    QString reason;
    try {
        auto *parsed = new libGDSII::GDSIIData(QFile::encodeName(fileName).toStdString());
        if (parsed->ErrMsg) {
            reason = QString::fromStdString(*parsed->ErrMsg);
            keepRefused(parsed);
        } else {
            data.reset(parsed);
        }
    } catch (const std::exception &e) {
        reason = QString::fromLocal8Bit(e.what());
    }
    if (!data) {
        error = QStringLiteral("%1 is not a readable GDSII layout (%2).").arg(fileName, reason);
        qCDebug(lcProcess) << "Layout refused:" << fileName << reason;
        return false;
    }

    // The library hands out coordinates in its own length unit; the user
    // works in the layout's user unit (UnitInMeters).
    const double scale = data->UnitInMeters > 0 ? libraryLengthUnit() / data->UnitInMeters : 0;
    if (!(scale > 0) || !std::isfinite(scale)) {
        error = QStringLiteral("%1 has no usable length unit.").arg(fileName);
        return false;
    }

    std::vector<Polygon> polygons;
    int chosen = layer;
    double extentX = 0, extentY = 0;
    for (int l : data->GetLayers()) {
        for (const dVec &xy : data->GetPolygons(l)) {
            Polygon polygon(xy.size());
            for (std::size_t k = 0; k < xy.size(); ++k)
                polygon[k] = xy[k] * scale;
            for (std::size_t k = 0; k + 1 < polygon.size(); k += 2) {
                extentX = std::max(extentX, polygon[k]);
                extentY = std::max(extentY, polygon[k + 1]);
            }
            if (polygon.size() >= 6 && (l == layer || (layer < 0 && (polygons.empty() || l <= chosen)))) {
                if (l != chosen)
                    polygons.clear();
                chosen = l;
                polygons.push_back(std::move(polygon));
            }
        }
    }
    if (polygons.empty()) {
        QStringList layers;
        for (int l : data->GetLayers())
            layers << QString::number(l);
        error = QStringLiteral("%1 has no polygons on %2 (layers with shapes: %3).")
                    .arg(fileName)
                    .arg(layer < 0 ? QStringLiteral("any layer") : QStringLiteral("layer %1").arg(layer))
                    .arg(layers.isEmpty() ? QStringLiteral("none") : layers.join(QStringLiteral(", ")));
        return false;
    }
    const std::uint32_t width = cellsToCover(extentX, cellSize);
    const std::uint32_t height = cellsToCover(extentY, cellSize);
    if (width == 0 || height == 0) {
        error = QStringLiteral("%1 has nothing at positive coordinates; the layout origin is the volume's "
                               "lower-left corner.").arg(fileName);
        return false;
    }
    if (!fitsRaster(width, height)) {
        error = tooLarge(fileName, cellSize);
        return false;
    }
    LithographyMask raster = rasterise(polygons, cellSize, width, height);
    raster.fileName = fileName;
    mask = std::move(raster);
    return true;
}

} // namespace Operations
} // namespace Core
