// Register access of VmeModule: where every plain getter and setter goes on the
// bus, in both layouts, how 32-bit values and floats are split into D16 cycles,
// and that each operation can be called by name as a script does.

#include "FakeVmeController.h"
#include "SlotInvoker.h"
#include "TestVmeModule.h"

#include <QtTest>

#include <cstring>

using namespace ModuleTest;
using Cycles = QVector<FakeVmeController::Cycle>;

namespace {

quint32 floatBits(float f)
{
    quint32 bits;
    std::memcpy(&bits, &f, sizeof bits);
    return bits;
}

// The cycles of one register access of the given width at base + offset.
Cycles accessCycles(bool write, quint32 address, int width, quint32 value)
{
    auto make = write ? expectWrite : expectRead;
    if (width == 16)
        return {make(address, quint16(value & 0xFFFF))};
    if (width == 32)
        return {make(address, quint16(value >> 16)), make(address + 2, quint16(value & 0xFFFF))};
    return {};
}

} // namespace

class TestRegisterAccess : public QObject
{
    Q_OBJECT

private slots:
    void floatIsWrittenHighWordFirst();
    void register32IsReadHighWordFirst();
    void addressIsNotMaskedTo16Bits();
    void getters_data();
    void getters();
    void setters_data();
    void setters();
    void firmwareReleaseText_data();
    void firmwareReleaseText();
    void moduleAddressText_data();
    void moduleAddressText();
    void operationsAreSlotsInInterfaceOrder();
    void scriptsCallOperationsByName();
};

void TestRegisterAccess::floatIsWrittenHighWordFirst()
{
    FakeVmeController fake;
    VmeModule module(&fake, Base20);
    identify(fake, module, 20);

    module.SetChannelVoltageSet(0, 1.0f);

    // Channel 0 block at 0x60, voltage set at +0x08.
    const Cycles expected {expectWrite(0x4068, 0x3F80), expectWrite(0x406A, 0x0000)};
    QVERIFY2(fake.cycles() == expected, qPrintable(cyclesText(fake.cycles())));
}

void TestRegisterAccess::register32IsReadHighWordFirst()
{
    FakeVmeController fake;
    VmeModule module(&fake, Base20);
    identify(fake, module, 20);
    fake.setWord(Base20 + 0x34, 0x1234);
    fake.setWord(Base20 + 0x36, 0x5678);

    QCOMPARE(module.GetModuleSerialNumber(), 0x12345678);
    const Cycles expected {expectRead(0x4034, 0x1234), expectRead(0x4036, 0x5678)};
    QVERIFY2(fake.cycles() == expected, qPrintable(cyclesText(fake.cycles())));
}

void TestRegisterAccess::addressIsNotMaskedTo16Bits()
{
    FakeVmeController fake;
    VmeModule module(&fake, 0xFC00);
    fake.setIdentity(0xFC00, Norv, 24, 29);
    module.GetModuleDeviceClass();
    fake.clearLog();
    fake.setRegisterFloat(0xFC00, 0x7B8, 6000.0f);

    // Hardware voltage nominal of channel 23: 0xFC00 + 0x700 + 8 * 23 = 0x103B8.
    QCOMPARE(module.GetChannelVoltageHardwareNominal(23), 6000.0f);
    const Cycles expected {expectRead(0x103B8, 0x45BB), expectRead(0x103BA, 0x8000)};
    QVERIFY2(fake.cycles() == expected, qPrintable(cyclesText(fake.cycles())));
}

