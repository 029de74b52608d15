// The simulated crate's bus: decoding, failures, counters, torn-access
// detection, the trace file, latency and the injected faults.

#include "SimBus.h"
#include "norvsim.h"

#include <QElapsedTimer>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <mutex>
#include <thread>

namespace {

constexpr quint32 m20 = 0x4000;
constexpr quint32 m29 = 0x8000;
constexpr quint32 m33 = 0xC000;

QStringList fileLines(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return {};
    return QString::fromUtf8(file.readAll()).split('\n', Qt::SkipEmptyParts);
}

} // namespace

class TestSimBus : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void identificationOfTheDefaultCrate();
    void cyclesThatFail_data();
    void cyclesThatFail();
    void cyclesAreCountedPerModule();
    void tornAccessesAreCounted();
    void concurrentSerialisedAccessIsNotTorn();
    void traceLinesDescribeEveryCycle();
    void traceFromEnvironment();
    void latencyDelaysEveryCycle();
    void unplugAndReplugByTime();
    void unplugAfterCycles();
    void unplugThroughTheTestApi();
    void busErrorsAreSeededAndRepeatable();
    void wrongReadOnce();
    void refusedChannelControl();
    void moduleWithoutLayout();

private:
    QTemporaryDir m_dir;
};

void TestSimBus::initTestCase()
{
    QVERIFY(m_dir.isValid());
    qputenv("NORV_SIM_TIMESCALE", "0");
    for (const char *name :
         {"NORV_SIM_CRATE", "NORV_SIM_NO_BRIDGE", "NORV_SIM_TRACE", "NORV_SIM_LATENCY_US"})
        qunsetenv(name);
}

void TestSimBus::init() { QCOMPARE(norvsim_reset(""), 0); }

void TestSimBus::cleanup()
{
    qunsetenv("NORV_SIM_TRACE");
    qunsetenv("NORV_SIM_LATENCY_US");
}

void TestSimBus::identificationOfTheDefaultCrate()
{
    QCOMPARE(norvsim_module_count(), 3);
    QCOMPARE(SimBus::read32(m20 + 0x5C), quint32(0x6E6F7276));
    QCOMPARE(SimBus::read32(m20 + 0x3C), quint32(0x0FFF0014)); // placed mask, class 20
    QCOMPARE(SimBus::read32(m20 + 0x34), quint32(4711));
    QCOMPARE(SimBus::read32(m20 + 0x38), quint32(0x01020304));
    QCOMPARE(SimBus::readFloat(m20 + 0x340 + 8 * 11), 3000.0f);
    QCOMPARE(SimBus::readFloat(m20 + 0x344 + 8 * 11), 0.003f);
    QCOMPARE(SimBus::read32(m29 + 0x5C), quint32(0x6E6F7276));
    QCOMPARE(SimBus::read32(m29 + 0x3C), quint32(0x0018001D)); // 24 channels, class 29
    QCOMPARE(SimBus::readFloat(m29 + 0x700 + 8 * 23), 6000.0f);
    QCOMPARE(SimBus::read32(m33 + 0x5C), quint32(0x6E6F7276));
    QCOMPARE(SimBus::read16(m33 + 0x3E), quint16(33));
    // Every base of the scan that has no module fails.
    int answering = 0;
    for (quint32 base = 0; base < 0x10000; base += 0x400) {
        bool ok = false;
        SimBus::read16(base + 0x5C, &ok);
        answering += ok;
    }
    QCOMPARE(answering, 4); // 0x8400 lies inside the class-29 window
    QCOMPARE(norvsim_torn_access_count(), 0);
}

void TestSimBus::cyclesThatFail_data()
{
    QTest::addColumn<quint32>("address");
    QTest::addColumn<int>("modifier");
    QTest::addColumn<int>("width");

    QTest::newRow("no module") << quint32(0x1000 + 0x5C) << 0x29 << 2;
    QTest::newRow("beyond A16") << quint32(0x14000 + 0x5C) << 0x29 << 2;
    QTest::newRow("A24 modifier") << quint32(m20 + 0x5C) << 0x39 << 2;
    QTest::newRow("supervisory A16") << quint32(m20 + 0x5C) << 0x2D << 2;
    QTest::newRow("D32") << quint32(m20 + 0x5C) << 0x29 << 4;
    QTest::newRow("D8") << quint32(m20 + 0x5C) << 0x29 << 1;
}

