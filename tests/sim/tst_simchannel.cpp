// Channel and module physics of the simulated crate, driven through D16 cycles.

#include "SimBus.h"
#include "norvsim.h"

#include <QElapsedTimer>
#include <QTest>

#include <cmath>

namespace {

constexpr quint32 m20 = 0x4000;
constexpr quint32 m29 = 0x8000;

// Layout 20 module words.
constexpr quint32 status20 = m20 + 0x00;
constexpr quint32 control20 = m20 + 0x02;
constexpr quint32 eventChannelStatus20 = m20 + 0x08;
constexpr quint32 eventChannelMask20 = m20 + 0x0A;
constexpr quint32 rampSpeed20 = m20 + 0x14;

// Channel block offsets, layout 20.
quint32 ch20(int ch) { return m20 + 0x60 + 0x30 * quint32(ch); }
constexpr quint32 chStatus = 0x00, chControl = 0x02, chEvent = 0x04, chEventMask = 0x06,
                  chVset = 0x08, chIset = 0x0C, chVmeas = 0x10, chImeas = 0x14, chVnom = 0x20,
                  chInom = 0x24;

quint32 ch29(int ch) { return m29 + 0x100 + 0x40 * quint32(ch); }

void advance(double ms) { norvsim_advance_ms(ms); }

quint16 status(int ch) { return SimBus::read16(ch20(ch) + chStatus); }

quint16 events(int ch) { return SimBus::read16(ch20(ch) + chEvent); }

} // namespace

class TestSimChannel : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();

    void rampTakesNominalOverSpeed();
    void rampFollowsTimeScale();
    void currentControlHoldsTheOutput();
    void killEnableTripsInsteadAndLatches();
    void emergencyOffDropsAndLatches();
    void eventsLatchUntilClearedByOneOrModuleClear();
    void setValuesAboveNominalAreRefused();
    void stopModeWaitsForAllChannelsOff();
    void nominalsOnlyInStopModeAndRange();
    void controlReadsBackLastWordEvenWhenSuspended();
    void saveBitShownThenImageKeptAndRecalled();
    void adjustmentShowsStatusForTwoHundredMs();
    void specialModeNeedsAllChannelsOff();
    void allChannelRegisters();
    void inhibitHoldsOutputOff();
    void interlockOutCountsActivations();
    void variableGroupsStoredAsWritten();
    void layout29ChannelThroughWideWords();
    void healthyModuleStatus();
};

void TestSimChannel::initTestCase()
{
    qputenv("NORV_SIM_TIMESCALE", "0");
    for (const char *name :
         {"NORV_SIM_CRATE", "NORV_SIM_NO_BRIDGE", "NORV_SIM_TRACE", "NORV_SIM_LATENCY_US"})
        qunsetenv(name);
}

void TestSimChannel::init() { QCOMPARE(norvsim_reset(""), 0); }

void TestSimChannel::rampTakesNominalOverSpeed()
{
    // 20 % of 3000 V per second: 1500 V take 2.5 s.
    SimBus::writeFloat(rampSpeed20, 20.0f);
    QCOMPARE(SimBus::readFloat(rampSpeed20), 20.0f);
    SimBus::writeFloat(ch20(0) + chVset, 1500.0f);
    SimBus::write16(ch20(0) + chControl, 0x0008);
    QVERIFY(status(0) & 0x0008);
    advance(1000);
    QVERIFY(status(0) & 0x0010);
    QCOMPARE(SimBus::readFloat(ch20(0) + chVmeas), 600.0f);
    QVERIFY(!(SimBus::read16(status20) & 0x0200)); // a channel ramps
    advance(1480);
    QVERIFY2(status(0) & 0x0010, "still more than 0.1 % of the nominal away");
    QVERIFY(!(events(0) & 0x0010));
    advance(40);
    QCOMPARE(SimBus::readFloat(ch20(0) + chVmeas), 1500.0f);
    QVERIFY(!(status(0) & 0x0010));
    QVERIFY(status(0) & 0x0080); // voltage control at the set value
    QVERIFY(events(0) & 0x0010); // end of ramp
    QVERIFY(SimBus::read16(status20) & 0x0200);

    // Off: down at the same speed, the switch-off event at once.
    SimBus::write16(ch20(0) + chControl, 0x0000);
    QVERIFY(!(status(0) & 0x0008));
    QVERIFY(events(0) & 0x0008);
    QVERIFY(status(0) & 0x0010);
    advance(1250);
    QCOMPARE(SimBus::readFloat(ch20(0) + chVmeas), 750.0f);
    advance(1250);
    QCOMPARE(SimBus::readFloat(ch20(0) + chVmeas), 0.0f);
    QVERIFY(!(status(0) & 0x0010));
}

