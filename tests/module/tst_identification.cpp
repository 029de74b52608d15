// Identification of a module: the vendor id and its cache, device class,
// channel count and offset tables, and how every operation behaves before
// identification, for a class without a register layout and without a bus.

#include "FakeVmeController.h"
#include "SlotInvoker.h"
#include "TestVmeModule.h"

#include <QtTest>

using namespace ModuleTest;
using Cycles = QVector<FakeVmeController::Cycle>;

namespace {

int vendorIdReads(const FakeVmeController &fake, quint32 base)
{
    int n = 0;
    for (const auto &c : fake.cycles()) {
        if (c.kind == FakeVmeController::Cycle::Read && c.address == base + 0x5C)
            ++n;
    }
    return n;
}

} // namespace

class TestIdentification : public QObject
{
    Q_OBJECT

private slots:
    void freshModuleIsUnidentified();
    void identificationCycles();
    void layout20ChannelCount_data();
    void layout20ChannelCount();
    void layout29ChannelCountFromWord();
    void wrongVendorIdIsAbsent_data();
    void wrongVendorIdIsAbsent();
    void vendorIdDroppedBySpecialCommand_data();
    void vendorIdDroppedBySpecialCommand();
    void vendorIdDroppedByNewBaseAddress();
    void connectedStaysTrueWhenModuleFallsSilent();
    void firstCallIdentifiesAndReturnsZero();
    void classWithoutLayout();
    void layoutChangeLeavesNoStaleOffsets();
    void identificationOverwritesTypeCode();
    void nullController();
    void missingDevice();
};

void TestIdentification::freshModuleIsUnidentified()
{
    FakeVmeController fake;
    presetModule(fake, 20);
    VmeModule module(&fake, Base20);

    QCOMPARE(module.GetModuleChannelNumber(), -1);
    QCOMPARE(module.deviceClass(), 0);
    QVERIFY(module.firmwareName().isEmpty());
    QVERIFY2(fake.cycles().isEmpty(), "construction and the plain getters make no bus access");

    QCOMPARE(module.GetModuleDeviceClass(), 20);
    QCOMPARE(module.GetModuleChannelNumber(), 12);
    QCOMPARE(module.firmwareName(), QStringLiteral("DC20"));
}

void TestIdentification::identificationCycles()
{
    FakeVmeController fake;
    VmeModule module(&fake, Base29);
    fake.setIdentity(Base29, Norv, 24, 29);

    QVERIFY(module.connected());
    const Cycles first {expectRead(0x805C, 0x6E6F), expectRead(0x805E, 0x7276),
                        expectRead(0x803C, 24), expectRead(0x803E, 29)};
    QVERIFY2(fake.cycles() == first, qPrintable(cyclesText(fake.cycles())));

    // Once "norv" is cached only the identity word is read again.
    fake.clearLog();
    QVERIFY(module.connected());
    const Cycles again {expectRead(0x803C, 24), expectRead(0x803E, 29)};
    QVERIFY2(fake.cycles() == again, qPrintable(cyclesText(fake.cycles())));
}

void TestIdentification::layout20ChannelCount_data()
{
    QTest::addColumn<int>("mask");
    QTest::addColumn<int>("count");

    QTest::newRow("0x0FFF") << 0x0FFF << 12;
    QTest::newRow("0x00FF") << 0x00FF << 8;
    QTest::newRow("0x0F0F") << 0x0F0F << 8;
    QTest::newRow("0xFFFF") << 0xFFFF << 16;
    QTest::newRow("none") << 0x0000 << 0;
}

void TestIdentification::layout20ChannelCount()
{
    QFETCH(int, mask);
    QFETCH(int, count);

    FakeVmeController fake;
    VmeModule module(&fake, Base20);
    identify(fake, module, 20, quint16(mask));
    QCOMPARE(module.GetModuleChannelNumber(), count);

    // The block offsets do not depend on the mask: channel n stays at 0x60 + 0x30 n.
    if (count >= 8) {
        module.GetChannelStatus(7);
        const Cycles expected {expectRead(Base20 + 0x60 + 0x30 * 7, 0)};
        QVERIFY2(fake.cycles() == expected, qPrintable(cyclesText(fake.cycles())));
    }
}

