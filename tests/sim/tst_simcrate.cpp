// The simulated crate as a whole: its bus (failed cycles, counters, torn
// accesses, the trace, latency) and crate descriptions with their readable
// errors. The stand-in libraries with and without a bridge are checked
// through the adapters in tests/bus.

#include "SimBus.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <cstdio>
#include <unistd.h>

namespace {

constexpr quint32 m20 = 0x4000, m29 = 0x8000;

QStringList fileLines(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return {};
    return QString::fromUtf8(file.readAll()).split('\n', Qt::SkipEmptyParts);
}

QVector<qint64> registerDump(int base, quint32 window)
{
    QVector<qint64> words;
    for (quint32 offset = 0; offset < window; offset += 2)
        words.append(norvsim_register(base, offset));
    return words;
}

} // namespace

class TestSimCrate : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        SimBus::isolate();
    }

    void init() { QCOMPARE(norvsim_reset(""), 0); }
    void cleanup() { SimBus::isolate(); }

    void cyclesThatFail_data()
    {
        QTest::addColumn<quint32>("address");
        QTest::addColumn<int>("modifier");
        QTest::addColumn<int>("width");

        QTest::newRow("no module") << quint32(0x1000 + 0x5C) << 0x29 << 2;
        QTest::newRow("beyond A16") << quint32(0x14000 + 0x5C) << 0x29 << 2;
        QTest::newRow("A24 modifier") << m20 + 0x5C << 0x39 << 2;
        QTest::newRow("D32") << m20 + 0x5C << 0x29 << 4;
        QTest::newRow("D8") << m20 + 0x5C << 0x29 << 1;
    }

    void cyclesThatFail()
    {
        QFETCH(quint32, address);
        QFETCH(int, modifier);
        QFETCH(int, width);
        uint16_t cell = 0xBEEF;
        QCOMPARE(norvsim_bus_read(address, modifier, width, &cell), -1);
        QCOMPARE(cell, uint16_t(0xBEEF));
        QCOMPARE(norvsim_bus_write(address, modifier, width, 0x1234), -1);
        QCOMPARE(norvsim_cycle_count(m20), 0);
    }

    void countersAndTornAccesses()
    {
        SimBus::read32(m20 + 0x34);
        SimBus::writeFloat(m20 + 0x60 + 0x08, 100.0f);
        SimBus::read16(m29 + 0x3E);
        SimBus::read16(0x1000); // nobody's
        QCOMPARE(norvsim_cycle_count(m20), 4);
        QCOMPARE(norvsim_cycle_count(m29), 1);
        QCOMPARE(norvsim_cycle_count(0x1000), -1);
        QCOMPARE(norvsim_register(m20, 0x34), 4711); // test-API look-ups are no cycles
        QCOMPARE(norvsim_cycle_count(m20), 4);
        QCOMPARE(norvsim_torn_access_count(), 0);

        // A read of the serial number with a status read between its halves.
        SimBus::read16(m20 + 0x34);
        SimBus::read16(m20 + 0x00);
        SimBus::read16(m20 + 0x36);
        QCOMPARE(norvsim_torn_access_count(), 1);
        // A set value written with another module's cycle in between: still counted,
        // and the low half lands with the high half the module latched.
        SimBus::write16(m20 + 0x60 + 0x08, 0x4348); // 200.0f
        SimBus::read16(m29 + 0x3E);
        SimBus::write16(m20 + 0x60 + 0x0A, 0x0000);
        QCOMPARE(norvsim_torn_access_count(), 2);
        QCOMPARE(SimBus::readFloat(m20 + 0x60 + 0x08), 200.0f);
        // A low half alone, or a high half read followed by a write of the low half.
        SimBus::read16(m20 + 0x36);
        SimBus::read16(m20 + 0x34);
        SimBus::write16(m20 + 0x36, 0);
        QCOMPARE(norvsim_torn_access_count(), 4);
        // 16-bit registers never tear.
        SimBus::read16(m20 + 0x3C);
        SimBus::read16(m20 + 0x00);
        SimBus::read16(m20 + 0x3E);
        QCOMPARE(norvsim_torn_access_count(), 4);

        norvsim_reset_counters();
        QCOMPARE(norvsim_torn_access_count(), 0);
        QCOMPARE(norvsim_cycle_count(m20), 0);
    }

    void traceLatencyAndCrateFromEnvironment()
    {
        const QString crate = m_dir.filePath("env.json"), trace = m_dir.filePath("trace.txt");
        QCOMPARE(SimBus::resetTo(crate, R"({"bridge_serial": "VM0001", "modules": [
            {"base": "0x8000", "class": 29, "serial": 99, "channels": 2}]})"),
                 0);
        qputenv("NORV_SIM_CRATE", crate.toUtf8());
        qputenv("NORV_SIM_TRACE", trace.toUtf8());
        qputenv("NORV_SIM_LATENCY_US", "2000");
        QCOMPARE(norvsim_reset(nullptr), 0);
        QCOMPARE(norvsim_module_count(), 1);
        QCOMPARE(QByteArray(norvsim_bridge_serial()), QByteArray("VM0001"));
        SimBus::write32(m29 + 0x14, 0x0001BEEF);
        SimBus::read16(0x1000);
        uint16_t cell = 0;
        norvsim_bus_read(m29, 0x39, 2, &cell);
        QCOMPARE(norvsim_reset(nullptr), 0); // a new crate appends to the trace
        SimBus::read16(m29 + 0x3C);
        QCOMPARE(norvsim_trace(nullptr), 0);
        SimBus::read16(m29 + 0x3C); // not traced any more

        // Each line: microseconds, kind, address, modifier, data ("----" when the cycle
        // failed), status.
        QStringList lines = fileLines(trace), times;
        for (QString &line : lines) {
            times << line.section(' ', 0, 0);
            line = line.section(' ', 1);
        }
        QCOMPARE(lines,
                 QStringList({"W 8014 29 0001 0", "W 8016 29 beef 0", "R 1000 29 ---- -1",
                              "R 8000 39 ---- -1", "R 803c 29 0002 0"}));
        QVERIFY2(times[1].toLongLong() - times[0].toLongLong() >= 2000,
                 qPrintable(times.join(' ')));

        QCOMPARE(norvsim_reset(""), 0); // "" is the default crate, whatever the environment says
        QCOMPARE(norvsim_module_count(), 3);
    }

    void shippedExamples()
    {
        // The default example describes exactly the built-in default crate.
        QCOMPARE(QByteArray(norvsim_bridge_serial()), QByteArray("VM0042"));
        const QList<QPair<int, quint32>> windows {
            {0x4000, 0x400}, {0x8000, 0x800}, {0xC000, 0x400}};
        QList<QVector<qint64>> builtIn;
        for (const auto &w : windows)
            builtIn << registerDump(w.first, w.second);
        QCOMPARE(norvsim_reset(NORV_SIM_EXAMPLES "/default.json"), 0);
        QCOMPARE(QByteArray(norvsim_last_error()), QByteArray());
        QCOMPARE(norvsim_module_count(), 3);
        QCOMPARE(QByteArray(norvsim_bridge_serial()), QByteArray("VM0042"));
        for (int i = 0; i < windows.size(); ++i)
            QCOMPARE(registerDump(windows[i].first, windows[i].second), builtIn[i]);
        QCOMPARE(norvsim_channel_value(0x4000, 11, NORVSIM_LOAD), 1e9);
        QCOMPARE(norvsim_channel_value(0x8000, 23, NORVSIM_LOAD), 1e10);

        // The large one: both layouts, an 8-channel layout-20 module, class 33.
        QCOMPARE(norvsim_reset(NORV_SIM_EXAMPLES "/large.json"), 0);
        QCOMPARE(norvsim_module_count(), 8);
        QCOMPARE(SimBus::read16(0x0400 + 0x3C), quint16(0x00FF));
        QCOMPARE(SimBus::read16(0x2800 + 0x3E), quint16(33));
    }

    // The error names the file, the place in it and what is wrong there.
    // With a state file, the next crate (the next process) finds what the last one left.
    void stateFileKeepsTheCrate()
    {
        const QString state = m_dir.filePath("state.json");
        qputenv("NORV_SIM_STATE", state.toUtf8());
        QCOMPARE(norvsim_reset(""), 0); // the first crate finds no file and starts fresh
        const quint32 ch2 = m20 + 0x60 + 2 * 0x30;
        SimBus::writeFloat(ch2 + 0x08, 1000.0f); // voltage set
        SimBus::write16(ch2 + 0x02, 0x0008); // on
        SimBus::write16(m20 + 0x2C0 + 4 * 3 + 2, 0xD3E8); // group 3's type
        SimBus::write32(m29 + 0x700 + 8 * 30, 0x00FF00FF); // group 30's member list
        norvsim_advance_ms(2000); // ramping: 600 V of 1000
        const auto kept = [&] {
            return QVector<qint64> {norvsim_register(m20, 0x60 + 2 * 0x30 + 0x08),
                                    norvsim_register(m20, 0x60 + 2 * 0x30 + 0x02),
                                    norvsim_register(m20, 0x2C0 + 4 * 3 + 2),
                                    norvsim_register(m29, 0x700 + 8 * 30)};
        };
        const QVector<qint64> before = kept();
        const double output = norvsim_channel_value(m20, 2, NORVSIM_VOUT);
        QVERIFY(output > 100 && output < 1000);

        QCOMPARE(norvsim_reset(""), 0); // written by the crate that goes, read by the new one
        QCOMPARE(kept(), before);
        QCOMPARE(norvsim_channel_value(m20, 2, NORVSIM_VOUT), output);
        norvsim_advance_ms(5000);
        QCOMPARE(norvsim_channel_value(m20, 2, NORVSIM_VOUT), 1000.0); // the ramp goes on

        // A file that is not the crate's state: reported, and the crate starts fresh.
        qunsetenv("NORV_SIM_STATE");
        QCOMPARE(norvsim_reset(""), 0);
        QFile file(state);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write("{\"20/4711\": [") > 0);
        file.close();
        qputenv("NORV_SIM_STATE", state.toUtf8());
        QCOMPARE(norvsim_reset(""), 0);
        QCOMPARE(norvsim_channel_value(m20, 2, NORVSIM_VSET), 0.0);
        QCOMPARE(norvsim_register(m20, 0x2C0 + 4 * 3 + 2), 0);
    }

    void malformed_data()
    {
        QTest::addColumn<QByteArray>("json");
        QTest::addColumn<QStringList>("expected");
        auto row = [](const char *name, const QByteArray &json, const QStringList &expected) {
            QTest::newRow(name) << json << expected;
        };
        // One layout-20 module with `more` keys.
        auto module = [](const QByteArray &more) {
            return R"({"modules": [{"base": 0, "class": 20, "serial": 1)" + more + "}]}";
        };

        row("missing file", QByteArray(), {"cannot read"});
        row("syntax", "{\n  \"modules\": [\n    {\"base\": 1\n  ]\n}", {"line 4"});
        row("top-level key", R"({"module": []})",
            {"module:", "unknown key", "bridge_serial, modules"});
        row("module key", module(R"(, "chanels": 8)"),
            {"modules[0].chanels", "unknown key", "channels"});
        row("fault key", module(R"(, "faults": {"unplug_at": 1})"),
            {"modules[0].faults.unplug_at", "unknown key"});
        row("missing serial", R"({"modules": [{"base": 0, "class": 20}]})",
            {"modules[0].serial", "missing"});
        row("unaligned base", R"({"modules": [{"base": "0x4100", "class": 20, "serial": 1}]})",
            {"modules[0].base", "0x4100", "multiple of 0x400"});
        row("duplicate base", R"({"modules": [{"base": "0x4000", "class": 20, "serial": 1},
                                              {"base": "0x4000", "class": 29, "serial": 2}]})",
            {"modules[1].base", "modules[0]", "0x4000"});
        row("overlapping windows", R"({"modules": [{"base": "0x8000", "class": 29, "serial": 1},
                                                   {"base": "0x8400", "class": 20, "serial": 2}]})",
            {"modules[1].base", "window of modules[0]"});
        row("too many channels", module(R"(, "channels": 13)"),
            {"modules[0].channels", "out of range", "12"});
        row("boolean fault", module(R"(, "faults": {"never_ready": 1})"),
            {"modules[0].faults.never_ready", "true or false"});
    }

    void malformed()
    {
        QFETCH(QByteArray, json);
        QFETCH(QStringList, expected);
        const QString path = m_dir.filePath(QTest::currentDataTag() + QString(".json"));
        const QString captured = m_dir.filePath("stderr.txt");
        std::fflush(stderr);
        const int saved = dup(fileno(stderr));
        QVERIFY(std::freopen(captured.toLocal8Bit().constData(), "w", stderr));
        const int result = SimBus::resetTo(path, json);
        std::fflush(stderr);
        dup2(saved, fileno(stderr));
        close(saved);

        QCOMPARE(result, -1);
        const QString error = QString::fromUtf8(norvsim_last_error());
        QVERIFY2(error.startsWith(path + ": "), qPrintable(error));
        for (const QString &part : expected)
            QVERIFY2(error.contains(part), qPrintable(error + "\n  lacks: " + part));
        const QString shown = fileLines(captured).join('\n');
        QVERIFY2(shown.contains("norvsim: " + error) && shown.contains("no bridge"),
                 qPrintable(shown));
        QCOMPARE(norvsim_bridge_present(), 0);
        QCOMPARE(norvsim_module_count(), 0);
        uint16_t cell = 0x5555;
        QCOMPARE(norvsim_bus_read(0x4000 + 0x5C, 0x29, 2, &cell), -1);
        QCOMPARE(cell, uint16_t(0x5555));
        QCOMPARE(norvsim_reset(""), 0); // a usable description brings the bridge back
        QCOMPARE(QByteArray(norvsim_last_error()), QByteArray());
    }

private:
    QTemporaryDir m_dir;
};

QTEST_GUILESS_MAIN(TestSimCrate)
#include "tst_simcrate.moc"
