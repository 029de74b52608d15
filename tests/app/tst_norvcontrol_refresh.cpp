// The refresh cycle of the main window over the simulated crate: what one
// tick reads, shows and reports, in which order, and the requests that
// dialogs send back. Simulated time is frozen (NORV_SIM_TIMESCALE=0) and the
// refresh timer is stopped, so every test drives the ticks itself.
#include "PromptRecorder.h"
#include "TestCrate.h"

#include <BaseController.h>
#include <BaseModule.h>
#include <DialogOverview.h>
#include <HvTable.h>
#include <NorvControl.h>
#include <TarnChannelStatusBits.h>
#include <TarnModuleStatusBits.h>
#include <norvsim.h>

#include <QAction>
#include <QFile>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMetaMethod>
#include <QPointer>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

namespace {

constexpr int Base20 = 0x4000;
constexpr int Base29 = 0x8000;
constexpr int Serial20 = 4711;
constexpr int Serial29 = 4712;
constexpr int Rows20 = 12;
constexpr int Rows29 = 24;
constexpr int StatusColumn = 6;

const QString Title = QStringLiteral("norv VME Control");

QJsonObject moduleDescription(const char *base, int deviceClass, int serial,
                              const QJsonObject &faults = QJsonObject())
{
    QJsonObject module {{QStringLiteral("base"), QString::fromLatin1(base)},
                        {QStringLiteral("class"), deviceClass},
                        {QStringLiteral("serial"), serial}};
    if (!faults.isEmpty())
        module.insert(QStringLiteral("faults"), faults);
    return module;
}

HvTable *table(NorvControl &window) { return window.findChild<HvTable *>(QStringLiteral("table")); }

QString labelText(NorvControl &window, const char *name)
{
    auto *label = window.findChild<QLabel *>(QString::fromLatin1(name));
    return label ? label->text() : QStringLiteral("<no label %1>").arg(QLatin1String(name));
}

QString cellText(NorvControl &window, int row, int column)
{
    QTableWidgetItem *item = table(window)->item(row, column);
    return item ? item->text() : QString();
}

QAction *action(NorvControl &window, const char *name)
{
    return window.findChild<QAction *>(QString::fromLatin1(name));
}

// Ticks are driven by the test alone: the refresh timer must not fire while
// the test lets the event loop run (editors, waits).
void stopRefreshTimer(NorvControl &window)
{
    const QList<QTimer *> timers = window.findChildren<QTimer *>();
    for (QTimer *timer : timers) {
        if (timer->isActive() && timer->interval() == 20)
            timer->stop();
    }
}

// Ticks until the next tick refreshes `row` (row 0: the tick with the module
// step), then runs that tick.
bool refreshRow(NorvControl &window, int row)
{
    const int rows = table(window)->rowCount();
    for (int tick = 0; tick < 2 * NorvControl::MaxModules; ++tick) {
        const int cursor = window.rowCursor();
        if (cursor == row || (row == 0 && cursor >= rows)) {
            window.refreshTimerUpdate();
            return true;
        }
        window.refreshTimerUpdate();
    }
    return false;
}

// Bus cycles of every module of the crate since the last reset of the counters.
qint64 cycles(int base) { return norvsim_cycle_count(base); }

float floatArg(const QVariant &value) { return value.toFloat(); }

bool near(double actual, double expected) { return qAbs(actual - expected) < 1e-4; }

/// Records the update signals of a main window in the order they come, with
/// their arguments.
class SignalLog : public QObject
{
    Q_OBJECT

public:
    struct Entry
    {
        QByteArray name;
        QVariantList args;
    };

    explicit SignalLog(NorvControl *window)
    {
        const QMetaObject &meta = NorvControl::staticMetaObject;
        const QMetaMethod record = metaObject()->method(metaObject()->indexOfSlot("record()"));
        for (int index = meta.methodOffset(); index < meta.methodCount(); ++index) {
            const QMetaMethod method = meta.method(index);
            if (method.methodType() != QMetaMethod::Signal || !method.name().startsWith("update"))
                continue;
            // The spy is connected first, so it holds the arguments when record() runs.
            m_spies.insert(index, new QSignalSpy(window, method));
            connect(window, method, this, record);
        }
    }
    ~SignalLog() override { qDeleteAll(m_spies); }

    const QList<Entry> &entries() const { return m_entries; }
    void clear() { m_entries.clear(); }

    QList<QByteArray> names() const
    {
        QList<QByteArray> names;
        for (const Entry &entry : m_entries)
            names << entry.name;
        return names;
    }
    QList<Entry> of(const QByteArray &name) const
    {
        QList<Entry> found;
        for (const Entry &entry : m_entries) {
            if (entry.name == name)
                found << entry;
        }
        return found;
    }
    int count(const QByteArray &name) const { return int(of(name).size()); }

public slots:
    void record()
    {
        QSignalSpy *spy = m_spies.value(senderSignalIndex());
        m_entries.append({sender()->metaObject()->method(senderSignalIndex()).name(),
                          spy && !spy->isEmpty() ? spy->takeFirst() : QVariantList()});
    }

private:
    QHash<int, QSignalSpy *> m_spies;
    QList<Entry> m_entries;
};

/// A main window whose statistic dialog has a once-run pending.
class OnceRunWindow : public NorvControl
{
public:
    using NorvControl::NorvControl;
    bool pending = false;
    bool onceRunPending() const override { return pending; }
};

const QList<QByteArray> ModuleStepSignals {"updateModuleSupplyP5",
                                           "updateModuleSupplyP12",
                                           "updateModuleSupplyN12",
                                           "updateModuleTemperature",
                                           "updateModuleVoltageHardwareLimit",
                                           "updateModuleCurrentHardwareLimit",
                                           "updateModuleControl",
                                           "updateModuleStatus",
                                           "updateModuleEventStatus",
                                           "updateModuleEventMask",
                                           "updateModuleRestartTime",
                                           "updateModuleEventChannelStatus",
                                           "updateModuleEventChannelMask",
                                           "updateModuleEventGroupStatus",
                                           "updateModuleEventGroupMask"};
const QList<QByteArray> InterlockSignals {"updateInterlockStatus",
                                          "updateInterlockControl",
                                          "updateInterlockCount",
                                          "updateInterlockLastTrigger",
                                          "updateInterlockChannelActualActive",
                                          "updateInterlockChannelEverTriggered"};
const QList<QByteArray> EveryRowSignals {"updateChannelVoltage", "updateChannelVoltageMeasure",
                                         "updateChannelCurrentMeasure"};
const QList<QByteArray> SelectedRowSignals {"updateChannelControl",
                                            "updateChannelStatus",
                                            "updateChannelEventStatus",
                                            "updateChannelEventMask",
                                            "updateChannelVoltageNominal",
                                            "updateChannelCurrentNominal",
                                            "updateChannelVoltageInterlockMaxSet",
                                            "updateChannelVoltageInterlockMinSet",
                                            "updateChannelCurrentInterlockMaxSet",
                                            "updateChannelCurrentInterlockMinSet"};
const QList<QByteArray> TickStart {"updateModuleControl", "updateModuleStatus"};

} // namespace

