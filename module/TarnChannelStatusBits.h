#pragma once

#include <QObject>
#include <QStringList>

/// Mnemonics of the channel status, event status and control bits. The channel
/// event mask uses the bit positions of the event status, so it has no list.
class TarnChannelStatusBits : public QObject
{
    Q_OBJECT

public:
    TarnChannelStatusBits();

    /// Channel status mnemonics; entry n names bit n (16 entries).
    const QStringList &statusBits() const { return m_status; }
    /// Channel event status (and event mask) mnemonics (16 entries).
    const QStringList &eventStatusBits() const { return m_eventStatus; }
    /// Channel control mnemonics (16 entries).
    const QStringList &controlBits() const { return m_control; }

    /// Names of the set bits of a channel status word, ascending.
    QStringList statusBitNames(quint32 word) const;
    /// Those names joined with ",".
    QString statusBitText(quint32 word) const;
    /// Names of the set bits of a channel event status word, ascending.
    QStringList eventStatusBitNames(quint32 word) const;
    /// Those names joined with ",".
    QString eventStatusBitText(quint32 word) const;
    /// Names of the set bits of a channel control word, ascending.
    QStringList controlBitNames(quint32 word) const;
    /// Those names joined with ",".
    QString controlBitText(quint32 word) const;

private:
    QStringList m_status;
    QStringList m_eventStatus;
    QStringList m_control;
};