// Rows: layout, slot, channel (-1: module register), offset from the base
// address, width (0: the layout has no such register), float or not, and the
// factor from the bus value to the returned value (currents in mA).
void TestRegisterAccess::getters_data()
{
    QTest::addColumn<int>("deviceClass");
    QTest::addColumn<QByteArray>("slot");
    QTest::addColumn<int>("channel");
    QTest::addColumn<int>("offset");
    QTest::addColumn<int>("width");
    QTest::addColumn<bool>("isFloat");
    QTest::addColumn<double>("scale");

    auto row = [](int cls, const char *slot, int ch, int offset, int width, bool isFloat = false,
                  double scale = 1.0) {
        QTest::addRow("%d %s", cls, slot)
            << cls << QByteArray(slot) << ch << offset << width << isFloat << scale;
    };
    const bool F = true;
    const double mA = 1000.0;

    row(20, "GetModuleStatus", -1, 0x00, 16);
    row(20, "GetModuleControl", -1, 0x02, 16);
    row(20, "GetModuleEventStatus", -1, 0x04, 16);
    row(20, "GetModuleEventMask", -1, 0x06, 16);
    row(20, "GetModuleEventChannelStatus", -1, 0x08, 16);
    row(20, "GetModuleEventChannelMask", -1, 0x0A, 16);
    row(20, "GetModuleEventGroupStatus", -1, 0x0C, 32);
    row(20, "GetModuleEventGroupMask", -1, 0x10, 32);
    row(20, "GetModuleVoltageRampSpeed", -1, 0x14, 32, F);
    row(20, "GetModuleCurrentRampSpeed", -1, 0x18, 32, F);
    row(20, "GetModuleVoltageLimit", -1, 0x1C, 32, F);
    row(20, "GetModuleCurrentLimit", -1, 0x20, 32, F, mA);
    row(20, "GetModuleSupplyP5", -1, 0x24, 32, F);
    row(20, "GetModuleSupplyP12", -1, 0x28, 32, F);
    row(20, "GetModuleSupplyN12", -1, 0x2C, 32, F);
    row(20, "GetModuleTemperature", -1, 0x30, 32, F);
    row(20, "GetModuleSerialNumber", -1, 0x34, 32);
    row(20, "GetModulePlacedChannels", -1, 0x3C, 16);
    row(20, "GetModuleIlkOutStatus", -1, 0x40, 16);
    row(20, "GetModuleIlkOutControl", -1, 0x42, 16);
    row(20, "GetModuleIlkOutCount", -1, 0x44, 16);
    row(20, "GetModuleIlkOutLastTrigger", -1, 0x46, 16);
    row(20, "GetModuleIlkOutChnActualActive", -1, 0x48, 16);
    row(20, "GetModuleIlkOutChnEverTriggered", -1, 0x4A, 16);
    row(20, "GetModuleRestartTime", -1, 0x50, 16);
    row(20, "GetModuleAdcSamplesPerSecond", -1, 0x58, 16);
    row(20, "GetModuleDigitalFilter", -1, 0x5A, 16);
    row(20, "GetModuleDecoderRelease", -1, 0x7C, 0);
    row(20, "GetModuleSpecialControlStatus", -1, 0x3B0, 16);
    row(20, "GetModuleSpecialControlCommand", -1, 0x3B2, 16);
    row(20, "GetModuleFlexGroupMemberList", 31, 0x2C0 + 4 * 31, 16);
    row(20, "GetModuleFlexGroupType", 31, 0x2C0 + 4 * 31 + 2, 16);

    // Channel 3: block at 0x60 + 3 * 0x30.
    row(20, "GetChannelStatus", 3, 0xF0, 16);
    row(20, "GetChannelControl", 3, 0xF2, 16);
    row(20, "GetChannelEventStatus", 3, 0xF4, 16);
    row(20, "GetChannelEventMask", 3, 0xF6, 16);
    row(20, "GetChannelVoltageSet", 3, 0xF8, 32, F);
    row(20, "GetChannelCurrentSet", 3, 0xFC, 32, F, mA);
    row(20, "GetChannelVoltageMeasure", 3, 0x100, 32, F);
    row(20, "GetChannelCurrentMeasure", 3, 0x104, 32, F, mA);
    row(20, "GetChannelVoltageIlkMaxSet", 3, 0x108, 32, F);
    row(20, "GetChannelCurrentIlkMaxSet", 3, 0x10C, 32, F, mA);
    row(20, "GetChannelVoltageNominal", 3, 0x110, 32, F);
    row(20, "GetChannelCurrentNominal", 3, 0x114, 32, F, mA);
    row(20, "GetChannelVoltageIlkMinSet", 3, 0x118, 32, F);
    row(20, "GetChannelCurrentIlkMinSet", 3, 0x11C, 32, F, mA);
    row(20, "GetChannelVoltageHardwareNominal", 3, 0x340 + 24, 32, F);
    row(20, "GetChannelCurrentHardwareNominal", 3, 0x344 + 24, 32, F, mA);

    row(29, "GetModuleStatus", -1, 0x00, 32);
    row(29, "GetModuleEventStatus", -1, 0x04, 32);
    row(29, "GetModuleEventMask", -1, 0x08, 32);
    row(29, "GetModuleControl", -1, 0x0C, 32);
    row(29, "GetModuleEventChannelStatus", -1, 0x10, 32);
    row(29, "GetModuleEventChannelMask", -1, 0x14, 32);
    row(29, "GetModuleEventGroupStatus", -1, 0x18, 32);
    row(29, "GetModuleEventGroupMask", -1, 0x1C, 32);
    row(29, "GetModuleVoltageRampSpeed", -1, 0x20, 32, F);
    row(29, "GetModuleCurrentRampSpeed", -1, 0x24, 32, F);
    row(29, "GetModuleVoltageLimit", -1, 0x28, 32, F);
    row(29, "GetModuleCurrentLimit", -1, 0x2C, 32, F, mA);
    row(29, "GetModuleSerialNumber", -1, 0x30, 32);
    row(29, "GetModulePlacedChannels", -1, 0x38, 32);
    row(29, "GetModuleSupplyP5", -1, 0x40, 32, F);
    row(29, "GetModuleSupplyP12", -1, 0x44, 32, F);
    row(29, "GetModuleSupplyN12", -1, 0x48, 32, F);
    row(29, "GetModuleTemperature", -1, 0x4C, 32, F);
    row(29, "GetModuleRestartTime", -1, 0x50, 32);
    row(29, "GetModuleAdcSamplesPerSecond", -1, 0x54, 32);
    row(29, "GetModuleDigitalFilter", -1, 0x58, 32);
    row(29, "GetModuleDecoderRelease", -1, 0x7C, 32);
    row(29, "GetModuleSpecialControlStatus", -1, 0xAC, 32);
    row(29, "GetModuleSpecialControlCommand", -1, 0xB0, 32);
    row(29, "GetModuleIlkOutStatus", -1, 0x40, 0);
    row(29, "GetModuleIlkOutControl", -1, 0x42, 0);
    row(29, "GetModuleIlkOutCount", -1, 0x44, 0);
    row(29, "GetModuleIlkOutLastTrigger", -1, 0x46, 0);
    row(29, "GetModuleIlkOutChnActualActive", -1, 0x48, 0);
    row(29, "GetModuleIlkOutChnEverTriggered", -1, 0x4A, 0);
    row(29, "GetModuleFlexGroupMemberList", 5, 0x700 + 8 * 5, 32);
    row(29, "GetModuleFlexGroupType", 5, 0x700 + 8 * 5 + 4, 32);

    // Channel 3: block at 0x100 + 3 * 0x40.
    row(29, "GetChannelStatus", 3, 0x1C0, 32);
    row(29, "GetChannelEventStatus", 3, 0x1C4, 32);
    row(29, "GetChannelEventMask", 3, 0x1C8, 32);
    row(29, "GetChannelControl", 3, 0x1CC, 32);
    row(29, "GetChannelVoltageSet", 3, 0x1D0, 32, F);
    row(29, "GetChannelCurrentSet", 3, 0x1D4, 32, F, mA);
    row(29, "GetChannelVoltageMeasure", 3, 0x1D8, 32, F);
    row(29, "GetChannelCurrentMeasure", 3, 0x1DC, 32, F, mA);
    row(29, "GetChannelVoltageIlkMaxSet", 3, 0x1E0, 32, F);
    row(29, "GetChannelVoltageIlkMinSet", 3, 0x1E4, 32, F);
    row(29, "GetChannelCurrentIlkMaxSet", 3, 0x1E8, 32, F, mA);
    row(29, "GetChannelCurrentIlkMinSet", 3, 0x1EC, 32, F, mA);
    row(29, "GetChannelVoltageNominal", 3, 0x1F0, 32, F);
    row(29, "GetChannelCurrentNominal", 3, 0x1F4, 32, F, mA);
    row(29, "GetChannelVoltageHardwareNominal", 3, 0x700 + 24, 32, F);
    row(29, "GetChannelCurrentHardwareNominal", 3, 0x704 + 24, 32, F, mA);
}

