#include "NorvControl.h"

#include "OperatorPrompt.h"
#include "SettingsStore.h"
#include "ui_norvcontrol.h"

#include <BaseModule.h>
#include <V1718.h>
#include <VmUsb.h>
#include <VmeModule.h>

#include <QCloseEvent>
#include <QCoreApplication>
#include <QDebug>
#include <QDir>
#include <QLabel>
#include <QListWidgetItem>
#include <QTimer>

namespace {

const char *const ServiceWord = "qbxt";
const char *const WindowVersion = "1.0";
const char *const AboutVersion = "1.0.3.0";
constexpr int RefreshIntervalMs = 20;
constexpr int AutomaticIntervalMs = 30000;
constexpr int TableColumnWidth = 90;
constexpr quint32 AllChannels = 0xFFFFFFFF;

// Device classes with a register layout; the scan lists only these.
constexpr int DeviceClass20 = 20;
constexpr int DeviceClass29 = 29;
// A16 base addresses are probed in steps of the smallest module window.
constexpr int BaseAddressStep = 0x400;
constexpr int AddressSpaceEnd = 0xFFFF;

QString programName() { return QCoreApplication::translate("NorvControl", "norv VME Control"); }

} // namespace

NorvControl::NorvControl(QWidget *parent)
    : NorvControl(QCoreApplication::arguments().mid(1), parent)
{
}

NorvControl::NorvControl(const QStringList &arguments, QWidget *parent)
    : QMainWindow(parent)
    , m_ui(new Ui::NorvControl)
    , m_insertionLabel(new QLabel(this))
    , m_controllerLabel(new QLabel(this))
{
    m_organisationName = QString::fromLatin1(SettingsStore::OrganisationName);
    m_applicationName = QString::fromLatin1(SettingsStore::ApplicationName);

    m_profilePath = QDir(QCoreApplication::applicationDirPath()).absolutePath();
    qDebug() << "Using Profile path:" << m_profilePath;

    m_ui->setupUi(this);
    setWindowTitle(tr("%1 Version %2").arg(programName(), QLatin1String(WindowVersion)));

    const bool service = isServiceWord(arguments);
    if (service)
        m_ui->actionSpecialMode->setEnabled(true);
    for (int slot = 0; slot < MaxModules; ++slot) {
        m_module[slot] = nullptr;
        m_serviceFlag[slot] = service;
    }

    m_ui->table->setContextMenuPolicy(Qt::CustomContextMenu);
    m_ui->lstModules->setContextMenuPolicy(Qt::CustomContextMenu);

    m_refreshTimer = new QTimer(this);
    m_refreshTimer->setInterval(RefreshIntervalMs);
    connect(m_refreshTimer, &QTimer::timeout, this, &NorvControl::refreshTimerUpdate);

    // Started and connected by the automatic set-voltage stepping.
    m_autoTimer = new QTimer(this);
    m_autoTimer->setInterval(AutomaticIntervalMs);

    m_ui->table->setFocus();
    m_ui->table->setColumnWidths(TableColumnWidth);
    connect(m_ui->table, &HvTable::cellDataChanged, this, &NorvControl::tableCellDataChanged);

    m_insertionLabel->setObjectName(QStringLiteral("insertionLabel"));
    m_controllerLabel->setObjectName(QStringLiteral("controllerLabel"));
    statusBar()->addPermanentWidget(m_insertionLabel, 0);
    statusBar()->addPermanentWidget(m_controllerLabel, 0);

    m_autoLogState = 0;

    initModuleAccess();

    m_elapsed.start();
}

NorvControl::~NorvControl()
{
    delete m_refreshTimer;
    m_refreshTimer = nullptr;
    delete m_autoTimer;
    m_autoTimer = nullptr;
    // Modules hold a plain pointer to the controller: they go first.
    deleteModules();
    delete m_controller;
    m_controller = nullptr;
    // The tool dialogs are children of the window and are deleted after this
    // body, that is after the controller, by QObject.
    delete m_ui;
}

bool NorvControl::isServiceWord(const QStringList &arguments)
{
    return !arguments.isEmpty() && arguments.first() == QLatin1String(ServiceWord);
}

BaseModule *NorvControl::module(int slot) const
{
    return slot >= 0 && slot < MaxModules ? m_module[slot] : nullptr;
}

int NorvControl::moduleState(int slot) const
{
    return slot >= 0 && slot < MaxModules ? m_moduleState[slot] : StateNew;
}

bool NorvControl::isRefreshRunning() const { return m_refreshTimer && m_refreshTimer->isActive(); }

OperatorPrompt *NorvControl::prompt() const { return OperatorPrompt::instance(); }

BaseModule *NorvControl::currentModule() const { return module(m_currentModule); }

