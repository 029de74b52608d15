// The tool dialogs as the operator opens them from the main window over the
// simulated crate: the statistic dialog's Once through the window's refresh,
// the script console's Run and Stop, and the variable-group dialog. What they
// compute is their own folders' tests (tst_autotimer, tst_scriptthread,
// tst_flexgrouptype).
#include "TestCrate.h"
#include "WindowTest.h"

#include <CrateCore.h>
#include <DialogFlexGroups.h>
#include <DialogScriptConsole.h>
#include <DialogStatistic.h>
#include <norvsim.h>

#include <QtTest>
#include <QtWidgets>

class TestWindowTools : public WindowTest
{
    Q_OBJECT

    template<class T> static T *child(QObject *parent, const char *name)
    {
        return parent->findChild<T *>(QString::fromLatin1(name));
    }
    static QCheckBox *box(QObject *dialog, int k)
    {
        return dialog->findChild<QCheckBox *>(
            QStringLiteral("chkChannel%1").arg(k, 2, 10, QLatin1Char('0')));
    }

private slots:
    void statisticOnceCloseAndFailure()
    {
        NorvControl &window = start();
        window.crate()->refreshTimerUpdate();
        trigger(window, "actionStatistic");
        auto *dialog = window.findChild<DialogStatistic *>();
        QCOMPARE(child<QSpinBox>(dialog, "spbChannelNumber")->maximum(), 11);
        auto *start = child<QPushButton>(dialog, "btnStart");
        auto *stop = child<QPushButton>(dialog, "btnStop");
        m_prompt->answerValue(m_dir.filePath("once"));
        child<QPushButton>(dialog, "btnSelectFile")->click();
        QCOMPARE(child<QLineEdit>(dialog, "txtFilename")->text(), m_dir.filePath("once.txt"));

        child<QPushButton>(dialog, "pushButtonOnce")->click();
        QVERIFY(window.onceRunPending());
        QVERIFY(stop->isEnabled() && !start->isEnabled());
        for (int tick = 0; tick < 40 && window.onceRunPending(); ++tick)
            window.crate()->refreshTimerUpdate();
        QVERIFY(!window.onceRunPending());
        QVERIFY(!stop->isEnabled() && start->isEnabled());
        // Both modules of the default crate, 12 and 24 channels.
        QCOMPARE(child<QLineEdit>(dialog, "txtLinesWritten")->text(), "36");

        start->click();
        dialog->close();
        QVERIFY(!stop->isEnabled() && start->isEnabled());
        window.crate()->refreshTimerUpdate();
        QCOMPARE(child<QLineEdit>(dialog, "txtLinesWritten")->text(), "36");

        child<QLineEdit>(dialog, "txtFilename")->setText(m_dir.filePath("once.txt/sub.txt"));
        start->click();
        QCOMPARE(m_prompt->shownOf("warning"),
                 QStringList {"Can not open file '" + m_dir.filePath("once.txt/sub.txt")
                              + "' for writing! [Ok]"});
        QVERIFY(!stop->isEnabled() && start->isEnabled());
    }

    void runStopRerunAndClose()
    {
        TestCrate::setSetting(QStringLiteral("OnExitBehaviour"), QStringLiteral("2"));
        QVERIFY(QDir::setCurrent(m_dir.path())); // no test.js here
        NorvControl &window = start();
        trigger(window, "actionScript");
        auto *console = window.findChild<DialogScriptConsole *>();
        QVERIFY(console && console->isVisible());
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

    void setGroupReadsBack_data()
    {
        QTest::addColumn<int>("slot"); // chosen while the dialog shows the class-29 module
        QTest::addColumn<int>("group");
        QTest::addColumn<int>("tab");
        QTest::addColumn<qint64>("member"); // boxes 0, 1 and 13 ticked
        QTest::addColumn<qint64>("type"); // 0: refused
        QTest::newRow("class 20, set group 3") << 0 << 3 << 0 << 0x3ll << 0x0125ll;
        QTest::newRow("class 29, timeout group 30") << 1 << 30 << 3 << 0x2003ll << 0x03E8D000ll;
        QTest::newRow("class 29, group 3 on the nominals") << 1 << 3 << 0 << 0ll << 0ll;
    }
    void setGroupReadsBack()
    {
        QFETCH(int, slot);
        QFETCH(int, group);
        QFETCH(int, tab);
        QFETCH(qint64, type);
        NorvControl &window = start();
        window.crate()->selectModule(1);
        trigger(window, "actionTimeoutGroup");
        auto *dialog = window.findChild<DialogFlexGroups *>();
        QVERIFY(dialog && dialog->isVisible() && dialog->pollTimer()->isActive());
        window.crate()->selectModule(slot);
        child<QSpinBox>(dialog, "spbGroupNumber")->setValue(group);
        for (int k : {0, 1, 13})
            box(dialog, k)->setChecked(true);
        child<QTabWidget>(dialog, "tabWidget")->setCurrentIndex(tab);
        child<QSpinBox>(dialog, "spbMasterChannel")->setValue(5);
        child<QRadioButton>(dialog, "chkCopyIset")->setChecked(true);
        child<QCheckBox>(dialog, "chkSetPermanent")->setChecked(true);
        child<QSpinBox>(dialog, "spbTimeout")->setValue(1000);
        child<QRadioButton>(dialog, "chkRampDown")->setChecked(true);
        QSignalSpy writes(dialog, &DialogFlexGroups::setFlexGroup);
        child<QPushButton>(dialog, "btnSet")->click();
        if (!type) {
            QCOMPARE(writes.count(), 0);
            QCOMPARE(m_prompt->shownOf("warning"),
                     QStringList("Group 3 shares its registers with the hardware nominals of "
                                 "channel 3 on this module: nothing was written. [Ok]"));
            return;
        }
        const int base = slot ? 0x8000 : 0x4000;
        const quint32 entry = slot ? 0x700 + 8 * group : 0x2C0 + 4 * group; // member, then type
        QTEST(qint64(norvsim_register(base, entry)), "member");
        QCOMPARE(qint64(norvsim_register(base, entry + (slot ? 4 : 2))), type);
        QCOMPARE(box(dialog, 13)->isChecked(), slot == 1); // an absent channel is no member

        // An edit survives the poll and a report of another group, not a change in the module.
        box(dialog, 1)->setChecked(false);
        dialog->timeout();
        dialog->updateModuleFlexGroups(0, group + 1, 0xFFFFFFFF, 0x40D0);
        QVERIFY(!box(dialog, 1)->isChecked() && box(dialog, 0)->isChecked());
        window.crate()->setFlexGroup(group, 0x4, 0x40D0);
        dialog->timeout();
        QVERIFY(!box(dialog, 0)->isChecked() && box(dialog, 2)->isChecked());
        QVERIFY(child<QRadioButton>(dialog, "chk_StatIsTRIP")->isChecked());
        // Escape stops the poll; showing again shows the module's words over any edit.
        dialog->reject();
        QVERIFY(!dialog->pollTimer()->isActive());
        box(dialog, 2)->setChecked(false);
        dialog->show();
        QVERIFY(box(dialog, 2)->isChecked());
    }
};

QTEST_MAIN(TestWindowTools)
#include "tst_windowtools.moc"
