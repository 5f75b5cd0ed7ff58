#include "Model/Automaton/TotalVolume.h"
#include "Model/Document.h"
#include "Model/Layer.h"
#include "Util/ColorSettings.h"
#include "Util/Vector3D.h"

#include <QtConcurrent>
#include <QtTest>

#include <memory>
#include <numeric>

using Model::Automaton::TotalVolume;
using Model::Automaton::Voxel;

namespace {

// Cell i holds material id i.
std::shared_ptr<TotalVolume> makeVolume(std::uint32_t nx, std::uint32_t ny, std::uint32_t nz)
{
    std::vector<std::uint32_t> ids(std::size_t(nx) * ny * nz);
    std::iota(ids.begin(), ids.end(), 0u);
    return std::make_shared<TotalVolume>(nx, ny, nz, 1.f, 2.f, 3.f, Util::Vector3D(1, 2, 3), ids);
}

} // namespace

class TestModel : public QObject
{
    Q_OBJECT

private slots:
    void vectorsAndColourTable();
    void documentObjects();
    void cellAddressing_data();
    void cellAddressing();
    void cloneResetsWorkingFields();
    void translateAndSwap();
    void masks();
    void spinLockNeverLosesAnUpdate();
    void hugeVolumeThrowsBadAlloc();
};

void TestModel::vectorsAndColourTable()
{
    const Util::Vector3D a(1, 2, 3);
    QCOMPARE(a.w, 0.0);
    QCOMPARE(a + Util::Vector3D(4, 5, 6), Util::Vector4D(5, 7, 9, 0));
    Util::Vector4D v(1, 2, 3, 4);
    v[3] = 7;
    QCOMPARE(v[9], 7.0); // out-of-range indices clamp to w
    QCOMPARE(2.0 * v, Util::Vector4D(2, 4, 6, 14));
    v.assignXyz(a);
    QCOMPARE(v, Util::Vector4D(1, 2, 3, 7));
    QCOMPARE(Util::Vector3D(v).w, 0.0);
    QCOMPARE(Util::Vector3D(2.5), Util::Vector4D(2.5, 2.5, 2.5, 0));

    // Colour table (row, scheme): object, outline, background, console text.
    QCOMPARE(Util::Vector4D(0, 0), Util::Vector4D(0, 0, 0, 1));
    QCOMPARE(Util::Vector4D(1, 0), Util::Vector4D(1, 1, 1, 1));
    QCOMPARE(Util::Vector4D(3, 1), Util::Vector4D(1, 1, 1, 0));
    QCOMPARE(Util::Vector4D(0, 2), Util::Vector4D(1, 0, 0, 1));
    QCOMPARE(Util::Vector4D(7, 1), Util::Vector4D(1, 1, 1, 1));
}

void TestModel::documentObjects()
{
    Model::Document document;
    auto a = makeVolume(1, 1, 1);
    auto b = makeVolume(1, 1, 1);
    QCOMPARE(b->getObjectId(), a->getObjectId() + 1);
    document.addObject(a);
    document.addObject(b);
    document.addObject(a);
    QCOMPARE(document.getAllObjects().size(), 3);
    QCOMPARE(document.findObject(b->getObjectId()), std::shared_ptr<Model::Object>(b));
    document.removeObject(a);
    QCOMPARE(document.getAllObjects().size(), 1);
    document.removeObject(makeVolume(1, 1, 1));
    QCOMPARE(document.getAllObjects().size(), 1);
    document.setFileName("x.kst");
    document.reset();
    QVERIFY(document.getAllObjects().isEmpty());
    QVERIFY(document.getFileName().isEmpty());
    QCOMPARE(document.getLayers().size(), 1);
}

void TestModel::cellAddressing_data()
{
    QTest::addColumn<QVector<uint>>("sizeAndCell"); // nx, ny, nz, x, y, z
    QTest::addColumn<uint>("expected");
    QTest::newRow("single cell") << QVector<uint> {1, 1, 1, 0, 0, 0} << 0u;
    QTest::newRow("2x3x4 last") << QVector<uint> {2, 3, 4, 1, 2, 3} << 23u;
    QTest::newRow("2x3x4 z fastest") << QVector<uint> {2, 3, 4, 0, 0, 1} << 1u;
    QTest::newRow("2x3x4 x slowest") << QVector<uint> {2, 3, 4, 1, 0, 0} << 12u;
}

