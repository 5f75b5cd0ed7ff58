#include "MaterialColorTable.h"

#include "Model/Materials/Material.h"
#include "Model/Materials/MaterialFactory.h"

namespace Model {
namespace Automaton {

namespace {

// Ids below this get a slot in the dense look-up; catalogue ids are small,
// so in practice every known id lands there.
constexpr std::uint32_t denseIdLimit = 1u << 16;

} // namespace

const MaterialColorTable::Rgba MaterialColorTable::fallbackColor = {1.0f, 0.0f, 1.0f, 1.0f};

MaterialColorTable::MaterialColorTable()
    : fallback(makeEntry(fallbackColor))
{
    // Slot 0 is the empty cell: never transparent, never hides a face.
    dense.push_back(Entry{fallbackColor, false, false, false});
}

MaterialColorTable::Entry MaterialColorTable::makeEntry(const Rgba &rgba)
{
    const float alpha = rgba[3];
    return Entry{rgba, alpha < transparentBelow, alpha > hidesOpaqueFaceAbove,
                 alpha > hidesOwnFaceAbove};
}

void MaterialColorTable::refillFromCatalogue()
{
    refill(Materials::MaterialFactory::getInstance()->getMaterials());
}

void MaterialColorTable::refill(const QVector<Materials::Material> &materials)
{
    colors.clear();
    sparse.clear();
    for (const Materials::Material &material : materials) {
        const Util::Vector4D c = material.getColor();
        // Id 0 is the empty cell, whatever a catalogue file may say.
        if (material.getId() != 0)
            colors[material.getId()] = Rgba{float(c.x), float(c.y), float(c.z), float(c.w)};
    }

    std::uint32_t denseSize = 1;
    for (const auto &item : colors) {
        if (item.first < denseIdLimit)
            denseSize = item.first + 1;
    }
    const Entry empty = dense.front();
    dense.assign(denseSize, fallback);
    dense[0] = empty;
    for (const auto &item : colors) {
        if (item.first < denseIdLimit)
            dense[item.first] = makeEntry(item.second);
        else
            sparse[item.first] = makeEntry(item.second);
    }
}

void MaterialColorTable::highlight(const float in[4], float out[4])
{
    for (int i = 0; i < 3; ++i) {
        const double v = in[i];
        out[i] = float(v >= 0.7 ? v - 0.7 : v + 0.3);
    }
    out[3] = in[3];
}

void MaterialColorTable::paint(Geometry::QuadFaceList &faces, bool selected) const
{
    for (Geometry::QuadFace &face : faces) {
        const float *material = color(face.material);
        if (selected) {
            float shifted[4];
            highlight(material, shifted);
            face.setColors(shifted);
        } else {
            face.setColors(material);
        }
    }
}

} // namespace Automaton
} // namespace Model
