// The refresh cycle of the main window over the simulated crate: what one
// tick shows and reports, in which order, table edits, the requests with
// rules of their own, and the detail dialogs it feeds. Simulated time is
// frozen (NORV_SIM_TIMESCALE=0) and the refresh timer is stopped, so every
// test drives the ticks itself.
#include "PromptRecorder.h"
#include "TestCrate.h"

#include <BaseModule.h>
#include <DialogChannelBounds.h>
#include <DialogChannelControl.h>
#include <DialogOverview.h>
#include <HvTable.h>
#include <NorvControl.h>
#include <TarnChannelStatusBits.h>
#include <norvsim.h>

#include <QAction>
#include <QCheckBox>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QLineEdit>
#include <QMetaMethod>
#include <QPointer>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <memory>

namespace {

constexpr int Base20 = 0x4000;
constexpr int Base29 = 0x8000;
constexpr int Serial20 = 4711;
constexpr int Serial29 = 4712;
constexpr int Rows20 = 12;
constexpr int Rows29 = 24;
constexpr int StatusColumn = 6;
// Layout-20 channel registers: the control word's address, the voltage limit offsets.
quint32 control20(int ch) { return Base20 + 0x60 + 0x30 * ch + 0x02; }
quint32 voltageIlkMax20(int ch) { return 0x60 + 0x30 * ch + 0x18; }
quint32 voltageIlkMin20(int ch) { return 0x60 + 0x30 * ch + 0x28; }

HvTable *table(NorvControl &window) { return window.findChild<HvTable *>(QStringLiteral("table")); }

QString cellText(NorvControl &window, int row, int column)
{
    QTableWidgetItem *item = table(window)->item(row, column);
    return item ? item->text() : QString();
}

void trigger(NorvControl &window, const char *name)
{
    window.findChild<QAction *>(QString::fromLatin1(name))->trigger();
}

// Ticks until the next tick refreshes `row` (row 0: the tick with the module
// step), then runs that tick.
bool refreshRow(NorvControl &window, int row)
{
    for (int tick = 0; tick < 2 * NorvControl::MaxModules; ++tick) {
        const int cursor = window.rowCursor();
        window.refreshTimerUpdate();
        if (cursor == row || (row == 0 && cursor >= table(window)->rowCount()))
            return true;
    }
    return false;
}

bool near(double actual, double expected) { return qAbs(actual - expected) < 1e-4; }

// Opens the editor of a cell as an operator does (F2) and selects its text.
QLineEdit *startEdit(HvTable *view, int row, int column)
{
    view->setCurrentCell(row, column);
    QTest::keyClick(view, Qt::Key_F2);
    for (QLineEdit *edit : view->viewport()->findChildren<QLineEdit *>()) {
        if (edit->isVisible()) {
            edit->selectAll();
            return edit;
        }
    }
    return nullptr;
}

QList<QByteArray> names(const char *list) { return QByteArray(list).split(' '); }

/// Records the update signals of a main window in the order they come:
/// their names without the "update" prefix, and their arguments.
class SignalLog : public QObject
{
    Q_OBJECT

public:
    explicit SignalLog(NorvControl *window)
    {
        const QMetaObject &meta = NorvControl::staticMetaObject;
        const QMetaMethod record = metaObject()->method(metaObject()->indexOfSlot("record()"));
        for (int index = meta.methodOffset(); index < meta.methodCount(); ++index) {
            const QMetaMethod method = meta.method(index);
            if (method.methodType() != QMetaMethod::Signal || !method.name().startsWith("update"))
                continue;
            // Connected first, the spy holds the arguments when record() runs.
            m_spies.insert(index, new QSignalSpy(window, method));
            connect(window, method, this, record);
        }
    }
    ~SignalLog() override { qDeleteAll(m_spies); }

