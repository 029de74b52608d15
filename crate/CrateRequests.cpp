// Requests that dialogs send to the crate core, and its wait. Every request
// acts on the current module, whatever serial number it carries: the dialogs
// follow the module shown in the table.
#include "CorePrompt.h"
#include "CrateCore.h"

#include <BaseModule.h>
#include <RegisterMap.h>
#include <WordBits.h>

#include <QCoreApplication>
#include <QDebug>
#include <QElapsedTimer>
#include <QPointer>

namespace {

// Reads of the written control word before the bounds request gives up.
constexpr int BoundsReadBacks = 199;

constexpr int FlexGroupCount = 32;

// Special control commands the core reacts to itself.
constexpr quint32 CommandWriteMode = 3;
constexpr quint32 CommandCompareMode = 4;
constexpr quint32 CommandEndSpecialMode = 7;
constexpr quint32 CommandLiveInsertion = 12;
constexpr quint32 CommandRestartLoader = 14;

// Longest stretch wait() spends in the event loop before looking at the clock.
constexpr int EventSliceMs = 100;

} // namespace

void CrateCore::wait(int ms)
{
    // A monotonic clock: a wall clock set back (or passing midnight) would
    // keep the caller waiting.
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::AllEvents, EventSliceMs);
}

void CrateCore::setChannelVoltageSet(int channel, float value)
{
    if (BaseModule *module = currentModule())
        module->SetChannelVoltageSet(channel, value);
}

void CrateCore::setChannelCurrentSet(int channel, float value)
{
    if (BaseModule *module = currentModule())
        module->SetChannelCurrentSet(channel, value);
}

void CrateCore::clearChannelEvents(quint16 channel)
{
    if (BaseModule *module = currentModule())
        module->ClearChannelEventStatus(channel);
}

void CrateCore::setChannelControl(quint16 channel, quint16 control)
{
    if (BaseModule *module = currentModule())
        module->SetChannelControl(channel, control);
}

void CrateCore::setChannelEventMask(quint16 channel, quint16 eventmask)
{
    if (BaseModule *module = currentModule())
        module->SetChannelEventMask(channel, eventmask);
}

void CrateCore::clearModuleEvents()
{
    if (BaseModule *module = currentModule())
        module->ClearModuleEventStatus();
}

void CrateCore::setModuleControl(quint16 control)
{
    if (BaseModule *module = currentModule())
        module->SetModuleControl(control);
}

void CrateCore::setModuleEventMask(quint16 eventmask)
{
    if (BaseModule *module = currentModule())
        module->SetModuleEventMask(eventmask);
}

void CrateCore::setRestartTime(quint32 restartTime)
{
    if (BaseModule *module = currentModule())
        module->SetModuleRestartTime(restartTime);
}

void CrateCore::setChannelBounds(int channel, bool avbnd, float voltageilkmax, float voltageilkmin,
                                 bool acbnd, float currentilkmax, float currentilkmin)
{
    using namespace WordBits::ChannelControl;
    // The read-backs let the event loop run, and the operator may replace
    // the controller (and with it every module object) meanwhile.
    QPointer<BaseModule> module = currentModule();
    if (!module)
        return;

    quint32 control = module->GetChannelControl(channel);
    control &= ~(AsymmetricVoltageBounds | AsymmetricCurrentBounds);
    if (avbnd)
        control |= AsymmetricVoltageBounds;
    if (acbnd)
        control |= AsymmetricCurrentBounds;
    module->SetChannelControl(channel, control);

    // The limits are only meaningful once the module has taken the symmetry
    // they belong to.
    bool accepted = false;
    for (int read = 0; read < BoundsReadBacks && module; ++read) {
        if (read > 0) {
            wait(1);
            if (!module)
                break;
        }
        if (module->GetChannelControl(channel) == control) {
            accepted = true;
            break;
        }
    }
    if (!accepted) {
        information(tr("Error setting Channel %1 Control word. Giving up.").arg(channel));
        return;
    }

    module->SetChannelVoltageIlkMaxSet(channel, voltageilkmax);
    module->SetChannelCurrentIlkMaxSet(channel, currentilkmax);
    if (avbnd)
        module->SetChannelVoltageIlkMinSet(channel, voltageilkmin);
    if (acbnd)
        module->SetChannelCurrentIlkMinSet(channel, currentilkmin);
}

