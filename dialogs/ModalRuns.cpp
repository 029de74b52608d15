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

    /// Currents between the module's unit and the unit the operator sees.
    struct ShownCurrent
    {
        explicit ShownCurrent(BaseModule &module)
            : format(module.displayFormat())
            , own(DisplayFormat::currentUnitIndex(module.currentUnit(0)))
        {
        }
        double shown(float current) const { return format.currentToDisplay(current, own); }
        float inOwnUnit(double shown) const { return float(format.currentFromDisplay(shown, own)); }

        DisplayFormat format;
        int own;
    };

    /// Value, unit and delayed trip as channel `row` has them now.
    void fillFromChannel(DialogSetCurrent &dialog, BaseModule &module, int row,
                         const ShownCurrent &units)
    {
        dialog.setValue(units.shown(module.GetChannelCurrentSet(row)));
        dialog.setUnit(units.format.currentUnitText());
        dialog.setDelayedTripSupported(module.supportsDelayedTrip());
        dialog.setDelayedTrip(module.supportsDelayedTrip()
                              && module.GetChannelDelayedTripEnabled(row));
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
    const ShownCurrent units(*module);
    DialogSetCurrent dialog(parent);
    dialog.setChannel(row);
    dialog.setMaximum(units.shown(module->GetChannelCurrentNominal(row)));
    fillFromChannel(dialog, *module, row, units);
    // The dialog refuses to close on a value out of range; a runner that
    // answers for it gets the same refusal here.
    if (runModal(&dialog) != QDialog::Accepted || !dialog.valueAllowed())
        return false;
    module->SetChannelCurrentSet(row, units.inOwnUnit(dialog.value()));
    if (module->supportsDelayedTrip())
        module->SetChannelDelayedTrip(row, dialog.delayedTrip(), dialog.rampDown(),
                                      dialog.tripDelay());
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
    const ShownCurrent units(*module);
    DialogSetCurrent dialog(parent);
    dialog.setChannel(-1);
    dialog.setMaximum(units.shown(largest));
    dialog.setLowestMaximum(units.shown(smallest));
    // Without a current row the first channel stands for the module.
    fillFromChannel(dialog, *module, std::max(row, 0), units);
    if (runModal(&dialog) != QDialog::Accepted || !dialog.valueAllowed())
        return false;
    module->SetAllChannelsCurrentSet(units.inOwnUnit(dialog.value()));
    if (!module->supportsDelayedTrip())
        return true;
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
    // The display as it is now; the dialog lists micro as the micro sign.
    const DisplayFormat format = module->displayFormat();
    dialog.setUseControllerUnits(module->useControllerUnits());
    dialog.setVoltageUnit(format.voltageUnitText());
    dialog.setVoltagePrecision(module->voltagePrecision());
    dialog.setCurrentUnit(format.currentUnit == DisplayFormat::Microampere
                              ? QString(QChar(0x00B5)) + QLatin1Char('A')
                              : format.currentUnitText());
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
