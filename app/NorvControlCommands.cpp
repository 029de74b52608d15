// The operator's commands: the channel, module and system actions of the
// menus, their input dialogs, and the three context menus. A command reads
// what it needs from the current module, asks the operator through the
// prompt and writes; nothing is read back, the refresh cycle shows the effect.
#include "NorvControl.h"

#include <CommandInputs.h>
#include "OperatorPrompt.h"
#include "SetValueInput.h"
#include "ui_norvcontrol.h"

#include <BaseModule.h>
#include <CorePrompt.h>
#include <CrateCore.h>
#include <WordBits.h>

#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QCursor>
#include <QMenu>
#include <QStatusBar>

#include <memory>

namespace {

using WordBits::AllChannels;
using WordBits::ChannelControl::RippleMeasurement;
using WordBits::ChannelControl::VoltageMeasurement;

// Which way the next set-voltage staircase runs. One value for the whole
// process, so that alternate uses give the nominal voltage to the first and
// to the last channel.
bool staircaseDownwards = true;

constexpr int StatusMessageMs = 10000;

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

// Asks for a number and checks it against the dialog's bounds: a value
// outside them is refused with a message and nothing is written.
bool askDouble(QWidget *parent, const CommandInputs::DoubleInput &input, const QString &unit,
               double *value)
{
    bool ok = false;
    const double answer = OperatorPrompt::instance()->getDouble(
        parent, CorePrompt::programTitle(), input.label, input.value, input.minimum, input.maximum,
        input.decimals, &ok);
    if (!ok)
        return false;
    const SetValueInput::Result checked
        = SetValueInput::fromValue(answer, {input.minimum, input.maximum, unit});
    if (!checked.accepted) {
        SetValueInput::refuse(parent, checked.refusal);
        return false;
    }
    *value = checked.value;
    return true;
}

bool askDouble(QWidget *parent, const CommandInputs::DoubleInput &input, float *value)
{
    double answer = 0;
    if (!askDouble(parent, input, QStringLiteral("%/s"), &answer))
        return false;
    *value = float(answer);
    return true;
}

// Voltages or currents of a module in the unit its display shows, and back:
// the operator types what the table shows.
class Shown
{
public:
    static Shown voltages(BaseModule *module) { return Shown(module, -1); }
    static Shown currents(BaseModule *module)
    {
        return Shown(module, DisplayFormat::currentUnitIndex(module->currentUnit(0)));
    }

    QString unit() const
    {
        return m_ownCurrentUnit < 0 ? m_format.voltageUnitText() : m_format.currentUnitText();
    }
    double shown(double own) const
    {
        return m_ownCurrentUnit < 0 ? m_format.voltageToDisplay(own)
                                    : m_format.currentToDisplay(own, m_ownCurrentUnit);
    }
    float own(double shown) const
    {
        return float(m_ownCurrentUnit < 0 ? m_format.voltageFromDisplay(shown)
                                          : m_format.currentFromDisplay(shown, m_ownCurrentUnit));
    }
    CommandInputs::NominalRange shown(const CommandInputs::NominalRange &own) const
    {
        return {shown(own.largest), shown(own.smallest)};
    }
    /// Asks with `input` (in shown units) and gives the answer in the module's unit.
    bool ask(QWidget *parent, const CommandInputs::DoubleInput &input, float *value) const
    {
        double answer = 0;
        if (!askDouble(parent, input, unit(), &answer))
            return false;
        *value = own(answer);
        return true;
    }

private:
    Shown(BaseModule *module, int ownCurrentUnit)
        : m_format(module->displayFormat())
        , m_ownCurrentUnit(ownCurrentUnit)
    {
    }

