#pragma once

#include "ModuleSlot.h"
#include "TickReader.h"
#include "TickReading.h"

#include <QElapsedTimer>
#include <QMutex>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QThread>

#include <array>
#include <atomic>
#include <memory>

class BaseController;
class BaseModule;
class CorePrompt;
class CrateView;
class QTimer;
class Sequence;

/// The crate without widgets: the bus controller, the modules found on the
/// bus with their connection states, the current module, the 20 ms refresh
/// cycle with its update signals, and the requests that act on the current
/// module. The window shows what it reports and forwards what the operator
/// does; a headless tool can drive it alone.
///
/// The refresh reads the bus in a thread of its own: each timer tick asks the
/// reader thread for one tick's reading and goes on; the reading comes back
/// as a value, and the update signals go out from it in this object's thread.
/// The next tick comes 20 ms after a reading has been shown.
class CrateCore : public QObject
{
    Q_OBJECT

public:
    static constexpr int MaxModules = 64;
    static constexpr int RefreshIntervalMs = 20;

    explicit CrateCore(QObject *parent = nullptr);
    ~CrateCore() override;

    /// What the tick asks before it reads (not owned; null: no selection, no overview).
    void setView(CrateView *view) { m_view = view; }
    /// Where messages and questions go (not owned; null: the debug output).
    void setPrompt(CorePrompt *prompt) { m_prompt = prompt; }
    /// The controller the next initModuleAccess() opens ("VM-USB" or "V1718"),
    /// instead of the one in the settings store; empty: the settings again.
    /// The store is left as it is.
    void setControllerChoice(const QString &controller) { m_controllerChoice = controller; }
    /// The service word was given: every module's first display opens the factory dialog.
    void setServiceMode(bool on);

    /// The controller, null before the first connection attempt.
    BaseController *controller() const { return m_controller.get(); }
    /// Number of modules found by the last scan.
    int moduleCount() const { return m_moduleCount; }
    /// The module object in `slot`; slot 0 holds a placeholder after a failed connection.
    BaseModule *module(int slot) const;
    /// Connection state (ModuleSlot::State) of `slot`.
    int moduleState(int slot) const;
    /// Slot of the module shown in the table.
    int currentModuleIndex() const { return m_current; }
    /// The module of the current slot; may be the uncounted placeholder.
    BaseModule *currentModule() const { return module(m_current); }
    /// Rows of the shown module's channel table.
    int rowCount() const { return m_rows; }
    /// The table row the next channel step refreshes; module changes leave it alone.
    int rowCursor() const { return m_rowCursor; }
    /// Reads in the reader thread (the default) or, when false, in this
    /// object's thread, as a window without a reader thread would.
    void setThreadedReads(bool on);
    /// Milliseconds since the core was made, for the debug lines.
    qint64 elapsedMs() const { return m_elapsed.elapsed(); }

    /// True while the refresh runs: a controller is connected, the refresh was
    /// started and nothing pauses it.
    bool isRefreshRunning() const;
    /// Lets the refresh run (when a controller is connected and nothing pauses it).
    void startRefresh();
    /// Stops the refresh until the next start.
    void stopRefresh();
    /// Holds the refresh; pauses nest and the refresh resumes with the last one.
    void pauseRefresh();
    void resumeRefresh();

    /// Starts a long operation on the current module, or refuses with a
    /// message (null) while another one runs or no module is there. `name`
    /// is what others who want the module meanwhile are told it is busy with.
    std::unique_ptr<Sequence> beginSequence(const QString &name = QString());
    /// True while a sequence lives.
    bool isSequenceRunning() const { return m_sequence != nullptr; }

    /// Held by another thread (the script thread) around each of its calls on
    /// a module of this core. The core takes it to delete modules and to
    /// begin or end a sequence, so such a call never meets a deleted module
    /// and never starts inside a sequence without seeing it.
    QMutex &moduleUseLock() const { return m_moduleUse; }
    /// The name of the sequence that holds `module`, empty when none. Another
    /// thread asks with moduleUseLock() held.
    QString sequenceHolding(const BaseModule *module) const;

    /// Switches every channel of every module off; returns the modules it
    /// could not reach by address ("VME BA 0x4000"), which may still be on.
    QStringList switchAllModulesOff();
    /// Lets the event loop run until `ms` milliseconds have passed.
    void wait(int ms);

public slots:
    /// Replaces the controller from the settings, scans the bus and rebuilds the module list.
    void initModuleAccess();
    /// Makes `slot` the current module (ignored outside the list).
    void selectModule(int slot);
    /// The operator selected table row `row`.
    void channelSelected(int row);
    /// One refresh tick, done when this returns: advances the connection
    /// states, then reads the current module. The timer's ticks do the same
    /// without waiting for the bus.
    void refreshTimerUpdate();

