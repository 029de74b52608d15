// Two threads on one module (the GUI and the script thread): cycles of one
// register transaction must never be separated by the other thread's cycles.
// The fake sleeps inside each cycle to make any gap in the locking show.

#include "BusTransaction.h"
#include "FakeVmeController.h"
#include "TestVmeModule.h"

#include <QSemaphore>
#include <QThread>
#include <QtTest>

#include <atomic>
#include <functional>
#include <memory>

using namespace ModuleTest;

namespace {

constexpr int CycleDelayUs = 50;

std::unique_ptr<QThread> startThread(std::function<void()> body)
{
    std::unique_ptr<QThread> thread(QThread::create(std::move(body)));
    thread->start();
    return thread;
}

} // namespace

class TestBusSerialisation : public QObject
{
    Q_OBJECT

private slots:
    void detectorSeesForcedSplits();
    void detectorIgnoresUnrelatedCycles();
    void unguardedAccessesAreCaught();
    void moduleTransactionsNeverInterleave();
    void moduleWaitsForTheBusLock();
};

// Deterministic: the second half of each pair is held back until another
// thread has made a cycle.
void TestBusSerialisation::detectorSeesForcedSplits()
{
    FakeVmeController fake;
    QSemaphore firstHalfDone;
    QSemaphore mayFinish;

    auto worker = startThread([&] {
        fake.read16(0x4010, 0x29);
        firstHalfDone.release();
        mayFinish.acquire();
        fake.read16(0x4012, 0x29); // second half of a 32-bit read

        fake.read16(0x4062, 0x29);
        firstHalfDone.release();
        mayFinish.acquire();
        fake.write16(0x4062, 0x29, 8); // write of a read-modify-write
    });

    firstHalfDone.acquire();
    fake.read16(0x4100, 0x29);
    mayFinish.release();
    firstHalfDone.acquire();
    fake.write16(0x4062, 0x29, 0x20);
    mayFinish.release();
    QVERIFY(worker->wait(5000));

    QCOMPARE(fake.splitTransactions(), 2);
    QVERIFY(fake.threadSwitches() >= 3);
}

void TestBusSerialisation::detectorIgnoresUnrelatedCycles()
{
    FakeVmeController fake;
    // One thread, pairs back to back: nothing is split.
    fake.read16(0x4010, 0x29);
    fake.read16(0x4012, 0x29);
    fake.read16(0x4062, 0x29);
    fake.write16(0x4062, 0x29, 8);
    QCOMPARE(fake.splitTransactions(), 0);
    QCOMPARE(fake.threadSwitches(), 0);

    // Another thread between two transactions (not inside one) is no split.
    auto other = startThread([&] { fake.read16(0x4100, 0x29); });
    QVERIFY(other->wait(5000));
    fake.read16(0x4010, 0x29);
    fake.read16(0x4012, 0x29);
    QCOMPARE(fake.splitTransactions(), 0);
    QCOMPARE(fake.threadSwitches(), 2);
}

// Two threads doing two-cycle accesses without the bus lock: the detector must
// report interleaving, or the guarded test below could not fail.
void TestBusSerialisation::unguardedAccessesAreCaught()
{
    FakeVmeController fake;
    fake.setCycleDelay(CycleDelayUs);
    QSemaphore go;

    auto rawPairs = [&](quint32 address) {
        go.acquire();
        for (int i = 0; i < 200; ++i) {
            fake.read16(address, 0x29);
            fake.read16(address + 2, 0x29);
        }
    };
    auto a = startThread([&] { rawPairs(0x4068); });
    auto b = startThread([&] { rawPairs(0x4098); });
    go.release(2);
    QVERIFY(a->wait(30000));
    QVERIFY(b->wait(30000));

    QVERIFY2(fake.splitTransactions() > 0, "unguarded pairs must be seen torn");
}

void TestBusSerialisation::moduleTransactionsNeverInterleave()
{
    FakeVmeController fake;
    VmeModule module(&fake, Base20);
    identify(fake, module, 20);
    // Two values whose halves differ, so a torn read would return neither.
    const float low = 1.0f; // 0x3F800000
    const float high = 3000.0f; // 0x453B8000
    fake.setRegisterFloat(Base20, 0x68, low);
    fake.setCycleDelay(CycleDelayUs);

    QSemaphore go;
    std::atomic<int> tornValues {0};
    std::atomic<int> reads {0};
    constexpr int Rounds = 150;

    // "Script thread": writes and reads channel 0's voltage set, then the
    // module's serial number (a 32-bit register).
    auto script = startThread([&] {
        go.acquire();
        for (int i = 0; i < Rounds; ++i) {
            module.SetChannelVoltageSet(0, (i % 2) ? high : low);
            const float v = module.GetChannelVoltageSet(0);
            if (v != low && v != high)
                ++tornValues;
            ++reads;
            module.GetModuleSerialNumber();
        }
    });
    // "GUI thread": read-modify-writes on channel 1, channel-mask steps and
    // reads of the value the other thread writes.
    auto gui = startThread([&] {
        go.acquire();
        for (int i = 0; i < Rounds; ++i) {
            module.SetChannelOn(1);
            const float v = module.GetChannelVoltageSet(0);
            if (v != low && v != high)
                ++tornValues;
            ++reads;
            module.SetSelectedChannelsEmergencyOff(0x6);
            module.ClearSelectedChannelsEmergencyOff(0x6);
            module.SetChannelOff(1);
        }
        module.SetChannelOn(1);
    });
    go.release(2);
    QVERIFY(script->wait(60000));
    QVERIFY(gui->wait(60000));

    QCOMPARE(reads.load(), 2 * Rounds);
    QVERIFY2(fake.threadSwitches() > 10, "the threads must really have run side by side");
    QCOMPARE(fake.splitTransactions(), 0);
    QCOMPARE(tornValues.load(), 0);
    // Channel 1 ends on, channel 2 ends with emergency off cleared.
    QCOMPARE(fake.word(Base20 + 0x60 + 0x30 * 1 + 2), quint16(0x0008));
    QCOMPARE(fake.word(Base20 + 0x60 + 0x30 * 2 + 2), quint16(0x0000));
}

// The module uses the controller's lock, so a transaction held elsewhere (by
// another module on the same controller, or a caller grouping operations)
// keeps the module off the bus until it ends.
void TestBusSerialisation::moduleWaitsForTheBusLock()
{
    FakeVmeController fake;
    VmeModule module(&fake, Base20);
    identify(fake, module, 20);

    std::unique_ptr<QThread> worker;
    {
        BusTransaction held(&fake);
        worker = startThread([&] { module.GetChannelVoltageSet(0); });
        QThread::msleep(100);
        QVERIFY2(fake.cycles().isEmpty(), "no cycle while another transaction holds the bus");
    }
    QVERIFY(worker->wait(5000));
    QCOMPARE(fake.cycles().size(), 2);
}

QTEST_GUILESS_MAIN(TestBusSerialisation)
#include "tst_busserialisation.moc"
