#pragma once

#include <QColor>
#include <QString>
#include <QVector>

/// The overview's status cell of one module: the channel status words it has
/// received, summarised so that a module in trouble stands out at a glance.
///
/// Worst state first: a module with a channel in trouble shows the worst
/// problem present and the first channel that has it ("Ch 3 TRIP") on red;
/// otherwise "Ramp" while a channel ramps, else "OK", in green text. The tool
/// tip lists every reported channel with its status word.
class ModuleStatusSummary
{
public:
    /// Channels a module can have.
    static constexpr int MaxChannels = 24;

    /// One kind of trouble a channel status word can report.
    struct Problem
    {
        quint32 mask; ///< status bits that signal it
        const char *mnemonic; ///< short name for the cell
        const char *name; ///< full name for the tool tip
    };

    /// The problems in order of severity, worst first.
    static const QVector<Problem> &problems();

    /// Records the status word of a channel; channels outside 0 to 23 are ignored.
    /// True when the summary may have changed (a new channel or a new word).
    bool setChannelStatus(int channel, quint32 status);

    /// True when at least one channel has reported its status.
    bool hasStatus() const { return m_reported != 0; }
    /// True when a reported channel is in trouble.
    bool isTroubled() const;
    /// The cell text; empty before the first report.
    QString text() const;
    /// The text colour of the cell.
    QColor foreground() const;
    /// The background of the cell; invalid when the cell keeps the table's own.
    QColor background() const;
    /// One line per reported channel: its number, status word and problems.
    QString toolTip() const;

private:
    /// Index into problems() of the worst problem of a word, -1 when none.
    static int worstProblem(quint32 status);
    /// Full names of every problem of a word, joined with ", ".
    static QString problemNames(quint32 status);
    bool isReported(int channel) const { return m_reported & (1u << channel); }

    QVector<quint32> m_status = QVector<quint32>(MaxChannels, 0);
    quint32 m_reported = 0;
};
