#pragma once

#include "Model/Automaton/Voxel.h"
#include "Util/LargeArray.h"

#include <QMutex>
#include <QtGlobal>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace Model {
namespace Automaton {
class TotalVolume;
}
} // namespace Model

namespace Util {
class IProgress;
}

namespace Core {
namespace Operations {

// The threaded surface front: a vector distance propagation that advances one
// cell per step from a set of source cells, shared by the film, oxidation and
// doping processes.
//
// The volume itself holds only material ids. For the length of run() the
// front keeps its own working state beside them, one entry per cell:
//   - one state byte: the "fixed" mark of sources and cells that never change,
//     whether the cell is a source, and the front's own bookkeeping;
//   - the offset (x, y, z) to the nearest source found so far (processes
//     built with OffsetStorage::None have none). An offset is a whole number
//     of face steps along each axis, so it is kept as three 16-bit step
//     counts, 6 bytes, wherever the counts fit (any volume up to 32768
//     cells along each axis); otherwise as three floats, 12 bytes. Until a
//     cell is reached its offset is implied by its state byte, (0, 0, 0) for
//     a source and (d, d, d) for any other cell, so the offsets are written,
//     and their memory touched, only where the front passes.
// Both are allocated when run() starts and freed when it ends: with the
// volume's 4 bytes a run peaks at 11 bytes per cell.
//
// The volume is cut into strips along x, one per thread of the global pool.
// Each step has two phases separated by a join of all strips:
//   A (compute)  reads the materials and offsets; for every front cell it
//                looks for a shorter offset through its six face neighbours,
//                notes improved cells (new offset and material) in the
//                strip's own list and collects the cells around them that
//                join the next front (each once). Cells that fall into the
//                strip below or above go to the strip's lower or upper
//                hand-over list.
//   B (commit)   takes the neighbours' hand-over lists (under their mutexes),
//                writes the noted cells into the volume and the offsets and
//                replaces the front by the new one, ordered by x layer.
// Phase A writes nothing that phase A reads, so the result depends neither
// on the strip count, nor on scheduling, nor on the order of a front.
// Stepping stops early once every strip's front is empty: later steps could
// not change anything, and a film thickness of 1e9 must not mean 1e9 steps.
//
// A process derives from this class and supplies only what differs:
//   initialiseStrip()  mark sources and fixed cells and build the strip's
//                      first front: initialiseByNeighbourhood() covers the
//                      usual "open cell next to a seed" rule; a process with
//                      a start of its own sets every cell of its strip with
//                      initialiseCell() / setFixed() / setOffset() and
//                      fills strip.front;
//   advanceStrip()     phase A of one step, normally advanceFront() with a
//                      small rules object;
//   finishStrip()      an optional pass after the last step, for example a
//                      conversion of cells by their final distance
//                      (offsetLengthSquared());
//   computeStepCount() when the step count is not reachStepCount() of the
//                      distance.
// The rules objects are passed to member templates so that the per-cell tests
// are inlined; the virtual hooks are called once per strip and step.
class SurfaceFrontProcess
{
public:
    using Voxel = Model::Automaton::Voxel;

    // What initialiseCell() and initialiseByNeighbourhood() make of a cell.
    enum class CellRole : std::uint8_t {
        Source,  // fixed, offset (0, 0, 0): seeds the distance field
        Barrier, // fixed, offset (d, d, d): never changes and never seeds
        Open     // not fixed, offset (d, d, d): may be reached by the front
    };

    // Whether the process carries offsets (a distance field) or only moves
    // its front cell by cell.
    enum class OffsetStorage : std::uint8_t { PerCell, None };

    struct FaceStep
    {
        float x;
        float y;
        float z;
    };

    // A cell's offset to its nearest source, in length units.
    struct Offset
    {
        float x;
        float y;
        float z;
        float lengthSquared() const { return x * x + y * y + z * z; }
    };

    virtual ~SurfaceFrontProcess();
    SurfaceFrontProcess(const SurfaceFrontProcess &) = delete;
    SurfaceFrontProcess &operator=(const SurfaceFrontProcess &) = delete;

