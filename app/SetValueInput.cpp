#include "SetValueInput.h"

#include "OperatorPrompt.h"

#include <QCoreApplication>

#include <cmath>

namespace {

QString tr(const char *text) { return QCoreApplication::translate("SetValueInput", text); }

QString formatted(double value, const QLocale &locale)
{
    return locale.toString(value, 'g', 10);
}

// A bound read back from the module as a float may lie a rounding step below
// the number the operator reads off the label.
bool within(double value, double minimum, double maximum)
{
    const double slack = 1e-6 * qMax(std::abs(minimum), std::abs(maximum));
    return value >= minimum - slack && value <= maximum + slack;
}

SetValueInput::Result refused(const QString &why)
{
    SetValueInput::Result result;
    result.refusal = why;
    return result;
}

} // namespace

SetValueInput::Result SetValueInput::number(const QString &text, const QLocale &locale)
{
    const QString typed = text.trimmed();
    bool plain = false;
    bool local = false;
    const double plainValue = typed.toDouble(&plain);
    const double localValue = locale.toDouble(typed, &local);
    if (plain && local && plainValue != localValue) {
        return refused(tr("\"%1\" can be read as %2 or as %3. Please type it without group "
                          "separators.")
                           .arg(typed, formatted(localValue, locale),
                                formatted(plainValue, locale)));
    }
    const double value = plain ? plainValue : localValue;
    if ((!plain && !local) || !std::isfinite(value))
        return refused(tr("\"%1\" is not a number.").arg(typed));
    Result result;
    result.accepted = true;
    result.value = value;
    return result;
}

SetValueInput::Result SetValueInput::fromText(const QString &text, const Range &range,
                                              const QLocale &locale)
{
    Result result = number(text, locale);
    if (!result.accepted) {
        result.refusal += QLatin1Char(' ')
            + tr("Allowed: %1. Nothing was written.").arg(rangeText(range, locale));
        return result;
    }
    return fromValue(result.value, range, locale);
}

SetValueInput::Result SetValueInput::fromValue(double value, const Range &range,
                                               const QLocale &locale)
{
    if (!std::isfinite(value) || !within(value, range.minimum, range.maximum)) {
        const QString shown = range.unit.isEmpty()
            ? formatted(value, locale)
            : QStringLiteral("%1 %2").arg(formatted(value, locale), range.unit);
        return refused(tr("%1 is outside the allowed range %2. Nothing was written.")
                           .arg(shown, rangeText(range, locale)));
    }
    Result result;
    result.accepted = true;
    result.value = value;
    return result;
}

QString SetValueInput::rangeText(const Range &range, const QLocale &locale)
{
    const QString text = QStringLiteral("%1...%2").arg(formatted(range.minimum, locale),
                                                       formatted(range.maximum, locale));
    return range.unit.isEmpty() ? text : QStringLiteral("%1 %2").arg(text, range.unit);
}

void SetValueInput::refuse(QWidget *parent, const QString &refusal)
{
    OperatorPrompt::instance()->warning(
        parent, QCoreApplication::translate("NorvControl", "norv VME Control"), refusal);
}
