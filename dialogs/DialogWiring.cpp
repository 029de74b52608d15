#include "DialogWiring.h"

#include "BaseModule.h"
#include "DialogChannelBounds.h"
#include "DialogChannelControl.h"
#include "DialogCrate.h"
#include "DialogModuleControl.h"
#include "DialogSetCurrent.h"
#include "DialogSettings.h"
#include "DialogSuppliesTempLimits.h"

#include <QtGlobal>
#include <algorithm>
#include <initializer_list>

namespace DialogWiring {

namespace {

    struct Link
    {
        const char *signal;
        const char *slot;
    };

    /// Makes every link from `sender` to `receiver`; logs each one that fails.
    bool connectAll(QObject *sender, QObject *receiver, const char *dialog,
                    std::initializer_list<Link> links)
    {
        bool complete = true;
        for (const Link &link : links) {
            if (!QObject::connect(sender, link.signal, receiver, link.slot)) {
                // Skip the method-kind prefix SIGNAL() and SLOT() put in front.
                qWarning("DialogWiring: %s: cannot connect %s to %s", dialog, link.signal + 1,
                         link.slot + 1);
                complete = false;
            }
        }
        return complete;
    }

    ModalRunner &modalRunner()
    {
        static ModalRunner runner;
        return runner;
    }

    int runModal(QDialog *dialog)
    {
        if (modalRunner())
            return modalRunner()(dialog);
        return dialog->exec();
    }

    template<class Dialog> Dialog *showTool(QWidget *mainWindow, Dialog *&dialog)
    {
        if (!dialog) {
            dialog = new Dialog(mainWindow);
            DialogWiring::connect(mainWindow, dialog);
        }
        dialog->show();
        dialog->activateWindow();
        return dialog;
    }