void TestSimBus::cyclesThatFail()
{
    QFETCH(quint32, address);
    QFETCH(int, modifier);
    QFETCH(int, width);
    uint16_t cell = 0xBEEF;
    QCOMPARE(norvsim_bus_read(address, modifier, width, &cell), -1);
    QCOMPARE(cell, uint16_t(0xBEEF));
    QCOMPARE(norvsim_bus_write(address, modifier, width, 0x1234), -1);
    // The same address with A16/D16 is fine wherever a module answers.
    if (address == m20 + 0x5C)
        QCOMPARE(norvsim_bus_read(address, 0x29, 2, &cell), 0);
}

void TestSimBus::cyclesAreCountedPerModule()
{
    SimBus::read32(m20 + 0x34);
    SimBus::write16(m20 + 0x06, 0x0001);
    SimBus::read16(m29 + 0x3E);
    SimBus::read16(0x1000); // nobody's
    QCOMPARE(norvsim_cycle_count(m20), 3);
    QCOMPARE(norvsim_cycle_count(m29), 1);
    QCOMPARE(norvsim_cycle_count(m33), 0);
    QCOMPARE(norvsim_cycle_count(0x1000), -1);
    norvsim_reset_counters();
    QCOMPARE(norvsim_cycle_count(m20), 0);
    // Test-API look-ups are no cycles.
    QCOMPARE(norvsim_register(m20, 0x34), 4711);
    QCOMPARE(norvsim_cycle_count(m20), 0);
}

void TestSimBus::tornAccessesAreCounted()
{
    SimBus::read32(m20 + 0x34);
    SimBus::writeFloat(m20 + 0x60 + 0x08, 100.0f);
    QCOMPARE(norvsim_torn_access_count(), 0);

    // A read of the serial number with a status read between its halves.
    SimBus::read16(m20 + 0x34);
    SimBus::read16(m20 + 0x00);
    SimBus::read16(m20 + 0x36);
    QCOMPARE(norvsim_torn_access_count(), 1);

    // A write of a set value interleaved with another module's cycle. The
    // low half still lands (with the high half the module latched).
    SimBus::write16(m20 + 0x60 + 0x08, 0x4348); // 200.0f high word
    SimBus::read16(m29 + 0x3E);
    SimBus::write16(m20 + 0x60 + 0x0A, 0x0000);
    QCOMPARE(norvsim_torn_access_count(), 2);
    QCOMPARE(SimBus::readFloat(m20 + 0x60 + 0x08), 200.0f);

    // Interleaving two 32-bit writes corrupts them: the module has one latch.
    SimBus::write16(m20 + 0x60 + 0x08, 0x4396); // 300.0f
    SimBus::write16(m20 + 0x90 + 0x08, 0x43C8); // 400.0f
    SimBus::write16(m20 + 0x60 + 0x0A, 0x0000);
    SimBus::write16(m20 + 0x90 + 0x0A, 0x0000);
    QCOMPARE(norvsim_torn_access_count(), 4);
    QCOMPARE(SimBus::readFloat(m20 + 0x60 + 0x08), 200.0f); // kept its old high half
    QCOMPARE(SimBus::readFloat(m20 + 0x90 + 0x08), 400.0f);

    // A low half alone, or a high half read before a write of the low half.
    SimBus::read16(m20 + 0x36);
    SimBus::read16(m20 + 0x34);
    SimBus::write16(m20 + 0x36, 0);
    QCOMPARE(norvsim_torn_access_count(), 6);
    // 16-bit registers never tear.
    SimBus::read16(m20 + 0x3C);
    SimBus::read16(m20 + 0x00);
    SimBus::read16(m20 + 0x3E);
    QCOMPARE(norvsim_torn_access_count(), 6);
    norvsim_reset_counters();
    QCOMPARE(norvsim_torn_access_count(), 0);
}

void TestSimBus::concurrentSerialisedAccessIsNotTorn()
{
    // Two threads that hold one lock per 32-bit access, as the program's bus
    // lock does: every value arrives whole and nothing counts as torn.
    std::mutex busLock;
    constexpr int rounds = 2000;
    int wrong[2] = {0, 0};
    auto worker = [&](int id) {
        const quint32 address = id ? m29 + 0x30 : m20 + 0x34;
        const quint32 expected = id ? 4712 : 4711;
        for (int i = 0; i < rounds; ++i) {
            std::lock_guard<std::mutex> lock(busLock);
            if (SimBus::read32(address) != expected)
                ++wrong[id];
        }
    };
    std::thread a(worker, 0), b(worker, 1);
    a.join();
    b.join();
    QCOMPARE(wrong[0] + wrong[1], 0);
    QCOMPARE(norvsim_torn_access_count(), 0);
    QCOMPARE(norvsim_cycle_count(m20), 2 * rounds);
    QCOMPARE(norvsim_cycle_count(m29), 2 * rounds);
}