void TestSimChannel::rampFollowsTimeScale()
{
    // 2.5 simulated seconds at a scale of 50 cannot end before 50 ms of real time.
    qputenv("NORV_SIM_TIMESCALE", "50");
    QCOMPARE(norvsim_reset(""), 0);
    qputenv("NORV_SIM_TIMESCALE", "0");
    SimBus::writeFloat(rampSpeed20, 20.0f);
    SimBus::writeFloat(ch20(0) + chVset, 1500.0f);
    QElapsedTimer real;
    real.start();
    SimBus::write16(ch20(0) + chControl, 0x0008);
    while ((status(0) & 0x0010) && real.elapsed() < 10000)
        QTest::qWait(1);
    const qint64 elapsed = real.elapsed();
    QVERIFY2(elapsed >= 49, qPrintable(QString::number(elapsed)));
    QVERIFY2(elapsed < 10000, "the ramp never ended");
    QCOMPARE(SimBus::readFloat(ch20(0) + chVset), 1500.0f);
}

void TestSimChannel::currentControlHoldsTheOutput()
{
    // 1 uA into 1 GOhm: the output stops at 1000 V although 2000 V are set.
    SimBus::writeFloat(ch20(3) + chIset, 1e-6f);
    SimBus::writeFloat(ch20(3) + chVset, 2000.0f);
    SimBus::write16(ch20(3) + chControl, 0x0008);
    advance(3000);
    QVERIFY(status(3) & 0x0010);
    advance(3000);
    QCOMPARE(SimBus::readFloat(ch20(3) + chVmeas), 1000.0f);
    QVERIFY(std::fabs(SimBus::readFloat(ch20(3) + chImeas) - 1e-6f) < 1e-12f);
    QVERIFY(status(3) & 0x0040);
    QVERIFY(!(status(3) & 0x0080));
    QVERIFY(!(status(3) & 0x0010)); // held, not ramping
    QVERIFY(events(3) & 0x0040);
    QVERIFY(status(3) & 0x0008); // still on

    // More current allowed: the ramp goes on to the set value.
    SimBus::writeFloat(ch20(3) + chIset, 3e-6f);
    advance(4000);
    QCOMPARE(SimBus::readFloat(ch20(3) + chVmeas), 2000.0f);
    QVERIFY(!(status(3) & 0x0040));
    QVERIFY(status(3) & 0x0080);
}

void TestSimChannel::killEnableTripsInsteadAndLatches()
{
    SimBus::write16(control20, 0x4000);
    QVERIFY(SimBus::read16(status20) & 0x8000);
    SimBus::writeFloat(ch20(1) + chIset, 1e-6f);
    SimBus::writeFloat(ch20(1) + chVset, 2000.0f);
    SimBus::write16(ch20(1) + chControl, 0x0008);
    advance(10000);
    QCOMPARE(SimBus::readFloat(ch20(1) + chVmeas), 0.0f);
    QVERIFY(status(1) & 0x2000);
    QVERIFY(events(1) & 0x2000);
    QVERIFY(!(status(1) & 0x0008));
    QVERIFY(!(SimBus::read16(status20) & 0x0100)); // sum error

    // On again without switching off first: stays tripped.
    SimBus::write16(ch20(1) + chControl, 0x0008);
    advance(1000);
    QCOMPARE(SimBus::readFloat(ch20(1) + chVmeas), 0.0f);
    QVERIFY(status(1) & 0x2000);

    // Off, then on: ramps again (now with enough current).
    SimBus::writeFloat(ch20(1) + chIset, 3e-6f);
    SimBus::write16(ch20(1) + chControl, 0x0000);
    SimBus::write16(ch20(1) + chControl, 0x0008);
    QVERIFY(!(status(1) & 0x2000));
    advance(1000);
    QCOMPARE(SimBus::readFloat(ch20(1) + chVmeas), 300.0f);

    // Kill enable set while a channel is in current control trips it.
    SimBus::write16(control20, 0x0000);
    SimBus::writeFloat(ch20(2) + chIset, 1e-7f);
    SimBus::writeFloat(ch20(2) + chVset, 500.0f);
    SimBus::write16(ch20(2) + chControl, 0x0008);
    advance(2000);
    QVERIFY(status(2) & 0x0040);
    QCOMPARE(SimBus::readFloat(ch20(2) + chVmeas), 100.0f);
    SimBus::write16(control20, 0x4000);
    advance(1);
    QVERIFY(status(2) & 0x2000);
    QCOMPARE(SimBus::readFloat(ch20(2) + chVmeas), 0.0f);
}