void NorvControl::deleteModules()
{
    // Every slot, not only the counted ones: a failed connection leaves an
    // uncounted placeholder in slot 0 that would otherwise outlive its
    // controller.
    for (int slot = 0; slot < MaxModules; ++slot) {
        delete m_module[slot];
        m_module[slot] = nullptr;
    }
    m_moduleCount = 0;
}

void NorvControl::initModuleAccess()
{
    // The timer runs only over a connected controller with a finished scan.
    m_refreshTimer->stop();

    deleteModules();
    delete m_controller;
    m_controller = nullptr;
    m_ui->lstModules->clear();

    m_controllerLabel->setText(tr("Connecting to VME controller..."));

    VmeController *controller = nullptr;
    if (SettingsStore::vmeController() == QLatin1String(SettingsStore::V1718Controller))
        controller = new V1718;
    else
        controller = new VmUsb;
    m_controller = controller;

    const QString name = controller->name();
    if (!controller->isConnected()) {
        prompt()->warning(
            this, programName(),
            tr("Can not init VME controller %1!\nMaybe there is no controller connected over "
               "USB?\n\nYou can try re-powering the crate and re-plugging the USB cord\nand then "
               "select menu File --> Select VME Controller --> Yes.")
                .arg(name),
            QMessageBox::Ok);
        m_controllerLabel->setText(
            tr("<font color=\"red\">Not connected to VME controller %1!").arg(name));
        // Commands that address the current module reach this object; it is
        // not counted, so the list and the refresh cycle ignore it.
        m_module[0] = new VmeModule(controller, 0);
        m_currentModule = 0;
        return;
    }

    qDebug() << "Connected to VME controller" << name;
    m_controllerLabel->setText(controller->statusText());

    for (int address = 0; address < AddressSpaceEnd && m_moduleCount < MaxModules;
         address += BaseAddressStep) {
        VmeModule probe(controller, quint16(address));
        const int deviceClass = probe.GetModuleDeviceClass();
        if (deviceClass != DeviceClass20 && deviceClass != DeviceClass29)
            continue;
        m_ui->lstModules->addItem(QStringLiteral("%1\n%2").arg(
            probe.GetModuleAddress(), QString::number(probe.GetModuleSerialNumber())));
        m_module[m_moduleCount++] = new VmeModule(controller, quint16(address));
    }

    for (int &state : m_moduleState)
        state = StateNew;
    m_ui->lstModules->setCurrentRow(0);
    m_refreshTimer->start();
}

void NorvControl::setModuleItemText(int slot, const QString &state)
{
    QListWidgetItem *item = m_ui->lstModules->item(slot);
    if (item)
        item->setText(QStringLiteral("%1\n%2").arg(m_module[slot]->GetModuleAddress(), state));
}

void NorvControl::advanceConnectionStates()
{
    for (int slot = 0; slot < m_moduleCount; ++slot) {
        BaseModule *module = m_module[slot];
        const int serial = module->GetModuleSerialNumber();
        // The rest of the tick names the module by this reading.
        m_serialNumber[slot] = serial;
        switch (m_moduleState[slot]) {
        case StateNew:
            setModuleItemText(slot, tr("Connecting..."));
            if (module->connected() && serial != 0) {
                setModuleItemText(slot, QString::number(serial));
                m_moduleState[slot] = StateAnswering;
            }
            break;
        case StateAnswering:
        case StateShown:
            // A module object keeps its cached vendor identification, so
            // connected() can stay true after the module fell silent; its
            // serial number, non-zero to get here, then reads as 0.
            if (!module->connected() || serial == 0) {
                setModuleItemText(slot, tr("Not connected"));
                m_moduleState[slot] = StateNotAnswering;
            }
            break;
        case StateNotAnswering:
            if (module->connected() && serial != 0) {
                setModuleItemText(slot, QString::number(serial));
                m_moduleState[slot] = StateAnswering;
            }
            break;
        default:
            break;
        }
    }
}

void NorvControl::tableCellDataChanged(int row, int column, const QString &text)
{
    bool ok = false;
    const float value = text.toFloat(&ok);
    BaseModule *module = currentModule();
    if (!ok || !module)
        return;
    if (column == 0)
        module->SetChannelVoltageSet(row, value);
    else if (column == 3)
        module->SetChannelCurrentSet(row, value);
}

void NorvControl::changeEvent(QEvent *event)
{
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::LanguageChange)
        m_ui->retranslateUi(this);
}

void NorvControl::switchAllModulesOff()
{
    for (int slot = 0; slot < m_moduleCount; ++slot) {
        // A module object that has not been identified yet (no tick has
        // reached it, or it just came back) spends its first call on
        // identification and would drop the switch-off.
        m_module[slot]->GetModuleDeviceClass();
        m_module[slot]->SetSelectedChannelsOff(AllChannels);
    }
}