    const QList<QByteArray> &names() const { return m_names; }
    const QList<QVariantList> &args() const { return m_args; }
    int count(const QByteArray &name) const { return int(m_names.count(name)); }
    void clear()
    {
        m_names.clear();
        m_args.clear();
    }

public slots:
    void record()
    {
        m_names << sender()->metaObject()->method(senderSignalIndex()).name().mid(6);
        m_args << m_spies.value(senderSignalIndex())->takeFirst();
    }

private:
    QHash<int, QSignalSpy *> m_spies;
    QList<QByteArray> m_names;
    QList<QVariantList> m_args;
};

/// A main window whose statistic dialog has a once-run pending.
class OnceRunWindow : public NorvControl
{
public:
    using NorvControl::NorvControl;
    bool pending = false;
    bool onceRunPending() const override { return pending; }
};

const QList<QByteArray> TickStart = names("ModuleControl ModuleStatus");
const QList<QByteArray> ModuleStep
    = names("ModuleSupplyP5 ModuleSupplyP12 ModuleSupplyN12 ModuleTemperature "
            "ModuleVoltageHardwareLimit ModuleCurrentHardwareLimit ModuleControl ModuleStatus "
            "ModuleEventStatus ModuleEventMask ModuleRestartTime ModuleEventChannelStatus "
            "ModuleEventChannelMask ModuleEventGroupStatus ModuleEventGroupMask");
const QList<QByteArray> Interlock
    = names("InterlockStatus InterlockControl InterlockCount InterlockLastTrigger "
            "InterlockChannelActualActive InterlockChannelEverTriggered");
const QList<QByteArray> EveryRow
    = names("ChannelVoltage ChannelVoltageMeasure ChannelCurrentMeasure");
const QList<QByteArray> SelectedRow = names(
    "ChannelControl ChannelStatus ChannelEventStatus ChannelEventMask ChannelVoltageNominal "
    "ChannelCurrentNominal ChannelVoltageInterlockMaxSet ChannelVoltageInterlockMinSet "
    "ChannelCurrentInterlockMaxSet ChannelCurrentInterlockMinSet");

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
    void stopAndSpecialModeShapeTheModuleStep();
    void statusCellFollowsTheSimulatedChannel();
    void rowCursorSurvivesModuleChanges();
    void allModulesPassWhileOverviewShownOrOnceRunPending();
    void tableEditsReachTheShownModule();

    void channelBoundsAreWrittenOnceTheControlWordIsTaken();
    void channelBoundsGiveUpWhenRefusedOrRebuilt();
    void flexGroupsAndNominalsAreGuarded();

    void channelDialogFollowsTheSelectedChannel();
    void setBoundsReachesTheInterlockRegisters();

private:
    /// Takes over `window` (a plain main window when null) with its refresh timer stopped.
    NorvControl &start(NorvControl *window = nullptr);

    QTemporaryDir m_dir;
    std::unique_ptr<PromptRecorder> m_prompt;
    std::unique_ptr<NorvControl> m_window;
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
    m_prompt = std::make_unique<PromptRecorder>();
    // A connection the main window cannot make to a dialog is logged by DialogWiring.
    QTest::failOnWarning(QRegularExpression(QStringLiteral("cannot connect")));
}

void TestNorvControlRefresh::cleanup()
{
    norvsim_trace(nullptr);
    m_window.reset();
    m_prompt.reset();
}

NorvControl &TestNorvControlRefresh::start(NorvControl *window)
{
    m_window.reset(window ? window : new NorvControl(QStringList {}));
    for (QTimer *timer : m_window->findChildren<QTimer *>()) {
        if (timer->interval() == 20)
            timer->stop();
    }
    return *m_window;
}

void TestNorvControlRefresh::onePassShowsEveryRowFormatted()
{
    NorvControl &window = start();
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
    }
    QCOMPARE(window.rowCursor(), Rows20);
}