class TestNorvControlRefresh : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void onePassShowsEveryRowFormatted();
    void moduleAndChannelStepsEmitInOrder();
    void moduleStepLabelsFollowTheModule();
    void ticksReadOnlyWhatTheCycleCallsFor();
    void specialModeGetsModuleStepsOnly();
    void stopModeReportsHardwareNominals();
    void statusCellFollowsTheSimulatedChannel();
    void silentModuleShowsTheErrorLineAndDisablesTheTable();
    void rowCursorSurvivesModuleChanges();
    void serviceWordOpensTheFactoryDialogOncePerModule();

    void typedSetValuesReachTheModule();
    void editedCellIsLeftAloneByTheRefresh();

    void channelBoundsAreWrittenOnceTheControlWordIsTaken();
    void channelBoundsGiveUpWhenTheModuleRefusesTheControlWord();
    void channelBoundsStopWhenTheModuleListIsRebuilt();
    void waitKeepsTheEventLoopRunning();

    void overviewIsFedWhileVisible();
    void pendingOnceRunTakesMeasurementsFromTheAllModulesPass();

    void requestsReachTheCurrentModule();
    void flexGroupRequestsTakeGroupsZeroToThirtyOne();
    void nominalsChangeOnlyInStopMode();
    void cratePowerRequestLeavesTheRefreshAlone();
    void autoTimerRequests();
    void specialControlCommandsSteerTheRefresh();
    void hexLinesReachTheModule();

private:
    QTemporaryDir m_dir;
};

void TestNorvControlRefresh::initTestCase()
{
    QVERIFY(m_dir.isValid());
    TestCrate::useSettingsIn(m_dir.path());
    qputenv("NORV_SIM_TIMESCALE", "0");
    // Formatted values use the locale's digits; the C locale has no group separators.
    QLocale::setDefault(QLocale::c());
}

void TestNorvControlRefresh::init()
{
    TestCrate::clearSettings();
    QVERIFY(TestCrate::resetDefault());
}

void TestNorvControlRefresh::cleanup() { norvsim_trace(nullptr); }

void TestNorvControlRefresh::onePassShowsEveryRowFormatted()
{
    PromptRecorder prompt;
    NorvControl window(QStringList {});
    stopRefreshTimer(window);
    BaseModule *module = window.module(0);
    for (int ch = 0; ch < Rows20; ++ch) {
        module->SetChannelVoltageSet(ch, 100.0f + 10.5f * ch);
        module->SetChannelCurrentSet(ch, 0.25f * (ch + 1));
        QCOMPARE(norvsim_set_channel_value(Base20, ch, NORVSIM_LOAD, 1e5), 0);
        QCOMPARE(norvsim_set_channel_value(Base20, ch, NORVSIM_VOUT, 20.0 * ch), 0);
    }

    // The first tick shows the module and sizes the table; a pass is one tick per row.
    for (int tick = 0; tick < Rows20; ++tick)
        window.refreshTimerUpdate();
    QCOMPARE(table(window)->rowCount(), Rows20);

    for (int ch = 0; ch < Rows20; ++ch) {
        const QString row = QStringLiteral("row %1").arg(ch);
        QCOMPARE(cellText(window, ch, 0), QString::number(100.0 + 10.5 * ch, 'f', 1));
        QCOMPARE(cellText(window, ch, 1), QString::number(20.0 * ch, 'f', 1));
        QCOMPARE(cellText(window, ch, 2), QStringLiteral("3000.0"));
        QCOMPARE(cellText(window, ch, 3), QString::number(0.25 * (ch + 1), 'f', 3));
        // 20 V per channel number over 100 kOhm, in mA.
        QCOMPARE(cellText(window, ch, 4), QString::number(0.2 * ch, 'f', 3));
        QCOMPARE(cellText(window, ch, 5), QStringLiteral("3.000"));
        // Switched off with voltage left on the output: ramping down.
        QCOMPARE(cellText(window, ch, StatusColumn),
                 ch == 0 ? QStringLiteral("Off") : QStringLiteral("Ramp"));
        for (int column = 0; column < StatusColumn; ++column)
            QVERIFY2(!table(window)->item(ch, column)->data(Qt::BackgroundRole).isValid(),
                     qPrintable(row));
    }
    QCOMPARE(window.rowCursor(), Rows20);
}

void TestNorvControlRefresh::moduleAndChannelStepsEmitInOrder()
{
    PromptRecorder prompt;
    NorvControl window(QStringList {});
    stopRefreshTimer(window);
    BaseModule *module = window.module(0);
    module->SetChannelVoltageSet(0, 1500.0f);
    module->SetChannelVoltageIlkMaxSet(0, 2500.0f);
    module->SetChannelVoltageIlkMinSet(0, 100.0f);
    module->SetChannelCurrentIlkMaxSet(0, 2.5f);
    module->SetChannelCurrentIlkMinSet(0, 0.5f);
    module->SetChannelEventMask(0, 0x0010);
    QCOMPARE(norvsim_set_channel_value(Base20, 0, NORVSIM_VOUT, 1499.5), 0);

    window.refreshTimerUpdate();
    table(window)->setCurrentCell(0, 0);
    SignalLog log(&window);

    // A row that is not selected: the module words, then the row's values.
    window.refreshTimerUpdate();
    QCOMPARE(log.names(), TickStart + EveryRowSignals);
    for (const SignalLog::Entry &entry : log.entries())
        QCOMPARE(entry.args.at(0).toInt(), Serial20);
    QCOMPARE(log.of("updateChannelVoltage").first().args.at(1).toInt(), 1);

    // Back at row 0: the module step comes first, then the selected row.
    log.clear();
    QVERIFY(refreshRow(window, 0));
    QList<QByteArray> expected;
    for (int tick = 0; tick < Rows20 - 2; ++tick)
        expected += TickStart + EveryRowSignals;
    expected
        += TickStart + ModuleStepSignals + InterlockSignals + EveryRowSignals + SelectedRowSignals;
    QCOMPARE(log.names(), expected);

    const QList<SignalLog::Entry> step = log.entries().mid(expected.size() - 13 - 15 - 6 - 2);
    QCOMPARE(step.at(2).name, QByteArray("updateModuleSupplyP5"));
    QVERIFY(near(floatArg(step.at(2).args.at(1)), 5.02));
    QVERIFY(near(floatArg(step.at(4).args.at(1)), -11.9));
    QVERIFY(near(floatArg(step.at(5).args.at(1)), 31.5));
    // The control and status read at the start of the tick are reported again.
    QCOMPARE(step.at(8).args, step.at(0).args);
    QCOMPARE(step.at(9).args, step.at(1).args);
    QCOMPARE(step.at(1).args.at(1).toUInt(), quint32(norvsim_register(Base20, 0x00)));

    const QList<SignalLog::Entry> row = log.entries().mid(expected.size() - 13);
    QCOMPARE(row.at(0).args,
             (QVariantList {Serial20, 0, 1500.0f, QStringLiteral("V")})); // set voltage
    QCOMPARE(row.at(1).args, (QVariantList {Serial20, 0, 1499.5f, QStringLiteral("V")}));
    QCOMPARE(row.at(2).args.at(3).toString(), QStringLiteral("mA"));
    QCOMPARE(row.at(6).args.at(2).toUInt(), 0x0010u); // event mask
    QCOMPARE(row.at(7).args, (QVariantList {Serial20, 0, 3000.0f, QStringLiteral("V")}));
    QVERIFY(near(floatArg(row.at(8).args.at(2)), 3.0));
    QCOMPARE(row.at(9).args.at(2).toFloat(), 2500.0f);
    QCOMPARE(row.at(10).args.at(2).toFloat(), 100.0f);
    QVERIFY(near(floatArg(row.at(11).args.at(2)), 2.5));
    QVERIFY(near(floatArg(row.at(12).args.at(2)), 0.5));
    QCOMPARE(row.at(12).args.at(3).toString(), QStringLiteral("mA"));

    // The selected row's words, as mnemonics.
    const TarnChannelStatusBits bits;
    QCOMPARE(labelText(window, "lblChannelStatus"),
             bits.statusBitText(quint32(norvsim_register(Base20, 0x60))));
    QCOMPARE(labelText(window, "lblChannelEventMask"), QStringLiteral("0x0010"));
    QCOMPARE(window.rowCursor(), 1);
}

