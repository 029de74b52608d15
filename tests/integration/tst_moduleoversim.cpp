// The module layer over each real adapter over the simulated crate: the module's
// register layouts must agree with the simulated modules', and the base-address
// protocol must run end to end. The simulated physics is pinned by tests/sim, the
// exact bus traffic and locking of the module by tests/module; burning, verifying
// and comparing firmware run over both layouts through the window in tests/app.
#include "SimBus.h"
#include "V1718.h"
#include "VmUsb.h"
#include "VmeModule.h"
#include "norvsim.h"

#include <QtTest>
#include <memory>

constexpr quint16 Layout20 = 0x4000, Layout29 = 0x8000;
constexpr quint32 SpecialModeRequest = 0x0005, StopRequest = 0x0004, StatusStop = 0x0004,
                  StatusSpecialMode = 0x0040;
constexpr quint32 ChannelIsOn = 0x0008, ChannelIsRamping = 0x0010, ChannelEventEndOfRamp = 0x0010;

class TestModuleOverSim : public QObject
{
    Q_OBJECT

    std::unique_ptr<VmeController> m_adapter;

    static void addRows()
    {
        QTest::addColumn<QString>("adapter");
        QTest::addColumn<quint16>("base");
        QTest::addColumn<int>("serial");
        QTest::newRow("VM-USB, layout 20") << QStringLiteral("VM-USB") << Layout20 << 4711;
        QTest::newRow("V1718, layout 20") << QStringLiteral("V1718") << Layout20 << 4711;
        QTest::newRow("VM-USB, layout 29") << QStringLiteral("VM-USB") << Layout29 << 4712;
        QTest::newRow("V1718, layout 29") << QStringLiteral("V1718") << Layout29 << 4712;
    }

    VmeController *adapter()
    {
        QFETCH(QString, adapter);
        if (adapter == QLatin1String("V1718"))
            m_adapter = std::make_unique<V1718>();
        else
            m_adapter = std::make_unique<VmUsb>();
        return m_adapter.get();
    }

private slots:
    // Simulated time moves only when a test moves it: exact voltages after a
    // ramp must not depend on how long the machine took between two reads.
    void initTestCase() { SimBus::isolate(); }
    void init() { QCOMPARE(norvsim_reset(""), 0); }
    void cleanup() { m_adapter.reset(); }

    // The last channel of each default module, so a wrong channel stride shows.
    void layoutsAgree_data() { addRows(); }
    void layoutsAgree()
    {
        QFETCH(quint16, base);
        QFETCH(int, serial);
        const bool is20 = base == Layout20;
        const int ch = is20 ? 11 : 23;
        const float nominal = is20 ? 3000.0f : 6000.0f;
        auto sim = [base](int channel, int quantity) {
            return float(norvsim_channel_value(base, channel, quantity));
        };
        VmeModule module(adapter(), base);
        QVERIFY(m_adapter->isConnected());
        QVERIFY(module.connected());
        QCOMPARE(module.GetModuleDeviceClass(), is20 ? 20 : 29);
        QCOMPARE(module.GetModuleChannelNumber(), ch + 1);
        QCOMPARE(module.GetModuleSerialNumber(), serial);
        QCOMPARE(module.GetModuleFirmwareRelease(), QStringLiteral("12.34"));
        QCOMPARE(module.GetChannelVoltageHardwareNominal(ch), nominal);
        QCOMPARE(module.GetChannelCurrentHardwareNominal(ch), is20 ? 3.0f : 1.0f); // mA

        // Nominals may be lowered in stop mode.
        module.SetModuleControl(StopRequest);
        QVERIFY(module.GetModuleStatus() & StatusStop);
        module.SetChannelVoltageNominal(ch, nominal / 2);
        module.SetChannelCurrentNominal(ch, 0.5f);
        QCOMPARE(sim(ch, NORVSIM_VNOM), nominal / 2);
        QCOMPARE(sim(ch, NORVSIM_INOM), 0.0005f);
        QCOMPARE(module.GetChannelVoltageNominal(ch), nominal / 2);
        module.SetModuleControl(0);

        // 10 % of the lowered nominal per second: a quarter of the nominal takes 5 s.
        module.SetModuleVoltageRampSpeed(10.0f);
        module.SetChannelVoltageSet(ch, nominal / 4);
        module.SetChannelCurrentSet(ch, 0.25f);
        QCOMPARE(sim(ch, NORVSIM_VSET), nominal / 4);
        QCOMPARE(sim(ch, NORVSIM_ISET), 0.00025f);
        module.SetChannelOn(ch);
        norvsim_advance_ms(5100);
        QCOMPARE(module.GetChannelStatus(ch) & (ChannelIsOn | ChannelIsRamping), ChannelIsOn);
        QCOMPARE(module.GetChannelVoltageMeasure(ch), nominal / 4);
        QCOMPARE(module.GetChannelCurrentMeasure(ch), sim(ch, NORVSIM_IOUT) * 1000);
        QVERIFY(module.GetChannelCurrentMeasure(ch) > 0.0f);
        QVERIFY(module.GetChannelEventStatus(ch) & ChannelEventEndOfRamp);
        QCOMPARE(sim(ch - 1, NORVSIM_VOUT), 0.0f);

        // The ramp down that follows is the simulated crate's own test.
        module.SetSelectedChannelsOff(0xFFFFFFFF);
        QCOMPARE(module.GetChannelStatus(ch) & ChannelIsOn, 0u);
    }

    void newBaseAddressAfterRestart_data() { addRows(); }
    void newBaseAddressAfterRestart()
    {
        QFETCH(quint16, base);
        QFETCH(int, serial);
        VmeModule module(adapter(), base);
        QVERIFY(module.connected());
        module.ProgramModuleBaseAddress(0x5000);
        QCOMPARE(module.VerifyModuleBaseAddress(), quint16(0x5000));
        QCOMPARE(norvsim_eeprom_base(base), 0x5000);

        // Outside special mode the module ignores the restart command.
        module.SetModuleSpecialControlCommand(9);
        norvsim_advance_ms(10);
        QVERIFY(module.connected());
        module.SetModuleControl(module.GetModuleControl() | SpecialModeRequest);
        norvsim_advance_ms(10);
        QVERIFY(module.GetModuleStatus() & StatusSpecialMode);
        module.SetModuleSpecialControlCommand(9);
        norvsim_advance_ms(10);
        QVERIFY(!module.connected());
        module.SetModuleBaseAddress(0x5000);
        QVERIFY(module.connected());
        QCOMPARE(module.GetModuleSerialNumber(), serial);
    }
};

QTEST_GUILESS_MAIN(TestModuleOverSim)
#include "tst_moduleoversim.moc"
