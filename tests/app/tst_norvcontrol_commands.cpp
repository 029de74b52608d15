// The channel, module and system commands of the main window and its context
// menus over the simulated crate. Input dialogs are answered by PromptRecorder; what reaches the
// modules is read back from the simulation and, where the number and order
// of bus cycles matter, from its trace.
#include "PromptRecorder.h"
#include "TestCrate.h"

#include <BaseModule.h>
#include <CrateCore.h>
#include <HvTable.h>
#include <NorvControl.h>
#include <norvsim.h>

#include <QAction>
#include <QMenu>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

namespace {

const QString Title = QStringLiteral("norv VME Control");
constexpr int Base20 = 0x4000;
constexpr int Base29 = 0x8000;
// Layout 20: channel blocks at 0x60 + 0x30 n with the event status at +0x04
// and the set voltage at +0x08; the all-channels registers of both layouts.
constexpr quint32 eventStatus20(int ch) { return Base20 + 0x60 + 0x30 * ch + 0x04; }
constexpr quint32 vset20(int ch) { return Base20 + 0x60 + 0x30 * ch + 0x08; }
constexpr quint32 AllOn20 = Base20 + 0x2B4;
constexpr quint32 AllOn29 = Base29 + 0xE4;

void trigger(NorvControl &window, const char *name)
{
    window.findChild<QAction *>(QString::fromLatin1(name))->trigger();
}

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

// A module object that no refresh tick has reached yet answers its first
// call with identification only.
void identifyAll(NorvControl &window)
{
    for (int slot = 0; slot < window.crate()->moduleCount(); ++slot)
        window.crate()->module(slot)->GetModuleDeviceClass();
}

// A context menu as a list: its title when bold and disabled, then "-" for
// each separator, "!text" for a disabled entry, and for every other entry
// the window action that triggering it fires.
QStringList menuEntries(NorvControl &window, QMenu *menu)
{
    std::unique_ptr<QMenu> owned(menu);
    QObject context;
    QStringList fired;
    for (QAction *action : window.findChildren<QAction *>()) {
        if (!action->objectName().isEmpty())
            QObject::connect(action, &QAction::triggered, &context,
                             [&fired, action] { fired << action->objectName(); });
    }
    QStringList entries;
    const QList<QAction *> items = menu->actions();
    for (QAction *item : items) {
        if (item == items.first()) {
            const bool title = item->font().bold() && !item->isEnabled();
            entries << (title ? item->text() : QStringLiteral("no title"));
        } else if (item->isSeparator()) {
            entries << QStringLiteral("-");
        } else if (!item->isEnabled()) {
            entries << QLatin1Char('!') + item->text();
        } else {
            fired.clear();
            item->trigger();
            entries << fired.join(QLatin1Char('+'));
        }
    }
    return entries;
}

} // namespace

class TestNorvControlCommands : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup() { norvsim_trace(nullptr); }

    // Must stay the first use of the staircase in this process: its
    // direction is process-wide and starts downwards.
    void staircaseAlternatesDirection();
    void selectedCellsMakeTheChannelMask();
    void channelAndModuleVoltageDialogs();
    void systemDialogsCoverEveryModule();
    void choiceDialogs();
    void systemCommandsActInSlotOrder(); // and emergency off drops every output at once
    void contextMenus();

private:
    QTemporaryDir m_dir;
};

void TestNorvControlCommands::initTestCase()
{
    QVERIFY(m_dir.isValid());
    TestCrate::useSettingsIn(m_dir.path());
    // Simulated time moves only when a test moves it.
    qputenv("NORV_SIM_TIMESCALE", "0");
}

void TestNorvControlCommands::init()
{
    // The labels below are written with C digits; %L1 follows the default locale.
    QLocale::setDefault(QLocale::c());
    TestCrate::clearSettings();
    QVERIFY(TestCrate::resetDefault());
}

