#pragma once

#include <QString>
#include <QStringList>

#include <cstdint>
#include <optional>

namespace Core {
namespace Operations {

// The dopants the physical doping models know: boron makes silicon P type,
// phosphorus and arsenic N type.
enum class DopantSpecies { Boron, Phosphorus, Arsenic };

struct Dopants
{
    // "B", "P", "As"
    static QString symbol(DopantSpecies species);
    static QStringList symbols();
    // Takes the symbol or the element's name, in any case.
    static std::optional<DopantSpecies> fromName(const QString &name);
    // DopantTypes::pType or DopantTypes::nType.
    static std::uint32_t dopantType(DopantSpecies species);
};

} // namespace Operations
} // namespace Core
