#include "DialogConnections.h"

#include <CrateCore.h>
#include <DialogChannelBounds.h>
#include <DialogChannelControl.h>
#include <DialogCrate.h>
#include <DialogFactory.h>
#include <DialogFlexGroups.h>
#include <DialogInterlockOut.h>
#include <DialogModuleControl.h>
#include <DialogOverview.h>
#include <DialogSpecial.h>
#include <DialogStatistic.h>
#include <DialogSuppliesTempLimits.h>
#include <FactoryStateMachine.h>

namespace DialogConnections {

using C = CrateCore;

void connect(CrateCore *crate, DialogChannelControl *dialog)
{
    using D = DialogChannelControl;
    QObject::connect(crate, &C::updateChannelControl, dialog, &D::updateChannelControl);
    QObject::connect(crate, &C::updateChannelStatus, dialog, &D::updateChannelStatus);
    QObject::connect(crate, &C::updateChannelEventStatus, dialog, &D::updateChannelEventStatus);
    QObject::connect(crate, &C::updateChannelEventMask, dialog, &D::updateChannelEventMask);
    QObject::connect(crate, &C::updateModuleControl, dialog, &D::updateModuleControl);
    QObject::connect(crate, &C::updateModuleStatus, dialog, &D::updateModuleStatus);
    QObject::connect(crate, &C::updateChannelVoltageNominal, dialog,
                     &D::updateChannelVoltageNominal);
    QObject::connect(crate, &C::updateChannelCurrentNominal, dialog,
                     &D::updateChannelCurrentNominal);
    QObject::connect(crate, &C::updateChannelVoltageHardwareNominal, dialog,
                     &D::updateChannelVoltageHardwareNominal);
    QObject::connect(crate, &C::updateChannelCurrentHardwareNominal, dialog,
                     &D::updateChannelCurrentHardwareNominal);

    QObject::connect(dialog, &D::setChannelControl, crate, &C::setChannelControl);
    QObject::connect(dialog, &D::setChannelEventMask, crate, &C::setChannelEventMask);
    QObject::connect(dialog, &D::clearChannelEvents, crate, &C::clearChannelEvents);
    QObject::connect(dialog, &D::clearModuleEventChannelStatus, crate,
                     &C::clearModuleEventChannelStatus);
    QObject::connect(dialog, &D::setModuleEventChannelMask, crate, &C::setModuleEventChannelMask);
    QObject::connect(dialog, &D::setModuleControl, crate, &C::setModuleControl);
    QObject::connect(dialog, &D::setChannelVoltageNominal, crate, &C::setChannelVoltageNominal);
    QObject::connect(dialog, &D::setChannelCurrentNominal, crate, &C::setChannelCurrentNominal);
}

void connect(CrateCore *crate, DialogModuleControl *dialog)
{
    using D = DialogModuleControl;
    QObject::connect(crate, &C::updateModuleControl, dialog, &D::updateModuleControl);
    QObject::connect(crate, &C::updateModuleStatus, dialog, &D::updateModuleStatus);
    QObject::connect(crate, &C::updateModuleEventStatus, dialog, &D::updateModuleEventStatus);
    QObject::connect(crate, &C::updateModuleEventMask, dialog, &D::updateModuleEventMask);
    QObject::connect(crate, &C::updateModuleRestartTime, dialog, &D::updateModuleRestartTime);
    QObject::connect(crate, &C::updateModuleEventChannelStatus, dialog,
                     &D::updateModuleEventChannelStatus);
    QObject::connect(crate, &C::updateModuleEventChannelMask, dialog,
                     &D::updateModuleEventChannelMask);
    QObject::connect(crate, &C::updateModuleEventGroupStatus, dialog,
                     &D::updateModuleEventGroupStatus);
    QObject::connect(crate, &C::updateModuleEventGroupMask, dialog, &D::updateModuleEventGroupMask);

    QObject::connect(dialog, &D::clearModuleEvents, crate, &C::clearModuleEvents);
    QObject::connect(dialog, &D::setModuleControl, crate, &C::setModuleControl);
    QObject::connect(dialog, &D::setModuleEventMask, crate, &C::setModuleEventMask);
    QObject::connect(dialog, &D::setRestartTime, crate, &C::setRestartTime);
    QObject::connect(dialog, &D::clearModuleEventChannelStatus, crate,
                     &C::clearModuleEventChannelStatus);
    QObject::connect(dialog, &D::setModuleEventChannelMask, crate, &C::setModuleEventChannelMask);
    QObject::connect(dialog, &D::clearModuleEventGroupStatus, crate,
                     &C::clearModuleEventGroupStatus);
    QObject::connect(dialog, &D::setModuleEventGroupMask, crate, &C::setModuleEventGroupMask);
}

void connect(CrateCore *crate, DialogChannelBounds *dialog)
{
    using D = DialogChannelBounds;
    QObject::connect(crate, &C::updateChannelVoltageNominal, dialog,
                     &D::updateChannelVoltageNominal);
    QObject::connect(crate, &C::updateChannelCurrentNominal, dialog,
                     &D::updateChannelCurrentNominal);
    QObject::connect(crate, &C::updateChannelControl, dialog, &D::updateChannelControl);
    QObject::connect(crate, &C::updateChannelVoltageInterlockMinSet, dialog,
                     &D::updateChannelVoltageInterlockMinSet);
    QObject::connect(crate, &C::updateChannelVoltageInterlockMaxSet, dialog,
                     &D::updateChannelVoltageInterlockMaxSet);
    QObject::connect(crate, &C::updateChannelCurrentInterlockMinSet, dialog,
                     &D::updateChannelCurrentInterlockMinSet);
    QObject::connect(crate, &C::updateChannelCurrentInterlockMaxSet, dialog,
                     &D::updateChannelCurrentInterlockMaxSet);

    QObject::connect(dialog, &D::setChannelBounds, crate, &C::setChannelBounds);
    QObject::connect(dialog, &D::setChannelControl, crate, &C::setChannelControl);
}

void connect(CrateCore *crate, DialogSuppliesTempLimits *dialog)
{
    using D = DialogSuppliesTempLimits;
    QObject::connect(crate, &C::updateModuleSupplyP5, dialog, &D::updateModuleSupplyP5);
    QObject::connect(crate, &C::updateModuleSupplyP12, dialog, &D::updateModuleSupplyP12);
    QObject::connect(crate, &C::updateModuleSupplyN12, dialog, &D::updateModuleSupplyN12);
    QObject::connect(crate, &C::updateModuleVoltageHardwareLimit, dialog,
                     &D::updateModuleVoltageHardwareLimit);
    QObject::connect(crate, &C::updateModuleCurrentHardwareLimit, dialog,
                     &D::updateModuleCurrentHardwareLimit);
    QObject::connect(crate, &C::updateModuleTemperature, dialog, &D::updateModuleTemperature);
}

void connect(CrateCore *crate, DialogCrate *dialog)
{
    using D = DialogCrate;
    QObject::connect(crate, &C::updateCrateSupply5V, dialog, &D::updateSupply5V);
    QObject::connect(crate, &C::updateCrateSupply24V, dialog, &D::updateSupply24V);
    QObject::connect(crate, &C::updateCrateBattery24V, dialog, &D::updateBattery24V);
    QObject::connect(crate, &C::updateCrateTemperatureBackPlane, dialog,
                     &D::updateTemperatureBackPlane);
    QObject::connect(crate, &C::updateCrateTemperaturePowerSupply, dialog,
                     &D::updateTemperaturePowerSupply);
    QObject::connect(crate, &C::updateCrateStatus, dialog, &D::updateStatus);
    QObject::connect(crate, &C::updateCratePowerOn, dialog, &D::updatePowerOn);

    QObject::connect(dialog, &D::setPowerOn, crate, &C::setCratePowerOn);
}

void connect(CrateCore *crate, DialogOverview *dialog)
{
    using D = DialogOverview;
    QObject::connect(crate, &C::updateChannelVoltageMeasure, dialog,
                     &D::updateChannelVoltageMeasure);
    QObject::connect(crate, &C::updateChannelCurrentMeasure, dialog,
                     &D::updateChannelCurrentMeasure);
    QObject::connect(crate, &C::updateChannelVoltage, dialog, &D::updateChannelVoltage);
    QObject::connect(crate, &C::updateChannelStatus, dialog, &D::updateChannelStatus);
}

void connect(CrateCore *crate, DialogFactory *dialog)
{
    // The dialog's procedures take the reports and send the requests.
    using M = FactoryStateMachine;
    M *machine = dialog->machine();
    QObject::connect(crate, &C::updateModuleControl, machine, &M::updateModuleControl);
    QObject::connect(crate, &C::updateModuleStatus, machine, &M::updateModuleStatus);
    QObject::connect(crate, &C::updateModuleEventMask, machine, &M::updateModuleEventMask);
    QObject::connect(crate, &C::updateModuleEventChannelMask, machine,
                     &M::updateModuleEventChannelMask);
    QObject::connect(crate, &C::updateChannelVoltageNominal, machine,
                     &M::updateChannelVoltageNominal);
    QObject::connect(crate, &C::updateChannelCurrentNominal, machine,
                     &M::updateChannelCurrentNominal);

    QObject::connect(machine, &M::setModuleControl, crate, &C::setModuleControl);
    QObject::connect(machine, &M::setModuleEventMask, crate, &C::setModuleEventMask);
    QObject::connect(machine, &M::setModuleEventChannelMask, crate, &C::setModuleEventChannelMask);
}

void connect(CrateCore *crate, DialogFlexGroups *dialog)
{
    using D = DialogFlexGroups;
    QObject::connect(crate, &C::updateModuleFlexGroups, dialog, &D::updateModuleFlexGroups);

    QObject::connect(dialog, &D::getFlexGroupData, crate, &C::getFlexGroupData);
    QObject::connect(dialog, &D::setFlexGroup, crate, &C::setFlexGroup);
}

void connect(CrateCore *crate, DialogSpecial *dialog)
{
    using D = DialogSpecial;
    QObject::connect(crate, &C::updateModuleControl, dialog, &D::updateModuleControl);
    QObject::connect(crate, &C::updateModuleStatus, dialog, &D::updateModuleStatus);
    QObject::connect(crate, &C::updateModuleSpecialControlStatus, dialog,
                     &D::updateModuleSpecialControlStatus);

    QObject::connect(dialog, &D::setModuleControl, crate, &C::setModuleControl);
    QObject::connect(dialog, &D::setSpecialControl, crate, &C::setSpecialControl);
    QObject::connect(dialog, &D::sendHexLine, crate, &C::sendHexLine);
}

void connect(CrateCore *crate, DialogStatistic *dialog)
{
    using D = DialogStatistic;
    QObject::connect(crate, &C::updateChannelVoltageMeasure, dialog,
                     &D::updateChannelVoltageMeasure);
    QObject::connect(crate, &C::updateChannelCurrentMeasure, dialog,
                     &D::updateChannelCurrentMeasure);
    QObject::connect(crate, &C::updateAllModulesComplete, dialog, &D::updateAllModulesComplete);
    QObject::connect(crate, &C::updateModuleTemperature, dialog, &D::updateModuleTemperature);
}

void connect(CrateCore *crate, DialogInterlockOut *dialog)
{
    using D = DialogInterlockOut;
    QObject::connect(crate, &C::updateInterlockStatus, dialog, &D::updateInterlockStatus);
    QObject::connect(crate, &C::updateInterlockControl, dialog, &D::updateInterlockControl);
    QObject::connect(crate, &C::updateInterlockCount, dialog, &D::updateInterlockCount);
    QObject::connect(crate, &C::updateInterlockLastTrigger, dialog, &D::updateInterlockLastTrigger);
    QObject::connect(crate, &C::updateInterlockChannelActualActive, dialog,
                     &D::updateInterlockChannelActualActive);
    QObject::connect(crate, &C::updateInterlockChannelEverTriggered, dialog,
                     &D::updateInterlockChannelEverTriggered);

    QObject::connect(dialog, &D::setInterlockControl, crate, &C::setInterlockOutControl);
}

} // namespace DialogConnections
