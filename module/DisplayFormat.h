#pragma once

#include <QString>

/// How one module's voltages and currents are shown: the unit and the number
/// of decimals of each. Only texts for the operator change with it; the
/// module's getters, its update signals and every file keep the module's own
/// units (V and the module's current unit), so a profile or a measurement
/// file means the same whatever the display says.
struct DisplayFormat
{
    /// Voltage unit indices.
    enum { Volt = 0, Kilovolt = 1 };
    /// Current unit indices; each is a thousandth of the next.
    enum { Nanoampere = 0, Microampere = 1, Milliampere = 2, Ampere = 3 };
    /// Decimals a display may ask for.
    static constexpr int MaxPrecision = 9;

    int voltageUnit = Volt;
    int voltagePrecision = 1;
    int currentUnit = Milliampere;
    int currentPrecision = 3;

    bool operator==(const DisplayFormat &other) const;

    /// "V" or "kV".
    QString voltageUnitText() const;
    /// "nA", "uA", "mA" or "A".
    QString currentUnitText() const;
    /// Index of a voltage unit text ("V", "kV"); -1 for any other text.
    static int voltageUnitIndex(const QString &text);
    /// Index of a current unit text ("nA", "uA" or "µA", "mA", "A"); -1 for any other.
    static int currentUnitIndex(const QString &text);

    /// A voltage in volts in the display unit, and back.
    double voltageToDisplay(double volts) const;
    double voltageFromDisplay(double shown) const;
    /// A current in the unit with index `moduleUnit` in the display unit, and back.
    double currentToDisplay(double current, int moduleUnit) const;
    double currentFromDisplay(double shown, int moduleUnit) const;

    /// A voltage in volts as the display shows it ("%L1": locale digits).
    QString formatVoltage(double volts) const;
    /// A current in the unit `moduleUnit` as the display shows it.
    QString formatCurrent(double current, int moduleUnit) const;
};