void TestNorvControlRefresh::moduleAndChannelStepsEmitInOrder()
{
    NorvControl &window = start();
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
    QCOMPARE(log.names(), TickStart + EveryRow);
    for (const QVariantList &args : log.args())
        QCOMPARE(args.at(0).toInt(), Serial20);
    QCOMPARE(log.args().at(2).at(1).toInt(), 1);

    // Back at row 0: the module step comes first, then the selected row.
    log.clear();
    QVERIFY(refreshRow(window, 0));
    QList<QByteArray> expected;
    for (int tick = 0; tick < Rows20 - 2; ++tick)
        expected += TickStart + EveryRow;
    expected += TickStart + ModuleStep + Interlock + EveryRow + SelectedRow;
    QCOMPARE(log.names(), expected);

    const QList<QVariantList> step = log.args().mid(expected.size() - 36);
    QVERIFY(near(step.at(2).at(1).toFloat(), 5.02)); // +5 V supply
    QVERIFY(near(step.at(4).at(1).toFloat(), -11.9));
    QVERIFY(near(step.at(5).at(1).toFloat(), 31.5)); // temperature
    // The control and status read at the start of the tick are reported again.
    QCOMPARE(step.at(8), step.at(0));
    QCOMPARE(step.at(9), step.at(1));
    QCOMPARE(step.at(1).at(1).toUInt(), quint32(norvsim_register(Base20, 0x00)));

    const QList<QVariantList> row = log.args().mid(expected.size() - 13);
    QCOMPARE(row.at(0), (QVariantList {Serial20, 0, 1500.0f, QStringLiteral("V")}));
    QCOMPARE(row.at(1), (QVariantList {Serial20, 0, 1499.5f, QStringLiteral("V")}));
    QCOMPARE(row.at(2).at(3).toString(), QStringLiteral("mA"));
    QCOMPARE(row.at(6).at(2).toUInt(), 0x0010u); // event mask
    QCOMPARE(row.at(7), (QVariantList {Serial20, 0, 3000.0f, QStringLiteral("V")}));
    QVERIFY(near(row.at(8).at(2).toFloat(), 3.0));
    QCOMPARE(row.at(9).at(2).toFloat(), 2500.0f);
    QCOMPARE(row.at(10).at(2).toFloat(), 100.0f);
    QVERIFY(near(row.at(11).at(2).toFloat(), 2.5));
    QVERIFY(near(row.at(12).at(2).toFloat(), 0.5));
    QCOMPARE(row.at(12).at(3).toString(), QStringLiteral("mA"));

    // The selected row's words, as mnemonics.
    QCOMPARE(window.findChild<QLabel *>(QStringLiteral("lblChannelStatus"))->text(),
             TarnChannelStatusBits().statusBitText(quint32(norvsim_register(Base20, 0x60))));
    QCOMPARE(window.findChild<QLabel *>(QStringLiteral("lblChannelEventMask"))->text(),
             QStringLiteral("0x0010"));
    QCOMPARE(window.rowCursor(), 1);
}

void TestNorvControlRefresh::stopAndSpecialModeShapeTheModuleStep()
{
    NorvControl &window = start();
    window.refreshTimerUpdate();
    window.setModuleControl(0x0004);
    norvsim_advance_ms(1);
    QVERIFY(norvsim_register(Base20, 0x00) & 0x0004);

    // Stop mode, where nominals may change: after the module words and
    // before the interlock output, every channel's hardware nominals.
    SignalLog log(&window);
    QVERIFY(refreshRow(window, 0));
    const int first = int(log.names().indexOf("ModuleEventGroupMask")) + 1;
    for (int ch = 0; ch < Rows20; ++ch) {
        QCOMPARE(log.names().mid(first + 2 * ch, 2),
                 names("ChannelVoltageHardwareNominal ChannelCurrentHardwareNominal"));
        QCOMPARE(log.args().at(first + 2 * ch),
                 (QVariantList {Serial20, ch, 3000.0f, QStringLiteral("V")}));
        const QVariantList current = log.args().at(first + 2 * ch + 1);
        QCOMPARE(current.mid(0, 2), (QVariantList {Serial20, ch}));
        QVERIFY(near(current.at(2).toFloat(), 3.0));
        QCOMPARE(current.at(3).toString(), QStringLiteral("mA"));
    }
    QCOMPARE(log.names().at(first + 2 * Rows20), QByteArray("InterlockStatus"));
    window.refreshTimerUpdate();
    QCOMPARE(window.rowCursor(), 2);

    // Special mode (special request and stop, channels idle): module steps
    // only, ending after the special-control readout, the cursor at row 0.
    window.setModuleControl(0x0005);
    norvsim_advance_ms(1);
    QVERIFY(norvsim_register(Base20, 0x00) & 0x0040);
    for (int tick = 0; tick < 2; ++tick) {
        log.clear();
        QTest::ignoreMessage(QtDebugMsg,
                             QRegularExpression(QStringLiteral(
                                 "^\\d+: SpecialControlCommand = 00000000, SpecialControlStatus "
                                 "= 00000080$")));
        window.refreshTimerUpdate();
        QCOMPARE(log.names(), TickStart + ModuleStep + names("ModuleSpecialControlStatus"));
        QCOMPARE(log.args().last(), (QVariantList {Serial20, 0u, 0x80u}));
        QCOMPARE(window.rowCursor(), 0);
    }

    // Normal mode: channel steps resume at row 0; no hardware nominals.
    window.setModuleControl(0x0000);
    norvsim_advance_ms(1);
    log.clear();
    window.refreshTimerUpdate();
    QCOMPARE(log.names(), TickStart + EveryRow);
    QCOMPARE(log.args().at(2).at(1).toInt(), 0);
    QVERIFY(refreshRow(window, 0));
    QCOMPARE(log.count("ChannelVoltageHardwareNominal"), 0);
}

