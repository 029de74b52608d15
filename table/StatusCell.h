#pragma once

#include <QColor>
#include <QString>

/// Text and background colour of a channel's Status cell in the channel
/// table: the text rules are the module layer's (`StatusCellText`, shared
/// with the command-line tool), the colours are the table's.
class StatusCell
{
public:
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
    QString m_text;
    QColor m_colour;
};
