#include "Core/ProcessRuns.h"
#include "MaskFiles.h"
#include "Model/TempHome.h"

#include "Core/BatchRun/BatchRunner.h"
#include "Core/BatchRun/ProcessData.h"
#include "Core/BatchRun/ProcessListArchiver.h"
#include "Core/Operations/Lithography/MaskImage.h"
#include "Core/Operations/Lithography/MaskPlacement.h"
#include "Core/Operations/Lithography/Photolithography.h"
#include "Core/Operations/Lithography/PhotolithographyOperation.h"
#include "Core/ProcessTable.h"

#include <QImage>
#include <QRandomGenerator>
#include <QtTest>

using Core::Operations::LithographyMask;
using Core::Operations::MaskPlacement;
using Core::Operations::MaskPlacing;
using Core::Operations::Photolithography;
using Model::Automaton::TotalVolume;

namespace {

constexpr std::uint32_t positive = 11, negative = 12, oxide = 3, silicon = 1;

// Columns as text, z upwards: '.' empty, 'R' the film, 'O' oxide, 'S'
// silicon; column k is (x, y) = (k / 2, k % 2).
std::shared_ptr<TotalVolume> volumeOf(const QStringList &columns, std::uint32_t film)
{
    std::vector<std::uint32_t> ids;
    for (const QString &column : columns)
        for (QChar c : column)
            ids.push_back(c == 'R' ? film : c == 'O' ? oxide : c == 'S' ? silicon : 0u);
    return std::make_shared<TotalVolume>(std::uint32_t(columns.size()) / 2, 2, std::uint32_t(columns[0].size()), 1.f,
                                         1.f, 1.f, Util::Vector3D(), ids);
}

QStringList columnsOf(TotalVolume &volume, std::uint32_t film)
{
    QStringList columns;
    const auto ids = volume.materialIds();
    for (std::size_t k = 0; k < ids.size(); ++k) {
        if (k % volume.getSizeZ() == 0)
            columns << QString();
        columns.last() += ids[k] == film ? 'R' : ids[k] == oxide ? 'O' : ids[k] == silicon ? 'S' : '.';
    }
    return columns;
}

// "WxH" then opaque cells "i,j" or "all"; "short" drops the last bit so the
// count no longer matches the size; "" is no mask.
LithographyMask maskOf(const QString &text)
{
    LithographyMask mask;
    if (text.isEmpty())
        return mask;
    const QStringList parts = text.split(' ');
    mask.width = parts[0].section('x', 0, 0).toUInt();
    mask.height = parts[0].section('x', 1, 1).toUInt();
    mask.bits = Util::BitVector(std::size_t(mask.width) * mask.height - parts.contains("short"), parts.contains("all"));
    for (const QString &cell : parts.mid(1).filter(","))
        mask.bits.set(cell.section(',', 0, 0).toUInt() * mask.height + cell.section(',', 1, 1).toUInt());
    return mask;
}

// A mask drawn as its image: the first text is the top row (y = H - 1),
// '#' opaque.
LithographyMask maskOfPicture(const QStringList &rows)
{
    LithographyMask mask;
    mask.height = std::uint32_t(rows.size());
    mask.width = rows.isEmpty() ? 0 : std::uint32_t(rows[0].size());
    mask.bits = Util::BitVector(std::size_t(mask.width) * mask.height);
    for (std::uint32_t j = 0; j < mask.height; ++j)
        for (std::uint32_t i = 0; i < mask.width; ++i)
            mask.bits.set(std::size_t(i) * mask.height + j, rows[int(mask.height - 1 - j)][int(i)] == '#');
    return mask;
}

// What an nx x ny volume sees of a mask laid from its corner, drawn the
// same way: '#' where column (x, y) is under an opaque mask cell.
QStringList pictureOn(const LithographyMask &mask, std::uint32_t nx, std::uint32_t ny)
{
    QStringList rows;
    for (std::uint32_t y = ny; y-- > 0;) {
        rows << QString();
        for (std::uint32_t x = 0; x < nx; ++x)
            rows.last() += x < mask.width && y < mask.height && mask.isOpaque(x, y) ? '#' : '.';
    }
    return rows;
}

// The light stepped as literally as possible, column by column: a front of
// cells advancing one cell per step, each step's removals applied only after
// the whole front was visited.
std::vector<std::uint32_t> reference(std::vector<std::uint32_t> cells, std::uint32_t nx, std::uint32_t ny,
                                     std::uint32_t nz, std::uint32_t film, const LithographyMask &bottom,
                                     const LithographyMask &top)
{
    auto masked = [&](const LithographyMask &m, std::uint32_t x, std::uint32_t y) {
        if (m.bits.size() != std::size_t(m.width) * m.height)
            return false;
        return x < m.width && y < m.height ? m.bits.test(std::size_t(x) * m.height + y) != (film == negative)
                                           : film == negative;
    };
    for (std::uint32_t x = 0; x < nx; ++x) {
        for (std::uint32_t y = 0; y < ny; ++y) {
            const bool bottomMasked = masked(bottom, x, y), topMasked = masked(top, x, y);
            std::uint32_t *c = cells.data() + (std::size_t(x) * ny + y) * nz;
            std::vector<std::uint32_t> front;
            for (std::uint32_t z = 0; z < nz; ++z)
                if (c[z] == film && ((z + 1 < nz && !c[z + 1] && !topMasked) || (z > 0 && !c[z - 1] && !bottomMasked)))
                    front.push_back(z);
            for (std::uint32_t step = 0; step < nz; ++step) {
                std::vector<std::uint32_t> next(c, c + nz), newFront;
                for (std::uint32_t z : front) {
                    if (c[z] != film)
                        continue;
                    next[z] = 0;
                    if (z + 1 < nz && c[z + 1] == film && !bottomMasked)
                        newFront.push_back(z + 1);
                    if (z > 0 && c[z - 1] == film && !topMasked)
                        newFront.push_back(z - 1);
                }
                std::copy(next.begin(), next.end(), c);
                front = newFront;
            }
        }
    }
    return cells;
}

// Random films and a random mask up to two cells larger than the volume (or none).
struct RandomCase
{
    RandomCase(QRandomGenerator &random, std::uint32_t nx, std::uint32_t ny, std::uint32_t nz, std::uint32_t film)
    {
        const std::uint32_t choice[] = {0, 0, film, film, film, oxide};
        for (std::size_t k = 0; k < std::size_t(nx) * ny * nz; ++k)
            ids.push_back(choice[random.bounded(6)]);
        for (LithographyMask *mask : {&bottom, &top}) {
            if (random.bounded(5) == 0)
                continue;
            mask->width = random.bounded(nx + 3);
            mask->height = random.bounded(ny + 3);
            mask->bits = Util::BitVector(std::size_t(mask->width) * mask->height);
            for (std::size_t k = 0; k < mask->bits.size(); ++k)
                mask->bits.set(k, random.bounded(2) == 0);
        }
    }
    std::vector<std::uint32_t> ids;
    LithographyMask bottom, top;
};

} // namespace