void TestSimChannel::emergencyOffDropsAndLatches()
{
    SimBus::writeFloat(ch20(4) + chVset, 1000.0f);
    SimBus::write16(ch20(4) + chControl, 0x0008);
    advance(5000);
    QCOMPARE(SimBus::readFloat(ch20(4) + chVmeas), 1000.0f);

    SimBus::write16(ch20(4) + chControl, 0x0028);
    QCOMPARE(SimBus::readFloat(ch20(4) + chVmeas), 0.0f); // at once, no ramp
    QVERIFY(status(4) & 0x0020);
    QVERIFY(events(4) & 0x0020);

    // Clearing the bit leaves the channel off...
    SimBus::write16(ch20(4) + chControl, 0x0008);
    advance(2000);
    QCOMPARE(SimBus::readFloat(ch20(4) + chVmeas), 0.0f);
    QVERIFY(!(status(4) & 0x0020));
    QVERIFY(!(status(4) & 0x0008));
    // ... until it is switched on again.
    SimBus::write16(ch20(4) + chControl, 0x0008);
    advance(1000);
    QCOMPARE(SimBus::readFloat(ch20(4) + chVmeas), 300.0f);

    // The all-channel register does the same to every channel.
    SimBus::write32(m20 + 0x2B0, 1);
    QCOMPARE(SimBus::readFloat(ch20(4) + chVmeas), 0.0f);
    QCOMPARE(SimBus::read16(ch20(4) + chControl), quint16(0x0028));
    QCOMPARE(SimBus::read16(ch20(0) + chControl), quint16(0x0020));
    SimBus::write32(m20 + 0x2B0, 0);
    QCOMPARE(SimBus::read16(ch20(4) + chControl), quint16(0x0008));
}

void TestSimChannel::eventsLatchUntilClearedByOneOrModuleClear()
{
    SimBus::writeFloat(ch20(5) + chVset, 30.0f);
    SimBus::write16(ch20(5) + chControl, 0x0008);
    advance(1000);
    SimBus::write16(ch20(5) + chControl, 0x0000);
    advance(1000);
    QCOMPARE(events(5) & 0x0018, 0x0018); // end of ramp, switched off
    advance(5000);
    QCOMPARE(events(5) & 0x0018, 0x0018); // latched

    // Nothing in the module event channel status until the mask enables it.
    QCOMPARE(SimBus::read16(eventChannelStatus20), quint16(0));
    SimBus::write16(ch20(5) + chEventMask, 0x0010);
    QCOMPARE(SimBus::read16(eventChannelStatus20), quint16(1u << 5));
    QVERIFY(!(SimBus::read16(status20) & 0x0800));
    SimBus::write16(eventChannelMask20, 0xFFFF);
    QVERIFY(SimBus::read16(status20) & 0x0800); // event active

    // Writing 1 clears that bit only.
    SimBus::write16(ch20(5) + chEvent, 0x0010);
    QCOMPARE(events(5) & 0x0018, 0x0008);
    QCOMPARE(SimBus::read16(eventChannelStatus20), quint16(0));
    QVERIFY(!(SimBus::read16(status20) & 0x0800));

    // Module control bit 6 clears every event word and reads back as 0.
    SimBus::writeFloat(ch20(6) + chVset, 9999.0f); // input error event
    QVERIFY(events(6) & 0x0004);
    SimBus::write16(control20, 0x4040);
    QCOMPARE(SimBus::read16(control20), quint16(0x4000));
    QCOMPARE(events(5), quint16(0));
    QCOMPARE(events(6), quint16(0));
}

