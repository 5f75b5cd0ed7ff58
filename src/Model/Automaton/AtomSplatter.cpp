#include "AtomSplatter.h"

#include "Util/ParallelTasks.h"

#include <QThread>
#include <QThreadPool>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>
#include <limits>

namespace Model {
namespace Automaton {

namespace {

// Atoms per thread below which another thread does not pay for itself.
constexpr std::size_t atomsPerThread = 1 << 16;
// The lighting is looked up by the normal's x and y on a grid this fine:
// smooth enough for spheres a few hundred pixels across.
constexpr int shadeSide = 64;
constexpr float emptyDepth = 1.0f;
// Pixels on edge of the tiles the hidden-block test works on.
constexpr int tileSide = 8;

// Separate from the global pool, which a running process fills with its
// strips: a frame must not wait for them.
QThreadPool &splatPool()
{
    static QThreadPool pool;
    static const bool sized = [] {
        pool.setMaxThreadCount(std::max(1, QThread::idealThreadCount() - 1));
        return true;
    }();
    Q_UNUSED(sized);
    return pool;
}

float dot3(const std::array<float, 3> &a, const float b[3])
{
    return a[0] * b[0] + a[1] * b[1] + a[2] * b[2];
}

// The lit colour of an atom colour per grid cell of the normal's (x, y),
// packed r, g, b, a. An atom view has a handful of colours (one per bonding
// class), so each gets its table once and a pixel costs one lookup.
class ShadeTable
{
public:
    explicit ShadeTable(const AtomSplatter::Shading &s)
        : lit(s.lit)
    {
        if (!lit)
            return;
        factor.resize(shadeSide * shadeSide * 3);
        highlight.resize(shadeSide * shadeSide * 3);
        for (int iv = 0; iv < shadeSide; ++iv)
            for (int iu = 0; iu < shadeSide; ++iu) {
                float n[3] = {(iu + 0.5f) / shadeSide * 2.0f - 1.0f, (iv + 0.5f) / shadeSide * 2.0f - 1.0f, 0.0f};
                const float d2 = n[0] * n[0] + n[1] * n[1];
                if (d2 < 1.0f) {
                    n[2] = std::sqrt(1.0f - d2);
                } else {
                    n[0] /= std::sqrt(d2);
                    n[1] /= std::sqrt(d2);
                }
                float f[3] = {s.sceneAmbient[0], s.sceneAmbient[1], s.sceneAmbient[2]};
                float h[3] = {0.0f, 0.0f, 0.0f};
                for (const AtomSplatter::Light &light : s.lights) {
                    const float nl = dot3(light.direction, n);
                    // The half vector of a viewer at infinity along +z.
                    float half[3] = {light.direction[0], light.direction[1], light.direction[2] + 1.0f};
                    const float length = std::sqrt(half[0] * half[0] + half[1] * half[1] + half[2] * half[2]);
                    const float nh = length > 0.0f ? std::max(0.0f, (n[0] * half[0] + n[1] * half[1] + n[2] * half[2]) / length)
                                                   : 0.0f;
                    const float shine = nl > 0.0f ? std::pow(nh, s.shininess) : 0.0f;
                    for (int c = 0; c < 3; ++c) {
                        f[c] += light.ambient[std::size_t(c)] + light.diffuse[std::size_t(c)] * std::max(0.0f, nl);
                        h[c] += light.specular[std::size_t(c)] * s.materialSpecular[std::size_t(c)] * shine * 255.0f;
                    }
                }
                const std::size_t at = std::size_t(iv * shadeSide + iu) * 3;
                std::copy(f, f + 3, factor.begin() + std::ptrdiff_t(at));
                std::copy(h, h + 3, highlight.begin() + std::ptrdiff_t(at));
            }
    }

    // The grid cell of a normal's (x, y), each in [-1, 1].
    static int cell(float u, float v)
    {
        const int iu = std::min(shadeSide - 1, std::max(0, int((u + 1.0f) * (shadeSide / 2))));
        const int iv = std::min(shadeSide - 1, std::max(0, int((v + 1.0f) * (shadeSide / 2))));
        return iv * shadeSide + iu;
    }

