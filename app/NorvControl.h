#pragma once

#include <QElapsedTimer>
#include <QMainWindow>
#include <QString>
#include <QStringList>

class BaseController;
class BaseModule;
class OperatorPrompt;
class QLabel;
class QTimer;

// Commands (menus and context menus)
class QContextMenuEvent;
class QMenu;

class DialogSuppliesTempLimits;
class DialogChannelControl;
class DialogScriptConsole;
class DialogModuleControl;
class DialogChannelBounds;
class DialogFlexGroups;
class DialogFactory;
class DialogSpecial;
class DialogInterlockOut;
class DialogWriteProfile;
class DialogStatistic;
class DialogAutomatic;
class DialogOverview;
class DialogCrate;
class ScriptThread;

namespace Ui {
class NorvControl;
}

/// The main window. Owns the bus controller, the modules found on the bus,
/// the tool dialogs and the timers; polls the current module and shows it.
class NorvControl : public QMainWindow
{
    Q_OBJECT

public:
    static constexpr int MaxModules = 64;

    /// Module connection states, advanced at the start of every refresh tick.
    enum ModuleState { StateNew = 0, StateAnswering = 1, StateShown = 2, StateNotAnswering = 3 };

    /// Reads the service word from the application's command line.
    explicit NorvControl(QWidget *parent = nullptr);
    /// `arguments` are the command-line arguments after the program name.
    explicit NorvControl(const QStringList &arguments, QWidget *parent = nullptr);
    ~NorvControl() override;

    /// True when the first argument is exactly the service word.
    static bool isServiceWord(const QStringList &arguments);

    /// The connected controller, null before the first connection attempt.
    BaseController *controller() const { return m_controller; }
    /// Number of modules found by the last scan.
    int moduleCount() const { return m_moduleCount; }
    /// The module object in `slot`; slot 0 holds a placeholder after a failed connection.
    BaseModule *module(int slot) const;
    /// Connection state (ModuleState) of `slot`.
    int moduleState(int slot) const;
    /// Index of the module shown in the table.
    int currentModuleIndex() const { return m_currentModule; }
    /// True while the refresh timer runs.
    bool isRefreshRunning() const;

    // Commands (menus and context menus)
    /// The channel context menu for the present selection, not shown; the caller owns it.
    QMenu *buildChannelContextMenu();
    /// The module context menu, not shown; the caller owns it.
    QMenu *buildModuleContextMenu();
    /// The system context menu, not shown; the caller owns it.
    QMenu *buildSystemContextMenu();

    // Refresh cycle and requests
    /// The table row the next channel step refreshes; module changes leave it alone.
    int rowCursor() const { return m_rowCursor; }
    /// Lets the event loop run until ms milliseconds have passed.
    void wait(int ms);
    /// True while the statistic dialog waits for one pass over all modules.
    virtual bool onceRunPending() const;

public slots:
    /// Replaces the controller from the settings, scans the bus and rebuilds the module list.
    void initModuleAccess();
    /// One refresh tick: advances the connection states, then reads the current module.
    void refreshTimerUpdate();
    /// A committed table edit: column 0 sets the channel's voltage, column 3 its current.
    void tableCellDataChanged(int row, int column, const QString &text);

