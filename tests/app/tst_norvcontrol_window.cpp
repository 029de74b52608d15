// The main window over the crate core, the real adapters and the simulated
// crate: what it shows of the scan and of the connection states, the
// controller choice, module and channel selection through the list and the
// table, the service word and what closing does to the voltages; and what it
// shows of the refresh cycle: the channel table and its labels, the overview
// and the detail dialogs wired to the crate core. Simulated time is frozen and
// the refresh stopped, so every test drives the ticks itself.
#include "TestCrate.h"
#include "WindowTest.h"

#include <BaseController.h>
#include <BaseModule.h>
#include <CrateCore.h>
#include <DialogChannelBounds.h>
#include <DialogChannelControl.h>
#include <DialogOverview.h>
#include <HvTable.h>
#include <Sequence.h>
#include <TarnChannelStatusBits.h>
#include <norvsim.h>

#include <QCheckBox>
#include <QDir>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTableWidget>
#include <QtTest>

namespace {

const QString Module20 = QStringLiteral("VME BA 0x4000\n4711");
const QString Module29 = QStringLiteral("VME BA 0x8000\n4712");
constexpr int Rows20 = 12;
constexpr int StatusColumn = HvTable::StatusColumn;

QStringList listTexts(NorvControl &window)
{
    auto *list = window.findChild<QListWidget *>(QStringLiteral("lstModules"));
    QStringList texts;
    for (int row = 0; row < list->count(); ++row)
        texts << list->item(row)->text();
    return texts;
}

bool refreshRow(NorvControl &window, int row)
{
    return TestCrate::refreshRow(*window.crate(), row);
}

} // namespace

class TestNorvControlWindow : public WindowTest
{
    Q_OBJECT

private slots:
    void noBridgeWarnsAndChoosingAgainReconnects();
    void silentModuleShowsNotConnectedAndComesBack();
    void moduleAndChannelSelection();
    void serviceWord_data();
    void serviceWord();
    void closeBehaviour_data();
    void closeBehaviour();

    void onePassShowsEveryRowFormatted();
    void labelsAndOverviewFollowTheModules();
    void detailDialogsFollowTheSelectedChannel();
};

void TestNorvControlWindow::noBridgeWarnsAndChoosingAgainReconnects()
{
    QVERIFY(TestCrate::resetWithoutBridge());
    NorvControl &window = start();

    // The text is the crate core test's.
    QCOMPARE(m_prompt->shown.size(), 1);
    QVERIFY(
        m_prompt->shown.first().startsWith("warning: Can not init VME controller Wiener VM-USB!"));
    QVERIFY(m_prompt->shown.first().endsWith(" [Ok]"));

    // The bridge is plugged in; the operator picks the controller again.
    QVERIFY(TestCrate::resetDefault());
    m_prompt->answerValue(QStringLiteral("Wiener VM-USB"));
    trigger(window, "actionController");
    QCOMPARE(m_prompt->shown.last(),
             "getItem: Please select the VME controller to connect to: "
             "Wiener VM-USB|CAEN V1718, Wiener VM-USB");
    QCOMPARE(listTexts(window), (QStringList {Module20, Module29}));
    QCOMPARE(window.statusBar()->findChild<QLabel *>(QStringLiteral("controllerLabel"))->text(),
             window.crate()->controller()->statusText());

    // The choice is stored in the user's INI file.
    QFile ini(QDir(m_dir.path()).filePath(QStringLiteral("Norvtek/norvcontrol.ini")));
    QVERIFY(ini.open(QIODevice::ReadOnly));
    QVERIFY(ini.readAll().contains("VmeController=VM-USB"));
}

