// The main window's side of the tool and detail dialogs: each action creates
// its dialog on first use, wires it to the crate core and shows it again
// later; the set-current and settings dialogs run modally for the current
// module.
#include "NorvControl.h"

#include "DialogConnections.h"
#include "ModalRuns.h"
#include "ui_norvcontrol.h"

#include <BaseModule.h>
#include <CrateCore.h>
#include <DialogChannelBounds.h>
#include <DialogChannelControl.h>
#include <DialogCrate.h>
#include <DialogModuleControl.h>
#include <DialogOverview.h>
#include <DialogSuppliesTempLimits.h>
#include <SettingsStore.h>

namespace {

/// Creates and wires the dialog on first use (parent: the main window).
template<class Dialog> Dialog *made(QWidget *window, CrateCore *crate, Dialog *&dialog)
{
    if (!dialog) {
        dialog = new Dialog(window);
        DialogConnections::connect(crate, dialog);
    }
    return dialog;
}

void showAndActivate(QWidget *dialog)
{
    dialog->show();
    dialog->activateWindow();
}

} // namespace

void NorvControl::on_actionModuleOverview_triggered()
{
    if (!m_dialogOverview) {
        made(this, m_crate.get(), m_dialogOverview);
        for (int slot = 0; slot < m_crate->moduleCount(); ++slot) {
            BaseModule *module = m_crate->module(slot);
            const int serial = module->GetModuleSerialNumber();
            const QString release = module->GetModuleFirmwareRelease();
            m_dialogOverview->addModule(serial, module->GetModuleAddress(), module->firmwareName(),
                                        release);
        }
    }
    showAndActivate(m_dialogOverview);
}

void NorvControl::on_actionStatusControl_triggered()
{
    if (currentModuleSilent())
        return;
    showAndActivate(made(this, m_crate.get(), m_dialogChannelControl));
}

void NorvControl::on_actionModuleStatusControl_triggered()
{
    if (currentModuleSilent())
        return;
    BaseModule *module = commandModule();
    made(this, m_crate.get(), m_dialogModuleControl)
        ->setChannelCount(module ? module->GetModuleChannelNumber() : 0);
    showAndActivate(m_dialogModuleControl);
}

void NorvControl::on_actionBounds_triggered()
{
    if (currentModuleSilent())
        return;
    made(this, m_crate.get(), m_dialogChannelBounds);
    showDisplayFormat();
    showAndActivate(m_dialogChannelBounds);
}

void NorvControl::showDisplayFormat()
{
    // The bounds are shown as the table shows values; the dialog still sends
    // them in the module's own units.
    BaseModule *module = m_crate->currentModule();
    if (m_dialogChannelBounds && module)
        m_dialogChannelBounds->setDisplayFormat(module->displayFormat());
}

void NorvControl::on_actionSuppliesAndTemperature_triggered()
{
    if (currentModuleSilent())
        return;
    showAndActivate(made(this, m_crate.get(), m_dialogSuppliesTempLimits));
}

void NorvControl::on_actionCrates_triggered()
{
    showAndActivate(made(this, m_crate.get(), m_dialogCrate));
}

void NorvControl::on_actionSetCurrentTrip_triggered()
{
    ModalRuns::runSetCurrentTrip(this, commandModule(), m_ui->table->currentRow());
}

void NorvControl::on_actionSetAllChannelsCurrentTrip_triggered()
{
    ModalRuns::runSetAllChannelsCurrentTrip(this, commandModule(), m_ui->table->currentRow());
}

void NorvControl::on_actionSettings_triggered()
{
    BaseModule *module = commandModule();
    if (!ModalRuns::runSettings(module))
        return;
    // Remembered by serial number: the module keeps its display wherever it
    // sits and whenever the program starts.
    SettingsStore::saveDisplaySettings(module, module->GetModuleSerialNumber());
    m_ui->table->setUnits(module->displayFormat().voltageUnitText(),
                          module->displayFormat().currentUnitText());
    showDisplayFormat();
}
