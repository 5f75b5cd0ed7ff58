#include "Model/Automaton/AtomSplatter.h"
#include "Model/Automaton/AtomicRenderer.h"

#include <QRandomGenerator>
#include <QtTest>

#include <array>
#include <cmath>
#include <vector>

using Model::Automaton::AtomicRenderer;
using Model::Automaton::AtomSplatter;
using Geometry = AtomicRenderer::AtomGeometry;

namespace {

constexpr int viewWidth = 64;
constexpr int viewHeight = 48;
// The scene spans [0, 10] on each axis; the view frames [-1, 11] across.
constexpr double frame = 12.0;

// GL's matrices, column-major: a turn about (1, 1, 0) by `angle` degrees
// about the scene's centre, then an orthographic (or perspective) box.
AtomSplatter::View makeView(double angle, bool perspective)
{
    AtomSplatter::View v;
    v.width = viewWidth;
    v.height = viewHeight;
    const double a = angle * M_PI / 180.0, c = std::cos(a), s = std::sin(a), t = 1.0 - c;
    const double h = 1.0 / std::sqrt(2.0); // the axis's x and y
    const double r[9] = {t / 2 + c, t / 2, s * h, t / 2, t / 2 + c, -s * h, -s * h, s * h, c};
    v.modelView = {};
    for (int row = 0; row < 3; ++row)
        for (int col = 0; col < 3; ++col)
            v.modelView[std::size_t(col * 4 + row)] = r[row * 3 + col];
    // The centre (5, 5, 5) goes to the eye-space origin, 20 away in perspective.
    for (int row = 0; row < 3; ++row)
        v.modelView[std::size_t(12 + row)] = -5.0 * (r[row * 3] + r[row * 3 + 1] + r[row * 3 + 2]);
    v.modelView[15] = 1.0;
    v.projection = {};
    const double halfW = frame / 2.0, halfH = halfW * viewHeight / viewWidth;
    if (!perspective) {
        // glOrtho(-halfW, halfW, -halfH, halfH, -9, 9): the scene's depth just fits.
        const double nearPlane = -9.0, farPlane = 9.0;
        v.projection[0] = 1.0 / halfW;
        v.projection[5] = 1.0 / halfH;
        v.projection[10] = -2.0 / (farPlane - nearPlane);
        v.projection[14] = -(farPlane + nearPlane) / (farPlane - nearPlane);
        v.projection[15] = 1.0;
    } else {
        v.modelView[14] -= 20.0;
        // glFrustum framing the same box at distance 20, near 11, far 29.
        const double nearPlane = 11.0, farPlane = 29.0, k = nearPlane / 20.0;
        v.projection[0] = nearPlane / (halfW * k);
        v.projection[5] = nearPlane / (halfH * k);
        v.projection[10] = -(farPlane + nearPlane) / (farPlane - nearPlane);
        v.projection[11] = -1.0;
        v.projection[14] = -2.0 * farPlane * nearPlane / (farPlane - nearPlane);
    }
    return v;
}

// `count` atoms scattered over the scene (`spill` beyond it along every
// axis), each with a colour of its own. In blocks of 64 (unless `blocks` is
// off), each block's atoms in a cube of one unit somewhere in the scene.
Geometry makeAtoms(std::size_t count, float radius, double spill, bool blocks, quint32 seed)
{
    QRandomGenerator random(seed);
    Geometry g;
    g.radius = radius;
    double corner[3] = {0, 0, 0};
    for (std::size_t a = 0; a < count; ++a) {
        if (a % 64 == 0) {
            for (double &c : corner)
                c = -spill + random.generateDouble() * (9.0 + 2.0 * spill);
        }
        for (int axis = 0; axis < 3; ++axis)
            g.positions.push_back(blocks ? float(corner[axis] + random.generateDouble())
                                         : float(-spill + random.generateDouble() * (10.0 + 2.0 * spill)));
        const std::uint32_t id = std::uint32_t(a + 1);
        g.colors.insert(g.colors.end(), {std::uint8_t(id), std::uint8_t(id >> 8), std::uint8_t(id >> 16), 255});
    }
    for (std::size_t first = 0; blocks && first < count; first += 64) {
        AtomicRenderer::AtomBlock b{first, std::min<std::size_t>(64, count - first), {0, 0, 0}, {0, 0, 0}};
        for (std::size_t a = first; a < first + b.count; ++a)
            for (int axis = 0; axis < 3; ++axis) {
                const float p = g.positions[a * 3 + std::size_t(axis)];
                b.lower[axis] = a == first ? p : std::min(b.lower[axis], p);
                b.upper[axis] = a == first ? p : std::max(b.upper[axis], p);
            }
        g.blocks.push_back(b);
    }
    return g;
}

// The image a splat must give, pixel by pixel in double precision: the
// nearest atom over each pixel, and whether that answer is too close to
// call in single precision.
struct Reference
{
    std::vector<double> depth;
    std::vector<std::size_t> atom; // 0 for none, else index + 1
    std::vector<bool> close;
};

Reference reference(const Geometry &g, const AtomSplatter::View &v, const std::vector<float> &scene)
{
    const std::size_t pixels = std::size_t(viewWidth) * viewHeight;
    Reference ref{std::vector<double>(pixels, 1.0), std::vector<std::size_t>(pixels, 0), std::vector<bool>(pixels, false)};
    if (!scene.empty())
        std::copy(scene.begin(), scene.end(), ref.depth.begin());
    std::vector<double> second(ref.depth);
    double mvp[16];
    for (int row = 0; row < 4; ++row)
        for (int col = 0; col < 4; ++col) {
            mvp[row * 4 + col] = 0.0;
            for (int k = 0; k < 4; ++k)
                mvp[row * 4 + col] += v.projection[std::size_t(k * 4 + row)] * v.modelView[std::size_t(col * 4 + k)];
        }
    const double scale[3] = {viewWidth / 2.0, viewHeight / 2.0, 0.5};
    double radius[3];
    for (int row = 0; row < 3; ++row)
        radius[row] = g.radius * scale[row] * std::hypot(mvp[row * 4], mvp[row * 4 + 1], mvp[row * 4 + 2]);
    const double tiny = 1e-4;
    auto offer = [&](int x, int y, double depth, std::size_t atom, bool marginal) {
        if (x < 0 || y < 0 || x >= viewWidth || y >= viewHeight || depth < 0.0)
            return;
        const std::size_t at = std::size_t(y) * viewWidth + std::size_t(x);
        if (marginal || std::abs(depth) < tiny || std::abs(depth - second[at]) < tiny
            || std::abs(depth - ref.depth[at]) < tiny)
            ref.close[at] = true;
        if (depth < ref.depth[at]) {
            second[at] = ref.depth[at];
            ref.depth[at] = depth;
            ref.atom[at] = atom;
        } else {
            second[at] = std::min(second[at], depth);
        }
    };
    for (std::size_t a = 0; a < g.atomCount(); ++a) {
        const double p[4] = {g.positions[a * 3], g.positions[a * 3 + 1], g.positions[a * 3 + 2], 1.0};
        double c[4];
        for (int row = 0; row < 4; ++row)
            c[row] = mvp[row * 4] * p[0] + mvp[row * 4 + 1] * p[1] + mvp[row * 4 + 2] * p[2] + mvp[row * 4 + 3];
        if (!(c[3] > 0.0))
            continue;
        const double x = (c[0] / c[3] + 1.0) * scale[0], y = (c[1] / c[3] + 1.0) * scale[1];
        const double z = (c[2] / c[3] + 1.0) * scale[2];
        const double rx = radius[0] / c[3], ry = radius[1] / c[3], rz = radius[2] / c[3];
        // The nearest pixel centre to the atom's centre, along each axis.
        const double dx = std::abs(x - 0.5 - std::round(x - 0.5)), dy = std::abs(y - 0.5 - std::round(y - 0.5));
        const double nearest = (dx / rx) * (dx / rx) + (dy / ry) * (dy / ry);
        const bool ownPixelEdge = std::abs(x - std::round(x)) < tiny || std::abs(y - std::round(y)) < tiny;
        if ((rx <= 0.5 && ry <= 0.5) || nearest > 1.0) {
            offer(int(std::floor(x)), int(std::floor(y)), z - rz, a + 1,
                  ownPixelEdge || std::abs(rx - 0.5) < tiny || std::abs(nearest - 1.0) < tiny);
            continue;
        }
        for (int py = int(std::floor(y - ry)) - 1; py <= int(std::ceil(y + ry)) + 1; ++py)
            for (int px = int(std::floor(x - rx)) - 1; px <= int(std::ceil(x + rx)) + 1; ++px) {
                const double u = (px + 0.5 - x) / rx, w = (py + 0.5 - y) / ry;
                const double d2 = u * u + w * w;
                if (d2 <= 1.0 + tiny)
                    offer(px, py, z - rz * std::sqrt(std::max(0.0, 1.0 - d2)), a + 1, std::abs(d2 - 1.0) < tiny);
            }
    }
    return ref;
}

} // namespace

