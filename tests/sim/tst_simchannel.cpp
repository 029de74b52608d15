// Channel and module physics of the simulated crate, driven through D16 cycles
// on the default crate's layout-20 module.

#include "SimBus.h"
#include "norvsim.h"

#include <QElapsedTimer>
#include <QTest>

namespace {

constexpr quint32 m20 = 0x4000, moduleStatus = m20, moduleControl = m20 + 0x02,
                  rampSpeed = m20 + 0x14;
constexpr quint32 chStatus = 0x00, chControl = 0x02, chEvent = 0x04, chEventMask = 0x06,
                  chVset = 0x08, chIset = 0x0C, chVmeas = 0x10, chVnom = 0x20, chInom = 0x24;

quint32 ch(int n, quint32 reg) { return m20 + 0x60 + 0x30 * quint32(n) + reg; }
int status(int n) { return SimBus::read16(ch(n, chStatus)); }
int events(int n) { return SimBus::read16(ch(n, chEvent)); }
int module() { return SimBus::read16(moduleStatus); }
float vmeas(int n) { return SimBus::readFloat(ch(n, chVmeas)); }
void advance(double ms) { norvsim_advance_ms(ms); }
/// Writes a float register and reads back what the module kept.
float written(quint32 address, float value)
{
    SimBus::writeFloat(address, value);
    return SimBus::readFloat(address);
}

void switchOn(int n, float volts)
{
    SimBus::writeFloat(ch(n, chVset), volts);
    SimBus::write16(ch(n, chControl), 0x0008);
}

} // namespace

