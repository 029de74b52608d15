#include "FakeVmeController.h"

#include <QThread>

#include <cstring>

int FakeVmeController::status(int *error) const
{
    const int status = m_noDevice ? -1 : 0;
    if (error)
        *error = status;
    return status;
}

int FakeVmeController::write16(quint32 address, int addressModifier, quint16 data, int *error)
{
    return cycle(true, address, addressModifier, data, error);
}

quint16 FakeVmeController::read16(quint32 address, int addressModifier, int *error)
{
    quint16 data = 0;
    cycle(false, address, addressModifier, data, error);
    return data;
}

int FakeVmeController::cycle(bool write, quint32 address, int modifier, quint16 &data, int *error)
{
    if (m_cycleDelayUs > 0)
        QThread::usleep(ulong(m_cycleDelayUs));

    QMutexLocker locker(&m_mutex);
    if (write && !m_noDevice)
        m_registers.insert(address, data);
    else if (!write)
        data = m_noDevice ? 0 : m_registers.value(address, 0);

    const Qt::HANDLE thread = QThread::currentThreadId();
    if (!m_log.isEmpty() && m_lastThread != thread)
        ++m_threadSwitches;
    const auto last = m_lastCycleOfThread.constFind(thread);
    if (last != m_lastCycleOfThread.constEnd() && last->index != m_log.size() - 1) {
        const bool secondHalf = last->write == write && address == last->address + 2;
        // After a 32-bit read, the thread's last cycle was at the register's address + 2.
        const bool modifyWrite
            = !last->write && write && (address == last->address || address + 2 == last->address);
        if (secondHalf || modifyWrite)
            ++m_splitTransactions;
    }
    m_lastCycleOfThread.insert(thread, {write, address, m_log.size()});
    m_lastThread = thread;
    m_log.append(QStringLiteral("%1 %2 %3")
                     .arg(QLatin1Char(write ? 'W' : 'R'))
                     .arg(address, 0, 16)
                     .arg(data, 4, 16, QLatin1Char('0'))
                 + (modifier != 0x29 ? QStringLiteral(" am%1").arg(modifier, 0, 16) : QString()));
    return status(error);
}

void FakeVmeController::setWord(quint32 address, quint16 value)
{
    QMutexLocker locker(&m_mutex);
    m_registers.insert(address, value);
}

void FakeVmeController::setRegister32(quint32 address, quint32 value)
{
    setWord(address, quint16(value >> 16));
    setWord(address + 2, quint16(value & 0xFFFF));
}

void FakeVmeController::setRegisterFloat(quint32 address, float value)
{
    quint32 bits;
    std::memcpy(&bits, &value, sizeof bits);
    setRegister32(address, bits);
}

void FakeVmeController::setIdentity(quint32 base, quint32 vendorId, quint16 highWord,
                                    quint16 deviceClass)
{
    setRegister32(base + 0x5C, vendorId);
    setRegister32(base + 0x3C, (quint32(highWord) << 16) | deviceClass);
}

QStringList FakeVmeController::log() const
{
    QMutexLocker locker(&m_mutex);
    return m_log;
}

void FakeVmeController::clearLog()
{
    QMutexLocker locker(&m_mutex);
    m_log.clear();
    m_lastCycleOfThread.clear();
    m_splitTransactions = 0;
    m_threadSwitches = 0;
}
