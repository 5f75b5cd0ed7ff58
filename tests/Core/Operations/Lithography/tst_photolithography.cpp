#include "Core/TestOperations.h"

#include "Core/BatchRun/BatchRunner.h"
#include "Core/BatchRun/ProcessData.h"
#include "Core/BatchRun/ProcessListArchiver.h"

#include "Core/Operations/Lithography/MaskImage.h"
#include "Core/Operations/Lithography/Photolithography.h"
#include "Core/Operations/Lithography/PhotolithographyOperation.h"

#include <QImage>
#include <QRandomGenerator>
#include <QtTest>

#include <algorithm>

using Core::Operations::LithographyMask;
using Core::Operations::MaskImage;
using Core::Operations::Photolithography;
using Core::Operations::PhotolithographyOperation;
using Model::Automaton::TotalVolume;

namespace {

constexpr std::uint32_t positive = 11; // "Photoresist +"
constexpr std::uint32_t negative = 12; // "Photoresist -"
constexpr std::uint32_t oxide = 3;
constexpr std::uint32_t silicon = 1;

// Columns as text, z upwards: '.' empty, 'R' resist (the film), 'O' oxide,
// 'S' silicon. Column k is (x, y) = (k / ny, k % ny).
std::shared_ptr<TotalVolume> volumeOf(const QStringList &columns, std::uint32_t ny, std::uint32_t film)
{
    const std::uint32_t nz = std::uint32_t(columns.first().size());
    std::vector<std::uint32_t> ids;
    for (const QString &column : columns)
        for (QChar c : column)
            ids.push_back(c == 'R' ? film : c == 'O' ? oxide : c == 'S' ? silicon : 0u);
    return std::make_shared<TotalVolume>(std::uint32_t(columns.size()) / ny, ny, nz, 1.f, 1.f, 1.f, Util::Vector3D(), ids);
}

QStringList columnsOf(TotalVolume &volume, std::uint32_t film)
{
    QStringList columns;
    const auto ids = volume.materialIds();
    for (std::size_t k = 0; k < ids.size(); k += volume.getSizeZ()) {
        QString column;
        for (std::size_t z = 0; z < volume.getSizeZ(); ++z) {
            const std::uint32_t id = ids[k + z];
            column += id == film ? 'R' : id == oxide ? 'O' : id == silicon ? 'S' : '.';
        }
        columns << column;
    }
    return columns;
}

// "WxH" then the opaque cells "i,j" or "all"; "short" drops the last bit so
// the bit count no longer matches the size; "" is no mask.
LithographyMask maskOf(const QString &text)
{
    LithographyMask mask;
    if (text.isEmpty())
        return mask;
    const QStringList parts = text.split(' ');
    const QStringList size = parts.first().split('x');
    mask.width = size[0].toUInt();
    mask.height = size[1].toUInt();
    mask.bits = Util::BitVector(std::size_t(mask.width) * mask.height - (parts.contains("short") ? 1 : 0),
                                parts.contains("all"));
    for (int k = 1; k < parts.size(); ++k) {
        if (parts[k] == "all" || parts[k] == "short")
            continue;
        const QStringList ij = parts[k].split(',');
        mask.bits.set(std::size_t(ij[0].toUInt()) * mask.height + ij[1].toUInt());
    }
    return mask;
}

// Light travelling along z, stepped as literally as possible: every column on
// its own, a front of cells, one cell per step, the removals of a step
// applied to a copy only after the whole front was visited.
std::vector<std::uint32_t> reference(const std::vector<std::uint32_t> &ids, std::uint32_t nx, std::uint32_t ny,
                                     std::uint32_t nz, std::uint32_t film, const LithographyMask &bottom,
                                     const LithographyMask &top)
{
    const bool invert = film == negative;
    auto masked = [&](const LithographyMask &m, std::uint32_t x, std::uint32_t y) {
        if (m.bits.size() != std::size_t(m.width) * m.height)
            return false;
        const bool inside = x < m.width && y < m.height;
        return inside ? m.bits.test(std::size_t(x) * m.height + y) != invert : invert;
    };
    std::vector<std::uint32_t> cells = ids;
    for (std::uint32_t x = 0; x < nx; ++x) {
        for (std::uint32_t y = 0; y < ny; ++y) {
            const bool bottomMasked = masked(bottom, x, y);
            const bool topMasked = masked(top, x, y);
            std::uint32_t *c = cells.data() + (std::size_t(x) * ny + y) * nz;
            std::vector<std::uint32_t> front;
            for (std::uint32_t z = 0; z < nz; ++z) {
                if (c[z] == film && ((z + 1 < nz && c[z + 1] == 0 && !topMasked) || (z > 0 && c[z - 1] == 0 && !bottomMasked)))
                    front.push_back(z);
            }
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

LithographyMask randomMask(QRandomGenerator &random, std::uint32_t nx, std::uint32_t ny)
{
    LithographyMask mask;
    if (random.bounded(5) == 0)
        return mask;
    mask.width = random.bounded(nx + 3);
    mask.height = random.bounded(ny + 3);
    mask.bits = Util::BitVector(std::size_t(mask.width) * mask.height);
    for (std::size_t k = 0; k < mask.bits.size(); ++k)
        mask.bits.set(k, random.bounded(2) == 0);
    return mask;
}

std::vector<std::uint32_t> randomFilms(QRandomGenerator &random, std::size_t count, std::uint32_t film)
{
    const std::uint32_t choice[] = {0, 0, film, film, film, oxide};
    std::vector<std::uint32_t> ids(count);
    for (auto &id : ids)
        id = choice[random.bounded(6)];
    return ids;
}

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
    void stripsAgree();
    void operationUndoAndOverlays();
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
    // 2 x 2 columns of 6 cells unless said otherwise.
    const QStringList stack = {"SRR...", "SRR...", ".RR...", ".RR..."};
    QTest::newRow("positive, no masks: lit runs go whole")
        << QStringList{"SRR.RR", "SRRRRR", ".RRS..", "RRRRRR"} << positive << "" << ""
        << QStringList{"S.....", "SRRRRR", "...S..", "RRRRRR"};
    QTest::newRow("negative, no masks: nothing") << stack << negative << "" << "" << stack;
    QTest::newRow("positive, all-black top mask: only the bottom lights")
        << stack << positive << "" << "2x2 all" << QStringList{"SRR...", "SRR...", "......", "......"};
    // Inside the 1 x 2 mask the black inverts to open; outside it is closed.
    QTest::newRow("negative, all-black top mask: its area only")
        << stack << negative << "" << "1x2 all" << QStringList{"S.....", "S.....", ".RR...", ".RR..."};
    QTest::newRow("mask smaller than the volume, positive")
        << stack << positive << "1x1 0,0" << "1x1 0,0" << QStringList{"SRR...", "S.....", "......", "......"};
    QTest::newRow("mask smaller than the volume, negative")
        << stack << negative << "" << "1x1 0,0" << QStringList{"S.....", "SRR...", ".RR...", ".RR..."};
    // Bit (1, 1) of a 5 x 4 mask is 1*4 + 1; the pixels beyond x, y = 1 are ignored.
    QTest::newRow("mask larger than the volume")
        << stack << positive << "5x4 all" << "5x4 1,1 4,3 2,0" << QStringList{"S.....", "S.....", "......", ".RR..."};
    QTest::newRow("film covered directly above") << QStringList{"SRRO..", "SRRS..", "SRRO..", "SRRO.."} << positive
                                                 << "" << "" << QStringList{"SRRO..", "SRRS..", "SRRO..", "SRRO.."};
    QTest::newRow("film under an empty gap") << QStringList{"SRR.O.", "SRR..S", "SRR.O.", "ORO.O."} << positive
                                             << "" << "" << QStringList{"S...O.", "S....S", "S...O.", "ORO.O."};
    const QStringList oxideOnly = {"SOO...", "SOO...", ".OO...", ".OO..."};
    QTest::newRow("film id no cell holds") << oxideOnly << 7u << "" << "" << oxideOnly;
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
    auto volume = volumeOf(before, 2, film);
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
    QTest::newRow("white") << QColor(255, 255, 255) << false;
}

// A 3 x 2 image: the pixel under test at column 2 of the top row, which is
// mask cell (2, 1); the rest white.
void TestPhotolithography::maskFromImage()
{
    QFETCH(QColor, color);
    QFETCH(bool, opaque);
    QImage image(3, 2, QImage::Format_ARGB32);
    image.fill(Qt::white);
    image.setPixelColor(2, 0, color);
    QTemporaryDir dir;
    const QString path = dir.filePath("mask.png");
    QVERIFY(image.save(path));
    LithographyMask mask;
    QVERIFY(MaskImage::load(path, mask));
    QCOMPARE(mask.fileName, path);
    QCOMPARE(std::make_pair(mask.width, mask.height), std::make_pair(3u, 2u));
    for (std::uint32_t i = 0; i < 3; ++i)
        for (std::uint32_t j = 0; j < 2; ++j)
            QCOMPARE(mask.isOpaque(i, j), opaque && i == 2 && j == 1);
    // Something that is no image leaves the mask as it was.
    QVERIFY(!MaskImage::load(dir.filePath("missing.png"), mask));
    QCOMPARE(mask.fileName, path);
}

void TestPhotolithography::matchesReference()
{
    QRandomGenerator random(12);
    for (int round = 0; round < 60; ++round) {
        const std::uint32_t nx = 1 + random.bounded(6), ny = 1 + random.bounded(5), nz = 1 + random.bounded(9);
        const std::uint32_t film = random.bounded(2) ? positive : negative;
        const auto ids = randomFilms(random, std::size_t(nx) * ny * nz, film);
        const LithographyMask bottom = randomMask(random, nx, ny), top = randomMask(random, nx, ny);
        TotalVolume volume(nx, ny, nz, 1.f, 1.f, 1.f, Util::Vector3D(), ids);
        Photolithography(&volume, film, bottom, top).run();
        QVERIFY2(volume.materialIds() == reference(ids, nx, ny, nz, film, bottom, top),
                 qPrintable(QStringLiteral("round %1").arg(round)));
    }
}

void TestPhotolithography::stripsAgree()
{
    QRandomGenerator random(5);
    const std::uint32_t nx = 29, ny = 11, nz = 13;
    const auto ids = randomFilms(random, std::size_t(nx) * ny * nz, positive);
    const LithographyMask bottom = randomMask(random, nx, ny), top = randomMask(random, nx, ny);
    std::vector<std::uint32_t> single;
    for (unsigned strips : {1u, 3u, 7u}) {
        TotalVolume volume(nx, ny, nz, 1.f, 1.f, 1.f, Util::Vector3D(), ids);
        Photolithography process(&volume, positive, bottom, top);
        process.setStripCount(strips);
        process.run();
        QCOMPARE(process.getStripsUsed(), strips);
        if (strips == 1)
            single = volume.materialIds();
        else
            QVERIFY(volume.materialIds() == single);
    }
    QVERIFY(single != ids);
}

// The masks show on the volume while they are set (bottom first, top second),
// a cancel keeps them, a run clears them, and the development is undoable.
void TestPhotolithography::operationUndoAndOverlays()
{
    Core::Workspace workspace;
    const auto log = TestSupport::logMessages(workspace);
    auto volume = volumeOf({"RRR...", "RRR...", "RRR...", "RRR..."}, 2, silicon); // a silicon film
    const auto before = volume->materialIds();
    const LithographyMask bottom = maskOf("1x1 0,0"), top = maskOf("2x1 0,0");
    auto factory = std::make_shared<TestSupport::DialogFactory<PhotolithographyOperation>>(
        &workspace, [&workspace](std::uint32_t) { return std::make_shared<PhotolithographyOperation>(&workspace); });
    workspace.setOperationFactory(factory);

    factory->dialog = [&](PhotolithographyOperation &op) {
        op.setTopMask(top);
        op.end(); // no film chosen
    };
    workspace.getSelection().select(volume);
    workspace.activate(PhotolithographyOperation::operationId);
    QCOMPARE(log->lines.last(), QStringLiteral("Photolithography: Operation Canceled!"));
    QCOMPARE(volume->getMaskB(), top.bits);
    QVERIFY(volume->materialIds() == before);

    factory->dialog = [&](PhotolithographyOperation &op) {
        op.setBottomMask(bottom);
        op.setTopMask(top);
        QCOMPARE(volume->getMaskA(), bottom.bits);
        QCOMPARE(volume->getMaskB(), top.bits);
        op.setMaterial(silicon);
        op.end();
    };
    workspace.setSiLatticeOutdated(volume->getObjectId(), false);
    workspace.getSelection().select(volume);
    workspace.activate(PhotolithographyOperation::operationId);
    QCOMPARE(log->lines.last(), QStringLiteral("Photolithography: Operation finished."));
    // Only column (0, 0) is masked from above; the others are open.
    QCOMPARE(columnsOf(*volume, silicon), QStringList({"RRR...", "......", "......", "......"}));
    std::uint32_t w = 1, h = 1;
    volume->getMaskBDimensions(w, h);
    QVERIFY(volume->getMaskA().empty() && volume->getMaskB().empty() && w == 0 && h == 0);
    QCOMPARE(workspace.lastOperationOn(volume->getObjectId()), PhotolithographyOperation::operationId);
    QVERIFY(workspace.isSiLatticeOutdated(volume->getObjectId()));

    auto &stack = workspace.getUndoRedo();
    const auto after = volume->materialIds();
    QVERIFY(stack.undo());
    QVERIFY(volume->materialIds() == before);
    QVERIFY(stack.redo());
    QVERIFY(volume->materialIds() == after);
}

void TestPhotolithography::batchStep_data()
{
    QTest::addColumn<QString>("topMask");
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("failed");
    QTest::addColumn<QStringList>("after");
    const QStringList stack = {"SRR...", "SRR...", "SRR...", "SRR..."};
    QTest::newRow("masks as stored") << "2x2 0,1" << 0 << "" << QStringList{"S.....", "SRR...", "S.....", "S....."};
    // Developing as if there were no mask would strip the whole film.
    QTest::newRow("top mask bits do not match its size") << "2x2 all short" << 2 << "Top Mask" << stack;
    QTest::newRow("top mask missing") << "" << 1 << "Top Mask" << stack;
}

// The bottom mask is the first mask of the run, the top mask the second.
void TestPhotolithography::batchStep()
{
    QFETCH(QString, topMask);
    QFETCH(int, code);
    QFETCH(QString, failed);
    QFETCH(QStringList, after);
    Core::Workspace workspace;
    Core::BatchRun::BatchStepExecutor::Context context;
    context.workspace = &workspace;
    context.volume = volumeOf({"SRR...", "SRR...", "SRR...", "SRR..."}, 2, positive);
    Ui::ProcessData step(0);
    step.setParameter("MaterialId", positive, false);
    const LithographyMask top = maskOf(topMask), bottom = maskOf("2x2 all");
    if (!topMask.isEmpty())
        step.setParameter("Top Mask", QVariant::fromValue(top.bits), false);
    step.setParameter("Top Mask Width", top.width, true);
    step.setParameter("Top Mask Height", top.height, true);
    step.setParameter("Bottom Mask", QVariant::fromValue(bottom.bits), false);
    step.setParameter("Bottom Mask Width", bottom.width, true);
    step.setParameter("Bottom Mask Height", bottom.height, true);
    QCOMPARE(Core::BatchRun::BatchStepExecutor().execute(step, context), code);
    QCOMPARE(context.failedParameter, failed);
    QCOMPARE(columnsOf(*context.volume, positive), after);
    QCOMPARE(workspace.lastOperationOn(context.volume->getObjectId()), code ? 0u : 20u);
}

// The example recipe runs as it stands, its stored mask is the one of its
// image, and the oxide opens exactly below the mask's openings.
void TestPhotolithography::exampleRecipe()
{
    const QString examples = QStringLiteral(KESTRUM_TEST_DATA_DIR "/../../examples/");
    QList<Ui::ProcessData> steps;
    QVERIFY(Ui::ProcessListArchiver().loadProcessList(examples + "resist_expose_and_etch.plst", steps));
    LithographyMask image;
    QVERIFY(MaskImage::load(examples + "masks/openings_48.png", image));
    QCOMPARE(steps.at(3).getParameter("Top Mask").value<Util::BitVector>(), image.bits);

    Core::Workspace workspace;
    Core::BatchRun::BatchStepExecutor::Context context;
    context.workspace = &workspace;
    Core::BatchRun::BatchRunner runner(context);
    const auto summary = runner.run(steps);
    QCOMPARE(summary.stepsDone, steps.size());
    QCOMPARE(summary.stepsSkipped, 0);
    const auto ids = context.volume->materialIds();
    // Oxide at z = 10 and 11, resist above it. The etch undercuts the resist
    // near the openings, so masked columns are checked three cells away.
    auto nearOpening = [&image](int x, int y) {
        for (int i = std::max(0, x - 3); i <= std::min(47, x + 3); ++i)
            for (int j = std::max(0, y - 3); j <= std::min(47, y + 3); ++j)
                if (!image.isOpaque(std::uint32_t(i), std::uint32_t(j)))
                    return true;
        return false;
    };
    int open = 0, covered = 0;
    for (std::uint32_t x = 0; x < 48; ++x) {
        for (std::uint32_t y = 0; y < 48; ++y) {
            const auto at = [&](std::uint32_t z) { return ids[context.volume->index(x, y, z)]; };
            if (!image.isOpaque(x, y)) {
                ++open;
                QVERIFY(at(10) == 0 && at(11) == 0 && at(12) == 0);
            } else if (!nearOpening(int(x), int(y))) {
                ++covered;
                QVERIFY(at(9) == silicon && at(10) == oxide && at(11) == oxide && at(12) == positive);
            }
        }
    }
    QVERIFY(open > 100 && covered > 1000);
}

QTEST_GUILESS_MAIN(TestPhotolithography)
#include "tst_photolithography.moc"
