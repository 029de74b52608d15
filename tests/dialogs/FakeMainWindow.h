#pragma once

// A stand-in for the main window as the detail dialogs see it: the update
// signals and request slots with the main window's signatures, found by name
// like the real ones. Tests emit the signals by hand; the slots record each
// request (slot name and arguments) in `calls`.

#include <QList>
#include <QString>
#include <QVariantList>
#include <QWidget>

class FakeMainWindow : public QWidget
{
    Q_OBJECT

public:
    struct Call
    {
        QString slot;
        QVariantList args;
    };
    QList<Call> calls;

    /// The calls of one slot, in order.
    QList<QVariantList> callsOf(const QString &slot) const;

signals:
    void updateChannelControl(int serialNumber, int channel, quint32 control);
    void updateChannelStatus(int serialNumber, int channel, quint32 status);
    void updateChannelEventStatus(int serialNumber, int channel, quint32 eventStatus);
    void updateChannelEventMask(int serialNumber, int channel, quint32 eventMask);
    void updateChannelVoltageNominal(int serialNumber, int channel, float vnominal,
                                     const QString &unit);
    void updateChannelCurrentNominal(int serialNumber, int channel, float inominal,
                                     const QString &unit);
    void updateChannelVoltageHardwareNominal(int serialNumber, int channel, float vmax,
                                             const QString &unit);
    void updateChannelCurrentHardwareNominal(int serialNumber, int channel, float imax,
                                             const QString &unit);
    void updateChannelVoltageInterlockMinSet(int serialNumber, int channel, float value,
                                             const QString &unit);
    void updateChannelVoltageInterlockMaxSet(int serialNumber, int channel, float value,
                                             const QString &unit);
    void updateChannelCurrentInterlockMinSet(int serialNumber, int channel, float value,
                                             const QString &unit);
    void updateChannelCurrentInterlockMaxSet(int serialNumber, int channel, float value,
                                             const QString &unit);

    void updateModuleControl(int serialNumber, quint32 control);
    void updateModuleStatus(int serialNumber, quint32 status);
    void updateModuleEventStatus(int serialNumber, quint32 eventStatus);
    void updateModuleEventMask(int serialNumber, quint32 eventMask);
    void updateModuleRestartTime(int serialNumber, quint32 restartTime);
    void updateModuleEventChannelStatus(int serialNumber, quint32 status);
    void updateModuleEventChannelMask(int serialNumber, quint32 mask);
    void updateModuleEventGroupStatus(int serialNumber, quint32 status);
    void updateModuleEventGroupMask(int serialNumber, quint32 mask);
    void updateModuleSupplyP5(int serialNumber, float p5);
    void updateModuleSupplyP12(int serialNumber, float p12);
    void updateModuleSupplyN12(int serialNumber, float n12);
    void updateModuleTemperature(int serialNumber, float temperature);
    void updateModuleVoltageHardwareLimit(int serialNumber, float value);
    void updateModuleCurrentHardwareLimit(int serialNumber, float value);

    void updateCrateSupply5V(int serialNumber, float value);
    void updateCrateSupply24V(int serialNumber, float value);
    void updateCrateBattery24V(int serialNumber, float value);
    void updateCrateTemperatureBackPlane(int serialNumber, float value);
    void updateCrateTemperaturePowerSupply(int serialNumber, float value);
    void updateCrateStatus(int serialNumber, int status);
    void updateCratePowerOn(int serialNumber, bool on);

public slots:
    void clearChannelEvents(quint16 channel);
    void setChannelControl(quint16 channel, quint16 control);
    void setChannelEventMask(quint16 channel, quint16 eventmask);
    void clearModuleEvents();
    void setModuleControl(quint16 control);
    void setModuleEventMask(quint16 eventmask);
    void setRestartTime(quint32 restartTime);
    void setChannelBounds(int channel, bool avbnd, float voltageilkmax, float voltageilkmin,
                          bool acbnd, float currentilkmax, float currentilkmin);
    void setModuleEventChannelMask(quint32 mask);
    void clearModuleEventChannelStatus();
    void setModuleEventGroupMask(quint32 mask);
    void clearModuleEventGroupStatus();
    void setChannelVoltageNominal(int channel, float value);
    void setChannelCurrentNominal(int channel, float value);
    void setCratePowerOn(int serialNumber, bool setOn);

private:
    void record(const char *slot, const QVariantList &args);
};
