#include "FakeMainWindow.h"

QList<QVariantList> FakeMainWindow::callsOf(const QString &slot) const
{
    QList<QVariantList> result;
    for (const Call &call : calls) {
        if (call.slot == slot)
            result.append(call.args);
    }
    return result;
}

void FakeMainWindow::record(const char *slot, const QVariantList &args)
{
    calls.append({QString::fromLatin1(slot), args});
}

void FakeMainWindow::clearChannelEvents(quint16 channel)
{
    record("clearChannelEvents", {channel});
}

void FakeMainWindow::setChannelControl(quint16 channel, quint16 control)
{
    record("setChannelControl", {channel, control});
}

void FakeMainWindow::setChannelEventMask(quint16 channel, quint16 eventmask)
{
    record("setChannelEventMask", {channel, eventmask});
}

void FakeMainWindow::clearModuleEvents() { record("clearModuleEvents", {}); }

void FakeMainWindow::setModuleControl(quint16 control) { record("setModuleControl", {control}); }

void FakeMainWindow::setModuleEventMask(quint16 eventmask)
{
    record("setModuleEventMask", {eventmask});
}

void FakeMainWindow::setRestartTime(quint32 restartTime)
{
    record("setRestartTime", {restartTime});
}

void FakeMainWindow::setChannelBounds(int channel, bool avbnd, float voltageilkmax,
                                      float voltageilkmin, bool acbnd, float currentilkmax,
                                      float currentilkmin)
{
    record("setChannelBounds",
           {channel, avbnd, voltageilkmax, voltageilkmin, acbnd, currentilkmax, currentilkmin});
}

void FakeMainWindow::setModuleEventChannelMask(quint32 mask)
{
    record("setModuleEventChannelMask", {mask});
}

void FakeMainWindow::clearModuleEventChannelStatus()
{
    record("clearModuleEventChannelStatus", {});
}

void FakeMainWindow::setModuleEventGroupMask(quint32 mask)
{
    record("setModuleEventGroupMask", {mask});
}

void FakeMainWindow::clearModuleEventGroupStatus() { record("clearModuleEventGroupStatus", {}); }

void FakeMainWindow::setChannelVoltageNominal(int channel, float value)
{
    record("setChannelVoltageNominal", {channel, value});
}

void FakeMainWindow::setChannelCurrentNominal(int channel, float value)
{
    record("setChannelCurrentNominal", {channel, value});
}

void FakeMainWindow::setCratePowerOn(int serialNumber, bool setOn)
{
    record("setCratePowerOn", {serialNumber, setOn});
}