class TestAtomSplatter : public QObject
{
    Q_OBJECT

private slots:
    void matchesReference_data();
    void matchesReference();
    void shadingFollowsTheNormal();
    void unusableViewsDrawNothing();
};

void TestAtomSplatter::matchesReference_data()
{
    QTest::addColumn<int>("count");
    QTest::addColumn<double>("radiusPixels");
    QTest::addColumn<double>("angle");
    QTest::addColumn<double>("spill");
    QTest::addColumn<bool>("blocks");
    QTest::addColumn<bool>("perspective");
    QTest::addColumn<bool>("scene");
    // Enough atoms for every thread and band, each smaller than a pixel.
    QTest::newRow("140k sub-pixel atoms") << 140000 << 0.3 << 35.0 << 0.0 << true << false << false;
    QTest::newRow("pixel-size atoms") << 4000 << 0.8 << 60.0 << 0.0 << true << false << false;
    QTest::newRow("large atoms, one block") << 300 << 5.0 << 20.0 << 0.0 << false << false << false;
    // Blocks hidden behind what the view drew before are passed over.
    QTest::newRow("behind a drawn scene") << 30000 << 1.5 << 45.0 << 0.0 << true << false << true;
    QTest::newRow("beyond the near and far planes") << 8000 << 1.2 << 10.0 << 6.0 << true << false << false;
    QTest::newRow("perspective") << 6000 << 1.0 << 30.0 << 0.0 << true << true << false;
}

