#include "Core/FrontReference.h"
#include "Model/Automaton/TotalVolume.h"

#include "Core/Operations/Doping/IonImplantation.h"
#include "Core/Operations/Doping/ThermalDoping.h"
#include "Core/Operations/Film/IsotropicFilmEtching.h"

#include <QtTest>

using namespace Core::Operations;
using Model::Automaton::TotalVolume;
using namespace TestSupport;

namespace {

constexpr std::uint32_t si = 1, nDoped = 14, pDoped = 15, mask = 2;

// Columns given bottom to top, one character per cell, separated by spaces:
// '.' empty, 's' silicon, 'n' / 'p' doped, 'm' mask. The volume, `repeats`
// times as wide as there are columns and one cell deep, takes column x % count.
ReferenceGrid columns(const QString &text, std::uint32_t repeats)
{
    const QStringList profile = text.split(QLatin1Char(' '));
    const std::uint32_t nx = std::uint32_t(profile.size()) * repeats;
    const std::uint32_t nz = std::uint32_t(profile.first().size());
    return shaped(nx, 1, nz, [&](std::uint32_t x, std::uint32_t, std::uint32_t z, std::uint32_t) {
        const QChar c = profile[int(x % profile.size())][int(z)];
        return c == 's' ? si : c == 'n' ? nDoped : c == 'p' ? pDoped : c == 'm' ? mask : 0;
    });
}

bool dopable(std::uint32_t id) { return id == si || id == nDoped || id == pDoped; }

// Doping from its rules: empty cells are the sources, dopable cells within
// the depth (through dopable cells) become the dopant.
std::vector<std::uint32_t> referenceDoping(const ReferenceGrid &grid, std::uint32_t dopant, float depth)
{
    std::vector<ReferenceCell> cells(grid.ids.size());
    for (std::size_t i = 0; i < cells.size(); ++i) {
        cells[i].fixed = grid.ids[i] == 0;
        const float v = cells[i].fixed ? 0.0f : depth;
        cells[i].v[0] = cells[i].v[1] = cells[i].v[2] = v;
    }
    referenceFront(grid, cells, referenceSteps(depth, grid), [&](std::size_t i) { return dopable(grid.ids[i]); },
                   [&](std::size_t) { return depth * depth; }, cellSteps(grid));
    std::vector<std::uint32_t> ids = grid.ids;
    for (std::size_t i = 0; i < ids.size(); ++i)
        if (cells[i].reached)
            ids[i] = dopant;
    return ids;
}

// Implantation from its rules: the dopable cells `depth` (within half a cell)
// below each column's top cell are the sources; the anneal spreads through
// dopable cells only.
std::vector<std::uint32_t> referenceImplantation(const ReferenceGrid &grid, std::uint32_t dopant, float depth,
                                                 float annealing)
{
    std::vector<int> top(std::size_t(grid.nx) * grid.ny, -1);
    grid.forEach([&](std::uint32_t x, std::uint32_t y, std::uint32_t z, std::size_t i) {
        if (grid.ids[i] != 0)
            top[std::size_t(x) * grid.ny + y] = int(z);
    });
    std::vector<std::uint32_t> ids = grid.ids;
    std::vector<ReferenceCell> cells(ids.size());
    grid.forEach([&](std::uint32_t x, std::uint32_t y, std::uint32_t z, std::size_t i) {
        const float below = float(top[std::size_t(x) * grid.ny + y] - int(z)) * grid.cz;
        const bool layer = dopable(ids[i]) && std::fabs(below - depth) <= grid.cz / 2;
        cells[i].fixed = !dopable(ids[i]) || layer;
        cells[i].v[0] = cells[i].v[1] = cells[i].v[2] = layer ? 0.0f : annealing;
        ids[i] = layer ? dopant : ids[i];
    });
    referenceFront(grid, cells, referenceSteps(annealing, grid), [&](std::size_t i) { return dopable(ids[i]); },
                   [&](std::size_t) { return annealing * annealing; }, cellSteps(grid));
    for (std::size_t i = 0; i < ids.size(); ++i)
        if (cells[i].reached)
            ids[i] = dopant;
    return ids;
}

} // namespace

class TestDoping : public QObject
{
    Q_OBJECT

private slots:
    void matchesReference_data()
    {
        QTest::addColumn<bool>("implant");
        QTest::addColumn<std::uint32_t>("seed");
        QTest::addColumn<float>("cx");
        QTest::addColumn<float>("cz");
        QTest::addColumn<std::uint32_t>("type");
        QTest::addColumn<float>("depth");
        QTest::addColumn<float>("annealing");
        QTest::newRow("doping P, cells 1 x 1 x 0.6, depth 2.5") << false << 4u << 1.0f << 0.6f << 1u << 2.5f << 0.0f;
        QTest::newRow("doping N, cells 0.7 x 1 x 1.2, depth 3") << false << 5u << 0.7f << 1.2f << 0u << 3.0f << 0.0f;
        QTest::newRow("implant, cells 0.8 x 1 x 0.5, anneal 1.2") << true << 6u << 0.8f << 0.5f << 1u << 1.5f << 1.2f;
        QTest::newRow("implant, cells 0.8 x 1 x 1.3, anneal 2") << true << 7u << 0.8f << 1.3f << 1u << 2.6f << 2.0f;
        QTest::newRow("implant, no annealing") << true << 8u << 0.8f << 1.0f << 1u << 2.0f << 0.0f;
    }