void TestNorvControlRefresh::statusCellFollowsTheSimulatedChannel()
{
    NorvControl &window = start();
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
    const QStringList texts {
        "Ramp", "Voltage Control", "Current Control", "Current Control", "Emergency", "Inhibit",
        "Off",  "Emergency"};
    const QList<Qt::GlobalColor> colours {Qt::green, Qt::green, Qt::green,  Qt::yellow,
                                          Qt::red,   Qt::red,   Qt::yellow, Qt::red};
    for (int row = 0; row < 8; ++row) {
        QCOMPARE(cellText(window, row, StatusColumn), texts.at(row));
        QCOMPARE(table(window)->item(row, StatusColumn)->background().color(),
                 QColor(colours.at(row)));
    }

    // The cell follows the channel: the inhibit lifted and switched on again.
    QCOMPARE(norvsim_inject_inhibit(Base20, 5, 0), 0);
    module->SetChannelOff(5);
    module->SetChannelVoltageSet(5, 50.0f);
    module->SetChannelOn(5);
    QVERIFY(refreshRow(window, 5));
    QCOMPARE(cellText(window, 5, StatusColumn), QStringLiteral("Ramp"));
}

void TestNorvControlRefresh::rowCursorSurvivesModuleChanges()
{
    NorvControl &window = start();
    for (int tick = 0; tick < 8; ++tick)
        window.refreshTimerUpdate();

    // More rows on the next module: it carries on with row 8.
    SignalLog log(&window);
    trigger(window, "actionNextModule");
    window.refreshTimerUpdate();
    QCOMPARE(table(window)->rowCount(), Rows29);
    QCOMPARE(log.names(), TickStart + EveryRow);
    QCOMPARE(log.args().at(2).mid(0, 2), (QVariantList {Serial29, 8}));

    // Class 29 has no module-wide current ramp speed.
    QVERIFY(refreshRow(window, 0));
    QCOMPARE(window.findChild<QLabel *>(QStringLiteral("lblIRampSpeed"))->text(),
             QStringLiteral("-----"));
    // Fewer rows: the cursor is past the end, so the module step comes first.
    while (window.rowCursor() < 20)
        window.refreshTimerUpdate();
    trigger(window, "actionPreviousModule");
    log.clear();
    window.refreshTimerUpdate();
    QCOMPARE(table(window)->rowCount(), Rows20);
    QCOMPARE(log.names(), TickStart + ModuleStep + Interlock + EveryRow);
    QCOMPARE(log.args().last().mid(0, 2), (QVariantList {Serial20, 0}));
}

void TestNorvControlRefresh::allModulesPassWhileOverviewShownOrOnceRunPending()
{
    auto *onceRun = new OnceRunWindow(QStringList {});
    NorvControl &window = start(onceRun);
    window.refreshTimerUpdate();
    window.module(1)->SetChannelVoltageSet(23, 1234.2f);
    QCOMPARE(norvsim_set_channel_value(Base29, 23, NORVSIM_VOUT, 1234.5), 0);

    trigger(window, "actionModuleOverview");
    auto *overview = window.findChild<DialogOverview *>();
    QVERIFY(overview && overview->isVisible());
    SignalLog log(&window);
    QVERIFY(refreshRow(window, 0));
    // After the interlock output: each module's temperature and its channels.
    const QList<QByteArray> logged = log.names();
    const int first = int(logged.indexOf("InterlockChannelEverTriggered")) + 1;
    QList<QByteArray> pass;
    for (int rows : {Rows20, Rows29}) {
        pass << "ModuleTemperature";
        for (int ch = 0; ch < rows; ++ch)
            pass += names(
                "ChannelVoltageMeasure ChannelCurrentMeasure ChannelVoltage ChannelStatus");
    }
    pass << "AllModulesComplete";
    QCOMPARE(logged.mid(first), pass + EveryRow);
    auto *voltages = overview->findChild<QTableWidget *>(QStringLiteral("voltageTable"));
    QCOMPARE(voltages->item(23, 1)->text(), QStringLiteral("1234.5"));
    QCOMPARE(voltages->item(23, 1)->foreground().color(), QColor(Qt::green));

    overview->hide();
    log.clear();
    QVERIFY(refreshRow(window, 0));
    QCOMPARE(log.count("AllModulesComplete"), 0);

    // A pending once-run takes the measurements from the pass alone.
    onceRun->pending = true;
    window.refreshTimerUpdate();
    log.clear();
    window.refreshTimerUpdate();
    QCOMPARE(log.names(), TickStart + names("ChannelVoltage"));
    QVERIFY(refreshRow(window, 0));
    QCOMPARE(log.count("AllModulesComplete"), 1);
    QCOMPARE(log.count("ChannelVoltageMeasure"), Rows20 + Rows29);
    QCOMPARE(log.count("ChannelCurrentMeasure"), Rows20 + Rows29);
}