void TestSimBus::traceLinesDescribeEveryCycle()
{
    const QString path = m_dir.filePath("trace.txt");
    QCOMPARE(norvsim_trace(path.toUtf8().constData()), 0);
    SimBus::read16(m20 + 0x3E);
    SimBus::write16(m20 + 0x06, 0xBEEF);
    SimBus::read16(0x1000);
    norvsim_bus_read(m20, 0x39, 2, nullptr);
    uint16_t cell = 0;
    norvsim_bus_read(m20, 0x39, 2, &cell);
    QCOMPARE(norvsim_trace(nullptr), 0);
    SimBus::read16(m20 + 0x3E); // not traced any more

    const QStringList lines = fileLines(path);
    QCOMPARE(lines.size(), 4);
    static const QRegularExpression format(
        QStringLiteral("^(\\d+) ([RW]) ([0-9a-f]{4,}) ([0-9a-f]{2}) ([0-9a-f]{4}|----) (0|-1)$"));
    qint64 previous = -1;
    for (const QString &line : lines) {
        const QRegularExpressionMatch m = format.match(line);
        QVERIFY2(m.hasMatch(), qPrintable(line));
        QVERIFY(m.captured(1).toLongLong() >= previous);
        previous = m.captured(1).toLongLong();
    }
    QVERIFY(lines[0].endsWith(" R 403e 29 0014 0"));
    QVERIFY(lines[1].endsWith(" W 4006 29 beef 0"));
    QVERIFY(lines[2].endsWith(" R 1000 29 ---- -1"));
    QVERIFY(lines[3].endsWith(" R 4000 39 ---- -1"));
}

void TestSimBus::traceFromEnvironment()
{
    const QString path = m_dir.filePath("env-trace.txt");
    qputenv("NORV_SIM_TRACE", path.toUtf8());
    QCOMPARE(norvsim_reset(""), 0);
    SimBus::write32(m29 + 0x14, 0x00010002);
    QCOMPARE(norvsim_reset(""), 0); // appends: a new crate keeps the old lines
    SimBus::read16(m29 + 0x16);
    const QStringList lines = fileLines(path);
    QCOMPARE(lines.size(), 3);
    QVERIFY(lines[0].endsWith(" W 8014 29 0001 0"));
    QVERIFY(lines[1].endsWith(" W 8016 29 0002 0"));
    QVERIFY(lines[2].endsWith(" R 8016 29 0000 0"));
}

void TestSimBus::latencyDelaysEveryCycle()
{
    qputenv("NORV_SIM_LATENCY_US", "2000");
    QCOMPARE(norvsim_reset(""), 0);
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < 10; ++i)
        SimBus::read16(m20 + 0x3E);
    QVERIFY2(timer.elapsed() >= 20, qPrintable(QString::number(timer.elapsed())));
}

void TestSimBus::unplugAndReplugByTime()
{
    const QString path = SimBus::writeFile(m_dir.path(), "unplug.json", R"({"modules": [
        {"base": 16384, "class": 20, "serial": 1, "faults": {"unplug_at_s": 1, "replug_at_s": 2}},
        {"base": "8000", "class": 29, "serial": 2, "faults": {"unplug_at_s": 1}}]})");
    QCOMPARE(norvsim_reset(path.toUtf8().constData()), 0);
    bool ok = false;
    norvsim_advance_ms(999);
    SimBus::read16(m20 + 0x3E, &ok);
    QVERIFY(ok);
    norvsim_advance_ms(2);
    SimBus::read16(m20 + 0x3E, &ok);
    QVERIFY(!ok);
    SimBus::read16(m29 + 0x3E, &ok);
    QVERIFY(!ok);
    norvsim_advance_ms(1000);
    SimBus::read16(m20 + 0x3E, &ok);
    QVERIFY(ok);
    SimBus::read16(m29 + 0x3E, &ok);
    QVERIFY(!ok); // no replug time: gone for good
}

void TestSimBus::unplugAfterCycles()
{
    const QString path = SimBus::writeFile(m_dir.path(), "cycles.json", R"({"modules": [
        {"base": "0x4000", "class": 20, "serial": 1,
         "faults": {"unplug_after_cycles": 3, "replug_at_s": 5}}]})");
    QCOMPARE(norvsim_reset(path.toUtf8().constData()), 0);
    bool ok = false;
    for (int i = 0; i < 3; ++i) {
        SimBus::read16(m20 + 0x3E, &ok);
        QVERIFY(ok);
    }
    SimBus::read16(m20 + 0x3E, &ok);
    QVERIFY(!ok);
    norvsim_advance_ms(4000);
    SimBus::read16(m20 + 0x3E, &ok);
    QVERIFY(!ok);
    norvsim_advance_ms(1000);
    SimBus::read16(m20 + 0x3E, &ok);
    QVERIFY(ok);
    QCOMPARE(norvsim_cycle_count(m20), 6);
}

