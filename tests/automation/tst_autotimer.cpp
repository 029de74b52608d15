// The automatic set-voltage timer: the step arithmetic and its texts alone,
// then steps and checks over the simulated crate through the real adapters.

#include "CorePromptRecorder.h"
#include "TestCrate.h"

#include <AutoStepper.h>
#include <AutoTimer.h>
#include <BaseModule.h>
#include <CrateCore.h>
#include <norvsim.h>

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

class TestAutoTimer : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        TestCrate::prepare(m_dir.path());
    }

    void stepsTurnAtTheLimits_data()
    {
        QTest::addColumn<float>("start");
        QTest::addColumn<bool>("up");
        QTest::addColumn<float>("increment");
        QTest::addColumn<QList<float>>("demands"); // each step starts from the one before
        QTest::addColumn<bool>("upAfter");
        QTest::newRow("up, turn at 500, down, turn at 300")
            << 300.f << true << 100.f << QList<float> {400, 500, 400, 300, 400} << true;
        QTest::newRow("clamped to the upper limit")
            << 480.f << true << 50.f << QList<float> {500} << false;
        QTest::newRow("clamped to the lower limit")
            << 320.f << false << 50.f << QList<float> {300} << true;
    }

    void stepsTurnAtTheLimits()
    {
        QFETCH(float, start);
        QFETCH(bool, up);
        QFETCH(float, increment);
        QFETCH(QList<float>, demands);
        QList<float> got;
        AutoTimer::Step step {start, up};
        for (int i = 0; i < demands.size(); ++i) {
            step = AutoTimer::nextStep(step.demand, step.up, increment, 500, 300);
            got << step.demand;
        }
        QCOMPARE(got, demands);
        QTEST(step.up, "upAfter");
    }

    void checkDelay()
    {
        QCOMPARE(AutoTimer::checkDelayMs(4000), 2000);
        QCOMPARE(AutoTimer::checkDelayMs(30000), 26000);
    }

    void autoLogNumbers_data()
    {
        QTest::addColumn<QLocale>("locale");
        QTest::addColumn<float>("value");
        QTest::addColumn<QString>("text");
        QTest::newRow("C, exponent") << QLocale::c() << 1.5e-7f << "1.5e-07";
        QTest::newRow("German comma, no grouping")
            << QLocale(QLocale::German) << 12345.5f << "12345,5";
        // French groups with U+202F, which Latin-1 cannot hold.
        QTest::newRow("French, no grouping") << QLocale(QLocale::French) << 123456.f << "123456";
    }

    void autoLogNumbers()
    {
        QFETCH(QLocale, locale);
        QFETCH(float, value);
        QTEST(AutoTimer::localeValue(value, locale), "text");
    }

    void stepSetsItsScopeAndCheckReports_data()
    {
        QTest::addColumn<int>("scope");
        QTest::addColumn<int>("modules");
        QTest::addColumn<QList<int>>("channelsSet"); // per module, how many took 400 V
        QTest::addColumn<float>("offset"); // of channel 1's Vset from the demand after the step
        QTest::addColumn<int>("missed");
        QTest::newRow("channel") << 0 << 2 << QList<int> {1, 0} << 0.f << 0;
        QTest::newRow("module, within 0.001") << 1 << 1 << QList<int> {4} << 0.0005f << 0;
        QTest::newRow("module, 5 V off") << 1 << 1 << QList<int> {4} << 5.f << 1;
        QTest::newRow("system, 5 V off") << 2 << 3 << QList<int> {4, 4, 4} << 5.f << 1;
        QTest::newRow("first four of six") << 3 << 6 << QList<int> {4, 4, 4, 4, 0, 0} << 0.f << 0;
        QTest::newRow("first four of two") << 3 << 2 << QList<int> {4, 4} << 0.f << 0;
    }

    void stepSetsItsScopeAndCheckReports()
    {
        QFETCH(int, scope);
        QFETCH(int, modules);
        QFETCH(float, offset);
        CrateCore &core = start(modules);
        QList<BaseModule *> list;
        for (int slot = 0; slot < modules; ++slot)
            list << core.module(slot);
        list.first()->SetChannelVoltageSet(2, 300);
        // An earlier, longer auto log keeps its lines; the module scope appends one.
        const QString path
            = m_dir.filePath(QStringLiteral("autolog%1.csv").arg(QTest::currentDataTag()));
        const QByteArray earlier = QByteArray("an earlier, longer run;").repeated(20) + "\n";
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(earlier) > 0);
        file.close();
        AutoStepper stepper(path);
        QSignalSpy log(&stepper, &AutoStepper::log);
        QVERIFY(stepper.step({500, 300, 100, scope}, list, list.first(), 2));

        QList<int> channelsSet;
        for (BaseModule *module : list) {
            int count = 0;
            for (int channel = 0; channel < 4; ++channel)
                count += module->GetChannelVoltageSet(channel) == 400.f;
            channelsSet << count;
        }
        QTEST(channelsSet, "channelsSet");
        if (offset != 0)
            list.first()->SetChannelVoltageSet(1, stepper.demand() + offset);
        const int missed = stepper.check();
        QTEST(missed, "missed");
        QCOMPARE(int(log.size()), missed);
        if (!log.isEmpty())
            QVERIFY(log.first().first().toString().contains(".1.VSet = "));
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray all = file.readAll();
        QVERIFY(all.startsWith(earlier));
        const QList<QByteArray> added = all.mid(earlier.size()).split('\n');
        QCOMPARE(added.size(), scope == 1 ? 2 : 1); // 4 channels: 15 fields, each ended by ';'
        QCOMPARE(added.first().split(';').size(), scope == 1 ? 16 : 1);
    }

    void stepRefusedChangesNothing_data()
    {
        QTest::addColumn<int>("row");
        QTest::addColumn<double>("lower");
        QTest::addColumn<bool>("silent");
        QTest::addColumn<QString>("said");
        QTest::newRow("no row") << -1 << 300.0 << false << "No channel selected";
        QTest::newRow("lower at the upper limit") << 0 << 500.0 << false << "not below the upper";
        QTest::newRow("module silent") << 0 << 300.0 << true << "does not answer";
    }

    void stepRefusedChangesNothing()
    {
        QFETCH(int, row);
        QFETCH(double, lower);
        QFETCH(bool, silent);
        QFETCH(QString, said);
        CrateCore &core = start(2);
        BaseModule *module = core.module(0);
        module->SetChannelVoltageSet(0, 350);
        if (silent)
            QCOMPARE(norvsim_inject_unplug(0x1000, -1), 0);
        AutoStepper stepper(m_dir.filePath("refused.csv"));
        QSignalSpy log(&stepper, &AutoStepper::log);
        QVERIFY(!stepper.step({500, lower, 100, 2}, {module, core.module(1)}, module, row));
        QCOMPARE(int(log.size()), 1);
        QVERIFY(log.first().first().toString().contains(said));
        QCOMPARE(core.module(1)->GetChannelVoltageSet(0), 0.f);
        QCOMPARE(stepper.check(), 0);
    }

private:
    /// A core over `count` class-20 modules of 4 channels at 0x1000, 0x2000, ...
    CrateCore &start(int count)
    {
        QJsonArray modules;
        for (int i = 0; i < count; ++i)
            modules.append(
                TestCrate::module(0x1000 * (i + 1), 20, 100 + i, {{"channels", 4}, {"noise", 0}}));
        m_core.reset();
        [&] { QVERIFY(TestCrate::resetFrom(m_dir.path(), modules)); }();
        m_core = TestCrate::start(&m_prompt);
        m_core->refreshTimerUpdate(); // every module answering
        return *m_core;
    }

    QTemporaryDir m_dir;
    CorePromptRecorder m_prompt;
    std::unique_ptr<CrateCore> m_core;
};

QTEST_GUILESS_MAIN(TestAutoTimer)
#include "tst_autotimer.moc"
