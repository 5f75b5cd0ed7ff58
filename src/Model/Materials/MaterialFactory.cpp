#include "MaterialFactory.h"

#include "Model/Persistence/CatalogueFile.h"
#include "Model/Persistence/MaterialArchiver.h"
#include "Util/Logging.h"

#include <QMutexLocker>
#include <QRandomGenerator>

namespace Model {
namespace Materials {

namespace {

struct BuiltIn
{
    std::uint32_t id;
    const char *name;
    float density;
    float youngModulus;
    float poissonRatio;
    float color[4];
};

const BuiltIn builtInTable[] = {
    {1, "Si", 2329, 1.88e11f, 0.28f, {0.5f, 0.5f, 0.5f, 1.0f}},
    {3, "Thermal Si02", 2200, 7e10f, 0.17f, {0.5f, 0.5f, 1.0f, 1.0f}},
    {4, "Al (bulk)", 2700, 7e10f, 0.14f, {0.7f, 0.7f, 0.7f, 1.0f}},
    {5, "Cu (bulk)", 8960, 1.28e11f, 0.36f, {1.0f, 0.8f, 0.3f, 1.0f}},
    {6, "Cr (bulk)", 7190, 2.79e11f, 0.21f, {0.8f, 0.8f, 0.8f, 1.0f}},
    {7, "Ni (bulk)", 8908, 2e11f, 0.31f, {0.8f, 0.9f, 0.8f, 1.0f}},
    {8, "Pt (bulk)", 21450, 1.68e11f, 0.38f, {0.9f, 0.9f, 0.8f, 1.0f}},
    {9, "Au (bulk)", 19300, 7.9e10f, 0.44f, {0.5f, 1.0f, 0.5f, 1.0f}},
    {10, "Ti (bulk)", 4506, 1.16e11f, 0.32f, {0.3f, 0.3f, 0.3f, 1.0f}},
    {11, "Photoresist +", 1000, 1e9f, 0.4f, {1.0f, 0.5f, 0.5f, 1.0f}},
    {12, "Photoresist -", 1000, 1e9f, 0.4f, {1.0f, 0.3f, 1.0f, 1.0f}},
    {13, "PDMS", 1000, 1e9f, 0.4f, {1.0f, 1.0f, 1.0f, 1.0f}},
    {14, "N-doped Si (100)", 2329, 1.88e11f, 0.28f, {1.0f, 1.0f, 0.67f, 1.0f}},
    {15, "P-doped Si (100)", 2329, 1.88e11f, 0.28f, {0.67f, 0.67f, 1.0f, 1.0f}},
    {16, "Poly-Si", 2329, 1.88e11f, 0.28f, {0.3f, 0.5f, 0.4f, 1.0f}},
    // The passivation of the cyclic deep etch.
    {17, "Fluorocarbon polymer", 2000, 5e8f, 0.46f, {0.85f, 0.55f, 0.2f, 1.0f}},
};

// Plain characters: other start-up code may reach the catalogue before this
// file's dynamic initialisers have run.
const char fileName[] = "materials.xml";

// After this many clashing draws the free ids are searched in order, so an
// almost full id range cannot keep the caller spinning.
constexpr int maxRandomDraws = 1000;


} // namespace

// Built and loaded on first use, never during static initialisation: a
// program that only prints its help touches no file.
std::shared_ptr<MaterialFactory> MaterialFactory::getInstance()
{
    static const std::shared_ptr<MaterialFactory> instance = [] {
        std::shared_ptr<MaterialFactory> factory(new MaterialFactory);
        factory->initialise();
        return factory;
    }();
    return instance;
}

Material MaterialFactory::getMaterial(std::uint32_t id)
{
    QMutexLocker locker(&mutex);
    const auto it = materials.find(id);
    return it == materials.end() ? Material() : it->second;
}

QVector<Material> MaterialFactory::getMaterials()
{
    QMutexLocker locker(&mutex);
    QVector<Material> all;
    all.reserve(int(materials.size()));
    for (const auto &entry : materials)
        all.append(entry.second);
    return all;
}

bool MaterialFactory::addMaterial(const Material &material)
{
    if (material.getId() == 0)
        return false;
    QMutexLocker locker(&mutex);
    materials[material.getId()] = material;
    return true;
}

bool MaterialFactory::removeMaterial(std::uint32_t id)
{
    QMutexLocker locker(&mutex);
    newIdsExhausted = false;
    return materials.erase(id) > 0;
}

void MaterialFactory::fillDefaults()
{
    materials.clear();
    nextNewId = firstNewId;
    newIdsExhausted = false;
    for (const BuiltIn &row : builtInTable) {
        materials[row.id] = Material(row.id, QString::fromLatin1(row.name), row.density,
                                     row.youngModulus, row.poissonRatio, row.color);
    }
}

void MaterialFactory::loadDefaultMaterials()
{
    QMutexLocker locker(&mutex);
    fillDefaults();
}

std::uint32_t MaterialFactory::getNewMaterialId()
{
    QMutexLocker locker(&mutex);
    for (int draw = 0; draw < maxRandomDraws; ++draw) {
        const int r = int(QRandomGenerator::global()->bounded(32768u));
        const auto candidate =
            firstNewId + std::uint32_t(float(r * 30767) * (1.0f / 32768.0f));
        if (materials.count(candidate) == 0)
            return candidate;
    }
    for (std::uint32_t candidate = firstNewId; candidate <= lastNewId; ++candidate) {
        if (materials.count(candidate) == 0)
            return candidate;
    }
    return 0; // every id of the range is taken
}

std::uint32_t MaterialFactory::addUnderNewId(Material material)
{
    QMutexLocker locker(&mutex);
    if (newIdsExhausted)
        return 0;
    // From the last id given to the end of the range, then from its start.
    const std::uint32_t start = nextNewId;
    for (std::uint32_t step = 0; step <= lastNewId - firstNewId; ++step) {
        std::uint32_t candidate = start + step;
        if (candidate > lastNewId)
            candidate -= lastNewId - firstNewId + 1;
        if (materials.count(candidate) == 0) {
            material.setId(candidate);
            materials[candidate] = material;
            nextNewId = candidate == lastNewId ? firstNewId : candidate + 1;
            return candidate;
        }
    }
    newIdsExhausted = true;
    return 0;
}

bool MaterialFactory::loadMaterials()
{
    QMutexLocker locker(&mutex);
    lastRead = Persistence::CatalogueFile::readRecords(QString::fromLatin1(fileName), QStringLiteral("Materials"),
                                                       &Persistence::MaterialArchiver::loadMaterial, materials);
    return lastRead.loaded();
}

bool MaterialFactory::saveMaterials()
{
    QMutexLocker locker(&mutex);
    return Persistence::CatalogueFile::writeRecords(QString::fromLatin1(fileName), QStringLiteral("Materials"),
                                                    &Persistence::MaterialArchiver::saveMaterial, materials, lastRead);
}

QString MaterialFactory::loadProblem()
{
    QMutexLocker locker(&mutex);
    return lastRead.problem(QStringLiteral("material catalogue"), QStringLiteral("built-in materials"));
}

void MaterialFactory::initialise()
{
    {
        QMutexLocker locker(&mutex);
        materials.clear();
        nextNewId = firstNewId;
        newIdsExhausted = false;
    }
    if (loadMaterials())
        return;
    // A file that could not be read stays as it is (saveMaterials refuses):
    // the built-in table serves this run only.
    loadDefaultMaterials();
    saveMaterials();
}

} // namespace Materials
} // namespace Model
