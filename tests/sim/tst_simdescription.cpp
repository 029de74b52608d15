// Crate descriptions: the shipped examples, and readable errors (and no
// bridge, never a crash) for descriptions that are wrong.

#include "SimBus.h"
#include "norvsim.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>
#include <cstdio>
#include <unistd.h>

namespace {

QVector<qint64> registerDump(int base, quint32 window)
{
    QVector<qint64> words;
    for (quint32 offset = 0; offset < window; offset += 2)
        words.append(norvsim_register(base, offset));
    return words;
}

} // namespace

class TestSimDescription : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup();

    void defaultExampleIsTheDefaultCrate();
    void largeExample();
    void crateFromEnvironment();
    void defaultsFollowTheClass();
    void malformed_data();
    void malformed();
    void errorGoesToStandardError();

private:
    QTemporaryDir m_dir;
};

void TestSimDescription::initTestCase()
{
    QVERIFY(m_dir.isValid());
    qputenv("NORV_SIM_TIMESCALE", "0");
    for (const char *name :
         {"NORV_SIM_CRATE", "NORV_SIM_NO_BRIDGE", "NORV_SIM_TRACE", "NORV_SIM_LATENCY_US"})
        qunsetenv(name);
}

void TestSimDescription::cleanup() { qunsetenv("NORV_SIM_CRATE"); }

void TestSimDescription::defaultExampleIsTheDefaultCrate()
{
    QCOMPARE(norvsim_reset(""), 0);
    QCOMPARE(QString(norvsim_last_error()), QString());
    QCOMPARE(QString(norvsim_bridge_serial()), QString("VM0042"));
    const auto m20 = registerDump(0x4000, 0x400);
    const auto m29 = registerDump(0x8000, 0x800);
    const auto m33 = registerDump(0xC000, 0x400);
    QCOMPARE(norvsim_reset(NORV_SIM_EXAMPLES "/default.json"), 0);
    QCOMPARE(QString(norvsim_last_error()), QString());
    QCOMPARE(norvsim_module_count(), 3);
    QCOMPARE(QString(norvsim_bridge_serial()), QString("VM0042"));
    QCOMPARE(registerDump(0x4000, 0x400), m20);
    QCOMPARE(registerDump(0x8000, 0x800), m29);
    QCOMPARE(registerDump(0xC000, 0x400), m33);
    QCOMPARE(norvsim_channel_value(0x4000, 11, NORVSIM_LOAD), 1e9);
    QCOMPARE(norvsim_channel_value(0x8000, 23, NORVSIM_LOAD), 1e10);
}