    // Requests. Each acts on the current module; a serial number passed along
    // is not looked at.
    /// A set voltage typed into the table.
    void setChannelVoltageSet(int channel, float value);
    /// A set current typed into the table.
    void setChannelCurrentSet(int channel, float value);
    void clearChannelEvents(quint16 channel);
    void setChannelControl(quint16 channel, quint16 control);
    void setChannelEventMask(quint16 channel, quint16 eventmask);
    void clearModuleEvents();
    void setModuleControl(quint16 control);
    void setModuleEventMask(quint16 eventmask);
    void setRestartTime(quint32 restartTime);
    /// Sets the bound symmetry bits, waits for the module to take them, then the limits.
    void setChannelBounds(int channel, bool avbnd, float voltageilkmax, float voltageilkmin,
                          bool acbnd, float currentilkmax, float currentilkmin);
    void setModuleEventChannelMask(quint32 mask);
    void clearModuleEventChannelStatus();
    void setModuleEventGroupMask(quint32 mask);
    void clearModuleEventGroupStatus();
    /// Reports variable group 0 ... 31 as updateModuleFlexGroups.
    void getFlexGroupData(int groupNumber);
    /// Writes variable group 0 ... 31.
    void setFlexGroup(int groupNumber, quint32 member, quint32 type);
    void setInterlockOutControl(int serialNumber, quint32 control);
    /// Writes the channel's voltage nominal while the module is stopped.
    void setChannelVoltageNominal(int channel, float value);
    /// Writes the channel's current nominal while the module is stopped.
    void setChannelCurrentNominal(int channel, float value);
    /// Switches the first crate's power; VME crates have no crate object to switch.
    void setCratePowerOn(int serialNumber, bool setOn);
    /// Sends a special control command and follows it with the refresh.
    void setSpecialControl(quint32 control);
    /// Sends one firmware record.
    void sendHexLine(const QByteArray &line);

signals:
    // What the window shows.
    /// The controller's status line (rich text).
    void controllerTextChanged(const QString &text);
    void moduleListCleared();
    /// A module found by the scan: "address\nserial".
    void moduleListed(const QString &text);
    /// The list item of `slot` reads `text` now.
    void moduleItemTextChanged(int slot, const QString &text);
    /// `slot` is the current module now (also when a change was refused).
    void moduleSelected(int slot);
    /// The current module does not answer: its rows are no longer valid.
    void tableCleared();
    /// One tick's reading, to be shown before its update signals go out.
    void tickRead(const TickReading &tick);
    /// A module shown for the first time under the service word.
    void serviceModuleShown();

