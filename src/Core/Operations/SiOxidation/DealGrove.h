#pragma once

#include <QString>
#include <QStringList>

#include <optional>

namespace Core {
namespace Operations {

// Thermal oxide growth on silicon after Deal and Grove, J. Appl. Phys. 36
// (1965) 3770: an oxide of thickness x grows as x^2 + A x = B (t + tau), with
// the parabolic rate B and the linear rate B/A Arrhenius functions of the
// temperature, and tau the time that would have grown the oxide there at
// the start. Deal and Grove found both B and B/A proportional to the
// pressure of the oxidant, so A does not depend on it.
//
// Dry (O2): the rates this program has always used, B = 1297.9 µm^2/h
// exp(-14924 K / T) and B/A = 7.973e6 µm/h exp(-23440 K / T), a fit close
// to Deal and Grove's (111) values (772 µm^2/h exp(-1.23 eV / kT) and
// 6.23e6 µm/h exp(-2.0 eV / kT)), from a 25 nm initial oxide.
// Wet (H2O, the 640 Torr of steam at one atmosphere): Deal and Grove's (111)
// values B = 386 µm^2/h exp(-0.78 eV / kT), B/A = 1.63e8 µm/h
// exp(-2.05 eV / kT), from bare silicon. An hour of wet oxidation at 1000 °C
// grows about 0.45 µm (their table: 0.435 µm).
class DealGrove
{
public:
    enum class Ambient { Dry, Wet };

    struct Rates
    {
        double parabolic; // B, µm^2/h
        double linear;    // B/A, µm/h
    };

    // At `kelvin` and `atmospheres` (1: the pressure the constants are for).
    static Rates rates(Ambient ambient, double kelvin, double atmospheres);
    // The oxide the growth starts from, µm.
    static double initialThickness(Ambient ambient);
    // The oxide thickness in µm after `hours`. Not a number for conditions
    // outside the model (a temperature of zero, a negative time).
    static double thickness(Ambient ambient, double hours, double kelvin, double atmospheres);

    // "dry", "wet"
    static QString name(Ambient ambient);
    static QStringList names();
    static std::optional<Ambient> fromName(const QString &name);
};

} // namespace Operations
} // namespace Core
