#pragma once

#include <QString>

/// Whether a module's temperature and supply voltages are in their good
/// range, the same ranges the module's own "good" status bits use: below
/// 55 °C, and each supply within 5 % of its nominal (+5 V; +12 V, or +24 V
/// where the crate feeds 24 V; -12 V).
class ModuleHealth
{
public:
    static constexpr float MaxTemperature = 55.0f;
    static constexpr double SupplyTolerance = 0.05;

    static bool temperatureGood(float celsius);
    static bool supplyP5Good(float volts);
    static bool supplyP12Good(float volts);
    static bool supplyN12Good(float volts);

    /// A short alarm naming every value out of its range ("Temperature
    /// 60.0 °C, -12 V supply -10.20 V"); empty when all are good.
    static QString alarm(float p5, float p12, float n12, float temperature);
};
