// The operator's commands: the channel, module and system actions of the
// menus, their input dialogs, and the three context menus. A command reads
// what it needs from the current module, asks the operator through the
// prompt and writes; nothing is read back, the refresh cycle shows the effect.
#include "NorvControl.h"

#include <CommandInputs.h>
#include "OperatorPrompt.h"
#include "ui_norvcontrol.h"

#include <BaseModule.h>
#include <CorePrompt.h>
#include <CrateCore.h>
#include <WordBits.h>

#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QCursor>
#include <QMenu>

#include <memory>

namespace {

using WordBits::AllChannels;
using WordBits::ChannelControl::RippleMeasurement;
using WordBits::ChannelControl::VoltageMeasurement;

// Which way the next set-voltage staircase runs. One value for the whole
// process, so that alternate uses give the nominal voltage to the first and
// to the last channel.
bool staircaseDownwards = true;

// A module object that no refresh tick has reached yet has not identified
// itself, and would spend the command's first access on identification and
// drop the command.
BaseModule *identified(BaseModule *module)
{
    if (module && module->GetModuleChannelNumber() < 0)
        module->GetModuleDeviceClass();
    return module;
}

using ChannelGetter = float (BaseModule::*)(int channel);

// One value of every channel of the modules, read with `getter`.
QList<float> channelValues(const QList<BaseModule *> &modules, ChannelGetter getter)
{
    QList<float> values;
    for (BaseModule *module : modules) {
        const int channels = module->GetModuleChannelNumber();
        for (int ch = 0; ch < channels; ++ch)
            values.append((module->*getter)(ch));
    }
    return values;
}

QList<float> voltageNominals(BaseModule *module)
{
    return channelValues({module}, &BaseModule::GetChannelVoltageNominal);
}

QList<float> currentNominals(BaseModule *module)
{
    return channelValues({module}, &BaseModule::GetChannelCurrentNominal);
}

bool askDouble(QWidget *parent, const CommandInputs::DoubleInput &input, float *value)
{
    bool ok = false;
    const double answer = OperatorPrompt::instance()->getDouble(
        parent, CorePrompt::programTitle(), input.label, input.value, input.minimum, input.maximum,
        input.decimals, &ok);
    if (ok)
        *value = float(answer);
    return ok;
}

bool askChoice(QWidget *parent, const CommandInputs::Choice &choice, quint32 *value)
{
    bool ok = false;
    const QString answer = OperatorPrompt::instance()->getItem(
        parent, CorePrompt::programTitle(), choice.label, choice.items, choice.current, false, &ok);
    return ok && CommandInputs::choiceValue(answer, value);
}

// Asks for one value bounded by the largest nominal of every channel of
// `modules`, prefilled from channel `row` of `current`, and gives it to every
// module with `setAll`.
void setAllModules(QWidget *parent, BaseModule *current, int row,
                   const QList<BaseModule *> &modules, ChannelGetter nominal,
                   CommandInputs::DoubleInput (*input)(const CommandInputs::NominalRange &,
                                                       const QString &, double),
                   QString (BaseModule::*unit)(int), ChannelGetter setValue,
                   void (BaseModule::*setAll)(float))
{
    if (!current)
        return;
    float value = 0;
    if (!askDouble(parent,
                   input(CommandInputs::nominalRange(channelValues(modules, nominal)),
                         (current->*unit)(row), (current->*setValue)(row)),
                   &value))
        return;
    for (BaseModule *module : modules)
        (module->*setAll)(value);
}

void addTitle(QMenu *menu, const QString &text)
{
    QAction *title = menu->addAction(text);
    title->setEnabled(false);
    QFont font = title->font();
    font.setBold(true);
    title->setFont(font);
    menu->addSeparator();
}

// An entry triggers the window's action, so that it reaches whatever the
// action is connected to, now or later.
QAction *addEntry(QMenu *menu, const QString &text, QAction *action)
{
    QAction *entry = menu->addAction(text);
    entry->setEnabled(action->isEnabled());
    QObject::connect(entry, &QAction::triggered, action, &QAction::trigger);
    return entry;
}

void showAtCursor(QMenu *menu)
{
    std::unique_ptr<QMenu> owned(menu);
    owned->exec(QCursor::pos());
}

} // namespace

