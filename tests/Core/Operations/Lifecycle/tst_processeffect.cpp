#include "Core/BatchRun/BatchRunner.h"
#include "Core/BatchRun/ProcessData.h"
#include "Core/Operations/Lifecycle/ProcessEffect.h"
#include "Core/Operations/UndoRedo/TotalVolumeUndoRedoHelper.h"
#include "Core/ProcessTable.h"
#include "Core/ProcessRuns.h"
#include "Core/TestOperations.h"

#include <QRandomGenerator>
#include <QRegularExpression>
#include <QThreadPool>
#include <QtTest>

#include <algorithm>
#include <cstdlib>
#include <map>

using Core::ProcessKey;
using Core::ProcessTable;
using Core::Operations::ProcessEffect;
using Model::Automaton::TotalVolume;

namespace {

constexpr std::uint32_t side = 8, height = 12;

// Flat layers from the bottom of an 8 x 8 x 12 volume: "1x4 3x2" is four
// layers of material 1 under two of material 3, empty above.
std::shared_ptr<TotalVolume> layered(const QString &layers, float cellSize)
{
    std::vector<std::uint32_t> column, ids;
    for (const QString &layer : layers.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        const QStringList parts = layer.split(QLatin1Char('x'));
        column.insert(column.end(), parts[1].toUInt(), parts[0].toUInt());
    }
    column.resize(height, 0);
    for (std::uint32_t c = 0; c < side * side; ++c)
        ids.insert(ids.end(), column.begin(), column.end());
    return std::make_shared<TotalVolume>(side, side, height, cellSize, cellSize, cellSize, Util::Vector3D(), ids);
}

// The change the finish line should report, worked out cell by cell:
// "N cells changed (A +n, B -m)", the largest change first.
QString expectedChange(const std::vector<std::uint32_t> &before, const std::vector<std::uint32_t> &after)
{
    std::map<std::uint32_t, std::int64_t> net;
    std::uint64_t changed = 0;
    for (std::size_t i = 0; i < before.size(); ++i) {
        if (before[i] == after[i])
            continue;
        ++changed;
        --net[before[i]];
        ++net[after[i]];
    }
    std::vector<std::pair<std::uint32_t, std::int64_t>> listed;
    for (const auto &entry : net)
        if (entry.first != 0 && entry.second != 0)
            listed.push_back(entry);
    std::stable_sort(listed.begin(), listed.end(),
                     [](const auto &a, const auto &b) { return std::llabs(a.second) > std::llabs(b.second); });
    QStringList materials;
    for (const auto &entry : listed)
        materials << QStringLiteral("%1 %2%3").arg(ProcessEffect::materialName(entry.first),
                                                   entry.second > 0 ? QStringLiteral("+") : QStringLiteral("-"))
                         .arg(std::llabs(entry.second));
    QString text = QStringLiteral("%1 cells changed").arg(changed);
    if (!materials.isEmpty())
        text += QStringLiteral(" (%1)").arg(materials.join(QStringLiteral(", ")));
    return text;
}

// A volume of random ids 0..4 in runs, the way processes leave them.
std::vector<std::uint32_t> randomIds(std::size_t count, QRandomGenerator &random)
{
    std::vector<std::uint32_t> ids(count);
    for (std::size_t i = 0; i < count;) {
        const std::size_t run = std::min<std::size_t>(count - i, 1 + random.bounded(40u));
        std::fill_n(ids.begin() + std::ptrdiff_t(i), run, random.bounded(5u));
        i += run;
    }
    return ids;
}

} // namespace

Q_DECLARE_METATYPE(ProcessKey)

