#include "MeasurementSlots.h"

MeasurementSlots::MeasurementSlots()
    : m_voltages(MaxSlots, QVector<float>(MaxChannels, 0.0f))
    , m_temperatures(MaxSlots, 0.0f)
{
}

int MeasurementSlots::slotOf(int serialNumber)
{
    const int slot = int(m_serials.indexOf(serialNumber));
    if (slot >= 0)
        return slot;
    if (m_serials.size() >= MaxSlots)
        return -1;
    m_serials.append(serialNumber);
    return int(m_serials.size()) - 1;
}

static bool validChannel(int slot, int channel)
{
    return slot >= 0 && slot < MeasurementSlots::MaxSlots && channel >= 0
        && channel < MeasurementSlots::MaxChannels;
}

void MeasurementSlots::setVoltage(int slot, int channel, float vmeas)
{
    if (validChannel(slot, channel))
        m_voltages[slot][channel] = vmeas;
}

float MeasurementSlots::voltage(int slot, int channel) const
{
    return validChannel(slot, channel) ? m_voltages.at(slot).at(channel) : 0.0f;
}

void MeasurementSlots::setTemperature(int slot, float temperature)
{
    if (slot >= 0 && slot < MaxSlots)
        m_temperatures[slot] = temperature;
}

float MeasurementSlots::temperature(int slot) const
{
    return slot >= 0 && slot < MaxSlots ? m_temperatures.at(slot) : 0.0f;
}
