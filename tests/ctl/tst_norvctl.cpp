#include "NorvCtlProcess.h"

#include <FirmwareRecords.h>

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QtTest>

class TestNorvCtl : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;

    NorvCtlProcess m_tool {m_dir.path()};

    int run(const QStringList &arguments, QByteArray *out, QByteArray *err,
            const QStringList &env = {}, int timeoutMs = 30000)
    {
        m_tool.timeoutMs = timeoutMs;
        const int code = m_tool.run(arguments, env);
        *out = m_tool.out;
        *err = m_tool.err;
        return code;
    }

    // Data of the writes to `address` in the trace.
    QList<uint> writesTo(const QString &address)
    {
        QFile trace(m_dir.filePath("trace"));
        QList<uint> data;
        if (trace.open(QIODevice::ReadOnly)) {
            for (const QByteArray &line : trace.readAll().split('\n')) {
                const QList<QByteArray> f = line.split(' ');
                if (f.size() == 6 && f[1] == "W" && f[2] == address.toLatin1())
                    data << f[4].toUInt(nullptr, 16);
            }
        }
        return data;
    }

    // A small firmware file: header, four data records, end record.
    QString firmware(const QString &name, char fill, bool badChecksum = false)
    {
        QByteArray text = FirmwareRecords::record(0, 0, "\x01\x02\x03\x04") + "\n";
        for (int i = 0; i < 4; ++i)
            text += FirmwareRecords::record(2, 0x0E8000 + 16 * i, QByteArray(16, char(fill + i)),
                                            badChecksum && i == 1)
                + "\n";
        text += FirmwareRecords::record(8, 0x0E8000, QByteArray()) + "\n";
        QFile file(m_dir.filePath(name));
        file.open(QIODevice::WriteOnly);
        file.write(text);
        return file.fileName();
    }

    QJsonObject channelRow(const QByteArray &out, int channel)
    {
        for (const QJsonValue &row : QJsonDocument::fromJson(out).object()["channels"].toArray())
            if (row["channel"].toInt() == channel)
                return row.toObject();
        return QJsonObject();
    }