void TestIdentification::layout29ChannelCountFromWord()
{
    FakeVmeController fake;
    VmeModule module(&fake, Base29);
    fake.setIdentity(Base29, Norv, 24, 29);
    fake.setRegister32(Base29, 0x38, 0x000000FF); // placed mask says 8: not used

    QCOMPARE(module.GetModuleDeviceClass(), 29);
    QCOMPARE(module.GetModuleChannelNumber(), 24);
    QCOMPARE(module.firmwareName(), QStringLiteral("DC29"));

    // Channel 23 is reachable, at 0x100 + 0x40 * 23.
    fake.clearLog();
    module.GetChannelStatus(23);
    QCOMPARE(fake.cycles().size(), 2);
    QCOMPARE(fake.cycles().first().address, quint32(Base29 + 0x100 + 0x40 * 23));
}

void TestIdentification::wrongVendorIdIsAbsent_data()
{
    QTest::addColumn<quint32>("vendorId");
    QTest::addColumn<int>("deviceClass");

    QTest::newRow("class 20") << 0x6E6F7277u << 20;
    QTest::newRow("class 29") << 0x726F766Eu << 29;
    QTest::newRow("class 33") << 0u << 33;
}

void TestIdentification::wrongVendorIdIsAbsent()
{
    QFETCH(quint32, vendorId);
    QFETCH(int, deviceClass);

    FakeVmeController fake;
    VmeModule module(&fake, Base20);
    fake.setIdentity(Base20, vendorId, 0x0FFF, quint16(deviceClass));

    QVERIFY(!module.connected());
    QCOMPARE(module.GetModuleDeviceClass(), deviceClass);
    QVERIFY(!module.connected());
    // A value other than "norv" is never cached: every identification reads it.
    QCOMPARE(vendorIdReads(fake, Base20), 3);

    // The module appears once its vendor id reads right.
    fake.setRegister32(Base20, 0x5C, Norv);
    QVERIFY(module.connected());
}

void TestIdentification::vendorIdDroppedBySpecialCommand_data()
{
    QTest::addColumn<int>("deviceClass");
    QTest::addColumn<quint32>("command");
    QTest::addColumn<bool>("dropped");

    QTest::newRow("20 cmd 7") << 20 << 7u << true;
    QTest::newRow("20 cmd 9") << 20 << 9u << true;
    QTest::newRow("29 cmd 7") << 29 << 7u << true;
    QTest::newRow("29 cmd 9") << 29 << 9u << true;
    QTest::newRow("20 cmd 2") << 20 << 2u << false;
    QTest::newRow("29 cmd 8") << 29 << 8u << false;
}

void TestIdentification::vendorIdDroppedBySpecialCommand()
{
    QFETCH(int, deviceClass);
    QFETCH(quint32, command);
    QFETCH(bool, dropped);

    FakeVmeController fake;
    VmeModule module(&fake, baseOf(deviceClass));
    identify(fake, module, deviceClass);

    module.SetModuleSpecialControlCommand(command);
    fake.clearLog();
    QVERIFY(module.connected());
    QCOMPARE(vendorIdReads(fake, baseOf(deviceClass)), dropped ? 1 : 0);

    // Read once after dropping, then cached again.
    fake.clearLog();
    QVERIFY(module.connected());
    QCOMPARE(vendorIdReads(fake, baseOf(deviceClass)), 0);
}

void TestIdentification::vendorIdDroppedByNewBaseAddress()
{
    FakeVmeController fake;
    VmeModule module(&fake, Base20);
    identify(fake, module, 20);

    module.SetModuleBaseAddress(0x4400);
    QVERIFY2(fake.cycles().isEmpty(), "storing a base address makes no bus access");
    QCOMPARE(module.GetModuleBaseAddress(), quint16(0x4400));
    QCOMPARE(module.GetModuleAddress(), QStringLiteral("VME BA 0x4400"));

    // Nothing answers at the new address yet: the module is absent there.
    QVERIFY(!module.connected());
    QCOMPARE(vendorIdReads(fake, 0x4400), 1);

    fake.setIdentity(0x4400, Norv, 0x0FFF, 20);
    fake.clearLog();
    QVERIFY(module.connected());
    QCOMPARE(vendorIdReads(fake, 0x4400), 1);
}