class TestPhotolithography : public QObject
{
    Q_OBJECT

private slots:
    void develop_data();
    void develop();
    void maskFromImage_data();
    void maskFromImage();
    void matchesReference();
    void operationBookkeeping();
    void maskImageRefused_data();
    void maskImageRefused();
    void placement_data();
    void placement();
    void batchStep_data();
    void batchStep();
    void exampleRecipe();
};

void TestPhotolithography::develop_data()
{
    QTest::addColumn<QStringList>("before");
    QTest::addColumn<std::uint32_t>("film");
    QTest::addColumn<QString>("bottomMask");
    QTest::addColumn<QString>("topMask");
    QTest::addColumn<QStringList>("after");
    const QStringList stack = {"SRR...", "SRR...", ".RR...", ".RR..."};
    QTest::newRow("positive, no masks: lit runs go whole")
        << QStringList{"SRR.RR", "SRRRRR", ".RRS..", "RRRRRR"} << positive << "" << ""
        << QStringList{"S.....", "SRRRRR", "...S..", "RRRRRR"};
    // Inside the 1 x 2 mask black inverts to open; outside it, closed.
    QTest::newRow("negative, all-black top mask: its area only")
        << stack << negative << "" << "1x2 all" << QStringList{"S.....", "S.....", ".RR...", ".RR..."};
    // Bit (1, 1) of a 5 x 4 mask is 1*4 + 1; pixels beyond x, y = 1 are ignored.
    QTest::newRow("mask larger than the volume")
        << stack << positive << "5x4 all" << "5x4 1,1 4,3 2,0" << QStringList{"S.....", "S.....", "......", ".RR..."};
    QTest::newRow("film under an empty gap") << QStringList{"SRR.O.", "SRR..S", "SRR.O.", "ORO.O."} << positive
                                             << "" << "" << QStringList{"S...O.", "S....S", "S...O.", "ORO.O."};
    QTest::newRow("mask whose bits do not match its size masks nothing")
        << stack << positive << "" << "2x2 all short" << QStringList{"S.....", "S.....", "......", "......"};
}

