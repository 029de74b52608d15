// The module layer over each real adapter over the simulated crate: what the
// program does to a module, checked against what the module then does.
#include "SRecordWriter.h"
#include "V1718.h"
#include "VmUsb.h"
#include "VmeModule.h"
#include "norvsim.h"

#include <QTemporaryDir>
#include <QThread>
#include <QtTest>
#include <atomic>
#include <memory>

namespace {

constexpr quint16 Layout20 = 0x4000;
constexpr quint16 Layout29 = 0x8000;
constexpr quint16 NoLayout = 0xC000;

constexpr quint32 SpecialModeRequest = 0x0005;
constexpr quint32 StatusSpecialMode = 0x0040;
constexpr quint32 StatusStop = 0x0004;
constexpr quint32 ChannelIsOn = 0x0008;
constexpr quint32 ChannelIsRamping = 0x0010;
constexpr quint32 ChannelIsCurrentControlled = 0x0040;
constexpr quint32 ChannelIsTrip = 0x2000;
constexpr quint32 ChannelEventEndOfRamp = 0x0010;

std::unique_ptr<VmeController> makeAdapter(const QString &name)
{
    if (name == QLatin1String("V1718"))
        return std::make_unique<V1718>();
    return std::make_unique<VmUsb>();
}

double vout(quint16 base, int channel)
{
    return norvsim_channel_value(base, channel, NORVSIM_VOUT);
}

/// Drives one firmware pass the way the service dialog does: every record is
/// sent, the module's answer read, a checksum error acknowledged and the
/// record sent again. Returns the last special status (0x84 when the whole
/// pass was accepted) and counts the records sent again.
quint32 sendRecords(VmeModule &module, const QList<QByteArray> &records, int *resent)
{
    for (const QByteArray &record : records) {
        quint32 status = 0;
        for (int attempt = 0; attempt < 5; ++attempt) {
            module.SendHexLine(record);
            status = module.GetModuleSpecialControlStatus();
            module.SetModuleSpecialControlCommand(1);
            if (status != 0x92)
                break;
            ++*resent;
        }
        if (status != 0x84)
            return status;
        if (module.GetModuleSpecialControlStatus() != 0x81)
            return module.GetModuleSpecialControlStatus();
    }
    return 0x84;
}

bool enterSpecialMode(VmeModule &module)
{
    module.SetModuleControl(module.GetModuleControl() | SpecialModeRequest);
    norvsim_advance_ms(10);
    return module.GetModuleStatus() & StatusSpecialMode;
}

} // namespace

class TestModuleOverSim : public QObject
{
    Q_OBJECT

    std::unique_ptr<VmeController> m_adapter;
    QTemporaryDir m_dir;

    void addAdapterRows()
    {
        QTest::addColumn<QString>("adapter");
        QTest::newRow("VM-USB") << QStringLiteral("VM-USB");
        QTest::newRow("V1718") << QStringLiteral("V1718");
    }

    VmeController *adapter()
    {
        QFETCH(QString, adapter);
        m_adapter = makeAdapter(adapter);
        return m_adapter.get();
    }

    QString writeCrate(const QByteArray &json)
    {
        const QString path = m_dir.filePath(QStringLiteral("crate.json"));
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return {};
        file.write(json);
        return path;
    }

private slots:
    void init()
    {
        m_adapter.reset();
        QCOMPARE(norvsim_reset(""), 0);
    }

    void cleanup() { m_adapter.reset(); }