    // Working bytes per cell that run() takes beside the volume, with step
    // counts for the offsets (the usual case; see above).
    static constexpr std::uint32_t workingBytesPerCell(OffsetStorage storage)
    {
        return storage == OffsetStorage::PerCell ? 1 + 3 * sizeof(std::int16_t) : 1;
    }

    // Locks the volume's cells, allocates the working state, initialises,
    // steps, finishes, frees the working state and unlocks.
    void run();

    // The strip count starts as the global thread pool's maximum thread
    // count when the object is built; 0 reads it again when run() starts.
    void setStripCount(unsigned count) { requestedStripCount = count; }
    // Follows run(): steps done out of the step count, from the calling thread.
    void setProgress(Util::IProgress *listener) { progress = listener; }

    // Strips used by the last run (1 when it stayed in the calling thread).
    unsigned getStripsUsed() const { return stripsUsed; }
    // Steps performed by the last run and the step count it was given.
    std::uint64_t getStepsDone() const { return stepsDone; }
    std::uint64_t getStepCount() const { return stepsTotal; }

    // ceil(sqrt 3 * distance / smallest cell size) + 1: enough face steps for
    // the offset of a source to reach every cell within the distance, the
    // body diagonal included (so the front then equals the exact Euclidean
    // distance). A distance that is not positive (or not a number) gives 0;
    // a count beyond the counter's range saturates.
    static std::uint64_t reachStepCount(float distance, float cellSizeX, float cellSizeY, float cellSizeZ);
    // trunc(ceil(distance / smallest cell size) * (1 + sqrt 2) / sqrt 2): the
    // ceiling in float, the product in double; for processes whose growth
    // rules count their steps this way. Same saturation as above.
    static std::uint64_t stepCount(float distance, float cellSizeX, float cellSizeY, float cellSizeZ);

protected:
    // One slab [xBegin, xEnd) of the volume along x. Each starts on a cache
    // line of its own: the strips' threads grow their lists all the time.
    struct alignas(64) Strip
    {
        struct Update
        {
            std::size_t cell;
            Offset offset;
            std::uint32_t material;
        };

        std::uint32_t xBegin = 0;
        std::uint32_t xEnd = 0;
        std::vector<std::size_t> front; // cell indices
        std::vector<std::size_t> lower; // cells of the strip below (x = xBegin - 1)
        std::vector<std::size_t> upper; // cells of the strip above (x = xEnd)
        QMutex mutex; // guards lower and upper while the neighbours read them
        // The next front being built, one list per x layer of the strip, so
        // that it comes out ordered by layer without a sort of the whole list.
        std::vector<std::vector<std::size_t>> nextLayers;
        // Cells phase A improved, written into the volume by phase B.
        std::vector<Update> updates;
    };

    // `distance` is the thickness, depth or limit that fills the far offset
    // (d, d, d) and, by default, the step count.
    SurfaceFrontProcess(Model::Automaton::TotalVolume *volume, float distance,
                        OffsetStorage storage = OffsetStorage::PerCell);

    // Sets the working state of every cell of the strip (initialiseCell() or
    // setFixed() / setOffset()) and fills strip.front in index order. It
    // may also change materials of its own cells and hand cells over
    // (strip.lower, strip.upper); those are merged into the neighbours'
    // fronts before the first step. Runs concurrently for all strips: it
    // must write only cells of its own strip and read only materials
    // elsewhere.
    virtual void initialiseStrip(Strip &strip) = 0;
    // Phase A of one step for one strip.
    virtual void advanceStrip(Strip &strip) = 0;
    // After the last step, once per strip (concurrently), with the working
    // state still there; it may rewrite the materials of its own strip.
    // Default: nothing.
    virtual void finishStrip(Strip &strip);
    // Default: reachStepCount() of the distance and the cell sizes.
    virtual std::uint64_t computeStepCount() const;

