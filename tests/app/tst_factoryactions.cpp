// The main window's maintenance actions over the simulated crate: a new base
// address that the table follows, and the factory dialog opened under the
// service word, driving a reset through the refresh. Simulated time runs
// with the clock: stop and special mode need it.
#include "PromptRecorder.h"
#include "TestCrate.h"

#include <BaseModule.h>
#include <CrateCore.h>
#include <DialogFactory.h>
#include <FactoryStateMachine.h>
#include <NorvControl.h>
#include <norvsim.h>

#include <QAction>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTextEdit>
#include <QtTest>

class TestFactoryActions : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void newBaseAddressIsPolledThere();
    void factoryResetFromTheDialog_data();
    void factoryResetFromTheDialog();

private:
    QTemporaryDir m_dir;
};

void TestFactoryActions::initTestCase()
{
    QVERIFY(m_dir.isValid());
    TestCrate::useSettingsIn(m_dir.path());
    qputenv("NORV_SIM_TIMESCALE", "1");
}

void TestFactoryActions::newBaseAddressIsPolledThere()
{
    QVERIFY(TestCrate::resetDefault());
    PromptRecorder prompt;
    prompt.answerValue(QStringLiteral("0x5000"));
    prompt.answerButton(QMessageBox::Yes);
    NorvControl window(QStringList {});
    CrateCore *crate = window.crate();
    crate->stopRefresh();
    crate->refreshTimerUpdate();

    window.findChild<QAction *>(QStringLiteral("actionProgramNewBaseAddress"))->trigger();
    const PromptRecorder::Shown choice = prompt.shown().first();
    QCOMPARE(choice.kind, QStringLiteral("getItem"));
    QCOMPARE(choice.items.size(), 64);
    QCOMPARE(choice.items.value(choice.current), QStringLiteral("0x4000"));
    QCOMPARE(prompt.shown().size(), 2); // and the question, answered Yes
    QCOMPARE(norvsim_module_base(0), 0x5000);

    const auto *list = window.findChild<QListWidget *>(QStringLiteral("lstModules"));
    QCOMPARE(list->item(0)->text(), QStringLiteral("VME BA 0x5000\n4711"));
    for (int tick = 0; tick < 13; ++tick)
        crate->refreshTimerUpdate();
    QCOMPARE(crate->moduleState(0), 2); // shown, answering at its new address
    QVERIFY(window.findChild<QLabel *>(QStringLiteral("lblConnect"))
                ->text()
                .endsWith(QStringLiteral("at VME BA 0x5000")));
}

void TestFactoryActions::factoryResetFromTheDialog_data()
{
    QTest::addColumn<QJsonObject>("faults");
    QTest::addColumn<QStringList>("boxes");
    QTest::addColumn<QString>("closing");
    QTest::newRow("reset") << QJsonObject() << QStringList() << "\nReset to Factory Settings done!";
    QTest::newRow("voltage nominal refused")
        << QJsonObject {{"stuck_voltage_nominal", 2000}}
        << QStringList {"Error resetting Channel 0 voltage nominal. Giving up."}
        << "\nReset to Factory Settings failed!";
}

void TestFactoryActions::factoryResetFromTheDialog()
{
    QFETCH(QJsonObject, faults);
    QFETCH(QString, closing);
    QVERIFY2(TestCrate::resetFrom(m_dir.path(),
                                  {TestCrate::module(0x4000, 20, 4711, {{"faults", faults}})}),
             norvsim_last_error());
    PromptRecorder prompt;
    NorvControl window(QStringList {QStringLiteral("qbxt")});
    CrateCore *crate = window.crate();
    crate->stopRefresh();
    crate->refreshTimerUpdate();
    QCoreApplication::processEvents(); // the service word opens the dialog after the tick
    auto *dialog = window.findChild<DialogFactory *>();
    QVERIFY(dialog && dialog->isVisible());

    dialog->findChild<QPushButton *>(QStringLiteral("btnFactoryReset"))->click();
    const auto *log = dialog->findChild<QTextEdit *>(QStringLiteral("txtLog"));
    for (int tick = 0; tick < 200 && !log->toPlainText().contains(closing); ++tick) {
        crate->refreshTimerUpdate();
        QCoreApplication::processEvents();
        QTest::qWait(1);
    }
    // Two more stop-mode reports bring the dialog back to idle.
    for (int tick = 0; tick < 40 && dialog->machine()->state() != 0; ++tick)
        crate->refreshTimerUpdate();
    QCOMPARE(dialog->machine()->state(), 0);

    QStringList boxes;
    for (const PromptRecorder::Shown &shown : prompt.shown())
        boxes << shown.text;
    QTEST(boxes, "boxes");
    const QString text = log->toPlainText();
    QVERIFY2(text.startsWith(QStringLiteral("Setting Module to Mode STOP...\n\nModule is now in "
                                            "Mode STOP.\nResetting Module to Factory settings "
                                            "...\n")),
             qPrintable(text));
    QVERIFY2(text.endsWith(closing), qPrintable(text));
    // The reset's nominals reach the dialog while it runs.
    QCOMPARE(text.contains(QStringLiteral("Channel 11: Voltage Hardware Nominal 3000 V")),
             closing.contains(QStringLiteral("done")));
}

QTEST_MAIN(TestFactoryActions)
#include "tst_factoryactions.moc"