void TestNorvControlRefresh::moduleStepLabelsFollowTheModule()
{
    PromptRecorder prompt;
    NorvControl window(QStringList {});
    stopRefreshTimer(window);
    window.module(0)->SetModuleEventMask(0x2000);

    window.refreshTimerUpdate();
    QCOMPARE(labelText(window, "lblModuleType"), QStringLiteral("DC20"));
    QCOMPARE(labelText(window, "lblSerial"), QStringLiteral("4711"));
    QCOMPARE(labelText(window, "lblFirmware"), QStringLiteral("12.34"));
    // Layout 20 has no decoder release register.
    QCOMPARE(labelText(window, "lblVmeDec"), QStringLiteral("0.0 / 0.0"));
    QCOMPARE(labelText(window, "lblConnect"),
             QStringLiteral("Connected to DC20 sn. 4711 at VME BA 0x4000"));
    QVERIFY(table(window)->isEnabled());

    QVERIFY(refreshRow(window, 0));
    const QStringList headers {"Vset (V)",   "Vmeas (V)",     "Vnominal (V)", "Iset (mA)",
                               "Imeas (mA)", "Inominal (mA)", "Status"};
    for (int column = 0; column < headers.size(); ++column)
        QCOMPARE(table(window)->horizontalHeaderItem(column)->text(), headers.at(column));
    QCOMPARE(labelText(window, "lblVRampSpeed"), QStringLiteral("10 %/s"));
    QCOMPARE(labelText(window, "lblIRampSpeed"), QStringLiteral("50 %/s"));
    const TarnModuleStatusBits bits;
    QCOMPARE(labelText(window, "lblModuleStatus"),
             bits.statusBitText(quint32(norvsim_register(Base20, 0x00))));
    QVERIFY(labelText(window, "lblModuleStatus").contains(QLatin1String("isMODgd")));
    QCOMPARE(labelText(window, "lblModuleControl"), QString());
    QCOMPARE(labelText(window, "lblModuleEventMask"), QStringLiteral("0x2000"));
    auto *controllerLabel
        = window.statusBar()->findChild<QLabel *>(QStringLiteral("controllerLabel"));
    auto *insertionLabel
        = window.statusBar()->findChild<QLabel *>(QStringLiteral("insertionLabel"));
    QCOMPARE(controllerLabel->text(), window.controller()->statusText());
    QCOMPARE(insertionLabel->text(), QString());

    // The 24-channel module: decoder release, and no module-wide current ramp.
    action(window, "actionNextModule")->trigger();
    window.refreshTimerUpdate();
    QCOMPARE(labelText(window, "lblModuleType"), QStringLiteral("DC29"));
    QCOMPARE(labelText(window, "lblVmeDec"), QStringLiteral("0.1 / 0.0"));
    QCOMPARE(table(window)->rowCount(), Rows29);
    QVERIFY(refreshRow(window, 0));
    QCOMPARE(labelText(window, "lblIRampSpeed"), QStringLiteral("-----"));
    QCOMPARE(labelText(window, "lblVRampSpeed"), QStringLiteral("10 %/s"));
}

void TestNorvControlRefresh::ticksReadOnlyWhatTheCycleCallsFor()
{
    PromptRecorder prompt;
    NorvControl window(QStringList {});
    stopRefreshTimer(window);
    window.refreshTimerUpdate();
    window.refreshTimerUpdate();

    // Every module: its serial number and identity (two 32-bit reads).
    // Current module, layout 20: control and status (16 bits each), six
    // floats and four words of the row. The module step adds six floats for
    // supplies, temperature and limits, two ramp speeds, five 16-bit and two
    // 32-bit event words and six interlock words.
    norvsim_reset_counters();
    window.refreshTimerUpdate();
    QCOMPARE(cycles(Base20), qint64(4 + 2 + 16));
    QCOMPARE(cycles(Base29), qint64(4));

    QVERIFY(refreshRow(window, Rows20 - 1));
    norvsim_reset_counters();
    window.refreshTimerUpdate();
    QCOMPARE(cycles(Base20), qint64(4 + 2 + 31 + 16));
    QCOMPARE(cycles(Base29), qint64(4));

    // The selected row adds its four interlock limits.
    table(window)->setCurrentCell(1, 0);
    norvsim_reset_counters();
    window.refreshTimerUpdate();
    QCOMPARE(cycles(Base20), qint64(4 + 2 + 16 + 8));

    // Layout 29: 32-bit words, no current ramp speed and no interlock output.
    action(window, "actionNextModule")->trigger();
    window.refreshTimerUpdate();
    QVERIFY(refreshRow(window, Rows29 - 1));
    norvsim_reset_counters();
    window.refreshTimerUpdate();
    QCOMPARE(cycles(Base29), qint64(4 + 4 + 28 + 20));
    QCOMPARE(cycles(Base20), qint64(4));
}