    // Requests from dialogs (refresh cycle and requests). Each acts on the
    // current module; a serial number passed along is not looked at.
    /// Clears the channel's event status.
    void clearChannelEvents(quint16 channel);
    /// Writes the channel's control word.
    void setChannelControl(quint16 channel, quint16 control);
    /// Writes the channel's event mask.
    void setChannelEventMask(quint16 channel, quint16 eventmask);
    /// Clears the module's event status.
    void clearModuleEvents();
    /// Writes the module control word.
    void setModuleControl(quint16 control);
    /// Writes the module event mask.
    void setModuleEventMask(quint16 eventmask);
    /// Writes the module's restart time.
    void setRestartTime(quint32 restartTime);
    /// Sets the bound symmetry bits, waits for the module to take them, then the limits.
    void setChannelBounds(int channel, bool avbnd, float voltageilkmax, float voltageilkmin,
                          bool acbnd, float currentilkmax, float currentilkmin);
    /// Writes the module's event channel mask.
    void setModuleEventChannelMask(quint32 mask);
    /// Clears the module's event channel status.
    void clearModuleEventChannelStatus();
    /// Writes the module's event group mask.
    void setModuleEventGroupMask(quint32 mask);
    /// Clears the module's event group status.
    void clearModuleEventGroupStatus();
    /// Reports variable group 0 ... 31 as updateModuleFlexGroups.
    void getFlexGroupData(int groupNumber);
    /// Writes variable group 0 ... 31.
    void setFlexGroup(int groupNumber, quint32 member, quint32 type);
    /// Writes the interlock-out control word.
    void setInterlockOutControl(int serialNumber, quint32 control);
    /// Writes the channel's voltage nominal while the module is stopped.
    void setChannelVoltageNominal(int channel, float value);
    /// Writes the channel's current nominal while the module is stopped.
    void setChannelCurrentNominal(int channel, float value);
    /// Switches the first crate's power; VME crates have no crate object to switch.
    void setCratePowerOn(int serialNumber, bool setOn);
    /// Gives the automatic timer a new interval in milliseconds.
    void autoTimerIntervalChanged(int interval);
    /// Starts or stops the automatic timer.
    void autoTimerEnabled(bool enabled);
    /// Sends a special control command and follows it with the refresh timer.
    void setSpecialControl(quint32 control);
    /// Sends one firmware record.
    void sendHexLine(const QByteArray &line);

signals:
    void currentModuleChanged(int serialNumber);
    void currentChannelChanged(int serialNumber, int channel);

