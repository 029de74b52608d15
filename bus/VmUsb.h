#pragma once

#include "VmeController.h"

#include <QLibrary>

/// Controller for a Wiener VM-USB bridge through Wiener's library "libxxusb",
/// loaded at run time. This is the default controller. A missing or
/// incomplete library is fatal (see FatalError).
class VmUsb : public VmeController
{
public:
    /// Loads the library, resolves the entry points and opens the first bridge.
    VmUsb();
    ~VmUsb() override;

    QString errorString() override;
    QString name() override;
    QString statusText() override;
    QStringList deviceList() override;
    bool isConnected() override;
    int systemReset(int *error = nullptr) override;
    int write16(quint32 address, int addressModifier, quint16 data, int *error = nullptr) override;
    quint16 read16(quint32 address, int addressModifier, int *error = nullptr) override;

    /// Status of every bus operation attempted without an open device.
    static constexpr int NoDevice = -1;

private:
    // The vendor's prototypes. `long` is the platform's long on purpose: it is
    // 32 bits on Windows and 64 on Linux, exactly as in the vendor's header.
    struct DeviceRecord
    {
        void *usbdev;
        char SerialString[7];
    };
    using DevicesFindFn = short (*)(DeviceRecord *);
    using DeviceOpenFn = void *(*)(void *);
    using DeviceCloseFn = short (*)(void *);
    using RegisterReadFn = short (*)(void *, short, long *);
    using VmeRead16Fn = short (*)(void *, short, long, long *);
    using VmeWrite16Fn = short (*)(void *, short, long, long);

    void open();

    void *m_handle = nullptr;
    QString m_serial;
    QString m_errorString;
    DevicesFindFn m_devicesFind = nullptr;
    DeviceOpenFn m_deviceOpen = nullptr;
    DeviceCloseFn m_deviceClose = nullptr;
    RegisterReadFn m_registerRead = nullptr;
    VmeRead16Fn m_vmeRead16 = nullptr;
    VmeWrite16Fn m_vmeWrite16 = nullptr;
    QLibrary m_library;
};