void TestNorvControlCommands::staircaseAlternatesDirection()
{
    QVERIFY(TestCrate::resetFrom(
        m_dir.path(),
        QJsonArray {TestCrate::module(
            Base20, 20, 101,
            {{QStringLiteral("channels"), 4}, {QStringLiteral("v_nominal"), 3000.0}})}));
    PromptRecorder prompt;
    NorvControl window(QStringList {});
    const auto values = [] {
        return QList<double> {vset(Base20, 0), vset(Base20, 1), vset(Base20, 2), vset(Base20, 3)};
    };
    trigger(window, "actionSetVoltageIncremental");
    QCOMPARE(values(), (QList<double> {3000, 2900, 2800, 2700}));
    trigger(window, "actionSetVoltageIncremental");
    QCOMPARE(values(), (QList<double> {2700, 2800, 2900, 3000}));

    // The direction belongs to the process, not to a window.
    NorvControl another(QStringList {});
    trigger(another, "actionSetVoltageIncremental");
    QCOMPARE(values(), (QList<double> {3000, 2900, 2800, 2700}));
    QVERIFY(prompt.shown().isEmpty());
}

void TestNorvControlCommands::selectedCellsMakeTheChannelMask()
{
    PromptRecorder prompt;
    NorvControl window(QStringList {});
    HvTable *table = channelTable(window, 40);
    identifyAll(window);

    // A refused set value (above the nominal) latches an input-error event.
    norvsim_bus_write(vset20(2), 0x29, 2, 0x459C); // 5000.0f, high word first
    norvsim_bus_write(vset20(2) + 2, 0x29, 2, 0x4000);
    QVERIFY(norvsim_register(Base20, eventStatus20(2) - Base20) & 0x0004);

    // Three cells of one row: the row is listed, and acted on, three times.
    selectCells(table, {{2, 0}, {2, 1}, {2, 3}});
    QVERIFY(TestCrate::startTrace(m_dir.path()));
    trigger(window, "actionClearEvents");
    QCOMPARE(TestCrate::stopTrace('W'), QList<quint32>(3, eventStatus20(2)));
    QCOMPARE(norvsim_register(Base20, eventStatus20(2) - Base20), qint64(0));
    prompt.answerValue(1500.0);
    QVERIFY(TestCrate::startTrace(m_dir.path()));
    trigger(window, "actionSetVoltage");
    // Two 16-bit cycles per float.
    QCOMPARE(TestCrate::stopTrace('W'),
             (QList<quint32> {vset20(2), vset20(2) + 2, vset20(2), vset20(2) + 2, vset20(2),
                              vset20(2) + 2}));
    QCOMPARE(vset(Base20, 2), 1500.0);
    QCOMPARE(prompt.shown().last().text,
             QStringLiteral("Input a voltage (0...3000 V) for the selected channels:"));

    // Rows 1 and 35 (bit 3 of the mask) of the current module, nothing else.
    selectCells(table, {{1, 0}, {35, 2}, {1, 6}});
    trigger(window, "actionSetChannelOn");
    for (int ch = 0; ch < 12; ++ch)
        QCOMPARE(bool(TestCrate::channelControl(Base20, 20, ch) & 0x0008), ch == 1 || ch == 3);
    QCOMPARE(TestCrate::channelsOn(Base29, 29), 0);

    // No cell selected: mask 0, so nothing at all is written, even with a
    // current cell; the dialogs are not even asked.
    selectCells(table, {}, {5, 0});
    QVERIFY(TestCrate::startTrace(m_dir.path()));
    for (const char *name : {"actionSetChannelOn", "actionSetChannelOff",
                             "actionSetChannelEmergencyOff", "actionClearChannelEmergencyOff",
                             "actionClearEvents", "actionSetVoltage", "actionSetCurrent"})
        trigger(window, name);
    QCOMPARE(TestCrate::stopTrace('W'), QList<quint32> {});
    QCOMPARE(prompt.shown().size(), 1);
}