    /// Value, unit and delayed trip as channel `row` has them now.
    void fillFromChannel(DialogSetCurrent &dialog, BaseModule &module, int row)
    {
        dialog.setValue(module.GetChannelCurrentSet(row));
        dialog.setUnit(module.currentUnit(row));
        dialog.setDelayedTrip(module.GetChannelDelayedTripEnabled(row));
        // Without a delayed trip the module's ramp choice means nothing; offer
        // the gentle one.
        dialog.setRampDown(dialog.delayedTrip() ? module.GetChannelDelayedTripRampDown(row) : true);
        dialog.setTripDelay(module.GetChannelDelayedTripTime(row));
    }

} // namespace

bool connect(QObject *mainWindow, DialogChannelControl *dialog)
{
    const bool updates = connectAll(
        mainWindow, dialog, "DialogChannelControl",
        {{SIGNAL(updateChannelControl(int, int, quint32)),
          SLOT(updateChannelControl(int, int, quint32))},
         {SIGNAL(updateChannelStatus(int, int, quint32)),
          SLOT(updateChannelStatus(int, int, quint32))},
         {SIGNAL(updateChannelEventStatus(int, int, quint32)),
          SLOT(updateChannelEventStatus(int, int, quint32))},
         {SIGNAL(updateChannelEventMask(int, int, quint32)),
          SLOT(updateChannelEventMask(int, int, quint32))},
         {SIGNAL(updateModuleControl(int, quint32)), SLOT(updateModuleControl(int, quint32))},
         {SIGNAL(updateModuleStatus(int, quint32)), SLOT(updateModuleStatus(int, quint32))},
         {SIGNAL(updateChannelVoltageNominal(int, int, float, QString)),
          SLOT(updateChannelVoltageNominal(int, int, float, QString))},
         {SIGNAL(updateChannelCurrentNominal(int, int, float, QString)),
          SLOT(updateChannelCurrentNominal(int, int, float, QString))},
         {SIGNAL(updateChannelVoltageHardwareNominal(int, int, float, QString)),
          SLOT(updateChannelVoltageHardwareNominal(int, int, float, QString))},
         {SIGNAL(updateChannelCurrentHardwareNominal(int, int, float, QString)),
          SLOT(updateChannelCurrentHardwareNominal(int, int, float, QString))}});
    const bool requests = connectAll(
        dialog, mainWindow, "DialogChannelControl",
        {{SIGNAL(setChannelControl(quint16, quint16)), SLOT(setChannelControl(quint16, quint16))},
         {SIGNAL(setChannelEventMask(quint16, quint16)),
          SLOT(setChannelEventMask(quint16, quint16))},
         {SIGNAL(clearChannelEvents(quint16)), SLOT(clearChannelEvents(quint16))},
         {SIGNAL(clearModuleEventChannelStatus()), SLOT(clearModuleEventChannelStatus())},
         {SIGNAL(setModuleEventChannelMask(quint32)), SLOT(setModuleEventChannelMask(quint32))},
         {SIGNAL(setModuleControl(quint16)), SLOT(setModuleControl(quint16))},
         {SIGNAL(setChannelVoltageNominal(int, float)), SLOT(setChannelVoltageNominal(int, float))},
         {SIGNAL(setChannelCurrentNominal(int, float)),
          SLOT(setChannelCurrentNominal(int, float))}});
    return updates && requests;
}

bool connect(QObject *mainWindow, DialogModuleControl *dialog)
{
    const bool updates = connectAll(
        mainWindow, dialog, "DialogModuleControl",
        {{SIGNAL(updateModuleControl(int, quint32)), SLOT(updateModuleControl(int, quint32))},
         {SIGNAL(updateModuleStatus(int, quint32)), SLOT(updateModuleStatus(int, quint32))},
         {SIGNAL(updateModuleEventStatus(int, quint32)),
          SLOT(updateModuleEventStatus(int, quint32))},
         {SIGNAL(updateModuleEventMask(int, quint32)), SLOT(updateModuleEventMask(int, quint32))},
         {SIGNAL(updateModuleRestartTime(int, quint32)),
          SLOT(updateModuleRestartTime(int, quint32))},
         {SIGNAL(updateModuleEventChannelStatus(int, quint32)),
          SLOT(updateModuleEventChannelStatus(int, quint32))},
         {SIGNAL(updateModuleEventChannelMask(int, quint32)),
          SLOT(updateModuleEventChannelMask(int, quint32))},
         {SIGNAL(updateModuleEventGroupStatus(int, quint32)),
          SLOT(updateModuleEventGroupStatus(int, quint32))},
         {SIGNAL(updateModuleEventGroupMask(int, quint32)),
          SLOT(updateModuleEventGroupMask(int, quint32))}});
    const bool requests = connectAll(
        dialog, mainWindow, "DialogModuleControl",
        {{SIGNAL(clearModuleEvents()), SLOT(clearModuleEvents())},
         {SIGNAL(setModuleControl(quint16)), SLOT(setModuleControl(quint16))},
         {SIGNAL(setModuleEventMask(quint16)), SLOT(setModuleEventMask(quint16))},
         {SIGNAL(setRestartTime(quint32)), SLOT(setRestartTime(quint32))},
         {SIGNAL(clearModuleEventChannelStatus()), SLOT(clearModuleEventChannelStatus())},
         {SIGNAL(setModuleEventChannelMask(quint32)), SLOT(setModuleEventChannelMask(quint32))},
         {SIGNAL(clearModuleEventGroupStatus()), SLOT(clearModuleEventGroupStatus())},
         {SIGNAL(setModuleEventGroupMask(quint32)), SLOT(setModuleEventGroupMask(quint32))}});
    return updates && requests;
}

bool connect(QObject *mainWindow, DialogChannelBounds *dialog)
{
    const bool updates
        = connectAll(mainWindow, dialog, "DialogChannelBounds",
                     {{SIGNAL(updateChannelVoltageNominal(int, int, float, QString)),
                       SLOT(updateChannelVoltageNominal(int, int, float, QString))},
                      {SIGNAL(updateChannelCurrentNominal(int, int, float, QString)),
                       SLOT(updateChannelCurrentNominal(int, int, float, QString))},
                      {SIGNAL(updateChannelControl(int, int, quint32)),
                       SLOT(updateChannelControl(int, int, quint32))},
                      {SIGNAL(updateChannelVoltageInterlockMinSet(int, int, float, QString)),
                       SLOT(updateChannelVoltageInterlockMinSet(int, int, float, QString))},
                      {SIGNAL(updateChannelVoltageInterlockMaxSet(int, int, float, QString)),
                       SLOT(updateChannelVoltageInterlockMaxSet(int, int, float, QString))},
                      {SIGNAL(updateChannelCurrentInterlockMinSet(int, int, float, QString)),
                       SLOT(updateChannelCurrentInterlockMinSet(int, int, float, QString))},
                      {SIGNAL(updateChannelCurrentInterlockMaxSet(int, int, float, QString)),
                       SLOT(updateChannelCurrentInterlockMaxSet(int, int, float, QString))}});
    const bool requests = connectAll(
        dialog, mainWindow, "DialogChannelBounds",
        {{SIGNAL(setChannelBounds(int, bool, float, float, bool, float, float)),
          SLOT(setChannelBounds(int, bool, float, float, bool, float, float))},
         {SIGNAL(setChannelControl(quint16, quint16)), SLOT(setChannelControl(quint16, quint16))}});
    return updates && requests;
}

bool connect(QObject *mainWindow, DialogSuppliesTempLimits *dialog)
{
    return connectAll(
        mainWindow, dialog, "DialogSuppliesTempLimits",
        {{SIGNAL(updateModuleSupplyP5(int, float)), SLOT(updateModuleSupplyP5(int, float))},
         {SIGNAL(updateModuleSupplyP12(int, float)), SLOT(updateModuleSupplyP12(int, float))},
         {SIGNAL(updateModuleSupplyN12(int, float)), SLOT(updateModuleSupplyN12(int, float))},
         {SIGNAL(updateModuleVoltageHardwareLimit(int, float)),
          SLOT(updateModuleVoltageHardwareLimit(int, float))},
         {SIGNAL(updateModuleCurrentHardwareLimit(int, float)),
          SLOT(updateModuleCurrentHardwareLimit(int, float))},
         {SIGNAL(updateModuleTemperature(int, float)), SLOT(updateModuleTemperature(int, float))}});
}

bool connect(QObject *mainWindow, DialogCrate *dialog)
{
    const bool updates = connectAll(
        mainWindow, dialog, "DialogCrate",
        {{SIGNAL(updateCrateSupply5V(int, float)), SLOT(updateSupply5V(int, float))},
         {SIGNAL(updateCrateSupply24V(int, float)), SLOT(updateSupply24V(int, float))},
         {SIGNAL(updateCrateBattery24V(int, float)), SLOT(updateBattery24V(int, float))},
         {SIGNAL(updateCrateTemperatureBackPlane(int, float)),
          SLOT(updateTemperatureBackPlane(int, float))},
         {SIGNAL(updateCrateTemperaturePowerSupply(int, float)),
          SLOT(updateTemperaturePowerSupply(int, float))},
         {SIGNAL(updateCrateStatus(int, int)), SLOT(updateStatus(int, int))},
         {SIGNAL(updateCratePowerOn(int, bool)), SLOT(updatePowerOn(int, bool))}});
    const bool requests
        = connectAll(dialog, mainWindow, "DialogCrate",
                     {{SIGNAL(setPowerOn(int, bool)), SLOT(setCratePowerOn(int, bool))}});
    return updates && requests;
}

DialogChannelControl *showChannelControl(QWidget *mainWindow, DialogChannelControl *&dialog)
{
    return showTool(mainWindow, dialog);
}

DialogModuleControl *showModuleControl(QWidget *mainWindow, DialogModuleControl *&dialog,
                                       int channelCount)
{
    if (!dialog) {
        dialog = new DialogModuleControl(mainWindow);
        DialogWiring::connect(mainWindow, dialog);
    }
    dialog->setChannelCount(channelCount);
    dialog->show();
    dialog->activateWindow();
    return dialog;
}

DialogChannelBounds *showChannelBounds(QWidget *mainWindow, DialogChannelBounds *&dialog)
{
    return showTool(mainWindow, dialog);
}

DialogSuppliesTempLimits *showSuppliesTempLimits(QWidget *mainWindow,
                                                 DialogSuppliesTempLimits *&dialog)
{
    return showTool(mainWindow, dialog);
}

DialogCrate *showCrate(QWidget *mainWindow, DialogCrate *&dialog)
{
    return showTool(mainWindow, dialog);
}

void setModalRunner(ModalRunner runner) { modalRunner() = std::move(runner); }

bool runSetCurrentTrip(QWidget *parent, BaseModule *module, int row)
{
    if (!module || row < 0)
        return false;
    DialogSetCurrent dialog(parent);
    dialog.setChannel(row);
    dialog.setMaximum(module->GetChannelCurrentNominal(row));
    fillFromChannel(dialog, *module, row);
    if (runModal(&dialog) != QDialog::Accepted)
        return false;
    module->SetChannelCurrentSet(row, float(dialog.value()));
    module->SetChannelDelayedTrip(row, dialog.delayedTrip(), dialog.rampDown(), dialog.tripDelay());
    return true;
}

bool runSetAllChannelsCurrentTrip(QWidget *parent, BaseModule *module, int row)
{
    if (!module)
        return false;
    const int channels = module->GetModuleChannelNumber();
    // A module without channels (absent or unidentified) offers the range 0...0.
    float largest = 0;
    float smallest = 0;
    for (int ch = 0; ch < channels; ++ch) {
        const float nominal = module->GetChannelCurrentNominal(ch);
        largest = ch == 0 ? nominal : std::max(largest, nominal);
        smallest = ch == 0 ? nominal : std::min(smallest, nominal);
    }
    DialogSetCurrent dialog(parent);
    dialog.setChannel(-1);
    dialog.setMaximum(largest);
    dialog.setLowestMaximum(smallest);
    // Without a current row the first channel stands for the module.
    fillFromChannel(dialog, *module, std::max(row, 0));
    if (runModal(&dialog) != QDialog::Accepted)
        return false;
    module->SetAllChannelsCurrentSet(float(dialog.value()));
    for (int ch = 0; ch < channels; ++ch)
        module->SetChannelDelayedTrip(ch, dialog.delayedTrip(), dialog.rampDown(),
                                      dialog.tripDelay());
    return true;
}

bool runSettings(BaseModule *module)
{
    if (!module)
        return false;
    DialogSettings dialog;
    // The units of channel 0 stand for the module.
    dialog.setUseControllerUnits(module->useControllerUnits());
    dialog.setVoltageUnit(module->voltageUnit(0));
    dialog.setVoltagePrecision(module->voltagePrecision());
    dialog.setCurrentUnit(module->currentUnit(0));
    dialog.setCurrentPrecision(module->currentPrecision());
    if (runModal(&dialog) != QDialog::Accepted)
        return false;
    module->setUseControllerUnits(dialog.useControllerUnits());
    module->setVoltageUnit(dialog.voltageUnit());
    module->setVoltagePrecision(dialog.voltagePrecision());
    module->setCurrentUnit(dialog.currentUnit());
    module->setCurrentPrecision(dialog.currentPrecision());
    return true;
}

} // namespace DialogWiring
