// Requests that dialogs send to the main window, the main window's wait, and
// the system overview. Every request acts on the current module, whatever
// serial number it carries: the dialogs follow the module shown in the table.
#include "NorvControl.h"

#include "OperatorPrompt.h"
#include "ui_norvcontrol.h"

#include <BaseModule.h>
#include <DialogOverview.h>

#include <QCoreApplication>
#include <QDebug>
#include <QElapsedTimer>
#include <QListWidget>
#include <QPointer>
#include <QTimer>

namespace {

// Channel control bits the bounds request owns.
constexpr quint32 AsymmetricVoltageBounds = 0x0800;
constexpr quint32 AsymmetricCurrentBounds = 0x0400;
// Reads of the written control word before the bounds request gives up.
constexpr int BoundsReadBacks = 199;

// Module status bit 2: the module is stopped and accepts new nominals.
constexpr quint32 ModuleStatusStop = 0x0004;

constexpr int FlexGroupCount = 32;

// Special control commands the main window reacts to itself.
constexpr quint32 CommandWriteMode = 3;
constexpr quint32 CommandCompareMode = 4;
constexpr quint32 CommandEndSpecialMode = 7;
constexpr quint32 CommandLiveInsertion = 12;
constexpr quint32 CommandRestartLoader = 14;

// Longest stretch wait() spends in the event loop before looking at the clock.
constexpr int EventSliceMs = 100;

QString programName() { return QCoreApplication::translate("NorvControl", "norv VME Control"); }

} // namespace

void NorvControl::wait(int ms)
{
    // A monotonic clock: a wall clock set back (or passing midnight) would
    // keep the caller waiting.
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::AllEvents, EventSliceMs);
}

void NorvControl::clearChannelEvents(quint16 channel)
{
    if (BaseModule *module = currentModule())
        module->ClearChannelEventStatus(channel);
}

void NorvControl::setChannelControl(quint16 channel, quint16 control)
{
    if (BaseModule *module = currentModule())
        module->SetChannelControl(channel, control);
}

void NorvControl::setChannelEventMask(quint16 channel, quint16 eventmask)
{
    if (BaseModule *module = currentModule())
        module->SetChannelEventMask(channel, eventmask);
}

void NorvControl::clearModuleEvents()
{
    if (BaseModule *module = currentModule())
        module->ClearModuleEventStatus();
}

void NorvControl::setModuleControl(quint16 control)
{
    if (BaseModule *module = currentModule())
        module->SetModuleControl(control);
}

void NorvControl::setModuleEventMask(quint16 eventmask)
{
    if (BaseModule *module = currentModule())
        module->SetModuleEventMask(eventmask);
}

void NorvControl::setRestartTime(quint32 restartTime)
{
    if (BaseModule *module = currentModule())
        module->SetModuleRestartTime(restartTime);
}

void NorvControl::setChannelBounds(int channel, bool avbnd, float voltageilkmax,
                                   float voltageilkmin, bool acbnd, float currentilkmax,
                                   float currentilkmin)
{
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
        prompt()->information(this, programName(),
                              tr("Error setting Channel %1 Control word. Giving up.").arg(channel),
                              QMessageBox::Ok);
        return;
    }

    module->SetChannelVoltageIlkMaxSet(channel, voltageilkmax);
    module->SetChannelCurrentIlkMaxSet(channel, currentilkmax);
    if (avbnd)
        module->SetChannelVoltageIlkMinSet(channel, voltageilkmin);
    if (acbnd)
        module->SetChannelCurrentIlkMinSet(channel, currentilkmin);
}

void NorvControl::setModuleEventChannelMask(quint32 mask)
{
    if (BaseModule *module = currentModule())
        module->SetModuleEventChannelMask(mask);
}

void NorvControl::clearModuleEventChannelStatus()
{
    if (BaseModule *module = currentModule())
        module->ClearModuleEventChannelStatus();
}