void TestNorvControlWindow::silentModuleShowsNotConnectedAndComesBack()
{
    NorvControl &window = start();
    // A fresh module object spends its first read on identification.
    window.crate()->refreshTimerUpdate();
    QCOMPARE(listTexts(window).at(1), QStringLiteral("VME BA 0x8000\nConnecting..."));
    window.crate()->refreshTimerUpdate();
    QCOMPARE(listTexts(window).at(1), Module29);

    QCOMPARE(norvsim_inject_unplug(0x4000, -1), 0);
    window.crate()->refreshTimerUpdate();
    QCOMPARE(listTexts(window),
             (QStringList {QStringLiteral("VME BA 0x4000\nNot connected"), Module29}));
    QCOMPARE(label(window, "lblConnect"),
             QStringLiteral("<font color=\"red\">Error: can not connect to Module!"));
    QVERIFY(!table(window)->isEnabled());

    QCOMPARE(norvsim_inject_replug(0x4000), 0);
    for (int tick = 0; tick < 3 && window.crate()->moduleState(0) != ModuleSlot::Shown; ++tick)
        window.crate()->refreshTimerUpdate();
    QCOMPARE(listTexts(window), (QStringList {Module20, Module29}));
    QVERIFY(table(window)->isEnabled());
    QCOMPARE(label(window, "lblConnect"),
             QStringLiteral("Connected to DC20 sn. 4711 at VME BA 0x4000"));
    QVERIFY(m_prompt->shown.isEmpty());
}

void TestNorvControlWindow::moduleAndChannelSelection()
{
    NorvControl &window = start();
    window.crate()->refreshTimerUpdate(); // sizes the table
    auto *list = window.findChild<QListWidget *>(QStringLiteral("lstModules"));

    // Previous on row 0 wraps to the last row, next wraps back; the core
    // follows the list (what it reports then is the crate core test's).
    trigger(window, "actionPreviousModule");
    QCOMPARE(list->currentRow(), 1);
    QCOMPARE(window.crate()->currentModuleIndex(), 1);
    trigger(window, "actionNextModule");
    QCOMPARE(window.crate()->currentModuleIndex(), 0);

    // While a sequence works on the module the list stays where it is.
    {
        const std::unique_ptr<Sequence> sequence = window.crate()->beginSequence();
        trigger(window, "actionNextModule");
        QCOMPARE(list->currentRow(), 0);
        QVERIFY(m_prompt->shown.last().startsWith("information: "));
    }

    // A cell of the table selects its row's channel.
    QSignalSpy channelChanged(window.crate(), &CrateCore::currentChannelChanged);
    table(window)->setCurrentCell(5, 3);
    QCOMPARE(label(window, "lblChannel"), QStringLiteral("Channel 5 selected"));
    QCOMPARE(channelChanged.size(), 1);
    QCOMPARE(channelChanged.first(), (QVariantList {4711, 5}));
}

void TestNorvControlWindow::serviceWord_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<bool>("specialMode");
    QTest::newRow("none") << QStringList {} << false;
    QTest::newRow("service word") << QStringList {"qbxt"} << true;
    QTest::newRow("service word, more") << QStringList {"qbxt", "other"} << true;
    QTest::newRow("second argument") << QStringList {"other", "qbxt"} << false;
    QTest::newRow("upper case") << QStringList {"QBXT"} << false;
    QTest::newRow("longer") << QStringList {"qbxtx"} << false;
}

void TestNorvControlWindow::serviceWord()
{
    QFETCH(QStringList, arguments);
    QFETCH(bool, specialMode);
    NorvControl &window = start(arguments);
    QCOMPARE(window.findChild<QAction *>(QStringLiteral("actionSpecialMode"))->isEnabled(),
             specialMode);
    QVERIFY(!window.findChild<QAction *>(QStringLiteral("actionSystemReset"))->isEnabled());
    // Under the service word a module's first display opens the factory
    // dialog, after the tick that showed it, never inside it.
    QSignalSpy factory(window.findChild<QAction *>(QStringLiteral("actionFactorySettings")),
                       &QAction::triggered);
    window.crate()->refreshTimerUpdate();
    QCOMPARE(factory.size(), 0);
    QCoreApplication::processEvents();
    QCOMPARE(factory.size(), specialMode ? 1 : 0);
}

