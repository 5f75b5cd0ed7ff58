#include "VolumeExport.h"

#include "Model/Automaton/MarchingCubeSurface.h"
#include "Model/Automaton/SlabSplit.h"
#include "Model/Automaton/TotalVolume.h"
#include "Model/Materials/MaterialFactory.h"
#include "Util/Logging.h"
#include "Util/SafeFileWriter.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QtEndian>

#include <cmath>
#include <cstring>
#include <functional>
#include <set>
#include <unordered_map>

namespace Model {
namespace Persistence {

using Automaton::MarchingCubeSurface;
using Automaton::Triangle;

namespace {

// Uncompressed bytes per zlib block of the image data.
constexpr int blockBytes = 1 << 20;

QString suffixOf(const QString &path)
{
    return QFileInfo(path).suffix().toLower();
}

void appendU64(QByteArray &out, quint64 value)
{
    char bytes[8];
    qToLittleEndian(value, bytes);
    out.append(bytes, 8);
}

// The material ids in VTK's cell order (x fastest, then y, then z), in the
// narrowest unsigned type that holds them all.
QByteArray cellData(const Automaton::Voxel *cells, const std::uint32_t n[3], QString &type)
{
    std::uint32_t largest = 0;
    const std::size_t count = std::size_t(n[0]) * n[1] * n[2];
    for (std::size_t i = 0; i < count; ++i)
        largest = std::max(largest, cells[i].material);
    const int width = largest < 256 ? 1 : largest < 65536 ? 2 : 4;
    type = width == 1 ? QStringLiteral("UInt8") : width == 2 ? QStringLiteral("UInt16") : QStringLiteral("UInt32");
    QByteArray data(int(count * std::size_t(width)), Qt::Uninitialized);
    char *out = data.data();
    for (std::uint32_t z = 0; z < n[2]; ++z)
        for (std::uint32_t y = 0; y < n[1]; ++y)
            for (std::uint32_t x = 0; x < n[0]; ++x) {
                const std::uint32_t m = cells[(std::size_t(x) * n[1] + y) * n[2] + z].material;
                if (width == 1)
                    *out = char(m);
                else if (width == 2)
                    qToLittleEndian(quint16(m), out);
                else
                    qToLittleEndian(quint32(m), out);
                out += width;
            }
    return data;
}

// VTK's compressed block layout: block count, block size, size of the last
// block, each block's compressed size, then the zlib streams.
QByteArray compressedBlocks(const QByteArray &raw)
{
    const int blocks = std::max(1, (raw.size() + blockBytes - 1) / blockBytes);
    std::vector<QByteArray> parts(static_cast<std::size_t>(blocks));
    std::vector<Automaton::SlabSplit::Slab> slabs;
    for (int b = 0; b < blocks; ++b)
        slabs.push_back(Automaton::SlabSplit::Slab{std::uint32_t(b), std::uint32_t(b + 1)});
    // One block per task; qCompress puts a 4-byte length before the zlib stream.
    Automaton::SlabSplit::run(slabs, [&](std::size_t b, Automaton::SlabSplit::Slab) {
        const int begin = int(b) * blockBytes;
        const QByteArray zipped = qCompress(reinterpret_cast<const uchar *>(raw.constData()) + begin,
                                            std::min(blockBytes, raw.size() - begin), 1);
        parts[b] = zipped.mid(4);
    });
    QByteArray out;
    appendU64(out, quint64(blocks));
    appendU64(out, quint64(blockBytes));
    const int last = raw.size() - (blocks - 1) * blockBytes;
    appendU64(out, quint64(std::max(0, last)));
    for (const QByteArray &part : parts)
        appendU64(out, quint64(part.size()));
    for (const QByteArray &part : parts)
        out.append(part);
    return out;
}

QString number(double v)
{
    return QString::number(v, 'g', 9);
}

bool writeImageData(Automaton::TotalVolume &volume, const QString &path, QString *error)
{
    const std::uint32_t n[3] = {volume.getSizeX(), volume.getSizeY(), volume.getSizeZ()};
    QString type;
    QByteArray raw;
    {
        Automaton::TotalVolume::CellsLock lock(volume, Automaton::TotalVolume::CellsLock::Read);
        raw = cellData(lock.cells(), n, type);
    }
    const QByteArray appended = compressedBlocks(raw);
    raw.clear();
    const Util::Vector3D p = volume.getPosition();
    const QString extent = QStringLiteral("0 %1 0 %2 0 %3").arg(n[0]).arg(n[1]).arg(n[2]);
    const QString head = QStringLiteral(
        "<?xml version=\"1.0\"?>\n"
        "<VTKFile type=\"ImageData\" version=\"1.0\" byte_order=\"LittleEndian\" header_type=\"UInt64\" "
        "compressor=\"vtkZLibDataCompressor\">\n"
        "  <ImageData WholeExtent=\"%1\" Origin=\"%2 %3 %4\" Spacing=\"%5 %6 %7\">\n"
        "    <Piece Extent=\"%1\">\n"
        "      <CellData Scalars=\"material\">\n"
        "        <DataArray type=\"%8\" Name=\"material\" format=\"appended\" offset=\"0\"/>\n"
        "      </CellData>\n"
        "    </Piece>\n"
        "  </ImageData>\n"
        "  <AppendedData encoding=\"raw\">\n"
        "   _")
        .arg(extent, number(p.x), number(p.y), number(p.z), number(volume.getCellSizeX()),
             number(volume.getCellSizeY()), number(volume.getCellSizeZ()), type);
    const QByteArray tail("\n  </AppendedData>\n</VTKFile>\n");
    const Util::SafeFileWriter::Result result = Util::SafeFileWriter::write(path, [&](QIODevice &device) {
        const QByteArray h = head.toUtf8();
        return device.write(h) == h.size() && device.write(appended) == appended.size()
               && device.write(tail) == tail.size();
    }, QIODevice::NotOpen);
    if (!result && error)
        *error = result.error;
    return bool(result);
}

// The closed surface of every material in the volume, in micrometres (scene
// units): the volume's position plus cell indices times the cell sizes.
std::vector<std::pair<std::uint32_t, std::vector<Triangle>>> solids(Automaton::TotalVolume &volume)
{
    std::vector<std::pair<std::uint32_t, std::vector<Triangle>>> out;
    Automaton::TotalVolume::CellsLock lock(volume, Automaton::TotalVolume::CellsLock::Read);
    const MarchingCubeSurface::Grid grid{
        lock.cells(),
        {volume.getSizeX(), volume.getSizeY(), volume.getSizeZ()},
        {volume.getCellSizeX(), volume.getCellSizeY(), volume.getCellSizeZ()},
        volume.getPosition()};
    std::set<std::uint32_t> materials;
    for (std::size_t i = 0; i < volume.getCellCount(); ++i) {
        if (lock.cells()[i].material != 0)
            materials.insert(lock.cells()[i].material);
    }
    for (const std::uint32_t m : materials)
        out.emplace_back(m, MarchingCubeSurface::buildSolid(grid, m, Automaton::SlabSplit::poolThreadCount()));
    return out;
}

void faceNormal(const Triangle &t, float out[3])
{
    const float *a = t.vertices[0].position;
    const float *b = t.vertices[1].position;
    const float *c = t.vertices[2].position;
    const double u[3] = {double(b[0]) - a[0], double(b[1]) - a[1], double(b[2]) - a[2]};
    const double v[3] = {double(c[0]) - a[0], double(c[1]) - a[1], double(c[2]) - a[2]};
    const double n[3] = {u[1] * v[2] - u[2] * v[1], u[2] * v[0] - u[0] * v[2], u[0] * v[1] - u[1] * v[0]};
    const double l = std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
    for (int k = 0; k < 3; ++k)
        out[k] = l > 0 ? float(n[k] / l) : 0.0f;
}

QByteArray binaryStl(const std::vector<Triangle> &triangles, std::uint32_t material)
{
    QByteArray out(80, ' ');
    // Readers assume no unit; the header says which one the coordinates are in.
    const QByteArray title =
        QStringLiteral("Kestrum surface, units: micrometres (um), material %1").arg(material).toLatin1();
    std::memcpy(out.data(), title.constData(), std::size_t(std::min(80, title.size())));
    char count[4];
    qToLittleEndian(quint32(triangles.size()), count);
    out.append(count, 4);
    out.reserve(out.size() + int(triangles.size()) * 50);
    for (const Triangle &t : triangles) {
        float values[12];
        faceNormal(t, values);
        for (int v = 0; v < 3; ++v)
            std::copy(t.vertices[v].position, t.vertices[v].position + 3, values + 3 + v * 3);
        char record[50] = {};
        for (int k = 0; k < 12; ++k)
            qToLittleEndian(values[k], record + 4 * k);
        out.append(record, 50);
    }
    return out;
}

bool writeStl(Automaton::TotalVolume &volume, const QString &path, QString *error, QStringList *written)
{
    const auto surfaces = solids(volume);
    if (surfaces.empty()) {
        if (error)
            *error = QStringLiteral("The volume holds no material, so there is no surface to export.");
        return false;
    }
    const QFileInfo info(path);
    for (const auto &solid : surfaces) {
        const QString file = surfaces.size() == 1
            ? path
            : info.dir().filePath(QStringLiteral("%1_%2.%3").arg(info.completeBaseName()).arg(solid.first).arg(info.suffix()));
        const QByteArray bytes = binaryStl(solid.second, solid.first);
        const Util::SafeFileWriter::Result result = Util::SafeFileWriter::write(file, [&](QIODevice &device) {
            return device.write(bytes) == bytes.size();
        }, QIODevice::NotOpen);
        if (!result) {
            if (error)
                *error = QStringLiteral("%1: %2").arg(file, result.error);
            return false;
        }
        if (written)
            written->append(file);
    }
    return true;
}

bool writeObj(Automaton::TotalVolume &volume, const QString &path, QString *error)
{
    const auto surfaces = solids(volume);
    if (surfaces.empty()) {
        if (error)
            *error = QStringLiteral("The volume holds no material, so there is no surface to export.");
        return false;
    }
    const auto catalogue = Materials::MaterialFactory::getInstance();
    QByteArray text("# Kestrum surfaces, one object per material, units: micrometres (um)\n");
    std::size_t base = 1;
    for (const auto &solid : surfaces) {
        QString name = catalogue->getMaterial(solid.first).getName();
        name.replace(QRegularExpression(QStringLiteral("\\s+")), QStringLiteral("_"));
        text += QStringLiteral("o material_%1_%2\n").arg(solid.first).arg(name).toUtf8();
        struct Key
        {
            float p[3];
            bool operator==(const Key &o) const { return std::memcmp(p, o.p, sizeof p) == 0; }
        };
        struct Hash
        {
            std::size_t operator()(const Key &k) const
            {
                std::uint32_t b[3];
                std::memcpy(b, k.p, sizeof b);
                return (std::size_t(b[0]) * 73856093u) ^ (std::size_t(b[1]) * 19349663u) ^ (std::size_t(b[2]) * 83492791u);
            }
        };
        std::unordered_map<Key, std::size_t, Hash> index;
        QByteArray faces;
        for (const Triangle &t : solid.second) {
            std::size_t ids[3];
            for (int v = 0; v < 3; ++v) {
                const Key key{{t.vertices[v].position[0], t.vertices[v].position[1], t.vertices[v].position[2]}};
                const auto found = index.find(key);
                if (found != index.end()) {
                    ids[v] = found->second;
                    continue;
                }
                ids[v] = base + index.size();
                index.emplace(key, ids[v]);
                text += "v " + QByteArray::number(double(key.p[0]), 'g', 9) + ' '
                        + QByteArray::number(double(key.p[1]), 'g', 9) + ' '
                        + QByteArray::number(double(key.p[2]), 'g', 9) + '\n';
            }
            faces += "f " + QByteArray::number(qulonglong(ids[0])) + ' ' + QByteArray::number(qulonglong(ids[1])) + ' '
                     + QByteArray::number(qulonglong(ids[2])) + '\n';
        }
        base += index.size();
        text += faces;
    }
    const Util::SafeFileWriter::Result result = Util::SafeFileWriter::write(path, [&](QIODevice &device) {
        return device.write(text) == text.size();
    }, QIODevice::NotOpen);
    if (!result && error)
        *error = result.error;
    return bool(result);
}

} // namespace

QStringList VolumeExport::filters()
{
    return {QStringLiteral("VTK image data (*.vti)"), QStringLiteral("STL surfaces (*.stl)"),
            QStringLiteral("Wavefront OBJ surfaces (*.obj)")};
}

bool VolumeExport::isSupported(const QString &path)
{
    const QString suffix = suffixOf(path);
    return suffix == QLatin1String("vti") || suffix == QLatin1String("stl") || suffix == QLatin1String("obj");
}

bool VolumeExport::write(Automaton::TotalVolume &volume, const QString &path, QString *error, QStringList *written)
{
    QElapsedTimer timer;
    timer.start();
    const QString suffix = suffixOf(path);
    bool ok = false;
    if (suffix == QLatin1String("vti")) {
        ok = writeImageData(volume, path, error);
        if (ok && written)
            written->append(path);
    } else if (suffix == QLatin1String("stl")) {
        ok = writeStl(volume, path, error, written);
    } else if (suffix == QLatin1String("obj")) {
        ok = writeObj(volume, path, error);
        if (ok && written)
            written->append(path);
    } else if (error) {
        *error = QStringLiteral("Unknown export format \"%1\": the file name must end in .vti, .stl or .obj.")
                     .arg(QFileInfo(path).suffix());
    }
    qCDebug(lcPersistence) << "Export to" << path << (ok ? "done" : "failed") << "; Elapsed time" << timer.elapsed() << "ms";
    return ok;
}

} // namespace Persistence
} // namespace Model
