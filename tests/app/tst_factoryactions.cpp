// The main window's maintenance and service actions over the simulated crate:
// a new base address that the table follows, the factory dialog (opened under
// the service word) running its procedures through the refresh, the interlock
// output, the password, the crate address and the profile actions (their
// refusals, file name rule, status bar and the write dialog's log, Cancel and
// Ok). Simulated time runs with the clock: the module stores its set values in time.
#include "TestCrate.h"
#include "WindowTest.h"

#include <BaseAddressProgram.h>
#include <CrateCore.h>
#include <DialogFactory.h>
#include <DialogInterlockOut.h>
#include <FactoryStateMachine.h>
#include <ModalRuns.h>
#include <SettingsStore.h>
#include <norvsim.h>

#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSettings>
#include <QStatusBar>
#include <QTextEdit>
#include <QtTest>

class TestFactoryActions : public WindowTest
{
    Q_OBJECT

private slots:
    void initTestCase();
    void newBaseAddressIsPolledThere();
    void dialogProcedures_data();
    void dialogProcedures();
    void interlockOut_data();
    void interlockOut();
    void password_data();
    void password();
    void crateAddress_data();
    void crateAddress();
    void profileSaveThenLoad();
};

void TestFactoryActions::initTestCase()
{
    WindowTest::initTestCase();
    qputenv("NORV_SIM_TIMESCALE", "1");
}

void TestFactoryActions::newBaseAddressIsPolledThere()
{
    QVERIFY(TestCrate::resetFrom(m_dir.path(), {TestCrate::module(0x4800, 29, 4712)}));
    m_prompt->answerValue(QStringLiteral("0x8000"));
    m_prompt->answerButton(QMessageBox::Yes);
    NorvControl &window = start();
    CrateCore *crate = window.crate();
    crate->refreshTimerUpdate();

    trigger(window, "actionProgramNewBaseAddress");
    // "getItem: <label> <choices>, <preselected>"
    const QString choice = m_prompt->shown.first();
    QVERIFY(choice.startsWith(QStringLiteral("getItem: Please choose a new VME Base Address for "
                                             "the module with serial number 4712.\n\n")));
    QCOMPARE(choice.section(' ', -2, -2).count('|') + 1, 32);
    QVERIFY(choice.endsWith(QStringLiteral(", 0x4800")));
    // A module between two choices preselects the lower one.
    QCOMPARE(BaseAddressProgram::preselected(0x4A00, 20), 0x4800 / 0x400);
    QCOMPARE(norvsim_module_base(0), 0x8000);

    const auto *list = window.findChild<QListWidget *>(QStringLiteral("lstModules"));
    QCOMPARE(list->item(0)->text(), QStringLiteral("VME BA 0x8000\n4712"));
    for (int tick = 0; tick < 25; ++tick)
        crate->refreshTimerUpdate();
    QCOMPARE(crate->moduleState(0), 2); // shown, answering at its new address
    QVERIFY(window.findChild<QLabel *>(QStringLiteral("lblConnect"))
                ->text()
                .endsWith(QStringLiteral("at VME BA 0x8000")));
}