void TestNorvControlRefresh::tableEditsReachTheShownModule()
{
    NorvControl &window = start();
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    for (int tick = 0; tick < Rows20; ++tick)
        window.refreshTimerUpdate();
    HvTable *view = table(window);

    QLineEdit *editor = startEdit(view, 2, 0);
    QVERIFY(editor);
    QTest::keyClicks(editor, QStringLiteral("250.5"));
    QTest::keyClick(editor, Qt::Key_Return);
    QTRY_COMPARE(norvsim_channel_value(Base20, 2, NORVSIM_VSET), 250.5);
    QVERIFY(refreshRow(window, 2));
    QCOMPARE(cellText(window, 2, 0), QStringLiteral("250.5"));

    // Not a number: not a single bus cycle (counted once the selection,
    // which reads the serial number, has moved).
    const double iset = norvsim_channel_value(Base20, 4, NORVSIM_ISET);
    editor = startEdit(view, 4, 3);
    QVERIFY(editor);
    norvsim_reset_counters();
    QTest::keyClicks(editor, QStringLiteral("abc"));
    QTest::keyClick(editor, Qt::Key_Return);
    QTRY_COMPARE(view->editRow(), -1);
    QTest::qWait(20);
    QCOMPARE(norvsim_cycle_count(Base20), qint64(0));
    QCOMPARE(norvsim_channel_value(Base20, 4, NORVSIM_ISET), iset);

    // While a set value is edited the refresh updates the rest of its row only.
    QVERIFY(startEdit(view, 5, 0));
    QCOMPARE(view->editRow(), 5);
    window.module(0)->SetChannelVoltageSet(5, 777.0f);
    QCOMPARE(norvsim_set_channel_value(Base20, 5, NORVSIM_VOUT, 123.4), 0);
    QVERIFY(refreshRow(window, 5));
    QCOMPARE(cellText(window, 5, 0), QStringLiteral("0.0"));
    QCOMPARE(cellText(window, 5, 1), QStringLiteral("123.4"));
    QCOMPARE(cellText(window, 5, StatusColumn), QStringLiteral("Ramp"));
    // Abandoned: the refresh owns the cell again.
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
    QTRY_COMPARE(view->editRow(), -1);
    QVERIFY(refreshRow(window, 5));
    QCOMPARE(cellText(window, 5, 0), QStringLiteral("777.0"));

    // The current is given in the module's unit, mA; edits go to the module shown.
    emit view->cellDataChanged(4, 3, QStringLiteral("1.5"));
    QVERIFY(near(norvsim_channel_value(Base20, 4, NORVSIM_ISET), 0.0015));
    trigger(window, "actionNextModule");
    emit view->cellDataChanged(0, 0, QStringLiteral("250"));
    QCOMPARE(norvsim_channel_value(Base29, 0, NORVSIM_VSET), 250.0);
    QCOMPARE(norvsim_channel_value(Base20, 0, NORVSIM_VSET), 0.0);
}