void TestRegisterAccess::getters()
{
    QFETCH(int, deviceClass);
    QFETCH(QByteArray, slot);
    QFETCH(int, channel);
    QFETCH(int, offset);
    QFETCH(int, width);
    QFETCH(bool, isFloat);
    QFETCH(double, scale);

    FakeVmeController fake;
    VmeModule module(&fake, baseOf(deviceClass));
    identify(fake, module, deviceClass);
    const quint32 base = baseOf(deviceClass);

    // Distinct words around the register show a read of the wrong word.
    fake.setWord(base + offset - 2, 0x0BAD);
    fake.setWord(base + offset + 4, 0x0BAD);
    quint32 raw;
    if (isFloat) {
        raw = floatBits(1234.5f);
        fake.setRegister32(base, offset, raw);
    } else if (width == 16) {
        raw = 0xBEEF;
        fake.setRegister32(base, offset, 0xBEEF1111);
    } else {
        raw = 0xCAFEF00D;
        fake.setRegister32(base, offset, raw);
    }

    QVariantList args;
    if (channel >= 0)
        args << channel;
    bool ok = false;
    const QVariant result = SlotInvoker::call(&module, slot, args, &ok);
    QVERIFY2(ok, "the operation must be callable by name");

    if (width == 0) {
        QCOMPARE(result.toUInt(), 0u);
    } else if (isFloat) {
        QCOMPARE(result.toFloat(), float(double(1234.5f) * scale));
    } else {
        QCOMPARE(result.toUInt(), raw);
    }
    const Cycles expected = accessCycles(false, base + offset, width, width == 16 ? 0xBEEF : raw);
    QVERIFY2(fake.cycles() == expected,
             qPrintable(QStringLiteral("got:\n%1\nexpected:\n%2")
                            .arg(cyclesText(fake.cycles()), cyclesText(expected))));
}

