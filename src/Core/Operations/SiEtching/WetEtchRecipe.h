#pragma once

#include <QString>
#include <QStringList>

#include <optional>

namespace Core {
namespace Operations {

// A wet etch in a designer's terms: the etchant with its concentration and
// temperature, or a (100) rate of one's own, and an etch time. The depth the
// (100) floor goes down is the rate times the time; the bond-counting and the
// continuous etch take it as their depth.
struct WetEtchRecipe
{
    enum class Etchant { Koh, Custom };

    static constexpr double maximumCustomRate = 1000.0; // µm/min
    static constexpr double maximumMinutes = 100000.0;

    Etchant etchant = Etchant::Koh;
    double concentration = 30.0; // wt %, KOH only
    double temperature = 70.0;   // °C, KOH only
    double customRate = 1.0;     // µm/min on (100), custom only
    double minutes = 10.0;

    // µm/min on (100).
    double rate100() const;
    // µm.
    double depth() const { return rate100() * minutes; }
    // "KOH 30 wt % at 70 °C: (100) rate 0.774 µm/min for 40 min"
    QString text() const;

    // "KOH", "custom"
    static QString name(Etchant etchant);
    static QStringList names();
    static std::optional<Etchant> fromName(const QString &name);
};

} // namespace Operations
} // namespace Core
