// The main window's maintenance actions: the factory dialog with the reset it
// asks for, and programming a new base address. The procedures themselves
// live in maintenance/ and run under the crate core's sequence guard.
#include "NorvControl.h"

#include "DialogConnections.h"
#include "WindowPrompt.h"
#include "ui_norvcontrol.h"

#include <BaseAddressProgram.h>
#include <BaseModule.h>
#include <CrateCore.h>
#include <DialogFactory.h>
#include <FactoryReset.h>
#include <FactoryStateMachine.h>
#include <Sequence.h>

void NorvControl::on_actionFactorySettings_triggered()
{
    if (!m_dialogFactory) {
        m_dialogFactory = new DialogFactory(this);
        DialogConnections::connect(m_crate.get(), m_dialogFactory);
        // The dialog asks from inside a refresh report; the reset waits and
        // may show boxes, so it runs after the report has been delivered.
        FactoryStateMachine *machine = m_dialogFactory->machine();
        connect(machine, &FactoryStateMachine::storeFactorySettings, this,
                &NorvControl::storeFactorySettings, Qt::QueuedConnection);
        connect(this, &NorvControl::factoryResetDone, machine,
                &FactoryStateMachine::factoryResetDone);
    }
    BaseModule *module = commandModule();
    m_dialogFactory->machine()->setChannelNumber(module ? module->GetModuleChannelNumber() : 0);
    m_dialogFactory->show();
    m_dialogFactory->activateWindow();
}

void NorvControl::storeFactorySettings()
{
    bool succeeded = false;
    if (std::unique_ptr<Sequence> sequence = m_crate->beginSequence(tr("the factory reset"))) {
        FactoryReset reset;
        // Reported as the refresh cycle reports them, to every dialog.
        connect(&reset, &FactoryReset::updateChannelVoltageNominal, m_crate.get(),
                &CrateCore::updateChannelVoltageNominal);
        connect(&reset, &FactoryReset::updateChannelCurrentNominal, m_crate.get(),
                &CrateCore::updateChannelCurrentNominal);
        succeeded = reset.run(
            *sequence, [this](int ms) { m_crate->wait(ms); }, *m_windowPrompt);
    }
    // The sequence has ended: the refresh runs again.
    emit factoryResetDone(succeeded);
}

void NorvControl::on_actionProgramNewBaseAddress_triggered()
{
    using Outcome = BaseAddressProgram::Outcome;
    const int slot = m_crate->currentModuleIndex();
    Outcome outcome = Outcome::Cancelled;
    {
        std::unique_ptr<Sequence> sequence
            = m_crate->beginSequence(tr("the base-address programming"));
        if (!sequence)
            return;
        outcome = BaseAddressProgram::run(
            *sequence, [this](int ms) { m_crate->wait(ms); }, *m_windowPrompt,
            BaseAddressProgram::neighbours(*m_crate));
    }
    if (outcome != Outcome::Restarted && outcome != Outcome::NotRestarted)
        return;
    // The module answers at its new address: the list and the connection
    // line say so, and the next tick shows the module afresh.
    if (BaseModule *module = m_crate->module(slot))
        setModuleItemText(
            slot,
            QStringLiteral("%1\n%2").arg(module->GetModuleAddress(),
                                         QString::number(module->GetModuleSerialNumber())));
    m_crate->selectModule(slot);
}