    // ---- Working state of one cell, for the hooks ----
    // Every cell of a strip starts as Open: not fixed, offset (d, d, d).
    // initialiseCell() gives it another role (see CellRole); setFixed() and
    // setOffset() set the two parts on their own.
    void initialiseCell(std::size_t cell, CellRole role)
    {
        cellStates[cell] = role == CellRole::Source ? std::uint8_t(Fixed | Source)
            : role == CellRole::Barrier            ? std::uint8_t(Fixed)
                                                   : std::uint8_t(0);
    }
    // A fixed cell is never part of a step's competition: sources and
    // barriers.
    void setFixed(std::size_t cell, bool fixed)
    {
        cellStates[cell] = fixed ? std::uint8_t(cellStates[cell] | Fixed) : std::uint8_t(cellStates[cell] & ~Fixed);
    }
    bool isFixed(std::size_t cell) const { return (cellStates[cell] & Fixed) != 0; }
    // Offsets exist only with OffsetStorage::PerCell. The hooks write the
    // state of their own strip's cells only; finishStrip() may read any
    // cell's, initialiseStrip() only its own strip's (the others are being
    // set at the same time).
    // An offset is a whole number of face steps along each axis.
    void setOffset(std::size_t cell, const Offset &offset)
    {
        storeOffset(cell, offset);
        cellStates[cell] |= HasOffset;
    }
    Offset getOffset(std::size_t cell) const { return offsetOf(cellStates[cell], cell); }
    float offsetLengthSquared(std::size_t cell) const { return getOffset(cell).lengthSquared(); }

    // Rule for initialiseByNeighbourhood(): every cell gets the role
    // rules.role(material); an Open cell joins the front when one of its
    // neighbours inside the volume (26 when Rules::mooreNeighbourhood, else
    // the six face neighbours) satisfies rules.attracts(material).
    template <class Rules>
    void initialiseByNeighbourhood(Strip &strip, const Rules &rules);

    // Phase A with a rules object providing
    //   bool takesPart(std::uint32_t material)   a front cell that is not
    //                                            fixed competes this step;
    //   float limitSquared(std::uint32_t material)
    //                                            longest accepted offset,
    //                                            squared;
    //   std::uint32_t apply(std::uint32_t material)
    //                                            material of an improved cell;
    //   bool joins(std::uint32_t material)       a neighbour of an improved
    //                                            cell with this current
    //                                            material joins the next front;
    //   static constexpr bool mooreNeighbourhood 26 neighbours, or the six
    //                                            faces;
    //   static constexpr bool distanceField      false: no offsets are looked
    //                                            at, every front cell that
    //                                            takes part counts as improved
    //                                            (a growth by whole cells;
    //                                            build such a process with
    //                                            OffsetStorage::None).
    // With a distance field the six faces are enough when the first front
    // holds every open cell next to a source: an offset reaches a cell only
    // through its face neighbours.
    template <class Rules>
    void advanceFront(Strip &strip, const Rules &rules);

    // Face steps paired with the neighbour offsets (0,0,-1), (0,0,+1),
    // (0,-1,0), (0,+1,0), (-1,0,0), (+1,0,0). The default is
    // (0,0,-cz), (0,0,+cz), (0,-cy,0), (0,+cy,0), (-cx,0,0), (+cx,0,0).
    void setFaceSteps(const std::array<FaceStep, 6> &steps) { faceSteps = steps; }

    float getDistance() const { return distance; }

    Model::Automaton::TotalVolume *volume;
    const float distance;
    std::uint32_t nx;
    std::uint32_t ny;
    std::uint32_t nz;
    float cx;
    float cy;
    float cz;
    std::array<FaceStep, 6> faceSteps;
    // The volume's cells, valid while run() holds the lock.
    Voxel *cells = nullptr;

private:
    void initialisePass();
    void stepPass();
    void commitStrip(Strip &strip, std::size_t index);
    void mergeHandOvers(Strip &strip, std::size_t index);
    void gatherNextLayers(Strip &strip);
    void finishPass();
    std::size_t frontSize() const;
    template <class Task>
    void forEachStrip(Task task);