private slots:
    void scanListsTheDefaultCrate()
    {
        QByteArray out, err;
        QCOMPARE(run({"scan", "--json"}, &out, &err), 0);
        QStringList found;
        for (const QJsonValue &module : QJsonDocument::fromJson(out).array()) {
            const QJsonObject m = module.toObject();
            found << QStringLiteral("%1 %2 %3 %4 %5")
                         .arg(m["base"].toString())
                         .arg(m["class"].toInt())
                         .arg(m["serial"].toInt())
                         .arg(m["channels"].toInt())
                         .arg(m["firmware"].toString());
        }
        QCOMPARE(found, QStringList({"0x4000 20 4711 12 12.34", "0x8000 29 4712 24 12.34"}));
    }

    void setVoltageAndOn_data()
    {
        QTest::addColumn<QStringList>("module");
        QTest::newRow("by base") << QStringList {"-m", "0x4000"};
        QTest::newRow("by serial") << QStringList {"-s", "4712"};
    }
    void setVoltageAndOn()
    {
        QFETCH(QStringList, module);
        QByteArray out, err;
        QCOMPARE(run(QStringList {"set"} + module
                         + QStringList {"-c", "3", "--voltage", "1000", "on", "--json"},
                     &out, &err),
                 0);
        const QJsonArray rows = QJsonDocument::fromJson(out).object()["channels"].toArray();
        QCOMPARE(rows.size(), 1);
        const QJsonObject row = rows.first().toObject();
        QCOMPARE(row["channel"].toInt(), 3);
        QCOMPARE(row["vset"].toDouble(), 1000.0);
        QVERIFY(row["on"].toBool());
        QVERIFY(m_tool.writes() > 0);
    }

    void statusListsEveryModule()
    {
        QByteArray out, err;
        const QString crate = QFINDTESTDATA("../../sim/examples/large.json");
        QCOMPARE(run({"status", "--json"}, &out, &err, {"NORV_SIM_CRATE=" + crate}), 0);
        QStringList found;
        for (const QJsonValue &module : QJsonDocument::fromJson(out).array()) {
            const QJsonArray rows = module["channels"].toArray();
            for (int channel = 0; channel < rows.size(); ++channel)
                QCOMPARE(rows[channel]["channel"].toInt(), channel);
            found << QStringLiteral("%1 %2 %3").arg(module["base"].toString()).arg(rows.size())
                         .arg(rows.first()["vnom"].toDouble());
        }
        // The class-33 module at 0x2800 has no register layout: not listed.
        QCOMPARE(found, QStringList({"0x0000 12 3000", "0x0400 8 500", "0x0800 12 3000",
                                     "0x1000 24 6000", "0x1800 16 4000", "0x2000 24 6000",
                                     "0x2C00 4 3000"}));
    }

    void statusAfterSetShowsTheChannelOn()
    {
        const QStringList env {"NORV_SIM_STATE=" + m_dir.filePath("state"),
                               "NORV_SIM_TIMESCALE=50"};
        QFile::remove(m_dir.filePath("state"));
        QByteArray out, err;
        QCOMPARE(run({"set", "-m", "0x4000", "-c", "3", "--voltage", "1000", "on", "--wait", "20"},
                     &out, &err, env),
                 0);
        QCOMPARE(run({"status", "--json", "-m", "0x4000"}, &out, &err, env), 0);
        const QJsonObject row = channelRow(out, 3);
        QCOMPARE(row["vset"].toDouble(), 1000.0);
        QVERIFY(row["on"].toBool());
        QVERIFY2(qAbs(row["vmeas"].toDouble() - 1000.0) < 5.0, out.constData());
        QVERIFY(!channelRow(out, 2)["on"].toBool());
    }

    void actionsReachTheModule_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("address");
        QTest::addColumn<int>("writes");
        QTest::addColumn<uint>("mask"); // of the last write's data
        QTest::addColumn<uint>("bits");
        // 0x4000 has layout 20: module control at 0x4002, channel 3's block at 0x40F0.
        QTest::newRow("kill") << QStringList {"kill", "enable"} << "4002" << 1 << 0x4000u
                              << 0x4000u;
        QTest::newRow("kill off") << QStringList {"kill", "enable", "kill", "disable"} << "4002"
                                  << 2 << 0x4000u << 0u;
        QTest::newRow("module events") << QStringList {"clear-events"} << "4002" << 1 << 0x40u
                                       << 0x40u;
        QTest::newRow("channel events") << QStringList {"-c", "3", "clear-events"} << "40f4" << 1
                                        << 0xFFFFu << 0xFFFFu;
        QTest::newRow("emergency") << QStringList {"-c", "3", "emergency-off"} << "40f2" << 1
                                   << 0x20u << 0x20u;
        QTest::newRow("emergency cleared")
            << QStringList {"-c", "3", "emergency-off", "clear-emergency"} << "40f2" << 2 << 0x20u
            << 0u;
        QTest::newRow("current 1.5 mA") << QStringList {"-c", "3", "--current", "1.5"} << "40fc"
                                        << 1 << 0xFFFFu << 0x3AC4u;
        QTest::newRow("voltage ramp 5") << QStringList {"--voltage-ramp", "5"} << "4014" << 1
                                        << 0xFFFFu << 0x40A0u;
    }
    void actionsReachTheModule()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, address);
        QFETCH(int, writes);
        QFETCH(uint, mask);
        QFETCH(uint, bits);
        QByteArray out, err;
        QCOMPARE(run(QStringList {"set", "-m", "0x4000"} + arguments, &out, &err), 0);
        const QList<uint> data = writesTo(address);
        QCOMPARE(data.size(), writes);
        QCOMPARE(data.last() & mask, bits);
    }

    void firmwareBurnThenCompare()
    {
        const QStringList env {"NORV_SIM_STATE=" + m_dir.filePath("flash")};
        QFile::remove(m_dir.filePath("flash"));
        const QString image = firmware("image.hex", 'a');
        QByteArray out, err;
        QCOMPARE(run({"firmware", "burn", "-m", "0x4000", image}, &out, &err, env, 120000), 0);
        QCOMPARE(run({"firmware", "compare", "-s", "4711", image}, &out, &err, env, 60000), 0);
        QCOMPARE(run({"firmware", "compare", "-m", "0x4000", firmware("other.hex", 'b')}, &out,
                     &err, env, 60000),
                 4);
        QVERIFY2(err.contains("differs from"), err.constData());
    }

    // A module that stops answering half way: its zeros are not passed off as values.
    void statusTellsAFailedRead()
    {
        QFile crate(m_dir.filePath("faulty.json"));
        QVERIFY(crate.open(QIODevice::WriteOnly)
                && crate.write(R"({"modules": [{"base": "0x4000", "class": 20, "serial": 1,
                    "faults": {"unplug_after_cycles": 60}}]})") > 0);
        crate.close();
        QByteArray out, err;
        QCOMPARE(run({"status", "-m", "0x4000"}, &out, &err, {"NORV_SIM_CRATE=" + crate.fileName()}),
                 4);
        QVERIFY2(out.contains("READ FAILED"), out.constData());
        QVERIFY2(err.contains("some reads failed"), err.constData());
        QCOMPARE(run({"set", "-m", "0x4000", "-c", "0", "--voltage", "1000", "on", "--wait", "9"}, &out,
                     &err, {"NORV_SIM_CRATE=" + crate.fileName()}),
                 4);
        QVERIFY2(err.contains("did not answer while the channels ramp"), err.constData());
    }

    void failures_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QStringList>("env");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("reason");
        QTest::newRow("above nominal") << QStringList {"set", "-m", "0x4000", "-c", "0-7",
                                                       "--voltage", "3001", "on"}
                                       << QStringList {"LC_ALL=en_US.UTF-8"} << 4
                                       << "3001 V is outside channel 0's range 0 to 3000 V";
        QTest::newRow("negative") << QStringList {"set", "-m", "0x8000", "-c", "all",
                                                  "--voltage", "-5"}
                                  << QStringList() << 4 << "refused";
        QTest::newRow("current above nominal")
            << QStringList {"set", "-m", "0x4000", "-c", "0-3", "--current", "3.5", "on"}
            << QStringList() << 4 << "3.5 mA is outside channel 0's range 0 to 3 mA";
        QTest::newRow("current ramp")
            << QStringList {"set", "-m", "0x8000", "--current-ramp", "0.5"} << QStringList() << 4
            << "the current ramp range 1 to 100";
        QTest::newRow("nan") << QStringList {"set", "-m", "0x4000", "-c", "3", "--voltage", "nan"}
                             << QStringList() << 1 << "--voltage needs a number";
        QTest::newRow("bad firmware") << QStringList {"firmware", "burn", "-m", "0x4000", "@bad"}
                                      << QStringList() << 5 << "line 3 has the checksum";
        QTest::newRow("no module") << QStringList {"status", "-m", "0x1234"} << QStringList()
                                   << 3 << "no module at 0x1234";
        QTest::newRow("no serial") << QStringList {"status", "-s", "99"} << QStringList() << 3
                                   << "no module with serial 99";
        QTest::newRow("channel outside") << QStringList {"set", "-m", "0x4000", "-c", "5,12",
                                                         "on"}
                                         << QStringList() << 1 << "channel 12 is outside";
        QTest::newRow("bad command") << QStringList {"frobnicate"} << QStringList() << 1
                                     << "cannot run";
        QTest::newRow("no bridge") << QStringList {"scan"} << QStringList {"NORV_SIM_NO_BRIDGE=1"}
                                   << 2 << "no bridge found";
    }
    void failures()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QStringList, env);
        QFETCH(int, code);
        QFETCH(QString, reason);
        const QString bad = firmware("bad", 'a', true);
        arguments.replaceInStrings(QRegularExpression("^@bad$"), bad);
        QByteArray out, err;
        QCOMPARE(run(arguments, &out, &err, env), code);
        QVERIFY2(err.contains(reason.toUtf8()), err.constData());
        QCOMPARE(err.count('\n'), 1);
        QVERIFY(out.isEmpty());
        // A trace that was never written counts as none.
        QCOMPARE(m_tool.writes(), 0);
    }
};

QTEST_GUILESS_MAIN(TestNorvCtl)
#include "tst_norvctl.moc"
