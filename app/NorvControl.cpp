#include "NorvControl.h"

#include "OperatorPrompt.h"
#include "WindowPrompt.h"
#include "ui_norvcontrol.h"

#include <BaseModule.h>
#include <CrateCore.h>
#include <DialogCrate.h>
#include <DialogOverview.h>
#include <ScriptThread.h>
#include <SettingsStore.h>

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
constexpr int AutomaticIntervalMs = 30000;
// The narrowest a table column gets; wider texts widen it.
constexpr int TableColumnWidth = 50;

} // namespace

NorvControl::NorvControl(QWidget *parent)
    : NorvControl(QCoreApplication::arguments().mid(1), parent)
{
}

NorvControl::NorvControl(const QStringList &arguments, QWidget *parent)
    : QMainWindow(parent)
    , m_ui(new Ui::NorvControl)
    , m_windowPrompt(new WindowPrompt(this))
    , m_crate(new CrateCore)
    , m_insertionLabel(new QLabel(this))
    , m_controllerLabel(new QLabel(this))
    , m_alarmLabel(new QLabel(this))
{
    m_profilePath = QDir(QCoreApplication::applicationDirPath()).absolutePath();
    qDebug() << "Using Profile path:" << m_profilePath;

    m_ui->setupUi(this);
    setWindowTitle(
        tr("%1 Version %2").arg(CorePrompt::programTitle(), QLatin1String(WindowVersion)));

    const bool service = isServiceWord(arguments);
    if (service)
        m_ui->actionSpecialMode->setEnabled(true);
    m_crate->setServiceMode(service);
    m_crate->setView(this);
    m_crate->setPrompt(m_windowPrompt.get());

    m_ui->table->setContextMenuPolicy(Qt::CustomContextMenu);
    m_ui->lstModules->setContextMenuPolicy(Qt::CustomContextMenu);

    // Started and stopped from the automatic dialog.
    m_autoTimer = new QTimer(this);
    m_autoTimer->setInterval(AutomaticIntervalMs);
    connect(m_autoTimer, &QTimer::timeout, this, &NorvControl::autoTimerUpdate);

    m_ui->table->setFocus();
    m_ui->table->setColumnWidths(TableColumnWidth);

    m_insertionLabel->setObjectName(QStringLiteral("insertionLabel"));
    m_controllerLabel->setObjectName(QStringLiteral("controllerLabel"));
    steadyLabels();
    statusBar()->addPermanentWidget(m_insertionLabel, 0);
    statusBar()->addPermanentWidget(m_controllerLabel, 0);

    connectCrate();
    m_crate->initModuleAccess();
}

NorvControl::~NorvControl()
{
    // The crate (modules, then controller) goes with its member, before the
    // tool dialogs, which are children of the window.
    m_crate->setView(nullptr);
    delete m_ui;
}

void NorvControl::connectCrate()
{
    CrateCore *crate = m_crate.get();
    connect(crate, &CrateCore::controllerTextChanged, m_controllerLabel, &QLabel::setText);
    connect(crate, &CrateCore::controllerTextChanged, this,
            &NorvControl::updateLiveInsertionAction);
    connect(crate, &CrateCore::moduleListCleared, m_ui->lstModules, &QListWidget::clear);
    connect(crate, &CrateCore::moduleListed, m_ui->lstModules,
            [this](const QString &text) { m_ui->lstModules->addItem(text); });
    connect(crate, &CrateCore::moduleItemTextChanged, this, &NorvControl::setModuleItemText);
    connect(crate, &CrateCore::moduleSelected, this, &NorvControl::showModuleSelected);
    connect(crate, &CrateCore::tableCleared, m_ui->table, &QTableWidget::clear);
    connect(crate, &CrateCore::tickRead, this, &NorvControl::showTick);
    // Opening a dialog from inside the tick would run the dialog's start-up
    // within the tick's emission: it waits for the tick to end.
    connect(crate, &CrateCore::serviceModuleShown, m_ui->actionFactorySettings, &QAction::trigger,
            Qt::QueuedConnection);
    connect(m_ui->table, &HvTable::voltageSetEntered, this, &NorvControl::tableVoltageEntered);
    connect(m_ui->table, &HvTable::currentSetEntered, this, &NorvControl::tableCurrentEntered);
    connect(m_ui->table, &HvTable::entryRefused, this, &NorvControl::tableEntryRefused);
}

bool NorvControl::isServiceWord(const QStringList &arguments)
{
    return !arguments.isEmpty() && arguments.first() == QLatin1String(ServiceWord);
}

OperatorPrompt *NorvControl::prompt() const { return OperatorPrompt::instance(); }

int NorvControl::selectedChannel() const { return m_ui->table->currentRow(); }

bool NorvControl::overviewShown() const
{
    return m_dialogOverview && m_dialogOverview->isVisible();
}