void TestFactoryActions::dialogProcedures_data()
{
    QTest::addColumn<QJsonObject>("faults");
    QTest::addColumn<int>("channels"); // given to the dialog; 0: the module's
    QTest::addColumn<QString>("button");
    QTest::addColumn<QStringList>("boxes");
    QTest::addColumn<int>("lines");
    QTest::addColumn<QString>("ending"); // the last two lines
    QTest::addColumn<QList<quint32>>("channelMasks"); // written by the dialog, in order
    QTest::addColumn<QList<qint64>>("masks"); // the module's event and channel masks at the end
    const QString vme = QStringLiteral("btnVmeTest"), reset = QStringLiteral("btnFactoryReset");
    const QList<qint64> untouched {0x0123, 0x0456};
    QList<quint32> walk {1, 2, 4, 8, 0x10, 0x20, 0x40, 0x80, 0x100, 0x200, 0x400, 0x800, 0x1000};
    QTest::newRow("VME test, 12 channels")
        << QJsonObject() << 0 << vme << QStringList() << 31
        << "Test finished!\nModule EventMask 0x0123 and EventChannelMask 0x0456 restored."
        << (walk << 0x0456) << untouched;
    QTest::newRow("VME test, event mask bit 7 stuck")
        << QJsonObject {{"stuck_event_mask_bits", "0x80"}} << 0 << vme << QStringList() << 8
        << "Module EventMask 0x0020 passed\nModule EventMask 0x0040 passed" << QList<quint32>()
        << QList<qint64> {0, 0x0456};
    QTest::newRow("VME test, too many channels")
        << QJsonObject() << 32 << vme << QStringList() << 1
        << "The module reports 32 channels: its event channel mask cannot be tested."
        << QList<quint32>() << untouched;
    QTest::newRow("factory reset")
        << QJsonObject() << 0 << reset << QStringList() << 30 << "\nReset to Factory Settings done!"
        << QList<quint32>() << QList<qint64> {0xFFFF, 0xFFFF};
    QTest::newRow("factory reset, voltage nominal refused")
        << QJsonObject {{"stuck_voltage_nominal", 2000}} << 0 << reset
        << QStringList {"Error resetting Channel 0 voltage nominal. Giving up."} << 6
        << "\nReset to Factory Settings failed!" << QList<quint32>() << untouched;
}

void TestFactoryActions::dialogProcedures()
{
    QFETCH(QJsonObject, faults);
    QFETCH(int, channels);
    QFETCH(QString, button);
    QVERIFY(TestCrate::resetFrom(m_dir.path(),
                                 {TestCrate::module(0x4000, 20, 4711, {{"faults", faults}})}));
    NorvControl &window = start({QStringLiteral("qbxt")});
    CrateCore *crate = window.crate();
    crate->setModuleEventMask(0x0123);
    crate->setModuleEventChannelMask(0x0456);
    crate->refreshTimerUpdate();
    QCoreApplication::processEvents(); // the service word opens the dialog after the tick
    auto *dialog = window.findChild<DialogFactory *>();
    QVERIFY(dialog && dialog->isVisible());
    FactoryStateMachine *machine = dialog->machine();
    QList<quint32> channelMasks;
    connect(machine, &FactoryStateMachine::setModuleEventChannelMask, this,
            [&channelMasks](quint32 mask) { channelMasks << mask; });
    if (channels)
        machine->setChannelNumber(channels);

    dialog->findChild<QPushButton *>(button)->click();
    // One VME test pattern per pass over the rows; the reset runs between two passes.
    for (int tick = 0; tick < 40 * 12 && machine->state() != 0; ++tick) {
        crate->refreshTimerUpdate();
        QCoreApplication::processEvents();
    }
    QStringList boxes;
    for (const QString &shown : m_prompt->shown) // "kind: text [buttons]"
        boxes << shown.section(QStringLiteral(": "), 1).section(QStringLiteral(" ["), 0, -2);
    QTEST(boxes, "boxes");
    const QStringList log = dialog->findChild<QTextEdit *>()->toPlainText().split('\n');
    QTEST(int(log.size()), "lines");
    QTEST(log.mid(qMax(0, log.size() - 2)).join('\n'), "ending");
    QTEST(channelMasks, "channelMasks");
    QTEST((QList<qint64> {norvsim_register(0x4000, 0x06), norvsim_register(0x4000, 0x0A)}),
          "masks");
}

void TestFactoryActions::interlockOut_data()
{
    QTest::addColumn<quint32>("held"); // the control word the module holds
    QTest::addColumn<QStringList>("ticked");
    QTest::addColumn<qint64>("written");
    QTest::newRow("enable, test loops 0")
        << 0u << QStringList {"chkSetIlkEna", "chkDoIlkTestLoops0"} << qint64(0x8001);
    QTest::newRow("reserved bits held, voltage limit simulated")
        << 0x3C10u << QStringList {"chkSetIlkEna", "chkSetlIlkVlim"} << qint64(0xBD10);
}