void TestPhotolithography::develop()
{
    QFETCH(QStringList, before);
    QFETCH(std::uint32_t, film);
    QFETCH(QString, bottomMask);
    QFETCH(QString, topMask);
    QFETCH(QStringList, after);
    auto volume = volumeOf(before, film);
    Photolithography(volume.get(), film, maskOf(bottomMask), maskOf(topMask)).run();
    QCOMPARE(columnsOf(*volume, film), after);
}

void TestPhotolithography::maskFromImage_data()
{
    QTest::addColumn<QColor>("color");
    QTest::addColumn<bool>("opaque");
    QTest::newRow("black") << QColor(0, 0, 0) << true;
    QTest::newRow("pure red") << QColor(255, 0, 0) << true;
    QTest::newRow("red, fully transparent alpha") << QColor(255, 0, 0, 0) << true;
    QTest::newRow("nearly black (1, 0, 0)") << QColor(1, 0, 0) << false;
    QTest::newRow("nearly red (255, 0, 1)") << QColor(255, 0, 1) << false;
}

// A 3 x 2 image, white but for the pixel under test at column 2 of the top
// row, which is mask cell (2, 1).
void TestPhotolithography::maskFromImage()
{
    QFETCH(QColor, color);
    QFETCH(bool, opaque);
    QImage image(3, 2, QImage::Format_ARGB32);
    image.fill(Qt::white);
    image.setPixelColor(2, 0, color);
    QTemporaryDir dir;
    QVERIFY(image.save(dir.filePath("mask.png")));
    LithographyMask mask;
    QString error;
    QVERIFY(Core::Operations::MaskImage::load(dir.filePath("mask.png"), mask, error));
    QCOMPARE(mask.bits, maskOf(opaque ? "3x2 2,1" : "3x2").bits);
    QCOMPARE(mask.fileName, dir.filePath("mask.png"));
}

// Random films and masks, small ones and a large one developed on 1, 3 and 7
// strips, as the reference develops them.
void TestPhotolithography::matchesReference()
{
    QRandomGenerator random(12), large(5);
    const RandomCase c(large, 29, 11, 13, positive);
    const auto expected = reference(c.ids, 29, 11, 13, positive, c.bottom, c.top);
    QVERIFY(expected != c.ids);
    for (unsigned strips : {1u, 3u, 7u}) {
        TotalVolume volume(29, 11, 13, 1.f, 1.f, 1.f, Util::Vector3D(), c.ids);
        Photolithography process(&volume, positive, c.bottom, c.top);
        process.setStripCount(strips);
        process.run();
        QCOMPARE(process.getStripsUsed(), strips);
        QVERIFY(volume.materialIds() == expected);
    }
    for (int round = 0; round < 60; ++round) {
        const std::uint32_t nx = 1 + random.bounded(6), ny = 1 + random.bounded(5), nz = 1 + random.bounded(9);
        const std::uint32_t film = random.bounded(2) ? positive : negative;
        const RandomCase c(random, nx, ny, nz, film);
        TotalVolume volume(nx, ny, nz, 1.f, 1.f, 1.f, Util::Vector3D(), c.ids);
        Photolithography(&volume, film, c.bottom, c.top).run();
        QVERIFY2(volume.materialIds() == reference(c.ids, nx, ny, nz, film, c.bottom, c.top), qPrintable(QString::number(round)));
    }
}