class TestProcessEffect : public QObject
{
    Q_OBJECT

private slots:
    void everyProcessSaysWhatItDid_data()
    {
        QTest::addColumn<ProcessKey>("key");
        QTest::addColumn<QString>("layers");
        QTest::addColumn<float>("cellSize");
        QTest::addColumn<QVariantMap>("settings");
        QTest::addColumn<bool>("changes");
        // Changes: text the line ends with (after the counts); none: the reason.
        QTest::addColumn<QString>("said");
        using K = ProcessKey;
        const auto row = [](const char *name, K key, const char *layers, QVariantMap settings, bool changes, QString said,
                            float cellSize = 1.0f) {
            QTest::newRow(name) << key << QString::fromLatin1(layers) << cellSize << settings << changes << said;
        };
        const QString um = QString::fromUtf8(" \xc2\xb5m");
        row("cvd", K::Cvd, "1x4", {{"MaterialId", 3u}, {"Thickness", 1.0f}}, true, ", thickness 1" + um);
        row("cvd, thickness 0", K::Cvd, "1x4", {{"MaterialId", 3u}, {"Thickness", 0.0f}}, false,
            "the thickness is 0" + um);
        row("pvd", K::Pvd, "1x4", {{"MaterialId", 3u}, {"Thickness", 2.0f}}, true, ", thickness 2" + um);
        row("pvd, thickness 0", K::Pvd, "1x4", {{"MaterialId", 3u}, {"Thickness", 0.0f}}, false,
            "the thickness is 0" + um);
        row("electroplating", K::Electroplating, "1x4 4x1",
            {{"ConductingMaterialId", 4u}, {"DepositedMaterialId", 5u}, {"Film Thickness", 2.0f}}, true,
            ", thickness 2" + um);
        row("electroplating, no seed", K::Electroplating, "1x4",
            {{"ConductingMaterialId", 4u}, {"DepositedMaterialId", 5u}, {"Film Thickness", 2.0f}}, false,
            "the volume holds no Al (bulk)");
        row("isotropic etching", K::IsotropicEtching, "1x4 3x2", {{"MaterialId", 3u}, {"Depth", 1.0f}}, true,
            ", depth 1" + um);
        row("isotropic etching, no oxide", K::IsotropicEtching, "1x4", {{"MaterialId", 3u}, {"Depth", 1.0f}}, false,
            "the volume holds no Thermal Si02");
        row("doping", K::Doping, "1x4", {{"MaterialId", 1u}, {"Doping Depth", 2.0f}}, true, ", depth 2" + um);
        row("doping, no host", K::Doping, "1x4", {{"MaterialId", 5u}, {"Doping Depth", 2.0f}}, false,
            "the volume holds no Cu (bulk)");
        row("ion implantation", K::IonImplantation, "1x6",
            {{"DopedMaterialId", 1u}, {"Implantation Depth", 2.0f}, {"Annealing Distance", 1.0f}}, true,
            ", depth 2" + um + ", annealing distance 1" + um);
        row("ion implantation, no host", K::IonImplantation, "1x6",
            {{"DopedMaterialId", 5u}, {"Implantation Depth", 2.0f}, {"Annealing Distance", 1.0f}}, false,
            "the volume holds no Cu (bulk)");
        row("moore deposition", K::MooreDeposition, "1x4", {{"MaterialId", 4u}, {"Thickness", 2u}}, true,
            ", thickness 2 cells");
        row("moore deposition, 0 steps", K::MooreDeposition, "1x4", {{"MaterialId", 4u}, {"Thickness", 0u}}, false,
            "the thickness is 0 cells");
        row("moore etching", K::MooreEtching, "1x4 4x2", {{"MaterialId", 4u}, {"Depth", 1u}}, true, ", depth 1 cell");
        row("moore etching, no such film", K::MooreEtching, "1x4", {{"MaterialId", 4u}, {"Depth", 1u}}, false,
            "the volume holds no Al (bulk)");
        row("simple rie", K::SimpleRie, "1x4 3x2", {{"MaterialId", 3u}, {"Etch Depth", 1u}, {"EtchDirectionValue", 1}},
            true, ", depth 1 cell");
        row("simple rie, no direction", K::SimpleRie, "1x4 3x2",
            {{"MaterialId", 3u}, {"Etch Depth", 1u}, {"EtchDirectionValue", 0}}, false,
            "no etch direction (top, bottom) is set");
        row("planarization", K::Planarization, "1x6", {{"Maximum Height", 4u}, {"Minimum Height", 0u}}, true,
            ", kept the layers from 0" + um + " to 8" + um, 2.0f);
        row("planarization, all inside", K::Planarization, "1x6", {{"Maximum Height", 12u}, {"Minimum Height", 0u}}, false,
            "no solid cell lies outside the layers from 0" + um + " to 12" + um);
        row("spin coating", K::SpinCoating, "1x4", {{"MaterialId", 11u}, {"Maximum Height", 6u}}, true,
            ", height 6" + um);
        row("spin coating below the surface", K::SpinCoating, "1x6", {{"MaterialId", 11u}, {"Maximum Height", 3u}}, false,
            "the height 6" + um + " lies below the surface (top at 12" + um + " above the volume's bottom)", 2.0f);
        row("spin coating level with the surface", K::SpinCoating, "1x4 3x2", {{"MaterialId", 11u}, {"Maximum Height", 6u}},
            false, "the height 6" + um + " lies at the surface (top at 6" + um + " above the volume's bottom)");
        row("oxidation", K::SiOxidation, "1x4", {{"Oxidation Thickness", 3.0}}, true, ", thickness 3" + um);
        row("oxidation thinner than a cell", K::SiOxidation, "1x4", {{"Oxidation Thickness", 0.5}}, false,
            "an oxide of 0.5" + um + " is no thicker than the smallest cell side (1" + um + ")");
        row("wet etch", K::SiWetEtching, "1x6", {{"Depth", 1.0}}, true, ", depth 1" + um);
        row("wet etch under a closed mask", K::SiWetEtching, "1x6 3x1", {{"Depth", 2.0}}, false,
            "no silicon surface was open to the etchant");
        row("continuous wet etch", K::ContinuousWetEtching, "1x6", {{"Depth", 6.0}}, true, ", depth 6" + um);
        // Atoms go, but no cell empties: a change all the same, named as such.
        row("continuous wet etch, no cell emptied", K::ContinuousWetEtching, "1x6", {{"Depth", 1.0}}, true,
            ", depth 1" + um);
        row("continuous wet etch under a closed mask", K::ContinuousWetEtching, "1x6 3x1", {{"Depth", 2.0}}, false,
            "no silicon surface was open to the etchant");
        row("photolithography", K::Photolithography, "1x4 11x2", {{"MaterialId", 11u}}, true, QString());
        row("photolithography without resist", K::Photolithography, "1x4", {{"MaterialId", 11u}}, false, QString());
    }

