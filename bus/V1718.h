#pragma once

#include "VmeController.h"

#include <QLibrary>
#include <cstdint>

/// Controller for a CAEN V1718 USB-to-VME bridge through CAEN's library
/// "CAENVMElib", loaded at run time. A missing or incomplete library is only
/// recorded in errorString(); the adapter then has no device.
class V1718 : public VmeController
{
public:
    /// Loads the library, resolves the entry points and opens board 0.
    V1718();
    ~V1718() override;

    QString errorString() override;
    QString name() override;
    QString statusText() override;
    QStringList deviceList() override;
    bool isConnected() override;
    int systemReset(int *error = nullptr) override;
    int write16(quint32 address, int addressModifier, quint16 data, int *error = nullptr) override;
    quint16 read16(quint32 address, int addressModifier, int *error = nullptr) override;
    /// One CAENVME_MultiRead per up to MultiReadCycles cycles when the library
    /// has it, else single cycles.
    int readBatch(const QVector<quint32> &addresses, int addressModifier, QVector<quint16> *words,
                  QVector<int> *errors) override;
    /// True when the library carries many read cycles in one transfer.
    bool batchesReads() const override { return m_multiRead != nullptr && m_handle != 0; }

    /// Cycles of one CAENVME_MultiRead call.
    static constexpr int MultiReadCycles = 256;

    /// Status of every operation attempted without an open device.
    static constexpr int NoDevice = -3;

private:
    // The vendor's prototypes; every enum argument is int-sized.
    using SWReleaseFn = int (*)(char *);
    using InitFn = int (*)(int, short, short, int32_t *);
    using EndFn = int (*)(int32_t);
    using BoardFWReleaseFn = int (*)(int32_t, char *);
    using CycleFn = int (*)(int32_t, uint32_t, void *, int, int);
    using SetTimeoutFn = int (*)(int32_t, int);
    using SystemResetFn = int (*)(int32_t);
    using MultiReadFn = int (*)(int32_t, uint32_t *, uint32_t *, int, int *, int *, int *);

    void forgetEntryPoints();
    QString softwareRelease();

    QString m_errorString;
    int32_t m_handle = 0;
    SWReleaseFn m_swRelease = nullptr;
    InitFn m_init = nullptr;
    BoardFWReleaseFn m_boardFirmwareRelease = nullptr;
    EndFn m_end = nullptr;
    CycleFn m_readCycle = nullptr;
    CycleFn m_writeCycle = nullptr;
    SetTimeoutFn m_setTimeout = nullptr;
    SystemResetFn m_systemReset = nullptr;
    MultiReadFn m_multiRead = nullptr; // optional: older libraries lack it
    QLibrary m_library;
};