void TestFactoryActions::interlockOut()
{
    QFETCH(quint32, held);
    QFETCH(QStringList, ticked);
    NorvControl &window = start();
    window.crate()->setInterlockOutControl(0, held);
    trigger(window, "actionInterlockOut");
    auto *dialog = window.findChild<DialogInterlockOut *>();
    QVERIFY(dialog && dialog->isVisible());
    refreshPass(window);
    for (const QString &name : ticked)
        dialog->findChild<QAbstractButton *>(name)->setChecked(true);
    dialog->findChild<QPushButton *>("btnSetInterlockControl")->click();
    QTEST(qint64(norvsim_register(0x4000, 0x42)), "written");
    refreshPass(window);
    auto *count = dialog->findChild<QLineEdit *>("txtInterlockCount");
    count->setText("edited"); // the next report of the count is unchanged
    refreshPass(window);
    const bool simulated = ticked.contains("chkSetlIlkVlim"); // triggers once, as a test
    QCOMPARE(count->text(), QLatin1String(simulated ? "1" : "0"));
    for (const char *name : {"chkIsIlkAct", "chkIsIlkVlim", "chkIsIlkTest"})
        QCOMPARE(dialog->findChild<QAbstractButton *>(name)->isChecked(), simulated);

    window.crate()->selectModule(1); // class 29: no interlock output
    trigger(window, "actionInterlockOut");
    dialog->findChild<QPushButton *>("btnSetInterlockControl")->click(); // still open
    QCOMPARE(m_prompt->shownOf("information").join('|'),
             "The module DC29 sn. 4712 has no interlock output. [Ok]|The module DC29 sn. 4712 "
             "has no interlock output: the control word was not written. [Ok]");
}

void TestFactoryActions::password_data()
{
    QTest::addColumn<QStringList>("typed"); // one trigger each
    QTest::addColumn<bool>("unlocked");
    QTest::newRow("other case") << QStringList {"Gum6plotr"} << false;
    QTest::newRow("right twice") << QStringList {"gum6plotr", "gum6plotr"} << true;
}

void TestFactoryActions::password()
{
    QFETCH(QStringList, typed);
    NorvControl &window = start();
    for (const QString &text : typed) {
        m_prompt->answerValue(text);
        trigger(window, "actionPassword");
    }
    QTEST(window.findChild<QAction *>("actionSpecialMode")->isEnabled(), "unlocked");
    QCOMPARE(m_prompt->shown, // hidden echo, and not a word about a wrong password
             QStringList(typed.size(), "getText: Please enter password: = (hidden)"));
}

void TestFactoryActions::crateAddress_data()
{
    QTest::addColumn<QVariant>("typed"); // invalid: cancelled
    QTest::addColumn<QString>("stored"); // the typed text when accepted
    QTest::newRow("unchanged") << QVariant("192.168.1.100") << "192.168.1.100";
    QTest::newRow("new") << QVariant("10.0.0.7") << "10.0.0.7";
    QTest::newRow("cancelled") << QVariant() << "192.168.1.100";
    QTest::newRow("no address") << QVariant("foo") << "192.168.1.100";
    QTest::newRow("octal form") << QVariant("010.0.0.1") << "192.168.1.100";
}

void TestFactoryActions::crateAddress()
{
    QFETCH(QVariant, typed);
    QFETCH(QString, stored);
    const bool accepted = typed.toString() == stored;
    CrateCore *crate = start().crate();
    crate->startRefresh();
    QSignalSpy rescans(crate, &CrateCore::moduleListCleared);
    m_prompt->answerValue(typed);
    trigger(*m_window, "actionSetCrateAddress");
    const QString refusal(
        "\"%1\" is not an IPv4 address: the crate address stays 192.168.1.100. [Ok]");
    QCOMPARE(m_prompt->shownOf("warning").join(QString()),
             typed.isValid() && !accepted ? refusal.arg(typed.toString()) : QString());
    QCOMPARE(SettingsStore::ipAddress(), stored);
    QCOMPARE(crate->isRefreshRunning(), !accepted);
    QCOMPARE(m_window->findChild<QWidget *>("table")->isEnabled(), !accepted);
    if (!accepted)
        return;
    QTest::qWait(1500);
    QCOMPARE(rescans.count(), 0);
    QTRY_COMPARE_WITH_TIMEOUT(rescans.count(), 1, 3000); // 2 s after the answer
}

void TestFactoryActions::profileSaveThenLoad()
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

QTEST_MAIN(TestFactoryActions)
#include "tst_factoryactions.moc"
