// The stand-in bridge libraries: their exported C entry points, called as the
// adapters call them, on the crate the test reaches through libnorvsim.

#include "norvsim.h"

#include <QLibrary>
#include <QTest>

#include <cstring>

// Declarations of the vendors' entry points, written from their prototypes.
extern "C" {
typedef struct usb_dev_handle usb_dev_handle;
struct usb_device;
typedef struct xxusb_device_typ
{
    struct usb_device *usbdev;
    char SerialString[7];
} xxusb_device_type;

short xxusb_devices_find(xxusb_device_type *xxusbDev);
usb_dev_handle *xxusb_device_open(struct usb_device *dev);
short xxusb_device_close(usb_dev_handle *hDev);
short xxusb_register_read(usb_dev_handle *hDev, short RegAddr, long *RegData);
short VME_read_16(usb_dev_handle *hdev, short Address_Modifier, long VME_Address, long *Data);
short VME_write_16(usb_dev_handle *hdev, short Address_Modifier, long VME_Address, long Data);

int CAENVME_SWRelease(char *SwRel);
int CAENVME_Init(int BdType, short Link, short BdNum, int32_t *Handle);
int CAENVME_End(int32_t Handle);
int CAENVME_BoardFWRelease(int32_t Handle, char *FWRel);
int CAENVME_ReadCycle(int32_t Handle, uint32_t Address, void *Data, int AM, int DW);
int CAENVME_WriteCycle(int32_t Handle, uint32_t Address, void *Data, int AM, int DW);
int CAENVME_SetTimeout(int32_t Handle, int Timeout);
int CAENVME_SystemReset(int32_t Handle);
}

namespace {

constexpr int cvSuccess = 0, cvBusError = -1, cvInvalidParam = -4;
constexpr int cvA16_U = 0x29, cvD16 = 0x02, cvD32 = 0x04;

} // namespace

class TestSimBridges : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void vmUsbFindsTheBridge();
    void vmUsbCycles();
    void vmUsbWithoutBridge();
    void v1718Cycles();
    void v1718InitFailsWithoutBridge();
    void incompleteV1718LacksSetTimeout();
};

void TestSimBridges::initTestCase()
{
    qputenv("NORV_SIM_TIMESCALE", "0");
    for (const char *name :
         {"NORV_SIM_CRATE", "NORV_SIM_NO_BRIDGE", "NORV_SIM_TRACE", "NORV_SIM_LATENCY_US"})
        qunsetenv(name);
}

void TestSimBridges::init() { QCOMPARE(norvsim_reset(""), 0); }

void TestSimBridges::cleanup() { qunsetenv("NORV_SIM_NO_BRIDGE"); }

void TestSimBridges::vmUsbFindsTheBridge()
{
    xxusb_device_type devices[32];
    std::memset(devices, 0x7F, sizeof devices);
    QCOMPARE(xxusb_devices_find(devices), short(1));
    QVERIFY(devices[0].usbdev != nullptr);
    QCOMPARE(QByteArray(devices[0].SerialString), QByteArray("VM0042"));
    usb_dev_handle *handle = xxusb_device_open(devices[0].usbdev);
    QVERIFY(handle != nullptr);
    long firmware = 0;
    QVERIFY(xxusb_register_read(handle, 0, &firmware) > 0);
    QVERIFY(firmware != 0);
    QCOMPARE(xxusb_device_close(handle), short(0));
    QVERIFY(xxusb_device_open(nullptr) == nullptr);
}

void TestSimBridges::vmUsbCycles()
{
    xxusb_device_type devices[32];
    QCOMPARE(xxusb_devices_find(devices), short(1));
    usb_dev_handle *handle = xxusb_device_open(devices[0].usbdev);
    long data = 0;
    QVERIFY(VME_read_16(handle, cvA16_U, 0x4000 + 0x3E, &data) > 0);
    QCOMPARE(data, 20L);
    QVERIFY(VME_write_16(handle, cvA16_U, 0x4000 + 0x06, 0x1234) > 0);
    QVERIFY(VME_read_16(handle, cvA16_U, 0x4000 + 0x06, &data) > 0);
    QCOMPARE(data, 0x1234L);
    // The test and the stand-in share one crate.
    QCOMPARE(norvsim_register(0x4000, 0x06), 0x1234);
    QCOMPARE(norvsim_cycle_count(0x4000), 3);

    // Failures: negative, and the data cell is left as it was.
    data = 4711;
    QVERIFY(VME_read_16(handle, cvA16_U, 0x1000, &data) < 0);
    QCOMPARE(data, 4711L);
    QVERIFY(VME_read_16(handle, 0x39, 0x4000 + 0x3E, &data) < 0);
    QCOMPARE(data, 4711L);
    QVERIFY(VME_write_16(handle, cvA16_U, 0x1000, 1) < 0);

    QCOMPARE(xxusb_device_close(handle), short(0));
    QVERIFY(VME_read_16(handle, cvA16_U, 0x4000 + 0x3E, &data) < 0);
    QVERIFY(xxusb_device_close(handle) < 0);
}

