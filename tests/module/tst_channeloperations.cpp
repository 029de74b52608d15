// Compound module operations: read-modify-write of control words, channel-mask
// switching, current units, firmware records, base-address programming,
// variable groups and the index guard.

#include "FakeVmeController.h"
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

quint32 channelBlock(int deviceClass, int channel)
{
    return deviceClass == 29 ? Base29 + 0x100 + 0x40 * channel : Base20 + 0x60 + 0x30 * channel;
}

quint32 channelControl(int deviceClass, int channel)
{
    return channelBlock(deviceClass, channel) + (deviceClass == 29 ? 0x0C : 0x02);
}

// The cycles of one read-modify-write of a control word at address.
Cycles readModifyWrite(int deviceClass, quint32 address, quint32 before, quint16 after)
{
    if (deviceClass == 29)
        return {expectRead(address, quint16(before >> 16)),
                expectRead(address + 2, quint16(before & 0xFFFF)), expectWrite(address, 0),
                expectWrite(address + 2, after)};
    return {expectRead(address, quint16(before)), expectWrite(address, after)};
}

void presetControl(FakeVmeController &fake, int deviceClass, quint32 address, quint32 value)
{
    if (deviceClass == 29)
        fake.setRegister32(address, 0, value);
    else
        fake.setWord(address, quint16(value));
}

} // namespace

Q_DECLARE_METATYPE(Cycles)

class TestChannelOperations : public QObject
{
    Q_OBJECT

private slots:
    void currentSetIsWrittenInAmperes_data();
    void currentSetIsWrittenInAmperes();
    void currentUnits_data();
    void currentUnits();
    void rampSpeedsAreNotConverted();
    void moduleControlReadModifyWrite_data();
    void moduleControlReadModifyWrite();
    void channelControlReadModifyWrite_data();
    void channelControlReadModifyWrite();
    void killEnableReadsBit14();
    void selectedChannelsOneByOne_data();
    void selectedChannelsOneByOne();
    void allChannelsRegister_data();
    void allChannelsRegister();
    void maskBitsBeyondChannelCount();
    void hexRecord_data();
    void hexRecord();
    void hexRecordBytesAreUnsigned();
    void hexRecordLongerThanBufferIsRefused();
    void programBaseAddress_data();
    void programBaseAddress();
    void verifyBaseAddress_data();
    void verifyBaseAddress();
    void flexGroupWrite_data();
    void flexGroupWrite();
    void indexGuard_data();
    void indexGuard();
};

void TestChannelOperations::currentSetIsWrittenInAmperes_data()
{
    QTest::addColumn<int>("deviceClass");
    QTest::addColumn<quint32>("address");
    QTest::newRow("layout 20") << 20 << quint32(0x4000 + 0x60 + 3 * 0x30 + 0x0C);
    QTest::newRow("layout 29") << 29 << quint32(0x8000 + 0x100 + 3 * 0x40 + 0x14);
}

void TestChannelOperations::currentSetIsWrittenInAmperes()
{
    QFETCH(int, deviceClass);
    QFETCH(quint32, address);

    FakeVmeController fake;
    VmeModule module(&fake, baseOf(deviceClass));
    identify(fake, module, deviceClass);

    module.SetChannelCurrentSet(3, 1.5f); // mA
    const quint32 bits = floatBits(0.0015f);
    const Cycles expected {expectWrite(address, quint16(bits >> 16)),
                           expectWrite(address + 2, quint16(bits & 0xFFFF))};
    QVERIFY2(fake.cycles() == expected, qPrintable(cyclesText(fake.cycles())));
    QCOMPARE(fake.registerFloat(address, 0), 0.0015f);
}

void TestChannelOperations::currentUnits_data()
{
    QTest::addColumn<int>("unitIndex");
    QTest::addColumn<float>("user");
    QTest::addColumn<QString>("unit");

    QTest::newRow("nA") << 0 << 2500.0f << QStringLiteral("nA");
    QTest::newRow("uA") << 1 << 2.5f << QStringLiteral("uA");
    QTest::newRow("mA") << 2 << 0.0025f << QStringLiteral("mA");
    QTest::newRow("A") << 3 << 2.5e-6f << QStringLiteral("A");
    QTest::newRow("other: A") << 7 << 2.5e-6f << QStringLiteral("A");
}

