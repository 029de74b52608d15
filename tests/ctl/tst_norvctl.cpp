#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

class TestNorvCtl : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;

    // Runs norvctl with a private settings folder and a bus trace; `env` adds variables.
    int run(const QStringList &arguments, QByteArray *out, QByteArray *err,
            const QStringList &env = {})
    {
        QProcess process;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("XDG_CONFIG_HOME"), m_dir.path());
        environment.insert(QStringLiteral("NORV_SIM_TRACE"), m_dir.filePath("trace"));
        for (const QString &pair : env)
            environment.insert(pair.section('=', 0, 0), pair.section('=', 1));
        process.setProcessEnvironment(environment);
        QFile::remove(m_dir.filePath("trace"));
        process.start(qEnvironmentVariable("NORVCTL"), arguments);
        if (!process.waitForFinished(30000))
            return -1;
        *out = process.readAllStandardOutput();
        *err = process.readAllStandardError();
        return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    }

    int writesInTrace()
    {
        QFile trace(m_dir.filePath("trace"));
        if (!trace.open(QIODevice::ReadOnly))
            return -1;
        return int(trace.readAll().count(" W "));
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
        QVERIFY(writesInTrace() > 0);
    }

    void failures_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QStringList>("env");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("reason");
        QTest::newRow("above nominal") << QStringList {"set", "-m", "0x4000", "-c", "0-7",
                                                       "--voltage", "3001", "on"}
                                       << QStringList() << 4 << "outside channel 0's range";
        QTest::newRow("negative") << QStringList {"set", "-m", "0x8000", "-c", "all",
                                                  "--voltage", "-5"}
                                  << QStringList() << 4 << "refused";
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
        QByteArray out, err;
        QCOMPARE(run(arguments, &out, &err, env), code);
        QVERIFY2(err.contains(reason.toUtf8()), err.constData());
        QCOMPARE(err.count('\n'), 1);
        QVERIFY(out.isEmpty());
        // A trace that was never written counts as none.
        QVERIFY(writesInTrace() <= 0);
    }
};

QTEST_GUILESS_MAIN(TestNorvCtl)
#include "tst_norvctl.moc"
