// Scripts in their own thread against a module of the simulated crate: the
// outcome lines, the script file, delay() with the GUI thread free, register
// transactions interleaved with the refresh, stopping, and a rebuild of the
// module list under a running script.
#include "CorePromptRecorder.h"
#include "TestCrate.h"

#include <BaseModule.h>
#include <CrateCore.h>
#include <ScriptThread.h>
#include <Sequence.h>
#include <norvsim.h>

#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QtTest>

namespace {

const QString Uncaught = QStringLiteral("Error: Script threw an uncaught exception: ");
const QString Stopped = QStringLiteral("Script stopped by the operator.");

/// The lines a thread sends, as the console receives them, and its end.
struct Console : QObject
{
    QStringList lines;
    QList<qint64> arrivals; // ms since the console was made
    bool ended = false;
    QElapsedTimer clock;
    explicit Console(ScriptThread &thread)
    {
        clock.start();
        connect(&thread, &ScriptThread::scriptMessage, this, [this](const QString &line) {
            lines << line;
            arrivals << clock.elapsed();
        });
        // Queued behind the run's last line.
        connect(&thread, &QThread::finished, this, [this] { ended = true; });
    }
};

} // namespace

class TestScriptThread : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        TestCrate::useSettingsIn(m_dir.path());
        QLoggingCategory::setFilterRules(QStringLiteral("default.debug=false"));
        QVERIFY(QDir::setCurrent(m_dir.path()));
    }

    void init()
    {
        m_core.reset(); // its reader thread must not read the crate being replaced
        QVERIFY(TestCrate::resetDefault());
        m_core = std::make_unique<CrateCore>();
        m_core->setPrompt(&m_prompt);
        m_core->initModuleAccess();
        QCOMPARE(m_core->moduleCount(), 2);
    }

    void outcomes_data()
    {
        QTest::addColumn<QString>("script");
        QTest::addColumn<bool>("module");
        QTest::addColumn<QString>("sequence"); // held during the run when not empty
        QTest::addColumn<QString>("line");

        const QString exited = QStringLiteral("Script exited with result ");
        QTest::newRow("sum") << "1+1" << true << QString() << exited + "2";
        QTest::newRow("unclosed brace")
            << "function f() {" << true << QString() << "Error: Script has syntax errors!";
        QTest::newRow("throw") << "throw new Error(\"x\")" << true << QString()
                               << Uncaught + "Error: x";
        QTest::newRow("throw a text") << "throw \"x\"" << true << QString() << Uncaught + "x";
        QTest::newRow("syntax error while running")
            << "JSON.parse(\"{\")" << true << QString()
            << Uncaught + "SyntaxError: JSON.parse: Parse error";
        QTest::newRow("no module") << "mod === null" << false << QString() << exited + "true";
        QTest::newRow("only the operations")
            << "[typeof script.terminate, typeof script.quit, typeof mod.deleteLater, "
               "typeof mod.setVoltageUnit, typeof mod.parent, typeof "
               "mod.SetChannelVoltageSet].join()"
            << true << QString()
            << exited + "undefined,undefined,undefined,undefined,undefined,function";
        QTest::newRow("destroy is refused")
            << "try { mod.destroy() } catch (e) {} mod.GetModuleSerialNumber()" << true << QString()
            << exited + "4711";
        QTest::newRow("read under a sequence")
            << "mod.GetModuleSerialNumber()" << true << "the profile write" << exited + "4711";
        QTest::newRow("write under a sequence")
            << "mod.SetChannelVoltageSet(0, 5)" << true << "the profile write"
            << Uncaught + "Error: Write refused: the module is busy with the profile write.";
    }

    void outcomes()
    {
        QFETCH(QString, script);
        QFETCH(bool, module);
        QFETCH(QString, sequence);
        QFETCH(QString, line);

        std::unique_ptr<Sequence> held;
        if (!sequence.isEmpty())
            QVERIFY(held = m_core->beginSequence(sequence));
        const float before = m_core->module(0)->GetChannelVoltageSet(0);
        ScriptThread thread(module ? m_core->module(0) : nullptr, m_core.get());
        Console console(thread);
        QVERIFY(runToEnd(thread, console, script));
        QCOMPARE(console.lines, QStringList {line});
        QCOMPARE(m_core->module(0)->GetChannelVoltageSet(0), before);
    }

    void scriptFileAndStoredText()
    {
        QFile::remove(QStringLiteral("test.js"));
        QCOMPARE(ScriptThread(nullptr).scriptText(), QString());

        QFile file(QStringLiteral("test.js"));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("6*7");
        file.close();
        ScriptThread thread(nullptr);
        Console console(thread);
        QVERIFY(runToEnd(thread, console, QString()));
        QVERIFY(runToEnd(thread, console, QStringLiteral("1+1")));
        QVERIFY(runToEnd(thread, console, QString()));
        QCOMPARE(console.lines,
                 QStringList({"Script exited with result 42", "Script exited with result 2",
                              "Script exited with result 2"}));

        console.lines.clear();
        thread.setScriptFile(QStringLiteral("missing.js"));
        thread.setScriptFile(m_dir.path()); // a folder exists but cannot be read as text
        QTRY_COMPARE(console.lines,
                     QStringList({"Error: Can not find script file missing.js!",
                                  "Error: Can not open script file " + m_dir.path() + "!"}));
        QCOMPARE(thread.scriptText(), QStringLiteral("1+1"));
    }

    void delayLeavesTheGuiThreadFree()
    {
        ScriptThread thread(nullptr);
        Console console(thread);
        int ticks = 0;
        QTimer timer;
        connect(&timer, &QTimer::timeout, this, [&] { ++ticks; });
        timer.start(10);
        QVERIFY(runToEnd(thread, console,
                         QStringLiteral("script.print('first'); script.delay(1000); "
                                        "script.print('second')")));
        QCOMPARE(console.lines.mid(0, 2), QStringList({"first", "second"}));
        // The pause happened between the two lines, and the GUI thread's timer
        // kept firing through it.
        QVERIFY2(console.arrivals.at(1) - console.arrivals.at(0) >= 990,
                 qPrintable(QString::number(console.arrivals.at(1) - console.arrivals.at(0))));
        QVERIFY2(ticks >= 20, qPrintable(QString::number(ticks)));
    }

    void setAndGetInterleaveWithTheRefresh()
    {
        int ticks = 0;
        connect(m_core.get(), &CrateCore::tickRead, this, [&] { ++ticks; });
        QVERIFY(m_core->isRefreshRunning());
        norvsim_reset_counters();
        ScriptThread thread(m_core->module(0), m_core.get());
        Console console(thread);
        // Values a float holds exactly: what is read back must be what was written.
        QVERIFY(runToEnd(thread, console, QStringLiteral(R"(
            var wrong = 0;
            for (var i = 0; i < 20000; ++i) {
                var v = (i % 4000) * 0.25;
                mod.SetChannelVoltageSet(0, v);
                if (mod.GetChannelVoltageSet(0) !== v)
                    ++wrong;
            }
            wrong)")));
        QCOMPARE(console.lines, QStringList {"Script exited with result 0"});
        QCOMPARE(norvsim_torn_access_count(), 0);
        QVERIFY2(ticks >= 3, qPrintable(QString::number(ticks)));
    }

    void stopOrRebuildEndsTheRun_data()
    {
        QTest::addColumn<QString>("script");
        QTest::addColumn<bool>("rebuild"); // of the module list, instead of Stop
        QTest::addColumn<QString>("last");
        QTest::newRow("long delay") << "script.delay(60000)" << false << Stopped;
        QTest::newRow("busy loop") << "while (true) {}" << false << Stopped;
        QTest::newRow("loop that catches")
            << "while (true) { try { script.delay(10) } catch (e) {} }" << false << Stopped;
        QTest::newRow("rebuild under a read loop")
            << "while (true) mod.GetChannelVoltageSet(0)" << true
            << Uncaught + "Error: The module is gone";
    }

    void stopOrRebuildEndsTheRun()
    {
        QFETCH(QString, script);
        QFETCH(bool, rebuild);
        QFETCH(QString, last);
        ScriptThread thread(m_core->module(0), m_core.get());
        Console console(thread);
        thread.runScript("script.print('running'); " + script);
        QTRY_COMPARE(console.lines, QStringList {"running"});
        if (rebuild)
            m_core->initModuleAccess();
        else
            thread.stopScript();
        QTRY_VERIFY(console.ended);
        QCOMPARE(console.lines.size(), 2);
        QVERIFY2(console.lines.last().startsWith(last), qPrintable(console.lines.last()));
        QCOMPARE(thread.moduleGone(), rebuild);
        // The next run is an ordinary one, over the new module after a rebuild.
        thread.setModule(m_core->module(0));
        QVERIFY(runToEnd(thread, console, QStringLiteral("mod.GetModuleSerialNumber()")));
        QCOMPARE(console.lines.last(), QStringLiteral("Script exited with result 4711"));
    }

private:
    /// Runs `script` to its end; false when it did not end.
    static bool runToEnd(ScriptThread &thread, Console &console, const QString &script)
    {
        console.ended = false;
        thread.runScript(script);
        return QTest::qWaitFor([&] { return console.ended; }, 60000);
    }

    QTemporaryDir m_dir;
    CorePromptRecorder m_prompt;
    std::unique_ptr<CrateCore> m_core;
};

QTEST_GUILESS_MAIN(TestScriptThread)
#include "tst_scriptthread.moc"