// A run without a film cancels with the operation's own words and leaves
// the applied masks on show; a silicon film marks the lattice out of date.
void TestPhotolithography::operationBookkeeping()
{
    Core::Workspace workspace;
    const auto log = TestSupport::logMessages(workspace);
    auto volume = volumeOf({"RRR...", "RRR...", "RRR...", "RRR..."}, silicon);
    const auto top = maskOf("2x1 0,0");
    for (bool filmChosen : {false, true}) {
        auto operation = std::make_shared<Core::Operations::PhotolithographyOperation>(&workspace);
        operation->setVolume(volume);
        operation->setTopMask(top);
        QCOMPARE(volume->getMaskB(), top.bits);
        if (filmChosen)
            operation->setMaterial(silicon);
        operation->end();
    }
    QCOMPARE(log->lines, QStringList({"Photolithography: Operation Canceled!", "Photolithography: Operation finished: 9 cells changed (Si -9)."}));
    QCOMPARE(columnsOf(*volume, silicon), QStringList({"RRR...", "......", "......", "......"}));
    QVERIFY(volume->getMaskB().empty());
    QVERIFY(workspace.isSiLatticeOutdated(volume->getObjectId()));
    QCOMPARE(workspace.lastOperationOn(volume->getObjectId()), 20u);
}

// Images whose header alone tells they are no usable mask are refused
// before any pixel is decoded.
void TestPhotolithography::maskImageRefused_data()
{
    QTest::addColumn<QByteArray>("contents");
    QTest::addColumn<QString>("reason");
    QTest::newRow("PNG declaring 46341 x 46341 pixels") << TestFiles::pngDeclaring(46341, 46341) << "is 46341 x 46341 pixels";
    QTest::newRow("PNG declaring 20000 x 20000 pixels") << TestFiles::pngDeclaring(20000, 20000) << "at most 65536 pixels per side and 67108864 in all";
    QTest::newRow("PNG wider than a side may be") << TestFiles::pngDeclaring(70000, 1) << "is 70000 x 1 pixels";
    QTest::newRow("PNG header without pixels") << TestFiles::pngDeclaring(2, 2) << "cannot be decoded";
    QTest::newRow("text, not an image") << QByteArray("just some words") << "is not a readable image";
    QTest::newRow("missing file") << QByteArray() << "is not a readable image";
}

void TestPhotolithography::maskImageRefused()
{
    QFETCH(QByteArray, contents);
    QFETCH(QString, reason);
    QTemporaryDir dir;
    const QString fileName = dir.filePath("mask.png");
    if (!contents.isEmpty())
        QVERIFY(TestFiles::write(fileName, contents));
    LithographyMask mask = maskOf("1x1 all");
    QString error;
    QVERIFY(!Core::Operations::MaskImage::load(fileName, mask, error));
    QVERIFY2(error.contains(reason), qPrintable(error));
    QCOMPARE(mask.bits, maskOf("1x1 all").bits);
}

