#pragma once

#include <CrateView.h>
#include <SetValueInput.h>

#include <QMainWindow>
#include <QStringList>

#include <memory>

class AutoStepper;
class BaseModule;
class CrateCore;
class DialogAutomatic;
class DialogChannelBounds;
class DialogChannelControl;
class DialogCrate;
class DialogFactory;
class DialogFlexGroups;
class DialogInterlockOut;
class DialogModuleControl;
class DialogOverview;
class DialogSpecial;
class DialogStatistic;
class DialogScriptConsole;
class DialogSuppliesTempLimits;
class DialogWriteProfile;
class OperatorPrompt;
class QContextMenuEvent;
class QLabel;
class QMenu;
class QTimer;
class ScriptThread;
class WindowPrompt;
struct ModuleStepReading;
struct TickReading;

namespace Ui {
class NorvControl;
}

/// The main window: the form, menus, context menus, labels, channel table
/// and tool dialogs over the crate core, which owns the controller, the
/// modules and the refresh cycle. The window shows what the core reports and
/// hands it what the operator asks; dialogs are wired to the core here.
class NorvControl : public QMainWindow, public CrateView
{
    Q_OBJECT

public:
    /// Reads the service word from the application's command line.
    explicit NorvControl(QWidget *parent = nullptr);
    /// `arguments` are the command-line arguments after the program name.
    explicit NorvControl(const QStringList &arguments, QWidget *parent = nullptr);
    ~NorvControl() override;

    /// True when the first argument is exactly the service word.
    static bool isServiceWord(const QStringList &arguments);

    /// The crate the window shows.
    CrateCore *crate() const { return m_crate.get(); }

    /// The channel context menu for the present selection, not shown; the caller owns it.
    QMenu *buildChannelContextMenu();
    /// The module context menu, not shown; the caller owns it.
    QMenu *buildModuleContextMenu();
    /// The system context menu, not shown; the caller owns it.
    QMenu *buildSystemContextMenu();