// Rows: layout, slot, channel (-1: none), offset from the base address, width,
// float or not, whether the slot takes a value, and the factor from the
// argument to the bus value (currents given in mA).
void TestRegisterAccess::setters_data()
{
    QTest::addColumn<int>("deviceClass");
    QTest::addColumn<QByteArray>("slot");
    QTest::addColumn<int>("channel");
    QTest::addColumn<int>("offset");
    QTest::addColumn<int>("width");
    QTest::addColumn<bool>("isFloat");
    QTest::addColumn<bool>("hasValue");
    QTest::addColumn<double>("scale");

    auto row = [](int cls, const char *slot, int ch, int offset, int width, bool isFloat = false,
                  double scale = 1.0) {
        QTest::addRow("%d %s", cls, slot)
            << cls << QByteArray(slot) << ch << offset << width << isFloat << true << scale;
    };
    // Clear operations write all ones and take no value.
    auto clearRow = [](int cls, const char *slot, int ch, int offset, int width) {
        QTest::addRow("%d %s", cls, slot)
            << cls << QByteArray(slot) << ch << offset << width << false << false << 1.0;
    };
    const bool F = true;
    const double toA = 0.001;

    row(20, "SetModuleControl", -1, 0x02, 16);
    row(20, "SetModuleEventStatus", -1, 0x04, 16);
    row(20, "SetModuleEventMask", -1, 0x06, 16);
    row(20, "SetModuleEventChannelMask", -1, 0x0A, 16);
    row(20, "SetModuleEventGroupMask", -1, 0x10, 32);
    row(20, "SetModuleVoltageRampSpeed", -1, 0x14, 32, F);
    row(20, "SetModuleCurrentRampSpeed", -1, 0x18, 32, F);
    row(20, "SetModuleIlkOutControl", -1, 0x42, 16);
    row(20, "SetModuleRestartTime", -1, 0x50, 16);
    row(20, "SetModuleAdcSamplesPerSecond", -1, 0x58, 16);
    row(20, "SetModuleDigitalFilter", -1, 0x5A, 16);
    row(20, "SetModuleSpecialControlCommand", -1, 0x3B2, 16);
    row(20, "SetAllChannelsVoltageSet", -1, 0x2A0, 32, F);
    row(20, "SetAllChannelsCurrentSet", -1, 0x2A4, 32, F, toA);
    clearRow(20, "ClearModuleEventStatus", -1, 0x04, 16);
    clearRow(20, "ClearModuleEventChannelStatus", -1, 0x08, 16);
    clearRow(20, "ClearModuleEventGroupStatus", -1, 0x0C, 32);
    row(20, "SetChannelEventStatus", 3, 0xF4, 16);
    row(20, "SetChannelEventMask", 3, 0xF6, 16);
    row(20, "SetChannelControl", 3, 0xF2, 16);
    row(20, "SetChannelVoltageSet", 3, 0xF8, 32, F);
    row(20, "SetChannelCurrentSet", 3, 0xFC, 32, F, toA);
    row(20, "SetChannelVoltageIlkMaxSet", 3, 0x108, 32, F);
    row(20, "SetChannelCurrentIlkMaxSet", 3, 0x10C, 32, F, toA);
    row(20, "SetChannelVoltageNominal", 3, 0x110, 32, F);
    row(20, "SetChannelCurrentNominal", 3, 0x114, 32, F, toA);
    row(20, "SetChannelVoltageIlkMinSet", 3, 0x118, 32, F);
    row(20, "SetChannelCurrentIlkMinSet", 3, 0x11C, 32, F, toA);
    clearRow(20, "ClearChannelEventStatus", 3, 0xF4, 16);

    row(29, "SetModuleEventStatus", -1, 0x04, 32);
    row(29, "SetModuleEventMask", -1, 0x08, 32);
    row(29, "SetModuleControl", -1, 0x0C, 32);
    row(29, "SetModuleEventChannelMask", -1, 0x14, 32);
    row(29, "SetModuleEventGroupMask", -1, 0x1C, 32);
    row(29, "SetModuleVoltageRampSpeed", -1, 0x20, 32, F);
    row(29, "SetModuleCurrentRampSpeed", -1, 0x24, 32, F);
    row(29, "SetModuleRestartTime", -1, 0x50, 32);
    row(29, "SetModuleAdcSamplesPerSecond", -1, 0x54, 32);
    row(29, "SetModuleDigitalFilter", -1, 0x58, 32);
    row(29, "SetModuleSpecialControlCommand", -1, 0xB0, 32);
    row(29, "SetAllChannelsVoltageSet", -1, 0xD0, 32, F);
    row(29, "SetAllChannelsCurrentSet", -1, 0xD4, 32, F, toA);
    row(29, "SetModuleIlkOutControl", -1, 0x42, 0);
    clearRow(29, "ClearModuleEventStatus", -1, 0x04, 32);
    clearRow(29, "ClearModuleEventChannelStatus", -1, 0x10, 32);
    clearRow(29, "ClearModuleEventGroupStatus", -1, 0x18, 32);
    row(29, "SetChannelEventStatus", 3, 0x1C4, 32);
    row(29, "SetChannelEventMask", 3, 0x1C8, 32);
    row(29, "SetChannelControl", 3, 0x1CC, 32);
    row(29, "SetChannelVoltageSet", 3, 0x1D0, 32, F);
    row(29, "SetChannelCurrentSet", 3, 0x1D4, 32, F, toA);
    row(29, "SetChannelVoltageIlkMaxSet", 3, 0x1E0, 32, F);
    row(29, "SetChannelVoltageIlkMinSet", 3, 0x1E4, 32, F);
    row(29, "SetChannelCurrentIlkMaxSet", 3, 0x1E8, 32, F, toA);
    row(29, "SetChannelCurrentIlkMinSet", 3, 0x1EC, 32, F, toA);
    row(29, "SetChannelVoltageNominal", 3, 0x1F0, 32, F);
    row(29, "SetChannelCurrentNominal", 3, 0x1F4, 32, F, toA);
    clearRow(29, "ClearChannelEventStatus", 3, 0x1C4, 32);
}