    // The lit colours of `color` by grid cell; one entry when unlit.
    const std::uint32_t *colors(const std::uint8_t *color)
    {
        std::uint32_t key;
        std::memcpy(&key, color, 4);
        if (key == lastKey && lastTable)
            return lastTable;
        auto found = std::find(keys.begin(), keys.end(), key);
        if (found == keys.end()) {
            keys.push_back(key);
            tables.emplace_back(makeTable(color));
            found = keys.end() - 1;
        }
        lastKey = key;
        lastTable = tables[std::size_t(found - keys.begin())].data();
        return lastTable;
    }

    bool isLit() const { return lit; }

private:
    std::vector<std::uint32_t> makeTable(const std::uint8_t *color) const
    {
        std::vector<std::uint32_t> table(lit ? shadeSide * shadeSide : 1);
        for (std::size_t at = 0; at < table.size(); ++at) {
            std::uint8_t out[4] = {color[0], color[1], color[2], 255};
            if (lit) {
                for (int c = 0; c < 3; ++c) {
                    const float value = color[c] * factor[at * 3 + std::size_t(c)] + highlight[at * 3 + std::size_t(c)];
                    out[c] = std::uint8_t(std::min(255.0f, value + 0.5f));
                }
            }
            std::memcpy(&table[at], out, 4);
        }
        return table;
    }

    bool lit = false;
    std::vector<float> factor;
    std::vector<float> highlight;
    std::vector<std::uint32_t> keys;
    std::vector<std::vector<std::uint32_t>> tables;
    std::uint32_t lastKey = 0;
    const std::uint32_t *lastTable = nullptr;
};

// The atoms' coordinates to window pixels and depth: rows x, y, z, w of
// viewport * projection * model-view, and the radius along each.
struct Transform
{
    float m[16];
    float radius[3];
    bool projective;
    bool valid;