// ---------------------------------------------------------------------------
// Helpers

BaseModule *NorvControl::commandModule()
{
    // Without a module found there is nothing to command; slot 0 may hold
    // the placeholder of a failed connection.
    if (m_crate->moduleCount() == 0)
        return nullptr;
    return identified(m_crate->currentModule());
}

QList<BaseModule *> NorvControl::systemModules()
{
    QList<BaseModule *> modules;
    for (int slot = 0; slot < m_crate->moduleCount(); ++slot)
        modules.append(identified(m_crate->module(slot)));
    return modules;
}

void NorvControl::forSelectedChannels(void (BaseModule::*operation)(quint32 mask))
{
    if (BaseModule *module = commandModule())
        (module->*operation)(CommandInputs::channelMask(m_ui->table->selectedRows()));
}

void NorvControl::forAllModules(void (BaseModule::*operation)(quint32 mask))
{
    for (BaseModule *module : systemModules())
        (module->*operation)(AllChannels);
}

void NorvControl::changeCurrentChannelControl(quint32 clear, quint32 set)
{
    BaseModule *module = commandModule();
    const int channel = m_ui->table->currentRow();
    if (!module || channel < 0)
        return;
    const quint32 control = module->GetChannelControl(channel);
    module->SetChannelControl(channel, (control & ~clear) | set);
}

// ---------------------------------------------------------------------------
// The selected channels of the current module

void NorvControl::on_actionSetChannelOn_triggered()
{
    forSelectedChannels(&BaseModule::SetSelectedChannelsOn);
}

void NorvControl::on_actionSetChannelOff_triggered()
{
    forSelectedChannels(&BaseModule::SetSelectedChannelsOff);
}

void NorvControl::on_actionSetChannelEmergencyOff_triggered()
{
    forSelectedChannels(&BaseModule::SetSelectedChannelsEmergencyOff);
}

void NorvControl::on_actionClearChannelEmergencyOff_triggered()
{
    forSelectedChannels(&BaseModule::ClearSelectedChannelsEmergencyOff);
}

void NorvControl::on_actionClearEvents_triggered()
{
    BaseModule *module = commandModule();
    if (!module)
        return;
    // Once per selected cell, as listed: a row with three selected cells is
    // cleared three times.
    for (int row : m_ui->table->selectedRows())
        module->ClearChannelEventStatus(row);
}

void NorvControl::on_actionSetVoltage_triggered()
{
    BaseModule *module = commandModule();
    const QList<int> rows = m_ui->table->selectedRows();
    // With no cell selected nothing would be written: asking would only
    // pretend to set a channel.
    if (!module || rows.isEmpty())
        return;

    CommandInputs::DoubleInput input;
    if (m_ui->table->hasMultipleSelection()) {
        const int current = m_ui->table->currentRow();
        input = CommandInputs::selectionVoltage(
            CommandInputs::nominalRange(voltageNominals(module)), module->voltageUnit(current),
            module->GetChannelVoltageSet(current));
    } else {
        // The channel named in the label is the one written, even where the
        // table's current cell lies outside the selection.
        const int channel = rows.first();
        input = CommandInputs::channelVoltage(
            channel, module->GetChannelVoltageNominal(channel), module->voltageUnit(channel),
            CommandInputs::allowsNegativeVoltage(module->firmwareName()),
            module->GetChannelVoltageSet(channel));
    }

    float value = 0;
    if (!askDouble(this, input, &value))
        return;
    for (int row : rows)
        module->SetChannelVoltageSet(row, value);
}

