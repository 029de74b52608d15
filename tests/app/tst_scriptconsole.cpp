// The script console as the operator uses it from the main window: Run and
// Stop, a second Run while a script runs, the stored text, a rebuild of the
// module list between runs, and closing the window under a running script.
#include "TestCrate.h"
#include "WindowTest.h"

#include <CrateCore.h>
#include <DialogScriptConsole.h>

#include <QPushButton>
#include <QTextEdit>
#include <QtTest>

class TestScriptConsole : public WindowTest
{
    Q_OBJECT

private slots:
    void runStopRerunAndClose()
    {
        TestCrate::setSetting(QStringLiteral("OnExitBehaviour"), QStringLiteral("2"));
        QVERIFY(QDir::setCurrent(m_dir.path())); // no test.js here
        NorvControl &window = start();
        trigger(window, "actionScript");
        auto *console = window.findChild<DialogScriptConsole *>();
        QVERIFY(console && console->isVisible());
        QCOMPARE(console->windowTitle(), QStringLiteral("Script Console"));
        QCOMPARE(console->editor()->tabStopDistance(), 40.0);
        QVERIFY(!console->stopButton()->isEnabled());
        const QString waiting = QStringLiteral("script.print('waiting'); script.delay(60000)");
        auto run = [&](const QString &text) {
            console->editor()->setPlainText(text);
            console->runButton()->click();
        };
        auto output = [&] { return console->output()->toPlainText(); };

        run(waiting);
        QTRY_COMPARE(output(), QStringLiteral("waiting"));
        QTRY_VERIFY(console->stopButton()->isEnabled());
        // A second click only clears the pane; the running script's lines still come.
        run(QStringLiteral("1+1"));
        QCOMPARE(output(), QString());
        console->stopButton()->click();
        QTRY_COMPARE(output(), QStringLiteral("Script stopped by the operator."));
        QTRY_VERIFY(!console->stopButton()->isEnabled());

        // After a rebuild a run takes the new first module; an empty editor
        // runs the stored text again.
        window.crate()->initModuleAccess();
        run(QStringLiteral("mod.GetModuleSerialNumber()"));
        QTRY_COMPARE(output(), QStringLiteral("Script exited with result 4711"));
        run(QString());
        QTRY_COMPARE(output(), QStringLiteral("Script exited with result 4711"));

        run(waiting);
        QTRY_COMPARE(output(), QStringLiteral("waiting"));
        QVERIFY(window.close());
        QTRY_COMPARE(output(), QStringLiteral("waiting\nScript stopped by the operator."));
    }
};

QTEST_MAIN(TestScriptConsole)
#include "tst_scriptconsole.moc"