    // Update signals (refresh cycle). Every one names the module by its
    // serial number first; values come in the unit passed with them.
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
    void factoryResetDone();
    void addLineToWriteProfileLog(const QString &s);
    void autoTimerControlLog(const QString &message);

protected:
    void changeEvent(QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    // Commands (menus and context menus): the module menu, for a right click
    // outside the table and the module list.
    void contextMenuEvent(QContextMenuEvent *event) override;

private slots:
    void on_actionController_triggered();
    void on_actionQuit_triggered();
    void on_actionAbout_triggered();
    void on_actionAboutQt_triggered();
    void on_lstModules_currentRowChanged(int currentRow);
    void on_actionPreviousModule_triggered();
    void on_actionNextModule_triggered();
    void on_actionSelectModule_triggered();
    void on_actionSelectChannel_triggered();
    void on_table_itemSelectionChanged();

    // Commands (menus and context menus): the selected channels of the current module
    void on_actionSetChannelOn_triggered();
    void on_actionSetChannelOff_triggered();
    void on_actionSetChannelEmergencyOff_triggered();
    void on_actionClearChannelEmergencyOff_triggered();
    void on_actionClearEvents_triggered();
    void on_actionSetVoltage_triggered();
    void on_actionSetCurrent_triggered();
    void on_actionSetChannelVoltageMeasurementOn_triggered();
    void on_actionSetChannelVoltageMeasurementOff_triggered();
    void on_actionSetChannelRippleMeasurementOn_triggered();
    void on_actionSetChannelRippleMeasurementOff_triggered();
    // ... the current module as a whole
    void on_actionSetAllChannelsOn_triggered();
    void on_actionSetAllChannelsOff_triggered();
    void on_actionSetEmergencyOff_triggered();
    void on_actionClearEmergencyOff_triggered();
    void on_actionClearAllEvents_triggered();
    void on_actionSetKillEnable_triggered();
    void on_actionSetKillDisable_triggered();
    void on_actionSetAllVoltages_triggered();
    void on_actionSetAllCurrents_triggered();
    void on_actionVoltageRamp_triggered();
    void on_actionCurrentRamp_triggered();
    void on_actionAdcSamplesPerSecond_triggered();
    void on_actionDigitalFilter_triggered();
    void on_actionSetVoltageIncremental_triggered();
    // ... every module
    void on_actionSetAllModulesOn_triggered();
    void on_actionSetAllModulesOff_triggered();
    void on_actionSetAllModulesEmergencyOff_triggered();
    void on_actionClearAllModulesEmergencyOff_triggered();
    void on_actionClearAllModulesEvents_triggered();
    void on_actionSetAllModulesVoltage_triggered();
    void on_actionSetAllModulesCurrent_triggered();
    void on_actionSetAllModulesVoltageRamp_triggered();
    void on_actionSetAllModulesCurrentRamp_triggered();
    // ... context menus of the table and the module list
    void on_table_customContextMenuRequested(const QPoint &pos);
    void on_lstModules_customContextMenuRequested(const QPoint &pos);

    // Refresh cycle and requests: the system overview
    void on_actionModuleOverview_triggered();

    // Detail dialogs of the current channel and module
    void on_actionStatusControl_triggered();
    void on_actionModuleStatusControl_triggered();
    void on_actionBounds_triggered();
    void on_actionSuppliesAndTemperature_triggered();
    void on_actionCrates_triggered();
    void on_actionSetCurrentTrip_triggered();
    void on_actionSetAllChannelsCurrentTrip_triggered();
    void on_actionSettings_triggered();

private:
    OperatorPrompt *prompt() const;
    BaseModule *currentModule() const;
    void deleteModules();
    void advanceConnectionStates();
    void setModuleItemText(int slot, const QString &state);
    void switchAllModulesOff();

    // Commands (menus and context menus)
    BaseModule *commandModule();
    QList<BaseModule *> systemModules();
    void forSelectedChannels(void (BaseModule::*operation)(quint32 mask));
    void forAllModules(void (BaseModule::*operation)(quint32 mask));
    void changeCurrentChannelControl(quint32 clear, quint32 set);

    // Refresh cycle and requests: the steps of one tick
    void crateStep();
    void showModuleDetails(BaseModule *module, const QString &typeCode, int serial);
    /// False when the tick ends with the module step (special mode).
    bool moduleStep(BaseModule *module, int serial, quint32 control, quint32 status, int rows);
    void allModulesPass();
    void channelStep(BaseModule *module, int serial, int row);

    Ui::NorvControl *m_ui;
    QTimer *m_refreshTimer = nullptr;
    QTimer *m_autoTimer = nullptr;

    // Tool dialogs: children of the window, created on first use.
    DialogSuppliesTempLimits *m_dialogSuppliesTempLimits = nullptr;
    DialogChannelControl *m_dialogChannelControl = nullptr;
    DialogScriptConsole *m_dialogScriptConsole = nullptr;
    DialogModuleControl *m_dialogModuleControl = nullptr;
    DialogChannelBounds *m_dialogChannelBounds = nullptr;
    DialogFlexGroups *m_dialogFlexGroups = nullptr;
    DialogFactory *m_dialogFactory = nullptr;
    DialogSpecial *m_dialogSpecial = nullptr;
    DialogInterlockOut *m_dialogInterlockOut = nullptr;
    DialogWriteProfile *m_dialogWriteProfile = nullptr;
    DialogStatistic *m_dialogStatistic = nullptr;
    DialogAutomatic *m_dialogAutomatic = nullptr;
    DialogOverview *m_dialogOverview = nullptr;
    DialogCrate *m_dialogCrate = nullptr;

    BaseController *m_controller = nullptr;
    int m_moduleState[MaxModules] = {};
    BaseModule *m_module[MaxModules] = {};
    QElapsedTimer m_elapsed;
    int m_currentModule = 0;
    int m_lastChannelRow = -1;
    int m_moduleCount = 0;
    bool m_serviceFlag[MaxModules] = {};
    QString m_profilePath;
    QString m_organisationName;
    QString m_applicationName;
    QLabel *m_insertionLabel = nullptr;
    QLabel *m_controllerLabel = nullptr;
    int m_autoLogState = 0;
    ScriptThread *m_scriptThread = nullptr;

    // Refresh cycle and requests
    int m_rowCursor = 0;
    int m_crateStep = 0;
    /// Serial numbers read by the connection step of the latest tick.
    int m_serialNumber[MaxModules] = {};
};