void NorvControl::on_actionSetCurrent_triggered()
{
    BaseModule *module = commandModule();
    const QList<int> rows = m_ui->table->selectedRows();
    if (!module || rows.isEmpty())
        return;

    CommandInputs::DoubleInput input;
    if (m_ui->table->hasMultipleSelection()) {
        const int current = m_ui->table->currentRow();
        input = CommandInputs::selectionCurrent(
            CommandInputs::nominalRange(currentNominals(module)), module->currentUnit(current),
            module->GetChannelCurrentSet(current));
    } else {
        const int channel = rows.first();
        input = CommandInputs::channelCurrent(channel, module->GetChannelCurrentNominal(channel),
                                              module->currentUnit(channel),
                                              module->GetChannelCurrentSet(channel));
    }

    float value = 0;
    if (!askDouble(this, input, &value))
        return;
    for (int row : rows)
        module->SetChannelCurrentSet(row, value);
}

void NorvControl::on_actionSetChannelVoltageMeasurementOn_triggered()
{
    changeCurrentChannelControl(0, VoltageMeasurement);
}

void NorvControl::on_actionSetChannelVoltageMeasurementOff_triggered()
{
    changeCurrentChannelControl(VoltageMeasurement, 0);
}

void NorvControl::on_actionSetChannelRippleMeasurementOn_triggered()
{
    changeCurrentChannelControl(0, RippleMeasurement);
}

void NorvControl::on_actionSetChannelRippleMeasurementOff_triggered()
{
    changeCurrentChannelControl(RippleMeasurement, 0);
}

// ---------------------------------------------------------------------------
// The current module as a whole

void NorvControl::on_actionSetAllChannelsOn_triggered()
{
    if (BaseModule *module = commandModule())
        module->SetSelectedChannelsOn(AllChannels);
}

void NorvControl::on_actionSetAllChannelsOff_triggered()
{
    if (BaseModule *module = commandModule())
        module->SetSelectedChannelsOff(AllChannels);
}

void NorvControl::on_actionSetEmergencyOff_triggered()
{
    if (BaseModule *module = commandModule())
        module->SetSelectedChannelsEmergencyOff(AllChannels);
}

void NorvControl::on_actionClearEmergencyOff_triggered()
{
    if (BaseModule *module = commandModule())
        module->ClearSelectedChannelsEmergencyOff(AllChannels);
}

void NorvControl::on_actionClearAllEvents_triggered()
{
    if (BaseModule *module = commandModule())
        module->doClear();
}

void NorvControl::on_actionSetKillEnable_triggered()
{
    if (BaseModule *module = commandModule())
        module->SetModuleKillEnable(true);
}

void NorvControl::on_actionSetKillDisable_triggered()
{
    if (BaseModule *module = commandModule())
        module->SetModuleKillEnable(false);
}

void NorvControl::on_actionSetAllVoltages_triggered()
{
    BaseModule *module = commandModule();
    if (!module)
        return;
    const int current = m_ui->table->currentRow();
    float value = 0;
    if (askDouble(this,
                  CommandInputs::moduleVoltage(
                      CommandInputs::nominalRange(voltageNominals(module)),
                      module->voltageUnit(current),
                      CommandInputs::allowsNegativeVoltage(module->firmwareName()),
                      module->GetChannelVoltageSet(current)),
                  &value))
        module->SetAllChannelsVoltageSet(value);
}

void NorvControl::on_actionSetAllCurrents_triggered()
{
    BaseModule *module = commandModule();
    if (!module)
        return;
    const int current = m_ui->table->currentRow();
    float value = 0;
    if (askDouble(this,
                  CommandInputs::moduleCurrent(CommandInputs::nominalRange(currentNominals(module)),
                                               module->currentUnit(current),
                                               module->GetChannelCurrentSet(current)),
                  &value))
        module->SetAllChannelsCurrentSet(value);
}

void NorvControl::on_actionVoltageRamp_triggered()
{
    BaseModule *module = commandModule();
    float value = 0;
    if (module
        && askDouble(this, CommandInputs::voltageRamp(module->GetModuleVoltageRampSpeed()), &value))
        module->SetModuleVoltageRampSpeed(value);
}

void NorvControl::on_actionCurrentRamp_triggered()
{
    BaseModule *module = commandModule();
    float value = 0;
    if (module
        && askDouble(this, CommandInputs::currentRamp(module->GetModuleCurrentRampSpeed()), &value))
        module->SetModuleCurrentRampSpeed(value);
}

