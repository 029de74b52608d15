#pragma once

#include <QColor>
#include <QString>

/// Text and background colour of a channel's Status cell in the channel
/// table, worked out from the channel's words alone so that the rules can be
/// checked without a window.
class StatusCell
{
public:
    /// Device class whose channels are measurement channels: the cell then
    /// reflects the control word rather than the status word.
    static constexpr int MeasurementDeviceClass = 90;

    StatusCell(const QString &text, const QColor &colour);

    /// The cell for a channel of a module of this device class; the first
    /// matching rule wins.
    static StatusCell of(int deviceClass, quint32 status, quint32 control);

    /// The text shown in the cell.
    const QString &text() const { return m_text; }
    /// The cell's background colour.
    const QColor &colour() const { return m_colour; }

    bool operator==(const StatusCell &other) const
    {
        return m_text == other.m_text && m_colour == other.m_colour;
    }

private:
    static StatusCell ofMeasurementChannel(quint32 control);
    static StatusCell ofHighVoltageChannel(quint32 status, quint32 control);

    QString m_text;
    QColor m_colour;
};
