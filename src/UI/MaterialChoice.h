#pragma once

#include <QString>
#include <QVector>

#include <cstdint>

class QComboBox;
class QVariant;

namespace Model {
namespace Materials {
class Material;
}
} // namespace Model

namespace Ui {

// Material selectors of the options dialogs: each entry shows the material
// name beside a swatch of its colour and carries the material id as item data.
class MaterialChoice
{
public:
    static constexpr int swatchSize = 100;

    // Replaces the entries of the combo box by the given materials, in order.
    static void fill(QComboBox *comboBox, const QVector<Model::Materials::Material> &materials);
    // The id of the current entry; 0 when there is none or its data is not an integer.
    static std::uint32_t selectedId(const QComboBox *comboBox);
    // Makes the entry carrying `id` current; false (and no change) when none does.
    static bool select(QComboBox *comboBox, std::uint32_t id);

private:
    // An entry's id; 0 when its data is not an integer that fits an id.
    static std::uint32_t idFromData(const QVariant &data);
};

} // namespace Ui