void TestNorvControlWindow::closeBehaviour_data()
{
    QTest::addColumn<QString>("crate"); // "default" or "empty"
    QTest::addColumn<QString>("setting"); // empty: not stored
    QTest::addColumn<int>("answer");
    QTest::addColumn<bool>("asks");
    QTest::addColumn<bool>("closes");
    QTest::addColumn<bool>("switchesOff");
    const QString crate = QStringLiteral("default");
    const int none = QMessageBox::NoButton;
    const int cancel = QMessageBox::Cancel;
    QTest::newRow("unset, Yes") << crate << QString() << int(QMessageBox::Yes) << true << true
                                << true;
    QTest::newRow("0, No") << crate << "0" << int(QMessageBox::No) << true << true << false;
    QTest::newRow("0, Cancel") << crate << "0" << cancel << true << false << false;
    QTest::newRow("1") << crate << "1" << none << false << true << true;
    QTest::newRow("2") << crate << "2" << none << false << true << false;
    QTest::newRow("5") << crate << "5" << none << false << true << true;
    QTest::newRow("abc, No") << crate << "abc" << int(QMessageBox::No) << true << true << false;
    // No module (as without a bridge), nothing to ramp down: no question, a
    // Cancel would stay unused.
    QTest::newRow("empty crate, 0") << "empty"
                                    << "0" << cancel << false << true << false;
}

void TestNorvControlWindow::closeBehaviour()
{
    QFETCH(QString, crate);
    QFETCH(QString, setting);
    QFETCH(int, answer);
    QFETCH(bool, asks);
    QFETCH(bool, closes);
    QFETCH(bool, switchesOff);
    if (crate == QLatin1String("empty"))
        QVERIFY(TestCrate::resetFrom(m_dir.path(), QJsonArray {}));
    if (!setting.isEmpty())
        TestCrate::setSetting(QStringLiteral("OnExitBehaviour"), setting);
    NorvControl window(QStringList {}); // its refresh running
    window.show();
    // Before any refresh tick: the second module object has not been
    // identified yet and must be switched off all the same.
    const bool modules = crate == QLatin1String("default");
    if (modules) {
        TestCrate::switchAllOn(0x4000, 20);
        TestCrate::switchAllOn(0x8000, 29);
    }

    if (answer != QMessageBox::NoButton)
        m_prompt->answerButton(QMessageBox::StandardButton(answer));
    trigger(window, "actionQuit");

    QCOMPARE(window.isVisible(), !closes);
    QCOMPARE(m_prompt->shown,
             asks ? QStringList {"question: Ramp down all high voltages? [Yes|No|Cancel]"}
                  : QStringList {});
    // A window that stays open keeps polling.
    QCOMPARE(window.crate()->isRefreshRunning(), !closes);
    if (modules) {
        QCOMPARE(TestCrate::channelsOn(0x4000, 20), switchesOff ? 0 : 12);
        QCOMPARE(TestCrate::channelsOn(0x8000, 29), switchesOff ? 0 : 24);
    }
}

void TestNorvControlWindow::onePassShowsEveryRowFormatted()
{
    NorvControl &window = start();
    BaseModule *module = window.crate()->module(0);
    for (int ch = 0; ch < Rows20; ++ch) {
        module->SetChannelVoltageSet(ch, 100.0f + 10.5f * ch);
        module->SetChannelCurrentSet(ch, 0.25f * (ch + 1));
        QCOMPARE(norvsim_set_channel_value(Base20, ch, NORVSIM_LOAD, 1e5), 0);
        QCOMPARE(norvsim_set_channel_value(Base20, ch, NORVSIM_VOUT, 20.0 * ch), 0);
    }

    // The first tick shows the module and sizes the table; a pass is one tick per row.
    for (int tick = 0; tick < Rows20; ++tick)
        window.crate()->refreshTimerUpdate();
    QCOMPARE(table(window)->rowCount(), Rows20);
    for (int ch = 0; ch < Rows20; ++ch) {
        // 20 V per channel number over 100 kOhm is 0.2 mA; switched off with
        // voltage left on the output, a channel is ramping down.
        const QStringList row {QString::number(100.0 + 10.5 * ch, 'f', 1),
                               QString::number(20.0 * ch, 'f', 1),
                               QStringLiteral("3000.0"),
                               QString::number(0.25 * (ch + 1), 'f', 3),
                               QString::number(0.2 * ch, 'f', 3),
                               QStringLiteral("3.000"),
                               QLatin1String(ch == 0 ? "Off" : "Ramp")};
        for (int column = 0; column <= StatusColumn; ++column) {
            QCOMPARE(cellText(window, ch, column), row.at(column));
            QCOMPARE(table(window)->item(ch, column)->data(Qt::BackgroundRole).isValid(),
                     column == StatusColumn);
        }
        QCOMPARE(table(window)->item(ch, StatusColumn)->background().color(),
                 QColor(ch == 0 ? Qt::yellow : Qt::green));
    }
}

