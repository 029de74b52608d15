// The main window's service actions: the interlock-out dialog, the live
// insertion mode of the whole system, the password that unlocks special mode
// and the static address of a network crate.
#include "NorvControl.h"

#include "DialogConnections.h"
#include "OperatorPrompt.h"
#include "ui_norvcontrol.h"

#include <BaseController.h>
#include <BaseModule.h>
#include <CorePrompt.h>
#include <CrateCore.h>
#include <DialogInterlockOut.h>
#include <RegisterMap.h>
#include <SettingsStore.h>

#include <QHostAddress>
#include <QTimer>

namespace {

const char *const ServicePassword = "gum6plotr";
// Time a network crate gets to take its new address before the reconnect.
constexpr int ReconnectDelayMs = 2000;

/// True for a dotted-quad IPv4 address written the way it reads back. Short
/// and octal forms parse too, but not to what they look like: "10.1" is 10.0.0.1,
/// "010.0.0.1" is 8.0.0.1.
bool isIpv4Address(const QString &text)
{
    QHostAddress address;
    return address.setAddress(text) && address.protocol() == QAbstractSocket::IPv4Protocol
        && address.toString() == text;
}

} // namespace

void NorvControl::on_actionInterlockOut_triggered()
{
    // Layout 29 has no interlock-out registers: its dialog would show zeros
    // as if they were read and take writes that go nowhere.
    BaseModule *module = m_crate->moduleCount() > 0 ? m_crate->currentModule() : nullptr;
    const RegisterMap *map = module ? RegisterMap::forDeviceClass(module->deviceClass()) : nullptr;
    if (map && !map->module(RegisterMap::IlkOutControl).exists()) {
        prompt()->information(this, CorePrompt::programTitle(),
                              tr("The module %1 sn. %2 has no interlock output.")
                                  .arg(module->firmwareName())
                                  .arg(module->GetModuleSerialNumber()));
        return;
    }
    if (!m_dialogInterlockOut) {
        m_dialogInterlockOut = new DialogInterlockOut(this);
        DialogConnections::connect(m_crate.get(), m_dialogInterlockOut);
    }
    m_dialogInterlockOut->show();
    m_dialogInterlockOut->activateWindow();
}

void NorvControl::updateLiveInsertionAction()
{
    BaseController *controller = m_crate->controller();
    m_ui->actionSetLiveInsertion->setEnabled(controller && controller->isConnected());
}

void NorvControl::on_actionSetLiveInsertion_triggered()
{
    // A shortcut or a script may trigger the action while it is disabled.
    BaseController *controller = m_crate->controller();
    if (!controller || !controller->isConnected())
        return;
    const bool active = controller->liveInsertion();
    const QString text = active
        ? tr("End the Live Insertion mode for the whole system?")
        : tr("Begin the Live Insertion mode for the whole sytem?\n\nNote: to plug out a module, "
             "switch off all high voltage channels first!");
    if (prompt()->question(this, CorePrompt::programTitle(), text,
                           QMessageBox::Yes | QMessageBox::No)
        == QMessageBox::Yes)
        controller->setLiveInsertion(!active);
}

void NorvControl::on_actionPassword_triggered()
{
    bool ok = false;
    const QString password
        = prompt()->getText(this, CorePrompt::programTitle(), tr("Please enter password:"),
                            QLineEdit::Password, QString(), &ok);
    // A wrong password gets no answer at all: nothing tells a guesser anything.
    if (ok && password == QLatin1String(ServicePassword))
        m_ui->actionSpecialMode->setEnabled(true);
}

void NorvControl::on_actionSetCrateAddress_triggered()
{
    const QString stored = SettingsStore::ipAddress();
    BaseController *controller = m_crate->controller();
    if (!controller)
        return;
    m_crate->stopRefresh();
    bool ok = false;
    const QString typed = prompt()->getText(this, CorePrompt::programTitle(),
                                            tr("Input a new static IP Address for the MPOD Crate:"),
                                            QLineEdit::Normal, stored, &ok);
    const QString address = typed.trimmed();
    if (ok && !isIpv4Address(address)) {
        prompt()->warning(
            this, CorePrompt::programTitle(),
            tr("\"%1\" is not an IPv4 address: the crate address stays %2.").arg(typed, stored));
        ok = false;
    }
    if (!ok) {
        m_crate->startRefresh();
        return;
    }
    controller->setIpAddress(address);
    SettingsStore::setIpAddress(address);
    m_ui->table->setEnabled(false);
    // The rescan restarts the refresh and enables the table for the module it shows.
    QTimer::singleShot(ReconnectDelayMs, m_crate.get(), &CrateCore::initModuleAccess);
}
