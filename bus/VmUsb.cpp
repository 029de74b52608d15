#include "VmUsb.h"

#include "BridgeLibrary.h"
#include "BusTransaction.h"
#include "FatalError.h"

#include <QCoreApplication>
#include <QDebug>

namespace {
const char *const LibraryName = "libxxusb";
// xxusb_devices_find fills one record per bridge; leave room for many.
constexpr int MaxBridges = 32;
} // namespace

VmUsb::VmUsb()
{
    QString loaderError;
    if (!BridgeLibrary::load(m_library, {QString::fromLatin1(LibraryName)}, &loaderError)) {
        m_errorString = loaderError;
        qDebug() << m_errorString;
    } else {
        qDebug() << m_library.fileName() << "loaded";
        using BridgeLibrary::resolve;
        m_devicesFind = reinterpret_cast<DevicesFindFn>(
            resolve(m_library, "xxusb_devices_find", "xxusbDevicesFind"));
        m_deviceOpen = reinterpret_cast<DeviceOpenFn>(
            resolve(m_library, "xxusb_device_open", "xxusbDeviceOpen"));
        m_deviceClose = reinterpret_cast<DeviceCloseFn>(
            resolve(m_library, "xxusb_device_close", "xxusbDeviceClose"));
        m_registerRead = reinterpret_cast<RegisterReadFn>(
            resolve(m_library, "xxusb_register_read", "xxusbRegisterRead"));
        m_vmeRead16 = reinterpret_cast<VmeRead16Fn>(resolve(m_library, "VME_read_16", "vmeRead16"));
        m_vmeWrite16
            = reinterpret_cast<VmeWrite16Fn>(resolve(m_library, "VME_write_16", "vmeWrite16"));
        if (m_devicesFind && m_deviceOpen && m_deviceClose && m_registerRead && m_vmeRead16
            && m_vmeWrite16) {
            open();
            return;
        }
        m_errorString = QStringLiteral("Error while loading shared library '%1'")
                            .arg(QString::fromLatin1(LibraryName));
        m_library.unload();
    }

    FatalError::report(
        QCoreApplication::translate("VmUsb", "norv VME Control"),
        QCoreApplication::translate("VmUsb",
                                    "Error while loading shared library '%1' or one of it's "
                                    "dependencies!\n\nProgram will be terminated.")
            .arg(m_library.fileName()));
}

void VmUsb::open()
{
    DeviceRecord records[MaxBridges] = {};
    const short found = m_devicesFind(records);
    if (found <= 0) {
        m_errorString = QStringLiteral("No VM-USB controller number %1 found!").arg(0);
        return;
    }
    m_handle = m_deviceOpen(records[0].usbdev);
    // The vendor's record holds at most six characters and a NUL.
    m_serial
        = QString::fromLatin1(records[0].SerialString,
                              qstrnlen(records[0].SerialString, sizeof(records[0].SerialString)));
    long firmware = 0;
    if (m_handle)
        m_registerRead(m_handle, 0, &firmware);
    qDebug().noquote() << "VM-USB sn." << m_serial << "FW" << firmware;
}

VmUsb::~VmUsb()
{
    if (m_handle) {
        m_deviceClose(m_handle);
        m_handle = nullptr;
    }
}

QString VmUsb::errorString() { return m_errorString; }

QString VmUsb::name() { return QStringLiteral("Wiener VM-USB"); }

QString VmUsb::statusText()
{
    if (m_handle)
        return QStringLiteral("Connected to VME controller Wiener %1.").arg(m_serial);
    return QStringLiteral("Not connected to Wiener XXUSB library!");
}

QStringList VmUsb::deviceList() { return {}; }

bool VmUsb::isConnected() { return m_handle != nullptr; }

int VmUsb::systemReset(int *error)
{
    Q_UNUSED(error)
    return 0;
}

int VmUsb::write16(quint32 address, int addressModifier, quint16 data, int *error)
{
    int status = NoDevice;
    if (m_handle) {
        BusTransaction transaction(this);
        status = static_cast<qint16>(m_vmeWrite16(m_handle, static_cast<short>(addressModifier),
                                                  static_cast<long>(address), data));
    }
    if (error)
        *error = status;
    return status;
}

quint16 VmUsb::read16(quint32 address, int addressModifier, int *error)
{
    long cell = 0;
    int status = NoDevice;
    if (m_handle) {
        BusTransaction transaction(this);
        status = static_cast<qint16>(m_vmeRead16(m_handle, static_cast<short>(addressModifier),
                                                 static_cast<long>(address), &cell));
    }
    if (error)
        *error = status;
    return static_cast<quint16>(cell & 0xFFFF);
}
