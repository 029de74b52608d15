// The channel, module and system commands of the main window and its three
// context menus, over the real adapters and the simulated crate. Input
// dialogs are answered by PromptRecorder; what reaches the modules is read
// back from the simulation and, where the number and order of bus cycles
// matter, from its trace.
#include "PromptRecorder.h"
#include "TestCrate.h"

#include <BaseModule.h>
#include <HvTable.h>
#include <NorvControl.h>
#include <norvsim.h>

#include <QAction>
#include <QFile>
#include <QJsonArray>
#include <QJsonObject>
#include <QMenu>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTextStream>
#include <QtTest>

#include <cstring>
#include <memory>

namespace {

const QString Title = QStringLiteral("norv VME Control");
constexpr int Base20 = 0x4000;
constexpr int Base29 = 0x8000;
constexpr int Channels20 = 12;
constexpr int Channels29 = 24;
// A simulated channel starts with its current set to the nominal, 3 mA.
constexpr double DefaultCurrentSet20 = 0.003;

// Channel block registers of layout 20 (block at 0x60 + 0x30 n).
constexpr quint32 block20(int channel) { return 0x60 + 0x30 * channel; }
constexpr quint32 ChannelEventStatus20 = 0x04;
constexpr quint32 ChannelVoltageSet20 = 0x08;
// Module registers.
constexpr quint32 ModuleControl20 = 0x02;
constexpr quint32 VoltageRamp20 = 0x14;
constexpr quint32 CurrentRamp20 = 0x18;
constexpr quint32 Adc20 = 0x58;
constexpr quint32 Filter20 = 0x5A;
constexpr quint32 AllVoltageSet20 = 0x2A0;
constexpr quint32 AllEmergency20 = 0x2B0;
constexpr quint32 AllOn20 = 0x2B4;
constexpr quint32 ModuleControl29 = 0x0C;
constexpr quint32 VoltageRamp29 = 0x20;
constexpr quint32 CurrentRamp29 = 0x24;
constexpr quint32 AllVoltageSet29 = 0xD0;
constexpr quint32 AllEmergency29 = 0xE0;
constexpr quint32 AllOn29 = 0xE4;

constexpr quint32 StopBit = 0x0004;
constexpr quint32 KillEnableBit = 0x4000;
constexpr quint32 ChannelOnBit = 0x0008;
constexpr quint32 ChannelEmergencyBit = 0x0020;
constexpr quint32 EventInputError = 0x0004;

QAction *action(NorvControl &window, const char *name)
{
    return window.findChild<QAction *>(QString::fromLatin1(name));
}

void trigger(NorvControl &window, const char *name)
{
    QAction *found = action(window, name);
    QVERIFY2(found, name);
    found->trigger();
}

HvTable *channelTable(NorvControl &window, int rows)
{
    auto *table = window.findChild<HvTable *>(QStringLiteral("table"));
    if (table)
        table->setChannelCount(rows);
    return table;
}

using Cell = QPair<int, int>; // row, column

// Selects exactly these cells, in this order; the current cell is `current`
// (row, column) or, when not given, the first cell.
void selectCells(HvTable *table, const QList<Cell> &cells, Cell current = Cell(-1, -1))
{
    table->clearSelection();
    if (current.first < 0 && !cells.isEmpty())
        current = cells.first();
    if (current.first >= 0)
        table->selectionModel()->setCurrentIndex(
            table->model()->index(current.first, current.second), QItemSelectionModel::NoUpdate);
    for (const Cell &cell : cells)
        table->selectionModel()->select(table->model()->index(cell.first, cell.second),
                                        QItemSelectionModel::Select);
}

float registerFloat(int base, quint32 offset)
{
    const quint32 bits = quint32(norvsim_register(base, offset));
    float value = 0;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

double vset(int base, int channel) { return norvsim_channel_value(base, channel, NORVSIM_VSET); }
double iset(int base, int channel) { return norvsim_channel_value(base, channel, NORVSIM_ISET); }

bool near(double a, double b) { return qAbs(a - b) < 1e-6 * qMax(1.0, qAbs(b)); }

// A module object that no refresh tick has reached yet answers its first
// call with identification only.
void identifyAll(NorvControl &window)
{
    for (int slot = 0; slot < window.moduleCount(); ++slot)
        window.module(slot)->GetModuleDeviceClass();
}

QJsonObject moduleDescription(int base, int deviceClass, int serial)
{
    return QJsonObject {{QStringLiteral("base"), base},
                        {QStringLiteral("class"), deviceClass},
                        {QStringLiteral("serial"), serial}};
}

/// Every bus cycle from construction to destruction, from the simulator's trace file.
class TraceFile
{
public:
    explicit TraceFile(const QString &path)
        : m_path(path)
    {
        QFile::remove(m_path);
        m_started = norvsim_trace(QFile::encodeName(m_path).constData()) == 0;
    }
    ~TraceFile() { norvsim_trace(""); }

    bool started() const { return m_started; }

    /// Addresses of the write cycles so far, in order.
    QList<quint32> writes() const
    {
        QList<quint32> addresses;
        QFile file(m_path);
        if (!file.open(QIODevice::ReadOnly))
            return addresses;
        QTextStream in(&file);
        while (!in.atEnd()) {
            const QStringList fields = in.readLine().split(QLatin1Char(' '));
            if (fields.size() >= 6 && fields.at(1) == QLatin1String("W"))
                addresses.append(fields.at(2).toUInt(nullptr, 16));
        }
        return addresses;
    }

    int writesTo(quint32 address) const { return int(writes().count(address)); }

private:
    QString m_path;
    bool m_started = false;
};

struct Entry
{
    QString text; ///< "-" for a separator
    const char *action = nullptr;
    bool enabled = true;
};

// Checks title, entries and separators, and that every enabled entry
// triggers the window action named.
void checkMenu(NorvControl &window, QMenu *menu, const QString &title, const QList<Entry> &entries)
{
    const QList<QAction *> items = menu->actions();
    QCOMPARE(items.size(), entries.size() + 2);
    QCOMPARE(items.at(0)->text(), title);
    QVERIFY(!items.at(0)->isEnabled());
    QVERIFY(items.at(0)->font().bold());
    QVERIFY(items.at(1)->isSeparator());
    for (int i = 0; i < entries.size(); ++i) {
        const Entry &expected = entries.at(i);
        QAction *item = items.at(i + 2);
        if (expected.text == QLatin1String("-")) {
            QVERIFY2(item->isSeparator(), qPrintable(QString::number(i)));
            continue;
        }
        QCOMPARE(item->text(), expected.text);
        QCOMPARE(item->isEnabled(), expected.enabled);
        if (!expected.enabled)
            continue;
        QAction *target = action(window, expected.action);
        QVERIFY2(target, expected.action);
        QSignalSpy spy(target, &QAction::triggered);
        item->trigger();
        QVERIFY2(spy.count() == 1, qPrintable(expected.text));
    }
}

} // namespace

class TestNorvControlCommands : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    // Must stay the first use of the staircase in this process: its
    // direction is process-wide and starts downwards.
    void staircaseAlternatesDirection();