void TestChannelOperations::currentUnits()
{
    QFETCH(int, unitIndex);
    QFETCH(float, user);
    QFETCH(QString, unit);

    FakeVmeController fake;
    TestVmeModule module(&fake, Base20);
    module.setCurrentUnitIndex(unitIndex);
    identify(fake, module, 20);
    fake.setRegisterFloat(Base20, 0x60 + 0x14, 2.5e-6f); // channel 0 current measure

    QCOMPARE(module.GetChannelCurrentMeasure(0), user);
    QCOMPARE(module.currentUnit(5), unit);
    QCOMPARE(module.siCurrentToUserCurrent(2.5e-6f), user);

    // The way back gives amperes again.
    module.SetChannelCurrentSet(0, user);
    QCOMPARE(fake.registerFloat(Base20, 0x60 + 0x0C), 2.5e-6f);
    QCOMPARE(module.userCurrentToSiCurrent(user), 2.5e-6f);
}

void TestChannelOperations::rampSpeedsAreNotConverted()
{
    FakeVmeController fake;
    VmeModule module(&fake, Base20);
    identify(fake, module, 20);

    module.SetModuleCurrentRampSpeed(1.5f);
    QCOMPARE(fake.registerFloat(Base20, 0x18), 1.5f);
    QCOMPARE(module.GetModuleCurrentRampSpeed(), 1.5f);
}

void TestChannelOperations::moduleControlReadModifyWrite_data()
{
    QTest::addColumn<int>("deviceClass");
    QTest::addColumn<QByteArray>("operation");
    QTest::addColumn<quint32>("before");
    QTest::addColumn<int>("after");

    QTest::newRow("20 kill on") << 20 << QByteArray("kill on") << 0x0041u << 0x4041;
    QTest::newRow("20 kill off") << 20 << QByteArray("kill off") << 0x4041u << 0x0041;
    QTest::newRow("20 kill on, already on") << 20 << QByteArray("kill on") << 0x4041u << 0x4041;
    QTest::newRow("20 doClear") << 20 << QByteArray("clear") << 0x0001u << 0x0041;
    QTest::newRow("29 kill on, high half dropped")
        << 29 << QByteArray("kill on") << 0xABCD0041u << 0x4041;
    QTest::newRow("29 kill off") << 29 << QByteArray("kill off") << 0x00004041u << 0x0041;
    QTest::newRow("29 doClear") << 29 << QByteArray("clear") << 0xFFFF8000u << 0x8040;
}

void TestChannelOperations::moduleControlReadModifyWrite()
{
    QFETCH(int, deviceClass);
    QFETCH(QByteArray, operation);
    QFETCH(quint32, before);
    QFETCH(int, after);

    FakeVmeController fake;
    VmeModule module(&fake, baseOf(deviceClass));
    identify(fake, module, deviceClass);
    const quint32 address = baseOf(deviceClass) + (deviceClass == 29 ? 0x0C : 0x02);
    presetControl(fake, deviceClass, address, before);

    if (operation == "kill on")
        module.SetModuleKillEnable(true);
    else if (operation == "kill off")
        module.SetModuleKillEnable(false);
    else
        module.doClear();

    const Cycles expected = readModifyWrite(deviceClass, address, before, quint16(after));
    QVERIFY2(fake.cycles() == expected, qPrintable(cyclesText(fake.cycles())));
}

void TestChannelOperations::channelControlReadModifyWrite_data()
{
    QTest::addColumn<int>("deviceClass");
    QTest::addColumn<QByteArray>("operation");
    QTest::addColumn<quint32>("before");
    QTest::addColumn<int>("after");

    QTest::newRow("20 on") << 20 << QByteArray("on") << 0x0C00u << 0x0C08;
    QTest::newRow("20 off") << 20 << QByteArray("off") << 0x0C28u << 0x0C20;
    QTest::newRow("20 emergency") << 20 << QByteArray("emergency") << 0x0008u << 0x0028;
    QTest::newRow("20 clear emergency") << 20 << QByteArray("clear emergency") << 0xFFFFu << 0xFFDF;
    QTest::newRow("29 on") << 29 << QByteArray("on") << 0xFFFF0020u << 0x0028;
    QTest::newRow("29 off") << 29 << QByteArray("off") << 0x00010808u << 0x0800;
    QTest::newRow("29 emergency") << 29 << QByteArray("emergency") << 0x80000000u << 0x0020;
    QTest::newRow("29 clear emergency")
        << 29 << QByteArray("clear emergency") << 0x0000FFFFu << 0xFFDF;
}