void TestPhotolithography::placement_data()
{
    QTest::addColumn<QStringList>("mask");
    QTest::addColumn<int>("nx");
    QTest::addColumn<int>("ny");
    QTest::addColumn<QString>("placement");
    QTest::addColumn<std::uint32_t>("film");
    QTest::addColumn<QStringList>("seen");
    const QStringList small = {"#.", ".#"};
    QTest::newRow("smaller, corner") << small << 5 << 3 << "corner" << positive
                                     << QStringList{".....", "#....", ".#..."};
    // Three spare columns: one before the mask, two after; one spare row, above.
    QTest::newRow("smaller, centre") << small << 5 << 3 << "centre" << positive
                                     << QStringList{".....", ".#...", "..#.."};
    QTest::newRow("smaller, centre, negative resist") << small << 5 << 3 << "centre" << negative
                                                      << QStringList{".....", ".#...", "..#.."};
    // Columns 0, 1 take mask column 0 and 2..4 column 1; rows 1, 2 take mask row 1.
    QTest::newRow("smaller, scale") << small << 5 << 3 << "scale" << positive
                                    << QStringList{"##...", "##...", "..###"};
    QTest::newRow("smaller, repeat") << small << 5 << 3 << "repeat" << positive
                                     << QStringList{".#.#.", "#.#.#", ".#.#."};
    const QStringList large = {"#..#", ".##.", "#.#."};
    QTest::newRow("larger, corner") << large << 2 << 2 << "corner" << positive << QStringList{".#", "#."};
    QTest::newRow("larger, centre") << large << 2 << 2 << "centre" << positive << QStringList{"##", ".#"};
    // Columns 0, 1 take mask columns 1, 3; rows 0, 1 take mask rows 0, 2.
    QTest::newRow("larger, scale") << large << 2 << 2 << "scale" << positive << QStringList{".#", ".."};
    QTest::newRow("larger, repeat") << large << 2 << 2 << "repeat" << positive << QStringList{".#", "#."};
    QTest::newRow("same size, scale") << small << 2 << 2 << "scale" << positive << small;
}

// The placed mask against the drawing, then the same placement developed
// by a process-list step and by the operation:
// one film cell per column on silicon, lit from above only, stays under
// '#' (for a negative resist, under '.').
void TestPhotolithography::placement()
{
    QFETCH(QStringList, mask);
    QFETCH(int, nx);
    QFETCH(int, ny);
    QFETCH(QString, placement);
    QFETCH(std::uint32_t, film);
    QFETCH(QStringList, seen);
    const auto how = MaskPlacing::fromName(placement);
    QVERIFY(how);
    QCOMPARE(MaskPlacing::name(*how), placement);
    const LithographyMask top = maskOfPicture(mask);
    QCOMPARE(pictureOn(MaskPlacing::placed(top, nx, ny, *how), nx, ny), seen);

    QVariantMap settings{{"MaterialId", film}, {"Top Mask", QVariant::fromValue(top.bits)},
                         {"Top Mask Width", top.width}, {"Top Mask Height", top.height}};
    if (*how != MaskPlacement::Corner)
        settings.insert("Mask Placement", placement);
    const auto step = TestSupport::stepOf(Core::ProcessKey::Photolithography, settings);

    const auto developed = [&](TotalVolume &volume) {
        QStringList rows;
        for (int y = ny; y-- > 0;) {
            rows << QString();
            for (int x = 0; x < nx; ++x)
                rows.last() += (volume.materialIds()[volume.index(x, y, 1)] == film) != (film == negative) ? '#' : '.';
        }
        return rows;
    };
    std::vector<std::uint32_t> ids;
    for (int column = 0; column < nx * ny; ++column)
        ids.insert(ids.end(), {silicon, film, 0});
    Core::BatchRun::BatchStepExecutor::Context context;
    context.volume = std::make_shared<TotalVolume>(nx, ny, 3, 1.f, 1.f, 1.f, Util::Vector3D(), ids);
    QCOMPARE(Core::BatchRun::BatchStepExecutor().execute(step, context), 0);
    QCOMPARE(developed(*context.volume), seen);

    Core::Workspace workspace;
    auto volume = std::make_shared<TotalVolume>(nx, ny, 3, 1.f, 1.f, 1.f, Util::Vector3D(), ids);
    auto operation = std::make_shared<Core::Operations::PhotolithographyOperation>(&workspace);
    operation->setVolume(volume);
    operation->setTopMask(top);
    operation->setMaskPlacement(*how);
    // The overlay shows the mask where it will act.
    LithographyMask shown;
    shown.bits = volume->getMaskB();
    volume->getMaskBDimensions(shown.width, shown.height);
    QCOMPARE(pictureOn(shown, nx, ny), seen);
    operation->setMaterial(film);
    operation->end();
    QCOMPARE(developed(*volume), seen);
}

