#pragma once

#include "Model/Geometry/QuadFace.h"

#include <QVector>

#include <array>
#include <cstdint>
#include <map>
#include <vector>

namespace Model {
namespace Materials {
class Material;
}

namespace Automaton {

// Material id -> RGBA colour, refilled from the material catalogue, plus the
// per-material facts the face build asks for every cell: is the material
// drawn transparent, does it hide the face of an opaque neighbour, does it
// hide the faces between two of its own cells.
//
// A material missing from the catalogue gets `fallbackColor` (opaque), so a
// volume holding an unknown id still builds and draws.
class MaterialColorTable
{
public:
    using Rgba = std::array<float, 4>;

    // A cell whose material alpha is below this is drawn as transparent.
    static constexpr float transparentBelow = 0.997f;
    // A neighbour hides the face of an opaque cell only above this alpha.
    static constexpr float hidesOpaqueFaceAbove = 0.999f;
    // Two transparent cells of one material hide their shared face only above this alpha.
    static constexpr float hidesOwnFaceAbove = 0.1f;
    // Colour of cells whose material is not in the catalogue.
    static const Rgba fallbackColor;

    MaterialColorTable();

    // Empties the table and refills it from the process-wide catalogue.
    void refillFromCatalogue();
    void refill(const QVector<Materials::Material> &materials);

    bool contains(std::uint32_t id) const { return colors.count(id) != 0; }
    std::size_t size() const { return colors.size(); }
    const std::map<std::uint32_t, Rgba> &entries() const { return colors; }

    // The material's colour, or the fallback colour for an unknown id.
    const float *color(std::uint32_t id) const { return entry(id).rgba.data(); }
    bool isTransparent(std::uint32_t id) const { return entry(id).transparent; }
    // Id 0 (empty) never hides anything.
    bool hidesOpaqueFace(std::uint32_t id) const { return entry(id).hidesOpaqueFace; }
    bool hidesOwnFace(std::uint32_t id) const { return entry(id).hidesOwnFace; }

    // The selection highlight: each of R, G, B on its own becomes v - 0.7 when
    // v >= 0.7 and v + 0.3 otherwise (in double precision); alpha is kept.
    static void highlight(const float in[4], float out[4]);

    // Gives every face its material's colour, highlighted when `selected`.
    // The highlight is always taken from the material colour, never from the
    // colour a face shows now, so recolouring twice does not shift it twice.
    void paint(Geometry::QuadFaceList &faces, bool selected) const;

private:
    struct Entry
    {
        Rgba rgba;
        bool transparent;
        bool hidesOpaqueFace;
        bool hidesOwnFace;
    };

    static Entry makeEntry(const Rgba &rgba);

    const Entry &entry(std::uint32_t id) const
    {
        if (id < dense.size())
            return dense[id];
        const auto it = sparse.find(id);
        return it == sparse.end() ? fallback : it->second;
    }

    // Ordered id -> colour map, as the catalogue lists it.
    std::map<std::uint32_t, Rgba> colors;
    // Look-up used in the build loop: one slot per id up to the largest
    // small id, unknown ids holding the fallback entry; larger ids go to `sparse`.
    std::vector<Entry> dense;
    std::map<std::uint32_t, Entry> sparse;
    Entry fallback;
};

} // namespace Automaton
} // namespace Model