bool NorvControl::crateDialogShown() const { return m_dialogCrate && m_dialogCrate->isVisible(); }

void NorvControl::changeEvent(QEvent *event)
{
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::LanguageChange)
        m_ui->retranslateUi(this);
}

void NorvControl::closeEvent(QCloseEvent *event)
{
    const int behaviour = SettingsStore::onExitBehaviour();
    m_crate->pauseRefresh();

    if (behaviour == 0) {
        if (m_crate->moduleCount() > 0) {
            const QMessageBox::StandardButton answer = prompt()->question(
                this, CorePrompt::programTitle(), tr("Ramp down all high voltages?"),
                QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
            if (answer == QMessageBox::Yes) {
                rampDownAll();
            } else if (answer != QMessageBox::No) {
                // Cancel, or the box closed some other way: stay open.
                m_crate->resumeRefresh();
                event->ignore();
                return;
            }
        }
    } else if (behaviour != 2) {
        rampDownAll();
    }
    stopScript();
    m_crate->stopRefresh();
    m_crate->resumeRefresh();
    event->accept();
}

void NorvControl::rampDownAll()
{
    // No script may switch anything back on behind the ramp-down.
    stopScript();
    const QStringList unreached = m_crate->switchAllModulesOff();
    if (unreached.isEmpty())
        return;
    // Closing must not pass for a safe switch-off where it was none.
    prompt()->warning(this, CorePrompt::programTitle(),
                      tr("These modules do not answer and could not be switched off; their "
                         "high voltage may still be on:\n%1")
                          .arg(unreached.join(QLatin1Char('\n'))));
}

void NorvControl::on_actionController_triggered()
{
    const QStringList items {tr("Wiener VM-USB"), tr("CAEN V1718")};
    const bool isV1718
        = SettingsStore::vmeController() == QLatin1String(SettingsStore::V1718Controller);
    bool ok = false;
    const QString choice = prompt()->getItem(this, CorePrompt::programTitle(),
                                             tr("Please select the VME controller to connect to:"),
                                             items, isV1718 ? 1 : 0, false, &ok);
    if (!ok || choice.isEmpty())
        return;
    SettingsStore::setVmeController(QLatin1String(
        choice == items.at(1) ? SettingsStore::V1718Controller : SettingsStore::VmUsbController));
    m_crate->initModuleAccess();
}

void NorvControl::on_actionQuit_triggered() { close(); }

void NorvControl::on_actionAbout_triggered()
{
    prompt()->about(this, tr("About %1").arg(CorePrompt::programTitle()),
                    tr("<h2>%1 Version %2</h2>"
                       "<p>Control and monitoring of norv high voltage modules."
                       "<p>This program requires a Wiener VM-USB or CAEN V1718 controller to "
                       "connect to VME bus.")
                        .arg(CorePrompt::programTitle(), QLatin1String(AboutVersion)));
}

void NorvControl::on_actionAboutQt_triggered() { prompt()->aboutQt(this, QString()); }

void NorvControl::on_lstModules_currentRowChanged(int currentRow)
{
    m_crate->selectModule(currentRow);
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
    const int count = m_crate->moduleCount();
    // With no module there is no valid range to offer.
    if (count == 0)
        return;
    bool ok = false;
    const int row = prompt()->getInt(this, CorePrompt::programTitle(),
                                     tr("Select Module (0...%1):").arg(count - 1),
                                     m_crate->currentModuleIndex(), 0, count - 1, 1, &ok);
    if (ok)
        m_ui->lstModules->setCurrentRow(row);
}

void NorvControl::on_actionSelectChannel_triggered()
{
    BaseModule *module = m_crate->currentModule();
    const int channels = module ? module->GetModuleChannelNumber() : 0;
    // An unidentified module reports -1 channels: nothing to choose from.
    if (channels < 1)
        return;
    bool ok = false;
    const int row = prompt()->getInt(this, CorePrompt::programTitle(),
                                     tr("Select Channel (0...%1):").arg(channels - 1),
                                     m_ui->table->currentRow(), 0, channels - 1, 1, &ok);
    if (ok)
        m_ui->table->setCurrentCell(row, 0);
}

void NorvControl::on_table_itemSelectionChanged()
{
    const int row = m_ui->table->currentRow();
    m_ui->lblChannel->setText(tr("Channel %1 selected").arg(row));
    m_crate->channelSelected(row);
}

void NorvControl::autoTimerIntervalChanged(int interval)
{
    m_autoTimer->setInterval(interval);
    qDebug() << "autoTimer interval" << interval;
}

void NorvControl::autoTimerEnabled(bool enabled)
{
    qDebug() << "autoTimer enabled" << enabled;
    if (enabled)
        m_autoTimer->start();
    else
        m_autoTimer->stop();
}