void TestSimDescription::largeExample()
{
    QCOMPARE(norvsim_reset(NORV_SIM_EXAMPLES "/large.json"), 0);
    QCOMPARE(QString(norvsim_bridge_serial()), QString("VM0107"));
    QCOMPARE(norvsim_module_count(), 8);
    const int bases[] = {0x0000, 0x0400, 0x0800, 0x1000, 0x1800, 0x2000, 0x2800, 0x2C00};
    const int classes[] = {20, 20, 20, 29, 29, 29, 33, 20};
    for (int i = 0; i < 8; ++i) {
        QCOMPARE(norvsim_module_base(i), bases[i]);
        QCOMPARE(SimBus::read32(quint32(bases[i]) + 0x5C), quint32(0x6E6F7276));
        QCOMPARE(int(SimBus::read16(quint32(bases[i]) + 0x3E)), classes[i]);
        if (classes[i] != 33) {
            const quint32 serialOffset = classes[i] == 20 ? 0x34 : 0x30;
            QCOMPARE(SimBus::read32(quint32(bases[i]) + serialOffset), quint32(5001 + i));
        }
    }
    // The 8-channel layout-20 module.
    QCOMPARE(SimBus::read16(0x0400 + 0x3C), quint16(0x00FF));
    QCOMPARE(SimBus::readFloat(0x0400 + 0x340 + 8 * 7), 500.0f);
    QCOMPARE(SimBus::readFloat(0x0400 + 0x340 + 8 * 8), 0.0f); // not fitted
    QCOMPARE(SimBus::read16(0x0400 + 0x60 + 0x30 * 8), quint16(0));
    QCOMPARE(SimBus::read16(0x1800 + 0x3C), quint16(16));
    QCOMPARE(SimBus::read32(0x1800 + 0x7C), quint32(0x00020100));
    QCOMPARE(SimBus::read32(0x0800 + 0x38), quint32(0x02050001));
    QCOMPARE(norvsim_channel_value(0x0800, 4, NORVSIM_LOAD), 2e8);
    QCOMPARE(SimBus::read16(0x2C00 + 0x3C), quint16(0x000F));
    QVERIFY(SimBus::read16(0x2C00 + 0x60 + 0x30 * 3) & 0x1000); // inhibited
    QCOMPARE(SimBus::readFloat(0x2000 + 0x4C), 41.0f);

    // Measured values carry the configured noise.
    SimBus::writeFloat(0x0800 + 0x60 + 0x08, 1000.0f);
    SimBus::write16(0x0800 + 0x60 + 0x02, 0x0008);
    norvsim_advance_ms(5000);
    QCOMPARE(norvsim_channel_value(0x0800, 0, NORVSIM_VOUT), 1000.0);
    bool differs = false;
    for (int i = 0; i < 5; ++i) {
        const float v = SimBus::readFloat(0x0800 + 0x60 + 0x10);
        QVERIFY(std::fabs(v - 1000.0f) < 3.0f); // 0.3 V standard deviation
        differs = differs || v != 1000.0f;
    }
    QVERIFY(differs);
}

void TestSimDescription::crateFromEnvironment()
{
    const QString path = SimBus::writeFile(m_dir.path(), "env.json",
                                           R"({"bridge_serial": "VM0001", "modules": [
        {"base": "0x0000", "class": 29, "serial": 99, "channels": 2}]})");
    qputenv("NORV_SIM_CRATE", path.toUtf8());
    QCOMPARE(norvsim_reset(nullptr), 0);
    QCOMPARE(norvsim_module_count(), 1);
    QCOMPARE(QString(norvsim_bridge_serial()), QString("VM0001"));
    QCOMPARE(SimBus::read16(0x3C), quint16(2));
    QCOMPARE(SimBus::read32(0x38), quint32(0x3));
    QCOMPARE(norvsim_reset(""), 0); // "" means the default crate whatever the environment says
    QCOMPARE(norvsim_module_count(), 3);
}

void TestSimDescription::defaultsFollowTheClass()
{
    const QString path = SimBus::writeFile(m_dir.path(), "defaults.json", R"({"modules": [
        {"base": "0x0000", "class": 20, "serial": 1},
        {"base": "0x0800", "class": 29, "serial": 2}]})");
    QCOMPARE(norvsim_reset(path.toUtf8().constData()), 0);
    QCOMPARE(QString(norvsim_bridge_serial()), QString("VM0042"));
    QCOMPARE(SimBus::read16(0x3C), quint16(0x0FFF));
    QCOMPARE(SimBus::readFloat(0x340), 3000.0f);
    QCOMPARE(SimBus::read16(0x0800 + 0x3C), quint16(24));
    QCOMPARE(SimBus::readFloat(0x0800 + 0x700), 6000.0f);
    QCOMPARE(SimBus::readFloat(0x0800 + 0x704), 0.001f);
    QCOMPARE(norvsim_channel_value(0x0800, 0, NORVSIM_LOAD), 1e10);
}