void TestNorvControlRefresh::specialModeGetsModuleStepsOnly()
{
    PromptRecorder prompt;
    NorvControl window(QStringList {});
    stopRefreshTimer(window);
    action(window, "actionModuleOverview")->trigger();
    window.refreshTimerUpdate();
    table(window)->setCurrentCell(0, 0);
    window.refreshTimerUpdate();
    window.refreshTimerUpdate();
    QCOMPARE(window.rowCursor(), 3);

    // Special mode: special request and stop, entered once the channels are idle.
    window.setModuleControl(0x0005);
    norvsim_advance_ms(1);
    QVERIFY(norvsim_register(Base20, 0x00) & 0x0040);

    SignalLog log(&window);
    for (int tick = 0; tick < 3; ++tick) {
        log.clear();
        QTest::ignoreMessage(QtDebugMsg,
                             QRegularExpression(QStringLiteral(
                                 "^\\d+: SpecialControlCommand = 00000000, SpecialControlStatus "
                                 "= 00000080$")));
        window.refreshTimerUpdate();
        QCOMPARE(log.names(),
                 TickStart + ModuleStepSignals
                     + QList<QByteArray> {"updateModuleSpecialControlStatus"});
        QCOMPARE(log.entries().last().args, (QVariantList {Serial20, 0u, 0x80u}));
        QCOMPARE(window.rowCursor(), 0);
    }

    // Back to normal mode: the channel steps resume at row 0.
    window.setModuleControl(0x0000);
    norvsim_advance_ms(1);
    log.clear();
    window.refreshTimerUpdate();
    QCOMPARE(log.count("updateModuleSpecialControlStatus"), 0);
    QCOMPARE(log.of("updateChannelVoltage").size(), 1);
    QCOMPARE(window.rowCursor(), 1);
}

void TestNorvControlRefresh::stopModeReportsHardwareNominals()
{
    PromptRecorder prompt;
    NorvControl window(QStringList {});
    stopRefreshTimer(window);
    window.refreshTimerUpdate();
    window.setModuleControl(0x0004);
    norvsim_advance_ms(1);
    QVERIFY(norvsim_register(Base20, 0x00) & 0x0004);

    SignalLog log(&window);
    QVERIFY(refreshRow(window, 0));
    QList<QByteArray> nominals;
    for (const SignalLog::Entry &entry : log.entries()) {
        if (entry.name.contains("HardwareNominal"))
            nominals << entry.name;
    }
    QCOMPARE(nominals.size(), 2 * Rows20);
    const QList<SignalLog::Entry> voltages = log.of("updateChannelVoltageHardwareNominal");
    const QList<SignalLog::Entry> currents = log.of("updateChannelCurrentHardwareNominal");
    for (int ch = 0; ch < Rows20; ++ch) {
        QCOMPARE(nominals.at(2 * ch), QByteArray("updateChannelVoltageHardwareNominal"));
        QCOMPARE(voltages.at(ch).args, (QVariantList {Serial20, ch, 3000.0f, QStringLiteral("V")}));
        QCOMPARE(currents.at(ch).args.at(1).toInt(), ch);
        QVERIFY(near(floatArg(currents.at(ch).args.at(2)), 3.0));
        QCOMPARE(currents.at(ch).args.at(3).toString(), QStringLiteral("mA"));
    }
    // They come after the module words and before the interlock output.
    const QList<QByteArray> names = log.names();
    QVERIFY(names.indexOf("updateModuleEventGroupMask")
            < names.indexOf("updateChannelVoltageHardwareNominal"));
    QVERIFY(names.lastIndexOf("updateChannelCurrentHardwareNominal")
            < names.indexOf("updateInterlockStatus"));

    // Outside stop mode there are none.
    window.setModuleControl(0x0000);
    norvsim_advance_ms(1);
    log.clear();
    QVERIFY(refreshRow(window, 0));
    QCOMPARE(log.count("updateChannelVoltageHardwareNominal"), 0);
}

void TestNorvControlRefresh::statusCellFollowsTheSimulatedChannel()
{
    PromptRecorder prompt;
    NorvControl window(QStringList {});
    stopRefreshTimer(window);
    BaseModule *module = window.module(0);

    // 1: on and settled. 2: on, held at its current set by a low load.
    // 3: no current allowed at all, in current control at 0 V.
    module->SetChannelVoltageSet(1, 600.0f);
    module->SetChannelOn(1);
    QCOMPARE(norvsim_set_channel_value(Base20, 2, NORVSIM_LOAD, 1e5), 0);
    module->SetChannelCurrentSet(2, 0.5f);
    module->SetChannelVoltageSet(2, 1000.0f);
    module->SetChannelOn(2);
    module->SetChannelCurrentSet(3, 0.0f);
    module->SetChannelVoltageSet(3, 100.0f);
    module->SetChannelOn(3);
    norvsim_advance_ms(5000);
    // 3 is switched off while still in current control (time stands still).
    module->SetChannelOff(3);
    // 0: switched on, on its way up.
    module->SetChannelVoltageSet(0, 1000.0f);
    module->SetChannelOn(0);
    // 4: emergency off. 5: external inhibit. 7: both: the emergency wins.
    module->SetChannelEmergencyOff(4);
    QCOMPARE(norvsim_inject_inhibit(Base20, 5, 1), 0);
    module->SetChannelEmergencyOff(7);
    QCOMPARE(norvsim_inject_inhibit(Base20, 7, 1), 0);

    for (int tick = 0; tick < Rows20 + 1; ++tick)
        window.refreshTimerUpdate();

    struct Expected
    {
        int row;
        const char *text;
        Qt::GlobalColor colour;
    };
    const QList<Expected> expected {
        {0, "Ramp", Qt::green},
        {1, "Voltage Control", Qt::green},
        {2, "Current Control", Qt::green},
        {3, "Current Control", Qt::yellow},
        {4, "Emergency", Qt::red},
        {5, "Inhibit", Qt::red},
        {6, "Off", Qt::yellow},
        {7, "Emergency", Qt::red},
    };
    for (const Expected &e : expected) {
        QTableWidgetItem *item = table(window)->item(e.row, StatusColumn);
        QVERIFY(item);
        QCOMPARE(item->text(), QString::fromLatin1(e.text));
        QCOMPARE(item->background().color(), QColor(e.colour));
    }

    // The cell follows the channel: the inhibit lifted and switched on again.
    QCOMPARE(norvsim_inject_inhibit(Base20, 5, 0), 0);
    module->SetChannelOff(5);
    module->SetChannelVoltageSet(5, 50.0f);
    module->SetChannelOn(5);
    QVERIFY(refreshRow(window, 5));
    QCOMPARE(cellText(window, 5, StatusColumn), QStringLiteral("Ramp"));
}

