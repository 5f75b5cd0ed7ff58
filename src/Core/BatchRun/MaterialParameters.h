#pragma once

#include <QString>

#include <cstdint>

namespace Core {
namespace BatchRun {

class ProcessData;

// The three parameters a step keeps for one chosen material: its id (hidden),
// its name (shown) and its colour (hidden, drawn as a swatch beside the name).
// With a role ("Conducting") they are "ConductingMaterialId", "Conducting
// Material" and "Conducting Material_Color"; without one "MaterialId",
// "Material" and "Material_Color".
class MaterialParameters
{
public:
    static void set(ProcessData &step, std::uint32_t materialId, const QString &role = QString());
};

} // namespace BatchRun
} // namespace Core