void TestModel::cellAddressing()
{
    QFETCH(QVector<uint>, sizeAndCell);
    QFETCH(uint, expected);
    const QVector<uint> &s = sizeAndCell;
    auto volume = makeVolume(s[0], s[1], s[2]);
    QCOMPARE(uint(volume->index(s[3], s[4], s[5])), expected);
    QCOMPARE(volume->lockCells()[expected].material, expected);
    volume->unlockCells();
    QCOMPARE(volume->lockNextCells()[expected].material, expected);
    volume->unlockNextCells();
}

void TestModel::cloneResetsWorkingFields()
{
    auto volume = makeVolume(2, 3, 4);
    Voxel *cells = volume->lockCells();
    for (std::size_t i = 0; i < volume->getCellCount(); ++i) {
        cells[i].setFlag(true);
        cells[i].setVector(1, 2, 3);
        cells[i].setCounter(9);
    }
    volume->unlockCells();
    std::unique_ptr<TotalVolume> copy(static_cast<TotalVolume *>(volume->clone()));
    QVERIFY(copy->getObjectId() != volume->getObjectId());
    QCOMPARE(copy->getPosition(), volume->getPosition());
    QCOMPARE(copy->getCellSizeY(), 2.f);
    QCOMPARE(copy->materialIds(), volume->materialIds());
    const Voxel *copied = copy->lockCells();
    for (std::size_t i = 0; i < copy->getCellCount(); ++i) {
        QVERIFY(!copied[i].getFlag());
        QCOMPARE(copied[i].getVx(), 0.f);
        QCOMPARE(copied[i].getCounter(), 0u);
    }
    copy->unlockCells();
}

void TestModel::translateAndSwap()
{
    auto volume = makeVolume(2, 2, 2);
    const auto before = volume->materialIds();
    volume->translate(Util::Vector3D(1, 2, 3));
    QCOMPARE(volume->getPosition(), Util::Vector3D(2, 4, 6));
    QCOMPARE(volume->materialIds(), before);

    auto swap = [&](bool mark) {
        volume->lockCells();
        if (mark)
            volume->lockNextCells()[0].material = 99;
        else
            volume->lockNextCells();
        volume->swapCellArrays();
        volume->unlockNextCells();
        volume->unlockCells();
    };
    swap(true);
    QCOMPARE(volume->materialIds()[0], 99u);
    swap(false);
    QCOMPARE(volume->materialIds(), before);
}

void TestModel::masks()
{
    auto volume = makeVolume(1, 1, 1);
    Util::BitVector bits(70);
    bits.set(0);
    bits.set(33);
    bits.set(69);
    QCOMPARE(bits.words().size(), std::size_t(3));
    QCOMPARE(bits.words()[1], 2u);
    volume->setMaskA(bits, 7, 10);
    volume->clearMaskA();
    std::uint32_t w = 0, h = 0;
    volume->getMaskADimensions(w, h);
    QCOMPARE(w, 7u);
    QCOMPARE(h, 10u);
    QCOMPARE(volume->getMaskA().size(), std::size_t(70));
    QVERIFY(!volume->getMaskA().test(33));
    QVERIFY(volume->getMaskB().empty());
}

void TestModel::spinLockNeverLosesAnUpdate()
{
    auto volume = makeVolume(1, 1, 1);
    constexpr int rounds = 200000;
    auto hammer = [volume] {
        for (int i = 0; i < rounds; ++i) {
            Voxel *cells = volume->lockCells();
            cells[0].counter = cells[0].counter + 1;
            volume->unlockCells();
        }
    };
    volume->lockCells()[0].counter = 0;
    volume->unlockCells();
    QFuture<void> a = QtConcurrent::run(hammer);
    QFuture<void> b = QtConcurrent::run(hammer);
    a.waitForFinished();
    b.waitForFinished();
    QCOMPARE(volume->lockCells()[0].counter, std::uint32_t(2 * rounds));
    volume->unlockCells();
}

void TestModel::hugeVolumeThrowsBadAlloc()
{
    QVERIFY_EXCEPTION_THROWN(
        TotalVolume(100000, 100000, 100000, 1, 1, 1, Util::Vector3D(), {}), std::bad_alloc);
}

QTEST_GUILESS_MAIN(TestModel)
#include "tst_model.moc"