    // Every process with a menu, run from its menu and as a batch step on the
    // same volume: a run that changes cells names their exact count per
    // material and goes onto the undo stack; a run that changes nothing says so
    // as a warning, with the reason where one is known, and leaves the undo
    // stack alone. The batch step reports the same.
    void everyProcessSaysWhatItDid()
    {
        QFETCH(ProcessKey, key);
        QFETCH(QString, layers);
        QFETCH(float, cellSize);
        QFETCH(QVariantMap, settings);
        QFETCH(bool, changes);
        QFETCH(QString, said);
        const ProcessTable::Kind &kind = ProcessTable::kind(key);
        QVERIFY(kind.menuId != 0);
        const Core::BatchRun::ProcessData step = TestSupport::stepOf(key, settings);

        Core::Workspace workspace;
        const auto volume = layered(layers, cellSize);
        workspace.getDocument().addObject(volume);
        const std::vector<std::uint32_t> before = volume->materialIds();
        TestSupport::startFromMenu(workspace, kind, step, volume);
        const std::vector<std::uint32_t> after = volume->materialIds();
        const Core::ConsoleInput &console = workspace.getConsoleInput();
        const QString head = kind.operationName + QStringLiteral(": Operation finished: ");
        QVERIFY2(console.getMessage().startsWith(head), qPrintable(console.getMessage()));
        const QString effect = console.getMessage().mid(head.size()).chopped(1);
        QCOMPARE(console.isWarning(), !changes);
        QCOMPARE(workspace.getUndoRedo().undoCount(), std::size_t(changes ? 1 : 0));
        if (changes && after == before) {
            QVERIFY2(QRegularExpression(QStringLiteral("^no cell changed, [0-9,]+ atoms dissolved")).match(effect).hasMatch()
                         && effect.endsWith(said),
                     qPrintable(effect));
        } else if (changes) {
            QCOMPARE(effect, expectedChange(before, after) + said);
            QVERIFY(workspace.getUndoRedo().undo());
            QVERIFY(volume->materialIds() == before);
        } else {
            QVERIFY(after == before);
            QCOMPARE(effect, said.isEmpty() ? QStringLiteral("changed nothing")
                                            : QStringLiteral("changed nothing \u2014 ") + said);
        }

        if (!kind.runStep)
            return;
        Core::Workspace batchWorkspace;
        Core::BatchRun::BatchStepExecutor::Context context;
        context.workspace = &batchWorkspace;
        context.volume = layered(layers, cellSize);
        Core::BatchRun::BatchRunner runner(context);
        QList<Core::BatchRun::BatchRunner::StepReport> reports;
        runner.setStepFinished([&reports](const Core::BatchRun::BatchRunner::StepReport &report) { reports << report; });
        runner.run({step});
        QCOMPARE(reports.size(), 1);
        QCOMPARE(reports[0].code, int(Core::BatchRun::BatchStepExecutor::Done));
        QCOMPARE(reports[0].effect, effect);
        QCOMPARE(reports[0].changedNothing, !changes);
        QVERIFY(context.volume->materialIds() == after);
    }

