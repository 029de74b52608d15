// The statistic dialog in the main window over the simulated
// crate: Once through the window's refresh, closing stops, the open failure;
// the steps themselves are tst_autotimer's.
#include "PromptRecorder.h"
#include "TestCrate.h"

#include <CrateCore.h>
#include <DialogStatistic.h>
#include <NorvControl.h>

#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTemporaryDir>
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
};

QTEST_MAIN(TestLoggingActions)
#include "tst_loggingactions.moc"