    void threeCellsInOneRowActThreeTimes();
    void maskCommandsFollowTheSelection();
    void singleChannelDialogs();
    void selectionAndModuleDialogsNoteTheSmallestNominal();
    void moduleCommandsActOnTheCurrentModuleOnly();
    void systemDialogsCoverEveryModule();
    void rampDialogs();
    void choiceDialogs();
    void systemCommandsActInSlotOrder();
    void emergencyOffDropsEveryOutputAtOnce();
    void measurementCommandsChangeOneControlBit();
    void contextMenus();

private:
    QString tracePath() const { return m_dir.filePath(QStringLiteral("trace.txt")); }
    void describeCrate(const QJsonArray &modules)
    {
        QVERIFY(TestCrate::resetFrom(m_dir.path(), modules));
    }

    QTemporaryDir m_dir;
};

void TestNorvControlCommands::initTestCase()
{
    QVERIFY(m_dir.isValid());
    TestCrate::useSettingsIn(m_dir.path());
    // Simulated time moves only when a test moves it.
    qputenv("NORV_SIM_TIMESCALE", "0");
    // The labels below are written with C digits; %L1 follows the default locale.
    QLocale::setDefault(QLocale::c());
}

void TestNorvControlCommands::init()
{
    TestCrate::clearSettings();
    QVERIFY(TestCrate::resetDefault());
}

void TestNorvControlCommands::cleanup() { norvsim_trace(""); }

void TestNorvControlCommands::staircaseAlternatesDirection()
{
    QJsonObject fourChannels = moduleDescription(Base20, 20, 101);
    fourChannels.insert(QStringLiteral("channels"), 4);
    fourChannels.insert(QStringLiteral("v_nominal"), 3000.0);
    describeCrate(QJsonArray {fourChannels});
    PromptRecorder prompt;
    NorvControl window(QStringList {});
    QCOMPARE(window.moduleCount(), 1);

    trigger(window, "actionSetVoltageIncremental");
    const QList<double> first {vset(Base20, 0), vset(Base20, 1), vset(Base20, 2), vset(Base20, 3)};
    QCOMPARE(first, (QList<double> {3000, 2900, 2800, 2700}));

    trigger(window, "actionSetVoltageIncremental");
    const QList<double> second {vset(Base20, 0), vset(Base20, 1), vset(Base20, 2), vset(Base20, 3)};
    QCOMPARE(second, (QList<double> {2700, 2800, 2900, 3000}));

    // The direction belongs to the process, not to a window.
    NorvControl another(QStringList {});
    trigger(another, "actionSetVoltageIncremental");
    QCOMPARE(vset(Base20, 0), 3000.0);
    QCOMPARE(vset(Base20, 3), 2700.0);
    trigger(window, "actionSetVoltageIncremental");
    QCOMPARE(vset(Base20, 0), 2700.0);
    QCOMPARE(vset(Base20, 3), 3000.0);
    QVERIFY(prompt.shown().isEmpty());
}

