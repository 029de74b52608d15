// The statistic and automatic dialogs in the main window over the simulated
// crate: Once through the window's refresh, closing stops, the open failure;
// the automatic dialog's refusal, a step and its check with the auto log.
#include "PromptRecorder.h"
#include "TestCrate.h"

#include <CrateCore.h>
#include <DialogAutomatic.h>
#include <DialogStatistic.h>
#include <NorvControl.h>

#include <QAction>
#include <QApplication>
#include <QDoubleSpinBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTextEdit>
#include <QtTest>

class TestLoggingActions : public QObject
{
    Q_OBJECT
    QTemporaryDir m_dir;

    template<class T> static T *child(QObject *parent, const char *name)
    {
        return parent->findChild<T *>(QString::fromLatin1(name));
    }
    /// The window with the refresh driven by the test, and the dialog of `action`.
    template<class Dialog> static Dialog *opened(NorvControl &window, const char *action)
    {
        window.crate()->stopRefresh();
        window.crate()->refreshTimerUpdate();
        child<QAction>(&window, action)->trigger();
        return window.findChild<Dialog *>();
    }

private slots:
    void initTestCase()
    {
        TestCrate::useSettingsIn(m_dir.path());
        QVERIFY(TestCrate::resetDefault());
        QApplication::setQuitOnLastWindowClosed(false);
        QVERIFY(QDir::setCurrent(m_dir.path())); // where autologfile.csv goes
    }

    void statisticOnceCloseAndFailure()
    {
        PromptRecorder prompt;
        NorvControl window(QStringList {});
        auto *dialog = opened<DialogStatistic>(window, "actionStatistic");
        QCOMPARE(child<QSpinBox>(dialog, "spbChannelNumber")->maximum(), 11);
        auto *start = child<QPushButton>(dialog, "btnStart");
        auto *stop = child<QPushButton>(dialog, "btnStop");
        prompt.answerValue(m_dir.filePath("once"));
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
        QCOMPARE(prompt.shownOf("warning"),
                 QStringList {"Can not open file '" + m_dir.filePath("once.txt/sub.txt")
                              + "' for writing! [Ok]"});
        QVERIFY(!stop->isEnabled() && start->isEnabled());
    }

    void automaticRefusesThenSteps()
    {
        PromptRecorder prompt;
        NorvControl window(QStringList {});
        auto *dialog = opened<DialogAutomatic>(window, "actionAutomatic");
        auto *startStop = child<QPushButton>(dialog, "btnStartStop");
        QSignalSpy enabled(dialog, &DialogAutomatic::automaticTimerEnabled);
        child<QDoubleSpinBox>(dialog, "sbLower")->setValue(500);
        startStop->click();
        QCOMPARE(prompt.shownOf("warning").size(), 1);
        QCOMPARE(startStop->text(), "Start");
        QVERIFY(enabled.isEmpty());

        child<QDoubleSpinBox>(dialog, "sbLower")->setValue(300);
        child<QDoubleSpinBox>(dialog, "sbIncrement")->setValue(100);
        window.autoTimerUpdate(); // no row selected
        auto *log = child<QTextEdit>(dialog, "txtLog");
        QVERIFY2(log->toPlainText().contains("No channel selected"), qPrintable(log->toPlainText()));
        child<QTableWidget>(&window, "table")->setCurrentCell(1, 0);
        window.autoTimerUpdate();
        QCOMPARE(window.crate()->currentModule()->GetChannelVoltageSet(5), 100.f);
        window.autoTimerControlUpdate();
        QFile autoLog("autologfile.csv");
        QVERIFY(autoLog.open(QIODevice::ReadOnly));
        QCOMPARE(autoLog.readAll().split(';').size(), 3 + 3 * 12 + 1);
    }
};

QTEST_MAIN(TestLoggingActions)
#include "tst_loggingactions.moc"
