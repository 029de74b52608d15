#pragma once

// A VmeController without hardware, for tests of everything above the bus. It answers
// from a register file and logs every D16 cycle as text: "R 4034 1234" is a read of
// 0x1234 at 0x4034, "W 4068 3f80" a write; " am<hex>" follows a modifier other than 0x29.

#include "VmeController.h"

#include <QHash>
#include <QMutex>
#include <QStringList>

#include <atomic>

class FakeVmeController : public VmeController
{
public:
    QString errorString() override { return {}; }
    QString statusText() override { return QStringLiteral("Fake VME controller"); }
    QStringList deviceList() override { return {}; }
    int systemReset(int *error = nullptr) override { return status(error); }
    int write16(quint32 address, int addressModifier, quint16 data, int *error = nullptr) override;
    quint16 read16(quint32 address, int addressModifier, int *error = nullptr) override;

    /// Presets the word at an absolute address (no cycle is logged).
    void setWord(quint32 address, quint16 value);
    /// Presets a 32-bit or float register: high word at address, low word at address + 2.
    void setRegister32(quint32 address, quint32 value);
    void setRegisterFloat(quint32 address, float value);
    /// Presets the vendor id and the identity word (high half, device class) of a module.
    void setIdentity(quint32 base, quint32 vendorId, quint16 highWord, quint16 deviceClass);

    /// Every cycle since construction or the last clearLog(), in bus order.
    QStringList log() const;
    /// The write cycles of log().
    QStringList writes() const { return log().filter(QStringLiteral("W ")); }
    /// Forgets the logged cycles and the counts below (not the registers).
    void clearLog();

    /// No device: reads return 0, writes are lost, cycles return -1 (and are still logged).
    void setNoDevice(bool noDevice) { m_noDevice = noDevice; }
    /// Each cycle sleeps this long before it takes effect, to widen races.
    void setCycleDelay(int microseconds) { m_cycleDelayUs = microseconds; }

    /// Transactions another thread cut into: a thread's cycle at address + 2 of the same
    /// kind (second half of a 32-bit access), or its write to the 16- or 32-bit register
    /// it just read (read-modify-write), with another thread's cycle in between.
    int splitTransactions() const { return m_splitTransactions; }
    /// How often consecutive cycles came from different threads.
    int threadSwitches() const { return m_threadSwitches; }

private:
    struct Cycle
    {
        bool write;
        quint32 address;
        qsizetype index; // in the log
    };
    int cycle(bool write, quint32 address, int modifier, quint16 &data, int *error);
    int status(int *error) const;

    mutable QMutex m_mutex; // guards the fake's own state, never the bus
    QHash<quint32, quint16> m_registers;
    QStringList m_log;
    Qt::HANDLE m_lastThread = nullptr;
    QHash<Qt::HANDLE, Cycle> m_lastCycleOfThread;
    std::atomic<bool> m_noDevice {false};
    std::atomic<int> m_cycleDelayUs {0};
    std::atomic<int> m_splitTransactions {0};
    std::atomic<int> m_threadSwitches {0};
};
