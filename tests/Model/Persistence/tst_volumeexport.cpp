#include "Model/Automaton/MarchingCubeSurface.h"
#include "Model/Automaton/TotalVolume.h"
#include "Model/Persistence/VolumeExport.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QtTest>

#include <map>

using Model::Automaton::MarchingCubeSurface;
using Model::Automaton::TotalVolume;
using Model::Persistence::VolumeExport;

namespace {

// A silicon base with two posts, an oxide cap on one post and a cavity in
// the base; ids above 255 need wider cell data.
std::shared_ptr<TotalVolume> structure(std::uint32_t cap, const Util::Vector3D &at, const Util::Vector3D &cell)
{
    const std::uint32_t nx = 14, ny = 10, nz = 9;
    std::vector<std::uint32_t> ids(std::size_t(nx) * ny * nz, 0);
    for (std::uint32_t x = 0; x < nx; ++x)
        for (std::uint32_t y = 0; y < ny; ++y)
            for (std::uint32_t z = 0; z < nz; ++z) {
                std::uint32_t m = 0;
                if (z < 3 && !(x >= 5 && x < 8 && y >= 4 && y < 6 && z == 1))
                    m = 1;
                const bool post = y >= 3 && y < 7 && ((x >= 2 && x < 5) || (x >= 9 && x < 12));
                if (post && z >= 3 && z < 7)
                    m = 1;
                if (post && x >= 9 && z >= 7)
                    m = cap;
                ids[(std::size_t(x) * ny + y) * nz + z] = m;
            }
    return std::make_shared<TotalVolume>(nx, ny, nz, float(cell.x), float(cell.y), float(cell.z), at, ids);
}

QJsonArray vector3(double x, double y, double z)
{
    return QJsonArray{x, y, z};
}

} // namespace

class TestVolumeExport : public QObject
{
    Q_OBJECT

private slots:
    void writesEveryFormat_data();
    void writesEveryFormat();
    void refusals_data();
    void refusals();
    void writeManifest();

private:
    QJsonArray manifest;
};

// Writes the files the reader check (check_export.py) opens, and notes in a
// manifest what each must hold.
void TestVolumeExport::writesEveryFormat_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("cap");
    QTest::addColumn<Util::Vector3D>("cell");
    const Util::Vector3D half(0.5, 0.5, 0.5);
    QTest::newRow("one byte ids") << QStringLiteral("oxide") << 3 << half;
    QTest::newRow("two byte ids") << QStringLiteral("wide") << 300 << half;
    QTest::newRow("one material") << QStringLiteral("silicon") << 1 << half;
    // Lengths stay micrometres with a cell size of its own per axis; the
    // silicon fills the whole volume's extent.
    QTest::newRow("cells 0.5 x 2 x 3 um") << QStringLiteral("cells") << 1 << Util::Vector3D(0.5, 2, 3);
}

