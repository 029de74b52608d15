#include "CommandInputs.h"

#include <DeviceClassTable.h>

#include <QCoreApplication>
#include <QtGlobal>

#include <cmath>

namespace {

// Device class 28 drives outputs of either polarity.
constexpr int BipolarDeviceClass = 28;
constexpr int ValueDecimals = 3;
constexpr int MaskBits = 32;
constexpr double StaircaseMaxStep = 100.0;

QString tr(const char *text) { return QCoreApplication::translate("CommandInputs", text); }

// The operator may type a value up to the largest nominal; channels with a
// smaller one refuse it, so the label says so.
QString withNote(QString label, const CommandInputs::NominalRange &range, const QString &unit)
{
    if (range.largest > range.smallest)
        label += tr("\n\nNote: some channels will only allow %L1 %2.")
                     .arg(range.smallest, 0, 'g', 6)
                     .arg(unit);
    return label;
}

CommandInputs::DoubleInput valueInput(const QString &label, double initial, double minimum,
                                      double maximum)
{
    CommandInputs::DoubleInput input;
    input.label = label;
    input.value = initial;
    input.minimum = minimum;
    input.maximum = maximum;
    input.decimals = ValueDecimals;
    return input;
}

// A value from 0 up to the largest nominal of several channels; `text` holds
// %L1 for that nominal and %2 for the unit.
CommandInputs::DoubleInput upToLargest(const QString &text,
                                       const CommandInputs::NominalRange &range,
                                       const QString &unit, double initial)
{
    const QString label = text.arg(range.largest, 0, 'g', 6).arg(unit);
    return valueInput(withNote(label, range, unit), initial, 0.0, range.largest);
}

CommandInputs::Choice choice(const QString &label, const QStringList &items, quint32 reported,
                             const QString &fallback)
{
    CommandInputs::Choice c;
    c.label = label;
    c.items = items;
    c.current = items.indexOf(QString::number(reported));
    if (c.current < 0)
        c.current = items.indexOf(fallback);
    return c;
}

} // namespace

quint32 CommandInputs::channelMask(const QList<int> &rows)
{
    quint32 mask = 0;
    for (int row : rows) {
        if (row >= 0)
            mask |= quint32(1) << (row % MaskBits);
    }
    return mask;
}

CommandInputs::NominalRange CommandInputs::nominalRange(const QList<float> &nominals)
{
    NominalRange range;
    bool first = true;
    for (float nominal : nominals) {
        const double value = qAbs(double(nominal));
        if (first) {
            range.largest = range.smallest = value;
            first = false;
        } else {
            range.largest = qMax(range.largest, value);
            range.smallest = qMin(range.smallest, value);
        }
    }
    return range;
}

bool CommandInputs::allowsNegativeVoltage(const QString &typeCode)
{
    return typeCode == DeviceClassTable::typeCode(BipolarDeviceClass);
}

QString CommandInputs::number(double value) { return QStringLiteral("%L1").arg(value, 0, 'g', 6); }

CommandInputs::DoubleInput CommandInputs::channelVoltage(int channel, double nominal,
                                                         const QString &unit, bool negativeAllowed,
                                                         double initial)
{
    const double upper = qAbs(nominal);
    const double lower = negativeAllowed ? -upper : 0.0;
    return valueInput(tr("Input a voltage (%L1...%L2 %3) for channel %4:")
                          .arg(lower, 0, 'g', 6)
                          .arg(upper, 0, 'g', 6)
                          .arg(unit)
                          .arg(channel),
                      initial, lower, upper);
}

CommandInputs::DoubleInput CommandInputs::channelCurrent(int channel, double nominal,
                                                         const QString &unit, double initial)
{
    const double upper = qAbs(nominal);
    return valueInput(tr("Input a current (0...%L1 %2) for channel %3:")
                          .arg(upper, 0, 'g', 6)
                          .arg(unit)
                          .arg(channel),
                      initial, 0.0, upper);
}