    DisplayFormat m_format;
    int m_ownCurrentUnit; // -1 for voltages
};

bool askChoice(QWidget *parent, const CommandInputs::Choice &choice, quint32 *value)
{
    bool ok = false;
    const QString answer = OperatorPrompt::instance()->getItem(
        parent, CorePrompt::programTitle(), choice.label, choice.items, choice.current, false, &ok);
    return ok && CommandInputs::choiceValue(answer, value);
}

// Asks for one value bounded by the largest nominal of every channel of
// `modules`, in the units `current` shows, prefilled from channel `row` of
// `current`, and gives it to every module with `setAll`.
void setAllModules(QWidget *parent, BaseModule *current, int row,
                   const QList<BaseModule *> &modules, ChannelGetter nominal,
                   CommandInputs::DoubleInput (*input)(const CommandInputs::NominalRange &,
                                                       const QString &, double),
                   const Shown &shown, ChannelGetter setValue, void (BaseModule::*setAll)(float))
{
    if (!current)
        return;
    float value = 0;
    if (!shown.ask(parent,
                   input(shown.shown(CommandInputs::nominalRange(channelValues(modules, nominal))),
                         shown.unit(), shown.shown((current->*setValue)(row))),
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
    // the placeholder of a failed connection. A module that does not answer
    // would be commanded with the zeros of its failed reads.
    if (m_crate->moduleCount() == 0)
        return nullptr;
    return identified(answeringModule(m_crate->currentModule()));
}

QList<BaseModule *> NorvControl::systemModules()
{
    QList<BaseModule *> modules;
    QStringList silent;
    for (int slot = 0; slot < m_crate->moduleCount(); ++slot) {
        BaseModule *module = m_crate->module(slot);
        if (m_crate->moduleState(slot) == ModuleSlot::NotAnswering)
            silent.append(module->GetModuleAddress());
        else
            modules.append(identified(module));
    }
    if (!silent.isEmpty())
        statusBar()->showMessage(
            tr("%1 does not answer: nothing was sent to it.").arg(silent.join(QStringLiteral(", "))),
            StatusMessageMs);
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

    const Shown shown = Shown::voltages(module);
    CommandInputs::DoubleInput input;
    if (m_ui->table->hasMultipleSelection()) {
        const int current = m_ui->table->currentRow();
        input = CommandInputs::selectionVoltage(
            shown.shown(CommandInputs::nominalRange(voltageNominals(module))), shown.unit(),
            shown.shown(module->GetChannelVoltageSet(current)));
    } else {
        // The channel named in the label is the one written, even where the
        // table's current cell lies outside the selection.
        const int channel = rows.first();
        input = CommandInputs::channelVoltage(
            channel, shown.shown(module->GetChannelVoltageNominal(channel)), shown.unit(),
            CommandInputs::allowsNegativeVoltage(module->firmwareName()),
            shown.shown(module->GetChannelVoltageSet(channel)));
    }

    float value = 0;
    if (!shown.ask(this, input, &value))
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

    const Shown shown = Shown::currents(module);
    CommandInputs::DoubleInput input;
    if (m_ui->table->hasMultipleSelection()) {
        const int current = m_ui->table->currentRow();
        input = CommandInputs::selectionCurrent(
            shown.shown(CommandInputs::nominalRange(currentNominals(module))), shown.unit(),
            shown.shown(module->GetChannelCurrentSet(current)));
    } else {
        const int channel = rows.first();
        input = CommandInputs::channelCurrent(
            channel, shown.shown(module->GetChannelCurrentNominal(channel)), shown.unit(),
            shown.shown(module->GetChannelCurrentSet(channel)));
    }

    float value = 0;
    if (!shown.ask(this, input, &value))
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
    const Shown shown = Shown::voltages(module);
    float value = 0;
    if (shown.ask(this,
                  CommandInputs::moduleVoltage(
                      shown.shown(CommandInputs::nominalRange(voltageNominals(module))),
                      shown.unit(), CommandInputs::allowsNegativeVoltage(module->firmwareName()),
                      shown.shown(module->GetChannelVoltageSet(current))),
                  &value))
        module->SetAllChannelsVoltageSet(value);
}

void NorvControl::on_actionSetAllCurrents_triggered()
{
    BaseModule *module = commandModule();
    if (!module)
        return;
    const int current = m_ui->table->currentRow();
    const Shown shown = Shown::currents(module);
    float value = 0;
    if (shown.ask(this,
                  CommandInputs::moduleCurrent(
                      shown.shown(CommandInputs::nominalRange(currentNominals(module))),
                      shown.unit(), shown.shown(module->GetChannelCurrentSet(current))),
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
    BaseModule *current = commandModule();
    if (!current)
        return;
    setAllModules(this, current, m_ui->table->currentRow(), systemModules(),
                  &BaseModule::GetChannelVoltageNominal, &CommandInputs::systemVoltage,
                  Shown::voltages(current), &BaseModule::GetChannelVoltageSet,
                  &BaseModule::SetAllChannelsVoltageSet);
}

void NorvControl::on_actionSetAllModulesCurrent_triggered()
{
    BaseModule *current = commandModule();
    if (!current)
        return;
    setAllModules(this, current, m_ui->table->currentRow(), systemModules(),
                  &BaseModule::GetChannelCurrentNominal, &CommandInputs::systemCurrent,
                  Shown::currents(current), &BaseModule::GetChannelCurrentSet,
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
