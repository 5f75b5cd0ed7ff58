#include "Model/Automaton/TotalVolume.h"
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
    void cloneAndTranslate();
    void spinLockNeverLosesAnUpdate();
};

void TestModel::cloneAndTranslate()
{
    auto volume = makeVolume(2, 3, 4);
    std::unique_ptr<TotalVolume> copy(static_cast<TotalVolume *>(volume->clone()));
    QVERIFY(copy->getObjectId() != volume->getObjectId());
    QCOMPARE(copy->getPosition(), volume->getPosition());
    QCOMPARE(copy->materialIds(), volume->materialIds());
    const auto before = volume->materialIds();
    volume->translate(Util::Vector3D(1, 2, 3));
    QCOMPARE(volume->getPosition(), Util::Vector3D(2, 4, 6));
    QCOMPARE(volume->materialIds(), before);
}

void TestModel::spinLockNeverLosesAnUpdate()
{
    auto volume = makeVolume(1, 1, 1);
    constexpr int rounds = 200000;
    auto hammer = [volume] {
        for (int i = 0; i < rounds; ++i) {
            ++volume->lockCells()[0].material;
            volume->unlockCells();
        }
    };
    QFuture<void> a = QtConcurrent::run(hammer);
    QFuture<void> b = QtConcurrent::run(hammer);
    a.waitForFinished();
    b.waitForFinished();
    QCOMPARE(volume->lockCells()[0].material, std::uint32_t(2 * rounds));
    volume->unlockCells();
}

QTEST_GUILESS_MAIN(TestModel)
#include "tst_model.moc"
