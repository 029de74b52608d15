#pragma once

#include <QObject>
#include <QStringList>

/// Mnemonics of the module status, event status, event mask and control bits.
/// The main window builds one on the stack to label the current module's words.
class TarnModuleStatusBits : public QObject
{
    Q_OBJECT

public:
    TarnModuleStatusBits();

    /// Module status mnemonics; entry n names bit n (16 entries).
    const QStringList &statusBits() const { return m_status; }
    /// Module event status mnemonics (16 entries).
    const QStringList &eventStatusBits() const { return m_eventStatus; }
    /// Module event mask mnemonics (16 entries).
    const QStringList &eventMaskBits() const { return m_eventMask; }
    /// Module control mnemonics (16 entries).
    const QStringList &controlBits() const { return m_control; }

    /// Names of the set bits of a module status word, ascending.
    QStringList statusBitNames(quint32 word) const;
    /// Those names joined with ",".
    QString statusBitText(quint32 word) const;
    /// Names of the set bits of a module event status word, ascending.
    QStringList eventStatusBitNames(quint32 word) const;
    /// Those names joined with ",".
    QString eventStatusBitText(quint32 word) const;
    /// Names of the set bits of a module event mask word, ascending.
    QStringList eventMaskBitNames(quint32 word) const;
    /// Those names joined with ",".
    QString eventMaskBitText(quint32 word) const;
    /// Names of the set bits of a module control word, ascending.
    QStringList controlBitNames(quint32 word) const;
    /// Those names joined with ",".
    QString controlBitText(quint32 word) const;

private:
    QStringList m_status;
    QStringList m_eventStatus;
    QStringList m_eventMask;
    QStringList m_control;
};