    // Random volumes: one strip and several strips give the reference result.
    void matchesReference()
    {
        QFETCH(bool, implant);
        QFETCH(std::uint32_t, seed);
        QFETCH(float, cx);
        QFETCH(float, cz);
        QFETCH(std::uint32_t, type);
        QFETCH(float, depth);
        QFETCH(float, annealing);
        const std::uint32_t dopant = type == 1 ? pDoped : nDoped;
        const ReferenceGrid grid =
            implant ? randomGrid(seed, 12, 6, 10, cx, 1.0f, cz, {si, si, si, si, nDoped, mask})
                    : randomGrid(seed, 12, 6, 9, cx, 1.0f, cz, {si, si, si, nDoped, pDoped, mask});
        const auto expected = implant ? referenceImplantation(grid, dopant, depth, annealing)
                                      : referenceDoping(grid, dopant, depth);
        QVERIFY(expected != grid.ids);
        for (unsigned strips : {1u, 3u, 6u}) {
            auto volume = volumeOf(grid);
            std::unique_ptr<SurfaceFrontProcess> process;
            if (implant)
                process = std::make_unique<IonImplantation>(volume.get(), si, type, depth, annealing);
            else
                process = std::make_unique<ThermalDoping>(volume.get(), si, type, depth);
            process->setStripCount(strips);
            process->run();
            QVERIFY2(volume->materialIds() == expected, qPrintable(QString("%1 strips").arg(strips)));
        }
    }

    void columnCases_data()
    {
        QTest::addColumn<bool>("implant");
        QTest::addColumn<std::uint32_t>("type");
        QTest::addColumn<float>("depth");
        QTest::addColumn<float>("annealing");
        QTest::addColumn<QString>("before"); // columns bottom to top
        QTest::addColumn<QString>("after");
        QTest::newRow("doping a flat block to depth 3") << false << 0u << 3.0f << 0.0f << "ssssss.." << "sssnnn..";
        QTest::newRow("P over N counter-dopes; the mask is kept")
            << false << 1u << 2.0f << 0.0f << "snnnn... snnnm..." << "snnpp... snnnm...";
        QTest::newRow("a mask shields the silicon below it")
            << false << 0u << 1.0f << 0.0f << "ssssm.. ssssm.. ssssm.." << "ssssm.. ssssm.. ssssm..";
        QTest::newRow("implanted 2 below each top, following the steps")
            << true << 1u << 2.0f << 0.0f << "ssssss. ssss..." << "ssspss. spss...";
        QTest::newRow("depth beyond a column's height dopes nothing there")
            << true << 0u << 4.0f << 0.0f << "sssssss sss.... ......." << "ssnssss sss.... .......";
        QTest::newRow("annealing spreads the layer both ways") << true << 0u << 3.0f << 1.0f << "ssssssss" << "sssnnnss";
    }

    void columnCases()
    {
        QFETCH(bool, implant);
        QFETCH(std::uint32_t, type);
        QFETCH(float, depth);
        QFETCH(float, annealing);
        QFETCH(QString, before);
        QFETCH(QString, after);
        const ReferenceGrid grid = columns(before, 4);
        auto volume = volumeOf(grid);
        if (implant)
            IonImplantation(volume.get(), si, type, depth, annealing).run();
        else
            ThermalDoping(volume.get(), si, type, depth).run();
        QVERIFY(volume->materialIds() == columns(after, 4).ids);
    }

    // Empty cells below a column's top (a buried cavity) take part in an
    // implantation like the empty cells above it: whatever an earlier run left
    // in them, they never seed the dopant.
    void implantationIgnoresStaleCavities()
    {
        const ReferenceGrid grid = shaped(8, 8, 16, [](std::uint32_t x, std::uint32_t y, std::uint32_t z, std::uint32_t) {
            const bool cavity = x >= 2 && x < 6 && y >= 2 && y < 6 && z >= 3 && z < 6;
            return z < 14 && !cavity ? si : 0u;
        });
        auto volume = volumeOf(grid);
        // An etch of a material nobody holds leaves every empty cell a source.
        IsotropicFilmEtching(volume.get(), 9, 2.0f).run();
        // Layer at z = 10, annealed 3 down to z = 7. The cavity's top cells
        // (z = 5) touch z = 6, the first cell out of reach.
        IonImplantation(volume.get(), si, 0, 3.0f, 3.0f).run();
        QVERIFY(volume->materialIds()
                == grid.mapped([](std::uint32_t, std::uint32_t, std::uint32_t z, std::uint32_t id) {
                       return z >= 7 && z <= 13 ? nDoped : id;
                   }));
    }
};

QTEST_GUILESS_MAIN(TestDoping)
#include "tst_doping.moc"