void TestNorvControlCommands::channelAndModuleVoltageDialogs()
{
    PromptRecorder prompt;
    NorvControl window(QStringList {});
    HvTable *table = channelTable(window, 12);
    identifyAll(window);
    BaseModule *module = window.crate()->module(0);
    module->SetChannelVoltageSet(4, 123.5f);

    selectCells(table, {{4, 0}});
    prompt.answerValue(2500.0);
    trigger(window, "actionSetVoltage");
    PromptRecorder::Shown shown = prompt.shown().last();
    QCOMPARE(shown.kind, QStringLiteral("getDouble"));
    QCOMPARE(shown.title, Title);
    QCOMPARE(shown.text, QStringLiteral("Input a voltage (0...3000 V) for channel 4:"));
    QCOMPARE(shown.value, 123.5);
    QCOMPARE(shown.minValue, 0.0);
    QCOMPARE(shown.maxValue, 3000.0);
    QCOMPARE(shown.decimals, 3);
    for (int ch = 0; ch < 12; ++ch)
        QCOMPARE(vset(Base20, ch), ch == 4 ? 2500.0 : 0.0);

    // A nominal can only be lowered in stop mode.
    const quint32 control = module->GetModuleControl();
    module->SetModuleControl(control | 0x0004);
    module->SetChannelVoltageNominal(5, 2000.0f);
    module->SetModuleControl(control);
    QCOMPARE(norvsim_channel_value(Base20, 5, NORVSIM_VNOM), 2000.0);

    const QString note = QStringLiteral("\n\nNote: some channels will only allow 2000 V.");
    selectCells(table, {{1, 0}, {5, 0}, {6, 2}});
    prompt.answerValue(1500.0);
    trigger(window, "actionSetVoltage");
    shown = prompt.shown().last();
    QCOMPARE(shown.text,
             QStringLiteral("Input a voltage (0...3000 V) for the selected channels:") + note);
    QCOMPARE(shown.minValue, 0.0);
    QCOMPARE(shown.maxValue, 3000.0);
    QCOMPARE(shown.value, 0.0); // from the current row
    for (int ch = 0; ch < 12; ++ch)
        QCOMPARE(vset(Base20, ch), ch == 4 ? 2500.0 : (ch == 1 || ch == 5 || ch == 6) ? 1500 : 0);

    prompt.answerValue(1800.0);
    trigger(window, "actionSetAllVoltages");
    shown = prompt.shown().last();
    QCOMPARE(shown.text,
             QStringLiteral("Input a Set voltage (0...3000 V) for all channels:") + note);
    QCOMPARE(shown.maxValue, 3000.0);
    QCOMPARE(shown.value, 1500.0);
    for (int ch = 0; ch < 12; ++ch)
        QCOMPARE(vset(Base20, ch), 1800.0);

    // Cancel writes nothing.
    QVERIFY(TestCrate::startTrace(m_dir.path()));
    for (const char *name :
         {"actionSetVoltage", "actionSetCurrent", "actionSetAllVoltages", "actionSetAllCurrents"}) {
        prompt.answerCancel();
        trigger(window, name);
    }
    QCOMPARE(TestCrate::stopTrace('W'), QList<quint32> {});
    QCOMPARE(prompt.shown().size(), 7);
}

void TestNorvControlCommands::systemDialogsCoverEveryModule()
{
    const auto nominals = [](double volts, double amps) {
        return QJsonObject {{QStringLiteral("v_nominal"), volts},
                            {QStringLiteral("i_nominal"), amps}};
    };
    QVERIFY(TestCrate::resetFrom(
        m_dir.path(),
        QJsonArray {TestCrate::module(Base29, 29, 202, nominals(5000, 2e-3)),
                    TestCrate::module(0x2000, 20, 201, nominals(2000, 4e-3)),
                    TestCrate::module(Base20, 20, 203, nominals(3500, 4e-3))}));
    PromptRecorder prompt;
    NorvControl window(QStringList {});
    QCOMPARE(window.crate()->moduleCount(), 3);
    selectCells(channelTable(window, 12), {{2, 0}});
    window.crate()->module(0)->GetModuleDeviceClass();
    window.crate()->module(0)->SetChannelVoltageSet(2, 321.0f);

    prompt.answerValue(1750.0);
    trigger(window, "actionSetAllModulesVoltage");
    PromptRecorder::Shown shown = prompt.shown().last();
    QCOMPARE(shown.title, Title);
    QCOMPARE(shown.text,
             QStringLiteral("Input a Set voltage (0...5000 V) for all channels in all "
                            "modules:\n\nNote: some channels will only allow 2000 V."));
    QCOMPARE(shown.minValue, 0.0);
    QCOMPARE(shown.maxValue, 5000.0);
    QCOMPARE(shown.value, 321.0); // the current module's current row
    for (int ch = 0; ch < 24; ++ch)
        QCOMPARE(vset(Base29, ch), 1750.0);
    for (int ch = 0; ch < 12; ++ch)
        QVERIFY(vset(0x2000, ch) == 1750.0 && vset(Base20, ch) == 1750.0);

    prompt.answerValue(1.5);
    trigger(window, "actionSetAllModulesCurrent");
    QCOMPARE(prompt.shown().last().text,
             QStringLiteral("Input a Set current (0...4 mA) for all channels in all "
                            "modules:\n\nNote: some channels will only allow 2 mA."));
    QVERIFY(near(prompt.shown().last().maxValue, 4.0));
    for (int ch = 0; ch < 12; ++ch)
        QVERIFY(near(iset(0x2000, ch), 0.0015) && near(iset(Base20, ch), 0.0015));
    QVERIFY(near(iset(Base29, 23), 0.0015));

    QVERIFY(TestCrate::startTrace(m_dir.path()));
    prompt.answerCancel();
    trigger(window, "actionSetAllModulesVoltage");
    prompt.answerCancel();
    trigger(window, "actionSetAllModulesCurrent");
    QCOMPARE(TestCrate::stopTrace('W'), QList<quint32> {});
    QCOMPARE(prompt.shown().size(), 4);
}