    void identifiesDefaultCrate_data() { addAdapterRows(); }
    void identifiesDefaultCrate()
    {
        VmeController *bus = adapter();
        QVERIFY(bus->isConnected());

        VmeModule twelve(bus, Layout20);
        QCOMPARE(twelve.GetModuleChannelNumber(), -1);
        QVERIFY(twelve.connected());
        QCOMPARE(twelve.GetModuleDeviceClass(), 20);
        QCOMPARE(twelve.GetModuleChannelNumber(), 12);
        QCOMPARE(twelve.GetModuleSerialNumber(), 4711);
        QCOMPARE(twelve.firmwareName(), QStringLiteral("DC20"));
        QCOMPARE(twelve.GetModuleFirmwareRelease(), QStringLiteral("12.34"));
        QCOMPARE(twelve.GetChannelVoltageHardwareNominal(11), 3000.0f);
        QCOMPARE(twelve.GetChannelCurrentHardwareNominal(0), 3.0f); // mA

        VmeModule twentyFour(bus, Layout29);
        QCOMPARE(twentyFour.GetModuleDeviceClass(), 29);
        QCOMPARE(twentyFour.GetModuleChannelNumber(), 24);
        QCOMPARE(twentyFour.GetModuleSerialNumber(), 4712);
        QCOMPARE(twentyFour.GetChannelVoltageHardwareNominal(23), 6000.0f);

        // Class 33 answers as a norv module but has no register layout.
        VmeModule other(bus, NoLayout);
        QVERIFY(other.connected());
        QCOMPARE(other.GetModuleDeviceClass(), 33);
        QCOMPARE(other.GetModuleChannelNumber(), -1);
        QCOMPARE(other.GetModuleSerialNumber(), 0);

        VmeModule nobody(bus, 0x1000);
        QVERIFY(!nobody.connected());
        QCOMPARE(nobody.GetModuleDeviceClass(), 0);
    }

    void channelRampsToSetValue_data() { addAdapterRows(); }
    void channelRampsToSetValue()
    {
        VmeModule module(adapter(), Layout20);
        module.GetModuleDeviceClass();
        module.SetModuleVoltageRampSpeed(10.0f); // % of nominal per second: 300 V/s
        module.SetChannelVoltageSet(3, 1500.0f);
        module.SetChannelOn(3);
        QVERIFY(module.GetChannelStatus(3) & ChannelIsOn);

        norvsim_advance_ms(2500);
        const float halfway = module.GetChannelVoltageMeasure(3);
        QVERIFY2(halfway > 700.0f && halfway < 800.0f, qPrintable(QString::number(halfway)));
        QVERIFY(module.GetChannelStatus(3) & ChannelIsRamping);

        norvsim_advance_ms(3000);
        QCOMPARE(module.GetChannelVoltageMeasure(3), 1500.0f);
        QCOMPARE(module.GetChannelStatus(3) & (ChannelIsOn | ChannelIsRamping), ChannelIsOn);
        QVERIFY(module.GetChannelEventStatus(3) & ChannelEventEndOfRamp);
        // 1500 V over 1 GOhm, in mA.
        QCOMPARE(module.GetChannelCurrentMeasure(3), 0.0015f);
        QCOMPARE(vout(Layout20, 2), 0.0);

        module.SetSelectedChannelsOff(0xFFFFFFFF);
        norvsim_advance_ms(6000);
        QCOMPARE(module.GetChannelVoltageMeasure(3), 0.0f);
        QCOMPARE(module.GetChannelStatus(3) & ChannelIsOn, 0u);
    }

    void currentControlAndTrip_data() { addAdapterRows(); }
    void currentControlAndTrip()
    {
        VmeModule module(adapter(), Layout20);
        module.GetModuleDeviceClass();
        module.SetModuleVoltageRampSpeed(100.0f);
        // 1 uA into 1 GOhm holds the output at 1000 V.
        for (int ch : {0, 1}) {
            module.SetChannelCurrentSet(ch, 0.001f);
            module.SetChannelVoltageSet(ch, 3000.0f);
        }
        module.SetChannelOn(0);
        norvsim_advance_ms(3000);
        QVERIFY(module.GetChannelStatus(0) & ChannelIsCurrentControlled);
        QCOMPARE(qRound(module.GetChannelVoltageMeasure(0)), 1000);

        module.SetSelectedChannelsOff(0x1);
        module.SetModuleKillEnable(true);
        QVERIFY(module.GetModuleKillEnable());
        module.SetChannelOn(1);
        norvsim_advance_ms(3000);
        QVERIFY(module.GetChannelStatus(1) & ChannelIsTrip);
        QCOMPARE(module.GetChannelVoltageMeasure(1), 0.0f);
    }