void TestRegisterAccess::setters()
{
    QFETCH(int, deviceClass);
    QFETCH(QByteArray, slot);
    QFETCH(int, channel);
    QFETCH(int, offset);
    QFETCH(int, width);
    QFETCH(bool, isFloat);
    QFETCH(bool, hasValue);
    QFETCH(double, scale);

    FakeVmeController fake;
    VmeModule module(&fake, baseOf(deviceClass));
    identify(fake, module, deviceClass);
    const quint32 base = baseOf(deviceClass);

    QVariantList args;
    if (channel >= 0)
        args << channel;
    quint32 raw = 0xFFFFFFFF;
    if (hasValue) {
        if (isFloat) {
            args << 2.5;
            raw = floatBits(float(2.5 * scale));
        } else {
            args << 0xA5A5C3C3u;
            raw = 0xA5A5C3C3u;
        }
    }
    bool ok = false;
    SlotInvoker::call(&module, slot, args, &ok);
    QVERIFY2(ok, "the operation must be callable by name");

    const Cycles expected = accessCycles(true, base + offset, width, raw);
    QVERIFY2(fake.cycles() == expected,
             qPrintable(QStringLiteral("got:\n%1\nexpected:\n%2")
                            .arg(cyclesText(fake.cycles()), cyclesText(expected))));
}