void TestPhotolithography::batchStep_data()
{
    QTest::addColumn<QString>("topMask");
    QTest::addColumn<QString>("topFile"); // "<side> File"; its extra parameters after '|'
    QTest::addColumn<QString>("placement"); // "Mask Placement", absent when empty
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("failed");
    QTest::addColumn<QStringList>("after");
    const QStringList stack = {"SRR...", "SRR...", "SRR...", "SRR..."};
    const QStringList keep01 = {"S.....", "SRR...", "S.....", "S....."};
    QTest::newRow("masks as stored") << "2x2 0,1" << "" << "" << 0 << "" << keep01;
    // Developed as if there were no mask, it would strip the whole film.
    QTest::newRow("top mask bits do not match its size") << "2x2 all short" << "" << "" << 2 << "Top Mask" << stack;
    QTest::newRow("top mask missing") << "" << "" << "" << 1 << "Top Mask" << stack;
    // The volume's cells are 1 µm; layers.gds has cell (1, 0) on layer 2 and
    // cell (0, 1) on layer 3.
    QTest::newRow("image file") << "" << "cell01.png" << "" << 0 << "" << keep01;
    QTest::newRow("layout, layer 3") << "" << "layers.gds|Layer=3" << "" << 0 << "" << keep01;
    QTest::newRow("layout, lowest layer by default") << "" << "layers.gds" << "" << 0 << ""
                                                     << QStringList{"S.....", "S.....", "SRR...", "S....."};
    // One 2 µm cell, whose centre (1, 1) is on the edge of the square.
    QTest::newRow("layout, cell size 2") << "" << "layers.gds|Layer=3|Cell Size=2" << "" << 0 << ""
                                         << QStringList{"S.....", "S.....", "S.....", "S....."};
    QTest::newRow("stored bits win over the file") << "2x2 0,1" << "damaged.gds" << "" << 0 << "" << keep01;
    QTest::newRow("missing file") << "" << "missing.png" << "" << 2 << "Top Mask File" << stack;
    QTest::newRow("layer not a number") << "" << "layers.gds|Layer=x" << "" << 2 << "Top Mask Layer" << stack;
    QTest::newRow("layer beyond 2 bytes") << "" << "layers.gds|Layer=40000" << "" << 2 << "Top Mask Layer" << stack;
    QTest::newRow("placement, any case") << "1x1 0,0" << "" << " Repeat" << 0 << "" << stack;
    QTest::newRow("unknown placement") << "1x1 0,0" << "" << "diagonal" << 2 << "Mask Placement" << stack;
    QTest::newRow("cell size zero") << "" << "layers.gds|Cell Size=0" << "" << 2 << "Top Mask Cell Size" << stack;
}

