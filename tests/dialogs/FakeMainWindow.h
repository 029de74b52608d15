#pragma once

// The main window as the detail dialogs see it: its update signals and request
// slots with the real signatures, found by name like the real ones. Tests emit
// the signals; each request lands in `calls` as {slot name, arguments...}.

#include <QList>
#include <QVariantList>
#include <QWidget>

class FakeMainWindow : public QWidget
{
    Q_OBJECT

public:
    QList<QVariantList> calls;

signals:
    // (serial number, channel, word or value[, unit])
    void updateChannelControl(int, int, quint32);
    void updateChannelStatus(int, int, quint32);
    void updateChannelEventStatus(int, int, quint32);
    void updateChannelEventMask(int, int, quint32);
    void updateChannelVoltageNominal(int, int, float, const QString &);
    void updateChannelCurrentNominal(int, int, float, const QString &);
    void updateChannelVoltageHardwareNominal(int, int, float, const QString &);
    void updateChannelCurrentHardwareNominal(int, int, float, const QString &);
    void updateChannelVoltageInterlockMinSet(int, int, float, const QString &);
    void updateChannelVoltageInterlockMaxSet(int, int, float, const QString &);
    void updateChannelCurrentInterlockMinSet(int, int, float, const QString &);
    void updateChannelCurrentInterlockMaxSet(int, int, float, const QString &);
    // (serial number, word or value)
    void updateModuleControl(int, quint32);
    void updateModuleStatus(int, quint32);
    void updateModuleEventStatus(int, quint32);
    void updateModuleEventMask(int, quint32);
    void updateModuleRestartTime(int, quint32);
    void updateModuleEventChannelStatus(int, quint32);
    void updateModuleEventChannelMask(int, quint32);
    void updateModuleEventGroupStatus(int, quint32);
    void updateModuleEventGroupMask(int, quint32);
    void updateModuleSupplyP5(int, float);
    void updateModuleSupplyP12(int, float);
    void updateModuleSupplyN12(int, float);
    void updateModuleTemperature(int, float);
    void updateModuleVoltageHardwareLimit(int, float);
    void updateModuleCurrentHardwareLimit(int, float);
    void updateCrateSupply5V(int, float);
    void updateCrateSupply24V(int, float);
    void updateCrateBattery24V(int, float);
    void updateCrateTemperatureBackPlane(int, float);
    void updateCrateTemperaturePowerSupply(int, float);
    void updateCrateStatus(int, int);
    void updateCratePowerOn(int, bool);

public slots:
    void clearChannelEvents(quint16 ch) { record(__func__, {ch}); }
    void setChannelControl(quint16 ch, quint16 control) { record(__func__, {ch, control}); }
    void setChannelEventMask(quint16 ch, quint16 mask) { record(__func__, {ch, mask}); }
    void clearModuleEvents() { record(__func__, {}); }
    void setModuleControl(quint16 control) { record(__func__, {control}); }
    void setModuleEventMask(quint16 mask) { record(__func__, {mask}); }
    void setRestartTime(quint32 ms) { record(__func__, {ms}); }
    void setChannelBounds(int ch, bool avbnd, float vmax, float vmin, bool acbnd, float imax,
                          float imin)
    {
        record(__func__, {ch, avbnd, vmax, vmin, acbnd, imax, imin});
    }
    void setModuleEventChannelMask(quint32 mask) { record(__func__, {mask}); }
    void clearModuleEventChannelStatus() { record(__func__, {}); }
    void setModuleEventGroupMask(quint32 mask) { record(__func__, {mask}); }
    void clearModuleEventGroupStatus() { record(__func__, {}); }
    void setChannelVoltageNominal(int ch, float value) { record(__func__, {ch, value}); }
    void setChannelCurrentNominal(int ch, float value) { record(__func__, {ch, value}); }
    void setCratePowerOn(int serialNumber, bool on) { record(__func__, {serialNumber, on}); }

private:
    void record(const char *slot, QVariantList args)
    {
        args.prepend(QString::fromLatin1(slot));
        calls << args;
    }
};