void TestIdentification::connectedStaysTrueWhenModuleFallsSilent()
{
    FakeVmeController fake;
    VmeModule module(&fake, Base20);
    identify(fake, module, 20);
    fake.setRegisterFloat(Base20, 0x68, 100.0f);

    fake.setNoDevice(true);
    QVERIFY2(module.connected(), "a cached vendor id keeps the module present");
    QCOMPARE(module.GetModuleDeviceClass(), 0);

    // Device class 0 sends the next operation back to identification.
    fake.setNoDevice(false);
    fake.clearLog();
    QCOMPARE(module.GetChannelVoltageSet(0), 0.0f);
    const Cycles identifyOnly {expectRead(0x403C, 0x0FFF), expectRead(0x403E, 20)};
    QVERIFY2(fake.cycles() == identifyOnly, qPrintable(cyclesText(fake.cycles())));
    QCOMPARE(module.GetChannelVoltageSet(0), 100.0f);
}

void TestIdentification::firstCallIdentifiesAndReturnsZero()
{
    FakeVmeController fake;
    presetModule(fake, 29);
    fake.setRegisterFloat(Base29, 0x110, 500.0f);
    VmeModule module(&fake, Base29);

    QCOMPARE(module.GetChannelVoltageSet(0), 0.0f);
    QCOMPARE(module.deviceClass(), 29);
    QCOMPARE(module.GetModuleChannelNumber(), 24);
    QCOMPARE(fake.cycles().size(), 4); // vendor id and identity, nothing else

    QCOMPARE(module.GetChannelVoltageSet(0), 500.0f);

    // Setters on a fresh module identify and write nothing.
    FakeVmeController fake2;
    presetModule(fake2, 20);
    VmeModule fresh(&fake2, Base20);
    fresh.SetChannelOn(0);
    QVERIFY(fake2.writes().isEmpty());
    QCOMPARE(fresh.deviceClass(), 20);

    VmeModule fresh2(&fake2, Base20);
    fresh2.SetSelectedChannelsOn(0xFFFFFFFF);
    QVERIFY(fake2.writes().isEmpty());
    QCOMPARE(fresh2.deviceClass(), 20);
}

void TestIdentification::classWithoutLayout()
{
    FakeVmeController fake;
    VmeModule module(&fake, 0xC000);
    fake.setIdentity(0xC000, Norv, 0x0FFF, 33);
    // Words where a layout-20 module would have them must not be read.
    fake.setRegister32(0xC000, 0x34, 4713);
    fake.setRegister32(0xC000, 0x38, 0x01020304);

    QCOMPARE(module.GetModuleDeviceClass(), 33);
    QVERIFY(module.connected());
    QVERIFY(module.firmwareName().isEmpty());
    QCOMPARE(module.GetModuleChannelNumber(), -1);

    fake.clearLog();
    QCOMPARE(module.GetModuleSerialNumber(), 0);
    QCOMPARE(module.GetModuleFirmwareRelease(), QStringLiteral("00.00"));
    QCOMPARE(module.GetModuleTemperature(), 0.0f);
    QCOMPARE(module.GetModuleStatus(), 0u);
    QCOMPARE(module.GetChannelVoltageSet(0), 0.0f);
    QCOMPARE(module.GetModuleFlexGroupType(0), 0u);
    QCOMPARE(module.GetModuleKillEnable(), false);
    QCOMPARE(module.VerifyModuleBaseAddress(), quint16(0xFFFF));

    module.SetChannelVoltageSet(0, 10.0f);
    module.SetChannelOn(0);
    module.SetSelectedChannelsOn(0x3);
    module.SetSelectedChannelsOff(0xFFFFFFFF);
    module.SetModuleKillEnable(true);
    module.doClear();
    module.SetModuleSpecialControlCommand(9);
    module.SendHexLine("S00600004844521B");
    module.ProgramModuleBaseAddress(0x4000);
    module.SetModuleFlexGroup(0, 1, 1);
    QVERIFY2(fake.writes().isEmpty(), qPrintable(cyclesText(fake.writes())));

    // Every operation identified again (so the module is picked up if its
    // class changes) and read nothing but the identity word.
    for (const auto &c : fake.cycles())
        QVERIFY2(c.address == 0xC03C || c.address == 0xC03E, qPrintable(cycleText(c)));

    module.setFirmwareName(module.GetModuleDeviceClass());
    QCOMPARE(module.firmwareName(), QStringLiteral("Device Class 33"));
}