void TestChannelOperations::channelControlReadModifyWrite()
{
    QFETCH(int, deviceClass);
    QFETCH(QByteArray, operation);
    QFETCH(quint32, before);
    QFETCH(int, after);

    FakeVmeController fake;
    VmeModule module(&fake, baseOf(deviceClass));
    identify(fake, module, deviceClass);
    const quint32 address = channelControl(deviceClass, 2);
    presetControl(fake, deviceClass, address, before);

    if (operation == "on")
        module.SetChannelOn(2);
    else if (operation == "off")
        module.SetChannelOff(2);
    else if (operation == "emergency")
        module.SetChannelEmergencyOff(2);
    else
        module.ClearChannelEmergencyOff(2);

    const Cycles expected = readModifyWrite(deviceClass, address, before, quint16(after));
    QVERIFY2(fake.cycles() == expected, qPrintable(cyclesText(fake.cycles())));
}

void TestChannelOperations::killEnableReadsBit14()
{
    FakeVmeController fake;
    VmeModule module(&fake, Base29);
    identify(fake, module, 29);

    fake.setRegister32(Base29, 0x0C, 0x00004000);
    QVERIFY(module.GetModuleKillEnable());
    fake.setRegister32(Base29, 0x0C, 0xFFFFBFFF);
    QVERIFY(!module.GetModuleKillEnable());
}

void TestChannelOperations::selectedChannelsOneByOne_data()
{
    QTest::addColumn<int>("deviceClass");
    QTest::addColumn<QByteArray>("operation");
    QTest::addColumn<quint32>("before");
    QTest::addColumn<int>("after");

    for (int cls : {20, 29}) {
        QTest::addRow("%d on", cls) << cls << QByteArray("on") << 0x0020u << 0x0028;
        QTest::addRow("%d off", cls) << cls << QByteArray("off") << 0x0028u << 0x0020;
        QTest::addRow("%d emergency", cls) << cls << QByteArray("emergency") << 0x0008u << 0x0028;
        QTest::addRow("%d clear emergency", cls)
            << cls << QByteArray("clear emergency") << 0x0028u << 0x0008;
    }
}

void TestChannelOperations::selectedChannelsOneByOne()
{
    QFETCH(int, deviceClass);
    QFETCH(QByteArray, operation);
    QFETCH(quint32, before);
    QFETCH(int, after);

    FakeVmeController fake;
    VmeModule module(&fake, baseOf(deviceClass));
    identify(fake, module, deviceClass);
    for (int ch = 0; ch < 12; ++ch)
        presetControl(fake, deviceClass, channelControl(deviceClass, ch), before);

    const quint32 mask = 0x5;
    if (operation == "on")
        module.SetSelectedChannelsOn(mask);
    else if (operation == "off")
        module.SetSelectedChannelsOff(mask);
    else if (operation == "emergency")
        module.SetSelectedChannelsEmergencyOff(mask);
    else
        module.ClearSelectedChannelsEmergencyOff(mask);

    // Channel 0, then channel 2, each one read-modify-write of its own word.
    Cycles expected
        = readModifyWrite(deviceClass, channelControl(deviceClass, 0), before, quint16(after));
    expected
        += readModifyWrite(deviceClass, channelControl(deviceClass, 2), before, quint16(after));
    QVERIFY2(fake.cycles() == expected, qPrintable(cyclesText(fake.cycles())));
}

