#include "MaterialFactory.h"

#include <QMutexLocker>

namespace Model {
namespace Materials {

// Placeholder until the catalogue file is written: the built-in table only.
bool MaterialFactory::loadMaterials()
{
    return false;
}

bool MaterialFactory::saveMaterials()
{
    return false;
}

std::uint32_t MaterialFactory::getNewMaterialId()
{
    QMutexLocker locker(&mutex);
    std::uint32_t candidate = 2000;
    while (materials.count(candidate))
        ++candidate;
    return candidate;
}

void MaterialFactory::initialise()
{
    if (!loadMaterials()) {
        loadDefaultMaterials();
        saveMaterials();
    }
}

} // namespace Materials
} // namespace Model
