#include "MaterialParameters.h"

#include "Model/Materials/Material.h"
#include "Model/Materials/MaterialFactory.h"
#include "ProcessData.h"

#include <QColor>

#include <algorithm>

namespace Core {
namespace BatchRun {

namespace {

int colorByte(double component)
{
    return std::clamp(int(component * 255.0), 0, 255);
}

} // namespace

void MaterialParameters::set(ProcessData &step, std::uint32_t materialId, const QString &role)
{
    const Model::Materials::Material material =
        Model::Materials::MaterialFactory::getInstance()->getMaterial(materialId);
    const Util::Vector4D color = material.getColor();
    const QString name = role.isEmpty() ? QStringLiteral("Material") : role + QStringLiteral(" Material");
    QString idName = role;
    idName.remove(QLatin1Char(' '));
    step.setParameter(idName + QStringLiteral("MaterialId"), uint(materialId), false);
    step.setParameter(name, material.getName(), true);
    step.setParameter(name + QStringLiteral("_Color"),
                      QColor(colorByte(color[0]), colorByte(color[1]), colorByte(color[2]), 255), false);
}

} // namespace BatchRun
} // namespace Core