void TestSimDescription::malformed_data()
{
    QTest::addColumn<QByteArray>("json");
    QTest::addColumn<QStringList>("expected");

    QTest::newRow("syntax") << QByteArray("{\n  \"modules\": [\n    {\"base\": 1\n  ]\n}")
                            << QStringList {"line 4"};
    QTest::newRow("not an object") << QByteArray("[]") << QStringList {"expected a JSON object"};
    QTest::newRow("top-level key")
        << QByteArray(R"({"module": []})")
        << QStringList {"module:", "unknown key", "bridge_serial, modules"};
    QTest::newRow("no modules") << QByteArray("{}") << QStringList {"modules", "expected an array"};
    QTest::newRow("module key") << QByteArray(
        R"({"modules": [{"base": "0x4000", "class": 20, "serial": 1, "chanels": 8}]})")
                                << QStringList {"modules[0].chanels", "unknown key", "channels"};
    QTest::newRow("fault key") << QByteArray(
        R"({"modules": [{"base": 0, "class": 20, "serial": 1, "faults": {"unplug_at": 1}}]})")
                               << QStringList {"modules[0].faults.unplug_at", "unknown key",
                                               "unplug_at_s"};
    QTest::newRow("missing serial") << QByteArray(R"({"modules": [{"base": 0, "class": 20}]})")
                                    << QStringList {"modules[0].serial", "missing"};
    QTest::newRow("unaligned base")
        << QByteArray(R"({"modules": [{"base": "0x4100", "class": 20, "serial": 1}]})")
        << QStringList {"modules[0].base", "0x4100", "multiple of 0x400"};
    QTest::newRow("base text") << QByteArray(
        R"({"modules": [{"base": "0xZZ", "class": 20, "serial": 1}]})")
                               << QStringList {"modules[0].base", "hexadecimal"};
    QTest::newRow("base beyond A16")
        << QByteArray(R"({"modules": [{"base": 65536, "class": 20, "serial": 1}]})")
        << QStringList {"modules[0].base", "out of range"};
    QTest::newRow("class-29 window beyond A16")
        << QByteArray(R"({"modules": [{"base": "0xFC00", "class": 29, "serial": 1}]})")
        << QStringList {"modules[0].base", "0xfc00", "window"};
    QTest::newRow("duplicate base")
        << QByteArray(R"({"modules": [{"base": "0x4000", "class": 20, "serial": 1},
                                      {"base": "0x4000", "class": 29, "serial": 2}]})")
        << QStringList {"modules[1].base", "modules[0]", "0x4000"};
    QTest::newRow("overlapping windows")
        << QByteArray(R"({"modules": [{"base": "0x8000", "class": 29, "serial": 1},
                                      {"base": "0x8400", "class": 20, "serial": 2}]})")
        << QStringList {"modules[1].base", "window of modules[0]"};
    QTest::newRow("too many channels")
        << QByteArray(R"({"modules": [{"base": 0, "class": 20, "serial": 1, "channels": 13}]})")
        << QStringList {"modules[0].channels", "out of range", "12"};
    QTest::newRow("mask on class 29")
        << QByteArray(R"({"modules": [{"base": 0, "class": 29, "serial": 1, "placed_mask": 15}]})")
        << QStringList {"modules[0].placed_mask", "class 20"};
    QTest::newRow("mask beyond 12 channels")
        << QByteArray(
               R"({"modules": [{"base": 0, "class": 20, "serial": 1, "placed_mask": "0x1FFF"}]})")
        << QStringList {"modules[0].placed_mask", "out of range"};
    QTest::newRow("channels against mask") << QByteArray(
        R"({"modules": [{"base": 0, "class": 20, "serial": 1, "channels": 4, "placed_mask": "0xFF"}]})")
                                           << QStringList {"modules[0].channels", "8 channels"};
    QTest::newRow("loads per channel") << QByteArray(
        R"({"modules": [{"base": 0, "class": 29, "serial": 1, "channels": 2, "load_ohm": [1e9]}]})")
                                       << QStringList {"modules[0].load_ohm", "one per channel: 2"};
    QTest::newRow("load type") << QByteArray(
        R"({"modules": [{"base": 0, "class": 20, "serial": 1, "load_ohm": "1G"}]})")
                               << QStringList {"modules[0].load_ohm", "expected a number"};
    QTest::newRow("channels without layout")
        << QByteArray(R"({"modules": [{"base": 0, "class": 33, "serial": 1, "channels": 4}]})")
        << QStringList {"modules[0].channels", "class 33 has no register layout"};
    QTest::newRow("inhibit unfitted")
        << QByteArray(R"({"modules": [{"base": 0, "class": 20, "serial": 1, "channels": 4,
                                       "faults": {"inhibit_channels": [5]}}]})")
        << QStringList {"modules[0].faults.inhibit_channels[0]", "not fitted"};
    QTest::newRow("firmware bytes") << QByteArray(
        R"({"modules": [{"base": 0, "class": 20, "serial": 1, "firmware": [1, 2, 3]}]})")
                                    << QStringList {"modules[0].firmware", "four bytes"};
    QTest::newRow("firmware byte range") << QByteArray(
        R"({"modules": [{"base": 0, "class": 20, "serial": 1, "firmware": [1, 2, 3, 300]}]})")
                                         << QStringList {"modules[0].firmware[3]", "out of range"};
    QTest::newRow("checksum error entry")
        << QByteArray(R"({"modules": [{"base": 0, "class": 20, "serial": 1,
                                       "faults": {"checksum_errors": [{"record": 2}]}}]})")
        << QStringList {"modules[0].faults.checksum_errors[0]", "times"};
    QTest::newRow("bridge serial") << QByteArray(R"({"bridge_serial": "VM00042", "modules": []})")
                                   << QStringList {"bridge_serial", "six"};
    QTest::newRow("boolean fault") << QByteArray(
        R"({"modules": [{"base": 0, "class": 20, "serial": 1, "faults": {"never_ready": 1}}]})")
                                   << QStringList {"modules[0].faults.never_ready",
                                                   "true or false"};
    QTest::newRow("fractional serial")
        << QByteArray(R"({"modules": [{"base": 0, "class": 20, "serial": 1.5}]})")
        << QStringList {"modules[0].serial", "whole number"};
}