void CrateCore::setModuleEventChannelMask(quint32 mask)
{
    if (BaseModule *module = currentModule())
        module->SetModuleEventChannelMask(mask);
}

void CrateCore::clearModuleEventChannelStatus()
{
    if (BaseModule *module = currentModule())
        module->ClearModuleEventChannelStatus();
}

void CrateCore::setModuleEventGroupMask(quint32 mask)
{
    if (BaseModule *module = currentModule())
        module->SetModuleEventGroupMask(mask);
}

void CrateCore::clearModuleEventGroupStatus()
{
    if (BaseModule *module = currentModule())
        module->ClearModuleEventGroupStatus();
}

void CrateCore::getFlexGroupData(int groupNumber)
{
    BaseModule *module = currentModule();
    if (!module || groupNumber < 0 || groupNumber >= FlexGroupCount)
        return;
    // One read after the other, in this order, whatever the compiler does
    // with the arguments of a call.
    const int serial = module->GetModuleSerialNumber();
    const quint32 member = module->GetModuleFlexGroupMemberList(groupNumber);
    const quint32 type = module->GetModuleFlexGroupType(groupNumber);
    emit updateModuleFlexGroups(serial, groupNumber, member, type);
}

void CrateCore::setFlexGroup(int groupNumber, quint32 member, quint32 type)
{
    BaseModule *module = currentModule();
    if (!module || groupNumber < 0 || groupNumber >= FlexGroupCount)
        return;
    module->SetModuleFlexGroup(groupNumber, member, type);
}

void CrateCore::setInterlockOutControl(int serialNumber, quint32 control)
{
    Q_UNUSED(serialNumber)
    BaseModule *module = currentModule();
    if (!module)
        return;
    // An identified module of a layout without interlock output takes no
    // write: the operator hears so instead of seeing nothing happen.
    const RegisterMap *map = RegisterMap::forDeviceClass(module->deviceClass());
    if (map && !map->module(RegisterMap::IlkOutControl).exists()) {
        information(tr("The module %1 sn. %2 has no interlock output: the control word was not "
                       "written.")
                        .arg(module->firmwareName())
                        .arg(module->GetModuleSerialNumber()));
        return;
    }
    module->SetModuleIlkOutControl(control);
}

void CrateCore::setChannelVoltageNominal(int channel, float value)
{
    BaseModule *module = currentModule();
    if (module && (module->GetModuleStatus() & WordBits::ModuleStatus::Stop))
        module->SetChannelVoltageNominal(channel, value);
}

void CrateCore::setChannelCurrentNominal(int channel, float value)
{
    BaseModule *module = currentModule();
    if (module && (module->GetModuleStatus() & WordBits::ModuleStatus::Stop))
        module->SetChannelCurrentNominal(channel, value);
}

void CrateCore::setCratePowerOn(int serialNumber, bool setOn)
{
    Q_UNUSED(serialNumber)
    Q_UNUSED(setOn)
    // Crate power is switched through a crate object. VME crates have none:
    // the power stays as it is, and so do the refresh and the table.
}

void CrateCore::setSpecialControl(quint32 control)
{
    // After these the module leaves the loader or starts a transfer that the
    // special dialog follows through the refresh cycle.
    if (control == CommandEndSpecialMode || control == CommandWriteMode
        || control == CommandCompareMode)
        startRefresh();
    qDebug("%d: Send SpecialControlCommand %X", int(elapsedMs()), control);
    if (BaseModule *module = currentModule())
        module->SetModuleSpecialControlCommand(control);

    // The module restarts and is silent for a while: nothing to poll.
    if (control == CommandRestartLoader) {
        stopRefresh();
    } else if (control == CommandLiveInsertion) {
        // A module sent into live insertion may be unplugged: the refresh
        // moves on to the next module, or stops when there is none.
        if (m_moduleCount < 2)
            stopRefresh();
        else
            selectModule((m_current + 1) % m_moduleCount);
    }
}

void CrateCore::sendHexLine(const QByteArray &line)
{
    qDebug("%d: Sending Hex Line %s", int(elapsedMs()), line.constData());
    if (BaseModule *module = currentModule())
        module->SendHexLine(line);
}
