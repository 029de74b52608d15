// The profile actions of the main window over the simulated crate: the
// refusals, the file name rule, the status bar after a save, and the write
// dialog's log, Cancel and Ok.
#include "TestCrate.h"
#include "WindowTest.h"

#include <CrateCore.h>
#include <ModalRuns.h>
#include <norvsim.h>

#include <QDialog>
#include <QPlainTextEdit>
#include <QSettings>
#include <QStatusBar>
#include <QtTest>

class TestProfileActions : public WindowTest
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        WindowTest::initTestCase();
        qputenv("NORV_SIM_TIMESCALE", "1"); // the module stores its set values in time
    }

    void saveThenLoad()
    {
        NorvControl &window = start();
        window.crate()->startRefresh(); // a load pauses it and must leave it running
        window.crate()->refreshTimerUpdate();
        PromptRecorder &prompt = *m_prompt;
        const QString dir = m_dir.path(), first = dir + "/first.txt";

        // A module in special mode or one that does not answer is refused
        // before any file dialog.
        norvsim_bus_write(0x4002, 0x29, 2, 0x0005);
        trigger(window, "actionSaveProfile");
        norvsim_bus_write(0x4002, 0x29, 2, 0);
        norvsim_inject_unplug(0x4000, -1);
        trigger(window, "actionSaveProfile");
        norvsim_inject_replug(0x4000);
        QCOMPARE(prompt.shown,
                 (QStringList {"information: The module is in special mode. Its profile cannot "
                               "be saved. [Ok]",
                               "information: The module does not answer. Its profile cannot be "
                               "saved. [Ok]"}));

        prompt.answerValue(dir + "/first");
        trigger(window, "actionSaveProfile");
        QCOMPARE(window.statusBar()->currentMessage(), "Profile saved to file " + first + ".");
        prompt.answerValue(first + "/sub");
        trigger(window, "actionSaveProfile");
        QVERIFY(prompt.shown.last().startsWith("warning: The profile could not be saved to file "
                                               + first + "/sub.txt: "));
        QCOMPARE(window.statusBar()->currentMessage(), QString());

        QSettings(first, QSettings::IniFormat).setValue("Channel0/VoltageSet", "5.000");
        QStringList logs;
        QList<int> results {QDialog::Rejected, QDialog::Accepted};
        ModalRuns::setModalRunner([&](QDialog *dialog) {
            logs << dialog->findChild<QPlainTextEdit *>("txtLog")->toPlainText();
            dialog->done(results.takeFirst()); // hides it, as the real buttons do
            return dialog->result();
        });
        for (int load = 0; load < 2; ++load) {
            QVERIFY(TestCrate::startTrace(dir));
            prompt.answerValue(first);
            trigger(window, "actionLoadProfile");
            QCOMPARE(TestCrate::stopTrace('W').isEmpty(), load == 0); // Cancel writes nothing
            QVERIFY(window.crate()->isRefreshRunning());
        }
        ModalRuns::setModalRunner(nullptr);
        QCOMPARE(norvsim_channel_value(0x4000, 0, NORVSIM_VSET), 5.0);
        QCOMPARE(prompt.shown.last(), "information: Profile written into device! [Ok]");
        // The log starts afresh with every load: the file line, the module's
        // nine lines, and eleven lines for each of the 12 channels.
        QCOMPARE(logs.size(), 2);
        QVERIFY(logs.at(1).startsWith("Using profile from file " + first + "\n\nModule.Control"));
        QCOMPARE(logs.at(1).count('\n'), 1 + 1 + 9 + 12 * 11);
    }
};

QTEST_MAIN(TestProfileActions)
#include "tst_profileactions.moc"