void NorvControl::on_actionAdcSamplesPerSecond_triggered()
{
    BaseModule *module = commandModule();
    quint32 value = 0;
    if (module
        && askChoice(this,
                     CommandInputs::adcSamplesPerSecond(module->GetModuleAdcSamplesPerSecond()),
                     &value))
        module->SetModuleAdcSamplesPerSecond(value);
}

void NorvControl::on_actionDigitalFilter_triggered()
{
    BaseModule *module = commandModule();
    quint32 value = 0;
    if (module
        && askChoice(this, CommandInputs::digitalFilter(module->GetModuleDigitalFilter()), &value))
        module->SetModuleDigitalFilter(value);
}

void NorvControl::on_actionSetVoltageIncremental_triggered()
{
    BaseModule *module = commandModule();
    if (!module)
        return;
    const QList<float> values = CommandInputs::staircase(
        module->GetModuleChannelNumber(), module->GetChannelVoltageNominal(0), staircaseDownwards);
    if (values.isEmpty())
        return;
    for (int ch = 0; ch < values.size(); ++ch)
        module->SetChannelVoltageSet(ch, values.at(ch));
    staircaseDownwards = !staircaseDownwards;
}

// ---------------------------------------------------------------------------
// Every module, in slot order

void NorvControl::on_actionSetAllModulesOn_triggered()
{
    forAllModules(&BaseModule::SetSelectedChannelsOn);
}

void NorvControl::on_actionSetAllModulesOff_triggered()
{
    forAllModules(&BaseModule::SetSelectedChannelsOff);
}

void NorvControl::on_actionSetAllModulesEmergencyOff_triggered()
{
    forAllModules(&BaseModule::SetSelectedChannelsEmergencyOff);
}

void NorvControl::on_actionClearAllModulesEmergencyOff_triggered()
{
    forAllModules(&BaseModule::ClearSelectedChannelsEmergencyOff);
}

void NorvControl::on_actionClearAllModulesEvents_triggered()
{
    for (BaseModule *module : systemModules())
        module->doClear();
}

void NorvControl::on_actionSetAllModulesVoltage_triggered()
{
    setAllModules(this, commandModule(), m_ui->table->currentRow(), systemModules(),
                  &BaseModule::GetChannelVoltageNominal, &CommandInputs::systemVoltage,
                  &BaseModule::voltageUnit, &BaseModule::GetChannelVoltageSet,
                  &BaseModule::SetAllChannelsVoltageSet);
}

void NorvControl::on_actionSetAllModulesCurrent_triggered()
{
    setAllModules(this, commandModule(), m_ui->table->currentRow(), systemModules(),
                  &BaseModule::GetChannelCurrentNominal, &CommandInputs::systemCurrent,
                  &BaseModule::currentUnit, &BaseModule::GetChannelCurrentSet,
                  &BaseModule::SetAllChannelsCurrentSet);
}

void NorvControl::on_actionSetAllModulesVoltageRamp_triggered()
{
    BaseModule *current = commandModule();
    float value = 0;
    if (!current
        || !askDouble(this, CommandInputs::voltageRamp(current->GetModuleVoltageRampSpeed()),
                      &value))
        return;
    for (BaseModule *module : systemModules())
        module->SetModuleVoltageRampSpeed(value);
}

void NorvControl::on_actionSetAllModulesCurrentRamp_triggered()
{
    BaseModule *current = commandModule();
    float value = 0;
    if (!current
        || !askDouble(this, CommandInputs::currentRamp(current->GetModuleCurrentRampSpeed()),
                      &value))
        return;
    for (BaseModule *module : systemModules())
        module->SetModuleCurrentRampSpeed(value);
}

// ---------------------------------------------------------------------------
// Context menus: built for each right click and deleted after it.