class TestSimChannel : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { SimBus::isolate(); }
    void init() { QCOMPARE(norvsim_reset(""), 0); }

    void rampTakesNominalOverSpeed()
    {
        // 20 % of 3000 V per second; a ramp ends within 0.1 % of the nominal (3 V).
        SimBus::writeFloat(rampSpeed, 20.0f);
        switchOn(0, 1500.0f);
        advance(2494);
        QCOMPARE(status(0) & 0x0018, 0x0018); // on, ramping
        QVERIFY(!(module() & 0x0200) && !(events(0) & 0x0010));
        advance(2);
        QCOMPARE(status(0) & 0x0098, 0x0088); // on, voltage control, no longer ramping
        QVERIFY(events(0) & 0x0010); // end of ramp
        QVERIFY(module() & 0x0200);

        advance(100);
        SimBus::write16(ch(0, chControl), 0x0000);
        QCOMPARE(status(0) & 0x0018, 0x0010); // off at once, ramping down
        QVERIFY(events(0) & 0x0008);
        advance(1250);
        QCOMPARE(vmeas(0), 750.0f);
        advance(1250);
        QCOMPARE(vmeas(0), 0.0f);
        QVERIFY(!(status(0) & 0x0010));
    }

    void rampFollowsTimeScale()
    {
        // 2.5 simulated seconds at a scale of 50 take 50 ms of real time, not 2.5 s.
        qputenv("NORV_SIM_TIMESCALE", "50");
        QCOMPARE(norvsim_reset(""), 0);
        qputenv("NORV_SIM_TIMESCALE", "0");
        SimBus::writeFloat(rampSpeed, 20.0f);
        QElapsedTimer real;
        real.start();
        switchOn(0, 1500.0f);
        while ((status(0) & 0x0010) && real.elapsed() < 5000)
            QTest::qWait(1);
        const qint64 elapsed = real.elapsed();
        QVERIFY2(elapsed >= 49 && elapsed < 1500, qPrintable(QString::number(elapsed)));
    }

    void currentControlOrTrip_data()
    {
        QTest::addColumn<bool>("killEnable");
        QTest::addColumn<float>("vout");
        QTest::addColumn<int>("statusBits"); // of trip, voltage/current control, ramping, on
        QTest::addColumn<int>("eventBit");
        QTest::addColumn<bool>("emergencyOff"); // after current control

        QTest::newRow("current control") << false << 1000.0f << 0x0048 << 0x0040 << false;
        QTest::newRow("trip with kill enable") << true << 0.0f << 0x2000 << 0x2000 << false;
        QTest::newRow("emergency off") << false << 1000.0f << 0x0048 << 0x0040 << true;
    }

    void currentControlOrTrip()
    {
        QFETCH(bool, killEnable);
        QFETCH(float, vout);
        QFETCH(int, statusBits);
        QFETCH(int, eventBit);
        QFETCH(bool, emergencyOff);
        if (killEnable) {
            SimBus::write16(moduleControl, 0x4000);
            QVERIFY(module() & 0x8000);
        }
        // 1 uA into 1 GOhm: no more than 1000 V of the 2000 V set.
        SimBus::writeFloat(ch(3, chIset), 1e-6f);
        switchOn(3, 2000.0f);
        advance(10000);
        QCOMPARE(vmeas(3), vout);
        QCOMPARE(status(3) & 0x20D8, statusBits);
        QCOMPARE(events(3) & eventBit, eventBit);
        QCOMPARE(bool(module() & 0x0100), !killEnable); // no sum error

        if (emergencyOff) {
            SimBus::write16(ch(3, chControl), 0x0028);
            QCOMPARE(vmeas(3), 0.0f); // at once, no ramp
            QVERIFY(status(3) & events(3) & 0x0020);
        } else if (!killEnable) {
            // Kill enable set later trips a channel that is in current control.
            SimBus::write16(moduleControl, 0x4000);
            advance(1);
            QCOMPARE(vmeas(3), 0.0f);
            QVERIFY(status(3) & 0x2000);
        }
        // Tripped or emergency off, the channel stays off until it is switched off
        // and on again; neither is shown on, and switching on clears the emergency bit.
        SimBus::writeFloat(ch(3, chIset), 3e-6f);
        SimBus::write16(ch(3, chControl), 0x0008);
        advance(1000);
        QCOMPARE(vmeas(3), 0.0f);
        QCOMPARE(status(3) & 0x0028, 0);
        SimBus::write16(ch(3, chControl), 0x0000);
        SimBus::write16(ch(3, chControl), 0x0008);
        QVERIFY(!(status(3) & 0x2020));
        advance(10000);
        QCOMPARE(vmeas(3), 2000.0f);
    }

    void eventsLatchUntilCleared()
    {
        switchOn(5, 30.0f);
        advance(1000);
        SimBus::write16(ch(5, chControl), 0x0000);
        advance(6000);
        QCOMPARE(events(5) & 0x0018, 0x0018); // end of ramp and switched off, still latched

        // The module's event channel status shows only what both masks enable.
        const quint32 eventChannelStatus = m20 + 0x08, eventChannelMask = m20 + 0x0A;
        QCOMPARE(SimBus::read16(eventChannelStatus), quint16(0));
        SimBus::write16(ch(5, chEventMask), 0x0010);
        QCOMPARE(SimBus::read16(eventChannelStatus), quint16(1u << 5));
        QVERIFY(!(module() & 0x0800));
        SimBus::write16(eventChannelMask, 0xFFFF);
        QVERIFY(module() & 0x0800); // event active

        // Writing 1 clears that bit only.
        SimBus::write16(ch(5, chEvent), 0x0010);
        QCOMPARE(events(5) & 0x0018, 0x0008);
        QCOMPARE(SimBus::read16(eventChannelStatus), quint16(0));
        QVERIFY(!(module() & 0x0800));

        // Module control bit 6 clears every event word and reads back as 0.
        SimBus::writeFloat(ch(6, chVset), 9999.0f); // input error event
        QVERIFY(events(6) & 0x0004);
        SimBus::write16(moduleControl, 0x4040);
        QCOMPARE(SimBus::read16(moduleControl), quint16(0x4000));
        QCOMPARE(events(5), 0);
        QCOMPARE(events(6), 0);
    }

    void modeOnlyWithAllChannelsOff_data()
    {
        QTest::addColumn<quint16>("request");
        QTest::addColumn<int>("statusBit");
        QTest::newRow("stop") << quint16(0x0004) << 0x0004;
        QTest::newRow("special") << quint16(0x0005) << 0x0040;
    }

    void modeOnlyWithAllChannelsOff()
    {
        QFETCH(quint16, request);
        QFETCH(int, statusBit);
        switchOn(7, 300.0f);
        advance(1000);
        SimBus::write16(moduleControl, request);
        advance(1000);
        QVERIFY(!(module() & statusBit));
        SimBus::write16(ch(7, chControl), 0x0000);
        advance(500); // still ramping down
        QVERIFY(!(module() & statusBit));
        advance(600);
        QVERIFY(module() & statusBit);
        SimBus::write16(moduleControl, 0x0000);
        QVERIFY(!(module() & statusBit));
    }

    void nominalsOnlyInStopModeAndRange()
    {
        SimBus::writeFloat(ch(0, chVset), 2500.0f);
        QCOMPARE(written(ch(0, chVnom), 2000.0f), 3000.0f); // not in stop mode
        SimBus::write16(moduleControl, 0x0004);
        QVERIFY(module() & 0x0004);
        for (float outOfRange : {3500.0f, 0.0f, -1.0f})
            QCOMPARE(written(ch(0, chVnom), outOfRange), 3000.0f);
        QCOMPARE(written(ch(0, chVnom), 2000.0f), 2000.0f);
        QCOMPARE(SimBus::readFloat(ch(0, chVset)), 2000.0f); // never above its bound
        QCOMPARE(written(ch(0, chInom), 0.004f), 0.003f);
        QCOMPARE(written(ch(0, chInom), 0.001f), 0.001f);

        // The control word reads back while stop mode suspends its effect.
        SimBus::write16(ch(0, chControl), 0x0C08);
        QCOMPARE(SimBus::read16(ch(0, chControl)), quint16(0x0C08));
        advance(1000);
        QCOMPARE(vmeas(0), 0.0f);
        SimBus::write16(moduleControl, 0x0000);
        advance(100);
        QCOMPARE(vmeas(0), 20.0f); // 10 % per second of the lowered nominal

        // Set values above the lowered nominal, or negative, are refused with an
        // input error; the next accepted write clears the status bit, not the event.
        for (float refused : {2000.5f, -1.0f}) {
            QCOMPARE(written(ch(0, chVset), refused), 2000.0f);
            QVERIFY(status(0) & 0x0004);
        }
        QCOMPARE(written(ch(0, chIset), 0.0011f), 0.001f);
        QCOMPARE(written(ch(0, chVset), 1500.0f), 1500.0f);
        QVERIFY(!(status(0) & 0x0004));
        QVERIFY(events(0) & 0x0004);
    }

    void saveBitShownThenCleared()
    {
        SimBus::writeFloat(ch(2, chVset), 1000.0f);
        SimBus::writeFloat(rampSpeed, 5.0f);
        SimBus::write16(moduleControl, 0x8000);
        QCOMPARE(SimBus::read16(moduleControl), quint16(0x8000));
        advance(30);
        QCOMPARE(SimBus::read16(moduleControl), quint16(0x8000));
        SimBus::writeFloat(ch(2, chVset), 1100.0f); // before the store completes: stored too
        advance(25);
        QCOMPARE(SimBus::read16(moduleControl), quint16(0x0000));

        // Recall brings back what was stored.
        SimBus::writeFloat(ch(2, chVset), 500.0f);
        SimBus::writeFloat(rampSpeed, 40.0f);
        SimBus::write16(moduleControl, 0x0002);
        QCOMPARE(SimBus::readFloat(ch(2, chVset)), 1100.0f);
        QCOMPARE(SimBus::readFloat(rampSpeed), 5.0f);
        QCOMPARE(SimBus::read16(moduleControl), quint16(0x0000));
    }
};

QTEST_GUILESS_MAIN(TestSimChannel)
#include "tst_simchannel.moc"