void TestRegisterAccess::firmwareReleaseText_data()
{
    QTest::addColumn<int>("deviceClass");
    QTest::addColumn<quint32>("release");
    QTest::addColumn<QString>("text");

    QTest::newRow("20 bytes 1 2 3 4") << 20 << 0x01020304u << QStringLiteral("12.34");
    QTest::newRow("29 bytes 1 2 3 4") << 29 << 0x01020304u << QStringLiteral("12.34");
    QTest::newRow("unpadded, full bytes") << 20 << 0x0A00FF07u << QStringLiteral("100.2557");
    QTest::newRow("zero") << 29 << 0u << QStringLiteral("00.00");
}

void TestRegisterAccess::firmwareReleaseText()
{
    QFETCH(int, deviceClass);
    QFETCH(quint32, release);
    QFETCH(QString, text);

    FakeVmeController fake;
    VmeModule module(&fake, baseOf(deviceClass));
    identify(fake, module, deviceClass);
    const quint32 offset = deviceClass == 29 ? 0x34 : 0x38;
    fake.setRegister32(baseOf(deviceClass), offset, release);

    QCOMPARE(module.GetModuleFirmwareRelease(), text);
    QCOMPARE(fake.cycles().size(), 2);
    QCOMPARE(fake.cycles().first().address, baseOf(deviceClass) + offset);
}

