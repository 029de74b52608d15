#include "FactoryStateMachine.h"

#include <WordBits.h>

namespace {

constexpr quint32 LastEventMaskPattern = 0x8000;
constexpr quint32 SetStop = 0x0004; // module control "Set Stop"

QString hex4(quint32 value) { return QStringLiteral("%1").arg(value, 4, 16, QLatin1Char('0')); }

} // namespace

FactoryStateMachine::FactoryStateMachine(QObject *parent)
    : QObject(parent)
{
}

bool FactoryStateMachine::testRunning() const
{
    return m_state == EventMaskPhase || m_state == ChannelMaskPhase;
}

void FactoryStateMachine::restart()
{
    restoreMasks();
    m_state = Idle;
    m_moduleControl = 0;
    m_moduleStatus = 0;
    m_resetRunning = false;
}

void FactoryStateMachine::setChannelNumber(int channelNumber) { m_channelNumber = channelNumber; }

void FactoryStateMachine::startVmeTest()
{
    // A test started again keeps the masks the first one found.
    const bool again = testRunning();
    if (m_channelNumber < 1 || m_channelNumber > MaxChannels) {
        restoreMasks();
        m_state = Idle;
        emit logLine(tr("The module reports %1 channels: its event channel mask cannot be tested.")
                         .arg(m_channelNumber));
        return;
    }
    m_state = EventMaskPhase;
    emit logLine(tr("Starting Test..."));
    m_pattern = 1;
    m_endMark = 1u << m_channelNumber;
    if (!again)
        m_awaitingMasks = true;
    // Until both masks were reported once there is nothing to restore: the
    // test begins with the reports.
    if (!m_awaitingMasks || takeMasks())
        beginEventMaskPhase();
}

bool FactoryStateMachine::takeMasks()
{
    if (!m_eventMaskKnown || !m_channelMaskKnown)
        return false;
    m_savedEventMask = m_eventMask;
    m_savedChannelMask = m_channelMask;
    m_awaitingMasks = false;
    return true;
}

void FactoryStateMachine::beginEventMaskPhase() { emit setModuleEventMask(quint16(m_pattern)); }

void FactoryStateMachine::restoreMasks()
{
    if (!testRunning() || m_awaitingMasks)
        return;
    emit setModuleEventMask(quint16(m_savedEventMask));
    emit setModuleEventChannelMask(m_savedChannelMask);
    // What the module holds now, should a test start before the next report.
    m_eventMask = quint16(m_savedEventMask);
    m_channelMask = m_savedChannelMask;
    emit logLine(tr("Module EventMask 0x%1 and EventChannelMask 0x%2 restored.")
                     .arg(hex4(m_savedEventMask), hex4(m_savedChannelMask)));
}

void FactoryStateMachine::startFactoryReset()
{
    restoreMasks();
    m_state = WaitingForStop;
    emit logLine(tr("Setting Module to Mode STOP..."));
    m_moduleControl |= SetStop;
    emit setModuleControl(m_moduleControl);
}

void FactoryStateMachine::updateModuleControl(int, quint32 control)
{
    m_moduleControl = quint16(control);
}

void FactoryStateMachine::updateModuleStatus(int, quint32 status)
{
    m_moduleStatus = quint16(status);
}

void FactoryStateMachine::updateModuleEventMask(int, quint32 eventMask)
{
    m_eventMask = eventMask;
    m_eventMaskKnown = true;
    const bool stopped
        = (m_moduleControl & SetStop) && (m_moduleStatus & WordBits::ModuleStatus::Stop);
    switch (m_state) {
    case EventMaskPhase:
        if (m_awaitingMasks || eventMask != m_pattern)
            break;
        emit logLine(tr("Module EventMask 0x%1 passed").arg(hex4(eventMask)));
        m_pattern <<= 1;
        emit setModuleEventMask(quint16(m_pattern));
        if (m_pattern > LastEventMaskPattern) {
            m_pattern = 1;
            emit setModuleEventChannelMask(m_pattern);
            m_state = ChannelMaskPhase;
        }
        break;
    case WaitingForStop:
        if (!stopped)
            break;
        emit logLine(tr("\nModule is now in Mode STOP."));
        emit logLine(tr("Resetting Module to Factory settings ..."));
        // Before the request: a reset run inside the emission sees the next state.
        m_state = ResetRequested;
        m_resetRunning = true;
        emit storeFactorySettings();
        break;
    case ResetRequested:
        if (stopped && !m_resetRunning)
            m_state = LastReport;
        break;
    case LastReport:
        m_state = Idle;
        break;
    default:
        break;
    }
}

void FactoryStateMachine::updateModuleEventChannelMask(int, quint32 eventMask)
{
    m_channelMask = eventMask;
    m_channelMaskKnown = true;
    if (m_state == EventMaskPhase && m_awaitingMasks) {
        if (takeMasks())
            beginEventMaskPhase();
        return;
    }
    if (m_state != ChannelMaskPhase || eventMask != m_pattern)
        return;
    emit logLine(tr("Module EventChannelMask 0x%1 passed").arg(hex4(eventMask)));
    m_pattern <<= 1;
    emit setModuleEventChannelMask(m_pattern);
    if (m_pattern >= m_endMark) {
        emit logLine(tr("Test finished!"));
        restoreMasks();
        m_state = Idle;
    }
}

void FactoryStateMachine::logNominal(const QString &format, int channel, float value,
                                     const QString &unit)
{
    if (m_state == WaitingForStop || m_resetRunning)
        emit logLine(format.arg(channel).arg(QString::number(double(value), 'g', 6), unit));
}

void FactoryStateMachine::updateChannelVoltageNominal(int, int channel, float vnominal,
                                                      const QString &unit)
{
    logNominal(tr("Channel %1: Voltage Hardware Nominal %2 %3"), channel, vnominal, unit);
}

void FactoryStateMachine::updateChannelCurrentNominal(int, int channel, float inominal,
                                                      const QString &unit)
{
    logNominal(tr("Channel %1: Current Hardware Nominal %2 %3"), channel, inominal, unit);
}

void FactoryStateMachine::factoryResetDone(bool succeeded)
{
    m_resetRunning = false;
    emit logLine(succeeded ? tr("\nReset to Factory Settings done!")
                           : tr("\nReset to Factory Settings failed!"));
}
