// The main window's side of the variable groups: the dialog is made once,
// wired to the crate core's group requests and reports, and told the layout
// and channel count of the current module whenever it is shown and whenever
// another module becomes the current one.
#include "NorvControl.h"

#include "DialogConnections.h"

#include <BaseModule.h>
#include <CrateCore.h>
#include <DialogFlexGroups.h>

void NorvControl::on_actionTimeoutGroup_triggered()
{
    if (currentModuleSilent())
        return;
    if (!m_dialogFlexGroups) {
        m_dialogFlexGroups = new DialogFlexGroups(this);
        DialogConnections::connect(m_crate.get(), m_dialogFlexGroups);
        // The requests act on whatever module is current; the words of a
        // module of the other layout must be decoded under its own.
        connect(m_crate.get(), &CrateCore::moduleSelected, this,
                &NorvControl::showFlexGroupModuleInfo);
    }
    showFlexGroupModuleInfo();
    m_dialogFlexGroups->show();
    m_dialogFlexGroups->activateWindow();
}

void NorvControl::showFlexGroupModuleInfo()
{
    // Slot 0 may hold the placeholder of a failed connection.
    BaseModule *module = m_crate->moduleCount() > 0 ? m_crate->currentModule() : nullptr;
    m_dialogFlexGroups->setModuleInfo(module ? module->deviceClass() : 0,
                                      module ? module->GetModuleChannelNumber() : 0);
}
