#include "MaterialChoice.h"

#include "Model/Materials/Material.h"

#include <QColor>
#include <QComboBox>
#include <QIcon>
#include <QPixmap>

#include <algorithm>
#include <limits>

namespace Ui {

namespace {

int colorByte(double component)
{
    return std::clamp(int(component * 255.0), 0, 255);
}

} // namespace

void MaterialChoice::fill(QComboBox *comboBox, const QVector<Model::Materials::Material> &materials)
{
    if (!comboBox)
        return;
    comboBox->clear();
    for (const Model::Materials::Material &material : materials) {
        const Util::Vector4D color = material.getColor();
        QPixmap swatch(swatchSize, swatchSize);
        swatch.fill(QColor(colorByte(color[0]), colorByte(color[1]), colorByte(color[2]),
                           colorByte(color[3])));
        comboBox->addItem(QIcon(swatch), material.getName(), uint(material.getId()));
    }
}

bool MaterialChoice::select(QComboBox *comboBox, std::uint32_t id)
{
    if (!comboBox || id == 0)
        return false;
    for (int i = 0; i < comboBox->count(); ++i) {
        if (idFromData(comboBox->itemData(i)) == id) {
            comboBox->setCurrentIndex(i);
            return true;
        }
    }
    return false;
}

std::uint32_t MaterialChoice::selectedId(const QComboBox *comboBox)
{
    return comboBox ? idFromData(comboBox->currentData()) : 0;
}

std::uint32_t MaterialChoice::idFromData(const QVariant &data)
{
    constexpr qulonglong largestId = std::numeric_limits<std::uint32_t>::max();
    bool ok = false;
    switch (data.userType()) {
    case QMetaType::UInt:
    case QMetaType::ULongLong:
    case QMetaType::UShort: {
        const qulonglong id = data.toULongLong(&ok);
        return ok && id <= largestId ? std::uint32_t(id) : 0;
    }
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::Short: {
        const qlonglong id = data.toLongLong(&ok);
        return ok && id >= 0 && qulonglong(id) <= largestId ? std::uint32_t(id) : 0;
    }
    default:
        return 0;
    }
}

} // namespace Ui