void TestNorvControlCommands::threeCellsInOneRowActThreeTimes()
{
    PromptRecorder prompt;
    NorvControl window(QStringList {});
    HvTable *table = channelTable(window, Channels20);
    QVERIFY(table);
    identifyAll(window);

    // A refused set value (above the nominal) latches an input-error event.
    const quint32 vsetAddress = Base20 + block20(2) + ChannelVoltageSet20;
    norvsim_bus_write(vsetAddress, 0x29, 2, 0x459C); // 5000.0f, high word first
    norvsim_bus_write(vsetAddress + 2, 0x29, 2, 0x4000);
    QVERIFY(norvsim_register(Base20, block20(2) + ChannelEventStatus20) & EventInputError);

    selectCells(table, {{2, 0}, {2, 1}, {2, 3}});
    QCOMPARE(table->selectedRows(), (QList<int> {2, 2, 2}));
    {
        TraceFile trace(tracePath());
        QVERIFY(trace.started());
        trigger(window, "actionClearEvents");
        QCOMPARE(trace.writesTo(Base20 + block20(2) + ChannelEventStatus20), 3);
        QCOMPARE(trace.writes().size(), 3);
    }
    QCOMPARE(norvsim_register(Base20, block20(2) + ChannelEventStatus20), qint64(0));

    prompt.answerValue(1500.0);
    {
        TraceFile trace(tracePath());
        trigger(window, "actionSetVoltage");
        // Two 16-bit cycles per float, three times.
        QCOMPARE(trace.writesTo(vsetAddress), 3);
        QCOMPARE(trace.writesTo(vsetAddress + 2), 3);
        QCOMPARE(trace.writes().size(), 6);
    }
    QCOMPARE(vset(Base20, 2), 1500.0);
    QCOMPARE(prompt.shown(QStringLiteral("getDouble")).size(), 1);
    QCOMPARE(prompt.shown().first().text,
             QStringLiteral("Input a voltage (0...3000 V) for the selected channels:"));
}

void TestNorvControlCommands::maskCommandsFollowTheSelection()
{
    PromptRecorder prompt;
    NorvControl window(QStringList {});
    HvTable *table = channelTable(window, Channels20);
    identifyAll(window);
    auto control = [](int ch) { return TestCrate::channelControl(Base20, 20, ch); };

    selectCells(table, {{1, 0}, {3, 2}, {1, 6}});
    trigger(window, "actionSetChannelOn");
    for (int ch = 0; ch < Channels20; ++ch)
        QCOMPARE(bool(control(ch) & ChannelOnBit), ch == 1 || ch == 3);

    trigger(window, "actionSetChannelEmergencyOff");
    for (int ch = 0; ch < Channels20; ++ch)
        QCOMPARE(bool(control(ch) & ChannelEmergencyBit), ch == 1 || ch == 3);

    selectCells(table, {{3, 0}});
    trigger(window, "actionClearChannelEmergencyOff");
    QVERIFY(control(1) & ChannelEmergencyBit);
    QVERIFY(!(control(3) & ChannelEmergencyBit));

    trigger(window, "actionSetChannelOff");
    QVERIFY(control(1) & ChannelOnBit);
    QVERIFY(!(control(3) & ChannelOnBit));
    QCOMPARE(TestCrate::channelsOn(Base29, 29), 0);

    // No cell selected: mask 0, so nothing at all is written, even with a
    // current cell; the per-cell commands ask nothing and write nothing.
    selectCells(table, {}, {5, 0});
    QCOMPARE(table->currentRow(), 5);
    {
        TraceFile trace(tracePath());
        QVERIFY(trace.started());
        for (const char *name : {"actionSetChannelOn", "actionSetChannelOff",
                                 "actionSetChannelEmergencyOff", "actionClearChannelEmergencyOff",
                                 "actionClearEvents", "actionSetVoltage", "actionSetCurrent"})
            trigger(window, name);
        QCOMPARE(trace.writes(), QList<quint32> {});
    }
    QVERIFY(!(control(5) & ChannelOnBit));
    QVERIFY(prompt.shown().isEmpty());
    QCOMPARE(prompt.pendingAnswers(), 0);
}

void TestNorvControlCommands::singleChannelDialogs()
{
    PromptRecorder prompt;
    NorvControl window(QStringList {});
    HvTable *table = channelTable(window, Channels20);
    identifyAll(window);
    window.module(0)->SetChannelVoltageSet(4, 123.5f);
    window.module(0)->SetChannelCurrentSet(4, 0.25f);

    selectCells(table, {{4, 0}});
    prompt.answerValue(2500.0);
    trigger(window, "actionSetVoltage");
    QCOMPARE(prompt.shown().size(), 1);
    PromptRecorder::Shown shown = prompt.shown().last();
    QCOMPARE(shown.kind, QStringLiteral("getDouble"));
    QCOMPARE(shown.title, Title);
    QCOMPARE(shown.text, QStringLiteral("Input a voltage (0...3000 V) for channel 4:"));
    QCOMPARE(shown.value, 123.5);
    QCOMPARE(shown.minValue, 0.0);
    QCOMPARE(shown.maxValue, 3000.0);
    for (int ch = 0; ch < Channels20; ++ch)
        QCOMPARE(vset(Base20, ch), ch == 4 ? 2500.0 : 0.0);

    // The dialog names, bounds and starts from the channel it writes, even
    // with the current cell elsewhere.
    selectCells(table, {{4, 3}}, {7, 0});
    QCOMPARE(table->currentRow(), 7);
    prompt.answerValue(1.5);
    trigger(window, "actionSetCurrent");
    shown = prompt.shown().last();
    QCOMPARE(shown.text, QStringLiteral("Input a current (0...3 mA) for channel 4:"));
    QVERIFY(near(shown.value, 0.25));
    QCOMPARE(shown.minValue, 0.0);
    QVERIFY(near(shown.maxValue, 3.0));
    QVERIFY(near(iset(Base20, 4), 0.0015));
    QVERIFY(near(iset(Base20, 7), DefaultCurrentSet20));

    // Cancel writes nothing.
    {
        TraceFile trace(tracePath());
        prompt.answerCancel();
        trigger(window, "actionSetVoltage");
        prompt.answerCancel();
        trigger(window, "actionSetCurrent");
        QCOMPARE(trace.writes(), QList<quint32> {});
    }
    QCOMPARE(prompt.shown().size(), 4);
    QCOMPARE(vset(Base20, 4), 2500.0);
    QVERIFY(near(iset(Base20, 4), 0.0015));

    // The second module: its own nominal and unit.
    trigger(window, "actionNextModule");
    table->setChannelCount(Channels29);
    selectCells(table, {{20, 0}});
    prompt.answerValue(5000.0);
    trigger(window, "actionSetVoltage");
    QCOMPARE(prompt.shown().last().text,
             QStringLiteral("Input a voltage (0...6000 V) for channel 20:"));
    QCOMPARE(prompt.shown().last().maxValue, 6000.0);
    QCOMPARE(vset(Base29, 20), 5000.0);
    QCOMPARE(vset(Base20, 20 % Channels20), 0.0);
}

