#pragma once

#include <QLocale>
#include <QString>

class QWidget;

/// The one rule for a set value the operator types (a voltage, a current, a
/// bound): the number is either taken exactly as typed or refused with a
/// message that names what was typed and the allowed range. Nothing is
/// clipped into the range and nothing is rounded to fewer decimals, because
/// a silently changed high-voltage value is worse than a refused one.
///
/// A number may be typed as the table shows it (the display locale, group
/// separators included) or in plain C form. Text that reads as two different
/// numbers in the two forms ("1.500" under a locale with '.' as group
/// separator) is refused as ambiguous.
class SetValueInput
{
public:
    /// The values a set-value input accepts, bounds included.
    struct Range
    {
        double minimum = 0;
        double maximum = 0;
        QString unit;
    };

    /// A checked input: the value to write, or why nothing is written.
    struct Result
    {
        bool accepted = false;
        double value = 0;
        QString refusal;
    };

    /// Reads `text` as a number (display locale or C form) without a range.
    static Result number(const QString &text, const QLocale &locale = QLocale());
    /// Reads `text` and checks it against `range`.
    static Result fromText(const QString &text, const Range &range,
                           const QLocale &locale = QLocale());
    /// Checks a number already read against `range`.
    static Result fromValue(double value, const Range &range, const QLocale &locale = QLocale());
    /// "0...3,000 V": the range as the messages name it.
    static QString rangeText(const Range &range, const QLocale &locale = QLocale());
    /// Tells the operator why a value was refused (a warning box through the
    /// operator prompt).
    static void refuse(QWidget *parent, const QString &refusal);
};