void TestChannelOperations::allChannelsRegister_data()
{
    QTest::addColumn<int>("deviceClass");
    QTest::addColumn<QByteArray>("operation");
    QTest::addColumn<int>("offset");
    QTest::addColumn<int>("value");

    QTest::newRow("20 on") << 20 << QByteArray("on") << 0x2B4 << 1;
    QTest::newRow("20 off") << 20 << QByteArray("off") << 0x2B4 << 0;
    QTest::newRow("20 emergency") << 20 << QByteArray("emergency") << 0x2B0 << 1;
    QTest::newRow("20 clear emergency") << 20 << QByteArray("clear emergency") << 0x2B0 << 0;
    QTest::newRow("29 on") << 29 << QByteArray("on") << 0xE4 << 1;
    QTest::newRow("29 off") << 29 << QByteArray("off") << 0xE4 << 0;
    QTest::newRow("29 emergency") << 29 << QByteArray("emergency") << 0xE0 << 1;
    QTest::newRow("29 clear emergency") << 29 << QByteArray("clear emergency") << 0xE0 << 0;
}

void TestChannelOperations::allChannelsRegister()
{
    QFETCH(int, deviceClass);
    QFETCH(QByteArray, operation);
    QFETCH(int, offset);
    QFETCH(int, value);

    FakeVmeController fake;
    VmeModule module(&fake, baseOf(deviceClass));
    identify(fake, module, deviceClass);

    const quint32 all = 0xFFFFFFFF;
    if (operation == "on")
        module.SetSelectedChannelsOn(all);
    else if (operation == "off")
        module.SetSelectedChannelsOff(all);
    else if (operation == "emergency")
        module.SetSelectedChannelsEmergencyOff(all);
    else
        module.ClearSelectedChannelsEmergencyOff(all);

    const quint32 address = baseOf(deviceClass) + offset;
    const Cycles expected {expectWrite(address, 0), expectWrite(address + 2, quint16(value))};
    QVERIFY2(fake.cycles() == expected, qPrintable(cyclesText(fake.cycles())));
}

void TestChannelOperations::maskBitsBeyondChannelCount()
{
    FakeVmeController fake;
    VmeModule module(&fake, Base20);
    identify(fake, module, 20, 0x00FF); // 8 channels

    module.SetSelectedChannelsOn(0x7FFFFF00);
    QVERIFY2(fake.cycles().isEmpty(), qPrintable(cyclesText(fake.cycles())));

    // Bit 31 alone is a channel mask too, not the all-channel value.
    module.SetSelectedChannelsOn(0x80000080);
    QCOMPARE(fake.cycles().size(), 2);
    QCOMPARE(fake.cycles().first().address, quint32(Base20 + 0x60 + 0x30 * 7 + 2));
}

void TestChannelOperations::hexRecord_data()
{
    QTest::addColumn<int>("deviceClass");
    QTest::addColumn<QByteArray>("record");
    QTest::addColumn<Cycles>("expected");

    // Layout 29: 32-bit words at base + 0x100 + k, padded with "0".
    const QByteArray nine("S10300FCA");
    QTest::newRow("29, 9 characters")
        << 29 << nine << Cycles {expectWrite(0x8100, 0x5331), expectWrite(0x8102, 0x3033),
                                 expectWrite(0x8104, 0x3030), expectWrite(0x8106, 0x4643),
                                 expectWrite(0x8108, 0x4130), expectWrite(0x810A, 0x3030)};
    QTest::newRow("29, multiple of 4")
        << 29 << QByteArray("S903")
        << Cycles {expectWrite(0x8100, 0x5339), expectWrite(0x8102, 0x3033)};

    // Layout 20: 16-bit words at base + 0x60 + k, last byte 0, then command 2.
    QTest::newRow("20, 9 characters")
        << 20 << nine << Cycles {expectWrite(0x4060, 0x5331), expectWrite(0x4062, 0x3033),
                                 expectWrite(0x4064, 0x3030), expectWrite(0x4066, 0x4643),
                                 expectWrite(0x4068, 0x4100), expectWrite(0x43B2, 2)};
    QTest::newRow("20, even length")
        << 20 << QByteArray("S9") << Cycles {expectWrite(0x4060, 0x5339), expectWrite(0x43B2, 2)};
}

void TestChannelOperations::hexRecord()
{
    QFETCH(int, deviceClass);
    QFETCH(QByteArray, record);
    QFETCH(Cycles, expected);

    FakeVmeController fake;
    VmeModule module(&fake, baseOf(deviceClass));
    identify(fake, module, deviceClass);

    module.SendHexLine(record);
    QVERIFY2(fake.cycles() == expected, qPrintable(cyclesText(fake.cycles())));
}