void TestSimBridges::vmUsbWithoutBridge()
{
    qputenv("NORV_SIM_NO_BRIDGE", "1");
    QCOMPARE(norvsim_reset(""), -1);
    xxusb_device_type devices[32];
    QCOMPARE(xxusb_devices_find(devices), short(0));
    QCOMPARE(norvsim_module_count(), 3); // the modules are there, the bridge is not
    uint16_t cell = 1;
    QCOMPARE(norvsim_bus_read(0x4000 + 0x3E, 0x29, 2, &cell), -1);
}

void TestSimBridges::v1718Cycles()
{
    char release[40] = {};
    QCOMPARE(CAENVME_SWRelease(release), cvSuccess);
    QVERIFY(std::strlen(release) > 0 && std::strlen(release) < 40);
    int32_t handle = 0;
    QCOMPARE(CAENVME_Init(0, 0, 0, &handle), cvSuccess);
    QVERIFY(handle != 0);
    char firmware[40] = {};
    QCOMPARE(CAENVME_BoardFWRelease(handle, firmware), cvSuccess);
    QCOMPARE(CAENVME_SetTimeout(handle, 0), cvSuccess);

    uint16_t data = 0;
    QCOMPARE(CAENVME_ReadCycle(handle, 0x8000 + 0x3E, &data, cvA16_U, cvD16), cvSuccess);
    QCOMPARE(data, uint16_t(29));
    uint16_t word = 0xABCD;
    QCOMPARE(CAENVME_WriteCycle(handle, 0x8000 + 0xA0, &word, cvA16_U, cvD16), cvSuccess);
    QCOMPARE(CAENVME_ReadCycle(handle, 0x8000 + 0xA0, &data, cvA16_U, cvD16), cvSuccess);
    QCOMPARE(data, uint16_t(0xABCD));

    data = 0x5A5A;
    QCOMPARE(CAENVME_ReadCycle(handle, 0x2000, &data, cvA16_U, cvD16), cvBusError);
    QCOMPARE(data, uint16_t(0x5A5A));
    QCOMPARE(CAENVME_ReadCycle(handle, 0x8000 + 0x3E, &data, 0x39, cvD16), cvBusError);
    QCOMPARE(CAENVME_ReadCycle(handle, 0x8000 + 0x3C, &data, cvA16_U, cvD32), cvBusError);
    QCOMPARE(data, uint16_t(0x5A5A));
    QCOMPARE(CAENVME_WriteCycle(handle, 0x2000, &word, cvA16_U, cvD16), cvBusError);
    QCOMPARE(CAENVME_SystemReset(handle), cvSuccess);

    QCOMPARE(CAENVME_End(handle), cvSuccess);
    QCOMPARE(CAENVME_ReadCycle(handle, 0x8000 + 0x3E, &data, cvA16_U, cvD16), cvInvalidParam);
    int32_t other = 0;
    QVERIFY(CAENVME_Init(1, 0, 0, &other) != cvSuccess); // not a V1718
    QVERIFY(CAENVME_Init(0, 1, 0, &other) != cvSuccess); // nothing on link 1
    QCOMPARE(other, 0);
}

void TestSimBridges::v1718InitFailsWithoutBridge()
{
    qputenv("NORV_SIM_NO_BRIDGE", "1");
    QCOMPARE(norvsim_reset(""), -1);
    int32_t handle = 0;
    QVERIFY(CAENVME_Init(0, 0, 0, &handle) != cvSuccess);
    QCOMPARE(handle, 0);
    qunsetenv("NORV_SIM_NO_BRIDGE");
    QCOMPARE(norvsim_reset(""), 0);
    QCOMPARE(CAENVME_Init(0, 0, 0, &handle), cvSuccess);
    QVERIFY(handle != 0);
    QCOMPARE(CAENVME_End(handle), cvSuccess);
}

void TestSimBridges::incompleteV1718LacksSetTimeout()
{
    QLibrary incomplete(NORV_SIM_INCOMPLETE_DIR "/libCAENVMElib.so");
    QVERIFY2(incomplete.load(), qPrintable(incomplete.errorString()));
    QVERIFY(incomplete.resolve("CAENVME_SetTimeout") == nullptr);
    for (const char *name :
         {"CAENVME_SWRelease", "CAENVME_Init", "CAENVME_End", "CAENVME_BoardFWRelease",
          "CAENVME_ReadCycle", "CAENVME_WriteCycle", "CAENVME_SystemReset"})
        QVERIFY2(incomplete.resolve(name) != nullptr, name);
    QLibrary complete(NORV_BIN_DIR "/libCAENVMElib.so");
    QVERIFY(complete.load());
    QVERIFY(complete.resolve("CAENVME_SetTimeout") != nullptr);
}

QTEST_GUILESS_MAIN(TestSimBridges)
#include "tst_simbridges.moc"
