#include "MarchingCubeTables.h"

#include <algorithm>
#include <array>
#include <stdexcept>
#include <vector>

namespace Model {
namespace Automaton {

namespace {

// The six cube faces as corner cycles (consecutive corners share an edge).
constexpr int faceCorners[6][4] = {
    {0, 1, 2, 3}, {4, 5, 6, 7}, {0, 1, 5, 4}, {3, 2, 6, 7}, {0, 3, 7, 4}, {1, 2, 6, 5},
};

int edgeBetween(int a, int b)
{
    for (int e = 0; e < 12; ++e) {
        const std::uint8_t *c = MarchingCubeTables::edgeCorners[e];
        if ((c[0] == a && c[1] == b) || (c[0] == b && c[1] == a))
            return e;
    }
    throw std::logic_error("corners share no edge");
}

struct Point
{
    double v[3];
};

Point midpoint(int edge)
{
    const std::uint8_t *a = MarchingCubeTables::cornerOffsets[MarchingCubeTables::edgeCorners[edge][0]];
    const std::uint8_t *b = MarchingCubeTables::cornerOffsets[MarchingCubeTables::edgeCorners[edge][1]];
    return Point{{(a[0] + b[0]) / 2.0, (a[1] + b[1]) / 2.0, (a[2] + b[2]) / 2.0}};
}

Point cross(const Point &a, const Point &b)
{
    return Point{{a.v[1] * b.v[2] - a.v[2] * b.v[1], a.v[2] * b.v[0] - a.v[0] * b.v[2],
                  a.v[0] * b.v[1] - a.v[1] * b.v[0]}};
}

Point minus(const Point &a, const Point &b)
{
    return Point{{a.v[0] - b.v[0], a.v[1] - b.v[1], a.v[2] - b.v[2]}};
}

double dot(const Point &a, const Point &b)
{
    return a.v[0] * b.v[0] + a.v[1] * b.v[1] + a.v[2] * b.v[2];
}

bool onOneFace(int a, int b)
{
    for (const auto &face : faceCorners) {
        int touching = 0;
        for (const int e : {a, b}) {
            const std::uint8_t *c = MarchingCubeTables::edgeCorners[e];
            touching += int(std::count(face, face + 4, c[0]) + std::count(face, face + 4, c[1])) == 2;
        }
        if (touching == 2)
            return true;
    }
    return false;
}

// Cuts the polygon p[first..last] (in loop order) into triangles whose inner
// edges run through the cube, never along one of its faces: a face edge
// could be used by the neighbouring cube as well.
bool cutPolygon(const std::vector<int> &p, std::size_t first, std::size_t last,
                std::vector<std::array<int, 3>> &out)
{
    if (last - first < 2)
        return true;
    for (std::size_t k = first + 1; k < last; ++k) {
        if ((k != first + 1 && onOneFace(p[first], p[k])) || (k != last - 1 && onOneFace(p[k], p[last])))
            continue;
        const std::size_t mark = out.size();
        out.push_back({p[first], p[k], p[last]});
        if (cutPolygon(p, first, k, out) && cutPolygon(p, k, last, out))
            return true;
        out.resize(mark);
    }
    return false;
}

// Tries every starting vertex of the loop, the smallest edge first.
bool triangulate(const std::vector<int> &loop, std::vector<std::array<int, 3>> &out)
{
    for (std::size_t start = 0; start < loop.size(); ++start) {
        std::vector<int> p(loop.begin() + std::ptrdiff_t(start), loop.end());
        p.insert(p.end(), loop.begin(), loop.begin() + std::ptrdiff_t(start));
        out.clear();
        if (cutPolygon(p, 0, p.size() - 1, out))
            return true;
    }
    return false;
}

} // namespace

const std::uint8_t MarchingCubeTables::cornerOffsets[8][3] = {
    {0, 1, 0}, {1, 1, 0}, {1, 0, 0}, {0, 0, 0}, {0, 1, 1}, {1, 1, 1}, {1, 0, 1}, {0, 0, 1},
};

const std::uint8_t MarchingCubeTables::edgeCorners[12][2] = {
    {0, 1}, {1, 2}, {2, 3}, {3, 0}, {4, 5}, {5, 6}, {6, 7}, {7, 4}, {0, 4}, {1, 5}, {2, 6}, {3, 7},
};

const MarchingCubeTables &MarchingCubeTables::instance()
{
    static const MarchingCubeTables tables;
    return tables;
}

MarchingCubeTables::MarchingCubeTables()
{
    for (int k = 0; k < 256; ++k) {
        auto filled = [k](int corner) { return (k >> corner) & 1; };
        std::uint16_t mask = 0;
        for (int e = 0; e < 12; ++e) {
            if (filled(edgeCorners[e][0]) != filled(edgeCorners[e][1]))
                mask = std::uint16_t(mask | (1u << e));
        }
        edges[std::size_t(k)] = mask;

        // Each crossing edge lies on two faces, so it gets two links: the
        // links form closed loops.
        std::vector<std::vector<int>> links(12);
        for (const auto &face : faceCorners) {
            std::vector<int> crossing;
            for (int i = 0; i < 4; ++i) {
                const int e = edgeBetween(face[i], face[(i + 1) % 4]);
                if (mask & (1u << e))
                    crossing.push_back(e);
            }
            if (crossing.size() == 2) {
                links[std::size_t(crossing[0])].push_back(crossing[1]);
                links[std::size_t(crossing[1])].push_back(crossing[0]);
            } else if (crossing.size() == 4) {
                // Diagonal face: cut every filled corner off on its own.
                for (int i = 0; i < 4; ++i) {
                    if (!filled(face[i]))
                        continue;
                    const int a = edgeBetween(face[(i + 3) % 4], face[i]);
                    const int b = edgeBetween(face[i], face[(i + 1) % 4]);
                    links[std::size_t(a)].push_back(b);
                    links[std::size_t(b)].push_back(a);
                }
            }
        }

        std::array<std::int8_t, 16> row;
        row.fill(-1);
        std::size_t used = 0;
        std::vector<bool> visited(12, false);
        for (int start = 0; start < 12; ++start) {
            if (!(mask & (1u << start)) || visited[std::size_t(start)])
                continue;
            std::vector<int> loop{start};
            visited[std::size_t(start)] = true;
            int previous = -1;
            int current = start;
            for (;;) {
                const std::vector<int> &next = links[std::size_t(current)];
                const int step = next[0] != previous ? next[0] : next[1];
                if (step == start)
                    break;
                visited[std::size_t(step)] = true;
                loop.push_back(step);
                previous = current;
                current = step;
            }

            // Outward: from the filled corner of each crossing edge to its empty one.
            Point outward{{0, 0, 0}};
            for (const int e : loop) {
                const int a = edgeCorners[e][0];
                const int b = edgeCorners[e][1];
                const int in = filled(a) ? a : b;
                const int out = filled(a) ? b : a;
                for (int axis = 0; axis < 3; ++axis)
                    outward.v[axis] += double(cornerOffsets[out][axis]) - double(cornerOffsets[in][axis]);
            }
            Point normal{{0, 0, 0}};
            const Point a = midpoint(loop[0]);
            for (std::size_t i = 1; i + 1 < loop.size(); ++i) {
                const Point n = cross(minus(midpoint(loop[i]), a), minus(midpoint(loop[i + 1]), a));
                for (int axis = 0; axis < 3; ++axis)
                    normal.v[axis] += n.v[axis];
            }
            if (dot(normal, outward) < 0)
                std::reverse(loop.begin() + 1, loop.end());

            std::vector<std::array<int, 3>> cut;
            if (!triangulate(loop, cut))
                throw std::logic_error("marching-cubes loop without an inner triangulation");
            for (const auto &t : cut) {
                if (used + 3 > 15)
                    throw std::logic_error("marching-cubes case with more than five triangles");
                for (const int e : t)
                    row[used++] = std::int8_t(e);
            }
        }
        rows[std::size_t(k)] = row;
    }
}

} // namespace Automaton
} // namespace Model
