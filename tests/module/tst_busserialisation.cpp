// Two threads on one module (the GUI and the script thread): cycles of one
// register transaction must never be separated by the other thread's cycles.
// The fake sleeps inside each cycle to make any gap in the locking show.

#include "BusTransaction.h"
#include "ReadAhead.h"
#include "TestVmeModule.h"

#include <QThread>
#include <QtTest>

#include <memory>

using namespace ModuleTest;

namespace {

constexpr int CycleDelayUs = 50;

// Runs `a` in another thread while this thread runs `b`, each `rounds` times. Each
// round ends with a pause outside any transaction: the bus lock is not fair, and without
// it one thread could take the lock again at once and keep the other waiting.
template<typename A, typename B> void hammer(int rounds, A a, B b)
{
    std::unique_ptr<QThread> other(QThread::create([&] {
        for (int i = 0; i < rounds; ++i, QThread::usleep(CycleDelayUs))
            a(i);
    }));
    other->start();
    for (int i = 0; i < rounds; ++i, QThread::usleep(CycleDelayUs))
        b(i);
    QVERIFY(other->wait(60000));
}

} // namespace

class TestBusSerialisation : public QObject
{
    Q_OBJECT

private slots:
    void moduleTransactionsNeverInterleave_data()
    {
        QTest::addColumn<int>("deviceClass");
        QTest::newRow("layout 20, 16-bit control words") << 20;
        QTest::newRow("layout 29, 32-bit control words") << 29;
    }

    void moduleTransactionsNeverInterleave()
    {
        QFETCH(int, deviceClass);
        FakeVmeController fake;
        VmeModule module(&fake, baseOf(deviceClass));
        identify(fake, module, deviceClass);
        fake.setCycleDelay(CycleDelayUs);

        hammer(
            150,
            [&](int i) {
                module.SetChannelVoltageSet(0, float(i));
                module.GetChannelVoltageSet(0);
                module.GetModuleSerialNumber();
            },
            [&](int) {
                module.SetChannelOn(1);
                module.GetChannelVoltageSet(0);
                module.SetSelectedChannelsEmergencyOff(0x6);
                module.ClearSelectedChannelsEmergencyOff(0x6);
                module.SetChannelOff(1);
            });
        QVERIFY2(fake.threadSwitches() > 10, "the threads must really have run side by side");
        QCOMPARE(fake.splitTransactions(), 0);
    }

    // The module takes the controller's lock, so a transaction held elsewhere (another
    // module on the same controller, a caller grouping operations) keeps it off the bus.
    void moduleWaitsForTheBusLock()
    {
        FakeVmeController fake;
        VmeModule module(&fake, Base20);
        identify(fake, module, 20);

        std::unique_ptr<QThread> worker(QThread::create([&] { module.GetChannelVoltageSet(0); }));
        QStringList whileHeld;
        {
            BusTransaction held(&fake);
            worker->start();
            QThread::msleep(100);
            whileHeld = fake.log();
        }
        QVERIFY(worker->wait(5000));
        QCOMPARE(whileHeld, QStringList());
        QCOMPARE(fake.log().size(), 2);
    }

    // Reads made ahead in one transfer serve the thread that made them, in
    // step only: the first read out of step and all after it go to the bus.
    void readAheadServesItsThreadInStep()
    {
        FakeVmeController fake;
        VmeModule module(&fake, Base20);
        identify(fake, module, 20);
        const quint32 vset0 = Base20 + 0x60 + 0x08; // a float, high word first
        fake.setRegisterFloat(vset0, 100.0f);
        const quint32 ahead200 = 0x43480000; // 200.0f
        {
            ReadAhead ahead({vset0, vset0 + 2}, {quint16(ahead200 >> 16), 0}, {0, 0});
            float otherThread = 0;
            std::unique_ptr<QThread> other(
                QThread::create([&] { otherThread = module.GetChannelVoltageSet(0); }));
            other->start();
            QVERIFY(other->wait(10000));
            QCOMPARE(otherThread, 100.0f);
            QCOMPARE(module.GetChannelVoltageSet(0), 200.0f);
            QCOMPARE(fake.log().size(), 2); // nothing more on the bus
            QCOMPARE(ahead.asked(), (QVector<quint32> {vset0, vset0 + 2}));
        }
        fake.clearLog();
        {
            // Out of step at the first read: both halves come from the bus.
            ReadAhead ahead({vset0 + 2, vset0}, {0, quint16(ahead200 >> 16)}, {0, 0});
            QCOMPARE(module.GetChannelVoltageSet(0), 100.0f);
            QCOMPARE(fake.log().size(), 2);
            QCOMPARE(ahead.taken(), 0);
        }
        QCOMPARE(module.GetChannelVoltageSet(0), 100.0f); // no read-ahead left behind
    }
};

QTEST_GUILESS_MAIN(TestBusSerialisation)
#include "tst_busserialisation.moc"
