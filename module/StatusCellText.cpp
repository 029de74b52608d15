#include "StatusCellText.h"

#include "WordBits.h"

#include <QCoreApplication>

namespace {

using namespace WordBits::ChannelStatus;
using WordBits::ChannelControl::RippleMeasurement;
using WordBits::ChannelControl::SetOn;
using WordBits::ChannelControl::VoltageMeasurement;

} // namespace

// The texts keep the table's translation context: they are the table's words.
StatusCellText::StatusCellText(const char *source, Tone tone)
    : m_text(QCoreApplication::translate("StatusCell", source))
    , m_tone(tone)
{
}

StatusCellText StatusCellText::of(int deviceClass, quint32 status, quint32 control)
{
    if (deviceClass == MeasurementDeviceClass)
        return ofMeasurementChannel(control);
    return ofHighVoltageChannel(status, control);
}

StatusCellText StatusCellText::ofMeasurementChannel(quint32 control)
{
    const bool voltage = control & VoltageMeasurement;
    const bool ripple = control & RippleMeasurement;
    if (voltage && ripple)
        return {QT_TRANSLATE_NOOP("StatusCell", "Both Measurements"), Good};
    if (voltage)
        return {QT_TRANSLATE_NOOP("StatusCell", "Voltage Measurement"), Good};
    if (ripple)
        return {QT_TRANSLATE_NOOP("StatusCell", "Ripple Measurement"), Good};
    return {QT_TRANSLATE_NOOP("StatusCell", "Off"), Warning};
}

StatusCellText StatusCellText::ofHighVoltageChannel(quint32 status, quint32 control)
{
    // Faults first: they matter more than whatever the channel is doing, and
    // a trip most of all: the high voltage is gone until the operator acts.
    if (status & IsTrip)
        return {QT_TRANSLATE_NOOP("StatusCell", "Trip"), Fault};
    if (status & IsCurrentLimit)
        return {QT_TRANSLATE_NOOP("StatusCell", "Current Limit"), Fault};
    if (status & IsEmergencyOff)
        return {QT_TRANSLATE_NOOP("StatusCell", "Emergency"), Fault};
    if (status & IsExternalInhibit)
        return {QT_TRANSLATE_NOOP("StatusCell", "Inhibit"), Fault};
    if (status & IsRamping)
        return {QT_TRANSLATE_NOOP("StatusCell", "Ramp"), Good};
    if (status & IsCurrentControlled) {
        // Current control is only healthy on a channel that is on and meant to be.
        const bool switchedOn = (status & IsOn) && (control & SetOn);
        return {QT_TRANSLATE_NOOP("StatusCell", "Current Control"), switchedOn ? Good : Warning};
    }
    if (status & IsVoltageControlled)
        return {QT_TRANSLATE_NOOP("StatusCell", "Voltage Control"), Good};
    if (status & IsOn)
        return {QT_TRANSLATE_NOOP("StatusCell", "On"), Good};
    return {QT_TRANSLATE_NOOP("StatusCell", "Off"), Warning};
}