CommandInputs::DoubleInput CommandInputs::selectionVoltage(const NominalRange &range,
                                                           const QString &unit, double initial)
{
    return upToLargest(tr("Input a voltage (0...%L1 %2) for the selected channels:"), range, unit,
                       initial);
}

CommandInputs::DoubleInput CommandInputs::selectionCurrent(const NominalRange &range,
                                                           const QString &unit, double initial)
{
    return upToLargest(tr("Input a current (0...%L1 %2) for the selected channels:"), range, unit,
                       initial);
}

CommandInputs::DoubleInput CommandInputs::moduleVoltage(const NominalRange &range,
                                                        const QString &unit, bool negativeAllowed,
                                                        double initial)
{
    const double lower = negativeAllowed ? -range.largest : 0.0;
    const QString label = tr("Input a Set voltage (%L1...%L2 %3) for all channels:")
                              .arg(lower, 0, 'g', 6)
                              .arg(range.largest, 0, 'g', 6)
                              .arg(unit);
    return valueInput(withNote(label, range, unit), initial, lower, range.largest);
}

CommandInputs::DoubleInput CommandInputs::moduleCurrent(const NominalRange &range,
                                                        const QString &unit, double initial)
{
    return upToLargest(tr("Input a Set current (0...%L1 %2) for all channels:"), range, unit,
                       initial);
}

CommandInputs::DoubleInput CommandInputs::systemVoltage(const NominalRange &range,
                                                        const QString &unit, double initial)
{
    return upToLargest(tr("Input a Set voltage (0...%L1 %2) for all channels in all modules:"),
                       range, unit, initial);
}

CommandInputs::DoubleInput CommandInputs::systemCurrent(const NominalRange &range,
                                                        const QString &unit, double initial)
{
    return upToLargest(tr("Input a Set current (0...%L1 %2) for all channels in all modules:"),
                       range, unit, initial);
}

CommandInputs::DoubleInput CommandInputs::voltageRamp(double initial)
{
    DoubleInput input;
    input.label = tr("Input Voltage Ramp speed (%/s):");
    input.value = initial;
    input.minimum = 0.001;
    input.maximum = 100.0;
    input.decimals = 3;
    return input;
}

CommandInputs::DoubleInput CommandInputs::currentRamp(double initial)
{
    DoubleInput input;
    input.label = tr("Input Current Ramp speed (%/s):");
    input.value = initial;
    input.minimum = 1.0;
    input.maximum = 100.0;
    input.decimals = 1;
    return input;
}

CommandInputs::Choice CommandInputs::adcSamplesPerSecond(quint32 reported)
{
    return choice(
        tr("Choose ADC samples per second:"),
        {QStringLiteral("50"), QStringLiteral("60"), QStringLiteral("100"), QStringLiteral("500")},
        reported, QStringLiteral("500"));
}

CommandInputs::Choice CommandInputs::digitalFilter(quint32 reported)
{
    return choice(tr("Choose Digital Filter averaging steps:"),
                  {QStringLiteral("1"), QStringLiteral("16"), QStringLiteral("64"),
                   QStringLiteral("256"), QStringLiteral("1024")},
                  reported, QStringLiteral("64"));
}

bool CommandInputs::choiceValue(const QString &text, quint32 *value)
{
    if (text.isEmpty())
        return false;
    bool ok = false;
    const quint32 number = text.toUInt(&ok);
    if (ok && value)
        *value = number;
    return ok;
}

QList<float> CommandInputs::staircase(int channels, double nominal, bool downwards)
{
    QList<float> values;
    if (channels < 1)
        return values;
    const double step = qMin(nominal / channels, StaircaseMaxStep);
    // Every value is counted down from the nominal in one multiplication
    // rather than summed step by step: a running sum gathers rounding errors
    // that floor() turns into a whole volt, and the channel meant to get the
    // nominal voltage would get a volt less.
    values.reserve(channels);
    for (int ch = 0; ch < channels; ++ch) {
        const int stepsBelowNominal = downwards ? ch : channels - 1 - ch;
        values.append(float(std::floor(nominal - stepsBelowNominal * step)));
    }
    return values;
}