void TestSimChannel::setValuesAboveNominalAreRefused()
{
    SimBus::writeFloat(ch20(0) + chVset, 1200.0f);
    QCOMPARE(SimBus::readFloat(ch20(0) + chVset), 1200.0f);
    SimBus::writeFloat(ch20(0) + chVset, 3000.5f);
    QCOMPARE(SimBus::readFloat(ch20(0) + chVset), 1200.0f);
    QVERIFY(status(0) & 0x0004);
    QVERIFY(events(0) & 0x0004);
    SimBus::writeFloat(ch20(0) + chVset, -1.0f); // negative on a positive channel
    QCOMPARE(SimBus::readFloat(ch20(0) + chVset), 1200.0f);
    SimBus::writeFloat(ch20(0) + chVset, 3000.0f); // the nominal itself is fine
    QCOMPARE(SimBus::readFloat(ch20(0) + chVset), 3000.0f);
    QVERIFY(!(status(0) & 0x0004));
    QVERIFY(events(0) & 0x0004); // the event stays until cleared

    SimBus::writeFloat(ch20(0) + chIset, 0.0031f);
    QCOMPARE(SimBus::readFloat(ch20(0) + chIset), 0.003f);
    QVERIFY(status(0) & 0x0004);
    // The nominal read back and written again is accepted.
    SimBus::writeFloat(ch20(0) + chIset, SimBus::readFloat(ch20(0) + chInom));
    QVERIFY(!(status(0) & 0x0004));
}

void TestSimChannel::stopModeWaitsForAllChannelsOff()
{
    SimBus::writeFloat(ch20(7) + chVset, 300.0f);
    SimBus::write16(ch20(7) + chControl, 0x0008);
    advance(1000);
    SimBus::write16(control20, 0x0004);
    advance(1000);
    QVERIFY(!(SimBus::read16(status20) & 0x0004));
    SimBus::write16(ch20(7) + chControl, 0x0000);
    advance(500); // still ramping down
    QVERIFY(!(SimBus::read16(status20) & 0x0004));
    advance(600);
    QVERIFY(SimBus::read16(status20) & 0x0004);
    SimBus::write16(control20, 0x0000);
    QVERIFY(!(SimBus::read16(status20) & 0x0004));
}

void TestSimChannel::nominalsOnlyInStopModeAndRange()
{
    SimBus::writeFloat(ch20(0) + chVset, 2500.0f);
    SimBus::writeFloat(ch20(0) + chVnom, 2000.0f);
    QCOMPARE(SimBus::readFloat(ch20(0) + chVnom), 3000.0f); // not in stop mode
    SimBus::write16(control20, 0x0004);
    QVERIFY(SimBus::read16(status20) & 0x0004);
    SimBus::writeFloat(ch20(0) + chVnom, 3500.0f);
    QCOMPARE(SimBus::readFloat(ch20(0) + chVnom), 3000.0f);
    SimBus::writeFloat(ch20(0) + chVnom, 0.0f);
    QCOMPARE(SimBus::readFloat(ch20(0) + chVnom), 3000.0f);
    SimBus::writeFloat(ch20(0) + chVnom, 2000.0f);
    QCOMPARE(SimBus::readFloat(ch20(0) + chVnom), 2000.0f);
    QCOMPARE(SimBus::readFloat(ch20(0) + chVset), 2000.0f); // never above its bound
    SimBus::writeFloat(ch20(0) + chInom, 0.001f);
    QCOMPARE(SimBus::readFloat(ch20(0) + chInom), 0.001f);
    SimBus::writeFloat(ch20(0) + chInom, 0.004f);
    QCOMPARE(SimBus::readFloat(ch20(0) + chInom), 0.001f);
    // The hardware nominal stays; set values obey the new bound.
    QCOMPARE(SimBus::readFloat(m20 + 0x340), 3000.0f);
    SimBus::writeFloat(ch20(0) + chVset, 2500.0f);
    QVERIFY(status(0) & 0x0004);
    SimBus::writeFloat(ch20(0) + chVset, 2000.0f);
    QCOMPARE(SimBus::readFloat(ch20(0) + chVset), 2000.0f);
}

