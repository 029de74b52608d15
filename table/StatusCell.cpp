#include "StatusCell.h"

#include <WordBits.h>

#include <QCoreApplication>

namespace {

using namespace WordBits::ChannelStatus;
using WordBits::ChannelControl::RippleMeasurement;
using WordBits::ChannelControl::SetOn;
using WordBits::ChannelControl::VoltageMeasurement;

// Texts are marked for translation where they stand and translated here.
QString translated(const char *source) { return QCoreApplication::translate("StatusCell", source); }

} // namespace

StatusCell::StatusCell(const QString &text, const QColor &colour)
    : m_text(text)
    , m_colour(colour)
{
}

StatusCell StatusCell::of(int deviceClass, quint32 status, quint32 control)
{
    if (deviceClass == MeasurementDeviceClass)
        return ofMeasurementChannel(control);
    return ofHighVoltageChannel(status, control);
}

StatusCell StatusCell::ofMeasurementChannel(quint32 control)
{
    const bool voltage = control & VoltageMeasurement;
    const bool ripple = control & RippleMeasurement;
    if (voltage && ripple)
        return {translated(QT_TRANSLATE_NOOP("StatusCell", "Both Measurements")), Qt::green};
    if (voltage)
        return {translated(QT_TRANSLATE_NOOP("StatusCell", "Voltage Measurement")), Qt::green};
    if (ripple)
        return {translated(QT_TRANSLATE_NOOP("StatusCell", "Ripple Measurement")), Qt::green};
    return {translated(QT_TRANSLATE_NOOP("StatusCell", "Off")), Qt::yellow};
}

StatusCell StatusCell::ofHighVoltageChannel(quint32 status, quint32 control)
{
    // Faults first: they matter more than whatever the channel is doing, and
    // a trip most of all: the high voltage is gone until the operator acts.
    if (status & IsTrip)
        return {translated(QT_TRANSLATE_NOOP("StatusCell", "Trip")), Qt::red};
    if (status & IsCurrentLimit)
        return {translated(QT_TRANSLATE_NOOP("StatusCell", "Current Limit")), Qt::red};
    if (status & IsEmergencyOff)
        return {translated(QT_TRANSLATE_NOOP("StatusCell", "Emergency")), Qt::red};
    if (status & IsExternalInhibit)
        return {translated(QT_TRANSLATE_NOOP("StatusCell", "Inhibit")), Qt::red};
    if (status & IsRamping)
        return {translated(QT_TRANSLATE_NOOP("StatusCell", "Ramp")), Qt::green};
    if (status & IsCurrentControlled) {
        // Current control is only healthy on a channel that is on and meant to be.
        const bool switchedOn = (status & IsOn) && (control & SetOn);
        return {translated(QT_TRANSLATE_NOOP("StatusCell", "Current Control")),
                switchedOn ? Qt::green : Qt::yellow};
    }
    if (status & IsVoltageControlled)
        return {translated(QT_TRANSLATE_NOOP("StatusCell", "Voltage Control")), Qt::green};
    if (status & IsOn)
        return {translated(QT_TRANSLATE_NOOP("StatusCell", "On")), Qt::green};
    return {translated(QT_TRANSLATE_NOOP("StatusCell", "Off")), Qt::yellow};
}