    Transform(const AtomSplatter::View &view, float r)
    {
        double mvp[16];
        for (int row = 0; row < 4; ++row)
            for (int col = 0; col < 4; ++col) {
                double sum = 0.0;
                for (int k = 0; k < 4; ++k)
                    sum += view.projection[std::size_t(k * 4 + row)] * view.modelView[std::size_t(col * 4 + k)];
                mvp[row * 4 + col] = sum;
            }
        // Normalised device coordinates to pixels (y up) and window depth.
        const double scale[3] = {view.width / 2.0, view.height / 2.0, 0.5};
        for (int row = 0; row < 3; ++row)
            for (int col = 0; col < 4; ++col)
                m[row * 4 + col] = float(scale[row] * (mvp[row * 4 + col] + mvp[12 + col]));
        for (int col = 0; col < 4; ++col)
            m[12 + col] = float(mvp[12 + col]);
        projective = !(mvp[12] == 0.0 && mvp[13] == 0.0 && mvp[14] == 0.0 && mvp[15] == 1.0);
        for (int row = 0; row < 3; ++row) {
            // A linear map takes a ball to an ellipsoid whose half extent
            // along an output axis is the length of that row.
            const double a = mvp[row * 4], b = mvp[row * 4 + 1], c = mvp[row * 4 + 2];
            radius[row] = float(r * scale[row] * std::sqrt(a * a + b * b + c * c));
        }
        valid = radius[0] > 0.0f && radius[1] > 0.0f && std::isfinite(radius[0]) && std::isfinite(radius[1])
                && std::isfinite(radius[2]);
    }
};

// floor and ceil for pixel ranges, with the value first held to a range
// that fits an int (a view zoomed far in puts atoms far off screen).
float held(float v)
{
    return std::min(std::max(v, -2.0f * AtomSplatter::maxSide), 2.0f * AtomSplatter::maxSide);
}

int floorToInt(float v)
{
    v = held(v);
    const int i = int(v);
    return i - (v < float(i));
}

int ceilToInt(float v)
{
    v = held(v);
    const int i = int(v);
    return i + (v > float(i));
}

// Bounding rectangle and nearest depth of a block of atoms on screen.
struct ScreenBlock
{
    float x0, x1, y0, y1;
    float nearest;
    std::uint32_t block;
};

bool project(const AtomicRenderer::AtomBlock &b, const Transform &t, int width, int height, ScreenBlock &out)
{
    const float *m = t.m;
    if (!t.projective) {
        float c[3], e[3];
        for (int row = 0; row < 3; ++row) {
            const float *r = m + row * 4;
            c[row] = r[3];
            e[row] = t.radius[row];
            for (int a = 0; a < 3; ++a) {
                c[row] += r[a] * (b.lower[a] + b.upper[a]) * 0.5f;
                e[row] += std::abs(r[a]) * (b.upper[a] - b.lower[a]) * 0.5f;
            }
        }
        out.x0 = c[0] - e[0];
        out.x1 = c[0] + e[0];
        out.y0 = c[1] - e[1];
        out.y1 = c[1] + e[1];
        out.nearest = c[2] - e[2];
        if (c[2] + e[2] < 0.0f)
            return false;
    } else {
        out.x0 = out.y0 = out.nearest = std::numeric_limits<float>::max();
        out.x1 = out.y1 = -std::numeric_limits<float>::max();
        float farthest = -std::numeric_limits<float>::max();
        for (int corner = 0; corner < 8; ++corner) {
            const float p[3] = {(corner & 1) ? b.upper[0] : b.lower[0], (corner & 2) ? b.upper[1] : b.lower[1],
                                (corner & 4) ? b.upper[2] : b.lower[2]};
            float v[4];
            for (int row = 0; row < 4; ++row)
                v[row] = m[row * 4] * p[0] + m[row * 4 + 1] * p[1] + m[row * 4 + 2] * p[2] + m[row * 4 + 3];
            if (!(v[3] > 0.0f)) {
                // Reaches behind the eye: anywhere on screen.
                out = ScreenBlock{-1.0f, float(width) + 1.0f, -1.0f, float(height) + 1.0f, 0.0f, out.block};
                return true;
            }
            const float inv = 1.0f / v[3];
            out.x0 = std::min(out.x0, (v[0] - t.radius[0]) * inv);
            out.x1 = std::max(out.x1, (v[0] + t.radius[0]) * inv);
            out.y0 = std::min(out.y0, (v[1] - t.radius[1]) * inv);
            out.y1 = std::max(out.y1, (v[1] + t.radius[1]) * inv);
            out.nearest = std::min(out.nearest, (v[2] - t.radius[2]) * inv);
            farthest = std::max(farthest, (v[2] + t.radius[2]) * inv);
        }
        if (farthest < 0.0f)
            return false;
    }
    return out.x1 >= 0.0f && out.y1 >= 0.0f && out.x0 < float(width) && out.y0 < float(height) && out.nearest < 1.0f;
}

// One band of rows [rowBegin, rowEnd) of the shared images, drawn by one
// thread at a time.
struct Band
{
    int rowBegin;
    int rowEnd;
    int minX, minY, maxX, maxY;
    std::size_t visited;
};

struct Canvas
{
    float *depth;
    std::uint32_t *color;
    int width;
    int height;
    // Per tile of tileSide x tileSide pixels: how many of its pixels are
    // still empty, and the farthest depth any of them got when first drawn.
    // Depths only come nearer, so a full tile holds nothing behind that.
    std::uint16_t *tileEmpty;
    float *tileFarthest;
    int tilesX;

