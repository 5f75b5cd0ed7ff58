#include "Core/TestOperations.h"

#include "Core/Operations/Film/MooreNeighborhoodEtchingOperation.h"
#include "Core/Operations/Film/PlanarizationOperation.h"
#include "Core/Operations/Film/SpinCoatingOperation.h"

#include <QtTest>

using namespace Core::Operations;
using namespace TestSupport;
using Maker = std::function<std::shared_ptr<VolumeProcessOperation>(Core::Workspace *)>;

namespace {

template <class Op>
Maker make()
{
    return [](Core::Workspace *workspace) { return std::make_shared<Op>(workspace); };
}

} // namespace

Q_DECLARE_METATYPE(Maker)

class TestFilmOperations : public QObject
{
    Q_OBJECT

private slots:
    void cancelInTheDialog_data();
    void cancelInTheDialog();
};

void TestFilmOperations::cancelInTheDialog_data()
{
    QTest::addColumn<Maker>("maker");
    QTest::addColumn<QString>("message");
    QTest::newRow("planarization") << make<PlanarizationOperation>() << "Planarization: Operation canceled!";
    QTest::newRow("spin coating") << make<SpinCoatingOperation>() << "Spin Coating: Operation canceled.";
    QTest::newRow("moore etching") << make<MooreNeighborhoodEtchingOperation>()
                                   << "Moore film deposition: Operation canceled.";
}

// Cancel ends the operation; a finish with options missing behaves as cancel.
void TestFilmOperations::cancelInTheDialog()
{
    QFETCH(Maker, maker);
    QFETCH(QString, message);
    Core::Workspace workspace;
    auto volume = makeVolume(4, 4, 4, 1);
    const auto before = volume->materialIds();
    for (const bool half : {false, true}) {
        playDialogs<VolumeProcessOperation>(workspace, [half](VolumeProcessOperation &op) {
            if (half) {
                if (auto *planarization = dynamic_cast<PlanarizationOperation *>(&op))
                    planarization->setMaximumHeight(1); // the minimum is missing
                op.end();
            } else {
                op.cancel();
            }
        }, [&](std::uint32_t) { return maker(&workspace); });
        const auto log = logMessages(workspace);
        workspace.getSelection().select(volume);
        workspace.activate(1);
        QCOMPARE(log->lines.last(), message);
        QVERIFY(!workspace.getCurrentOperation());
        QCOMPARE(volume->materialIds(), before);
        QCOMPARE(workspace.getUndoRedo().undoCount(), std::size_t(0));
    }
}

QTEST_GUILESS_MAIN(TestFilmOperations)
#include "tst_filmoperations.moc"