void TestSimChannel::controlReadsBackLastWordEvenWhenSuspended()
{
    SimBus::write16(control20, 0x0004);
    SimBus::writeFloat(ch20(0) + chVset, 100.0f);
    SimBus::write16(ch20(0) + chControl, 0x0C08);
    QCOMPARE(SimBus::read16(ch20(0) + chControl), quint16(0x0C08));
    advance(1000);
    QCOMPARE(SimBus::readFloat(ch20(0) + chVmeas), 0.0f); // stop mode holds it off
    QVERIFY(SimBus::read16(status20) & 0x0004);
    SimBus::write16(control20, 0x0000);
    advance(100);
    QCOMPARE(SimBus::readFloat(ch20(0) + chVmeas), 30.0f);
}

void TestSimChannel::saveBitShownThenImageKeptAndRecalled()
{
    SimBus::writeFloat(ch20(2) + chVset, 1000.0f);
    SimBus::writeFloat(rampSpeed20, 5.0f);
    SimBus::write16(control20, 0x8000);
    QCOMPARE(SimBus::read16(control20), quint16(0x8000));
    advance(30);
    QCOMPARE(SimBus::read16(control20), quint16(0x8000));
    // Changes before the store completes are stored too.
    SimBus::writeFloat(ch20(2) + chVset, 1100.0f);
    advance(25);
    QCOMPARE(SimBus::read16(control20), quint16(0x0000));

    SimBus::writeFloat(ch20(2) + chVset, 500.0f);
    SimBus::writeFloat(rampSpeed20, 40.0f);
    SimBus::write16(control20, 0x0002);
    QCOMPARE(SimBus::readFloat(ch20(2) + chVset), 1100.0f);
    QCOMPARE(SimBus::readFloat(rampSpeed20), 5.0f);
    QCOMPARE(SimBus::read16(control20), quint16(0x0000));
}

void TestSimChannel::adjustmentShowsStatusForTwoHundredMs()
{
    SimBus::write16(control20, 0x1000);
    QVERIFY(SimBus::read16(status20) & 0x0001);
    advance(199);
    QVERIFY(SimBus::read16(status20) & 0x0001);
    advance(2);
    QVERIFY(!(SimBus::read16(status20) & 0x0001));
}

void TestSimChannel::specialModeNeedsAllChannelsOff()
{
    SimBus::writeFloat(ch20(0) + chVset, 30.0f);
    SimBus::write16(ch20(0) + chControl, 0x0008);
    advance(1000);
    SimBus::write16(control20, 0x0005);
    QVERIFY(!(SimBus::read16(status20) & 0x0040));
    SimBus::write16(ch20(0) + chControl, 0x0000);
    advance(200);
    QVERIFY(SimBus::read16(status20) & 0x0040);
    QCOMPARE(SimBus::read16(m20 + 0x3B0), quint16(0x80));
    SimBus::write16(control20, 0x0000);
    QVERIFY(!(SimBus::read16(status20) & 0x0040));
    QCOMPARE(SimBus::read16(m20 + 0x3B0), quint16(0));
}

void TestSimChannel::allChannelRegisters()
{
    SimBus::writeFloat(m20 + 0x2A0, 250.0f);
    SimBus::writeFloat(m20 + 0x2A4, 0.002f);
    SimBus::write32(m20 + 0x2B4, 1);
    for (int ch = 0; ch < 12; ++ch) {
        QCOMPARE(SimBus::readFloat(ch20(ch) + chVset), 250.0f);
        QCOMPARE(SimBus::readFloat(ch20(ch) + chIset), 0.002f);
        QCOMPARE(SimBus::read16(ch20(ch) + chControl), quint16(0x0008));
    }
    advance(1000);
    QCOMPARE(SimBus::readFloat(ch20(11) + chVmeas), 250.0f);
    SimBus::write32(m20 + 0x2B4, 0);
    QCOMPARE(SimBus::read16(ch20(11) + chControl), quint16(0x0000));
    SimBus::writeFloat(m20 + 0x2A0, 4000.0f);
    QCOMPARE(SimBus::readFloat(ch20(11) + chVset), 250.0f);
    QVERIFY(status(11) & 0x0004);
}

