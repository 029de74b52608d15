// The statistic dialog in the main window over the simulated
// crate: Once through the window's refresh, closing stops, the open failure;
// the steps themselves are tst_autotimer's.
#include "WindowTest.h"

#include <CrateCore.h>
#include <DialogStatistic.h>

#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QtTest>

class TestLoggingActions : public WindowTest
{
    Q_OBJECT

    template<class T> static T *child(QObject *parent, const char *name)
    {
        return parent->findChild<T *>(QString::fromLatin1(name));
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
};

QTEST_MAIN(TestLoggingActions)
#include "tst_loggingactions.moc"
