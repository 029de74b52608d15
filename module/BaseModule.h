#pragma once

#include "DisplayFormat.h"

#include <QByteArray>
#include <QObject>
#include <QString>

/// The interface through which the whole program reaches one HV module:
/// discovery, the refresh cycle, the table, every dialog, the profile writer
/// and scripts. Every operation is a slot so that scripts can call it by name.
///
/// Getters of a module that is absent or has no register layout answer 0,
/// 0.0 or an empty text; setters then do nothing. Currents are in the
/// module's display unit above this interface, in amperes on the bus.
class BaseModule : public QObject
{
    Q_OBJECT

public:
    BaseModule();
    ~BaseModule() override;

public slots:
    virtual bool connected() = 0;
    virtual QString alarmMessage() = 0;
    virtual QString firmwareName();
    virtual int GetModuleDeviceClass() = 0;
    virtual quint32 GetModulePlacedChannels() = 0;
    virtual int GetModuleSerialNumber() = 0;
    virtual QString GetModuleFirmwareRelease() = 0;
    virtual quint32 GetModuleDecoderRelease() = 0;
    virtual void doClear() = 0;
    virtual void setAdjustment(bool set) { Q_UNUSED(set) }
    virtual bool adjustment() { return false; }
    virtual QString GetModuleAddress() = 0;
    virtual quint16 GetModuleBaseAddress() = 0;
    virtual void SetModuleBaseAddress(quint16 baseAddress) = 0;
    virtual float GetModuleTemperature() = 0;
    virtual float GetModuleSupplyP5() = 0;
    virtual float GetModuleSupplyP12() = 0;
    virtual float GetModuleSupplyN12() = 0;
    virtual quint32 GetModuleAdcSamplesPerSecond() = 0;
    virtual void SetModuleAdcSamplesPerSecond(quint32 sps) = 0;
    virtual quint32 GetModuleDigitalFilter() = 0;
    virtual void SetModuleDigitalFilter(quint32 filter) = 0;
    virtual float GetModuleVoltageLimit() = 0;
    virtual float GetModuleCurrentLimit() = 0;
    virtual quint32 GetModuleStatus() = 0;
    virtual quint32 GetModuleEventStatus() = 0;
    virtual void SetModuleEventStatus(quint32 status) = 0;
    virtual void ClearModuleEventStatus() = 0;
    virtual quint32 GetModuleEventChannelStatus() = 0;
    virtual void ClearModuleEventChannelStatus() = 0;
    virtual quint32 GetModuleEventChannelMask() = 0;
    virtual void SetModuleEventChannelMask(quint32 mask) = 0;
    virtual quint32 GetModuleEventGroupStatus() = 0;
    virtual quint32 GetModuleEventGroupMask() = 0;
    virtual void SetModuleEventGroupMask(quint32 mask) = 0;
    virtual void ClearModuleEventGroupStatus() = 0;
    virtual quint32 GetModuleEventMask() = 0;
    virtual void SetModuleEventMask(quint32 mask) = 0;
    virtual quint32 GetModuleControl() = 0;
    virtual void SetModuleControl(quint32 control) = 0;
    virtual float GetModuleVoltageRampSpeed() = 0;
    virtual void SetModuleVoltageRampSpeed(float vramp) = 0;
    virtual float GetModuleCurrentRampSpeed() = 0;
    virtual void SetModuleCurrentRampSpeed(float iramp) = 0;
    virtual bool GetModuleKillEnable() = 0;
    virtual void SetModuleKillEnable(bool enable) = 0;
    virtual int GetModuleChannelNumber() = 0;
    virtual quint32 GetModuleRestartTime() = 0;
    virtual void SetModuleRestartTime(quint32 restartTime) = 0;
    virtual void SetSelectedChannelsOn(quint32 mask) = 0;
    virtual void SetSelectedChannelsOff(quint32 mask) = 0;
    virtual void SetSelectedChannelsEmergencyOff(quint32 mask) = 0;
    virtual void ClearSelectedChannelsEmergencyOff(quint32 mask) = 0;
    virtual void SetAllChannelsVoltageSet(float vset) = 0;
    virtual void SetAllChannelsCurrentSet(float iset) = 0;
    virtual quint32 GetChannelStatus(int channel) = 0;
    virtual quint32 GetChannelEventStatus(int channel) = 0;
    virtual void SetChannelEventStatus(int channel, quint32 status) = 0;
    virtual void ClearChannelEventStatus(int channel) = 0;
    virtual quint32 GetChannelEventMask(int channel) = 0;
    virtual void SetChannelEventMask(int channel, quint32 mask) = 0;
    virtual quint32 GetChannelControl(int channel) = 0;
    virtual void SetChannelControl(int channel, quint32 control) = 0;
    virtual void SetChannelEmergencyOff(int channel) = 0;
    virtual void ClearChannelEmergencyOff(int channel) = 0;
    virtual float GetChannelVoltageNominal(int channel) = 0;
    virtual float GetChannelCurrentNominal(int channel) = 0;
    virtual float GetChannelVoltageSet(int channel) = 0;
    virtual void SetChannelVoltageSet(int channel, float vset) = 0;
    virtual float GetChannelVoltageMeasure(int channel) = 0;
    virtual float GetChannelCurrentSet(int channel) = 0;
    virtual void SetChannelCurrentSet(int channel, float iset) = 0;
    virtual bool GetChannelDelayedTripEnabled(int channel)
    {
        Q_UNUSED(channel)
        return false;
    }
    virtual bool GetChannelDelayedTripRampDown(int channel)
    {
        Q_UNUSED(channel)
        return false;
    }
    virtual int GetChannelDelayedTripTime(int channel)
    {
        Q_UNUSED(channel)
        return 0;
    }
    /// Whether this module applies a delayed trip (SetChannelDelayedTrip); a
    /// dialog must not offer one that nothing would apply.
    virtual bool supportsDelayedTrip() { return false; }
    virtual void SetChannelDelayedTrip(int channel, bool enabled, bool ramp, int delay)
    {
        Q_UNUSED(channel)
        Q_UNUSED(enabled)
        Q_UNUSED(ramp)
        Q_UNUSED(delay)
    }
    virtual float GetChannelCurrentMeasure(int channel) = 0;
    virtual float GetChannelVoltageIlkMaxSet(int channel) = 0;
    virtual void SetChannelVoltageIlkMaxSet(int channel, float ilkmax) = 0;
    virtual float GetChannelVoltageIlkMinSet(int channel) = 0;
    virtual void SetChannelVoltageIlkMinSet(int channel, float ilkmin) = 0;
    virtual float GetChannelCurrentIlkMaxSet(int channel) = 0;
    virtual void SetChannelCurrentIlkMaxSet(int channel, float ilkmax) = 0;
    virtual float GetChannelCurrentIlkMinSet(int channel) = 0;
    virtual void SetChannelCurrentIlkMinSet(int channel, float ilkmin) = 0;
    virtual void SetChannelOn(int channel) = 0;
    virtual void SetChannelOff(int channel) = 0;
    virtual bool useControllerUnits() { return false; }
    virtual void setUseControllerUnits(bool controllerUnits) { Q_UNUSED(controllerUnits) }
    virtual QString FormatVoltage(double v) = 0;
    virtual QString FormatVoltageUnit(double v) = 0;
    virtual QString voltageUnit(int channel) = 0;
    virtual void setVoltageUnit(const QString &unit) { Q_UNUSED(unit) }
    virtual int voltagePrecision() { return 0; }
    virtual void setVoltagePrecision(int precision) { Q_UNUSED(precision) }
    virtual QString FormatCurrent(double i) = 0;
    virtual QString FormatCurrentUnit(double i) = 0;
    virtual QString currentUnit(int channel) = 0;
    virtual void setCurrentUnit(const QString &unit) { Q_UNUSED(unit) }
    virtual int currentPrecision() { return 0; }
    virtual void setCurrentPrecision(int precision) { Q_UNUSED(precision) }
    virtual quint32 GetModuleIlkOutStatus() = 0;
    virtual quint32 GetModuleIlkOutControl() = 0;
    virtual void SetModuleIlkOutControl(quint32 control) = 0;
    virtual quint32 GetModuleIlkOutCount() = 0;
    virtual quint32 GetModuleIlkOutLastTrigger() = 0;
    virtual quint32 GetModuleIlkOutChnActualActive() = 0;
    virtual quint32 GetModuleIlkOutChnEverTriggered() = 0;
    virtual void SetModuleFlexGroup(int group, quint32 member, quint32 type) = 0;
    virtual quint32 GetModuleFlexGroupMemberList(int group) = 0;
    virtual quint32 GetModuleFlexGroupType(int group) = 0;
    virtual float GetChannelVoltageHardwareNominal(int channel) = 0;
    virtual void SetChannelVoltageNominal(int channel, float maxset) = 0;
    virtual float GetChannelCurrentHardwareNominal(int channel) = 0;
    virtual void SetChannelCurrentNominal(int channel, float maxset) = 0;
    virtual void SetModuleSpecialControlCommand(quint32 command) = 0;
    virtual quint32 GetModuleSpecialControlCommand() = 0;
    virtual quint32 GetModuleSpecialControlStatus() = 0;
    virtual void SendHexLine(const QByteArray &record) = 0;
    virtual void ProgramModuleBaseAddress(quint16 address) = 0;
    virtual quint16 VerifyModuleBaseAddress() = 0;
    virtual int logLevel() { return 0; }
    virtual void setLogLevel(int level) { Q_UNUSED(level) }

    /// The unit and decimals the operator sees: the module's own units while
    /// it uses the controller's settings, else the chosen ones.
    virtual DisplayFormat displayFormat() { return DisplayFormat(); }
    /// Bus reads of this module that failed so far; a reading during which
    /// the count moved holds values that were never read.
    virtual quint32 failedReads() { return 0; }

    /// Names the module from its device class unless it already has a name.
    void setFirmwareName(int deviceClass);
    /// The stored device class number (0 before identification).
    int deviceClass();
    /// Stores the class number of a type code ("DC20", ...); -1 when unknown.
    void setDeviceClass(const QString &firmwareName);

protected:
    QString m_firmwareName;
    int m_deviceClass = 0;
};