    // The phases of advanceFront(). They run once per front cell or per
    // neighbour, so they are always inlined into it: a call each costs about
    // 70 % more time per step.
    struct CellPlace
    {
        std::size_t index;
        std::uint32_t x, y, z;
    };
    // Empties the strip's hand-over and update lists and the next front, and
    // takes the current front's cells out of the queue.
    void beginAdvance(Strip &strip);
    template <class Rules>
    [[gnu::always_inline]] inline void prefetchAhead(std::size_t frontCell);
    // Whether a face neighbour's offset plus the step to the cell is shorter
    // than the cell's own and within `limit`; the shortest lands in `found`.
    [[gnu::always_inline]] inline bool improvedOffset(const CellPlace &cell, std::uint8_t own, float limit, Offset &found) const;
    // Neighbour n (in layer xn) of an improved cell joins the next front, or
    // is handed over to the strip that owns layer xn.
    template <class Rules>
    [[gnu::always_inline]] inline void joinNextFront(Strip &strip, const Rules &rules, std::size_t n, std::uint32_t xn);
    template <class Rules>
    [[gnu::always_inline]] inline void joinFaceNeighbours(Strip &strip, const Rules &rules, const CellPlace &cell);
    template <class Rules>
    [[gnu::always_inline]] inline void joinMooreNeighbours(Strip &strip, const Rules &rules, const CellPlace &cell);
    // Phase A reads the lasting bits of the neighbouring strip's edge layer
    // while that strip updates its front bits in the same bytes. Relaxed
    // atomic byte accesses (plain moves on x86) make that well defined; the
    // bits a reader uses never change during phase A, so results stay exact.
    static std::uint8_t loadState(const std::uint8_t *byte) { return __atomic_load_n(byte, __ATOMIC_RELAXED); }
    static void storeState(std::uint8_t *byte, std::uint8_t value) { __atomic_store_n(byte, value, __ATOMIC_RELAXED); }
    // The offset of a cell with the given state byte.
    Offset offsetOf(std::uint8_t state, std::size_t cell) const
    {
        if (state & HasOffset) {
            if (stepCounts) {
                const StepCounts &c = stepCounts[cell];
                return {float(c.x) * stepLength.x, float(c.y) * stepLength.y, float(c.z) * stepLength.z};
            }
            return offsets[cell];
        }
        const float v = (state & Source) ? 0.0f : distance;
        return {v, v, v};
    }
    void storeOffset(std::size_t cell, const Offset &offset)
    {
        if (stepCounts) {
            stepCounts[cell] = {std::int16_t(std::lrint(offset.x * inverseStep.x)),
                                std::int16_t(std::lrint(offset.y * inverseStep.y)),
                                std::int16_t(std::lrint(offset.z * inverseStep.z))};
        } else {
            offsets[cell] = offset;
        }
    }
    // Whether the offsets of this run can be kept as step counts: the face
    // steps lie along the axes with one length per axis, and no count can
    // leave the 16-bit range. When they can, it sets the step lengths.
    bool chooseStepCounts();