void TestChannelOperations::hexRecordBytesAreUnsigned()
{
    FakeVmeController fake;
    VmeModule module(&fake, Base29);
    identify(fake, module, 29);

    module.SendHexLine(QByteArray("\xC3\x80\xFF\x41"));
    const Cycles expected {expectWrite(0x8100, 0xC380), expectWrite(0x8102, 0xFF41)};
    QVERIFY2(fake.cycles() == expected, qPrintable(cyclesText(fake.cycles())));
}

void TestChannelOperations::hexRecordLongerThanBufferIsRefused()
{
    FakeVmeController fake;
    VmeModule module(&fake, Base20);
    identify(fake, module, 20);

    // The longest S-record (255 data bytes) fits the layout-20 buffer.
    const QByteArray longest = "S3FF" + QByteArray(510, 'A');
    module.SendHexLine(longest);
    QCOMPARE(fake.cycles().size(), 514 / 2 + 1);
    QCOMPARE(fake.cycles().last(), expectWrite(0x43B2, 2));

    // A longer one would run into the all-channel registers at 0x2A0.
    fake.clearLog();
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("SendHexLine: record of 577 bytes"));
    module.SendHexLine(QByteArray(577, 'S'));
    QVERIFY2(fake.cycles().isEmpty(), qPrintable(cyclesText(fake.cycles())));

    // Exactly the buffer (12 blocks of 0x30 bytes) still goes out.
    module.SendHexLine(QByteArray(576, 'S'));
    QCOMPARE(fake.cycles().size(), 288 + 1);
    QCOMPARE(fake.cycles().at(287).address, quint32(0x4060 + 574));
}

void TestChannelOperations::programBaseAddress_data()
{
    QTest::addColumn<int>("deviceClass");
    QTest::addColumn<int>("address");
    QTest::addColumn<Cycles>("expected");

    QTest::newRow("20") << 20 << 0x8400
                        << Cycles {expectWrite(0x43A0, 0x8400), expectWrite(0x43A2, 0x7BFF)};
    QTest::newRow("29") << 29 << 0x0800
                        << Cycles {expectWrite(0x80A0, 0x0800), expectWrite(0x80A2, 0xF7FF)};
}

void TestChannelOperations::programBaseAddress()
{
    QFETCH(int, deviceClass);
    QFETCH(int, address);
    QFETCH(Cycles, expected);

    FakeVmeController fake;
    VmeModule module(&fake, baseOf(deviceClass));
    identify(fake, module, deviceClass);

    module.ProgramModuleBaseAddress(quint16(address));
    QVERIFY2(fake.cycles() == expected, qPrintable(cyclesText(fake.cycles())));
    // The module object keeps its old address until told otherwise.
    QCOMPARE(module.GetModuleBaseAddress(), baseOf(deviceClass));
}

void TestChannelOperations::verifyBaseAddress_data()
{
    QTest::addColumn<int>("deviceClass");
    QTest::addColumn<int>("readBack");
    QTest::addColumn<int>("written");
    QTest::addColumn<int>("result");

    QTest::newRow("20 equal") << 20 << 0x8400 << 0x8400 << 0x8400;
    QTest::newRow("20 differ") << 20 << 0x4000 << 0x8400 << 0xFFFF;
    QTest::newRow("29 equal") << 29 << 0x0800 << 0x0800 << 0x0800;
    QTest::newRow("29 differ") << 29 << 0x0800 << 0x0C00 << 0xFFFF;
}

void TestChannelOperations::verifyBaseAddress()
{
    QFETCH(int, deviceClass);
    QFETCH(int, readBack);
    QFETCH(int, written);
    QFETCH(int, result);

    FakeVmeController fake;
    VmeModule module(&fake, baseOf(deviceClass));
    identify(fake, module, deviceClass);
    const quint32 base = baseOf(deviceClass);
    const quint32 readBackAddress = base + (deviceClass == 29 ? 0xA8 : 0x3A6);
    const quint32 writtenAddress = base + (deviceClass == 29 ? 0xA0 : 0x3A0);
    fake.setWord(readBackAddress, quint16(readBack));
    fake.setWord(writtenAddress, quint16(written));

    QCOMPARE(module.VerifyModuleBaseAddress(), quint16(result));
    const Cycles expected {expectRead(readBackAddress, quint16(readBack)),
                           expectRead(writtenAddress, quint16(written))};
    QVERIFY2(fake.cycles() == expected, qPrintable(cyclesText(fake.cycles())));
}

