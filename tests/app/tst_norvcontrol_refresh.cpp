// What the main window shows of the refresh cycle over the simulated crate:
// the channel table and its labels, table edits, the overview and the detail
// dialogs wired to the crate core. Simulated time is frozen and the refresh
// stopped, so every test drives the ticks itself.
#include "TestCrate.h"
#include "WindowTest.h"

#include <BaseModule.h>
#include <CrateCore.h>
#include <DialogChannelBounds.h>
#include <DialogChannelControl.h>
#include <DialogOverview.h>
#include <HvTable.h>
#include <TarnChannelStatusBits.h>
#include <norvsim.h>

#include <QCheckBox>
#include <QDoubleSpinBox>
#include <QPushButton>
#include <QTableWidget>
#include <QtTest>

namespace {

constexpr int Base20 = 0x4000;
constexpr int Base29 = 0x8000;
constexpr int Rows20 = 12;
constexpr int StatusColumn = HvTable::StatusColumn;

bool refreshRow(NorvControl &window, int row)
{
    return TestCrate::refreshRow(*window.crate(), row);
}

bool near(double actual, double expected) { return qAbs(actual - expected) < 1e-4; }

} // namespace

class TestNorvControlRefresh : public WindowTest
{
    Q_OBJECT

private slots:
    void onePassShowsEveryRowFormatted();
    void labelsAndOverviewFollowTheModules();
    void tableEditsReachTheShownModule();

    void channelDialogFollowsTheSelectedChannel();
    void setBoundsReachesTheInterlockRegisters();
};

void TestNorvControlRefresh::onePassShowsEveryRowFormatted()
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

void TestNorvControlRefresh::labelsAndOverviewFollowTheModules()
{
    NorvControl &window = start();
    BaseModule *module = window.crate()->module(0);
    module->SetChannelEventMask(3, 0x0010);
    window.crate()->refreshTimerUpdate();
    QCOMPARE(label(window, "lblSerial"), QStringLiteral("4711"));
    table(window)->setCurrentCell(3, 0);
    QVERIFY(refreshRow(window, 0));
    QCOMPARE(table(window)->horizontalHeaderItem(3)->text(), QStringLiteral("Iset (mA)"));
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
    QCOMPARE(table(window)->rowCount(), 24);

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

void TestNorvControlRefresh::tableEditsReachTheShownModule()
{
    // What typing into a cell writes, or refuses, is the operator-trust test's;
    // here an edit goes to the module shown, whichever the last one was.
    NorvControl &window = start();
    window.crate()->refreshTimerUpdate();
    trigger(window, "actionNextModule");
    emit table(window)->voltageSetEntered(0, 250.0f);
    QCOMPARE(norvsim_channel_value(Base29, 0, NORVSIM_VSET), 250.0);
    QCOMPARE(norvsim_channel_value(Base20, 0, NORVSIM_VSET), 0.0);
}

void TestNorvControlRefresh::channelDialogFollowsTheSelectedChannel()
{
    NorvControl &window = start();
    trigger(window, "actionStatusControl");
    auto *dialog = window.findChild<DialogChannelControl *>();
    auto *isOn = dialog->findChild<QCheckBox *>(QStringLiteral("chk_isON"));
    window.crate()->refreshTimerUpdate();
    table(window)->setCurrentCell(2, 0);
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
}

void TestNorvControlRefresh::setBoundsReachesTheInterlockRegisters()
{
    NorvControl &window = start();
    trigger(window, "actionBounds");
    auto *bounds = window.findChild<DialogChannelBounds *>();
    window.crate()->refreshTimerUpdate();
    table(window)->setCurrentCell(4, 3);
    QVERIFY(refreshRow(window, 4));
    bounds->findChild<QDoubleSpinBox *>(QStringLiteral("spbVoltageIlkMax"))->setValue(2500.0);
    bounds->findChild<QDoubleSpinBox *>(QStringLiteral("spbCurrentIlkMax"))->setValue(2.0); // mA
    QTest::mouseClick(bounds->findChild<QPushButton *>(QStringLiteral("btnSetBounds")),
                      Qt::LeftButton);
    QCOMPARE(window.crate()->module(0)->GetChannelVoltageIlkMaxSet(4), 2500.0f);
    QVERIFY(near(window.crate()->module(0)->GetChannelCurrentIlkMaxSet(4), 2.0));
    QVERIFY(m_prompt->shown.isEmpty());
}

QTEST_MAIN(TestNorvControlRefresh)
#include "tst_norvcontrol_refresh.moc"