// The bottom mask is the first mask of the run, the top mask the second.
void TestPhotolithography::batchStep()
{
    QFETCH(QString, topMask);
    QFETCH(QString, topFile);
    QFETCH(QString, placement);
    QFETCH(int, code);
    QFETCH(QString, failed);
    QFETCH(QStringList, after);
    QTemporaryDir dir;
    QImage image(2, 2, QImage::Format_RGB32);
    image.fill(Qt::white);
    image.setPixel(0, 0, qRgb(0, 0, 0)); // the top row is y = 1
    QVERIFY(image.save(dir.filePath("cell01.png")));
    TestFiles::GdsStream layers;
    layers.begin().structure("TOP").rectangle(3, 0, 1000, 1000, 2000).rectangle(2, 1000, 0, 2000, 1000).endStructure();
    QVERIFY(TestFiles::write(dir.filePath("layers.gds"), layers.end()));
    QByteArray damaged = TestFiles::read(dir.filePath("layers.gds"));
    damaged[damaged.indexOf(QByteArray("\x00\x06\x0d\x02", 4)) + 1] = 5;
    QVERIFY(TestFiles::write(dir.filePath("damaged.gds"), damaged));

    Core::BatchRun::BatchStepExecutor::Context context;
    context.volume = volumeOf({"SRR...", "SRR...", "SRR...", "SRR..."}, positive);
    Core::BatchRun::ProcessData step(0);
    step.setParameter("MaterialId", positive, false);
    for (const auto &[side, mask] : {std::make_pair(QStringLiteral("Top Mask"), maskOf(topMask)),
                                     std::make_pair(QStringLiteral("Bottom Mask"), maskOf("2x2 all"))}) {
        if (!mask.isEmpty() || !topFile.isEmpty())
            step.setParameter(side, QVariant::fromValue(mask.bits), false);
        step.setParameter(side + " Width", mask.width, true);
        step.setParameter(side + " Height", mask.height, true);
    }
    if (!topFile.isEmpty()) {
        const QStringList parts = topFile.split('|');
        step.setParameter("Top Mask File", dir.filePath(parts[0]), true);
        for (const QString &extra : parts.mid(1))
            step.setParameter("Top Mask " + extra.section('=', 0, 0), extra.section('=', 1), true);
    }
    if (!placement.isEmpty())
        step.setParameter("Mask Placement", placement, true);
    QCOMPARE(Core::BatchRun::BatchStepExecutor().execute(step, context), code);
    QCOMPARE(context.failedParameter, failed);
    if (failed == "Mask Placement") {
        QVERIFY2(context.failureReason.contains("\"diagonal\"; it must be one of corner, centre, scale, repeat"),
                 qPrintable(context.failureReason));
        QVERIFY(Core::ProcessTable::stepReference().contains("\"Mask Placement\" QString [corner, centre, scale, repeat]"));
    }
    QCOMPARE(columnsOf(*context.volume, positive), after);
}

// The example recipe runs as it stands, its stored mask is its image's, and
// the oxide (z = 10, 11) opens below an opening but not far from one.
void TestPhotolithography::exampleRecipe()
{
    const QString examples = QStringLiteral(KESTRUM_TEST_DATA_DIR "/../../examples/");
    QList<Core::BatchRun::ProcessData> steps;
    QVERIFY(Core::BatchRun::ProcessListArchiver().loadProcessList(examples + "resist_expose_and_etch.plst", steps));
    LithographyMask image;
    QString error;
    QVERIFY(Core::Operations::MaskImage::load(examples + "masks/openings_48.png", image, error));
    QCOMPARE(steps.at(3).getParameter("Top Mask").value<Util::BitVector>(), image.bits);
    Core::BatchRun::BatchStepExecutor::Context context;
    const auto summary = Core::BatchRun::BatchRunner(context).run(steps);
    QCOMPARE(summary.stepsSkipped, 0);
    const auto ids = context.volume->materialIds();
    QVERIFY(!image.isOpaque(12, 12) && image.isOpaque(12, 24) && image.isOpaque(44, 44));
    QCOMPARE(ids[context.volume->index(12, 12, 10)], 0u);
    for (std::uint32_t x : {12u, 44u})
        QCOMPARE(QVector<std::uint32_t>({ids[context.volume->index(x, 24, 11)], ids[context.volume->index(x, 24, 12)]}),
                 QVector<std::uint32_t>({oxide, positive}));
}

QTEST_GUILESS_MAIN(TestPhotolithography)
#include "tst_photolithography.moc"
