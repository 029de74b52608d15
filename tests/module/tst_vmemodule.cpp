// VmeModule on the bus: the exact cycles of its operations in both register layouts,
// identification and the vendor-id cache, the index guard, and modules that do nothing.

#include "TestVmeModule.h"

#include <QtTest>

#include <functional>

using namespace ModuleTest;
using Operation = std::function<QVariant(VmeModule &, FakeVmeController &)>;
Q_DECLARE_METATYPE(Operation)

// An operation on an identified module; it may preset registers first and returns
// what the module returned (nothing for a setter).
#define OP(...)                                                                                    \
    Operation(                                                                                     \
        []([[maybe_unused]] VmeModule &m, [[maybe_unused]] FakeVmeController &f) -> QVariant {     \
            __VA_ARGS__;                                                                           \
            return {};                                                                             \
        })

class TstVmeModule : public QObject
{
    Q_OBJECT

private slots:
    void busTraffic_data()
    {
        QTest::addColumn<int>("deviceClass");
        QTest::addColumn<quint16>("base");
        QTest::addColumn<Operation>("operation");
        QTest::addColumn<QStringList>("log");
        QTest::addColumn<QVariant>("result");

        auto row = [](const char *name, int cls, const Operation &op, const QStringList &log,
                      const QVariant &result = {}, quint16 base = 0) {
            QTest::newRow(name) << cls << (base ? base : baseOf(cls)) << op << log << result;
        };

        // Word order and floats. Currents in the display unit: currentsInDisplayUnit.
        row("float 1.0 high word first", 20, OP(m.SetChannelVoltageSet(0, 1.0f)),
            {"W 4068 3f80", "W 406a 0000"});
        row("32-bit read high word first", 20,
            OP(f.setRegister32(0x4034, 0x12345678); return m.GetModuleSerialNumber()),
            {"R 4034 1234", "R 4036 5678"}, 0x12345678);
        row("current ramp speed not converted", 20, OP(m.SetModuleCurrentRampSpeed(1.5f)),
            {"W 4018 3fc0", "W 401a 0000"});
        row("address above 0xFFFF not masked", 29,
            OP(f.setRegisterFloat(0x103B8, 6000.0f); return m.GetChannelVoltageHardwareNominal(23)),
            {"R 103b8 45bb", "R 103ba 8000"}, 6000.0f, 0xFC00);
        row("29 has no interlock out", 29,
            OP(f.setRegister32(0x8040, 0x12345678); m.SetModuleIlkOutControl(1);
               return m.GetModuleIlkOutStatus()),
            {}, 0u);
        row("clear writes ones", 29, OP(m.ClearModuleEventGroupStatus()),
            {"W 8018 ffff", "W 801a ffff"});
        row("29 firmware release", 29,
            OP(f.setRegister32(0x8034, 0x0A00FF07); return m.GetModuleFirmwareRelease()),
            {"R 8034 0a00", "R 8036 ff07"}, "100.2557");

        // Layout 20 counts the placed-channels mask, but channel n stays at 0x60 + 0x30 n;
        // layout 29 takes the count from the identity word, not its placed mask.
        row("20 mask 0x0F0F", 20,
            OP(f.setIdentity(0x4000, Norv, 0x0F0F, 20); m.GetModuleDeviceClass(); f.clearLog();
               m.GetChannelStatus(7); return m.GetModuleChannelNumber()),
            {"R 41b0 0000"}, 8);
        row("29 channel count", 29,
            OP(f.setRegister32(0x8038, 0xFF); m.GetModuleDeviceClass(); f.clearLog();
               m.GetChannelStatus(23); return m.GetModuleChannelNumber()),
            {"R 86c0 0000", "R 86c2 0000"}, 24);

        // Read-modify-writes of control words; layout 29 writes bits 16-31 as 0.
        row("20 kill enable on and off", 20,
            OP(f.setWord(0x4002, 0x0041); m.SetModuleKillEnable(true);
               m.SetModuleKillEnable(false)),
            {"R 4002 0041", "W 4002 4041", "R 4002 4041", "W 4002 0041"});
        row("29 kill enable on", 29,
            OP(f.setRegister32(0x800C, 0xABCD0041); m.SetModuleKillEnable(true)),
            {"R 800c abcd", "R 800e 0041", "W 800c 0000", "W 800e 4041"});
        row("29 kill enable is bit 14", 29,
            OP(f.setRegister32(0x800C, 0xFFFFBFFF); const bool off = m.GetModuleKillEnable();
               f.setRegister32(0x800C, 0x00004000);
               return QVariantList({off, m.GetModuleKillEnable()})),
            {"R 800c ffff", "R 800e bfff", "R 800c 0000", "R 800e 4000"},
            QVariantList({false, true}));
        row("29 doClear", 29, OP(f.setRegister32(0x800C, 0xFFFF8000); m.doClear()),
            {"R 800c ffff", "R 800e 8000", "W 800c 0000", "W 800e 8040"});

        // Channel masks: one read-modify-write per selected channel, or the all-channel
        // register for 0xFFFFFFFF (on and off there: the window's system commands).
        row("20 selected off 0x5", 20,
            OP(f.setWord(0x4062, 0x0C28); f.setWord(0x40C2, 0x0028); m.SetSelectedChannelsOff(0x5)),
            {"R 4062 0c28", "W 4062 0c20", "R 40c2 0028", "W 40c2 0020"});
        row("29 selected emergency off 0x5", 29,
            OP(f.setRegister32(0x810C, 0x00010008); f.setRegister32(0x818C, 0x00010008);
               m.SetSelectedChannelsEmergencyOff(0x5)),
            {"R 810c 0001", "R 810e 0008", "W 810c 0000", "W 810e 0028", "R 818c 0001",
             "R 818e 0008", "W 818c 0000", "W 818e 0028"});
        row("20 clear selected emergency off 0x1", 20,
            OP(f.setWord(0x4062, 0x0028); m.ClearSelectedChannelsEmergencyOff(0x1)),
            {"R 4062 0028", "W 4062 0008"});
        row("20 mask 0x00FF: bit 31 and bits past the count ignored", 20,
            OP(f.setIdentity(0x4000, Norv, 0x00FF, 20); m.GetModuleDeviceClass(); f.clearLog();
               m.SetSelectedChannelsOn(0xFFFFFF80); return m.GetModuleChannelNumber()),
            {"R 41b2 0000", "W 41b2 0008"}, 8);
        row("20 all emergency off", 20, OP(m.SetSelectedChannelsEmergencyOff(0xFFFFFFFF)),
            {"W 42b0 0000", "W 42b2 0001"});

        // Firmware records, a base address that does not read back, variable groups.
        // Programming a base address runs against the simulated module in tests/integration.
        row("29 hex record, 9 characters", 29, OP(m.SendHexLine("S10300FCA")),
            {"W 8100 5331", "W 8102 3033", "W 8104 3030", "W 8106 4643", "W 8108 4130",
             "W 810a 3030"});
        row("20 hex record, 9 characters, unsigned bytes", 20, OP(m.SendHexLine("S10300F\xC3\x41")),
            {"W 4060 5331", "W 4062 3033", "W 4064 3030", "W 4066 46c3", "W 4068 4100",
             "W 43b2 0002"});
        row("29 verify base address differs", 29,
            OP(f.setWord(0x80A8, 0x0800); f.setWord(0x80A0, 0x0C00);
               return m.VerifyModuleBaseAddress()),
            {"R 80a8 0800", "R 80a0 0c00"}, QVariant::fromValue(quint16(0xFFFF)));
        row("20 flex group 31", 20, OP(m.SetModuleFlexGroup(31, 0x00F00F0F, 2)),
            {"W 433c 0f0f", "W 433e 0002"});
        row("29 flex group 5", 29, OP(m.SetModuleFlexGroup(5, 0x00F00F0F, 2)),
            {"W 8728 00f0", "W 872a 0f0f", "W 872c 0000", "W 872e 0002"});

        // Identification: construction makes no cycle; the first operation identifies
        // and answers 0, and a setter on a fresh module writes nothing.
        const QStringList identity29 {"R 805c 6e6f", "R 805e 7276", "R 803c 0018", "R 803e 001d"};
        row("first operation identifies", 29,
            OP(VmeModule fresh(&f, Base29); f.setRegisterFloat(0x8110, 500.0f);
               return QVariantList({fresh.GetModuleChannelNumber(), fresh.GetChannelVoltageSet(0),
                                    fresh.GetModuleChannelNumber(), fresh.firmwareName()})),
            identity29, QVariantList({-1, 0.0f, 24, "DC29"}));
        row("fresh setter writes nothing", 29,
            OP(VmeModule fresh(&f, Base29); fresh.SetSelectedChannelsOn(0xFFFFFFFF);
               return fresh.deviceClass()),
            identity29, 29);
        // "norv" is cached: then only the identity word is read...
        row("vendor id cached", 29,
            OP(f.setRegisterFloat(0x8110, 500.0f);
               return QVariantList({m.GetChannelVoltageSet(0), m.connected()})),
            {"R 8110 43fa", "R 8112 0000", "R 803c 0018", "R 803e 001d"},
            QVariantList({500.0f, true}));
        row("cached through command 8", 29,
            OP(m.SetModuleSpecialControlCommand(8); f.clearLog(); return m.connected()),
            {"R 803c 0018", "R 803e 001d"}, true);
        // ...until the module may come back as another device, or moves (command 9:
        // tests/integration).
        row("read again after command 7", 20,
            OP(m.SetModuleSpecialControlCommand(7); f.clearLog(); return m.connected()),
            {"R 405c 6e6f", "R 405e 7276", "R 403c 0fff", "R 403e 0014"}, true);
        row("nobody at the new base address", 20,
            OP(m.SetModuleBaseAddress(0x4400); return m.connected()),
            {"R 445c 0000", "R 445e 0000", "R 443c 0000", "R 443e 0000"}, false);

        // A silent bus (cycles fail, reads give 0): absent until the vendor id is read...
        row("silent from the start", 20,
            OP(VmeModule fresh(&f, Base20); f.setNoDevice(true);
               const bool silent = fresh.connected(); f.setNoDevice(false); f.clearLog();
               return QVariantList({silent, fresh.connected()})),
            {"R 405c 6e6f", "R 405e 7276", "R 403c 0fff", "R 403e 0014"},
            QVariantList({false, true}));
        // ...then the cached id keeps it present, with class 0, which sends the next
        // operation back to identification.
        row("falling silent", 20,
            OP(f.setNoDevice(true);
               const QVariantList silent({m.connected(), m.GetModuleDeviceClass()});
               f.setNoDevice(false); f.clearLog(); f.setRegisterFloat(0x4068, 100.0f); return silent
               + QVariantList({m.GetChannelVoltageSet(0), m.GetChannelVoltageSet(0)})),
            {"R 403c 0fff", "R 403e 0014", "R 4068 42c8", "R 406a 0000"},
            QVariantList({true, 0, 0.0f, 100.0f}));
    }

