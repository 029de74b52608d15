#include "FakeVmeController.h"

#include <QThread>

#include <cstring>

int FakeVmeController::systemReset(int *error)
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

    const Cycle now {write, address, modifier, data, QThread::currentThreadId()};
    const qsizetype index = m_cycles.size();
    if (index > 0 && m_cycles.last().thread != now.thread)
        ++m_threadSwitches;
    const auto last = m_lastCycleOfThread.constFind(now.thread);
    if (last != m_lastCycleOfThread.constEnd() && *last != index - 1) {
        const Cycle &previous = m_cycles.at(*last);
        const bool secondHalf = previous.write == write && address == previous.address + 2;
        const bool modifyWrite = !previous.write && write && address == previous.address;
        if (secondHalf || modifyWrite)
            ++m_splitTransactions;
    }
    m_lastCycleOfThread.insert(now.thread, index);
    m_cycles.append(now);

    const int status = m_noDevice ? -1 : 0;
    if (error)
        *error = status;
    return status;
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
    QStringList lines;
    for (const Cycle &c : m_cycles) {
        QString line = QStringLiteral("%1 %2 %3")
                           .arg(QLatin1Char(c.write ? 'W' : 'R'))
                           .arg(c.address, 0, 16)
                           .arg(c.data, 4, 16, QLatin1Char('0'));
        if (c.modifier != 0x29)
            line += QStringLiteral(" am%1").arg(c.modifier, 0, 16);
        lines.append(line);
    }
    return lines;
}

void FakeVmeController::clearLog()
{
    QMutexLocker locker(&m_mutex);
    m_cycles.clear();
    m_lastCycleOfThread.clear();
    m_splitTransactions = 0;
    m_threadSwitches = 0;
}
