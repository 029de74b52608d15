#include "ModuleHealth.h"

#include <QCoreApplication>
#include <QStringList>

#include <cmath>

namespace {

bool near(double value, double nominal)
{
    return std::abs(value - nominal) <= ModuleHealth::SupplyTolerance * std::abs(nominal);
}

QString tr(const char *text) { return QCoreApplication::translate("ModuleHealth", text); }

} // namespace

bool ModuleHealth::temperatureGood(float celsius) { return celsius < MaxTemperature; }

bool ModuleHealth::supplyP5Good(float volts) { return near(volts, 5.0); }

bool ModuleHealth::supplyP12Good(float volts) { return near(volts, 12.0) || near(volts, 24.0); }

bool ModuleHealth::supplyN12Good(float volts) { return near(volts, -12.0); }

QString ModuleHealth::alarm(float p5, float p12, float n12, float temperature)
{
    QStringList bad;
    if (!temperatureGood(temperature))
        bad << tr("Temperature %L1 °C").arg(double(temperature), 0, 'f', 1);
    if (!supplyP5Good(p5))
        bad << tr("+5 V supply %L1 V").arg(double(p5), 0, 'f', 2);
    if (!supplyP12Good(p12))
        bad << tr("+12 V supply %L1 V").arg(double(p12), 0, 'f', 2);
    if (!supplyN12Good(n12))
        bad << tr("-12 V supply %L1 V").arg(double(n12), 0, 'f', 2);
    return bad.join(QStringLiteral(", "));
}