void TestSimChannel::inhibitHoldsOutputOff()
{
    SimBus::writeFloat(ch20(8) + chVset, 300.0f);
    SimBus::write16(ch20(8) + chControl, 0x0008);
    advance(1000);
    QCOMPARE(norvsim_inject_inhibit(m20, 8, 1), 0);
    QCOMPARE(SimBus::readFloat(ch20(8) + chVmeas), 0.0f);
    QVERIFY(status(8) & 0x1000);
    QVERIFY(events(8) & 0x1000);
    QCOMPARE(norvsim_inject_inhibit(m20, 8, 0), 0);
    advance(1000);
    QCOMPARE(SimBus::readFloat(ch20(8) + chVmeas), 0.0f);
    SimBus::write16(ch20(8) + chControl, 0x0008);
    advance(1000);
    QCOMPARE(SimBus::readFloat(ch20(8) + chVmeas), 300.0f);
}

void TestSimChannel::interlockOutCountsActivations()
{
    const quint32 ilkStatus = m20 + 0x40, ilkControl = m20 + 0x42, ilkCount = m20 + 0x44,
                  ilkLast = m20 + 0x46, ilkActive = m20 + 0x48, ilkEver = m20 + 0x4A;
    SimBus::writeFloat(ch20(2) + chVset, 30.0f);
    SimBus::write16(ch20(2) + chControl, 0x0008);
    SimBus::write16(ch20(9) + chControl, 0x0008);
    SimBus::write16(ilkControl, 0x8000);
    QCOMPARE(SimBus::read16(ilkStatus), quint16(0xA000)); // enabled, standby
    SimBus::write16(ilkControl, 0x8041);
    QCOMPARE(SimBus::read16(ilkStatus), quint16(0xC001)); // active, test loop 0 mirrored
    QVERIFY(SimBus::read16(status20) & 0x0002);
    QCOMPARE(SimBus::read16(ilkLast), quint16(0x4000 | 0x0040 | 2));
    QCOMPARE(SimBus::read16(ilkCount), quint16(1));
    QCOMPARE(SimBus::read16(ilkActive), quint16((1u << 2) | (1u << 9)));
    SimBus::write16(ilkControl, 0x8041); // still the same activation
    QCOMPARE(SimBus::read16(ilkCount), quint16(1));
    SimBus::write16(ilkControl, 0x8000);
    QCOMPARE(SimBus::read16(ilkActive), quint16(0));
    QCOMPARE(SimBus::read16(ilkEver), quint16((1u << 2) | (1u << 9)));
    SimBus::write16(ilkControl, 0x8200);
    QCOMPARE(SimBus::read16(ilkCount), quint16(2));
    QCOMPARE(SimBus::read16(ilkLast), quint16(0x4200 | 2));
    SimBus::write16(ilkControl, 0xC000);
    QCOMPARE(SimBus::read16(ilkControl), quint16(0x8000));
    QCOMPARE(SimBus::read16(ilkCount), quint16(0));
    QCOMPARE(SimBus::read16(ilkLast), quint16(0));
    QCOMPARE(SimBus::read16(ilkEver), quint16(0));

    // A channel in current control activates an enabled output by itself.
    SimBus::writeFloat(ch20(6) + chIset, 1e-7f);
    SimBus::writeFloat(ch20(6) + chVset, 500.0f);
    SimBus::write16(ch20(6) + chControl, 0x0008);
    advance(2000);
    QVERIFY(SimBus::read16(ilkStatus) & 0x4000);
    QCOMPARE(SimBus::read16(ilkLast), quint16(0x0020 | 6));
    QCOMPARE(SimBus::read16(ilkActive), quint16(1u << 6));
}