void TestNorvControlCommands::choiceDialogs()
{
    PromptRecorder prompt;
    NorvControl window(QStringList {});
    identifyAll(window);

    // The module reports a rate that is not offered: "500" is preselected.
    QCOMPARE(norvsim_inject_wrong_read(Base20, 0x58, 200), 0);
    prompt.answerValue(QStringLiteral("60"));
    trigger(window, "actionAdcSamplesPerSecond");
    PromptRecorder::Shown shown = prompt.shown().last();
    QCOMPARE(shown.kind, QStringLiteral("getItem"));
    QCOMPARE(shown.title, Title);
    QCOMPARE(shown.text, QStringLiteral("Choose ADC samples per second:"));
    QCOMPARE(shown.items, (QStringList {"50", "60", "100", "500"}));
    QCOMPARE(shown.items.value(shown.current), QStringLiteral("500"));
    QVERIFY(!shown.editable);
    QCOMPARE(norvsim_register(Base20, 0x58), qint64(60));
    QCOMPARE(norvsim_inject_wrong_read(Base20, 0x5A, 8), 0);
    prompt.answerValue(QStringLiteral("256"));
    trigger(window, "actionDigitalFilter");
    shown = prompt.shown().last();
    QCOMPARE(shown.text, QStringLiteral("Choose Digital Filter averaging steps:"));
    QCOMPARE(shown.items, (QStringList {"1", "16", "64", "256", "1024"}));
    QCOMPARE(shown.items.value(shown.current), QStringLiteral("64"));
    QCOMPARE(norvsim_register(Base20, 0x5A), qint64(256));

    // Cancel, or an empty confirmed choice, writes nothing.
    QVERIFY(TestCrate::startTrace(m_dir.path()));
    prompt.answerCancel();
    trigger(window, "actionAdcSamplesPerSecond");
    prompt.answerValue(QString());
    trigger(window, "actionDigitalFilter");
    QCOMPARE(TestCrate::stopTrace('W'), QList<quint32> {});
    QCOMPARE(prompt.pendingAnswers(), 0);
}