void TestNorvControlCommands::selectionAndModuleDialogsNoteTheSmallestNominal()
{
    PromptRecorder prompt;
    NorvControl window(QStringList {});
    HvTable *table = channelTable(window, Channels20);
    identifyAll(window);
    BaseModule *module = window.module(0);

    // A nominal can only be lowered in stop mode.
    const quint32 control = module->GetModuleControl();
    module->SetModuleControl(control | StopBit);
    module->SetChannelVoltageNominal(5, 2000.0f);
    module->SetModuleControl(control);
    QCOMPARE(norvsim_channel_value(Base20, 5, NORVSIM_VNOM), 2000.0);
    module->SetChannelVoltageSet(1, 100.0f);

    const QString note = QStringLiteral("\n\nNote: some channels will only allow 2000 V.");
    selectCells(table, {{1, 0}, {5, 0}, {6, 2}});
    prompt.answerValue(1500.0);
    trigger(window, "actionSetVoltage");
    PromptRecorder::Shown shown = prompt.shown().last();
    QCOMPARE(shown.text,
             QStringLiteral("Input a voltage (0...3000 V) for the selected channels:") + note);
    QCOMPARE(shown.maxValue, 3000.0);
    QCOMPARE(shown.minValue, 0.0);
    QCOMPARE(shown.value, 100.0); // from the current row
    for (int ch = 0; ch < Channels20; ++ch)
        QCOMPARE(vset(Base20, ch), (ch == 1 || ch == 5 || ch == 6) ? 1500.0 : 0.0);

    // The current nominals are all the same: no note.
    prompt.answerValue(2.0);
    trigger(window, "actionSetCurrent");
    QCOMPARE(prompt.shown().last().text,
             QStringLiteral("Input a current (0...3 mA) for the selected channels:"));
    for (int ch = 0; ch < Channels20; ++ch)
        QVERIFY(
            near(iset(Base20, ch), (ch == 1 || ch == 5 || ch == 6) ? 0.002 : DefaultCurrentSet20));

    prompt.answerValue(1800.0);
    trigger(window, "actionSetAllVoltages");
    shown = prompt.shown().last();
    QCOMPARE(shown.text,
             QStringLiteral("Input a Set voltage (0...3000 V) for all channels:") + note);
    QCOMPARE(shown.maxValue, 3000.0);
    QCOMPARE(shown.value, 1500.0);
    for (int ch = 0; ch < Channels20; ++ch)
        QCOMPARE(vset(Base20, ch), 1800.0);

    prompt.answerValue(0.5);
    trigger(window, "actionSetAllCurrents");
    QCOMPARE(prompt.shown().last().text,
             QStringLiteral("Input a Set current (0...3 mA) for all channels:"));
    for (int ch = 0; ch < Channels20; ++ch)
        QVERIFY(near(iset(Base20, ch), 0.0005));

    // Cancel in the module dialogs writes nothing.
    TraceFile trace(tracePath());
    prompt.answerCancel();
    trigger(window, "actionSetAllVoltages");
    prompt.answerCancel();
    trigger(window, "actionSetAllCurrents");
    QCOMPARE(trace.writes(), QList<quint32> {});
}