void TestIdentification::layoutChangeLeavesNoStaleOffsets()
{
    // A layout-29 module is replaced by a layout-20 module with all 16 mask
    // bits set: channels 12..15 have no layout-20 block and must stay unused.
    FakeVmeController fake;
    VmeModule module(&fake, Base20);
    fake.setIdentity(Base20, Norv, 24, 29);
    QCOMPARE(module.GetModuleDeviceClass(), 29);
    fake.setIdentity(Base20, Norv, 0xFFFF, 20);
    QCOMPARE(module.GetModuleDeviceClass(), 20);
    QCOMPARE(module.GetModuleChannelNumber(), 16);

    fake.clearLog();
    for (int ch = 12; ch < 16; ++ch) {
        module.GetChannelStatus(ch);
        module.SetChannelVoltageSet(ch, 1.0f);
        module.GetChannelVoltageHardwareNominal(ch);
    }
    QVERIFY2(fake.cycles().isEmpty(), qPrintable(cyclesText(fake.cycles())));

    module.GetChannelStatus(11);
    const Cycles expected {expectRead(Base20 + 0x60 + 0x30 * 11, 0)};
    QVERIFY2(fake.cycles() == expected, qPrintable(cyclesText(fake.cycles())));
}

void TestIdentification::identificationOverwritesTypeCode()
{
    FakeVmeController fake;
    VmeModule module(&fake, Base20);
    module.setFirmwareName(33);
    QCOMPARE(module.firmwareName(), QStringLiteral("Device Class 33"));

    presetModule(fake, 20);
    module.GetModuleDeviceClass();
    QCOMPARE(module.firmwareName(), QStringLiteral("DC20"));

    // A name already set is kept by setFirmwareName.
    module.setFirmwareName(29);
    QCOMPARE(module.firmwareName(), QStringLiteral("DC20"));
}

void TestIdentification::nullController()
{
    VmeModule module(nullptr, Base20);

    QCOMPARE(module.GetModuleDeviceClass(), 0);
    QVERIFY(!module.connected());
    QCOMPARE(module.GetModuleChannelNumber(), -1);
    QCOMPARE(module.GetModuleSerialNumber(), 0);
    QCOMPARE(module.GetChannelVoltageSet(0), 0.0f);
    QCOMPARE(module.GetModuleFirmwareRelease(), QStringLiteral("00.00"));
    QCOMPARE(module.VerifyModuleBaseAddress(), quint16(0xFFFF));
    QCOMPARE(module.GetModuleAddress(), QStringLiteral("VME BA 0x4000"));
    // Setters have nothing to write to and must simply return.
    module.SetChannelOn(0);
    module.SetSelectedChannelsOff(0x5);
    module.SendHexLine("S1");
    QCOMPARE(module.deviceClass(), 0);
}

void TestIdentification::missingDevice()
{
    FakeVmeController fake;
    presetModule(fake, 20);
    fake.setNoDevice(true);
    VmeModule module(&fake, Base20);

    QVERIFY(!module.connected());
    QCOMPARE(module.GetModuleDeviceClass(), 0);
    module.SetChannelOn(0);
    QVERIFY(fake.writes().isEmpty());

    // The module is picked up as soon as it answers.
    fake.setNoDevice(false);
    QVERIFY(module.connected());
    QCOMPARE(module.deviceClass(), 20);
}

QTEST_GUILESS_MAIN(TestIdentification)
#include "tst_identification.moc"