    // Keeps depth `d` and colour `c` at (x, y) when nearer than what is there.
    bool plot(int x, int y, float d, std::uint32_t c) const
    {
        const std::size_t at = std::size_t(y) * std::size_t(width) + std::size_t(x);
        const float old = depth[at];
        if (!(d < old))
            return false;
        if (old == emptyDepth) {
            const std::size_t tile = std::size_t(y / tileSide) * std::size_t(tilesX) + std::size_t(x / tileSide);
            --tileEmpty[tile];
            tileFarthest[tile] = std::max(tileFarthest[tile], d);
        }
        depth[at] = d;
        color[at] = c;
        return true;
    }
};

template <bool Projective>
void drawBlock(const float *positions, const std::uint8_t *colors, std::size_t begin, std::size_t end,
               const Transform &t, ShadeTable &table, const Canvas &canvas, Band &band)
{
    const float *m = t.m;
    const int width = canvas.width;
    const int rowBegin = band.rowBegin, rowEnd = band.rowEnd;
    const bool lit = table.isLit();
    const int centre = lit ? ShadeTable::cell(0.0f, 0.0f) : 0;
    int minX = band.minX, minY = band.minY, maxX = band.maxX, maxY = band.maxY;
    for (std::size_t a = begin; a < end; ++a) {
        const float px = positions[a * 3], py = positions[a * 3 + 1], pz = positions[a * 3 + 2];
        float x = m[0] * px + m[1] * py + m[2] * pz + m[3];
        float y = m[4] * px + m[5] * py + m[6] * pz + m[7];
        float z = m[8] * px + m[9] * py + m[10] * pz + m[11];
        float rx = t.radius[0], ry = t.radius[1], rz = t.radius[2];
        if (Projective) {
            const float w = m[12] * px + m[13] * py + m[14] * pz + m[15];
            if (!(w > 0.0f))
                continue;
            // Window coordinates came out as scale * (p + w); take the w back out.
            const float inv = 1.0f / w;
            x *= inv;
            y *= inv;
            z *= inv;
            rx *= inv;
            ry *= inv;
            rz *= inv;
        }
        if (!(x + rx >= 0.0f && y + ry >= float(rowBegin) && x - rx < float(width) && y - ry < float(rowEnd)
              && z - rz < 1.0f && z + rz >= 0.0f))
            continue;
        const std::uint32_t *shades = table.colors(colors + a * 4);
        // The sphere's front, in the colour at its centre, on the one pixel
        // that holds the atom's centre.
        const auto plotOwnPixel = [&] {
            const int xx = floorToInt(x), yy = floorToInt(y);
            const float depth = z - rz;
            if (xx >= 0 && yy >= rowBegin && xx < width && yy < rowEnd && depth >= 0.0f
                && canvas.plot(xx, yy, depth, shades[centre])) {
                minX = std::min(minX, xx);
                maxX = std::max(maxX, xx);
                minY = std::min(minY, yy);
                maxY = std::max(maxY, yy);
            }
        };
        if (rx <= 0.5f && ry <= 0.5f) {
            // No pixel centre but its own pixel's can lie inside the atom:
            // the pixel gets the sphere's front and the colour at its centre.
            plotOwnPixel();
            continue;
        }
        const float invRx = 1.0f / rx, invRy = 1.0f / ry;
        // Whether any pixel centre (on screen, in this band or not) lies
        // inside: the nearest one along each axis decides.
        const float fx = x - 0.5f, fy = y - 0.5f;
        const float gx = fx - float(floorToInt(fx)), gy = fy - float(floorToInt(fy));
        const float dx = std::min(gx, 1.0f - gx) * invRx, dy = std::min(gy, 1.0f - gy) * invRy;
        if (dx * dx + dy * dy > 1.0f) {
            // Between pixel centres: its own pixel.
            plotOwnPixel();
            continue;
        }
        // The pixels whose centres lie inside the atom's outline.
        const int x0 = std::max(0, ceilToInt(x - rx - 0.5f));
        const int x1 = std::min(width - 1, floorToInt(x + rx - 0.5f));
        const int y0 = std::max(rowBegin, ceilToInt(y - ry - 0.5f));
        const int y1 = std::min(rowEnd - 1, floorToInt(y + ry - 0.5f));
        bool wrote = false;
        for (int yy = y0; yy <= y1; ++yy) {
            const float v = (float(yy) + 0.5f - y) * invRy;
            const float v2 = v * v;
            if (v2 > 1.0f)
                continue;
            for (int xx = x0; xx <= x1; ++xx) {
                const float u = (float(xx) + 0.5f - x) * invRx;
                const float d2 = u * u + v2;
                if (d2 > 1.0f)
                    continue;
                // Drawn front to back: most pixels hold something nearer already.
                if (!(z - rz < canvas.depth[std::size_t(yy) * std::size_t(width) + std::size_t(xx)]))
                    continue;
                const float depth = z - rz * std::sqrt(1.0f - d2);
                if (depth >= 0.0f && canvas.plot(xx, yy, depth, shades[lit ? ShadeTable::cell(u, v) : 0]))
                    wrote = true;
            }
        }
        if (wrote) {
            minX = std::min(minX, x0);
            maxX = std::max(maxX, x1);
            minY = std::min(minY, y0);
            maxY = std::max(maxY, y1);
        }
    }
    band.minX = minX;
    band.minY = minY;
    band.maxX = maxX;
    band.maxY = maxY;
}

void drawBand(const AtomicRenderer::AtomGeometry &g, const std::vector<ScreenBlock> &order, const Transform &t,
              ShadeTable table, const float *sceneDepth, const Canvas &canvas, Band &band, std::uint8_t *colorOut,
              std::uint8_t *depthOut)
{
    const int width = canvas.width;
    const std::size_t first = std::size_t(band.rowBegin) * std::size_t(width);
    const std::size_t pixels = std::size_t(band.rowEnd - band.rowBegin) * std::size_t(width);
    if (sceneDepth)
        std::copy(sceneDepth + first, sceneDepth + first + pixels, canvas.depth + first);
    else
        std::fill_n(canvas.depth + first, pixels, emptyDepth);
    std::fill_n(canvas.color + first, pixels, 0u);
    const int tileRowBegin = band.rowBegin / tileSide;
    const int tileRowEnd = (band.rowEnd + tileSide - 1) / tileSide;
    for (int ty = tileRowBegin; ty < tileRowEnd; ++ty)
        for (int tx = 0; tx < canvas.tilesX; ++tx) {
            const std::size_t at = std::size_t(ty) * std::size_t(canvas.tilesX) + std::size_t(tx);
            const int x0 = tx * tileSide, x1 = std::min(width, x0 + tileSide);
            const int y0 = ty * tileSide, y1 = std::min(canvas.height, y0 + tileSide);
            int empty = (x1 - x0) * (y1 - y0);
            float farthest = 0.0f;
            if (sceneDepth) {
                for (int y = y0; y < y1; ++y)
                    for (int x = x0; x < x1; ++x) {
                        const float d = canvas.depth[std::size_t(y) * std::size_t(width) + std::size_t(x)];
                        if (d < emptyDepth) {
                            --empty;
                            farthest = std::max(farthest, d);
                        }
                    }
            }
            canvas.tileEmpty[at] = std::uint16_t(empty);
            canvas.tileFarthest[at] = farthest;
        }
    band.minX = width;
    band.minY = canvas.height;
    band.maxX = band.maxY = -1;
    band.visited = 0;

    for (const ScreenBlock &s : order) {
        if (s.y1 < float(band.rowBegin) || s.y0 >= float(band.rowEnd))
            continue;
        const int tx0 = std::max(0, floorToInt(s.x0) / tileSide);
        const int tx1 = std::min(canvas.tilesX - 1, std::max(0, floorToInt(s.x1)) / tileSide);
        const int ty0 = std::max(tileRowBegin, std::max(0, floorToInt(s.y0)) / tileSide);
        const int ty1 = std::min(tileRowEnd - 1, std::max(0, floorToInt(s.y1)) / tileSide);
        // Hidden when every pixel it could reach already holds something nearer.
        bool hidden = true;
        for (int ty = ty0; ty <= ty1 && hidden; ++ty)
            for (int tx = tx0; tx <= tx1; ++tx) {
                const std::size_t at = std::size_t(ty) * std::size_t(canvas.tilesX) + std::size_t(tx);
                if (canvas.tileEmpty[at] > 0 || canvas.tileFarthest[at] > s.nearest) {
                    hidden = false;
                    break;
                }
            }
        if (hidden)
            continue;
        const AtomicRenderer::AtomBlock &b = g.blocks.empty()
                                                 ? AtomicRenderer::AtomBlock{0, g.atomCount(), {0, 0, 0}, {0, 0, 0}}
                                                 : g.blocks[s.block];
        if (t.projective)
            drawBlock<true>(g.positions.data(), g.colors.data(), b.first, b.first + b.count, t, table, canvas, band);
        else
            drawBlock<false>(g.positions.data(), g.colors.data(), b.first, b.first + b.count, t, table, canvas, band);
        band.visited += b.count;
    }

    // The band's rows of the images for GL; a pixel holds an atom when it
    // has a colour (an atom's alpha is 255).
    for (std::size_t at = first; at < first + pixels; ++at) {
        const float depth = canvas.depth[at];
        std::uint8_t *d = depthOut + at * 4;
        std::memcpy(colorOut + at * 4, &canvas.color[at], 4);
        if (canvas.color[at] == 0) {
            d[0] = d[1] = d[2] = d[3] = 0;
            continue;
        }
        const std::uint32_t bits = std::min<std::uint32_t>(0xFFFFFEu, std::uint32_t(depth * 16777215.0f + 0.5f));
        d[0] = std::uint8_t(bits >> 16);
        d[1] = std::uint8_t(bits >> 8);
        d[2] = std::uint8_t(bits);
        d[3] = 255;
    }
}

} // namespace

void AtomSplatter::splat(const AtomicRenderer::AtomGeometry &g, const View &view, const Shading &shading,
                         const float *sceneDepth)
{
    covered = Rect{};
    visited = 0;
    if (view.width <= 0 || view.height <= 0 || view.width > maxSide || view.height > maxSide) {
        viewWidth = viewHeight = 0;
        return;
    }
    viewWidth = view.width;
    viewHeight = view.height;
    const std::size_t pixels = std::size_t(viewWidth) * std::size_t(viewHeight);
    depthBuffer.resize(pixels);
    colorBuffer.resize(pixels);
    colors.resize(pixels * 4);
    depths.resize(pixels * 4);
    if (g.atomCount() == 0 || !(g.radius > 0.0f))
        return;
    const Transform transform(view, g.radius);
    if (!transform.valid)
        return;

    // Blocks on screen, nearest first (ties in block order, so the image
    // never depends on the sort).
    std::vector<ScreenBlock> order;
    if (g.blocks.empty()) {
        AtomicRenderer::AtomBlock whole{0, g.atomCount(), {0, 0, 0}, {0, 0, 0}};
        for (std::size_t a = 0; a < g.atomCount(); ++a) {
            for (int axis = 0; axis < 3; ++axis) {
                const float p = g.positions[a * 3 + std::size_t(axis)];
                whole.lower[axis] = a == 0 ? p : std::min(whole.lower[axis], p);
                whole.upper[axis] = a == 0 ? p : std::max(whole.upper[axis], p);
            }
        }
        ScreenBlock s{0, 0, 0, 0, 0, 0};
        if (project(whole, transform, viewWidth, viewHeight, s))
            order.push_back(s);
    } else {
        order.reserve(g.blocks.size());
        for (std::size_t b = 0; b < g.blocks.size(); ++b) {
            ScreenBlock s{0, 0, 0, 0, 0, std::uint32_t(b)};
            if (project(g.blocks[b], transform, viewWidth, viewHeight, s))
                order.push_back(s);
        }
        std::stable_sort(order.begin(), order.end(),
                         [](const ScreenBlock &a, const ScreenBlock &b) { return a.nearest < b.nearest; });
    }

    // Bands of whole tile rows, a few per thread so that threads that meet
    // empty bands take on more, but each a few blocks high: a block that
    // reaches into two bands is transformed twice.
    QThreadPool &pool = splatPool();
    const int threads = std::max(1, std::min(pool.maxThreadCount() + 1, int(g.atomCount() / atomsPerThread)));
    const int tileRows = (viewHeight + tileSide - 1) / tileSide;
    float blockHeight = 0.0f;
    if (!order.empty()) {
        std::vector<float> heights;
        for (std::size_t i = 0; i < order.size(); i += std::max<std::size_t>(1, order.size() / 256))
            heights.push_back(order[i].y1 - order[i].y0);
        std::nth_element(heights.begin(), heights.begin() + std::ptrdiff_t(heights.size() / 2), heights.end());
        blockHeight = heights[heights.size() / 2];
    }
    const int byHeight = int(float(viewHeight) / std::max(1.0f, 4.0f * blockHeight));
    const int bandCount = threads == 1 ? 1 : std::min(tileRows, std::max(threads, std::min(threads * 4, byHeight)));
    std::vector<Band> bands(std::size_t(bandCount), Band{0, 0, 0, 0, 0, 0, 0});
    for (int b = 0; b < bandCount; ++b) {
        bands[std::size_t(b)].rowBegin = std::min(viewHeight, tileRows * b / bandCount * tileSide);
        bands[std::size_t(b)].rowEnd = std::min(viewHeight, tileRows * (b + 1) / bandCount * tileSide);
    }
    const int tilesX = (viewWidth + tileSide - 1) / tileSide;
    tileEmpty.resize(std::size_t(tilesX) * std::size_t(tileRows));
    tileFarthest.resize(tileEmpty.size());
    const Canvas canvas{depthBuffer.data(), colorBuffer.data(), viewWidth, viewHeight,
                        tileEmpty.data(), tileFarthest.data(), tilesX};
    const ShadeTable table(shading);
    std::atomic<int> next{0};
    auto work = [&] {
        for (int b = next++; b < bandCount; b = next++)
            drawBand(g, order, transform, table, sceneDepth, canvas, bands[std::size_t(b)], colors.data(),
                     depths.data());
    };
    Util::ParallelTasks::run(std::size_t(threads), [&work](std::size_t) { work(); }, &pool);

    int minX = viewWidth, minY = viewHeight, maxX = -1, maxY = -1;
    for (const Band &band : bands) {
        visited += band.visited;
        if (band.maxX < 0)
            continue;
        minX = std::min(minX, band.minX);
        minY = std::min(minY, band.minY);
        maxX = std::max(maxX, band.maxX);
        maxY = std::max(maxY, band.maxY);
    }
    if (maxX >= 0)
        covered = Rect{minX, minY, maxX - minX + 1, maxY - minY + 1};
}

float AtomSplatter::depthAt(int x, int y) const
{
    if (x < covered.x || y < covered.y || x >= covered.x + covered.width || y >= covered.y + covered.height)
        return emptyDepth;
    const std::size_t at = (std::size_t(y) * std::size_t(viewWidth) + std::size_t(x)) * 4;
    if (depths[at + 3] == 0)
        return emptyDepth;
    return float((std::uint32_t(depths[at]) << 16) | (std::uint32_t(depths[at + 1]) << 8) | depths[at + 2]) / 16777215.0f;
}

std::array<std::uint8_t, 4> AtomSplatter::colorAt(int x, int y) const
{
    if (x < covered.x || y < covered.y || x >= covered.x + covered.width || y >= covered.y + covered.height)
        return {{0, 0, 0, 0}};
    const std::size_t at = (std::size_t(y) * std::size_t(viewWidth) + std::size_t(x)) * 4;
    return {{colors[at], colors[at + 1], colors[at + 2], colors[at + 3]}};
}

} // namespace Automaton
} // namespace Model