// Every pixel shows the atom nearest to the viewer there, at the depth of
// its sphere's front, after the culling of hidden blocks and the thread split.
void TestAtomSplatter::matchesReference()
{
    QFETCH(int, count);
    QFETCH(double, radiusPixels);
    QFETCH(double, angle);
    QFETCH(double, spill);
    QFETCH(bool, blocks);
    QFETCH(bool, perspective);
    QFETCH(bool, scene);
    const AtomSplatter::View view = makeView(angle, perspective);
    const Geometry atoms = makeAtoms(std::size_t(count), float(radiusPixels * frame / viewWidth), spill, blocks,
                                     quint32(count));
    std::vector<float> sceneDepth;
    if (scene) {
        // A wall at mid depth over the left half, nothing on the right.
        sceneDepth.assign(std::size_t(viewWidth) * viewHeight, 1.0f);
        for (int y = 0; y < viewHeight; ++y)
            for (int x = 0; x < viewWidth / 2; ++x)
                sceneDepth[std::size_t(y) * viewWidth + std::size_t(x)] = 0.5f;
    }
    AtomSplatter splatter;
    splatter.splat(atoms, view, AtomSplatter::Shading(), scene ? sceneDepth.data() : nullptr);
    const Reference ref = reference(atoms, view, sceneDepth);

    int checked = 0, drawn = 0;
    for (int y = 0; y < viewHeight; ++y)
        for (int x = 0; x < viewWidth; ++x) {
            const std::size_t at = std::size_t(y) * viewWidth + std::size_t(x);
            if (ref.close[at])
                continue;
            ++checked;
            const std::array<std::uint8_t, 4> c = splatter.colorAt(x, y);
            const std::size_t shown = c[3] ? (std::size_t(c[0]) | std::size_t(c[1]) << 8 | std::size_t(c[2]) << 16) : 0;
            QVERIFY2(shown == ref.atom[at], qPrintable(QStringLiteral("pixel (%1, %2) shows atom %3, not %4")
                                                           .arg(x).arg(y).arg(shown).arg(ref.atom[at])));
            if (!shown)
                continue;
            ++drawn;
            QVERIFY2(std::abs(splatter.depthAt(x, y) - ref.depth[at]) < 1e-5,
                     qPrintable(QStringLiteral("pixel (%1, %2) at depth %3, not %4")
                                    .arg(x).arg(y).arg(double(splatter.depthAt(x, y))).arg(ref.depth[at])));
            const AtomSplatter::Rect &r = splatter.bounds();
            QVERIFY(x >= r.x && y >= r.y && x < r.x + r.width && y < r.y + r.height);
        }
    QVERIFY2(checked > viewWidth * viewHeight * 9 / 10, "too many pixels too close to call");
    QVERIFY(drawn > 0);
    if (scene) {
        // Behind the wall only atoms in front of it were drawn, and no block
        // wholly behind it was even visited.
        QVERIFY(splatter.atomsVisited() < atoms.atomCount());
    }
}

