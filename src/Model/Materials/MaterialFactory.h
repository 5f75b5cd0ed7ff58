#pragma once

#include "Material.h"

#include <QMutex>
#include <QVector>

#include <cstdint>
#include <map>
#include <memory>

namespace Model {
namespace Materials {

// The process-wide material catalogue, mirrored in "materials.xml" in the
// "Kestrum" folder under the home directory. Every call holds the one mutex
// for its whole run and hands out copies.
class MaterialFactory
{
public:
    static std::shared_ptr<MaterialFactory> getInstance();

    Material getMaterial(std::uint32_t id);
    QVector<Material> getMaterials();
    bool addMaterial(const Material &material);
    // Removes a material (the material manager and tests use it).
    bool removeMaterial(std::uint32_t id);
    // A random id in 2000..32766 that the catalogue does not hold yet; 0 only
    // when the whole range is taken.
    std::uint32_t getNewMaterialId();
    void loadDefaultMaterials();
    // Adds the materials of "materials.xml"; false (catalogue unchanged) when
    // the file is missing, unreadable, not a material catalogue or malformed.
    bool loadMaterials();
    // Writes the whole file or nothing; false when it could not be written.
    bool saveMaterials();

    // The start-up sequence: empty the catalogue, load the file, or install and
    // write back the built-in table. Tests call it again after pointing HOME
    // elsewhere.
    void initialise();

    MaterialFactory(const MaterialFactory &) = delete;
    MaterialFactory &operator=(const MaterialFactory &) = delete;

private:
    MaterialFactory() = default;
    void fillDefaults();

    QMutex mutex;
    std::map<std::uint32_t, Material> materials;
};

} // namespace Materials
} // namespace Model
