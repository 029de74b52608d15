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

public slots:
    /// Replaces the controller from the settings, scans the bus and rebuilds the module list.
    void initModuleAccess();
    /// One refresh tick: advances the connection states, then reads the current module.
    void refreshTimerUpdate();
    /// A committed table edit: column 0 sets the channel's voltage, column 3 its current.
    void tableCellDataChanged(int row, int column, const QString &text);

signals:
    void currentModuleChanged(int serialNumber);
    void currentChannelChanged(int serialNumber, int channel);

protected:
    void changeEvent(QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

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

private:
    OperatorPrompt *prompt() const;
    BaseModule *currentModule() const;
    void deleteModules();
    void advanceConnectionStates();
    void setModuleItemText(int slot, const QString &state);
    void switchAllModulesOff();

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
};