void TestNorvControlRefresh::channelBoundsAreWrittenOnceTheControlWordIsTaken()
{
    NorvControl &window = start();
    BaseModule *module = window.module(0);
    module->SetChannelOn(3);
    module->SetChannelCurrentIlkMinSet(3, 0.25f);
    QVERIFY(TestCrate::startTrace(m_dir.path()));
    window.setChannelBounds(3, true, 2500.0f, 100.0f, false, 2.5f, 0.5f);
    // The word is read once to modify it and once to see it taken.
    QCOMPARE(TestCrate::stopTrace('R').count(control20(3)), 2);
    QCOMPARE(TestCrate::channelControl(Base20, 20, 3), 0x0808u);
    QCOMPARE(module->GetChannelVoltageIlkMaxSet(3), 2500.0f);
    QCOMPARE(module->GetChannelVoltageIlkMinSet(3), 100.0f);
    QVERIFY(near(module->GetChannelCurrentIlkMaxSet(3), 2.5));
    // Symmetric current bounds: the lower current limit is not written.
    QVERIFY(near(module->GetChannelCurrentIlkMinSet(3), 0.25));

    window.setChannelBounds(3, false, 2000.0f, 50.0f, true, 2.0f, 0.75f);
    QCOMPARE(TestCrate::channelControl(Base20, 20, 3), 0x0408u);
    QCOMPARE(module->GetChannelVoltageIlkMaxSet(3), 2000.0f);
    QCOMPARE(module->GetChannelVoltageIlkMinSet(3), 100.0f);
    QVERIFY(near(module->GetChannelCurrentIlkMinSet(3), 0.75));
    QVERIFY(m_prompt->shown().isEmpty());
}