void TestRegisterAccess::moduleAddressText_data()
{
    QTest::addColumn<int>("base");
    QTest::addColumn<QString>("text");

    QTest::newRow("0x4000") << 0x4000 << QStringLiteral("VME BA 0x4000");
    QTest::newRow("lower-case hex") << 0xAC00 << QStringLiteral("VME BA 0xac00");
    QTest::newRow("padded") << 0x0400 << QStringLiteral("VME BA 0x0400");
    QTest::newRow("zero") << 0 << QStringLiteral("VME BA 0x0000");
}

void TestRegisterAccess::moduleAddressText()
{
    QFETCH(int, base);
    QFETCH(QString, text);

    FakeVmeController fake;
    VmeModule module(&fake, quint16(base));
    QCOMPARE(module.GetModuleAddress(), text);
    QCOMPARE(module.GetModuleBaseAddress(), quint16(base));
    QVERIFY(fake.cycles().isEmpty());
}

void TestRegisterAccess::operationsAreSlotsInInterfaceOrder()
{
    const QMetaObject &meta = BaseModule::staticMetaObject;
    const int first = meta.methodOffset();
    // 123 virtual operations, then the three non-virtual slots.
    QCOMPARE(meta.methodCount() - first, 126);
    for (int i = first; i < meta.methodCount(); ++i)
        QCOMPARE(meta.method(i).methodType(), QMetaMethod::Slot);

    const QList<QPair<int, QByteArray>> probes {
        {0, "connected()"},
        {3, "GetModuleDeviceClass()"},
        {13, "SetModuleBaseAddress(ushort)"},
        {49, "SetSelectedChannelsOn(uint)"},
        {68, "SetChannelVoltageSet(int,float)"},
        {75, "SetChannelDelayedTrip(int,bool,bool,int)"},
        {89, "FormatVoltage(double)"},
        {108, "SetModuleFlexGroup(int,uint,uint)"},
        {118, "SendHexLine(QByteArray)"},
        {122, "setLogLevel(int)"},
        {123, "setFirmwareName(int)"},
        {124, "deviceClass()"},
        {125, "setDeviceClass(QString)"},
    };
    for (const auto &probe : probes) // as moc records them: quint16 = ushort, quint32 = uint
        QCOMPARE(meta.method(first + probe.first).methodSignature(), probe.second);
    QVERIFY(VmeModule::staticMetaObject.indexOfSlot("siCurrentToUserCurrent(float)") >= 0);
    QVERIFY(VmeModule::staticMetaObject.indexOfSlot("userCurrentToSiCurrent(float)") >= 0);
}

void TestRegisterAccess::scriptsCallOperationsByName()
{
    FakeVmeController fake;
    VmeModule module(&fake, Base20);
    identify(fake, module, 20);
    BaseModule *base = &module;

    QVERIFY(QMetaObject::invokeMethod(base, "SetChannelVoltageSet", Qt::DirectConnection,
                                      Q_ARG(int, 2), Q_ARG(float, 250.0f)));
    float vset = 0;
    QVERIFY(QMetaObject::invokeMethod(base, "GetChannelVoltageSet", Qt::DirectConnection,
                                      Q_RETURN_ARG(float, vset), Q_ARG(int, 2)));
    QCOMPARE(vset, 250.0f);
    QCOMPARE(fake.registerFloat(Base20, 0x60 + 2 * 0x30 + 0x08), 250.0f);

    float user = 0;
    QVERIFY(QMetaObject::invokeMethod(base, "siCurrentToUserCurrent", Qt::DirectConnection,
                                      Q_RETURN_ARG(float, user), Q_ARG(float, 0.002f)));
    QCOMPARE(user, 2.0f);
    QVERIFY(QMetaObject::invokeMethod(base, "setDeviceClass", Qt::DirectConnection,
                                      Q_ARG(QString, QStringLiteral("DC29"))));
    QCOMPARE(module.deviceClass(), 29);
}

QTEST_GUILESS_MAIN(TestRegisterAccess)
#include "tst_registeraccess.moc"