void TestNorvControlRefresh::silentModuleShowsTheErrorLineAndDisablesTheTable()
{
    PromptRecorder prompt;
    NorvControl window(QStringList {});
    stopRefreshTimer(window);
    window.refreshTimerUpdate();
    window.refreshTimerUpdate();
    QCOMPARE(window.moduleState(0), int(NorvControl::StateShown));

    QCOMPARE(norvsim_inject_unplug(Base20, -1), 0);
    SignalLog log(&window);
    window.refreshTimerUpdate();
    QCOMPARE(window.moduleState(0), int(NorvControl::StateNotAnswering));
    QCOMPARE(labelText(window, "lblConnect"),
             QStringLiteral("<font color=\"red\">Error: can not connect to Module!"));
    QVERIFY(!table(window)->isEnabled());
    QCOMPARE(window.statusBar()->findChild<QLabel *>(QStringLiteral("controllerLabel"))->text(),
             window.controller()->statusText());
    QVERIFY(log.entries().isEmpty());
    const int cursor = window.rowCursor();
    window.refreshTimerUpdate();
    QCOMPARE(window.rowCursor(), cursor);

    // Back on the bus: shown again, table enabled.
    QCOMPARE(norvsim_inject_replug(Base20), 0);
    for (int tick = 0; tick < 4 && window.moduleState(0) != NorvControl::StateShown; ++tick)
        window.refreshTimerUpdate();
    QCOMPARE(window.moduleState(0), int(NorvControl::StateShown));
    QVERIFY(table(window)->isEnabled());
    QCOMPARE(labelText(window, "lblConnect"),
             QStringLiteral("Connected to DC20 sn. 4711 at VME BA 0x4000"));
}

void TestNorvControlRefresh::rowCursorSurvivesModuleChanges()
{
    PromptRecorder prompt;
    NorvControl window(QStringList {});
    stopRefreshTimer(window);
    for (int tick = 0; tick < 8; ++tick)
        window.refreshTimerUpdate();
    QCOMPARE(window.rowCursor(), 8);

    // More rows on the next module: it carries on with row 8.
    SignalLog log(&window);
    action(window, "actionNextModule")->trigger();
    window.refreshTimerUpdate();
    QCOMPARE(table(window)->rowCount(), Rows29);
    QCOMPARE(log.count("updateModuleSupplyP5"), 0);
    QCOMPARE(log.of("updateChannelVoltage").first().args.mid(0, 2), (QVariantList {Serial29, 8}));
    QCOMPARE(window.rowCursor(), 9);

    // Fewer rows: the cursor is past the end, so the module step comes first.
    while (window.rowCursor() < 20)
        window.refreshTimerUpdate();
    log.clear();
    action(window, "actionPreviousModule")->trigger();
    window.refreshTimerUpdate();
    QCOMPARE(table(window)->rowCount(), Rows20);
    QCOMPARE(log.of("updateModuleSupplyP5").first().args.at(0).toInt(), Serial20);
    QCOMPARE(log.of("updateChannelVoltage").first().args.mid(0, 2), (QVariantList {Serial20, 0}));
    QCOMPARE(window.rowCursor(), 1);
}

void TestNorvControlRefresh::serviceWordOpensTheFactoryDialogOncePerModule()
{
    PromptRecorder prompt;
    NorvControl window(QStringList {QStringLiteral("qbxt")});
    stopRefreshTimer(window);
    QSignalSpy factory(action(window, "actionFactorySettings"), &QAction::triggered);

    window.refreshTimerUpdate();
    QCOMPARE(factory.size(), 1);
    window.refreshTimerUpdate();
    QCOMPARE(factory.size(), 1);
    action(window, "actionNextModule")->trigger();
    window.refreshTimerUpdate();
    QCOMPARE(factory.size(), 2);
    // Shown again, but its flag is spent.
    action(window, "actionPreviousModule")->trigger();
    window.refreshTimerUpdate();
    QCOMPARE(factory.size(), 2);

    NorvControl plain(QStringList {});
    stopRefreshTimer(plain);
    QSignalSpy plainFactory(action(plain, "actionFactorySettings"), &QAction::triggered);
    plain.refreshTimerUpdate();
    QCOMPARE(plainFactory.size(), 0);
}

namespace {

QLineEdit *openEditor(HvTable *view)
{
    const QList<QLineEdit *> editors = view->viewport()->findChildren<QLineEdit *>();
    for (QLineEdit *edit : editors) {
        if (edit->isVisible())
            return edit;
    }
    return nullptr;
}

} // namespace

void TestNorvControlRefresh::typedSetValuesReachTheModule()
{
    PromptRecorder prompt;
    NorvControl window(QStringList {});
    stopRefreshTimer(window);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    window.refreshTimerUpdate();
    HvTable *view = table(window);

    view->setCurrentCell(2, 0);
    QTest::keyClick(view, Qt::Key_F2);
    QLineEdit *editor = openEditor(view);
    QVERIFY(editor);
    editor->selectAll();
    QTest::keyClicks(editor, QStringLiteral("250.5"));
    QTest::keyClick(editor, Qt::Key_Return);
    QTRY_COMPARE(norvsim_channel_value(Base20, 2, NORVSIM_VSET), 250.5);
    QVERIFY(refreshRow(window, 2));
    QCOMPARE(cellText(window, 2, 0), QStringLiteral("250.5"));

    // Not a number: not a single bus cycle.
    const double iset = norvsim_channel_value(Base20, 4, NORVSIM_ISET);
    view->setCurrentCell(4, 3);
    QTest::keyClick(view, Qt::Key_F2);
    // Counted from here: moving the selection reports the channel, which reads the serial number.
    norvsim_reset_counters();
    editor = openEditor(view);
    QVERIFY(editor);
    editor->selectAll();
    QTest::keyClicks(editor, QStringLiteral("abc"));
    QTest::keyClick(editor, Qt::Key_Return);
    QTRY_COMPARE(view->editRow(), -1);
    QTest::qWait(20);
    QCOMPARE(cycles(Base20), qint64(0));
    QCOMPARE(norvsim_channel_value(Base20, 4, NORVSIM_ISET), iset);
}

void TestNorvControlRefresh::editedCellIsLeftAloneByTheRefresh()
{
    PromptRecorder prompt;
    NorvControl window(QStringList {});
    stopRefreshTimer(window);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    for (int tick = 0; tick < Rows20; ++tick)
        window.refreshTimerUpdate();
    HvTable *view = table(window);
    QCOMPARE(cellText(window, 5, 0), QStringLiteral("0.0"));

    view->setCurrentCell(5, 0);
    QTest::keyClick(view, Qt::Key_F2);
    QVERIFY(openEditor(view));
    QCOMPARE(view->editRow(), 5);

    window.module(0)->SetChannelVoltageSet(5, 777.0f);
    QCOMPARE(norvsim_set_channel_value(Base20, 5, NORVSIM_VOUT, 123.4), 0);
    QVERIFY(refreshRow(window, 5));
    QCOMPARE(cellText(window, 5, 0), QStringLiteral("0.0"));
    QCOMPARE(cellText(window, 5, 1), QStringLiteral("123.4"));
    QCOMPARE(cellText(window, 5, StatusColumn), QStringLiteral("Ramp"));
    QVERIFY(openEditor(view));

    // Abandoned: the refresh owns the cell again.
    QTest::keyClick(openEditor(view), Qt::Key_Escape);
    QTRY_COMPARE(view->editRow(), -1);
    QVERIFY(refreshRow(window, 5));
    QCOMPARE(cellText(window, 5, 0), QStringLiteral("777.0"));
}