void NorvControl::setModuleEventGroupMask(quint32 mask)
{
    if (BaseModule *module = currentModule())
        module->SetModuleEventGroupMask(mask);
}

void NorvControl::clearModuleEventGroupStatus()
{
    if (BaseModule *module = currentModule())
        module->ClearModuleEventGroupStatus();
}

void NorvControl::getFlexGroupData(int groupNumber)
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

void NorvControl::setFlexGroup(int groupNumber, quint32 member, quint32 type)
{
    BaseModule *module = currentModule();
    if (!module || groupNumber < 0 || groupNumber >= FlexGroupCount)
        return;
    module->SetModuleFlexGroup(groupNumber, member, type);
}

void NorvControl::setInterlockOutControl(int serialNumber, quint32 control)
{
    Q_UNUSED(serialNumber)
    if (BaseModule *module = currentModule())
        module->SetModuleIlkOutControl(control);
}

void NorvControl::setChannelVoltageNominal(int channel, float value)
{
    BaseModule *module = currentModule();
    if (module && (module->GetModuleStatus() & ModuleStatusStop))
        module->SetChannelVoltageNominal(channel, value);
}

void NorvControl::setChannelCurrentNominal(int channel, float value)
{
    BaseModule *module = currentModule();
    if (module && (module->GetModuleStatus() & ModuleStatusStop))
        module->SetChannelCurrentNominal(channel, value);
}

void NorvControl::setCratePowerOn(int serialNumber, bool setOn)
{
    Q_UNUSED(serialNumber)
    Q_UNUSED(setOn)
    // Crate power is switched through a crate object. VME crates have none:
    // the power stays as it is, and so do the refresh and the table.
}

void NorvControl::autoTimerIntervalChanged(int interval)
{
    m_autoTimer->setInterval(interval);
    qDebug() << "autoTimer interval" << interval;
}

void NorvControl::autoTimerEnabled(bool enabled)
{
    qDebug() << "autoTimer enabled" << enabled;
    if (enabled)
        m_autoTimer->start();
    else
        m_autoTimer->stop();
}

void NorvControl::setSpecialControl(quint32 control)
{
    // After these the module leaves the loader or starts a transfer that the
    // special dialog follows through the refresh cycle.
    if (control == CommandEndSpecialMode || control == CommandWriteMode
        || control == CommandCompareMode)
        m_refreshTimer->start();
    qDebug("%d: Send SpecialControlCommand %X", int(m_elapsed.elapsed()), control);
    if (BaseModule *module = currentModule())
        module->SetModuleSpecialControlCommand(control);

    // The module restarts and is silent for a while: nothing to poll.
    if (control == CommandRestartLoader) {
        m_refreshTimer->stop();
    } else if (control == CommandLiveInsertion) {
        // A module sent into live insertion may be unplugged: the refresh
        // moves on to the next module, or stops when there is none.
        if (m_moduleCount < 2)
            m_refreshTimer->stop();
        else
            m_ui->lstModules->setCurrentRow((m_currentModule + 1) % m_moduleCount);
    }
}

void NorvControl::sendHexLine(const QByteArray &line)
{
    qDebug("%d: Sending Hex Line %s", int(m_elapsed.elapsed()), line.constData());
    if (BaseModule *module = currentModule())
        module->SendHexLine(line);
}

void NorvControl::on_actionModuleOverview_triggered()
{
    if (!m_dialogOverview) {
        m_dialogOverview = new DialogOverview(this);
        if (!m_dialogOverview->connectTo(this))
            qWarning("DialogOverview: an update signal of the main window is missing");
        for (int slot = 0; slot < m_moduleCount; ++slot) {
            BaseModule *module = m_module[slot];
            const int serial = module->GetModuleSerialNumber();
            const QString release = module->GetModuleFirmwareRelease();
            m_dialogOverview->addModule(serial, module->GetModuleAddress(), module->firmwareName(),
                                        release);
        }
    }
    m_dialogOverview->show();
    m_dialogOverview->activateWindow();
}