    void busTraffic()
    {
        QFETCH(int, deviceClass);
        QFETCH(quint16, base);
        QFETCH(Operation, operation);
        QFETCH(QStringList, log);
        QFETCH(QVariant, result);

        FakeVmeController fake;
        VmeModule module(&fake, base);
        identify(fake, module, deviceClass);

        const QVariant actual = operation(module, fake);
        QCOMPARE(fake.log(), log);
        QCOMPARE(actual, result);
    }

    // Every current operation converts between amperes on the bus and the display
    // unit, here uA: 2.5e-6 A reads as 2.5 uA, and 2.5 uA goes out as 2.5e-6 A.
    void currentsInDisplayUnit_data()
    {
        QTest::addColumn<int>("deviceClass");
        QTest::addColumn<Operation>("operation");

        for (int cls : {20, 29}) {
            auto row = [cls](const char *name, const Operation &op) {
                QTest::addRow("%d %s", cls, name) << cls << op;
            };
            row("set", OP(return m.GetChannelCurrentSet(3)));
            row("measure", OP(return m.GetChannelCurrentMeasure(3)));
            row("trip max", OP(return m.GetChannelCurrentIlkMaxSet(3)));
            row("trip min", OP(return m.GetChannelCurrentIlkMinSet(3)));
            row("nominal", OP(return m.GetChannelCurrentNominal(3)));
            row("hardware nominal", OP(return m.GetChannelCurrentHardwareNominal(3)));
            row("set set", OP(m.SetChannelCurrentSet(3, 2.5f)));
            row("set trip max", OP(m.SetChannelCurrentIlkMaxSet(3, 2.5f)));
            row("set trip min", OP(m.SetChannelCurrentIlkMinSet(3, 2.5f)));
            row("set nominal", OP(m.SetChannelCurrentNominal(3, 2.5f)));
            row("set all channels", OP(m.SetAllChannelsCurrentSet(2.5f)));
        }
    }