namespace {

// Reads of one address in a bus trace.
int tracedReads(const QString &path, quint32 address)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return -1;
    const QByteArray hex = QByteArray::number(address, 16);
    int reads = 0;
    while (!file.atEnd()) {
        const QList<QByteArray> fields = file.readLine().simplified().split(' ');
        if (fields.size() >= 3 && fields.at(1) == "R" && fields.at(2) == hex)
            ++reads;
    }
    return reads;
}

// Registers of channel `ch` of a layout-20 module: the control word's
// address, and the offsets of the voltage limits.
quint32 control20(int ch) { return Base20 + 0x60 + 0x30 * ch + 0x02; }
quint32 voltageIlkMax20(int ch) { return 0x60 + 0x30 * ch + 0x18; }
quint32 voltageIlkMin20(int ch) { return 0x60 + 0x30 * ch + 0x28; }

} // namespace

void TestNorvControlRefresh::channelBoundsAreWrittenOnceTheControlWordIsTaken()
{
    PromptRecorder prompt;
    NorvControl window(QStringList {});
    stopRefreshTimer(window);
    BaseModule *module = window.module(0);
    module->SetChannelOn(3);
    module->SetChannelCurrentIlkMinSet(3, 0.25f);
    const QString trace = m_dir.filePath(QStringLiteral("bounds.trace"));
    QFile::remove(trace);
    QCOMPARE(norvsim_trace(trace.toLocal8Bit().constData()), 0);

    window.setChannelBounds(3, true, 2500.0f, 100.0f, false, 2.5f, 0.5f);
    norvsim_trace(nullptr);
    QVERIFY(prompt.shown().isEmpty());
    QCOMPARE(TestCrate::channelControl(Base20, 20, 3), 0x0808u);
    QCOMPARE(module->GetChannelVoltageIlkMaxSet(3), 2500.0f);
    QCOMPARE(module->GetChannelVoltageIlkMinSet(3), 100.0f);
    QVERIFY(near(module->GetChannelCurrentIlkMaxSet(3), 2.5));
    // Symmetric current bounds: the lower current limit is not written.
    QVERIFY(near(module->GetChannelCurrentIlkMinSet(3), 0.25));
    // The word is read once to modify it and once to see it taken.
    QCOMPARE(tracedReads(trace, control20(3)), 2);

    window.setChannelBounds(3, false, 2000.0f, 50.0f, true, 2.0f, 0.75f);
    QCOMPARE(TestCrate::channelControl(Base20, 20, 3), 0x0408u);
    QCOMPARE(module->GetChannelVoltageIlkMaxSet(3), 2000.0f);
    QCOMPARE(module->GetChannelVoltageIlkMinSet(3), 100.0f);
    QVERIFY(near(module->GetChannelCurrentIlkMinSet(3), 0.75));
    QVERIFY(prompt.shown().isEmpty());
}