void TestVolumeExport::writesEveryFormat()
{
    QFETCH(QString, name);
    QFETCH(int, cap);
    QFETCH(Util::Vector3D, cell);
    const Util::Vector3D at(-3.5, 2.0, 10.0);
    auto volume = structure(std::uint32_t(cap), at, cell);
    std::map<std::uint32_t, int> histogram;
    for (const std::uint32_t m : volume->materialIds())
        ++histogram[m];

    QStringList vti;
    QString error;
    QVERIFY2(VolumeExport::write(*volume, name + QStringLiteral(".vti"), &error, &vti), qPrintable(error));
    QCOMPARE(vti, QStringList{name + QStringLiteral(".vti")});
    QVERIFY(QFileInfo(vti[0]).size() < 4000);

    QStringList stl;
    QVERIFY2(VolumeExport::write(*volume, name + QStringLiteral(".stl"), &error, &stl), qPrintable(error));
    QCOMPARE(stl.size(), int(histogram.size()) - 1);
    QVERIFY2(VolumeExport::write(*volume, name + QStringLiteral(".OBJ"), &error), qPrintable(error));

    QJsonObject entry;
    entry[QStringLiteral("vti")] = vti[0];
    entry[QStringLiteral("obj")] = QString(name + QStringLiteral(".OBJ"));
    entry[QStringLiteral("size")] = vector3(volume->getSizeX(), volume->getSizeY(), volume->getSizeZ());
    entry[QStringLiteral("origin")] = vector3(at.x, at.y, at.z);
    entry[QStringLiteral("spacing")] = vector3(cell.x, cell.y, cell.z);
    QJsonObject counts;
    for (const auto &item : histogram)
        counts[QString::number(item.first)] = item.second;
    entry[QStringLiteral("materials")] = counts;

    // What each solid must hold: the marching-cubes surface of its material,
    // bounded by the micrometre box of its cells.
    const std::vector<std::uint32_t> ids = volume->materialIds();
    std::vector<Model::Automaton::Voxel> cells(ids.size());
    for (std::size_t i = 0; i < ids.size(); ++i)
        cells[i].material = ids[i];
    const std::uint32_t n[3] = {volume->getSizeX(), volume->getSizeY(), volume->getSizeZ()};
    const float size[3] = {float(cell.x), float(cell.y), float(cell.z)};
    const MarchingCubeSurface::Grid grid{cells.data(), {n[0], n[1], n[2]}, {size[0], size[1], size[2]}, at};
    const double corner[3] = {at.x, at.y, at.z};
    QJsonArray solids;
    int total = 0;
    int file = 0;
    for (const auto &item : histogram) {
        if (item.first == 0)
            continue;
        const std::vector<Model::Automaton::Triangle> solid = MarchingCubeSurface::buildSolid(grid, item.first, 2);
        std::uint32_t first[3] = {n[0], n[1], n[2]}, last[3] = {0, 0, 0};
        for (std::uint32_t x = 0; x < n[0]; ++x)
            for (std::uint32_t y = 0; y < n[1]; ++y)
                for (std::uint32_t z = 0; z < n[2]; ++z) {
                    if (ids[(std::size_t(x) * n[1] + y) * n[2] + z] != item.first)
                        continue;
                    const std::uint32_t c[3] = {x, y, z};
                    for (int a = 0; a < 3; ++a) {
                        first[a] = std::min(first[a], c[a]);
                        last[a] = std::max(last[a], c[a] + 1);
                    }
                }
        double lo[3], hi[3];
        for (int a = 0; a < 3; ++a) {
            lo[a] = corner[a] + first[a] * double(size[a]);
            hi[a] = corner[a] + last[a] * double(size[a]);
        }
        QFile bytes(stl[file]);
        QVERIFY(bytes.open(QIODevice::ReadOnly));
        QCOMPARE(bytes.size(), qint64(84 + 50 * solid.size()));
        const QByteArray header = bytes.read(80);
        QCOMPARE(QString::fromLatin1(header).trimmed(),
                 QStringLiteral("Kestrum surface, units: micrometres (um), material %1").arg(item.first));
        QJsonObject s;
        s[QStringLiteral("stl")] = stl[file++];
        s[QStringLiteral("material")] = int(item.first);
        s[QStringLiteral("triangles")] = int(solid.size());
        s[QStringLiteral("bounds")] = QJsonArray{lo[0], hi[0], lo[1], hi[1], lo[2], hi[2]};
        solids.append(s);
        total += int(solid.size());
    }
    entry[QStringLiteral("solids")] = solids;
    entry[QStringLiteral("triangles")] = total;
    manifest.append(entry);
}

void TestVolumeExport::refusals_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<bool>("empty");
    QTest::addColumn<QString>("reason");
    QTest::newRow("unknown format") << QStringLiteral("part.vtk") << false << QStringLiteral("must end in .vti, .stl or .obj");
    QTest::newRow("no folder") << QStringLiteral("missing/folder/part.vti") << false << QString();
    QTest::newRow("empty volume, no surface") << QStringLiteral("empty.stl") << true << QStringLiteral("no surface");
}

void TestVolumeExport::refusals()
{
    QFETCH(QString, path);
    QFETCH(bool, empty);
    QFETCH(QString, reason);
    auto volume = empty ? std::make_shared<TotalVolume>(4, 4, 4, 1.f, 1.f, 1.f, Util::Vector3D(), std::vector<std::uint32_t>())
                        : structure(3, Util::Vector3D(), Util::Vector3D(1, 1, 1));
    QString error;
    QStringList written;
    QVERIFY(!VolumeExport::write(*volume, path, &error, &written));
    QVERIFY(!error.isEmpty());
    QVERIFY2(error.contains(reason), qPrintable(error));
    QVERIFY(written.isEmpty());
    QVERIFY(!QFile::exists(path));
}

void TestVolumeExport::writeManifest()
{
    QFile file(QStringLiteral("export-manifest.json"));
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QVERIFY(file.write(QJsonDocument(manifest).toJson()) > 0);
}

QTEST_GUILESS_MAIN(TestVolumeExport)
#include "tst_volumeexport.moc"