    void currentsInDisplayUnit()
    {
        QFETCH(int, deviceClass);
        QFETCH(Operation, operation);

        FakeVmeController fake;
        TestVmeModule module(&fake, baseOf(deviceClass));
        module.setCurrentUnitIndex(1);
        identify(fake, module, deviceClass);
        for (quint32 offset = 0; offset < 0x800; offset += 4)
            fake.setRegisterFloat(baseOf(deviceClass) + offset, 2.5e-6f);

        const QVariant read = operation(module, fake);
        if (read.isValid()) {
            QCOMPARE(read, QVariant(2.5f));
        } else {
            const QStringList writes = fake.writes();
            QCOMPARE(writes.size(), 2);
            QVERIFY2(writes[0].endsWith(" 3627") && writes[1].endsWith(" c5ac"),
                     qPrintable(writes.join(", ")));
        }
    }

    void hexRecordLongerThanBufferIsRefused()
    {
        FakeVmeController fake;
        VmeModule module(&fake, Base20);
        identify(fake, module, 20);

        // The buffer is the 12 channel blocks (576 bytes); more would run into the
        // all-channel registers.
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("SendHexLine: record of 577 bytes"));
        module.SendHexLine(QByteArray(577, 'S'));
        QCOMPARE(fake.log(), QStringList());

