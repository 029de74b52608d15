#pragma once

// FakeVmeController: a VmeController without hardware that answers from a register file and
// records every cycle. Preload words with setWord/setRegister32/setRegisterFloat, hand the fake
// to the code under test, then assert on cycles(); setNoDevice, setCycleDelay inject faults.

#include "VmeController.h"

#include <QHash>
#include <QMutex>
#include <QVector>

/// A recording stand-in for a VME bridge, for tests of everything above the bus.
class FakeVmeController : public VmeController
{
public:
    /// One D16 cycle as the code under test made it.
    struct Cycle
    {
        enum Kind { Read, Write };
        Kind kind = Read;
        quint32 address = 0;
        int modifier = 0;
        quint16 data = 0; ///< the word written, or the word the read returned
        bool errorPointer = false; ///< the caller passed a non-null error pointer
        Qt::HANDLE thread = nullptr;

        /// Equal in everything but the thread.
        bool operator==(const Cycle &other) const;
    };

    /// The status a cycle returns when no device is open.
    static constexpr int NoDeviceStatus = -1;

    FakeVmeController();

    // VmeController
    QString errorString() override;
    QString statusText() override;
    QStringList deviceList() override;
    bool isConnected() override;
    int systemReset(int *error = nullptr) override;
    int write16(quint32 address, int addressModifier, quint16 data, int *error = nullptr) override;
    quint16 read16(quint32 address, int addressModifier, int *error = nullptr) override;

    /// Presets the word at an absolute address (no cycle is logged).
    void setWord(quint32 address, quint16 value);
    /// The word at an absolute address (0 when never written).
    quint16 word(quint32 address) const;
    /// True when the address was ever preset or written.
    bool hasWord(quint32 address) const;
    /// Presets a 32-bit register: high word at base + offset, low word at + 2.
    void setRegister32(quint32 base, quint32 offset, quint32 value);
    /// A 32-bit register as the high word at base + offset and the low word at + 2.
    quint32 register32(quint32 base, quint32 offset) const;
    /// Presets an IEEE-754 float register the same way.
    void setRegisterFloat(quint32 base, quint32 offset, float value);
    /// A float register read back from the register file.
    float registerFloat(quint32 base, quint32 offset) const;
    /// Presets the two identity registers a module is recognised by.
    void setIdentity(quint32 base, quint32 vendorId, quint16 highWord, quint16 deviceClass);

    /// Every cycle since construction or the last clearLog(), in bus order.
    QVector<Cycle> cycles() const;
    /// Only the write cycles, in bus order.
    QVector<Cycle> writes() const;
    /// Forgets the recorded cycles and the split count (not the registers).
    void clearLog();

    /// No device: reads return 0 and leave the register file alone, writes are
    /// lost, every cycle returns NoDeviceStatus. Cycles are still logged.
    void setNoDevice(bool noDevice);
    /// Each cycle sleeps this long before it takes effect, to widen races.
    void setCycleDelay(int microseconds);

    /// Transactions another thread cut into: a cycle followed by this thread's
    /// next cycle at address + 2 of the same kind (two halves of a 32-bit
    /// register), or a read followed by a write to the same address (a
    /// read-modify-write), with another thread's cycle between the two.
    int splitTransactions() const;
    /// How often consecutive cycles came from different threads.
    int threadSwitches() const;

private:
    void record(Cycle cycle);

    mutable QMutex m_mutex; // guards the fake's own state, never the bus
    QHash<quint32, quint16> m_registers;
    QVector<Cycle> m_cycles;
    QHash<Qt::HANDLE, qsizetype> m_lastCycleOfThread;
    bool m_noDevice = false;
    int m_cycleDelayUs = 0;
    int m_splitTransactions = 0;
    int m_threadSwitches = 0;
};

/// A read cycle as a test expects it (modifier 0x29, any thread).
FakeVmeController::Cycle expectRead(quint32 address, quint16 data);
/// A write cycle as a test expects it (modifier 0x29, any thread).
FakeVmeController::Cycle expectWrite(quint32 address, quint16 data);

/// Readable form of a cycle for failure messages, e.g. "W 0x4068=0x3f80 am29".
QString cycleText(const FakeVmeController::Cycle &cycle);
/// Readable form of a cycle list, one cycle per line.
QString cyclesText(const QVector<FakeVmeController::Cycle> &cycles);