void TestNorvControlWindow::labelsAndOverviewFollowTheModules()
{
    NorvControl &window = start();
    BaseModule *module = window.crate()->module(0);
    module->SetChannelEventMask(3, 0x0010);
    window.crate()->refreshTimerUpdate();
    QCOMPARE(label(window, "lblSerial"), QStringLiteral("4711"));
    table(window)->setCurrentCell(3, 0);
    QVERIFY(refreshRow(window, 0)); // the module step
    QVERIFY(refreshRow(window, 3));
    // The selected row's words, as mnemonics.
    QCOMPARE(label(window, "lblChannelStatus"),
             TarnChannelStatusBits().statusBitText(quint32(norvsim_register(Base20, 0x60 + 0x90))));
    QCOMPARE(label(window, "lblChannelEventMask"), QStringLiteral("0x0010"));
    QVERIFY(label(window, "lblIRampSpeed").endsWith(QLatin1String(" %/s")));

    // Class 29 has no module-wide current ramp speed.
    trigger(window, "actionNextModule");
    QVERIFY(refreshRow(window, 0));
    QCOMPARE(label(window, "lblIRampSpeed"), QStringLiteral("-----"));

    // The overview, while shown, gets every channel of every module.
    QCOMPARE(norvsim_set_channel_value(0x8000, 23, NORVSIM_VOUT, 1234.5), 0);
    trigger(window, "actionModuleOverview");
    auto *overview = window.findChild<DialogOverview *>();
    QVERIFY(overview && overview->isVisible());
    QVERIFY(refreshRow(window, 0));
    auto *voltages = overview->findChild<QTableWidget *>(QStringLiteral("voltageTable"));
    QCOMPARE(voltages->item(23, 1)->text(), QStringLiteral("1234.5"));
    QCOMPARE(voltages->item(23, 1)->foreground().color(), QColor(Qt::magenta)); // set: 0 V
}

void TestNorvControlWindow::detailDialogsFollowTheSelectedChannel()
{
    NorvControl &window = start();
    trigger(window, "actionStatusControl");
    trigger(window, "actionBounds");
    auto *dialog = window.findChild<DialogChannelControl *>();
    auto *bounds = window.findChild<DialogChannelBounds *>();
    auto *isOn = dialog->findChild<QCheckBox *>(QStringLiteral("chk_isON"));
    window.crate()->refreshTimerUpdate();
    table(window)->setCurrentCell(2, 3);
    QVERIFY(refreshRow(window, 2));
    QVERIFY(dialog->windowTitle().contains(QLatin1String("2")));
    QVERIFY(!isOn->isChecked());

    // Switched on by the dialog's own request, and shown so by the next pass
    // (that the operator's tick survives polling is the dialog's test).
    window.crate()->module(0)->SetChannelVoltageSet(2, 1500.0f);
    dialog->findChild<QCheckBox *>(QStringLiteral("chk_setON"))->setChecked(true);
    QTest::mouseClick(dialog->findChild<QPushButton *>(QStringLiteral("btnSetControl")),
                      Qt::LeftButton);
    QCOMPARE(TestCrate::channelControl(Base20, 20, 2) & 0x0008, 0x0008u);
    norvsim_advance_ms(2500);
    QVERIFY(refreshRow(window, 2));
    QVERIFY(isOn->isChecked());

    // The bounds the dialog sends reach the selected channel's interlock registers.
    bounds->findChild<QDoubleSpinBox *>(QStringLiteral("spbVoltageIlkMax"))->setValue(2500.0);
    bounds->findChild<QDoubleSpinBox *>(QStringLiteral("spbCurrentIlkMax"))->setValue(2.0); // mA
    QTest::mouseClick(bounds->findChild<QPushButton *>(QStringLiteral("btnSetBounds")),
                      Qt::LeftButton);
    QCOMPARE(window.crate()->module(0)->GetChannelVoltageIlkMaxSet(2), 2500.0f);
    QVERIFY(qAbs(window.crate()->module(0)->GetChannelCurrentIlkMaxSet(2) - 2.0) < 1e-4);
    QVERIFY(m_prompt->shown.isEmpty());
}

QTEST_MAIN(TestNorvControlWindow)
#include "tst_norvcontrol_window.moc"
