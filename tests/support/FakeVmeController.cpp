#include "FakeVmeController.h"

#include <QMutexLocker>
#include <QThread>

#include <cstring>

bool FakeVmeController::Cycle::operator==(const Cycle &other) const
{
    return kind == other.kind && address == other.address && modifier == other.modifier
        && data == other.data && errorPointer == other.errorPointer;
}

FakeVmeController::FakeVmeController() = default;

QString FakeVmeController::errorString()
{
    return m_noDevice ? QStringLiteral("no device") : QString();
}

QString FakeVmeController::statusText() { return QStringLiteral("Fake VME controller"); }

QStringList FakeVmeController::deviceList() { return {}; }

bool FakeVmeController::isConnected()
{
    QMutexLocker locker(&m_mutex);
    return !m_noDevice;
}

int FakeVmeController::systemReset(int *error)
{
    QMutexLocker locker(&m_mutex);
    const int status = m_noDevice ? NoDeviceStatus : 0;
    if (error)
        *error = status;
    return status;
}

int FakeVmeController::write16(quint32 address, int addressModifier, quint16 data, int *error)
{
    int delay;
    {
        QMutexLocker locker(&m_mutex);
        delay = m_cycleDelayUs;
    }
    if (delay > 0)
        QThread::usleep(ulong(delay));

    QMutexLocker locker(&m_mutex);
    if (!m_noDevice)
        m_registers.insert(address, data);
    record({Cycle::Write, address, addressModifier, data, error != nullptr,
            QThread::currentThreadId()});
    const int status = m_noDevice ? NoDeviceStatus : 0;
    if (error)
        *error = status;
    return status;
}

quint16 FakeVmeController::read16(quint32 address, int addressModifier, int *error)
{
    int delay;
    {
        QMutexLocker locker(&m_mutex);
        delay = m_cycleDelayUs;
    }
    if (delay > 0)
        QThread::usleep(ulong(delay));

    QMutexLocker locker(&m_mutex);
    const quint16 data = m_noDevice ? 0 : m_registers.value(address, 0);
    record({Cycle::Read, address, addressModifier, data, error != nullptr,
            QThread::currentThreadId()});
    if (error)
        *error = m_noDevice ? NoDeviceStatus : 0;
    return data;
}

void FakeVmeController::record(Cycle cycle)
{
    // Called with m_mutex held.
    const qsizetype index = m_cycles.size();
    if (index > 0 && m_cycles.last().thread != cycle.thread)
        ++m_threadSwitches;

    const auto last = m_lastCycleOfThread.constFind(cycle.thread);
    if (last != m_lastCycleOfThread.constEnd()) {
        const Cycle &previous = m_cycles.at(*last);
        const bool secondHalf
            = previous.kind == cycle.kind && cycle.address == previous.address + 2;
        const bool modifyWrite = previous.kind == Cycle::Read && cycle.kind == Cycle::Write
            && cycle.address == previous.address;
        // Another thread's cycle lies between this thread's two cycles.
        if ((secondHalf || modifyWrite) && *last != index - 1)
            ++m_splitTransactions;
    }
    m_lastCycleOfThread.insert(cycle.thread, index);
    m_cycles.append(cycle);
}

void FakeVmeController::setWord(quint32 address, quint16 value)
{
    QMutexLocker locker(&m_mutex);
    m_registers.insert(address, value);
}

quint16 FakeVmeController::word(quint32 address) const
{
    QMutexLocker locker(&m_mutex);
    return m_registers.value(address, 0);
}

bool FakeVmeController::hasWord(quint32 address) const
{
    QMutexLocker locker(&m_mutex);
    return m_registers.contains(address);
}

void FakeVmeController::setRegister32(quint32 base, quint32 offset, quint32 value)
{
    setWord(base + offset, quint16(value >> 16));
    setWord(base + offset + 2, quint16(value & 0xFFFF));
}

quint32 FakeVmeController::register32(quint32 base, quint32 offset) const
{
    return (quint32(word(base + offset)) << 16) | word(base + offset + 2);
}

void FakeVmeController::setRegisterFloat(quint32 base, quint32 offset, float value)
{
    quint32 bits;
    std::memcpy(&bits, &value, sizeof bits);
    setRegister32(base, offset, bits);
}

float FakeVmeController::registerFloat(quint32 base, quint32 offset) const
{
    const quint32 bits = register32(base, offset);
    float value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

void FakeVmeController::setIdentity(quint32 base, quint32 vendorId, quint16 highWord,
                                    quint16 deviceClass)
{
    setRegister32(base, 0x5C, vendorId);
    setRegister32(base, 0x3C, (quint32(highWord) << 16) | deviceClass);
}

QVector<FakeVmeController::Cycle> FakeVmeController::cycles() const
{
    QMutexLocker locker(&m_mutex);
    return m_cycles;
}

QVector<FakeVmeController::Cycle> FakeVmeController::writes() const
{
    QMutexLocker locker(&m_mutex);
    QVector<Cycle> result;
    for (const Cycle &c : m_cycles) {
        if (c.kind == Cycle::Write)
            result.append(c);
    }
    return result;
}

void FakeVmeController::clearLog()
{
    QMutexLocker locker(&m_mutex);
    m_cycles.clear();
    m_lastCycleOfThread.clear();
    m_splitTransactions = 0;
    m_threadSwitches = 0;
}

void FakeVmeController::setNoDevice(bool noDevice)
{
    QMutexLocker locker(&m_mutex);
    m_noDevice = noDevice;
}

void FakeVmeController::setCycleDelay(int microseconds)
{
    QMutexLocker locker(&m_mutex);
    m_cycleDelayUs = microseconds;
}

int FakeVmeController::splitTransactions() const
{
    QMutexLocker locker(&m_mutex);
    return m_splitTransactions;
}

int FakeVmeController::threadSwitches() const
{
    QMutexLocker locker(&m_mutex);
    return m_threadSwitches;
}

FakeVmeController::Cycle expectRead(quint32 address, quint16 data)
{
    return {FakeVmeController::Cycle::Read, address, 0x29, data, false, nullptr};
}

FakeVmeController::Cycle expectWrite(quint32 address, quint16 data)
{
    return {FakeVmeController::Cycle::Write, address, 0x29, data, false, nullptr};
}

QString cycleText(const FakeVmeController::Cycle &cycle)
{
    return QStringLiteral("%1 0x%2=0x%3 am%4%5")
        .arg(cycle.kind == FakeVmeController::Cycle::Read ? QLatin1Char('R') : QLatin1Char('W'))
        .arg(cycle.address, 0, 16)
        .arg(cycle.data, 4, 16, QLatin1Char('0'))
        .arg(cycle.modifier, 0, 16)
        .arg(cycle.errorPointer ? QStringLiteral(" err*") : QString());
}

QString cyclesText(const QVector<FakeVmeController::Cycle> &cycles)
{
    QStringList lines;
    for (const auto &c : cycles)
        lines.append(cycleText(c));
    return lines.join(QLatin1Char('\n'));
}