    void stopModeOnlyWithAllChannelsOff_data() { addAdapterRows(); }
    void stopModeOnlyWithAllChannelsOff()
    {
        VmeModule module(adapter(), Layout29);
        module.GetModuleDeviceClass();
        module.SetChannelVoltageSet(5, 100.0f);
        module.SetChannelOn(5);
        module.SetModuleControl(module.GetModuleControl() | 0x0004);
        norvsim_advance_ms(100);
        QCOMPARE(module.GetModuleStatus() & StatusStop, 0u);

        module.SetChannelOff(5);
        norvsim_advance_ms(60000);
        QVERIFY(module.GetModuleStatus() & StatusStop);
        // Nominals may be lowered in stop mode, within the hardware's range.
        module.SetChannelVoltageNominal(5, 2000.0f);
        QCOMPARE(module.GetChannelVoltageNominal(5), 2000.0f);
        module.SetChannelVoltageNominal(5, 7000.0f);
        QCOMPARE(module.GetChannelVoltageNominal(5), 2000.0f);
    }

    void storeRequestIsSeenThenCleared_data() { addAdapterRows(); }
    void storeRequestIsSeenThenCleared()
    {
        VmeModule module(adapter(), Layout20);
        module.GetModuleDeviceClass();
        module.SetModuleControl(module.GetModuleControl() | 0x8000);
        QVERIFY(module.GetModuleControl() & 0x8000);
        norvsim_advance_ms(200);
        QCOMPARE(module.GetModuleControl() & 0x8000, 0u);
    }

    void newBaseAddressAfterRestart_data() { addAdapterRows(); }
    void newBaseAddressAfterRestart()
    {
        VmeController *bus = adapter();
        VmeModule module(bus, Layout20);
        QCOMPARE(module.GetModuleDeviceClass(), 20);
        module.ProgramModuleBaseAddress(0x5000);
        QCOMPARE(module.VerifyModuleBaseAddress(), quint16(0x5000));
        QVERIFY(module.connected()); // still answering at the old address

        // Outside special mode the module ignores the restart command.
        module.SetModuleSpecialControlCommand(9);
        norvsim_advance_ms(10);
        QVERIFY(module.connected());
        QVERIFY(enterSpecialMode(module));
        module.SetModuleSpecialControlCommand(9);
        norvsim_advance_ms(10);
        QVERIFY(!module.connected());
        module.SetModuleBaseAddress(0x5000);
        QVERIFY(module.connected());
        QCOMPARE(module.GetModuleSerialNumber(), 4711);
        QCOMPARE(module.GetModuleAddress(), QStringLiteral("VME BA 0x5000"));
    }

