// Stand-in for the VM-USB bridge library (libxxusb): the same entry points
// with the same C signatures, served by the simulated crate.

#include "norvsim.h"

#include <atomic>
#include <cstring>

#define XXUSB_EXPORT extern "C" __attribute__((visibility("default")))

extern "C" {
typedef struct usb_dev_handle usb_dev_handle;
struct usb_device;
typedef struct xxusb_device_typ
{
    struct usb_device *usbdev;
    char SerialString[7];
} xxusb_device_type;
}

namespace {

// The records and handles are opaque to the caller; any stable non-null
// address will do.
char deviceToken;
char handleToken;
std::atomic<bool> deviceOpen {false};

usb_device *theDevice() { return reinterpret_cast<usb_device *>(&deviceToken); }

usb_dev_handle *theHandle() { return reinterpret_cast<usb_dev_handle *>(&handleToken); }

bool usable(usb_dev_handle *handle) { return handle == theHandle() && deviceOpen.load(); }

constexpr short failed = -1;
constexpr short wordBytes = 2;
constexpr long bridgeFirmwareId = 0x0A000704;

} // namespace

XXUSB_EXPORT short xxusb_devices_find(xxusb_device_type *xxusbDev)
{
    if (!xxusbDev)
        return failed;
    if (!norvsim_bridge_present())
        return 0;
    xxusbDev[0].usbdev = theDevice();
    std::memset(xxusbDev[0].SerialString, 0, sizeof xxusbDev[0].SerialString);
    std::strncpy(xxusbDev[0].SerialString, norvsim_bridge_serial(),
                 sizeof xxusbDev[0].SerialString - 1);
    return 1;
}

XXUSB_EXPORT usb_dev_handle *xxusb_device_open(struct usb_device *dev)
{
    if (dev != theDevice() || !norvsim_bridge_present())
        return nullptr;
    deviceOpen = true;
    return theHandle();
}

XXUSB_EXPORT short xxusb_device_close(usb_dev_handle *hDev)
{
    if (!usable(hDev))
        return failed;
    deviceOpen = false;
    return 0;
}

XXUSB_EXPORT short xxusb_register_read(usb_dev_handle *hDev, short RegAddr, long *RegData)
{
    if (!usable(hDev) || !RegData)
        return failed;
    *RegData = RegAddr == 0 ? bridgeFirmwareId : 0;
    return 4;
}

XXUSB_EXPORT short VME_read_16(usb_dev_handle *hdev, short Address_Modifier, long VME_Address,
                               long *Data)
{
    if (!usable(hdev) || !Data || VME_Address < 0)
        return failed;
    uint16_t value = 0;
    if (norvsim_bus_read(uint32_t(VME_Address), Address_Modifier, 2, &value) != 0)
        return failed; // the data cell stays as the caller left it
    *Data = value;
    return wordBytes;
}

XXUSB_EXPORT short VME_write_16(usb_dev_handle *hdev, short Address_Modifier, long VME_Address,
                                long Data)
{
    if (!usable(hdev) || VME_Address < 0)
        return failed;
    if (norvsim_bus_write(uint32_t(VME_Address), Address_Modifier, 2, uint16_t(Data)) != 0)
        return failed;
    return wordBytes;
}
