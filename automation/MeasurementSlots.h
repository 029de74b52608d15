#pragma once

#include <QList>
#include <QVector>

/// The last voltage per channel and the last temperature of each module
/// that reported, in 64 slots taken in order of first appearance. Slots are
/// never freed: a 65th serial number finds none and is not recorded.
class MeasurementSlots
{
public:
    static constexpr int MaxSlots = 64;
    static constexpr int MaxChannels = 32;

    MeasurementSlots();

    /// The slot of `serialNumber`, taking a free one for a new number; -1 when all are taken.
    int slotOf(int serialNumber);
    /// Stores `vmeas` for channel 0 ... 31 of `slot`; anything else is ignored.
    void setVoltage(int slot, int channel, float vmeas);
    float voltage(int slot, int channel) const;
    void setTemperature(int slot, float temperature);
    float temperature(int slot) const;
    int slotCount() const { return int(m_serials.size()); }

private:
    QVector<QVector<float>> m_voltages;
    QVector<float> m_temperatures;
    QList<int> m_serials;
};