    // What the refresh tick asks before it reads.
    int selectedChannel() const override;
    bool overviewShown() const override;
    bool onceRunPending() const override;
    bool crateDialogShown() const override;

signals:
    /// One line for the profile write's log.
    void addLineToWriteProfileLog(const QString &s);

public slots:
    /// Gives the automatic timer a new interval in milliseconds.
    void autoTimerIntervalChanged(int interval);
    /// Starts or stops the automatic timer.
    void autoTimerEnabled(bool enabled);
    /// One step of the automatic timer (NorvControlAutomation.cpp).
    void autoTimerUpdate();
    /// The check that follows a step.
    void autoTimerControlUpdate();
    /// Resets the current module to its factory configuration; ends with factoryResetDone.
    void storeFactorySettings();
    /// Runs `script` (empty: the stored text) in the script thread (NorvControlScript.cpp).
    void runScript(const QString &script);

signals:
    /// The factory reset has ended, on every path; `succeeded` false after a give-up.
    void factoryResetDone(bool succeeded);
    /// One line for the automatic dialog's log.
    void autoTimerControlLog(const QString &message);

protected:
    void changeEvent(QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    /// The module menu, for a right click outside the table and the module list.
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

    // The selected channels of the current module
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

    // Tool and detail dialogs
    void on_actionModuleOverview_triggered();
    void on_actionStatusControl_triggered();
    void on_actionModuleStatusControl_triggered();
    void on_actionBounds_triggered();
    void on_actionSuppliesAndTemperature_triggered();
    void on_actionCrates_triggered();
    void on_actionSetCurrentTrip_triggered();
    void on_actionSetAllChannelsCurrentTrip_triggered();
    void on_actionSettings_triggered();

    // Measurement logging and the automatic timer (NorvControlAutomation.cpp)
    void on_actionStatistic_triggered();
    void on_actionAutomatic_triggered();

    // Profiles (NorvControlProfiles.cpp)
    void on_actionSaveProfile_triggered();
    void on_actionLoadProfile_triggered();

    // Set values typed into the table, in the units it shows (NorvControlGuards.cpp)
    void tableVoltageEntered(int channel, double value);
    void tableCurrentEntered(int channel, double value);
    void tableEntryRefused(int channel, int column, const QString &text);
    void refuseEntry(const QString &reason);

    // Maintenance (NorvControlMaintenance.cpp)
    void on_actionFactorySettings_triggered();
    void on_actionProgramNewBaseAddress_triggered();

    // Variable groups (NorvControlGroups.cpp)
    void on_actionTimeoutGroup_triggered();

    // Special mode and firmware update (NorvControlSpecial.cpp)
    void on_actionSpecialMode_triggered();

    // Scripts (NorvControlScript.cpp)
    void on_actionScript_triggered();

    // Interlock out and the service actions (NorvControlService.cpp)
    void on_actionInterlockOut_triggered();
    void on_actionSetLiveInsertion_triggered();
    void on_actionPassword_triggered();
    void on_actionSetCrateAddress_triggered();

private:
    OperatorPrompt *prompt() const;
    void connectCrate();
    /// Switches every module off and names the modules it could not reach.
    void rampDownAll();
    /// Ends a running script and waits for its thread (NorvControlScript.cpp).
    void stopScript();
    /// Tells the variable-group dialog the current module's layout and channel count.
    void showFlexGroupModuleInfo();
    /// Live insertion is offered while a controller is connected (NorvControlService.cpp).
    void updateLiveInsertionAction();

    // What the crate core reports (NorvControlView.cpp)
    void showTick(const TickReading &tick);
    void showModuleSelected(int slot);
    void setModuleItemText(int slot, const QString &text);
    /// Hands the current module's display format to the dialogs that show its values.
    void showDisplayFormat();

    // What the operator can trust (NorvControlGuards.cpp)
    /// Null, with one status-bar line, when the current module does not answer.
    BaseModule *answeringModule(BaseModule *module);
    /// True, with that status-bar line, when there is a current module and it does not answer.
    bool currentModuleSilent();
    /// Greys the module's labels while they show no present values.
    void setModuleLabelsLive(bool live);
    /// What a table cell of the module accepts, in the units the table shows.
    static SetValueInput::Range tableRange(BaseModule *module, int channel, bool current);
    /// Writes a set value typed into the table, or refuses it.
    void tableValueEntered(int channel, double value, bool current);
    /// The short red alarm for supplies and temperature out of range.
    void showHealth(const ModuleStepReading &step);
    /// Lays the labels out so that their texts never move the table.
    void steadyLabels();

    // Commands (NorvControlCommands.cpp)
    BaseModule *commandModule();
    QList<BaseModule *> systemModules();
    void forSelectedChannels(void (BaseModule::*operation)(quint32 mask));
    void forAllModules(void (BaseModule::*operation)(quint32 mask));
    void changeCurrentChannelControl(quint32 clear, quint32 set);

    Ui::NorvControl *m_ui;
    std::unique_ptr<WindowPrompt> m_windowPrompt;
    std::unique_ptr<CrateCore> m_crate;
    QTimer *m_autoTimer = nullptr;
    QLabel *m_insertionLabel = nullptr;
    QLabel *m_controllerLabel = nullptr;
    QLabel *m_alarmLabel = nullptr;
    QString m_profilePath;

    // Tool dialogs: children of the window, created on first use.
    DialogSuppliesTempLimits *m_dialogSuppliesTempLimits = nullptr;
    DialogChannelControl *m_dialogChannelControl = nullptr;
    DialogModuleControl *m_dialogModuleControl = nullptr;
    DialogChannelBounds *m_dialogChannelBounds = nullptr;
    DialogOverview *m_dialogOverview = nullptr;
    DialogCrate *m_dialogCrate = nullptr;
    DialogWriteProfile *m_dialogWriteProfile = nullptr;
    DialogFactory *m_dialogFactory = nullptr;
    DialogFlexGroups *m_dialogFlexGroups = nullptr;
    DialogSpecial *m_dialogSpecial = nullptr;
    DialogStatistic *m_dialogStatistic = nullptr;
    DialogAutomatic *m_dialogAutomatic = nullptr;
    DialogInterlockOut *m_dialogInterlockOut = nullptr;
    AutoStepper *m_autoStepper = nullptr; // made by the first step
    DialogScriptConsole *m_dialogScriptConsole = nullptr;
    // Made with the console; ends before the crate whose module it holds.
    std::unique_ptr<ScriptThread> m_scriptThread;
};
