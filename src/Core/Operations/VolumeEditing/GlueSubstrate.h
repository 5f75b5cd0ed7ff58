#pragma once

#include <QString>

#include <cstdint>
#include <memory>

namespace Model {
namespace Automaton {
class TotalVolume;
}
}

namespace Core {
namespace Operations {

// What the two volumes of a bond occupy, and the smallest result that holds
// the base up to its highest occupied layer with the top's occupied layers on it.
struct GlueLayout
{
    // 1 + the highest occupied z of the base; 1 for an empty base.
    std::uint32_t baseTop = 1;
    // The top's occupied z range [topLowest, topHighest); an empty top has
    // topLowest = topHighest = its z size, so it adds no layers.
    std::uint32_t topLowest = 0;
    std::uint32_t topHighest = 0;
    std::uint32_t minSizeX = 0;
    std::uint32_t minSizeY = 0;
    // In 64 bits: baseTop plus the top's layers can pass 2^32.
    std::uint64_t minSizeZ = 0;
    std::uint32_t maxDisplacementX = 0;
    std::uint32_t maxDisplacementY = 0;
    // The base's cell sizes in µm, which the result takes, and the top's.
    float cellSizeX = 1.0f;
    float cellSizeY = 1.0f;
    float cellSizeZ = 1.0f;
    float topCellSizeX = 1.0f;
    float topCellSizeY = 1.0f;
    float topCellSizeZ = 1.0f;
};

// The result's size and where the top's cell (0, 0) lands in it.
struct GlueOptions
{
    std::uint32_t finalSizeX = 0;
    std::uint32_t finalSizeY = 0;
    std::uint32_t finalSizeZ = 0;
    std::uint32_t displacementX = 0;
    std::uint32_t displacementY = 0;
    // Turns the top 180 degrees about y (face down onto the base).
    bool invertTop = false;

    // Exactly the minimum sizes, no shift.
    static GlueOptions minimal(const GlueLayout &layout, bool invert = false);
};

// Wafer bonding of two cell volumes into a new one: the base up to its highest
// occupied layer, the top's occupied layers directly above it. Both volumes are
// read under their cells locks and never changed; the result is copied in x
// strips of both volumes on the global pool.
class GlueSubstrate
{
public:
    // Measures both volumes (they must differ: each is locked in turn).
    static GlueLayout measure(Model::Automaton::TotalVolume &base, Model::Automaton::TotalVolume &top,
                              int threadCount = 0);

    // Why these options cannot be built from this layout; empty when they can.
    // The wording follows the operation name in the console.
    static QString refusal(const GlueLayout &layout, const Model::Automaton::TotalVolume &top,
                           const GlueOptions &options);

    // The glued volume at the base's position. The options must pass refusal().
    // Throws std::bad_alloc when the result does not fit in memory; both volumes
    // are untouched then. threadCount 0: one strip per pool thread.
    static std::shared_ptr<Model::Automaton::TotalVolume> build(Model::Automaton::TotalVolume &base,
                                                                Model::Automaton::TotalVolume &top,
                                                                const GlueLayout &layout, const GlueOptions &options,
                                                                int threadCount = 0);

    // Headless bond for tests and scripted documents: measures, checks and
    // builds. Empty, with the reason in `error`, when it cannot be done.
    static std::shared_ptr<Model::Automaton::TotalVolume> glue(Model::Automaton::TotalVolume &base,
                                                               Model::Automaton::TotalVolume &top,
                                                               const GlueOptions &options, QString *error = nullptr);
    // The same with the minimum sizes and no shift.
    static std::shared_ptr<Model::Automaton::TotalVolume> glue(Model::Automaton::TotalVolume &base,
                                                               Model::Automaton::TotalVolume &top, bool invertTop,
                                                               QString *error = nullptr);

    // Why two volumes of these cell sizes cannot be glued (their cells would
    // not line up); empty when the sizes are the same.
    static QString cellSizeRefusal(const GlueLayout &layout);

    // The console wording of a result that does not fit in memory.
    static QString memoryRefusal(const GlueOptions &options);
};

} // namespace Operations
} // namespace Core
