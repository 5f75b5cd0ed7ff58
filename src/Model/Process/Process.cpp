#include "Process.h"

#include "Model/Materials/Material.h"
#include "Model/Materials/MaterialFactory.h"

namespace Model {
namespace Process {

Process::Process(const QString &name_, std::uint32_t id_,
                 const QVector<std::uint32_t> &compatibleMaterialIds)
    : name(name_)
    , id(id_)
    , compatibleMaterials(compatibleMaterialIds)
{
}

void Process::addCompatibleMaterial(std::uint32_t materialId)
{
    compatibleMaterials.append(materialId);
}

void Process::removeCompatibleMaterial(std::uint32_t materialId)
{
    compatibleMaterials.removeAll(materialId);
}

QVector<Materials::Material> Process::getCompatibleMaterials() const
{
    const auto catalogue = Materials::MaterialFactory::getInstance();
    QVector<Materials::Material> result;
    result.reserve(compatibleMaterials.size());
    for (std::uint32_t materialId : compatibleMaterials) {
        const Materials::Material material = catalogue->getMaterial(materialId);
        if (material.getId() != 0)
            result.append(material);
    }
    return result;
}

} // namespace Process
} // namespace Model