void NorvControl::closeEvent(QCloseEvent *event)
{
    const int behaviour = SettingsStore::onExitBehaviour();
    const bool wasRefreshing = m_refreshTimer->isActive();
    m_refreshTimer->stop();

    if (behaviour == 0) {
        if (m_moduleCount > 0) {
            const QMessageBox::StandardButton answer
                = prompt()->question(this, programName(), tr("Ramp down all high voltages?"),
                                     QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
            if (answer == QMessageBox::Yes) {
                switchAllModulesOff();
            } else if (answer != QMessageBox::No) {
                // Cancel, or the box closed some other way: stay open.
                if (wasRefreshing)
                    m_refreshTimer->start();
                event->ignore();
                return;
            }
        }
    } else if (behaviour != 2) {
        switchAllModulesOff();
    }
    event->accept();
}

void NorvControl::on_actionController_triggered()
{
    const QStringList items {tr("Wiener VM-USB"), tr("CAEN V1718")};
    const bool isV1718
        = SettingsStore::vmeController() == QLatin1String(SettingsStore::V1718Controller);
    bool ok = false;
    const QString choice = prompt()->getItem(this, programName(),
                                             tr("Please select the VME controller to connect to:"),
                                             items, isV1718 ? 1 : 0, false, &ok);
    if (!ok || choice.isEmpty())
        return;
    SettingsStore::setVmeController(QLatin1String(
        choice == items.at(1) ? SettingsStore::V1718Controller : SettingsStore::VmUsbController));
    m_refreshTimer->stop();
    initModuleAccess();
}

void NorvControl::on_actionQuit_triggered() { close(); }

void NorvControl::on_actionAbout_triggered()
{
    prompt()->about(this, tr("About %1").arg(programName()),
                    tr("<h2>%1 Version %2</h2>"
                       "<p>Control and monitoring of norv high voltage modules."
                       "<p>This program requires a Wiener VM-USB or CAEN V1718 controller to "
                       "connect to VME bus.")
                        .arg(programName(), QLatin1String(AboutVersion)));
}

void NorvControl::on_actionAboutQt_triggered() { prompt()->aboutQt(this, QString()); }

void NorvControl::on_lstModules_currentRowChanged(int currentRow)
{
    if (currentRow < 0 || currentRow >= m_moduleCount)
        return;

    const bool changed = currentRow != m_currentModule;
    m_currentModule = currentRow;
    // Shown again at the next tick, which also sizes the table for it.
    if (m_moduleState[currentRow] == StateShown)
        m_moduleState[currentRow] = StateAnswering;

    BaseModule *module = m_module[currentRow];
    if (!module->connected()) {
        m_ui->table->clear();
    } else if (changed) {
        const int serial = module->GetModuleSerialNumber();
        emit currentModuleChanged(serial);
        emit currentChannelChanged(serial, m_ui->table->currentRow());
    }
    m_ui->table->setFocus();
}

void NorvControl::on_actionPreviousModule_triggered()
{
    const int rows = m_ui->lstModules->count();
    if (rows == 0)
        return;
    const int row = m_ui->lstModules->currentRow();
    m_ui->lstModules->setCurrentRow(row <= 0 ? rows - 1 : row - 1);
}

void NorvControl::on_actionNextModule_triggered()
{
    const int rows = m_ui->lstModules->count();
    if (rows == 0)
        return;
    const int row = m_ui->lstModules->currentRow();
    m_ui->lstModules->setCurrentRow(row >= rows - 1 ? 0 : row + 1);
}

void NorvControl::on_actionSelectModule_triggered()
{
    // With no module there is no valid range to offer.
    if (m_moduleCount == 0)
        return;
    bool ok = false;
    const int row = prompt()->getInt(this, programName(),
                                     tr("Select Module (0...%1):").arg(m_moduleCount - 1),
                                     m_currentModule, 0, m_moduleCount - 1, 1, &ok);
    if (ok)
        m_ui->lstModules->setCurrentRow(row);
}

void NorvControl::on_actionSelectChannel_triggered()
{
    BaseModule *module = currentModule();
    const int channels = module ? module->GetModuleChannelNumber() : 0;
    // An unidentified module reports -1 channels: nothing to choose from.
    if (channels < 1)
        return;
    bool ok = false;
    const int row
        = prompt()->getInt(this, programName(), tr("Select Channel (0...%1):").arg(channels - 1),
                           m_ui->table->currentRow(), 0, channels - 1, 1, &ok);
    if (ok)
        m_ui->table->setCurrentCell(row, 0);
}

void NorvControl::on_table_itemSelectionChanged()
{
    const int row = m_ui->table->currentRow();
    m_ui->lblChannel->setText(tr("Channel %1 selected").arg(row));
    if (row == m_lastChannelRow)
        return;
    m_lastChannelRow = row;
    if (BaseModule *module = currentModule())
        emit currentChannelChanged(module->GetModuleSerialNumber(), row);
}
