#pragma once

#include "BaseController.h"

#include <QRecursiveMutex>
#include <QVector>

/// A controller that performs single D16 cycles on a VME bus.
///
/// The GUI thread and the script thread both reach the bus through the same
/// controller. Every register transaction (both cycles of a 32-bit access, a
/// read-modify-write, a whole hex record) holds busLock() through a
/// BusTransaction, so cycles of different transactions never interleave. The
/// lock is recursive because transactions nest (an all-channel loop step
/// contains a read-modify-write, which contains 32-bit accesses).
class VmeController : public BaseController
{
public:
    /// VME system reset through the bridge; returns (and stores) the status.
    virtual int systemReset(int *error = nullptr) = 0;
    /// Exactly one D16 write cycle; returns (and stores) the status, 0 = success.
    virtual int write16(quint32 address, int addressModifier, quint16 data, int *error = nullptr)
        = 0;
    /// Exactly one D16 read cycle; 0 when the cycle fails or no device is open.
    virtual quint16 read16(quint32 address, int addressModifier, int *error = nullptr) = 0;
    /// D16 read cycles at every address, in order, as one transaction: each
    /// word and status exactly as read16() gives them. A bridge that can
    /// carry many cycles in one transfer overrides this; here it is one
    /// read16() after the other. Returns 0 when every cycle succeeded.
    virtual int readBatch(const QVector<quint32> &addresses, int addressModifier,
                          QVector<quint16> *words, QVector<int> *errors);
    /// True when readBatch() is faster than the single cycles it stands for.
    virtual bool batchesReads() const { return false; }

    /// The lock that serialises register transactions on this controller.
    QRecursiveMutex &busLock() { return m_busLock; }

private:
    QRecursiveMutex m_busLock;
};