void TestNorvControlCommands::systemCommandsActInSlotOrder()
{
    PromptRecorder prompt;
    NorvControl window(QStringList {});
    norvsim_reset_counters();
    // Before any refresh tick: the commands identify the modules themselves.
    QVERIFY(TestCrate::startTrace(m_dir.path()));
    trigger(window, "actionSetAllModulesOn");
    QCOMPARE(TestCrate::stopTrace('W'),
             (QList<quint32> {AllOn20, AllOn20 + 2, AllOn29, AllOn29 + 2}));
    QCOMPARE(TestCrate::channelsOn(Base20, 20), 12);
    QCOMPARE(TestCrate::channelsOn(Base29, 29), 24);
    QVERIFY(TestCrate::startTrace(m_dir.path()));
    trigger(window, "actionSetAllModulesOff");
    QCOMPARE(TestCrate::stopTrace('W'),
             (QList<quint32> {AllOn20, AllOn20 + 2, AllOn29, AllOn29 + 2}));
    QCOMPARE(TestCrate::channelsOn(Base20, 20) + TestCrate::channelsOn(Base29, 29), 0);

    // Switching off latched on-to-off events; the module control words clear them.
    QVERIFY(norvsim_register(Base20, eventStatus20(0) - Base20) != 0);
    QVERIFY(norvsim_register(Base29, 0x100 + 0x04) != 0);
    QVERIFY(TestCrate::startTrace(m_dir.path()));
    trigger(window, "actionClearAllModulesEvents");
    QCOMPARE(TestCrate::stopTrace('W'),
             (QList<quint32> {Base20 + 0x02, Base29 + 0x0C, Base29 + 0x0E}));
    QCOMPARE(norvsim_register(Base20, eventStatus20(0) - Base20), qint64(0));
    QCOMPARE(norvsim_register(Base29, 0x100 + 0x04), qint64(0));

    prompt.answerValue(1000.0);
    QVERIFY(TestCrate::startTrace(m_dir.path()));
    trigger(window, "actionSetAllModulesVoltage");
    QCOMPARE(TestCrate::stopTrace('W'),
             (QList<quint32> {Base20 + 0x2A0, Base20 + 0x2A2, Base29 + 0xD0, Base29 + 0xD2}));
    // The class-33 module at 0xC000 is not one of the system's modules.
    QCOMPARE(norvsim_cycle_count(0xC000), qint64(0));

    trigger(window, "actionSetAllModulesOn");
    norvsim_advance_ms(20000);
    window.crate()->module(0)->GetModuleStatus(); // brings the physics up to date
    const auto outputs = [] {
        QList<double> volts;
        for (int ch = 0; ch < 24; ++ch)
            volts << norvsim_channel_value(Base29, ch, NORVSIM_VOUT)
                  << norvsim_channel_value(Base20, ch % 12, NORVSIM_VOUT);
        return volts;
    };
    for (double volts : outputs())
        QVERIFY(volts > 900);
    // Emergency off: one all-channels write per module, and every output at
    // 0 without simulated time passing.
    QVERIFY(TestCrate::startTrace(m_dir.path()));
    trigger(window, "actionSetAllModulesEmergencyOff");
    QCOMPARE(TestCrate::stopTrace('W'),
             (QList<quint32> {Base20 + 0x2B0, Base20 + 0x2B2, Base29 + 0xE0, Base29 + 0xE2}));
    QCOMPARE(outputs(), QList<double>(48, 0.0));
    trigger(window, "actionClearAllModulesEmergencyOff");
    for (int ch = 0; ch < 24; ++ch)
        QVERIFY(!(TestCrate::channelControl(Base29, 29, ch) & 0x0020));
    QVERIFY(!(TestCrate::channelControl(Base20, 20, 11) & 0x0020));
}

void TestNorvControlCommands::contextMenus()
{
    PromptRecorder prompt;
    NorvControl window(QStringList {});
    HvTable *table = channelTable(window, 12);
    identifyAll(window);
    const auto entries = [](const QString &title, const QString &rest) {
        return QStringList {title} + rest.split(QLatin1Char('|'));
    };
    const QString channel
        = QStringLiteral("-|actionSetVoltage|actionSetCurrent|-|actionSetChannelOn|"
                         "actionSetChannelOff|-|actionSetChannelEmergencyOff|"
                         "actionClearChannelEmergencyOff|-|actionClearEvents|-|%1|!Set Bounds...");

    selectCells(table, {{3, 1}});
    QCOMPARE(menuEntries(window, window.buildChannelContextMenu()),
             entries("Channel 3 menu", channel.arg("actionStatusControl")));
    selectCells(table, {{3, 1}, {3, 2}});
    const QString several = channel.arg("!Status / Control...");
    QCOMPARE(menuEntries(window, window.buildChannelContextMenu()),
             entries("Selected Channels menu", several));
    QCOMPARE(menuEntries(window, window.buildModuleContextMenu()),
             entries("Module menu",
                     "-|actionSetAllVoltages|actionSetAllCurrents|-|actionSetAllChannelsOn|"
                     "actionSetAllChannelsOff|-|actionSetEmergencyOff|actionClearEmergencyOff|-|"
                     "actionVoltageRamp|actionCurrentRamp|-|actionClearAllEvents|-|"
                     "actionModuleStatusControl"));
    QCOMPARE(menuEntries(window, window.buildSystemContextMenu()),
             entries("System menu",
                     "-|actionSetAllModulesVoltage|actionSetAllModulesCurrent|-|"
                     "actionSetAllModulesOn|actionSetAllModulesOff|-|"
                     "actionSetAllModulesEmergencyOff|actionClearAllModulesEmergencyOff|-|"
                     "actionSetAllModulesVoltageRamp|actionSetAllModulesCurrentRamp|-|"
                     "actionClearAllModulesEvents"));
}

QTEST_MAIN(TestNorvControlCommands)
#include "tst_norvcontrol_commands.moc"
