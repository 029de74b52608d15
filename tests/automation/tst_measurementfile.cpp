// The measurement file as another program reads it (Python's csv module),
// a once-run over the simulated crate, and a write that fails mid-run.

#include "CorePromptRecorder.h"
#include "TestCrate.h"

#include <CrateCore.h>
#include <MeasurementRun.h>
#include <norvsim.h>

#include <QJsonDocument>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <sys/resource.h>

namespace {

const QStringList Header {"Date",     "Time",     "Serial no.", "Channel no.",
                          "Vmeasure", "Imeasure", "Temperature"};

/// The rows Python's csv reader finds; a fault it reports fails the test.
QList<QStringList> readBack(const QString &path)
{
    QProcess python;
    python.start("python3", {QFINDTESTDATA("readback.py"), path});
    if (!python.waitForFinished(30000) || python.exitCode() != 0)
        return {{"python3 failed: " + QString::fromUtf8(python.readAllStandardError())}};
    const QVariantMap result
        = QJsonDocument::fromJson(python.readAllStandardOutput()).toVariant().toMap();
    QList<QStringList> rows;
    for (const QString &fault : result.value("faults").toStringList())
        rows << QStringList {"fault: " + fault};
    for (const QVariant &row : result.value("rows").toList())
        rows << row.toStringList();
    return rows;
}

/// The channels of every data row as "serial:channel".
QStringList channelsOf(const QList<QStringList> &rows)
{
    QStringList channels;
    for (const QStringList &row : rows)
        if (row != Header)
            channels << row.value(2) + ":" + row.value(3);
    return channels;
}

/// A view whose once-run is the run's.
struct RunView : TestCrate::View
{
    const MeasurementRun *run = nullptr;
    bool onceRunPending() const override { return run->onceRunPending(); }
};

} // namespace

class TestMeasurementFile : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        TestCrate::prepare(m_dir.path());
    }

    void fileReadsBackAndRunsAppend()
    {
        const QString path = m_dir.filePath("runs.txt");
        MeasurementRun run;
        QVERIFY(run.start(path));
        run.updateChannelCurrentMeasure(1234, 3, 2.5e-7f); // nothing known of the module yet
        run.updateModuleTemperature(1234, 31.46f);
        run.updateChannelVoltageMeasure(1234, 3, 1500.02f);
        run.updateChannelCurrentMeasure(1234, 3, 0.001234567f);
        run.updateChannelCurrentMeasure(1234, 32, 1.f); // no storage beyond channel 31
        run.stop();
        run.updateChannelCurrentMeasure(1234, 3, 1.f); // no run
        run.setChannelFilter(2); // the second run writes channel 2 alone
        QVERIFY(run.start(path));
        for (int channel = 0; channel < 3; ++channel)
            run.updateChannelCurrentMeasure(99, channel, 0.5f);
        run.stop();

        const QList<QStringList> rows = readBack(path);
        QCOMPARE(rows.size(), 5);
        QCOMPARE(rows.at(0), Header);
        QCOMPARE(rows.at(1).mid(2), (QStringList {"1234", "3", "0", "2.5e-07", "0.0"}));
        QCOMPARE(rows.at(2).mid(2), (QStringList {"1234", "3", "1500.02", "0.00123457", "31.5"}));
        QCOMPARE(rows.at(3), Header);
        QCOMPARE(rows.at(4).mid(2), (QStringList {"99", "2", "0", "0.5", "0.0"}));
        QCOMPARE(run.linesWritten(), 3);
    }

    void onceRunWritesEveryChannelOnce()
    {
        const QJsonArray modules {TestCrate::module(0x4000, 20, 501, {{"channels", 3}}),
                                  TestCrate::module(0x8000, 29, 502, {{"channels", 2}}),
                                  TestCrate::module(0xC000, 20, 503)};
        QVERIFY(TestCrate::resetFrom(m_dir.path(), modules));
        CorePromptRecorder prompt;
        MeasurementRun run;
        RunView view;
        view.run = &run;
        const std::unique_ptr<CrateCore> started = TestCrate::start(&prompt, &view);
        CrateCore &core = *started;
        QCOMPARE(core.moduleCount(), 3);
        run.attach(core);
        for (int tick = 0; tick < 8; ++tick) // the current module shown, a few rows read
            core.refreshTimerUpdate();
        QCOMPARE(norvsim_inject_unplug(0xC000, -1), 0);

        const QString path = m_dir.filePath("once.txt");
        QSignalSpy stopped(&run, &MeasurementRun::stopped);
        QVERIFY(run.startOnce(path));
        for (int tick = 0; tick < 40 && stopped.isEmpty(); ++tick)
            core.refreshTimerUpdate();
        QCOMPARE(stopped.size(), 1);
        QVERIFY(!run.onceRunPending());
        QVERIFY(!run.isWriting());
        QCOMPARE(channelsOf(readBack(path)),
                 (QStringList {"501:0", "501:1", "501:2", "502:0", "502:1"}));
    }

    void failedWriteStopsAndKeepsTheLines()
    {
        MeasurementRun full;
        QVERIFY(!full.start("/dev/full")); // not even the header

        // A file size limit fails the third line's write as a full disk would.
        const QString path = m_dir.filePath("limited.txt");
        MeasurementRun run;
        QSignalSpy failed(&run, &MeasurementRun::writeFailed);
        QVERIFY(run.start(path));
        run.updateChannelCurrentMeasure(5, 0, 1.f);
        run.updateChannelCurrentMeasure(5, 1, 1.f);
        const qint64 size = QFileInfo(path).size();
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit old {};
        getrlimit(RLIMIT_FSIZE, &old);
        rlimit limited = old;
        limited.rlim_cur = rlim_t(size + 10);
        setrlimit(RLIMIT_FSIZE, &limited);
        run.updateChannelCurrentMeasure(5, 2, 1.f);
        setrlimit(RLIMIT_FSIZE, &old);
        run.updateChannelCurrentMeasure(5, 3, 1.f); // the run has stopped

        QCOMPARE(failed.size(), 1);
        QCOMPARE(failed.first(), (QVariantList {path, 2}));
        QVERIFY(!run.isWriting());
        QCOMPARE(run.linesWritten(), 2);
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QList<QByteArray> lines = file.readAll().split('\n');
        QCOMPARE(lines.size(), 4); // header, two lines, the torn start of the third
        QVERIFY(lines.at(2).endsWith(";5;1;0;1;0.0"));
    }

private:
    QTemporaryDir m_dir;
};

QTEST_GUILESS_MAIN(TestMeasurementFile)
#include "tst_measurementfile.moc"
