#pragma once

#include "Material.h"
#include "Model/Persistence/CatalogueFile.h"

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
    // Stores the material under a free id of the same range and returns that
    // id, in one step so no other caller can take it meanwhile; 0 (nothing
    // stored) when the range is full. Ids are handed out in ascending order
    // from the last one given, so adding many costs about one look each.
    std::uint32_t addUnderNewId(Material material);
    static constexpr std::uint32_t firstNewId = 2000;
    static constexpr std::uint32_t lastNewId = 32766;
    void loadDefaultMaterials();
    // Adds the materials of "materials.xml"; false (catalogue unchanged) when
    // the file is missing, unreadable, not a material catalogue or malformed.
    // Remembers what it found for loadProblem() and saveMaterials().
    bool loadMaterials();
    // Writes the whole file or nothing; false when it could not be written,
    // and always while the file the last load found unreadable is in place:
    // the user's entries in it are never lost to a save.
    bool saveMaterials();
    // Why the file could not be read at the last load, naming the file and
    // the line, and that it is kept while the built-in table serves this run;
    // empty when it was read, or was missing (or empty) and so written anew.
    QString loadProblem();

    // The start-up sequence: empty the catalogue, load the file, or install
    // the built-in table and write it to a missing file (never over an
    // unreadable one: see loadProblem). Tests call it again after pointing HOME
    // elsewhere.
    void initialise();

    MaterialFactory(const MaterialFactory &) = delete;
    MaterialFactory &operator=(const MaterialFactory &) = delete;

private:
    MaterialFactory() = default;
    void fillDefaults();

    QMutex mutex;
    Persistence::CatalogueFile::Reading lastRead;
    std::map<std::uint32_t, Material> materials;
    // Where addUnderNewId looks first, and whether its last full search
    // found the range full (only a removal can free an id again).
    std::uint32_t nextNewId = firstNewId;
    bool newIdsExhausted = false;
};

} // namespace Materials
} // namespace Model