    // Update signals. Every one names the module by its serial number first;
    // values come in the unit passed with them.
    void currentModuleChanged(int serialNumber);
    void currentChannelChanged(int serialNumber, int channel);
    void updateModuleControl(int serialNumber, quint32 control);
    void updateModuleStatus(int serialNumber, quint32 status);
    void updateModuleEventStatus(int serialNumber, quint32 eventStatus);
    void updateModuleEventMask(int serialNumber, quint32 eventMask);
    void updateModuleRestartTime(int serialNumber, quint32 restartTime);
    void updateModuleSupplyP5(int serialNumber, float p5);
    void updateModuleSupplyP12(int serialNumber, float p12);
    void updateModuleSupplyN12(int serialNumber, float n12);
    void updateModuleTemperature(int serialNumber, float temperature);
    void updateModuleVoltageHardwareLimit(int serialNumber, float value);
    void updateModuleCurrentHardwareLimit(int serialNumber, float value);
    void updateModuleEventChannelStatus(int serialNumber, quint32 status);
    void updateModuleEventChannelMask(int serialNumber, quint32 mask);
    void updateModuleEventGroupStatus(int serialNumber, quint32 status);
    void updateModuleEventGroupMask(int serialNumber, quint32 mask);
    void updateModuleFlexGroups(int serialNumber, int groupNumber, quint32 member, quint32 type);
    void updateModuleSpecialControlStatus(int serialNumber, quint32 control, quint32 status);
    void updateAllModulesComplete();
    void updateChannelControl(int serialNumber, int channel, quint32 control);
    void updateChannelStatus(int serialNumber, int channel, quint32 status);
    void updateChannelEventStatus(int serialNumber, int channel, quint32 eventStatus);
    void updateChannelEventMask(int serialNumber, int channel, quint32 eventMask);
    void updateChannelVoltageNominal(int serialNumber, int channel, float vnominal,
                                     const QString &unit);
    void updateChannelCurrentNominal(int serialNumber, int channel, float inominal,
                                     const QString &unit);
    void updateChannelVoltageHardwareNominal(int serialNumber, int channel, float vmax,
                                             const QString &unit);
    void updateChannelCurrentHardwareNominal(int serialNumber, int channel, float imax,
                                             const QString &unit);
    void updateChannelVoltage(int serialNumber, int channel, float voltage, const QString &unit);
    /// Part of the signal set for receivers that want it; the refresh cycle does not send it.
    void updateChannelCurrent(int serialNumber, int channel, float current, const QString &unit);
    void updateChannelVoltageMeasure(int serialNumber, int channel, float vmeas,
                                     const QString &unit);
    void updateChannelCurrentMeasure(int serialNumber, int channel, float imeas,
                                     const QString &unit);
    void updateChannelVoltageInterlockMinSet(int serialNumber, int channel, float value,
                                             const QString &unit);
    void updateChannelVoltageInterlockMaxSet(int serialNumber, int channel, float value,
                                             const QString &unit);
    void updateChannelCurrentInterlockMinSet(int serialNumber, int channel, float value,
                                             const QString &unit);
    void updateChannelCurrentInterlockMaxSet(int serialNumber, int channel, float value,
                                             const QString &unit);
    void updateInterlockStatus(int serialNumber, quint32 status);
    void updateInterlockControl(int serialNumber, quint32 control);
    void updateInterlockCount(int serialNumber, quint32 count);
    void updateInterlockLastTrigger(int serialNumber, quint32 lastTrigger);
    void updateInterlockChannelActualActive(int serialNumber, quint32 channelActive);
    void updateInterlockChannelEverTriggered(int serialNumber, quint32 channelTriggered);
    void updateCrateSupply5V(int serialNumber, float value);
    void updateCrateSupply24V(int serialNumber, float value);
    void updateCrateBattery24V(int serialNumber, float value);
    void updateCrateTemperatureBackPlane(int serialNumber, float value);
    void updateCrateTemperaturePowerSupply(int serialNumber, float value);
    void updateCrateStatus(int serialNumber, int status);
    void updateCratePowerOn(int serialNumber, bool on);

private:
    friend class Sequence;

    void deleteModules();
    void applyRefreshState();
    void refreshTimerElapsed();
    void readingArrived(quint64 ticket, const TickReading &tick);
    /// Stops and forgets a reading on its way, waiting (briefly) for the
    /// reader thread to let go of the modules.
    void settleReads();
    void information(const QString &text);
    TickInput tickInput() const;
    void crateStep();
    void advanceConnectionState(int slot, const ConnectionReading &reading);
    void setItemText(int slot, const QString &state);
    void showTick(const TickReading &tick);
    void emitModuleStep(int serial, quint32 control, quint32 status, const ModuleStepReading &step);
    void emitAllModules(const QVector<ModuleMeasurements> &modules);
    void emitChannel(int serial, const ChannelReading &channel);
    void endSequence(Sequence *sequence);

    std::unique_ptr<BaseController> m_controller;
    std::array<ModuleSlot, MaxModules> m_slots;
    int m_moduleCount = 0;
    int m_current = 0;
    int m_lastChannelRow = -1;
    int m_rows = 0;
    int m_rowCursor = 0;
    int m_crateStep = 0;
    bool m_connected = false;
    bool m_refreshWanted = false;
    int m_pauses = 0;
    Sequence *m_sequence = nullptr;
    mutable QMutex m_moduleUse;
    QTimer *m_refreshTimer = nullptr;
    TickReader m_tickReader; // used by one thread at a time
    QThread m_readerThread;
    QObject *m_reader = nullptr; // lives in m_readerThread
    bool m_threadedReads = true;
    std::atomic<bool> m_cancelReading {false};
    quint64 m_readingTicket = 0; // of the reading on its way, 0 when none
    quint64 m_lastTicket = 0;
    QElapsedTimer m_elapsed;
    CrateView *m_view = nullptr;
    CorePrompt *m_prompt = nullptr;
    QString m_controllerChoice;
};