void TestNorvControlCommands::moduleCommandsActOnTheCurrentModuleOnly()
{
    PromptRecorder prompt;
    NorvControl window(QStringList {});
    identifyAll(window);
    trigger(window, "actionNextModule");
    QCOMPARE(window.currentModuleIndex(), 1);

    trigger(window, "actionSetAllChannelsOn");
    QCOMPARE(TestCrate::channelsOn(Base29, 29), Channels29);
    QCOMPARE(TestCrate::channelsOn(Base20, 20), 0);

    trigger(window, "actionSetEmergencyOff");
    for (int ch = 0; ch < Channels29; ++ch)
        QVERIFY(TestCrate::channelControl(Base29, 29, ch) & ChannelEmergencyBit);
    QVERIFY(!(TestCrate::channelControl(Base20, 20, 0) & ChannelEmergencyBit));
    trigger(window, "actionClearEmergencyOff");
    for (int ch = 0; ch < Channels29; ++ch)
        QVERIFY(!(TestCrate::channelControl(Base29, 29, ch) & ChannelEmergencyBit));

    trigger(window, "actionSetAllChannelsOff");
    QCOMPARE(TestCrate::channelsOn(Base29, 29), 0);

    trigger(window, "actionSetKillEnable");
    QVERIFY(norvsim_register(Base29, ModuleControl29) & KillEnableBit);
    QVERIFY(!(norvsim_register(Base20, ModuleControl20) & KillEnableBit));
    trigger(window, "actionSetKillDisable");
    QVERIFY(!(norvsim_register(Base29, ModuleControl29) & KillEnableBit));

    // The emergency off above latched events in every channel; a clear
    // removes them from this module.
    QVERIFY(norvsim_register(Base29, 0x100 + 0x04) != 0);
    trigger(window, "actionClearAllEvents");
    for (int ch = 0; ch < Channels29; ++ch)
        QCOMPARE(norvsim_register(Base29, 0x100 + 0x40 * ch + 0x04), qint64(0));

    prompt.answerValue(4000.0);
    trigger(window, "actionSetAllVoltages");
    QCOMPARE(prompt.shown().last().text,
             QStringLiteral("Input a Set voltage (0...6000 V) for all channels:"));
    QCOMPARE(prompt.shown().last().maxValue, 6000.0);
    for (int ch = 0; ch < Channels29; ++ch)
        QCOMPARE(vset(Base29, ch), 4000.0);
    QCOMPARE(vset(Base20, 0), 0.0);

    prompt.answerValue(0.75);
    trigger(window, "actionSetAllCurrents");
    QCOMPARE(prompt.shown().last().text,
             QStringLiteral("Input a Set current (0...1 mA) for all channels:"));
    for (int ch = 0; ch < Channels29; ++ch)
        QVERIFY(near(iset(Base29, ch), 0.00075));
    QVERIFY(near(iset(Base20, 0), DefaultCurrentSet20));
}

void TestNorvControlCommands::systemDialogsCoverEveryModule()
{
    QJsonObject low = moduleDescription(0x2000, 20, 201);
    low.insert(QStringLiteral("v_nominal"), 2000.0);
    low.insert(QStringLiteral("i_nominal"), 0.004);
    QJsonObject high = moduleDescription(Base29, 29, 202);
    high.insert(QStringLiteral("v_nominal"), 5000.0);
    high.insert(QStringLiteral("i_nominal"), 0.002);
    QJsonObject middle = moduleDescription(Base20, 20, 203);
    middle.insert(QStringLiteral("v_nominal"), 3500.0);
    middle.insert(QStringLiteral("i_nominal"), 0.004);
    describeCrate(QJsonArray {high, low, middle});

    PromptRecorder prompt;
    NorvControl window(QStringList {});
    QCOMPARE(window.moduleCount(), 3);
    HvTable *table = channelTable(window, Channels20);
    selectCells(table, {{2, 0}});
    window.module(0)->GetModuleDeviceClass();
    window.module(0)->SetChannelVoltageSet(2, 321.0f);

    prompt.answerValue(1750.0);
    trigger(window, "actionSetAllModulesVoltage");
    QCOMPARE(prompt.shown().size(), 1);
    PromptRecorder::Shown shown = prompt.shown().last();
    QCOMPARE(shown.title, Title);
    QCOMPARE(shown.text,
             QStringLiteral("Input a Set voltage (0...5000 V) for all channels in all "
                            "modules:\n\nNote: some channels will only allow 2000 V."));
    QCOMPARE(shown.minValue, 0.0);
    QCOMPARE(shown.maxValue, 5000.0);
    QCOMPARE(shown.value, 321.0); // the current module's current row
    for (int base : {0x2000, Base20})
        for (int ch = 0; ch < Channels20; ++ch)
            QCOMPARE(vset(base, ch), 1750.0);
    for (int ch = 0; ch < Channels29; ++ch)
        QCOMPARE(vset(Base29, ch), 1750.0);

    prompt.answerValue(1.5);
    trigger(window, "actionSetAllModulesCurrent");
    shown = prompt.shown().last();
    QCOMPARE(shown.text,
             QStringLiteral("Input a Set current (0...4 mA) for all channels in all "
                            "modules:\n\nNote: some channels will only allow 2 mA."));
    QVERIFY(near(shown.maxValue, 4.0));
    for (int base : {0x2000, Base20})
        for (int ch = 0; ch < Channels20; ++ch)
            QVERIFY(near(iset(base, ch), 0.0015));
    for (int ch = 0; ch < Channels29; ++ch)
        QVERIFY(near(iset(Base29, ch), 0.0015));

    TraceFile trace(tracePath());
    prompt.answerCancel();
    trigger(window, "actionSetAllModulesVoltage");
    prompt.answerCancel();
    trigger(window, "actionSetAllModulesCurrent");
    QCOMPARE(trace.writes(), QList<quint32> {});
    QCOMPARE(prompt.shown().size(), 4);
}

