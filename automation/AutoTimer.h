#pragma once

#include <QDateTime>
#include <QList>
#include <QLocale>
#include <QPair>
#include <QString>

/// The arithmetic of the automatic set-voltage timer: the next demand
/// between the limits, when the check follows a step, which modules a scope
/// covers, when a channel counts as not having taken the demand, and the
/// texts of its log and auto log.
namespace AutoTimer {

/// What the timer changes.
enum Scope { SelectedChannel = 0, SelectedModule = 1, WholeSystem = 2, FirstFourModules = 3 };

/// The demand of one step and the direction the next one takes.
struct Step
{
    float demand = 0;
    bool up = true;
};

/// One step from the present set voltage `vset`, in 32-bit floats: up by the
/// increment until the upper limit is reached (clamped, then down), down
/// until the lower limit is reached (clamped, then up).
Step nextStep(float vset, bool up, float increment, float upper, float lower);
/// Milliseconds from a step to its check: max(2000, interval - 4000).
int checkDelayMs(int intervalMs);
/// Number of modules of a list of `moduleCount` the scope sets (0 or 1 for
/// the selected module's scopes).
int scopeModuleCount(int scope, int moduleCount);
/// True when `vset` is more than 0.001 away from `demand`.
bool missed(float vset, float demand);

/// The log line for a channel whose set voltage is not the demand.
QString mismatchMessage(const QString &when, const QString &address, int channel, float vset,
                        float demand);
/// A number of the auto log: general notation, 6 significant digits, the
/// system locale's decimal separator, never a group separator.
QString localeValue(float value, const QLocale &locale = QLocale::system());
/// One auto log line with its line feed: date;time;demand; then per channel
/// Vset;Vmeas;demand-Vmeas; (3 + 3n fields, each ended by ";").
QString autoLogLine(const QDateTime &when, float demand,
                    const QList<QPair<float, float>> &setAndMeasured,
                    const QLocale &locale = QLocale::system());

} // namespace AutoTimer
