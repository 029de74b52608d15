// The main window's side of the channel and module detail dialogs: each
// action creates its dialog on first use and shows it again later; the
// set-current and settings dialogs run modally for the current module.
#include "NorvControl.h"

#include "BaseModule.h"
#include "DialogWiring.h"
#include "ui_norvcontrol.h"

void NorvControl::on_actionStatusControl_triggered()
{
    DialogWiring::showChannelControl(this, m_dialogChannelControl);
}

void NorvControl::on_actionModuleStatusControl_triggered()
{
    BaseModule *module = commandModule();
    DialogWiring::showModuleControl(this, m_dialogModuleControl,
                                    module ? module->GetModuleChannelNumber() : 0);
}

void NorvControl::on_actionBounds_triggered()
{
    DialogWiring::showChannelBounds(this, m_dialogChannelBounds);
}

void NorvControl::on_actionSuppliesAndTemperature_triggered()
{
    DialogWiring::showSuppliesTempLimits(this, m_dialogSuppliesTempLimits);
}

void NorvControl::on_actionCrates_triggered() { DialogWiring::showCrate(this, m_dialogCrate); }

void NorvControl::on_actionSetCurrentTrip_triggered()
{
    DialogWiring::runSetCurrentTrip(this, commandModule(), m_ui->table->currentRow());
}

void NorvControl::on_actionSetAllChannelsCurrentTrip_triggered()
{
    DialogWiring::runSetAllChannelsCurrentTrip(this, commandModule(), m_ui->table->currentRow());
}

void NorvControl::on_actionSettings_triggered() { DialogWiring::runSettings(commandModule()); }
