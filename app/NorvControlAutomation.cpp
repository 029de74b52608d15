// The main window's side of measurement logging and of the automatic
// set-voltage timer: the two dialogs, the once-run the refresh tick asks
// about, and the timer's steps and checks over the modules of the crate.
#include "NorvControl.h"

#include "DialogConnections.h"
#include "ui_norvcontrol.h"

#include <AutoStepper.h>
#include <AutoTimer.h>
#include <BaseModule.h>
#include <CrateCore.h>
#include <DialogAutomatic.h>
#include <DialogStatistic.h>

#include <QTimer>

namespace {
const char *const AutoLogFileName = "autologfile.csv";
}

bool NorvControl::onceRunPending() const
{
    return m_dialogStatistic && m_dialogStatistic->onceRunPending();
}

void NorvControl::on_actionStatistic_triggered()
{
    if (!m_dialogStatistic) {
        m_dialogStatistic = new DialogStatistic(this);
        DialogConnections::connect(m_crate.get(), m_dialogStatistic);
    }
    if (BaseModule *module = m_crate->moduleCount() > 0 ? m_crate->currentModule() : nullptr)
        m_dialogStatistic->setChannelCount(module->GetModuleChannelNumber());
    m_dialogStatistic->show();
    m_dialogStatistic->activateWindow();
}

void NorvControl::on_actionAutomatic_triggered()
{
    if (!m_dialogAutomatic) {
        m_dialogAutomatic = new DialogAutomatic(this);
        connect(m_dialogAutomatic, &DialogAutomatic::automaticTimerEnabled, this,
                &NorvControl::autoTimerEnabled);
        connect(m_dialogAutomatic, &DialogAutomatic::automaticTimerIntervalChanged, this,
                &NorvControl::autoTimerIntervalChanged);
        connect(this, &NorvControl::autoTimerControlLog, m_dialogAutomatic,
                &DialogAutomatic::log);
    }
    m_dialogAutomatic->show();
    m_dialogAutomatic->activateWindow();
}

void NorvControl::autoTimerUpdate()
{
    if (!m_dialogAutomatic)
        return;
    if (!m_autoStepper) {
        m_autoStepper = new AutoStepper(QLatin1String(AutoLogFileName), this);
        connect(m_autoStepper, &AutoStepper::log, this, &NorvControl::autoTimerControlLog);
    }
    if (m_crate->isSequenceRunning()) {
        emit autoTimerControlLog(tr("A long operation runs on the module: no step."));
        return;
    }
    QList<BaseModule *> modules;
    for (int slot = 0; slot < m_crate->moduleCount(); ++slot)
        modules << m_crate->module(slot);
    BaseModule *current = m_crate->moduleCount() > 0 ? m_crate->currentModule() : nullptr;
    const AutoStepper::Settings settings {m_dialogAutomatic->upperLimit(),
                                          m_dialogAutomatic->lowerLimit(),
                                          m_dialogAutomatic->increment(),
                                          m_dialogAutomatic->scope()};
    if (m_autoStepper->step(settings, modules, current, m_ui->table->currentRow()))
        QTimer::singleShot(AutoTimer::checkDelayMs(m_autoTimer->interval()), this,
                           &NorvControl::autoTimerControlUpdate);
}

void NorvControl::autoTimerControlUpdate()
{
    if (m_autoStepper)
        m_autoStepper->check();
}
