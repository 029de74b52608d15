// profile, log and script as processes (the procedures are pinned in
// tests/maintenance and tests/automation): files, exit codes, Ctrl+C.
#include "NorvCtlProcess.h"

#include <QTemporaryDir>
#include <QtTest>

#include <sys/stat.h>

class TestNorvCtlProcedures : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    NorvCtlProcess m_tool {m_dir.path(), {}, {}};

    // Every file is in the test's folder, the working folder of the tool too.
    static void write(const QString &name, const QByteArray &text)
    {
        QFile file(name);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(text) == text.size());
    }
    static QByteArray read(const QString &name)
    {
        QFile file(name);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        QVERIFY(QDir::setCurrent(m_dir.path()));
        write("two.json", R"({"modules": [{"base": "0x8000", "class": 29, "serial": 4712,
            "v_nominal": 4000, "ramp_speed": 7}, {"base": "0x8800", "class": 29, "serial": 4713}]})");
        write("nosave.json", R"({"modules": [{"base": "0x8000", "class": 29, "serial": 7,
            "save_time_ms": 0}]})"); // the store request is never seen
        write("bad.txt", "[Module]\nControl=0x12zz\n");
        write("ok.js",
              "script.print('hello');\nmod.SetChannelVoltageSet(2, 1234);\n"
              "script.print('vset ' + mod.GetChannelVoltageSet(2));\n");
        write("error.js", "script.print('a');\n\nnoSuchFunction();\n");
        write("loop.js", "script.print('start');\nfor (;;) script.delay(10);\n");
        QVERIFY(::mkfifo("fifo", 0600) == 0);
        QCOMPARE(m_tool.run({"profile", "save", "-m", "0x8000", "4712.txt"}), 0);
    }

    void profileCopiedIntoAnotherModule()
    {
        const QStringList env {"NORV_SIM_CRATE=two.json", "NORV_SIM_STATE=two-state.json"};
        QCOMPARE(m_tool.run({"set", "-m", "0x8000", "-c", "0-3", "--voltage", "1000"}, env), 0);
        QCOMPARE(m_tool.run({"profile", "save", "-m", "0x8000", "a.txt"}, env), 0);
        QCOMPARE(m_tool.run({"profile", "save", "-s", "4713", "before.txt"}, env), 0);
        QVERIFY(read("a.txt") != read("before.txt"));
        QCOMPARE(m_tool.run({"profile", "load", "-m", "0x8800", "a.txt"}, env), 0);
        QVERIFY2(m_tool.err.contains("Profile written into device!"), m_tool.err);
        QCOMPARE(m_tool.run({"profile", "save", "-m", "0x8800", "b.txt"}, env), 0);
        QCOMPARE(read("b.txt"), read("a.txt"));
    }

    void logWritesEveryChannelPerInterval()
    {
        const QStringList env {"NORV_SIM_STATE=log-state.json", "NORV_SIM_TIMESCALE=1000"};
        QCOMPARE(m_tool.run({"set", "-m", "0x4000", "-c", "3", "--voltage", "1000", "on"}, env), 0);
        QCOMPARE(m_tool.run({"log", "m.txt", "--interval", "0.05", "--count", "2"}, env), 0);
        const QList<QByteArray> lines = read("m.txt").split('\n');
        QCOMPARE(lines.first(), "Date;Time;Serial no.;Channel no.;Vmeasure;Imeasure;Temperature");
        QCOMPARE(lines.size(), 1 + 2 * (12 + 24) + 1); // the last line feed leaves an empty part
        // The second pass: channel 3 of 4711 has ramped to 1000 V over 1 GOhm, 1 uA shown in mA.
        const QList<QByteArray> fields = lines.at(1 + 36 + 3).split(';');
        QCOMPARE(fields.mid(2, 2), QList<QByteArray>({"4711", "3"}));
        QVERIFY2(qAbs(fields.at(4).toDouble() - 1000) < 1, fields.at(4));
        QVERIFY2(qAbs(fields.at(5).toDouble() - 0.001) < 1e-5, fields.at(5));
    }

    void scriptPrintsAndSets()
    {
        QCOMPARE(m_tool.run({"script", "ok.js"}), 0);
        QCOMPARE(m_tool.out, "hello\nvset 1234\n");
        QVERIFY(m_tool.writes() > 0);
    }

    void refusals_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QStringList>("env");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("reason");
        QTest::addColumn<bool>("written");
        const QStringList load {"profile", "load", "-m", "0x8000"};
        const QStringList noStore {"NORV_SIM_CRATE=nosave.json"};
        QTest::newRow("retry question, no terminal")
            << load + QStringList {"4712.txt"} << noStore << 4
            << "stdin is not a terminal (--yes answers yes)" << true;
        QTest::newRow("--yes retries, then gives up")
            << load + QStringList {"4712.txt", "--yes"} << noStore << 4
            << "--yes answered yes 3 times already" << true;
        QTest::newRow("missing profile") << load + QStringList {"none.txt"} << QStringList() << 5
                                         << "The profile file none.txt cannot be read" << false;
        QTest::newRow("value that is no number")
            << load + QStringList {"bad.txt"} << QStringList() << 5
            << R"(bad.txt, line 2: Module.Control "0x12zz" is not a number)" << false;
        QTest::newRow("profile over a pipe")
            << QStringList {"profile", "save", "-m", "0x8000", "fifo"} << QStringList() << 5
            << "fifo: it is not a regular file" << false;
        QTest::newRow("log to a full device")
            << QStringList {"log", "/dev/full", "--interval", "1", "--count", "1"} << QStringList()
            << 5 << "cannot write the measurement file /dev/full" << false;
        QTest::newRow("interval 0") << QStringList {"log", "x.txt", "--interval", "0"}
                                    << QStringList() << 1 << "--interval '0' is not" << false;
        QTest::newRow("script error")
            << QStringList {"script", "error.js"} << QStringList() << 4
            << "error.js:3: Error: Script threw an uncaught exception: ReferenceError" << false;
    }
    void refusals()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QStringList, env);
        QFETCH(int, code);
        QFETCH(QString, reason);
        QFETCH(bool, written);
        QCOMPARE(m_tool.run(arguments, env), code);
        QVERIFY2(m_tool.err.contains(reason.toUtf8()), m_tool.err);
        QCOMPARE(m_tool.writes() > 0, written);
        QVERIFY(!QFileInfo("fifo").isFile());
    }

    void interrupted_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("code");
        QTest::newRow("script") << QStringList {"script", "loop.js"} << 128 + SIGINT;
        QTest::newRow("log") << QStringList {"log", "i.txt", "--interval", "0.05"} << 0;
    }
    void interrupted()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, code);
        const auto ready
            = [this] { return m_tool.out.contains("start") || read("i.txt").count('\n') > 36; };
        QCOMPARE(m_tool.run(arguments, {}, ready), code);
        // A log ends after a complete pass: one header, 36 lines per pass.
        const int lines = int(read("i.txt").count('\n'));
        QVERIFY2(lines == 0 || (lines - 1) % 36 == 0, QByteArray::number(lines));
        if (code)
            QVERIFY2(m_tool.err.contains("Script stopped by the operator."), m_tool.err);
    }
};

QTEST_GUILESS_MAIN(TestNorvCtlProcedures)
#include "tst_norvctl_procedures.moc"
