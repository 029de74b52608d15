#pragma once

#include <QString>

/// What a channel's Status cell in the channel table says, worked out from
/// the channel's words alone: the text and how serious it is. The table
/// colours the cell by the tone; the command-line tool prints the text, so
/// both read the channel the same way.
class StatusCellText
{
public:
    /// Device class whose channels are measurement channels: the cell then
    /// reflects the control word rather than the status word.
    static constexpr int MeasurementDeviceClass = 90;

    /// How the table colours the cell: green, yellow or red.
    enum Tone { Good, Warning, Fault };

    /// The cell for a channel of a module of this device class; the first
    /// matching rule wins.
    static StatusCellText of(int deviceClass, quint32 status, quint32 control);

    const QString &text() const { return m_text; }
    Tone tone() const { return m_tone; }

private:
    StatusCellText(const char *source, Tone tone);

    static StatusCellText ofMeasurementChannel(quint32 control);
    static StatusCellText ofHighVoltageChannel(quint32 status, quint32 control);

    QString m_text;
    Tone m_tone;
};
