#pragma once

#include <QString>
#include <QVector>

#include <cstdint>

namespace Model {
namespace Materials {
class Material;
}

namespace Process {

// One fabrication process with the ids of the materials it accepts, in the
// order the user arranged them. The default Process (id 0, no name) is the
// "not found" value.
class Process
{
public:
    Process() = default;
    Process(const QString &name, std::uint32_t id,
            const QVector<std::uint32_t> &compatibleMaterialIds = {});

    QString getName() const { return name; }
    std::uint32_t getId() const { return id; }
    QVector<std::uint32_t> getCompatibleMaterialIds() const { return compatibleMaterials; }

    // Appends without a duplicate check.
    void addCompatibleMaterial(std::uint32_t materialId);
    // Removes every occurrence.
    void removeCompatibleMaterial(std::uint32_t materialId);

    // The catalogue materials of the listed ids, in list order; ids the
    // material catalogue does not know are left out.
    QVector<Materials::Material> getCompatibleMaterials() const;

private:
    QString name;
    std::uint32_t id = 0;
    QVector<std::uint32_t> compatibleMaterials;
};

} // namespace Process
} // namespace Model