void TestSimChannel::variableGroupsStoredAsWritten()
{
    SimBus::write16(m20 + 0x2C0 + 4 * 3, 0x0FFF);
    SimBus::write16(m20 + 0x2C2 + 4 * 3, 0xD3E8);
    QCOMPARE(SimBus::read16(m20 + 0x2C0 + 4 * 3), quint16(0x0FFF));
    QCOMPARE(SimBus::read16(m20 + 0x2C2 + 4 * 3), quint16(0xD3E8));
    QCOMPARE(SimBus::read16(m20 + 0x2C0 + 4 * 4), quint16(0));

    // Layout 29: 32-bit words that share their addresses with the hardware
    // nominals; past the last channel the group reads back.
    SimBus::write32(m29 + 0x700 + 8 * 30, 0x00FF0000);
    SimBus::write32(m29 + 0x704 + 8 * 30, 0x03E8D000);
    QCOMPARE(SimBus::read32(m29 + 0x700 + 8 * 30), quint32(0x00FF0000));
    QCOMPARE(SimBus::read32(m29 + 0x704 + 8 * 30), quint32(0x03E8D000));
    SimBus::write32(m29 + 0x700, 0x1);
    QCOMPARE(SimBus::readFloat(m29 + 0x700), 6000.0f);
    QCOMPARE(SimBus::readFloat(m29 + 0x704), 0.001f);
}

void TestSimChannel::layout29ChannelThroughWideWords()
{
    QCOMPARE(SimBus::read32(m29 + 0x5C), quint32(0x6E6F7276));
    QCOMPARE(SimBus::read16(m29 + 0x3E), quint16(29));
    QCOMPARE(SimBus::read16(m29 + 0x3C), quint16(24));
    QCOMPARE(SimBus::read32(m29 + 0x38), quint32(0x00FFFFFF));
    QCOMPARE(SimBus::read32(m29 + 0x30), quint32(4712));
    QCOMPARE(SimBus::read32(m29 + 0x7C), quint32(0x00010000));
    SimBus::writeFloat(m29 + 0x20, 50.0f); // 3000 V/s
    SimBus::writeFloat(ch29(23) + 0x10, 6000.0f);
    SimBus::write32(ch29(23) + 0x0C, 0x00000008);
    QCOMPARE(SimBus::read32(ch29(23) + 0x0C), quint32(0x00000008));
    advance(1000);
    QCOMPARE(SimBus::readFloat(ch29(23) + 0x18), 3000.0f);
    QVERIFY(SimBus::read32(ch29(23) + 0x00) & 0x0010);
    advance(1000);
    QCOMPARE(SimBus::readFloat(ch29(23) + 0x18), 6000.0f);
    QVERIFY(std::fabs(SimBus::readFloat(ch29(23) + 0x1C) - 6e-7f) < 1e-12f); // 10 GOhm
    QVERIFY(SimBus::read32(ch29(23) + 0x04) & 0x0010);
    SimBus::write32(ch29(23) + 0x04, 0xFFFFFFFF);
    QCOMPARE(SimBus::read32(ch29(23) + 0x04), quint32(0));
    // Module control is the 32-bit word at 0x0C; kill enable shows in status.
    SimBus::write32(m29 + 0x0C, 0x4000);
    QVERIFY(SimBus::read32(m29 + 0x00) & 0x8000);
}

void TestSimChannel::healthyModuleStatus()
{
    QCOMPARE(SimBus::read16(status20), quint16(0x7700)); // bits 14,13,12,10,9,8
    QCOMPARE(SimBus::read32(m29), quint32(0x7700));
    QCOMPARE(SimBus::readFloat(m20 + 0x30), 31.5f);
    QCOMPARE(SimBus::readFloat(m20 + 0x24), 5.02f);
    QCOMPARE(SimBus::readFloat(m20 + 0x28), 12.1f);
    QCOMPARE(SimBus::readFloat(m20 + 0x2C), -11.9f);
    QCOMPARE(SimBus::read16(m20 + 0x58), quint16(500));
    QCOMPARE(SimBus::read16(m20 + 0x5A), quint16(64));
    SimBus::write16(m20 + 0x58, 60);
    SimBus::write16(m20 + 0x5A, 1000); // not a filter setting
    QCOMPARE(SimBus::read16(m20 + 0x58), quint16(60));
    QCOMPARE(SimBus::read16(m20 + 0x5A), quint16(64));
    SimBus::write32(m29 + 0x50, 0x12345);
    QCOMPARE(SimBus::read32(m29 + 0x50), quint32(0x12345));
}

QTEST_GUILESS_MAIN(TestSimChannel)
#include "tst_simchannel.moc"