// Lit by a light straight from the viewer, a sphere is brightest where it
// faces the light and darker towards its rim by the cosine of the normal.
void TestAtomSplatter::shadingFollowsTheNormal()
{
    Geometry atom;
    atom.positions = {5.0f, 5.0f, 5.0f};
    atom.colors = {200, 100, 50, 255};
    atom.radius = float(20.0 * frame / viewWidth);
    AtomSplatter::View view = makeView(0.0, false);
    AtomSplatter::Shading lit;
    lit.lit = true;
    lit.sceneAmbient = {{0.0f, 0.0f, 0.0f}};
    AtomSplatter::Light light;
    light.diffuse = {{1.0f, 1.0f, 1.0f}};
    lit.lights.push_back(light);
    AtomSplatter splatter;
    splatter.splat(atom, view, lit);
    const int cx = viewWidth / 2, cy = viewHeight / 2;
    const std::array<std::uint8_t, 4> centre = splatter.colorAt(cx, cy);
    QVERIFY(std::abs(centre[0] - 200) <= 2 && std::abs(centre[1] - 100) <= 2 && std::abs(centre[2] - 50) <= 2);
    // 16 of 20 pixels out: the normal's z is 0.6.
    const std::array<std::uint8_t, 4> side = splatter.colorAt(cx + 16, cy);
    QVERIFY2(std::abs(side[0] - 0.6 * 200) < 10, qPrintable(QString::number(side[0])));
    QVERIFY(side[0] > 0 && side[0] < centre[0]);

    // Unlit, every pixel takes the plain colour.
    splatter.splat(atom, view, AtomSplatter::Shading());
    QCOMPARE(splatter.colorAt(cx + 16, cy), (std::array<std::uint8_t, 4>{{200, 100, 50, 255}}));
}

// A view too large, one that gives atoms no size, and no atoms at all.
void TestAtomSplatter::unusableViewsDrawNothing()
{
    const Geometry atoms = makeAtoms(100, 0.5f, 0.0, true, 7);
    const AtomSplatter::View plain = makeView(0.0, false);
    AtomSplatter::View huge = plain, flat = plain;
    huge.width = AtomSplatter::maxSide + 1;
    flat.projection[0] = 0.0;
    AtomSplatter splatter;
    for (const auto &[geometry, view] : {std::make_pair(atoms, huge), std::make_pair(atoms, flat),
                                         std::make_pair(Geometry(), plain)}) {
        splatter.splat(atoms, plain, AtomSplatter::Shading()); // something drawn before
        QVERIFY(!splatter.bounds().isEmpty());
        splatter.splat(geometry, view, AtomSplatter::Shading());
        QVERIFY(splatter.bounds().isEmpty());
    }
}

QTEST_GUILESS_MAIN(TestAtomSplatter)
#include "tst_atomsplatter.moc"