    const OffsetStorage storage;
    unsigned requestedStripCount = 0;
    Util::IProgress *progress = nullptr;
    std::unique_ptr<Strip[]> strips;
    unsigned stripsUsed = 0;
    bool concurrent = false;
    // One byte per cell. Fixed and Source are set by the initialisation and
    // never change; HasOffset says that `offsets` holds the cell's offset.
    // The others are read and written only by the strip that owns the
    // cell's x layer: Queued, the cell is already in the next front; Known,
    // Joins holds rules.joins() of the cell's current material (cleared when
    // phase B commits a new material), so a material is not fetched again
    // for every improved neighbour.
    enum CellState : std::uint8_t { Queued = 1, Known = 2, Joins = 4, Fixed = 8, Source = 16, HasOffset = 32 };
    static constexpr std::uint8_t lastingBits = Fixed | Source | HasOffset;
    static constexpr std::size_t prefetchDistance = 8;
    struct StepCounts
    {
        std::int16_t x, y, z;
    };
    Util::LargeArray<std::uint8_t> cellStates;
    // One of the two holds the offsets of a run with OffsetStorage::PerCell.
    Util::LargeArray<StepCounts> stepCounts;
    Util::LargeArray<Offset> offsets;
    // The face steps' length along each axis, and its inverse.
    Offset stepLength{0.0f, 0.0f, 0.0f};
    Offset inverseStep{0.0f, 0.0f, 0.0f};
    std::uint64_t stepsDone = 0;
    std::uint64_t stepsTotal = 0;
    qint64 computeTime = 0; // nanoseconds in phase A and phase B, for the log
    qint64 commitTime = 0;
};

template <class Rules>
void SurfaceFrontProcess::initialiseByNeighbourhood(Strip &strip, const Rules &rules)
{
    const std::size_t nyz = std::size_t(ny) * nz;
    strip.front.clear();
    if (strip.xBegin >= strip.xEnd || nyz == 0)
        return;

    // Attracting cells of the layers x-1, x and x+1 as bytes, in a ring of
    // three layers, so that a cell's neighbours are counted with a few column
    // sums instead of 26 scattered reads, and every layer is read from memory
    // once.
    std::vector<std::uint8_t> ring(3 * nyz);
    const auto layerBytes = [&](std::uint32_t x) { return ring.data() + (x % 3) * nyz; };
    const auto fillLayer = [&](std::uint32_t x) {
        std::uint8_t *a = layerBytes(x);
        const Voxel *source = cells + std::size_t(x) * nyz;
        for (std::size_t i = 0; i < nyz; ++i)
            a[i] = rules.attracts(source[i].material) ? 1 : 0;
    };
    if (strip.xBegin > 0)
        fillLayer(strip.xBegin - 1);
    fillLayer(strip.xBegin);

    std::vector<std::uint8_t> column(nz);
    for (std::uint32_t x = strip.xBegin; x < strip.xEnd; ++x) {
        if (x + 1 < nx)
            fillLayer(x + 1);
        const std::uint32_t x0 = x > 0 ? x - 1 : 0;
        const std::uint32_t x1 = x + 1 < nx ? x + 1 : x;
        for (std::uint32_t y = 0; y < ny; ++y) {
            const std::uint32_t y0 = y > 0 ? y - 1 : 0;
            const std::uint32_t y1 = y + 1 < ny ? y + 1 : y;
            const std::uint8_t *self = layerBytes(x) + std::size_t(y) * nz;
            if (Rules::mooreNeighbourhood) {
                // Sum of the 3 x 3 columns around (x, y), the own one included.
                std::fill(column.begin(), column.end(), std::uint8_t(0));
                for (std::uint32_t xs = x0; xs <= x1; ++xs) {
                    for (std::uint32_t ys = y0; ys <= y1; ++ys) {
                        const std::uint8_t *a = layerBytes(xs) + std::size_t(ys) * nz;
                        for (std::uint32_t z = 0; z < nz; ++z)
                            column[z] = std::uint8_t(column[z] + a[z]);
                    }
                }
            }
            const std::size_t base = (std::size_t(x) * ny + y) * nz;
            for (std::uint32_t z = 0; z < nz; ++z) {
                const std::size_t i = base + z;
                const CellRole role = rules.role(cells[i].material);
                initialiseCell(i, role);
                if (role != CellRole::Open)
                    continue;
                unsigned count = 0;
                if (Rules::mooreNeighbourhood) {
                    count = column[z] - self[z];
                    if (z > 0)
                        count += column[z - 1];
                    if (z + 1 < nz)
                        count += column[z + 1];
                } else {
                    if (z > 0)
                        count += self[z - 1];
                    if (z + 1 < nz)
                        count += self[z + 1];
                    if (y > 0)
                        count += self[std::ptrdiff_t(z) - std::ptrdiff_t(nz)];
                    if (y + 1 < ny)
                        count += self[z + nz];
                    if (x > 0)
                        count += layerBytes(x - 1)[std::size_t(y) * nz + z];
                    if (x + 1 < nx)
                        count += layerBytes(x + 1)[std::size_t(y) * nz + z];
                }
                if (count > 0)
                    strip.front.push_back(i);
            }
        }
    }
}

template <class Rules>
void SurfaceFrontProcess::advanceFront(Strip &strip, const Rules &rules)
{
    beginAdvance(strip);
    const std::size_t nyz = std::size_t(ny) * nz;
    const std::uint8_t *state = cellStates.get();

    // The front comes ordered by x layer, so x follows without a division.
    std::uint32_t x = strip.xBegin;
    std::size_t layerBegin = std::size_t(x) * nyz;
    const std::size_t frontSize = strip.front.size();
    for (std::size_t f = 0; f < frontSize; ++f) {
        if (f + prefetchDistance < frontSize)
            prefetchAhead<Rules>(strip.front[f + prefetchDistance]);
        const std::size_t p = strip.front[f];
        const std::uint8_t own = loadState(state + p);
        const std::uint32_t material = cells[p].material;
        if ((own & Fixed) || !rules.takesPart(material))
            continue;
        if (p < layerBegin || p - layerBegin >= nyz) {
            x = std::uint32_t(p / nyz);
            layerBegin = std::size_t(x) * nyz;
        }
        const std::size_t rest = p - layerBegin;
        const std::uint32_t y = std::uint32_t(rest / nz);
        const CellPlace cell{p, x, y, std::uint32_t(rest - std::size_t(y) * nz)};

        Offset found{0.0f, 0.0f, 0.0f};
        if constexpr (Rules::distanceField) {
            if (!improvedOffset(cell, own, rules.limitSquared(material), found))
                continue;
        }
        const std::uint32_t changed = rules.apply(material);
        if (Rules::distanceField || changed != material)
            strip.updates.push_back({p, found, changed});

        if constexpr (Rules::mooreNeighbourhood)
            joinMooreNeighbours(strip, rules, cell);
        else
            joinFaceNeighbours(strip, rules, cell);
    }
}

template <class Rules>
void SurfaceFrontProcess::prefetchAhead(std::size_t ahead)
{
    // The front advances into cells nobody touched since the initialisation;
    // fetch the next layer's columns ahead of time.
    const std::size_t nyz = std::size_t(ny) * nz;
    ahead += nyz;
    if (ahead + nz >= std::size_t(nx) * nyz)
        return;
    __builtin_prefetch(cells + ahead);
    // The offsets of the neighbours in the layers below and above.
    if constexpr (Rules::distanceField) {
        if (stepCounts) {
            __builtin_prefetch(stepCounts.get() + ahead);
            if (ahead >= 2 * nyz)
                __builtin_prefetch(stepCounts.get() + ahead - 2 * nyz);
        } else {
            __builtin_prefetch(offsets.get() + ahead);
            if (ahead >= 2 * nyz)
                __builtin_prefetch(offsets.get() + ahead - 2 * nyz);
        }
    }
    std::uint8_t *state = cellStates.get();
    __builtin_prefetch(state + ahead - nz, 1);
    __builtin_prefetch(state + ahead, 1);
    __builtin_prefetch(state + ahead + nz, 1);
}

inline bool SurfaceFrontProcess::improvedOffset(const CellPlace &cell, std::uint8_t own, float limit,
                                                Offset &found) const
{
    const std::size_t p = cell.index;
    const std::uint8_t *state = cellStates.get();
    float best = offsetOf(own, p).lengthSquared();
    bool improved = false;
    const auto consider = [&](std::size_t q, const FaceStep &step) {
        const Offset n = offsetOf(loadState(state + q), q);
        const float ax = n.x + step.x;
        const float ay = n.y + step.y;
        const float az = n.z + step.z;
        const float length = ax * ax + ay * ay + az * az;
        if (length < best && length <= limit) {
            best = length;
            found = {ax, ay, az};
            improved = true;
        }
    };
    const std::size_t nyz = std::size_t(ny) * nz;
    if (cell.z > 0)
        consider(p - 1, faceSteps[0]);
    if (cell.z + 1 < nz)
        consider(p + 1, faceSteps[1]);
    if (cell.y > 0)
        consider(p - nz, faceSteps[2]);
    if (cell.y + 1 < ny)
        consider(p + nz, faceSteps[3]);
    if (cell.x > 0)
        consider(p - nyz, faceSteps[4]);
    if (cell.x + 1 < nx)
        consider(p + nyz, faceSteps[5]);
    return improved;
}

template <class Rules>
void SurfaceFrontProcess::joinNextFront(Strip &strip, const Rules &rules, std::size_t n, std::uint32_t xn)
{
    if (xn < strip.xBegin) {
        if (rules.joins(cells[n].material))
            strip.lower.push_back(n);
        return;
    }
    if (xn >= strip.xEnd) {
        if (rules.joins(cells[n].material))
            strip.upper.push_back(n);
        return;
    }
    std::uint8_t *state = cellStates.get();
    std::uint8_t s = loadState(state + n);
    if (s & Queued)
        return;
    if (!(s & Known))
        s = std::uint8_t((s & lastingBits) | Known | (rules.joins(cells[n].material) ? Joins : 0));
    if (s & Joins) {
        s |= Queued;
        strip.nextLayers[xn - strip.xBegin].push_back(n);
    }
    storeState(state + n, s);
}

template <class Rules>
void SurfaceFrontProcess::joinFaceNeighbours(Strip &strip, const Rules &rules, const CellPlace &cell)
{
    const std::size_t p = cell.index;
    const std::size_t nyz = std::size_t(ny) * nz;
    if (cell.z > 0)
        joinNextFront(strip, rules, p - 1, cell.x);
    if (cell.z + 1 < nz)
        joinNextFront(strip, rules, p + 1, cell.x);
    if (cell.y > 0)
        joinNextFront(strip, rules, p - nz, cell.x);
    if (cell.y + 1 < ny)
        joinNextFront(strip, rules, p + nz, cell.x);
    if (cell.x > 0)
        joinNextFront(strip, rules, p - nyz, cell.x - 1);
    if (cell.x + 1 < nx)
        joinNextFront(strip, rules, p + nyz, cell.x + 1);
}

template <class Rules>
void SurfaceFrontProcess::joinMooreNeighbours(Strip &strip, const Rules &rules, const CellPlace &cell)
{
    const std::uint32_t x = cell.x, y = cell.y, z = cell.z;
    const std::uint32_t x0 = x > 0 ? x - 1 : x;
    const std::uint32_t x1 = x + 1 < nx ? x + 1 : x;
    const std::uint32_t y0 = y > 0 ? y - 1 : y;
    const std::uint32_t y1 = y + 1 < ny ? y + 1 : y;
    const std::uint32_t z0 = z > 0 ? z - 1 : z;
    const std::uint32_t z1 = z + 1 < nz ? z + 1 : z;
    if (x0 < strip.xBegin || x1 >= strip.xEnd) {
        // Some columns belong to a neighbouring strip: cell by cell.
        for (std::uint32_t xn = x0; xn <= x1; ++xn) {
            for (std::uint32_t yn = y0; yn <= y1; ++yn) {
                const std::size_t column = (std::size_t(xn) * ny + yn) * nz;
                for (std::uint32_t zn = z0; zn <= z1; ++zn) {
                    const std::size_t n = column + zn;
                    if (n != cell.index)
                        joinNextFront(strip, rules, n, xn);
                }
            }
        }
        return;
    }
    // All nine columns belong to this strip. Most of their cells are already
    // queued or known not to join: test the (up to) three state bytes of a
    // column at once and visit only the cells that still need a look.
    const std::uint8_t *state = cellStates.get();
    const unsigned lanes = z1 - z0 + 1;
    const std::uint32_t laneBits = lanes == 3 ? 0x010101u : lanes == 2 ? 0x0101u : 0x01u;
    const std::uint32_t ownLane = ~(0x01u << (8 * (z - z0)));
    for (std::uint32_t xn = x0; xn <= x1; ++xn) {
        for (std::uint32_t yn = y0; yn <= y1; ++yn) {
            const std::size_t first = (std::size_t(xn) * ny + yn) * nz + z0;
            const std::uint8_t *b = state + first;
            // Only the column's own bytes: the one after it may belong to
            // another strip.
            std::uint32_t word = b[0];
            if (lanes > 1)
                word |= std::uint32_t(b[1]) << 8;
            if (lanes > 2)
                word |= std::uint32_t(b[2]) << 16;
            const std::uint32_t queued = word & 0x010101u;
            const std::uint32_t known = (word >> 1) & 0x010101u;
            const std::uint32_t joins = (word >> 2) & 0x010101u;
            std::uint32_t open = ~queued & (~known | joins) & laneBits;
            if (xn == x && yn == y)
                open &= ownLane;
            while (open) {
                const unsigned lane = unsigned(__builtin_ctz(open)) / 8;
                joinNextFront(strip, rules, first + lane, xn);
                open &= open - 1;
            }
        }
    }
}

} // namespace Operations
} // namespace Core