void TestNorvControlRefresh::channelBoundsGiveUpWhenTheModuleRefusesTheControlWord()
{
    const QJsonObject refuse {{QStringLiteral("refuse_channel_control"), true}};
    QVERIFY2(TestCrate::resetFrom(m_dir.path(),
                                  QJsonArray {moduleDescription("0x4000", 20, Serial20, refuse)}),
             norvsim_last_error());
    PromptRecorder prompt;
    NorvControl window(QStringList {});
    stopRefreshTimer(window);
    BaseModule *module = window.module(0);
    module->SetChannelVoltageIlkMaxSet(1, 1000.0f);
    const qint64 voltageMax = norvsim_register(Base20, voltageIlkMax20(1));
    const qint64 voltageMin = norvsim_register(Base20, voltageIlkMin20(1));
    const QString trace = m_dir.filePath(QStringLiteral("refused.trace"));
    QFile::remove(trace);
    QCOMPARE(norvsim_trace(trace.toLocal8Bit().constData()), 0);

    window.setChannelBounds(1, true, 2500.0f, 100.0f, false, 2.5f, 0.5f);
    norvsim_trace(nullptr);
    QCOMPARE(prompt.shown().size(), 1);
    const PromptRecorder::Shown shown = prompt.shown().first();
    QCOMPARE(shown.kind, QStringLiteral("information"));
    QCOMPARE(shown.title, Title);
    QCOMPARE(shown.text, QStringLiteral("Error setting Channel 1 Control word. Giving up."));
    QCOMPARE(shown.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    // One read to modify, 199 to wait for it; no limit is written.
    QCOMPARE(tracedReads(trace, control20(1)), 1 + 199);
    QCOMPARE(norvsim_register(Base20, voltageIlkMax20(1)), voltageMax);
    QCOMPARE(norvsim_register(Base20, voltageIlkMin20(1)), voltageMin);
    QCOMPARE(module->GetChannelVoltageIlkMaxSet(1), 1000.0f);
}

void TestNorvControlRefresh::channelBoundsStopWhenTheModuleListIsRebuilt()
{
    const QJsonObject refuse {{QStringLiteral("refuse_channel_control"), true}};
    QVERIFY(TestCrate::resetFrom(m_dir.path(),
                                 QJsonArray {moduleDescription("0x4000", 20, Serial20, refuse)}));
    PromptRecorder prompt;
    NorvControl window(QStringList {});
    stopRefreshTimer(window);
    QPointer<BaseModule> before = window.module(0);
    const qint64 voltageMax = norvsim_register(Base20, voltageIlkMax20(1));
    const QString trace = m_dir.filePath(QStringLiteral("rebuilt.trace"));
    QFile::remove(trace);
    QCOMPARE(norvsim_trace(trace.toLocal8Bit().constData()), 0);

    // The operator picks the controller again while the request waits.
    QVERIFY(QMetaObject::invokeMethod(&window, "initModuleAccess", Qt::QueuedConnection));
    window.setChannelBounds(1, true, 2500.0f, 100.0f, false, 2.5f, 0.5f);
    norvsim_trace(nullptr);

    QVERIFY(before.isNull());
    QVERIFY(window.module(0));
    QCOMPARE(prompt.shown("information").size(), 1);
    QVERIFY(tracedReads(trace, control20(1)) < 10);
    QCOMPARE(norvsim_register(Base20, voltageIlkMax20(1)), voltageMax);
}

void TestNorvControlRefresh::waitKeepsTheEventLoopRunning()
{
    PromptRecorder prompt;
    NorvControl window(QStringList {});
    stopRefreshTimer(window);
    bool ran = false;
    QTimer::singleShot(0, &window, [&ran] { ran = true; });
    QElapsedTimer clock;
    clock.start();
    window.wait(30);
    QVERIFY(ran);
    QVERIFY(clock.elapsed() >= 30);
}

void TestNorvControlRefresh::overviewIsFedWhileVisible()
{
    PromptRecorder prompt;
    NorvControl window(QStringList {});
    stopRefreshTimer(window);
    window.refreshTimerUpdate();
    window.module(1)->SetChannelVoltageSet(23, 1234.2f);
    QCOMPARE(norvsim_set_channel_value(Base29, 23, NORVSIM_VOUT, 1234.5), 0);

    action(window, "actionModuleOverview")->trigger();
    auto *overview = window.findChild<DialogOverview *>();
    QVERIFY(overview);
    QVERIFY(overview->isVisible());
    QCOMPARE(overview->serialNumbers(), (QList<int> {Serial20, Serial29}));
    auto *voltages = overview->findChild<QTableWidget *>(QStringLiteral("voltageTable"));
    QVERIFY(voltages);
    QCOMPARE(voltages->horizontalHeaderItem(0)->text(), QStringLiteral("VME BA 0x4000"));
    QCOMPARE(voltages->horizontalHeaderItem(1)->text(), QStringLiteral("VME BA 0x8000"));
    QCOMPARE(voltages->horizontalHeaderItem(1)->toolTip(),
             QStringLiteral("Serial number\t4712\nFirmware\tDC29\nVersion\t12.34"));

    SignalLog log(&window);
    QVERIFY(refreshRow(window, 0));
    QCOMPARE(log.count("updateAllModulesComplete"), 1);
    // After the interlock output: each module's temperature and its channels.
    const QList<QByteArray> names = log.names();
    const int start = names.indexOf("updateInterlockChannelEverTriggered") + 1;
    QList<QByteArray> pass;
    for (int rows : {Rows20, Rows29}) {
        pass << "updateModuleTemperature";
        for (int ch = 0; ch < rows; ++ch)
            pass << "updateChannelVoltageMeasure"
                 << "updateChannelCurrentMeasure"
                 << "updateChannelVoltage"
                 << "updateChannelStatus";
    }
    pass << "updateAllModulesComplete";
    QCOMPARE(names.mid(start, pass.size()), pass);
    QCOMPARE(names.mid(start + pass.size(), 3), EveryRowSignals);
    const QList<SignalLog::Entry> temperatures = log.of("updateModuleTemperature");
    QCOMPARE(temperatures.at(1).args.at(0).toInt(), Serial20);
    QCOMPARE(temperatures.at(2).args.at(0).toInt(), Serial29);
    const SignalLog::Entry last = log.entries().at(start + pass.size() - 5);
    QCOMPARE(last.args.mid(0, 2), (QVariantList {Serial29, 23}));
    QCOMPARE(voltages->item(23, 1)->text(), QStringLiteral("1234.5"));
    QCOMPARE(voltages->item(23, 1)->foreground().color(), QColor(Qt::green));

    // Hidden: no pass.
    overview->hide();
    log.clear();
    QVERIFY(refreshRow(window, 0));
    QCOMPARE(log.count("updateAllModulesComplete"), 0);
    QCOMPARE(log.count("updateModuleTemperature"), 1);

    // Shown again: the same dialog, fed again.
    action(window, "actionModuleOverview")->trigger();
    QCOMPARE(window.findChildren<DialogOverview *>().size(), 1);
    QVERIFY(overview->isVisible());
    log.clear();
    QVERIFY(refreshRow(window, 0));
    QCOMPARE(log.count("updateAllModulesComplete"), 1);
}

void TestNorvControlRefresh::pendingOnceRunTakesMeasurementsFromTheAllModulesPass()
{
    PromptRecorder prompt;
    OnceRunWindow window(QStringList {});
    stopRefreshTimer(window);
    window.refreshTimerUpdate();
    window.pending = true;

    SignalLog log(&window);
    window.refreshTimerUpdate();
    QCOMPARE(log.names(), TickStart + QList<QByteArray> {"updateChannelVoltage"});

    log.clear();
    QVERIFY(refreshRow(window, 0));
    QCOMPARE(log.count("updateAllModulesComplete"), 1);
    // Every channel of every module exactly once, from the pass alone.
    QSet<QPair<int, int>> measured;
    for (const SignalLog::Entry &entry : log.of("updateChannelVoltageMeasure"))
        measured.insert({entry.args.at(0).toInt(), entry.args.at(1).toInt()});
    QCOMPARE(log.count("updateChannelVoltageMeasure"), Rows20 + Rows29);
    QCOMPARE(measured.size(), Rows20 + Rows29);
    QCOMPARE(log.count("updateChannelCurrentMeasure"), Rows20 + Rows29);
    QCOMPARE(log.names().last(), QByteArray("updateChannelVoltage"));

    window.pending = false;
    log.clear();
    window.refreshTimerUpdate();
    QCOMPARE(log.names(), TickStart + EveryRowSignals);
}

void TestNorvControlRefresh::requestsReachTheCurrentModule()
{
    PromptRecorder prompt;
    NorvControl window(QStringList {});
    stopRefreshTimer(window);
    action(window, "actionNextModule")->trigger();
    BaseModule *module = window.module(1);
    norvsim_reset_counters();

    window.setChannelControl(2, 0x0008);
    QCOMPARE(TestCrate::channelControl(Base29, 29, 2), 0x0008u);
    window.setChannelControl(2, 0x0000);
    QVERIFY(module->GetChannelEventStatus(2) & 0x0008); // on to off
    window.clearChannelEvents(2);
    QCOMPARE(module->GetChannelEventStatus(2) & 0x0008, 0u);
    window.setChannelEventMask(2, 0x0030);
    QCOMPARE(module->GetChannelEventMask(2), 0x0030u);
    window.setModuleEventMask(0x2000);
    QCOMPARE(module->GetModuleEventMask(), 0x2000u);
    window.setRestartTime(7);
    QCOMPARE(module->GetModuleRestartTime(), 7u);
    window.setModuleEventChannelMask(0x00FF00);
    QCOMPARE(module->GetModuleEventChannelMask(), 0x00FF00u);
    window.setModuleEventGroupMask(0x3);
    QCOMPARE(module->GetModuleEventGroupMask(), 0x3u);
    window.clearModuleEvents();
    window.clearModuleEventChannelStatus();
    window.clearModuleEventGroupStatus();
    window.setModuleControl(0x4000);
    QVERIFY(module->GetModuleKillEnable());
    // Nothing went to the module that is not shown.
    QCOMPARE(cycles(Base20), qint64(0));

    // The interlock output belongs to layout 20; the serial number passed is not looked at.
    action(window, "actionPreviousModule")->trigger();
    window.setInterlockOutControl(9999, 0x0021);
    QCOMPARE(window.module(0)->GetModuleIlkOutControl(), 0x0021u);
}

void TestNorvControlRefresh::flexGroupRequestsTakeGroupsZeroToThirtyOne()
{
    PromptRecorder prompt;
    NorvControl window(QStringList {});
    stopRefreshTimer(window);
    QSignalSpy groups(&window, &NorvControl::updateModuleFlexGroups);

    window.setFlexGroup(5, 0x0F0F, 0x0003);
    window.setFlexGroup(31, 0x0001, 0x0001);
    window.getFlexGroupData(5);
    QCOMPARE(groups.size(), 1);
    QCOMPARE(groups.first(), (QVariantList {Serial20, 5, 0x0F0Fu, 0x0003u}));
    window.getFlexGroupData(31);
    QCOMPARE(groups.size(), 2);
    QCOMPARE(groups.last().at(2).toUInt(), 0x0001u);

    norvsim_reset_counters();
    window.getFlexGroupData(32);
    window.getFlexGroupData(-1);
    window.setFlexGroup(-1, 0xFFFF, 0xFFFF);
    window.setFlexGroup(32, 0xFFFF, 0xFFFF);
    QCOMPARE(groups.size(), 2);
    QCOMPARE(cycles(Base20), qint64(0));
}

void TestNorvControlRefresh::nominalsChangeOnlyInStopMode()
{
    PromptRecorder prompt;
    NorvControl window(QStringList {});
    stopRefreshTimer(window);

    norvsim_reset_counters();
    window.setChannelVoltageNominal(1, 2000.0f);
    window.setChannelCurrentNominal(1, 2.0f);
    QCOMPARE(norvsim_channel_value(Base20, 1, NORVSIM_VNOM), 3000.0);
    // One status read each, nothing written.
    QCOMPARE(cycles(Base20), qint64(2));

    window.setModuleControl(0x0004);
    norvsim_advance_ms(1);
    window.setChannelVoltageNominal(1, 2000.0f);
    window.setChannelCurrentNominal(1, 2.0f);
    QCOMPARE(norvsim_channel_value(Base20, 1, NORVSIM_VNOM), 2000.0);
    QVERIFY(near(norvsim_channel_value(Base20, 1, NORVSIM_INOM), 0.002));
}

void TestNorvControlRefresh::cratePowerRequestLeavesTheRefreshAlone()
{
    PromptRecorder prompt;
    NorvControl window(QStringList {});
    window.refreshTimerUpdate();
    QPointer<BaseModule> first = window.module(0);
    norvsim_reset_counters();

    window.setCratePowerOn(1, false);
    window.setCratePowerOn(1, true);
    QVERIFY(window.isRefreshRunning());
    QVERIFY(table(window)->isEnabled());
    QCOMPARE(window.module(0), first.data());
    QCOMPARE(cycles(Base20) + cycles(Base29), qint64(0));
}

void TestNorvControlRefresh::autoTimerRequests()
{
    PromptRecorder prompt;
    NorvControl window(QStringList {});
    QTimer *autoTimer = nullptr;
    for (QTimer *timer : window.findChildren<QTimer *>()) {
        if (timer->interval() == 30000)
            autoTimer = timer;
    }
    QVERIFY(autoTimer);
    QVERIFY(!autoTimer->isActive());

    QTest::ignoreMessage(QtDebugMsg, "autoTimer interval 5000");
    window.autoTimerIntervalChanged(5000);
    QCOMPARE(autoTimer->interval(), 5000);
    QTest::ignoreMessage(QtDebugMsg, "autoTimer enabled true");
    window.autoTimerEnabled(true);
    QVERIFY(autoTimer->isActive());
    QTest::ignoreMessage(QtDebugMsg, "autoTimer enabled false");
    window.autoTimerEnabled(false);
    QVERIFY(!autoTimer->isActive());
    QVERIFY(window.isRefreshRunning());
}

void TestNorvControlRefresh::specialControlCommandsSteerTheRefresh()
{
    PromptRecorder prompt;
    NorvControl window(QStringList {});
    stopRefreshTimer(window);
    const QRegularExpression sent(QStringLiteral("^\\d+: Send SpecialControlCommand [0-9A-F]+$"));

    QTest::ignoreMessage(QtDebugMsg, sent);
    window.setSpecialControl(7);
    QVERIFY(window.isRefreshRunning());
    QTest::ignoreMessage(QtDebugMsg, sent);
    window.setSpecialControl(14);
    QVERIFY(!window.isRefreshRunning());
    QCOMPARE(norvsim_register(Base20, 0x3B2), qint64(14));
    QTest::ignoreMessage(QtDebugMsg, sent);
    window.setSpecialControl(3);
    QVERIFY(window.isRefreshRunning());

    // Live insertion of one module: the next one becomes current.
    QTest::ignoreMessage(
        QtDebugMsg, QRegularExpression(QStringLiteral("^\\d+: Send SpecialControlCommand C$")));
    window.setSpecialControl(12);
    QCOMPARE(norvsim_register(Base20, 0x3B2), qint64(12));
    QCOMPARE(window.currentModuleIndex(), 1);
    QCOMPARE(window.findChild<QListWidget *>(QStringLiteral("lstModules"))->currentRow(), 1);
    QVERIFY(window.isRefreshRunning());
    QTest::ignoreMessage(QtDebugMsg, sent);
    window.setSpecialControl(12);
    QCOMPARE(window.currentModuleIndex(), 0);

    // With a single module there is nothing to move on to.
    QVERIFY(TestCrate::resetFrom(m_dir.path(), QJsonArray {moduleDescription("0x4000", 20, 1)}));
    NorvControl single(QStringList {});
    QVERIFY(single.isRefreshRunning());
    QTest::ignoreMessage(QtDebugMsg, sent);
    single.setSpecialControl(12);
    QVERIFY(!single.isRefreshRunning());
    QCOMPARE(single.currentModuleIndex(), 0);
}

void TestNorvControlRefresh::hexLinesReachTheModule()
{
    PromptRecorder prompt;
    NorvControl window(QStringList {});
    stopRefreshTimer(window);
    norvsim_reset_counters();
    QTest::ignoreMessage(QtDebugMsg,
                         QRegularExpression(QStringLiteral("^\\d+: Sending Hex Line S1130000$")));
    window.sendHexLine(QByteArrayLiteral("S1130000"));
    // Four 16-bit words into the buffer, then the record-ready command.
    QCOMPARE(cycles(Base20), qint64(4 + 1));
    QCOMPARE(cycles(Base29), qint64(0));
}

QTEST_MAIN(TestNorvControlRefresh)
#include "tst_norvcontrol_refresh.moc"