QMenu *NorvControl::buildChannelContextMenu()
{
    const QList<int> rows = m_ui->table->selectedRows();
    auto *menu = new QMenu(this);
    addTitle(menu,
             m_ui->table->hasMultipleSelection()
                 ? tr("Selected Channels menu")
                 : tr("Channel %1 menu").arg(m_ui->table->currentRow()));
    addEntry(menu, tr("Set Voltage..."), m_ui->actionSetVoltage);
    addEntry(menu, tr("Set Current..."), m_ui->actionSetCurrent);
    menu->addSeparator();
    addEntry(menu, tr("Set On"), m_ui->actionSetChannelOn);
    addEntry(menu, tr("Set Off"), m_ui->actionSetChannelOff);
    menu->addSeparator();
    addEntry(menu, tr("Set Emergency Off"), m_ui->actionSetChannelEmergencyOff);
    addEntry(menu, tr("Clear Emergency Off"), m_ui->actionClearChannelEmergencyOff);
    menu->addSeparator();
    addEntry(menu, tr("Clear Events"), m_ui->actionClearEvents);
    menu->addSeparator();
    // The status dialog shows one channel.
    QAction *status = addEntry(menu, tr("Status / Control..."), m_ui->actionStatusControl);
    status->setEnabled(status->isEnabled() && rows.size() == 1);
    QAction *bounds = addEntry(menu, tr("Set Bounds..."), m_ui->actionBounds);
    bounds->setEnabled(false);
    return menu;
}

QMenu *NorvControl::buildModuleContextMenu()
{
    auto *menu = new QMenu(this);
    addTitle(menu, tr("Module menu"));
    addEntry(menu, tr("Set All Voltages..."), m_ui->actionSetAllVoltages);
    addEntry(menu, tr("Set All Currents..."), m_ui->actionSetAllCurrents);
    menu->addSeparator();
    addEntry(menu, tr("Set All On"), m_ui->actionSetAllChannelsOn);
    addEntry(menu, tr("Set All Off"), m_ui->actionSetAllChannelsOff);
    menu->addSeparator();
    addEntry(menu, tr("Set All Emergency Off"), m_ui->actionSetEmergencyOff);
    addEntry(menu, tr("Clear All Emergency Off"), m_ui->actionClearEmergencyOff);
    menu->addSeparator();
    addEntry(menu, tr("Set Voltage Ramp..."), m_ui->actionVoltageRamp);
    addEntry(menu, tr("Set Current Ramp..."), m_ui->actionCurrentRamp);
    menu->addSeparator();
    addEntry(menu, tr("Clear All Events"), m_ui->actionClearAllEvents);
    menu->addSeparator();
    addEntry(menu, tr("Status / Control..."), m_ui->actionModuleStatusControl);
    return menu;
}

QMenu *NorvControl::buildSystemContextMenu()
{
    auto *menu = new QMenu(this);
    addTitle(menu, tr("System menu"));
    addEntry(menu, tr("Set All Voltages..."), m_ui->actionSetAllModulesVoltage);
    addEntry(menu, tr("Set All Currents..."), m_ui->actionSetAllModulesCurrent);
    menu->addSeparator();
    addEntry(menu, tr("Set All On"), m_ui->actionSetAllModulesOn);
    addEntry(menu, tr("Set All Off"), m_ui->actionSetAllModulesOff);
    menu->addSeparator();
    addEntry(menu, tr("Set All Emergency Off"), m_ui->actionSetAllModulesEmergencyOff);
    addEntry(menu, tr("Clear All Emergency Off"), m_ui->actionClearAllModulesEmergencyOff);
    menu->addSeparator();
    addEntry(menu, tr("Set Voltage Ramp..."), m_ui->actionSetAllModulesVoltageRamp);
    addEntry(menu, tr("Set Current Ramp..."), m_ui->actionSetAllModulesCurrentRamp);
    menu->addSeparator();
    addEntry(menu, tr("Clear All Events"), m_ui->actionClearAllModulesEvents);
    return menu;
}

void NorvControl::on_table_customContextMenuRequested(const QPoint &)
{
    showAtCursor(buildChannelContextMenu());
}

void NorvControl::on_lstModules_customContextMenuRequested(const QPoint &)
{
    showAtCursor(buildSystemContextMenu());
}

void NorvControl::contextMenuEvent(QContextMenuEvent *event)
{
    showAtCursor(buildModuleContextMenu());
    event->accept();
}
