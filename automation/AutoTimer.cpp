#include "AutoTimer.h"

#include <QCoreApplication>
#include <QLocale>

#include <cmath>

namespace AutoTimer {

Step nextStep(float vset, bool up, float increment, float upper, float lower)
{
    Step step;
    step.up = up;
    if (up) {
        step.demand = vset + increment;
        if (upper <= step.demand) {
            step.demand = upper;
            step.up = false;
        }
    } else {
        step.demand = vset - increment;
        if (lower >= step.demand) {
            step.demand = lower;
            step.up = true;
        }
    }
    return step;
}

int checkDelayMs(int intervalMs) { return qMax(2000, intervalMs - 4000); }

int scopeModuleCount(int scope, int moduleCount)
{
    switch (scope) {
    case WholeSystem:
        return moduleCount;
    case FirstFourModules:
        return qMin(4, moduleCount);
    default:
        return qMin(1, moduleCount);
    }
}

bool missed(float vset, float demand) { return std::fabs(vset - demand) > 0.001f; }

QString mismatchMessage(const QString &when, const QString &address, int channel, float vset,
                        float demand)
{
    return QCoreApplication::translate("AutoTimer", "%1: %2.%3.VSet = %4 (demand was %5)")
        .arg(when, address)
        .arg(channel)
        .arg(double(vset), 0, 'g', 6)
        .arg(double(demand), 0, 'g', 6);
}

QString localeValue(float value, const QLocale &locale)
{
    // The locale's decimal separator, but no grouping: a separator outside
    // Latin-1 would turn into "?" in the file.
    QLocale ungrouped = locale;
    ungrouped.setNumberOptions(locale.numberOptions() | QLocale::OmitGroupSeparator);
    return ungrouped.toString(double(value), 'g', 6);
}

QString autoLogLine(const QDateTime &when, float demand,
                    const QList<QPair<float, float>> &setAndMeasured, const QLocale &locale)
{
    QString line = when.toString(QStringLiteral("yyyy-MM-dd;HH:mm:ss.zzz")) + QLatin1Char(';')
        + localeValue(demand, locale) + QLatin1Char(';');
    for (const auto &channel : setAndMeasured) {
        line += localeValue(channel.first, locale) + QLatin1Char(';') + localeValue(channel.second, locale)
            + QLatin1Char(';') + localeValue(demand - channel.second, locale) + QLatin1Char(';');
    }
    return line + QLatin1Char('\n');
}

} // namespace AutoTimer
