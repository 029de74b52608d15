#include "ProfileFormat.h"

#include <cmath>

namespace ProfileFormat {

namespace {

    QString upperHex(quint32 value, int digits)
    {
        return QStringLiteral("0x")
            + QString::number(value, 16).toUpper().rightJustified(digits, QLatin1Char('0'));
    }

} // namespace

QString hex4(quint32 value) { return upperHex(value, 4); }

QString hex8(quint32 value) { return upperHex(value, 8); }

QString fixed3(float value) { return QString::number(double(value), 'f', 3); }

QString fixed6(float value) { return QString::number(double(value), 'f', 6); }

QString decimal(quint32 value) { return QString::number(value); }

QString logHex(quint32 value, int digits)
{
    return QString::number(value, 16).rightJustified(digits, QLatin1Char('0'));
}

QString logG(double value) { return QString::number(value, 'g', 6); }

quint32 toWord(const QString &text, bool *ok)
{
    // Base 0 reads "0x" as hex and a leading 0 as octal. Words are unsigned:
    // "0xFFFFFFFF" is a valid mask.
    return text.trimmed().toUInt(ok, 0);
}

float toValue(const QString &text, bool *ok)
{
    const float value = text.trimmed().toFloat(ok);
    if (*ok && !std::isfinite(value))
        *ok = false;
    return *ok ? value : 0.0f;
}

QString withExtension(const QString &name)
{
    const QString extension = QLatin1String(Extension);
    return name.endsWith(extension, Qt::CaseInsensitive) ? name : name + extension;
}

QString proposedName(const QString &folder, int serialNumber)
{
    return QStringLiteral("%1/%2%3").arg(folder).arg(serialNumber).arg(QLatin1String(Extension));
}

} // namespace ProfileFormat
