// The channel, module and system commands of the main window and its context
// menus over the simulated crate. Input dialogs are answered by PromptRecorder;
// what reaches the modules is read back from the simulation and, where the
// number and order of bus cycles matter, from its trace.
#include "TestCrate.h"
#include "WindowTest.h"

#include <BaseModule.h>
#include <CrateCore.h>
#include <HvTable.h>
#include <norvsim.h>

#include <QAction>
#include <QMenu>
#include <QRegularExpression>
#include <QtTest>

#include <memory>

namespace {

constexpr int Base20 = 0x4000, Base29 = 0x8000; // free functions here use them too
// Layout 20: channel blocks at 0x60 + 0x30 n with the event status at +0x04;
// the all-channels registers of both layouts.
constexpr quint32 eventStatus20(int ch) { return Base20 + 0x60 + 0x30 * ch + 0x04; }
constexpr quint32 AllOn20 = Base20 + 0x2B4;
constexpr quint32 AllOn29 = Base29 + 0xE4;

HvTable *channelTable(NorvControl &window, int rows)
{
    auto *table = window.findChild<HvTable *>(QStringLiteral("table"));
    table->setChannelCount(rows);
    return table;
}

// Selects exactly these (row, column) cells; the current cell is `current`,
// or the first cell when not given.
void selectCells(HvTable *table, const QList<QPoint> &cells, QPoint current = QPoint(-1, -1))
{
    table->clearSelection();
    if (current.x() < 0 && !cells.isEmpty())
        current = cells.first();
    table->selectionModel()->setCurrentIndex(table->model()->index(current.x(), current.y()),
                                             QItemSelectionModel::NoUpdate);
    for (const QPoint &cell : cells)
        table->selectionModel()->select(table->model()->index(cell.x(), cell.y()),
                                        QItemSelectionModel::Select);
}

double vset(int base, int ch) { return norvsim_channel_value(base, ch, NORVSIM_VSET); }
double iset(int base, int ch) { return norvsim_channel_value(base, ch, NORVSIM_ISET); }
bool near(double a, double b) { return qAbs(a - b) < 1e-6 * qMax(1.0, qAbs(b)); }

// A context menu as a list: "!text" for a disabled entry (the title is one)
// and for every other entry the window action that triggering it fires.
QStringList menuEntries(NorvControl &window, QMenu *menu)
{
    std::unique_ptr<QMenu> owned(menu);
    QStringList entries;
    QObject context;
    for (QAction *action : window.findChildren<QAction *>(QRegularExpression("^action"))) {
        QObject::connect(action, &QAction::triggered, &context,
                         [&entries, action] { entries.last() = action->objectName(); });
    }
    for (QAction *item : menu->actions()) {
        if (item->isSeparator())
            continue;
        entries << '!' + item->text();
        if (item->isEnabled())
            item->trigger();
    }
    return entries;
}

} // namespace

class TestNorvControlCommands : public WindowTest
{
    Q_OBJECT

    /// The addresses of the bus writes that triggering the actions in turn makes.
    QList<quint32> writesOf(NorvControl &window, const QStringList &actions)
    {
        if (!TestCrate::startTrace(m_dir.path()))
            return {0xFFFFFFFF}; // never passes for "no writes"
        for (const QString &name : actions)
            trigger(window, name);
        return TestCrate::stopTrace('W');
    }

private slots:
    // Must stay the first use of the staircase in this process: its
    // direction is process-wide and starts downwards.
    void staircaseAlternatesDirection()
    {
        // The values are the staircase's own tests; here the direction alternates
        // and belongs to the process, not to a window.
        NorvControl &window = start();
        const auto ends = [] { return QList<double> {vset(Base20, 0), vset(Base20, 11)}; };
        trigger(window, "actionSetVoltageIncremental");
        QCOMPARE(ends(), (QList<double> {3000, 1900}));
        trigger(window, "actionSetVoltageIncremental");
        QCOMPARE(ends(), (QList<double> {1900, 3000}));
        trigger(start(), "actionSetVoltageIncremental"); // another window
        QCOMPARE(ends(), (QList<double> {3000, 1900}));
        QVERIFY(m_prompt->shown.isEmpty());
    }

    void selectedCellsMakeTheChannelMask()
    {
        NorvControl &window = start();
        HvTable *table = channelTable(window, 40);
        // Three cells of one row: the row is listed, and acted on, three times.
        selectCells(table, {{2, 0}, {2, 1}, {2, 3}});
        QCOMPARE(writesOf(window, {"actionClearEvents"}), QList<quint32>(3, eventStatus20(2)));
        // Rows 1 and 35 (bit 3 of the mask) of the current module, nothing else.
        selectCells(table, {{1, 0}, {35, 2}, {1, 6}});
        trigger(window, "actionSetChannelOn");
        for (int ch = 0; ch < 12; ++ch)
            QCOMPARE(bool(TestCrate::channelControl(Base20, 20, ch) & 0x0008), ch == 1 || ch == 3);
        QCOMPARE(TestCrate::channelsOn(Base29, 29), 0);

        // No cell selected: mask 0, so nothing at all is written, even with a
        // current cell; the dialogs are not even asked.
        selectCells(table, {}, {5, 0});
        QCOMPARE(writesOf(window,
                          {"actionSetChannelOn", "actionSetChannelOff",
                           "actionSetChannelEmergencyOff", "actionClearChannelEmergencyOff",
                           "actionClearEvents", "actionSetVoltage", "actionSetCurrent"}),
                 QList<quint32> {});
        QVERIFY(m_prompt->shown.isEmpty());
    }