void TestSimDescription::malformed()
{
    QFETCH(QByteArray, json);
    QFETCH(QStringList, expected);
    const QString path
        = SimBus::writeFile(m_dir.path(), QTest::currentDataTag() + QString(".json"), json);
    QCOMPARE(norvsim_reset(path.toUtf8().constData()), -1);
    const QString error = QString::fromUtf8(norvsim_last_error());
    QVERIFY2(error.startsWith(path + ": "), qPrintable(error));
    for (const QString &part : expected)
        QVERIFY2(error.contains(part), qPrintable(error + "\n  lacks: " + part));
    QCOMPARE(norvsim_bridge_present(), 0);
    QCOMPARE(norvsim_module_count(), 0);
    uint16_t cell = 0x5555;
    QCOMPARE(norvsim_bus_read(0x4000 + 0x5C, 0x29, 2, &cell), -1);
    QCOMPARE(cell, uint16_t(0x5555));

    // A usable description afterwards brings the bridge back.
    QCOMPARE(norvsim_reset(""), 0);
    QCOMPARE(QString(norvsim_last_error()), QString());
}

void TestSimDescription::errorGoesToStandardError()
{
    const QString missing = m_dir.filePath("does-not-exist.json");
    const QString captured = m_dir.filePath("stderr.txt");
    std::fflush(stderr);
    const int saved = dup(fileno(stderr));
    QVERIFY(std::freopen(captured.toLocal8Bit().constData(), "w", stderr));
    const int result = norvsim_reset(missing.toUtf8().constData());
    std::fflush(stderr);
    dup2(saved, fileno(stderr));
    close(saved);
    QCOMPARE(result, -1);
    QFile file(captured);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QString text = QString::fromLocal8Bit(file.readAll());
    QVERIFY2(text.contains("norvsim: " + missing + ": cannot read"), qPrintable(text));
    QVERIFY2(text.contains("no bridge"), qPrintable(text));
}

QTEST_GUILESS_MAIN(TestSimDescription)
#include "tst_simdescription.moc"