void TestNorvControlRefresh::channelBoundsGiveUpWhenRefusedOrRebuilt()
{
    const QJsonObject refuse {
        {QStringLiteral("faults"), QJsonObject {{QStringLiteral("refuse_channel_control"), true}}}};
    QVERIFY2(TestCrate::resetFrom(m_dir.path(),
                                  QJsonArray {TestCrate::module(Base20, 20, Serial20, refuse)}),
             norvsim_last_error());
    NorvControl &window = start();
    const qint64 voltageMax = norvsim_register(Base20, voltageIlkMax20(1));
    const qint64 voltageMin = norvsim_register(Base20, voltageIlkMin20(1));
    QVERIFY(TestCrate::startTrace(m_dir.path()));
    window.setChannelBounds(1, true, 2500.0f, 100.0f, false, 2.5f, 0.5f);
    // One read to modify, 199 to wait for it; no limit is written.
    QCOMPARE(TestCrate::stopTrace('R').count(control20(1)), 1 + 199);
    QCOMPARE(m_prompt->shown().size(), 1);
    const PromptRecorder::Shown shown = m_prompt->shown().first();
    QCOMPARE(shown.kind, QStringLiteral("information"));
    QCOMPARE(shown.title, QStringLiteral("norv VME Control"));
    QCOMPARE(shown.text, QStringLiteral("Error setting Channel 1 Control word. Giving up."));
    QCOMPARE(shown.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    QCOMPARE(norvsim_register(Base20, voltageIlkMax20(1)), voltageMax);
    QCOMPARE(norvsim_register(Base20, voltageIlkMin20(1)), voltageMin);

    // The operator picks the controller again while the request waits: the
    // wait must not go on with the deleted module object.
    QPointer<BaseModule> before = window.module(0);
    QVERIFY(TestCrate::startTrace(m_dir.path()));
    QVERIFY(QMetaObject::invokeMethod(&window, "initModuleAccess", Qt::QueuedConnection));
    window.setChannelBounds(1, true, 2500.0f, 100.0f, false, 2.5f, 0.5f);
    QVERIFY(TestCrate::stopTrace('R').count(control20(1)) < 10);
    QVERIFY(before.isNull());
    QVERIFY(window.module(0));
    QCOMPARE(m_prompt->shown("information").size(), 2);
    QCOMPARE(norvsim_register(Base20, voltageIlkMax20(1)), voltageMax);
}

void TestNorvControlRefresh::flexGroupsAndNominalsAreGuarded()
{
    NorvControl &window = start();
    QSignalSpy groups(&window, &NorvControl::updateModuleFlexGroups);
    window.setFlexGroup(5, 0x0F0F, 0x0003);
    window.setFlexGroup(31, 0x0001, 0x0001);
    window.getFlexGroupData(5);
    window.getFlexGroupData(31);
    QCOMPARE(groups.size(), 2);
    QCOMPARE(groups.first(), (QVariantList {Serial20, 5, 0x0F0Fu, 0x0003u}));
    QCOMPARE(groups.last().at(2).toUInt(), 0x0001u);
    // Only groups 0 ... 31 exist: nothing is read or written for others.
    norvsim_reset_counters();
    window.getFlexGroupData(32);
    window.getFlexGroupData(-1);
    window.setFlexGroup(-1, 0xFFFF, 0xFFFF);
    window.setFlexGroup(32, 0xFFFF, 0xFFFF);
    QCOMPARE(groups.size(), 2);
    QCOMPARE(norvsim_cycle_count(Base20), qint64(0));

    // Nominals change only in stop mode (status bit 2); else one status read each.
    window.setChannelVoltageNominal(1, 2000.0f);
    window.setChannelCurrentNominal(1, 2.0f);
    QCOMPARE(norvsim_channel_value(Base20, 1, NORVSIM_VNOM), 3000.0);
    QCOMPARE(norvsim_cycle_count(Base20), qint64(2));
    window.setModuleControl(0x0004);
    norvsim_advance_ms(1);
    window.setChannelVoltageNominal(1, 2000.0f);
    window.setChannelCurrentNominal(1, 2.0f);
    QCOMPARE(norvsim_channel_value(Base20, 1, NORVSIM_VNOM), 2000.0);
    QVERIFY(near(norvsim_channel_value(Base20, 1, NORVSIM_INOM), 0.002));
}

void TestNorvControlRefresh::channelDialogFollowsTheSelectedChannel()
{
    NorvControl &window = start();
    trigger(window, "actionStatusControl");
    auto *dialog = window.findChild<DialogChannelControl *>();
    auto *isOn = dialog->findChild<QCheckBox *>(QStringLiteral("chk_isON"));
    window.refreshTimerUpdate();
    table(window)->setCurrentCell(2, 0);
    QVERIFY(refreshRow(window, 2));
    QVERIFY(dialog->windowTitle().contains(QLatin1String("2")));
    QVERIFY(!isOn->isChecked());

    // The operator's tick survives polling until it is sent.
    window.module(0)->SetChannelVoltageSet(2, 1500.0f);
    dialog->findChild<QCheckBox *>(QStringLiteral("chk_setON"))->setChecked(true);
    QVERIFY(refreshRow(window, 2));
    QVERIFY(dialog->findChild<QCheckBox *>(QStringLiteral("chk_setON"))->isChecked());
    QCOMPARE(TestCrate::channelControl(Base20, 20, 2) & 0x0008, 0u);

    // Switched on by the dialog's own request; the channel ramps (300 V/s) to its set value.
    QTest::mouseClick(dialog->findChild<QPushButton *>(QStringLiteral("btnSetControl")),
                      Qt::LeftButton);
    QCOMPARE(TestCrate::channelControl(Base20, 20, 2) & 0x0008, 0x0008u);
    norvsim_advance_ms(2500);
    QVERIFY(refreshRow(window, 2));
    QVERIFY(isOn->isChecked());
    QVERIFY(dialog->findChild<QCheckBox *>(QStringLiteral("chk_isRAMP"))->isChecked());
    norvsim_advance_ms(5000);
    QVERIFY(refreshRow(window, 2));
    QVERIFY(!dialog->findChild<QCheckBox *>(QStringLiteral("chk_isRAMP"))->isChecked());
    QCOMPARE(norvsim_channel_value(Base20, 2, NORVSIM_VOUT), 1500.0);
}

void TestNorvControlRefresh::setBoundsReachesTheInterlockRegisters()
{
    NorvControl &window = start();
    trigger(window, "actionBounds");
    auto *bounds = window.findChild<DialogChannelBounds *>();
    window.refreshTimerUpdate();
    table(window)->setCurrentCell(4, 3);
    QVERIFY(refreshRow(window, 4));
    auto *voltageMax = bounds->findChild<QDoubleSpinBox *>(QStringLiteral("spbVoltageIlkMax"));
    QCOMPARE(voltageMax->maximum(), 3030.0); // 1 % beyond the nominal
    voltageMax->setValue(2500.0);
    bounds->findChild<QDoubleSpinBox *>(QStringLiteral("spbCurrentIlkMax"))->setValue(2.0); // mA
    QTest::mouseClick(bounds->findChild<QPushButton *>(QStringLiteral("btnSetBounds")),
                      Qt::LeftButton);
    QCOMPARE(window.module(0)->GetChannelVoltageIlkMaxSet(4), 2500.0f);
    QVERIFY(near(window.module(0)->GetChannelCurrentIlkMaxSet(4), 2.0));
    QVERIFY(m_prompt->shown().isEmpty());
}

QTEST_MAIN(TestNorvControlRefresh)
#include "tst_norvcontrol_refresh.moc"