void TestNorvControlCommands::rampDialogs()
{
    QJsonObject first = moduleDescription(Base20, 20, 301);
    first.insert(QStringLiteral("ramp_speed"), 10.0);
    first.insert(QStringLiteral("current_ramp_speed"), 50.0);
    QJsonObject second = moduleDescription(Base29, 29, 302);
    second.insert(QStringLiteral("ramp_speed"), 7.5);
    second.insert(QStringLiteral("current_ramp_speed"), 30.0);
    describeCrate(QJsonArray {first, second});

    PromptRecorder prompt;
    NorvControl window(QStringList {});
    QCOMPARE(window.moduleCount(), 2);

    prompt.answerValue(25.5);
    trigger(window, "actionVoltageRamp");
    PromptRecorder::Shown shown = prompt.shown().last();
    QCOMPARE(shown.title, Title);
    QCOMPARE(shown.text, QStringLiteral("Input Voltage Ramp speed (%/s):"));
    QCOMPARE(shown.value, 10.0);
    QCOMPARE(shown.minValue, 0.001);
    QCOMPARE(shown.maxValue, 100.0);
    QCOMPARE(registerFloat(Base20, VoltageRamp20), 25.5f);
    QCOMPARE(registerFloat(Base29, VoltageRamp29), 7.5f);

    prompt.answerValue(20.0);
    trigger(window, "actionCurrentRamp");
    shown = prompt.shown().last();
    QCOMPARE(shown.text, QStringLiteral("Input Current Ramp speed (%/s):"));
    QCOMPARE(shown.value, 50.0);
    QCOMPARE(shown.minValue, 1.0);
    QCOMPARE(shown.maxValue, 100.0);
    QCOMPARE(registerFloat(Base20, CurrentRamp20), 20.0f);
    QCOMPARE(registerFloat(Base29, CurrentRamp29), 30.0f);

    // The system dialogs start from the current module and write every module.
    trigger(window, "actionNextModule");
    prompt.answerValue(2.25);
    trigger(window, "actionSetAllModulesVoltageRamp");
    QCOMPARE(prompt.shown().last().text, QStringLiteral("Input Voltage Ramp speed (%/s):"));
    QCOMPARE(prompt.shown().last().value, 7.5);
    QCOMPARE(registerFloat(Base20, VoltageRamp20), 2.25f);
    QCOMPARE(registerFloat(Base29, VoltageRamp29), 2.25f);

    prompt.answerValue(80.0);
    trigger(window, "actionSetAllModulesCurrentRamp");
    QCOMPARE(prompt.shown().last().text, QStringLiteral("Input Current Ramp speed (%/s):"));
    QCOMPARE(prompt.shown().last().value, 30.0);
    QCOMPARE(prompt.shown().last().minValue, 1.0);
    QCOMPARE(registerFloat(Base20, CurrentRamp20), 80.0f);
    QCOMPARE(registerFloat(Base29, CurrentRamp29), 80.0f);

    TraceFile trace(tracePath());
    for (const char *name : {"actionVoltageRamp", "actionCurrentRamp",
                             "actionSetAllModulesVoltageRamp", "actionSetAllModulesCurrentRamp"}) {
        prompt.answerCancel();
        trigger(window, name);
    }
    QCOMPARE(trace.writes(), QList<quint32> {});
    QCOMPARE(prompt.shown().size(), 8);
}

void TestNorvControlCommands::choiceDialogs()
{
    PromptRecorder prompt;
    NorvControl window(QStringList {});
    identifyAll(window);

    // The module reports a rate that is not offered: "500" is preselected.
    QCOMPARE(norvsim_inject_wrong_read(Base20, Adc20, 200), 0);
    prompt.answerValue(QStringLiteral("60"));
    trigger(window, "actionAdcSamplesPerSecond");
    PromptRecorder::Shown shown = prompt.shown().last();
    QCOMPARE(shown.kind, QStringLiteral("getItem"));
    QCOMPARE(shown.title, Title);
    QCOMPARE(shown.text, QStringLiteral("Choose ADC samples per second:"));
    QCOMPARE(shown.items, (QStringList {"50", "60", "100", "500"}));
    QCOMPARE(shown.items.value(shown.current), QStringLiteral("500"));
    QVERIFY(!shown.editable);
    QCOMPARE(norvsim_register(Base20, Adc20), qint64(60));

    // Now it reports 60, which is preselected.
    prompt.answerValue(QStringLiteral("100"));
    trigger(window, "actionAdcSamplesPerSecond");
    shown = prompt.shown().last();
    QCOMPARE(shown.items.value(shown.current), QStringLiteral("60"));
    QCOMPARE(norvsim_register(Base20, Adc20), qint64(100));

    QCOMPARE(norvsim_inject_wrong_read(Base20, Filter20, 8), 0);
    prompt.answerValue(QStringLiteral("256"));
    trigger(window, "actionDigitalFilter");
    shown = prompt.shown().last();
    QCOMPARE(shown.text, QStringLiteral("Choose Digital Filter averaging steps:"));
    QCOMPARE(shown.items, (QStringList {"1", "16", "64", "256", "1024"}));
    QCOMPARE(shown.items.value(shown.current), QStringLiteral("64"));
    QVERIFY(!shown.editable);
    QCOMPARE(norvsim_register(Base20, Filter20), qint64(256));

    // Cancel, or an empty confirmed choice, writes nothing.
    TraceFile trace(tracePath());
    prompt.answerCancel();
    trigger(window, "actionAdcSamplesPerSecond");
    prompt.answerValue(QString());
    trigger(window, "actionDigitalFilter");
    QCOMPARE(trace.writes(), QList<quint32> {});
    QCOMPARE(prompt.shown().size(), 5);
    QCOMPARE(prompt.pendingAnswers(), 0);
}