    void firmwareBurnVerifyAndCompare_data()
    {
        QTest::addColumn<QString>("adapter");
        QTest::addColumn<quint16>("base");
        QTest::addColumn<int>("serial");
        QTest::newRow("VM-USB, layout 20") << QStringLiteral("VM-USB") << Layout20 << 4711;
        QTest::newRow("V1718, layout 29") << QStringLiteral("V1718") << Layout29 << 4712;
    }
    void firmwareBurnVerifyAndCompare()
    {
        QFETCH(quint16, base);
        QFETCH(int, serial);
        const QString crate = writeCrate(QStringLiteral(R"({"modules": [
            {"base": "0x%1", "class": %2, "serial": %3,
             "faults": {"checksum_errors": [{"record": 2, "times": 2}]}}]})")
                                                 .arg(base, 0, 16)
                                                 .arg(base == Layout20 ? 20 : 29)
                                                 .arg(serial)
                                                 .toUtf8());
        QCOMPARE(norvsim_reset(qPrintable(crate)), 0);
        VmeModule module(adapter(), base);
        QCOMPARE(module.GetModuleSerialNumber(), 0); // identifies
        QVERIFY(enterSpecialMode(module));

        const QList<QByteArray> records = SRecordWriter::firmware("norv 2.5.0.1", 6);
        int resent = 0;
        module.SetModuleSpecialControlCommand(3);
        QCOMPARE(module.GetModuleSpecialControlStatus(), 0x81u);
        QCOMPARE(sendRecords(module, records, &resent), 0x84u);
        QCOMPARE(resent, 2);
        QCOMPARE(norvsim_flash_size(base), 6 * 16);
        QCOMPARE(norvsim_flash_byte(base, 0x0E8000 + 17), (17 * 7 + 3) & 0xFF);

        module.SetModuleSpecialControlCommand(5);
        QCOMPARE(sendRecords(module, records, &resent), 0x84u);
        module.SetModuleSpecialControlCommand(6);
        QCOMPARE(module.GetModuleSpecialControlStatus(), 0x84u);
        module.SetModuleSpecialControlCommand(7);
        norvsim_advance_ms(2000);
        module.SetModuleControl(module.GetModuleControl() & ~SpecialModeRequest);
        norvsim_advance_ms(10);
        QVERIFY(module.connected());
        QCOMPARE(module.GetModuleStatus() & StatusSpecialMode, 0u);
        QCOMPARE(module.GetModuleFirmwareRelease(), QStringLiteral("25.01"));

        // Comparing the same file again finds no difference...
        QVERIFY(enterSpecialMode(module));
        module.SetModuleSpecialControlCommand(4);
        QCOMPARE(sendRecords(module, records, &resent), 0x84u);
        // ...a file whose data differs is caught at its first differing record.
        QList<QByteArray> changed = records;
        changed[3] = SRecordWriter::record(2, 0x0E8000 + 32, QByteArray(16, '\x55'));
        module.SetModuleSpecialControlCommand(4);
        QCOMPARE(sendRecords(module, changed, &resent), 0x96u);
    }

    void corruptRecordIsRefused_data() { addAdapterRows(); }
    void corruptRecordIsRefused()
    {
        VmeModule module(adapter(), Layout20);
        module.GetModuleDeviceClass();
        QVERIFY(enterSpecialMode(module));
        module.SetModuleSpecialControlCommand(3);
        module.SendHexLine(SRecordWriter::record(1, 0x1000, "abcd", true));
        QCOMPARE(module.GetModuleSpecialControlStatus(), 0x92u);
        QCOMPARE(norvsim_flash_size(Layout20), 0);
    }

    void twoThreadsNeverTearAnAccess_data() { addAdapterRows(); }
    void twoThreadsNeverTearAnAccess()
    {
        VmeController *bus = adapter();
        VmeModule module(bus, Layout29);
        module.GetModuleDeviceClass();
        norvsim_reset_counters();
        std::atomic<int> wrongSerials {0};

        // One thread polls like the refresh cycle, the other writes like a script.
        QThread *refresh = QThread::create([&] {
            for (int i = 0; i < 1500; ++i) {
                if (module.GetModuleSerialNumber() != 4712)
                    ++wrongSerials;
                module.GetChannelVoltageMeasure(i % 24);
                module.GetChannelStatus(i % 24);
            }
        });
        QThread *script = QThread::create([&] {
            for (int i = 0; i < 1500; ++i) {
                module.SetChannelVoltageSet(i % 24, float(i % 100));
                module.SetChannelOff(i % 24);
                module.GetModuleControl();
            }
        });
        refresh->start();
        script->start();
        QVERIFY(refresh->wait(60000));
        QVERIFY(script->wait(60000));
        delete refresh;
        delete script;

        QCOMPARE(wrongSerials.load(), 0);
        QCOMPARE(norvsim_torn_access_count(), 0);
        QVERIFY(norvsim_cycle_count(Layout29) > 10000);
    }

    void malformedDescriptionMeansNoBridge_data() { addAdapterRows(); }
    void malformedDescriptionMeansNoBridge()
    {
        const QString crate = writeCrate(R"({"modules": [{"base": "0x4000", "clas": 20}]})");
        QCOMPARE(norvsim_reset(qPrintable(crate)), -1);
        const QString why = QString::fromUtf8(norvsim_last_error());
        QVERIFY2(why.contains(crate) && why.contains(QLatin1String("clas")), qPrintable(why));

        VmeController *bus = adapter();
        QVERIFY(!bus->isConnected());
        VmeModule module(bus, Layout20);
        QVERIFY(!module.connected());
    }
};

QTEST_GUILESS_MAIN(TestModuleOverSim)
#include "tst_moduleoversim.moc"
