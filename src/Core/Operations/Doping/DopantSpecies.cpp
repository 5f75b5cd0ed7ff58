#include "Core/Operations/Doping/DopantSpecies.h"

#include "Core/Operations/Doping/DopantTypes.h"

namespace Core {
namespace Operations {

namespace {

constexpr DopantSpecies all[] = {DopantSpecies::Boron, DopantSpecies::Phosphorus, DopantSpecies::Arsenic};

QString element(DopantSpecies species)
{
    switch (species) {
    case DopantSpecies::Boron: return QStringLiteral("boron");
    case DopantSpecies::Phosphorus: return QStringLiteral("phosphorus");
    case DopantSpecies::Arsenic: return QStringLiteral("arsenic");
    }
    return {};
}

} // namespace

QString Dopants::symbol(DopantSpecies species)
{
    switch (species) {
    case DopantSpecies::Boron: return QStringLiteral("B");
    case DopantSpecies::Phosphorus: return QStringLiteral("P");
    case DopantSpecies::Arsenic: return QStringLiteral("As");
    }
    return {};
}

QStringList Dopants::symbols()
{
    QStringList list;
    for (const DopantSpecies species : all)
        list << symbol(species);
    return list;
}

std::optional<DopantSpecies> Dopants::fromName(const QString &name)
{
    const QString text = name.trimmed();
    for (const DopantSpecies species : all) {
        if (text.compare(symbol(species), Qt::CaseInsensitive) == 0
            || text.compare(element(species), Qt::CaseInsensitive) == 0)
            return species;
    }
    return std::nullopt;
}

std::uint32_t Dopants::dopantType(DopantSpecies species)
{
    return species == DopantSpecies::Boron ? DopantTypes::pType : DopantTypes::nType;
}

} // namespace Operations
} // namespace Core