void TestNorvControlCommands::systemCommandsActInSlotOrder()
{
    PromptRecorder prompt;
    NorvControl window(QStringList {});
    QCOMPARE(window.moduleCount(), 2);
    norvsim_reset_counters();
    // Before any refresh tick: the commands identify the modules themselves.
    {
        TraceFile trace(tracePath());
        trigger(window, "actionSetAllModulesOn");
        QCOMPARE(trace.writes(),
                 (QList<quint32> {Base20 + AllOn20, Base20 + AllOn20 + 2, Base29 + AllOn29,
                                  Base29 + AllOn29 + 2}));
    }
    QCOMPARE(TestCrate::channelsOn(Base20, 20), Channels20);
    QCOMPARE(TestCrate::channelsOn(Base29, 29), Channels29);

    {
        TraceFile trace(tracePath());
        trigger(window, "actionSetAllModulesOff");
        QCOMPARE(trace.writes(),
                 (QList<quint32> {Base20 + AllOn20, Base20 + AllOn20 + 2, Base29 + AllOn29,
                                  Base29 + AllOn29 + 2}));
    }
    QCOMPARE(TestCrate::channelsOn(Base20, 20), 0);
    QCOMPARE(TestCrate::channelsOn(Base29, 29), 0);

    QVERIFY(norvsim_register(Base20, block20(0) + ChannelEventStatus20) != 0);
    QVERIFY(norvsim_register(Base29, 0x100 + 0x04) != 0);
    {
        TraceFile trace(tracePath());
        trigger(window, "actionClearAllModulesEvents");
        QCOMPARE(trace.writes(),
                 (QList<quint32> {Base20 + ModuleControl20, Base29 + ModuleControl29,
                                  Base29 + ModuleControl29 + 2}));
    }
    // Switching off latched on-to-off events; the clear removed them.
    QCOMPARE(norvsim_register(Base20, block20(0) + ChannelEventStatus20), qint64(0));
    QCOMPARE(norvsim_register(Base29, 0x100 + 0x04), qint64(0));

    prompt.answerValue(1000.0);
    {
        TraceFile trace(tracePath());
        trigger(window, "actionSetAllModulesVoltage");
        QCOMPARE(trace.writes(),
                 (QList<quint32> {Base20 + AllVoltageSet20, Base20 + AllVoltageSet20 + 2,
                                  Base29 + AllVoltageSet29, Base29 + AllVoltageSet29 + 2}));
    }
    // The class-33 module at 0xC000 is not one of the system's modules.
    QCOMPARE(norvsim_cycle_count(0xC000), qint64(0));
}

void TestNorvControlCommands::emergencyOffDropsEveryOutputAtOnce()
{
    PromptRecorder prompt;
    NorvControl window(QStringList {});
    identifyAll(window);
    for (int slot = 0; slot < window.moduleCount(); ++slot)
        window.module(slot)->SetAllChannelsVoltageSet(1000.0f);
    trigger(window, "actionSetAllModulesOn");
    norvsim_advance_ms(20000);
    window.module(0)->GetModuleStatus(); // brings the physics up to date
    for (int ch = 0; ch < Channels20; ++ch)
        QVERIFY(norvsim_channel_value(Base20, ch, NORVSIM_VOUT) > 900);
    for (int ch = 0; ch < Channels29; ++ch)
        QVERIFY(norvsim_channel_value(Base29, ch, NORVSIM_VOUT) > 900);

    {
        TraceFile trace(tracePath());
        trigger(window, "actionSetAllModulesEmergencyOff");
        // One all-channels write per module, no channel-by-channel cycles.
        QCOMPARE(trace.writes(),
                 (QList<quint32> {Base20 + AllEmergency20, Base20 + AllEmergency20 + 2,
                                  Base29 + AllEmergency29, Base29 + AllEmergency29 + 2}));
    }
    // Without simulated time passing.
    for (int ch = 0; ch < Channels20; ++ch)
        QCOMPARE(norvsim_channel_value(Base20, ch, NORVSIM_VOUT), 0.0);
    for (int ch = 0; ch < Channels29; ++ch)
        QCOMPARE(norvsim_channel_value(Base29, ch, NORVSIM_VOUT), 0.0);

    trigger(window, "actionClearAllModulesEmergencyOff");
    for (int ch = 0; ch < Channels20; ++ch)
        QVERIFY(!(TestCrate::channelControl(Base20, 20, ch) & ChannelEmergencyBit));
    for (int ch = 0; ch < Channels29; ++ch)
        QVERIFY(!(TestCrate::channelControl(Base29, 29, ch) & ChannelEmergencyBit));
    QVERIFY(prompt.shown().isEmpty());
}

