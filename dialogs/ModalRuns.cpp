#include "ModalRuns.h"

#include "BaseModule.h"
#include "DialogSetCurrent.h"
#include "DialogSettings.h"

#include <QtGlobal>
#include <algorithm>

namespace ModalRuns {

namespace {

    ModalRunner &modalRunner()
    {
        static ModalRunner runner;
        return runner;
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

void setModalRunner(ModalRunner runner) { modalRunner() = std::move(runner); }

int runModal(QDialog *dialog)
{
    if (modalRunner())
        return modalRunner()(dialog);
    return dialog->exec();
}

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

} // namespace ModalRuns