    void countMatchesCellByCell_data()
    {
        QTest::addColumn<QVector<std::uint32_t>>("size");
        QTest::addColumn<int>("threads");
        QTest::addColumn<int>("changes"); // runs of changed cells
        // 37 x 91 x 333 is just over one undo block (2^20 cells): slabs and
        // blocks share no borders.
        QTest::newRow("two blocks, one slab") << QVector<std::uint32_t>{37, 91, 333} << 1 << 500;
        QTest::newRow("two blocks, three slabs") << QVector<std::uint32_t>{37, 91, 333} << 3 << 500;
        QTest::newRow("two blocks, five slabs") << QVector<std::uint32_t>{37, 91, 333} << 5 << 20000;
        QTest::newRow("fewer columns than threads") << QVector<std::uint32_t>{2, 50, 40} << 4 << 30;
        QTest::newRow("nothing changed") << QVector<std::uint32_t>{37, 91, 333} << 3 << 0;
    }

    // The count from the undo copy against a plain loop over all cells, for
    // any slab count; a copy that does not fit the volume gives no count.
    void countMatchesCellByCell()
    {
        QFETCH(QVector<std::uint32_t>, size);
        QFETCH(int, threads);
        QFETCH(int, changes);
        QThreadPool *pool = QThreadPool::globalInstance();
        const int poolThreads = pool->maxThreadCount();
        pool->setMaxThreadCount(threads);
        QRandomGenerator random(quint32(size[0] * 7 + threads + changes));
        const std::size_t count = std::size_t(size[0]) * size[1] * size[2];
        const std::vector<std::uint32_t> before = randomIds(count, random);
        TotalVolume volume(size[0], size[1], size[2], 1.f, 1.f, 1.f, Util::Vector3D(), before);
        Core::Workspace workspace;
        Core::Operations::TotalVolumeUndoRedoHelper copy(&workspace, QStringLiteral("EffectTest"));
        copy.saveBefore(&volume);
        {
            const TotalVolume::CellsLock lock(volume, TotalVolume::CellsLock::Write);
            for (int run = 0; run < changes; ++run) {
                const std::size_t first = random.bounded(quint32(count));
                const std::uint32_t to = random.bounded(5u);
                for (std::size_t i = first; i < std::min(count, first + 1 + random.bounded(60u)); ++i)
                    lock.writableCells()[i].material = to;
            }
        }
        ProcessEffect effect;
        effect.compare(copy.savedBefore(), volume);
        pool->setMaxThreadCount(poolThreads);
        const std::vector<std::uint32_t> after = volume.materialIds();
        QVERIFY(effect.isCounted());
        QCOMPARE(effect.changedNothing(), before == after);
        const QString expected = before == after ? QStringLiteral("changed nothing") : expectedChange(before, after);
        // The text groups thousands; the reference writes plain numbers.
        QCOMPARE(effect.text().remove(QLatin1Char(',')), QString(expected).remove(QLatin1Char(',')));
        QCOMPARE(ProcessEffect::number(999), QStringLiteral("999"));
        QCOMPARE(ProcessEffect::number(1048577), QStringLiteral("1,048,577"));

        // A made volume counts every solid cell as new.
        ProcessEffect made;
        made.countNew(volume);
        QCOMPARE(made.text().remove(QLatin1Char(',')),
                 expectedChange(std::vector<std::uint32_t>(count, 0), after).remove(QLatin1Char(',')));

        // A copy of another volume's size is no basis for a count.
        TotalVolume other(size[0], size[1], size[2] + 1, 1.f, 1.f, 1.f, Util::Vector3D(), before);
        ProcessEffect mismatched;
        mismatched.compare(copy.savedBefore(), other);
        QVERIFY(!mismatched.isCounted());
        QVERIFY(mismatched.text().isEmpty());
    }

};

QTEST_GUILESS_MAIN(TestProcessEffect)
#include "tst_processeffect.moc"
