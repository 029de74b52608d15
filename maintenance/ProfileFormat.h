#pragma once

#include <QString>

/// How a profile file spells its values and how the load log shows them.
/// File forms use a decimal point and no digit grouping, whatever the locale.
namespace ProfileFormat {

/// The extension every profile file name ends in.
inline constexpr char Extension[] = ".txt";
/// Milliamperes (the profile's current unit) in amperes, for the load log.
constexpr double AmperesPerMilliampere = 0.001;

// File forms.
/// "0x" and at least four upper-case hex digits: 0x0004, 0x12345.
QString hex4(quint32 value);
/// "0x" and at least eight upper-case hex digits.
QString hex8(quint32 value);
/// Three decimals: 1000.000.
QString fixed3(float value);
/// Six decimals: 0.000500.
QString fixed6(float value);
/// Unsigned decimal: 500.
QString decimal(quint32 value);

// Load-log forms (no prefix).
/// At least `digits` lower-case hex digits.
QString logHex(quint32 value, int digits);
/// Fixed or exponent notation, whichever is shorter, six significant digits.
QString logG(double value);

// Reading.
/// An unsigned 32-bit integer with the base taken from the text: "0x" hex,
/// a leading "0" octal, else decimal. `ok` tells whether the whole text parsed.
quint32 toWord(const QString &text, bool *ok);
/// A finite single-precision number.
float toValue(const QString &text, bool *ok);

// File names.
/// `name` with ".txt" appended unless it already ends so, in any case.
QString withExtension(const QString &name);
/// The name the save dialog proposes: the module's serial number in `folder`.
QString proposedName(const QString &folder, int serialNumber);

} // namespace ProfileFormat