    void channelAndModuleVoltageDialogs()
    {
        NorvControl &window = start();
        HvTable *table = channelTable(window, 12);
        BaseModule *module = window.crate()->module(0);
        // Not reached by a refresh tick yet: its first call only identifies it.
        module->GetModuleDeviceClass();
        module->SetChannelVoltageSet(4, 123.5f);
        // A nominal can only be lowered in stop mode.
        const quint32 control = module->GetModuleControl();
        module->SetModuleControl(control | 0x0004);
        module->SetChannelVoltageNominal(5, 2000.0f);
        module->SetModuleControl(control);

        selectCells(table, {{4, 0}});
        m_prompt->answerValue(2500.0);
        trigger(window, "actionSetVoltage");
        QCOMPARE(m_prompt->shown.last(),
                 "getDouble: Input a voltage (0...3000 V) for channel 4: "
                 "[0...3000] = 123.5, 3 decimals");
        for (int ch = 0; ch < 12; ++ch)
            QCOMPARE(vset(Base20, ch), ch == 4 ? 2500.0 : 0.0);

        const QString note = QStringLiteral("\n\nNote: some channels will only allow 2000 V.");
        selectCells(table, {{1, 0}, {5, 0}, {6, 2}});
        m_prompt->answerValue(1500.0);
        trigger(window, "actionSetVoltage");
        // Prefilled from the current row.
        QCOMPARE(m_prompt->shown.last(),
                 "getDouble: Input a voltage (0...3000 V) for the selected channels:" + note
                     + " [0...3000] = 0, 3 decimals");
        for (int ch = 0; ch < 12; ++ch)
            QCOMPARE(vset(Base20, ch),
                     ch == 4                               ? 2500.0
                         : (ch == 1 || ch == 5 || ch == 6) ? 1500
                                                           : 0);

        m_prompt->answerValue(1800.0);
        trigger(window, "actionSetAllVoltages");
        QCOMPARE(m_prompt->shown.last(),
                 "getDouble: Input a Set voltage (0...3000 V) for all channels:" + note
                     + " [0...3000] = 1500, 3 decimals");
        for (int ch = 0; ch < 12; ++ch)
            QCOMPARE(vset(Base20, ch), 1800.0);
    }

    void choiceDialogs()
    {
        NorvControl &window = start();
        // The module reports a rate that is not offered: "500" is preselected.
        QCOMPARE(norvsim_inject_wrong_read(Base20, 0x58, 200), 0);
        m_prompt->answerValue(QStringLiteral("60"));
        trigger(window, "actionAdcSamplesPerSecond");
        QCOMPARE(m_prompt->shown.last(),
                 "getItem: Choose ADC samples per second: 50|60|100|500, 500");
        QCOMPARE(norvsim_register(Base20, 0x58), qint64(60));
        QCOMPARE(norvsim_inject_wrong_read(Base20, 0x5A, 8), 0);
        m_prompt->answerValue(QStringLiteral("256"));
        trigger(window, "actionDigitalFilter");
        QCOMPARE(m_prompt->shown.last(),
                 "getItem: Choose Digital Filter averaging steps: 1|16|64|256|1024, 64");
        QCOMPARE(norvsim_register(Base20, 0x5A), qint64(256));
    }

    void cancelledDialogsWriteNothing()
    {
        NorvControl &window = start();
        selectCells(channelTable(window, 12), {{1, 0}});
        const QString names = QStringLiteral(
            "actionSetVoltage actionSetCurrent actionSetAllVoltages actionSetAllCurrents "
            "actionVoltageRamp actionCurrentRamp actionAdcSamplesPerSecond actionDigitalFilter "
            "actionSetAllModulesVoltage actionSetAllModulesCurrent "
            "actionSetAllModulesVoltageRamp actionSetAllModulesCurrentRamp");
        const QStringList asking = names.split(QLatin1Char(' '));
        for (int i = 0; i < asking.size(); ++i)
            m_prompt->answerCancel();
        m_prompt->answerValue(QString()); // an empty confirmed choice is no choice either
        QCOMPARE(writesOf(window, asking + QStringList {"actionDigitalFilter"}), QList<quint32> {});
        // Every dialog asked, under the program's title.
        QCOMPARE(m_prompt->shown.filter(QRegularExpression("^get(Double|Item): ")).size(),
                 asking.size() + 1);
    }

