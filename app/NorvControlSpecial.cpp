// The main window's side of special mode: the dialog is made once, wired to
// the crate core (whose request slots send the module control word, the
// special control commands and the records to the current module, and whose
// refresh reports the special status), and shown again with the file name
// from the settings. A transfer pins its module through a sequence of the
// crate core, which refuses module changes until the transfer ends.
#include "NorvControl.h"

#include "DialogConnections.h"
#include "WindowPrompt.h"

#include <BaseModule.h>
#include <CrateCore.h>
#include <DialogSpecial.h>
#include <FirmwareTransfer.h>
#include <Sequence.h>
#include <SettingsStore.h>

void NorvControl::on_actionSpecialMode_triggered()
{
    const QString hexFileName = SettingsStore::defaultHexFileName();
    if (!m_dialogSpecial) {
        m_dialogSpecial = new DialogSpecial(this);
        DialogConnections::connect(m_crate.get(), m_dialogSpecial);
        FirmwareTransfer *transfer = m_dialogSpecial->transfer();
        transfer->setPrompt(m_windowPrompt.get());
        CrateCore *crate = m_crate.get();
        const QString name = tr("the firmware transfer");
        transfer->setSequenceSource([crate, name] { return crate->beginSequence(name); });
    }
    BaseModule *module = m_crate->currentModule();
    m_dialogSpecial->updateDeviceClass(quint16(module ? module->deviceClass() : 0));
    m_dialogSpecial->setHexFilename(hexFileName);
    m_dialogSpecial->show();
    m_dialogSpecial->activateWindow();
}