        module.SendHexLine(QByteArray(576, 'S'));
        QCOMPARE(fake.log().size(), 288 + 1);
        QCOMPARE(fake.log().at(287), "W 429e 5353");
        QCOMPARE(fake.log().last(), "W 43b2 0002");
    }

    void wrongVendorIdIsAbsent()
    {
        // Whatever the class, with or without a register layout.
        for (const int deviceClass : {20, 33}) {
            FakeVmeController fake;
            fake.setIdentity(Base20, 0x6E6F7277, 0x0FFF, quint16(deviceClass));
            VmeModule module(&fake, Base20);

            QVERIFY(!module.connected());
            QCOMPARE(module.GetModuleDeviceClass(), deviceClass);
            QVERIFY(!module.connected());
            QCOMPARE(fake.log().filter(QRegularExpression("^R 405c ")).size(), 3); // never cached
            fake.setRegister32(Base20 + 0x5C, Norv);
            QVERIFY(module.connected());
        }
    }

    // A norv module of a class without a register layout, and a module without a bus:
    // every operation answers 0 and does nothing but identify (again, to pick up a
    // changed class).
    void modulesThatDoNothing_data()
    {
        QTest::addColumn<bool>("bus");
        QTest::newRow("class 33") << true;
        QTest::newRow("no controller") << false;
    }

    void modulesThatDoNothing()
    {
        QFETCH(bool, bus);
        FakeVmeController fake;
        fake.setIdentity(0x0AC0, Norv, 0x0FFF, 33);
        fake.setRegister32(0x0AF4, 4713); // where layout 20 has its serial number
        VmeModule module(bus ? &fake : nullptr, 0x0AC0);

        QCOMPARE(module.GetModuleDeviceClass(), bus ? 33 : 0);
        QCOMPARE(module.connected(), bus);
        QVERIFY(module.firmwareName().isEmpty());
        QCOMPARE(module.GetModuleChannelNumber(), -1);
        QCOMPARE(module.GetModuleAddress(), "VME BA 0x0ac0");

        fake.clearLog();
        QCOMPARE(module.GetModuleSerialNumber(), 0);
        QCOMPARE(module.GetChannelVoltageSet(0), 0.0f);
        QCOMPARE(module.VerifyModuleBaseAddress(), quint16(0xFFFF));
        module.SetSelectedChannelsOn(0x3);
        module.SetSelectedChannelsOff(0xFFFFFFFF);
        module.SendHexLine("S00600004844521B");
        const QStringList log = fake.log();
        QCOMPARE(log.size(), bus ? 2 * 6 : 0);
        QCOMPARE(log.filter(QRegularExpression("^R af[ce] ")), log);
    }

    void indexGuard_data()
    {
        QTest::addColumn<int>("deviceClass");
        QTest::addColumn<int>("channel");
        QTest::addColumn<int>("group");

        // Layout 20 fills 12 channel entries although mask 0xFFFF counts 16.
        for (int ch = 12; ch < 16; ++ch)
            QTest::addRow("20 mask 0xFFFF channel %d", ch) << 20 << ch << 0;
        QTest::newRow("20 channel -1") << 20 << -1 << 0;
        QTest::newRow("20 group 32") << 20 << 0 << 32;
        QTest::newRow("29 channel 24") << 29 << 24 << 0;
        QTest::newRow("29 group -1") << 29 << 0 << -1;
    }

    void indexGuard()
    {
        QFETCH(int, deviceClass);
        QFETCH(int, channel);
        QFETCH(int, group);

        FakeVmeController fake;
        VmeModule module(&fake, baseOf(deviceClass));
        // First a layout-29 module claiming 40 channels, so stale offsets would show.
        fake.setIdentity(baseOf(deviceClass), Norv, 40, 29);
        QCOMPARE(module.GetModuleDeviceClass(), 29);
        if (deviceClass == 20)
            identify(fake, module, 20, 0xFFFF);
        fake.clearLog();

        if (channel != 0) {
            QCOMPARE(module.GetChannelStatus(channel), 0u);
            QCOMPARE(module.GetChannelVoltageHardwareNominal(channel), 0.0f);
            QCOMPARE(module.GetChannelCurrentHardwareNominal(channel), 0.0f);
            module.SetChannelVoltageSet(channel, 100.0f);
            module.SetChannelOn(channel);
        } else {
            QCOMPARE(module.GetModuleFlexGroupType(group), 0u);
            module.SetModuleFlexGroup(group, 1, 1);
        }
        QCOMPARE(fake.log(), QStringList());

        module.GetChannelStatus(11); // the last valid entry is reachable
        QCOMPARE(fake.log().size(), deviceClass == 29 ? 2 : 1);
    }

    // Scripts call every operation by name, so each must be a slot.
    void operationsAreSlots()
    {
        const QMetaObject &meta = BaseModule::staticMetaObject;
        QVERIFY(meta.methodCount() - meta.methodOffset() > 100);
        for (int i = meta.methodOffset(); i < meta.methodCount(); ++i)
            QCOMPARE(meta.method(i).methodType(), QMetaMethod::Slot);
    }
};

QTEST_GUILESS_MAIN(TstVmeModule)
#include "tst_vmemodule.moc"