void TestChannelOperations::flexGroupWrite_data()
{
    QTest::addColumn<int>("deviceClass");
    QTest::addColumn<int>("group");
    QTest::addColumn<Cycles>("expected");

    QTest::newRow("20 group 31") << 20 << 31
                                 << Cycles {expectWrite(0x433C, 0x0F0F),
                                            expectWrite(0x433E, 0x0002)};
    QTest::newRow("29 group 5") << 29 << 5
                                << Cycles {expectWrite(0x8728, 0x00F0), expectWrite(0x872A, 0x0F0F),
                                           expectWrite(0x872C, 0x0000),
                                           expectWrite(0x872E, 0x0002)};
}

void TestChannelOperations::flexGroupWrite()
{
    QFETCH(int, deviceClass);
    QFETCH(int, group);
    QFETCH(Cycles, expected);

    FakeVmeController fake;
    VmeModule module(&fake, baseOf(deviceClass));
    identify(fake, module, deviceClass);

    module.SetModuleFlexGroup(group, 0x00F00F0F, 2);
    QVERIFY2(fake.cycles() == expected, qPrintable(cyclesText(fake.cycles())));
}

void TestChannelOperations::indexGuard_data()
{
    QTest::addColumn<int>("deviceClass");
    QTest::addColumn<int>("channel");
    QTest::addColumn<int>("group");

    for (int ch = 12; ch < 16; ++ch)
        QTest::addRow("20 mask 0xFFFF channel %d", ch) << 20 << ch << 0;
    QTest::newRow("20 channel -1") << 20 << -1 << 0;
    QTest::newRow("20 channel 64") << 20 << 64 << 0;
    QTest::newRow("20 group 32") << 20 << 0 << 32;
    QTest::newRow("20 group -1") << 20 << 0 << -1;
    QTest::newRow("29 channel 24") << 29 << 24 << 0;
    QTest::newRow("29 channel -1") << 29 << -1 << 0;
    QTest::newRow("29 group 32") << 29 << 0 << 32;
}

void TestChannelOperations::indexGuard()
{
    QFETCH(int, deviceClass);
    QFETCH(int, channel);
    QFETCH(int, group);

    FakeVmeController fake;
    TestVmeModule module(&fake, baseOf(deviceClass));
    // Layout 29 reads its count from the word; make it claim more than 24.
    fake.setIdentity(baseOf(deviceClass), Norv, deviceClass == 29 ? 40 : 0xFFFF,
                     quint16(deviceClass));
    module.GetModuleDeviceClass();
    fake.clearLog();

    const bool badChannel = channel != 0;
    if (badChannel) {
        QCOMPARE(module.GetChannelStatus(channel), 0u);
        QCOMPARE(module.GetChannelControl(channel), 0u);
        QCOMPARE(module.GetChannelVoltageSet(channel), 0.0f);
        QCOMPARE(module.GetChannelCurrentMeasure(channel), 0.0f);
        QCOMPARE(module.GetChannelVoltageHardwareNominal(channel), 0.0f);
        QCOMPARE(module.GetChannelCurrentHardwareNominal(channel), 0.0f);
        module.SetChannelVoltageSet(channel, 100.0f);
        module.SetChannelCurrentSet(channel, 1.0f);
        module.SetChannelControl(channel, 8);
        module.ClearChannelEventStatus(channel);
        module.SetChannelOn(channel);
        module.SetChannelOff(channel);
        module.SetChannelEmergencyOff(channel);
        module.ClearChannelEmergencyOff(channel);
    } else {
        QCOMPARE(module.GetModuleFlexGroupMemberList(group), 0u);
        QCOMPARE(module.GetModuleFlexGroupType(group), 0u);
        module.SetModuleFlexGroup(group, 1, 1);
    }
    QVERIFY2(fake.cycles().isEmpty(), qPrintable(cyclesText(fake.cycles())));
}

QTEST_GUILESS_MAIN(TestChannelOperations)
#include "tst_channeloperations.moc"