void TestSimBus::unplugThroughTheTestApi()
{
    bool ok = false;
    QCOMPARE(norvsim_inject_unplug(m20, 500), 0);
    SimBus::read16(m20 + 0x3E, &ok);
    QVERIFY(!ok);
    norvsim_advance_ms(500);
    SimBus::read16(m20 + 0x3E, &ok);
    QVERIFY(ok);
    QCOMPARE(norvsim_inject_unplug(m29, -1), 0);
    norvsim_advance_ms(100000);
    SimBus::read16(m29 + 0x3E, &ok);
    QVERIFY(!ok);
    QCOMPARE(norvsim_inject_replug(m29), 0);
    SimBus::read16(m29 + 0x3E, &ok);
    QVERIFY(ok);
    QCOMPARE(norvsim_inject_unplug(0x1000, 1), -1);
}

void TestSimBus::busErrorsAreSeededAndRepeatable()
{
    auto pattern = [] {
        QByteArray failures;
        for (int i = 0; i < 1000; ++i) {
            bool ok = false;
            SimBus::read16(m20 + 0x3E, &ok);
            failures.append(ok ? '.' : 'x');
        }
        return failures;
    };
    QCOMPARE(norvsim_inject_bus_errors(m20, 0.25, 7), 0);
    const QByteArray first = pattern();
    QCOMPARE(norvsim_inject_bus_errors(m20, 0.25, 7), 0);
    QCOMPARE(pattern(), first);
    const int failed = int(first.count('x'));
    QVERIFY2(failed > 180 && failed < 320, qPrintable(QString::number(failed)));
    QCOMPARE(norvsim_inject_bus_errors(m20, 1.5, 7), -1);
    QCOMPARE(norvsim_inject_bus_errors(m20, 0.0, 7), 0);
    QVERIFY(!pattern().contains('x'));
}

void TestSimBus::wrongReadOnce()
{
    QCOMPARE(norvsim_inject_wrong_read(m20, 0x3E, 0x0021), 0);
    QCOMPARE(SimBus::read16(m20 + 0x3E), quint16(0x21));
    QCOMPARE(SimBus::read16(m20 + 0x3E), quint16(20));
    QCOMPARE(norvsim_inject_wrong_read(m20, 0x3F, 0), -1);

    const QString path = SimBus::writeFile(m_dir.path(), "wrong.json", R"({"modules": [
        {"base": "0x4000", "class": 20, "serial": 1,
         "faults": {"wrong_read": {"offset": "0x5E", "value": "0x0000"}}}]})");
    QCOMPARE(norvsim_reset(path.toUtf8().constData()), 0);
    QCOMPARE(SimBus::read32(m20 + 0x5C), quint32(0x6E6F0000));
    QCOMPARE(SimBus::read32(m20 + 0x5C), quint32(0x6E6F7276));
}

void TestSimBus::refusedChannelControl()
{
    const QString path = SimBus::writeFile(m_dir.path(), "refuse.json", R"({"modules": [
        {"base": "0x4000", "class": 20, "serial": 1, "faults": {"refuse_channel_control": true}}]})");
    QCOMPARE(norvsim_reset(path.toUtf8().constData()), 0);
    SimBus::writeFloat(m20 + 0x60 + 0x08, 100.0f);
    SimBus::write16(m20 + 0x60 + 0x02, 0x0008);
    QCOMPARE(SimBus::read16(m20 + 0x60 + 0x02), quint16(0));
    SimBus::write32(m20 + 0x2B4, 1);
    QCOMPARE(SimBus::read16(m20 + 0x60 + 0x02), quint16(0));
    norvsim_advance_ms(1000);
    QCOMPARE(SimBus::readFloat(m20 + 0x60 + 0x10), 0.0f);
    QCOMPARE(SimBus::readFloat(m20 + 0x60 + 0x08), 100.0f); // everything else works
}

void TestSimBus::moduleWithoutLayout()
{
    bool ok = false;
    QCOMPARE(SimBus::read16(m33 + 0x3C, &ok), quint16(0));
    QVERIFY(ok);
    QCOMPARE(SimBus::read16(m33 + 0x00, &ok), quint16(0));
    QVERIFY(ok); // answers, but there is nothing behind the word
    QVERIFY(SimBus::write16(m33 + 0x02, 0xFFFF));
    QCOMPARE(SimBus::read16(m33 + 0x02), quint16(0));
}

QTEST_GUILESS_MAIN(TestSimBus)
#include "tst_simbus.moc"