void TestNorvControlCommands::measurementCommandsChangeOneControlBit()
{
    PromptRecorder prompt;
    NorvControl window(QStringList {});
    HvTable *table = channelTable(window, Channels20);
    identifyAll(window);
    selectCells(table, {{3, 0}, {4, 0}}, {3, 0});
    trigger(window, "actionSetChannelOn");
    const quint32 on = TestCrate::channelControl(Base20, 20, 3);
    QVERIFY(on & ChannelOnBit);

    const struct
    {
        const char *action;
        quint32 expected;
    } steps[] = {{"actionSetChannelVoltageMeasurementOn", on | 0x2},
                 {"actionSetChannelRippleMeasurementOn", on | 0x6},
                 {"actionSetChannelVoltageMeasurementOff", on | 0x4},
                 {"actionSetChannelRippleMeasurementOff", on}};
    for (const auto &step : steps) {
        trigger(window, step.action);
        QCOMPARE(TestCrate::channelControl(Base20, 20, 3), step.expected);
        // Only the current channel, not the rest of the selection.
        QCOMPARE(TestCrate::channelControl(Base20, 20, 4), on);
    }

    // No current channel: nothing is written.
    table->setCurrentCell(-1, -1);
    TraceFile trace(tracePath());
    trigger(window, "actionSetChannelVoltageMeasurementOn");
    trigger(window, "actionSetChannelRippleMeasurementOn");
    QCOMPARE(trace.writes(), QList<quint32> {});
}

void TestNorvControlCommands::contextMenus()
{
    PromptRecorder prompt;
    NorvControl window(QStringList {});
    HvTable *table = channelTable(window, Channels20);
    identifyAll(window);

    const auto channelEntries = [](bool single) {
        return QList<Entry> {{"Set Voltage...", "actionSetVoltage"},
                             {"Set Current...", "actionSetCurrent"},
                             {"-"},
                             {"Set On", "actionSetChannelOn"},
                             {"Set Off", "actionSetChannelOff"},
                             {"-"},
                             {"Set Emergency Off", "actionSetChannelEmergencyOff"},
                             {"Clear Emergency Off", "actionClearChannelEmergencyOff"},
                             {"-"},
                             {"Clear Events", "actionClearEvents"},
                             {"-"},
                             {"Status / Control...", "actionStatusControl", single},
                             {"Set Bounds...", "actionBounds", false}};
    };

    selectCells(table, {{3, 1}});
    std::unique_ptr<QMenu> menu(window.buildChannelContextMenu());
    checkMenu(window, menu.get(), QStringLiteral("Channel 3 menu"), channelEntries(true));
    if (QTest::currentTestFailed())
        return;
    // The entries reached the commands: both dialogs asked about channel 3.
    const QList<PromptRecorder::Shown> asked = prompt.shown(QStringLiteral("getDouble"));
    QCOMPARE(asked.size(), 2);
    QCOMPARE(asked.at(0).text, QStringLiteral("Input a voltage (0...3000 V) for channel 3:"));
    QCOMPARE(asked.at(1).text, QStringLiteral("Input a current (0...3 mA) for channel 3:"));

    selectCells(table, {{3, 1}, {3, 2}}, {3, 1});
    menu.reset(window.buildChannelContextMenu());
    checkMenu(window, menu.get(), QStringLiteral("Selected Channels menu"), channelEntries(false));
    if (QTest::currentTestFailed())
        return;

    menu.reset(window.buildModuleContextMenu());
    checkMenu(window, menu.get(), QStringLiteral("Module menu"),
              {{"Set All Voltages...", "actionSetAllVoltages"},
               {"Set All Currents...", "actionSetAllCurrents"},
               {"-"},
               {"Set All On", "actionSetAllChannelsOn"},
               {"Set All Off", "actionSetAllChannelsOff"},
               {"-"},
               {"Set All Emergency Off", "actionSetEmergencyOff"},
               {"Clear All Emergency Off", "actionClearEmergencyOff"},
               {"-"},
               {"Set Voltage Ramp...", "actionVoltageRamp"},
               {"Set Current Ramp...", "actionCurrentRamp"},
               {"-"},
               {"Clear All Events", "actionClearAllEvents"},
               {"-"},
               {"Status / Control...", "actionModuleStatusControl"}});
    if (QTest::currentTestFailed())
        return;

    menu.reset(window.buildSystemContextMenu());
    checkMenu(window, menu.get(), QStringLiteral("System menu"),
              {{"Set All Voltages...", "actionSetAllModulesVoltage"},
               {"Set All Currents...", "actionSetAllModulesCurrent"},
               {"-"},
               {"Set All On", "actionSetAllModulesOn"},
               {"Set All Off", "actionSetAllModulesOff"},
               {"-"},
               {"Set All Emergency Off", "actionSetAllModulesEmergencyOff"},
               {"Clear All Emergency Off", "actionClearAllModulesEmergencyOff"},
               {"-"},
               {"Set Voltage Ramp...", "actionSetAllModulesVoltageRamp"},
               {"Set Current Ramp...", "actionSetAllModulesCurrentRamp"},
               {"-"},
               {"Clear All Events", "actionClearAllModulesEvents"}});
    if (QTest::currentTestFailed())
        return;

    // With nothing selected the channel menu still names the current row.
    selectCells(table, {}, {6, 0});
    menu.reset(window.buildChannelContextMenu());
    QCOMPARE(menu->actions().first()->text(), QStringLiteral("Channel 6 menu"));
    QVERIFY(!menu->actions().at(13)->isEnabled()); // Status / Control...
}

QTEST_MAIN(TestNorvControlCommands)
#include "tst_norvcontrol_commands.moc"