    void systemCommandsActInSlotOrder()
    {
        NorvControl &window = start();
        // Before any refresh tick: the commands identify the modules themselves.
        const QList<quint32> allOn {AllOn20, AllOn20 + 2, AllOn29, AllOn29 + 2};
        QCOMPARE(writesOf(window, {"actionSetAllModulesOn"}), allOn);
        QCOMPARE(TestCrate::channelsOn(Base20, 20) + TestCrate::channelsOn(Base29, 29), 36);
        QCOMPARE(writesOf(window, {"actionSetAllModulesOff"}), allOn);
        QCOMPARE(TestCrate::channelsOn(Base20, 20) + TestCrate::channelsOn(Base29, 29), 0);
        // One all-channels write per module for emergency off.
        QCOMPARE(writesOf(window, {"actionSetAllModulesEmergencyOff"}),
                 (QList<quint32> {Base20 + 0x2B0, Base20 + 0x2B2, Base29 + 0xE0, Base29 + 0xE2}));
        trigger(window, "actionClearAllModulesEmergencyOff");
        for (int ch = 0; ch < 24; ++ch)
            QVERIFY(!(TestCrate::channelControl(Base29, 29, ch) & 0x0020));
        QVERIFY(!(TestCrate::channelControl(Base20, 20, 11) & 0x0020));
        // The module control words clear the events.
        QCOMPARE(writesOf(window, {"actionClearAllModulesEvents"}),
                 (QList<quint32> {Base20 + 0x02, Base29 + 0x0C, Base29 + 0x0E}));
        selectCells(channelTable(window, 12), {{2, 0}});
        window.crate()->module(0)->SetChannelVoltageSet(2, 321.0f);
        m_prompt->answerValue(1000.0);
        QCOMPARE(writesOf(window, {"actionSetAllModulesVoltage"}),
                 (QList<quint32> {Base20 + 0x2A0, Base20 + 0x2A2, Base29 + 0xD0, Base29 + 0xD2}));
        // Bounded by the largest nominal of any module, prefilled from the
        // current module's current row.
        QCOMPARE(m_prompt->shown.last(),
                 "getDouble: Input a Set voltage (0...6000 V) for all channels in all modules:"
                 "\n\nNote: some channels will only allow 3000 V. [0...6000] = 321, 3 decimals");
        m_prompt->answerValue(0.5);
        trigger(window, "actionSetAllModulesCurrent");
        QCOMPARE(m_prompt->shown.last(),
                 "getDouble: Input a Set current (0...3 mA) for all channels in all modules:"
                 "\n\nNote: some channels will only allow 1 mA. [0...3] = 3, 3 decimals");
        QVERIFY(near(iset(Base20, 11), 0.0005) && near(iset(Base29, 23), 0.0005));
    }

    void contextMenus()
    {
        NorvControl &window = start();
        HvTable *table = channelTable(window, 12);
        const auto entries = [](const QString &list) { return list.split(QLatin1Char('|')); };
        const QString channel = QStringLiteral(
            "actionSetVoltage|actionSetCurrent|actionSetChannelOn|actionSetChannelOff|"
            "actionSetChannelEmergencyOff|actionClearChannelEmergencyOff|actionClearEvents|%1|"
            "!Set Bounds...");

        selectCells(table, {{3, 1}});
        QCOMPARE(menuEntries(window, window.buildChannelContextMenu()),
                 entries("!Channel 3 menu|" + channel.arg("actionStatusControl")));
        // The status dialog shows one channel.
        selectCells(table, {{3, 1}, {3, 2}});
        QCOMPARE(menuEntries(window, window.buildChannelContextMenu()),
                 entries("!Selected Channels menu|" + channel.arg("!Status / Control...")));
        QCOMPARE(menuEntries(window, window.buildModuleContextMenu()),
                 entries("!Module menu|actionSetAllVoltages|actionSetAllCurrents|"
                         "actionSetAllChannelsOn|actionSetAllChannelsOff|actionSetEmergencyOff|"
                         "actionClearEmergencyOff|actionVoltageRamp|actionCurrentRamp|"
                         "actionClearAllEvents|actionModuleStatusControl"));
        QCOMPARE(menuEntries(window, window.buildSystemContextMenu()),
                 entries("!System menu|actionSetAllModulesVoltage|actionSetAllModulesCurrent|"
                         "actionSetAllModulesOn|actionSetAllModulesOff|"
                         "actionSetAllModulesEmergencyOff|actionClearAllModulesEmergencyOff|"
                         "actionSetAllModulesVoltageRamp|actionSetAllModulesCurrentRamp|"
                         "actionClearAllModulesEvents"));
    }
};

QTEST_MAIN(TestNorvControlCommands)
#include "tst_norvcontrol_commands.moc"
