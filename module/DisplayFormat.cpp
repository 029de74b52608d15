#include "DisplayFormat.h"

#include <QStringList>

#include <cmath>

namespace {

const QStringList &currentUnits()
{
    static const QStringList units {QStringLiteral("nA"), QStringLiteral("uA"),
                                    QStringLiteral("mA"), QStringLiteral("A")};
    return units;
}

// From the unit `from` to the unit `to`: each step is a factor of 1000.
double currentFactor(int from, int to) { return std::pow(1000.0, from - to); }

} // namespace

bool DisplayFormat::operator==(const DisplayFormat &other) const
{
    return voltageUnit == other.voltageUnit && voltagePrecision == other.voltagePrecision
        && currentUnit == other.currentUnit && currentPrecision == other.currentPrecision;
}

QString DisplayFormat::voltageUnitText() const
{
    return voltageUnit == Kilovolt ? QStringLiteral("kV") : QStringLiteral("V");
}

QString DisplayFormat::currentUnitText() const
{
    return currentUnits().value(currentUnit, QStringLiteral("A"));
}

int DisplayFormat::voltageUnitIndex(const QString &text)
{
    if (text == QLatin1String("V"))
        return Volt;
    if (text == QLatin1String("kV"))
        return Kilovolt;
    return -1;
}

int DisplayFormat::currentUnitIndex(const QString &text)
{
    // The settings dialog writes the micro sign, the module texts a plain u.
    if (text == QString(QChar(0x00B5)) + QLatin1Char('A'))
        return Microampere;
    return int(currentUnits().indexOf(text));
}

double DisplayFormat::voltageToDisplay(double volts) const
{
    return voltageUnit == Kilovolt ? volts / 1000.0 : volts;
}

double DisplayFormat::voltageFromDisplay(double shown) const
{
    return voltageUnit == Kilovolt ? shown * 1000.0 : shown;
}

double DisplayFormat::currentToDisplay(double current, int moduleUnit) const
{
    return current * currentFactor(moduleUnit, currentUnit);
}

double DisplayFormat::currentFromDisplay(double shown, int moduleUnit) const
{
    return shown * currentFactor(currentUnit, moduleUnit);
}

QString DisplayFormat::formatVoltage(double volts) const
{
    return QStringLiteral("%L1").arg(voltageToDisplay(volts), 0, 'f', voltagePrecision);
}

QString DisplayFormat::formatCurrent(double current, int moduleUnit) const
{
    return QStringLiteral("%L1").arg(currentToDisplay(current, moduleUnit), 0, 'f',
                                     currentPrecision);
}
