#pragma once

#include <BaseModule.h>

#include <QObject>
#include <QPointer>

class CrateCore;
class QJSEngine;

/// What a script sees as `mod`: the module's operations and nothing else (no
/// deleteLater(), no object tree). Each call is made in the script thread
/// under the crate core's module-use lock, so the module cannot be deleted
/// during it; the module serialises its own register transactions on the bus
/// lock, between the refresh cycle's. A call on a module that has gone (the
/// module list was rebuilt) and a write while a sequence holds the module
/// raise a script exception instead.
///
/// The operator's display settings (units, decimals, log level) stay out of
/// reach: they are the window's, and a script would change them under it.
class ScriptModule : public QObject
{
    Q_OBJECT

public:
    /// `crate` owns `module` (null: the caller keeps the module alive and no
    /// sequence is looked at); errors are raised in `engine`.
    ScriptModule(BaseModule *module, CrateCore *crate, QJSEngine *engine);

    // clang-format off
    Q_INVOKABLE bool connected() { return get(&BaseModule::connected); }
    Q_INVOKABLE QString alarmMessage() { return get(&BaseModule::alarmMessage); }
    Q_INVOKABLE QString firmwareName() { return get(&BaseModule::firmwareName); }
    Q_INVOKABLE int GetModuleDeviceClass() { return get(&BaseModule::GetModuleDeviceClass); }
    Q_INVOKABLE quint32 GetModulePlacedChannels() { return get(&BaseModule::GetModulePlacedChannels); }
    Q_INVOKABLE int GetModuleSerialNumber() { return get(&BaseModule::GetModuleSerialNumber); }
    Q_INVOKABLE QString GetModuleFirmwareRelease() { return get(&BaseModule::GetModuleFirmwareRelease); }
    Q_INVOKABLE quint32 GetModuleDecoderRelease() { return get(&BaseModule::GetModuleDecoderRelease); }
    Q_INVOKABLE void doClear() { return set(&BaseModule::doClear); }
    Q_INVOKABLE QString GetModuleAddress() { return get(&BaseModule::GetModuleAddress); }
    Q_INVOKABLE quint16 GetModuleBaseAddress() { return get(&BaseModule::GetModuleBaseAddress); }
    Q_INVOKABLE void SetModuleBaseAddress(quint16 baseAddress) { return set(&BaseModule::SetModuleBaseAddress, baseAddress); }
    Q_INVOKABLE float GetModuleTemperature() { return get(&BaseModule::GetModuleTemperature); }
    Q_INVOKABLE float GetModuleSupplyP5() { return get(&BaseModule::GetModuleSupplyP5); }
    Q_INVOKABLE float GetModuleSupplyP12() { return get(&BaseModule::GetModuleSupplyP12); }
    Q_INVOKABLE float GetModuleSupplyN12() { return get(&BaseModule::GetModuleSupplyN12); }
    Q_INVOKABLE quint32 GetModuleAdcSamplesPerSecond() { return get(&BaseModule::GetModuleAdcSamplesPerSecond); }
    Q_INVOKABLE void SetModuleAdcSamplesPerSecond(quint32 sps) { return set(&BaseModule::SetModuleAdcSamplesPerSecond, sps); }
    Q_INVOKABLE quint32 GetModuleDigitalFilter() { return get(&BaseModule::GetModuleDigitalFilter); }
    Q_INVOKABLE void SetModuleDigitalFilter(quint32 filter) { return set(&BaseModule::SetModuleDigitalFilter, filter); }
    Q_INVOKABLE float GetModuleVoltageLimit() { return get(&BaseModule::GetModuleVoltageLimit); }
    Q_INVOKABLE float GetModuleCurrentLimit() { return get(&BaseModule::GetModuleCurrentLimit); }
    Q_INVOKABLE quint32 GetModuleStatus() { return get(&BaseModule::GetModuleStatus); }
    Q_INVOKABLE quint32 GetModuleEventStatus() { return get(&BaseModule::GetModuleEventStatus); }
    Q_INVOKABLE void SetModuleEventStatus(quint32 status) { return set(&BaseModule::SetModuleEventStatus, status); }
    Q_INVOKABLE void ClearModuleEventStatus() { return set(&BaseModule::ClearModuleEventStatus); }
    Q_INVOKABLE quint32 GetModuleEventChannelStatus() { return get(&BaseModule::GetModuleEventChannelStatus); }
    Q_INVOKABLE void ClearModuleEventChannelStatus() { return set(&BaseModule::ClearModuleEventChannelStatus); }
    Q_INVOKABLE quint32 GetModuleEventChannelMask() { return get(&BaseModule::GetModuleEventChannelMask); }
    Q_INVOKABLE void SetModuleEventChannelMask(quint32 mask) { return set(&BaseModule::SetModuleEventChannelMask, mask); }
    Q_INVOKABLE quint32 GetModuleEventGroupStatus() { return get(&BaseModule::GetModuleEventGroupStatus); }
    Q_INVOKABLE quint32 GetModuleEventGroupMask() { return get(&BaseModule::GetModuleEventGroupMask); }
    Q_INVOKABLE void SetModuleEventGroupMask(quint32 mask) { return set(&BaseModule::SetModuleEventGroupMask, mask); }
    Q_INVOKABLE void ClearModuleEventGroupStatus() { return set(&BaseModule::ClearModuleEventGroupStatus); }
    Q_INVOKABLE quint32 GetModuleEventMask() { return get(&BaseModule::GetModuleEventMask); }
    Q_INVOKABLE void SetModuleEventMask(quint32 mask) { return set(&BaseModule::SetModuleEventMask, mask); }
    Q_INVOKABLE quint32 GetModuleControl() { return get(&BaseModule::GetModuleControl); }
    Q_INVOKABLE void SetModuleControl(quint32 control) { return set(&BaseModule::SetModuleControl, control); }
    Q_INVOKABLE float GetModuleVoltageRampSpeed() { return get(&BaseModule::GetModuleVoltageRampSpeed); }
    Q_INVOKABLE void SetModuleVoltageRampSpeed(float vramp) { return set(&BaseModule::SetModuleVoltageRampSpeed, vramp); }
    Q_INVOKABLE float GetModuleCurrentRampSpeed() { return get(&BaseModule::GetModuleCurrentRampSpeed); }
    Q_INVOKABLE void SetModuleCurrentRampSpeed(float iramp) { return set(&BaseModule::SetModuleCurrentRampSpeed, iramp); }
    Q_INVOKABLE bool GetModuleKillEnable() { return get(&BaseModule::GetModuleKillEnable); }
    Q_INVOKABLE void SetModuleKillEnable(bool enable) { return set(&BaseModule::SetModuleKillEnable, enable); }
    Q_INVOKABLE int GetModuleChannelNumber() { return get(&BaseModule::GetModuleChannelNumber); }
    Q_INVOKABLE quint32 GetModuleRestartTime() { return get(&BaseModule::GetModuleRestartTime); }
    Q_INVOKABLE void SetModuleRestartTime(quint32 restartTime) { return set(&BaseModule::SetModuleRestartTime, restartTime); }
    Q_INVOKABLE void SetSelectedChannelsOn(quint32 mask) { return set(&BaseModule::SetSelectedChannelsOn, mask); }
    Q_INVOKABLE void SetSelectedChannelsOff(quint32 mask) { return set(&BaseModule::SetSelectedChannelsOff, mask); }
    Q_INVOKABLE void SetSelectedChannelsEmergencyOff(quint32 mask) { return set(&BaseModule::SetSelectedChannelsEmergencyOff, mask); }
    Q_INVOKABLE void ClearSelectedChannelsEmergencyOff(quint32 mask) { return set(&BaseModule::ClearSelectedChannelsEmergencyOff, mask); }
    Q_INVOKABLE void SetAllChannelsVoltageSet(float vset) { return set(&BaseModule::SetAllChannelsVoltageSet, vset); }
    Q_INVOKABLE void SetAllChannelsCurrentSet(float iset) { return set(&BaseModule::SetAllChannelsCurrentSet, iset); }
    Q_INVOKABLE quint32 GetChannelStatus(int channel) { return get(&BaseModule::GetChannelStatus, channel); }
    Q_INVOKABLE quint32 GetChannelEventStatus(int channel) { return get(&BaseModule::GetChannelEventStatus, channel); }
    Q_INVOKABLE void SetChannelEventStatus(int channel, quint32 status) { return set(&BaseModule::SetChannelEventStatus, channel, status); }
    Q_INVOKABLE void ClearChannelEventStatus(int channel) { return set(&BaseModule::ClearChannelEventStatus, channel); }
    Q_INVOKABLE quint32 GetChannelEventMask(int channel) { return get(&BaseModule::GetChannelEventMask, channel); }
    Q_INVOKABLE void SetChannelEventMask(int channel, quint32 mask) { return set(&BaseModule::SetChannelEventMask, channel, mask); }
    Q_INVOKABLE quint32 GetChannelControl(int channel) { return get(&BaseModule::GetChannelControl, channel); }
    Q_INVOKABLE void SetChannelControl(int channel, quint32 control) { return set(&BaseModule::SetChannelControl, channel, control); }
    Q_INVOKABLE void SetChannelEmergencyOff(int channel) { return set(&BaseModule::SetChannelEmergencyOff, channel); }
    Q_INVOKABLE void ClearChannelEmergencyOff(int channel) { return set(&BaseModule::ClearChannelEmergencyOff, channel); }
    Q_INVOKABLE float GetChannelVoltageNominal(int channel) { return get(&BaseModule::GetChannelVoltageNominal, channel); }
    Q_INVOKABLE float GetChannelCurrentNominal(int channel) { return get(&BaseModule::GetChannelCurrentNominal, channel); }
    Q_INVOKABLE float GetChannelVoltageSet(int channel) { return get(&BaseModule::GetChannelVoltageSet, channel); }
    Q_INVOKABLE void SetChannelVoltageSet(int channel, float vset) { return set(&BaseModule::SetChannelVoltageSet, channel, vset); }
    Q_INVOKABLE float GetChannelVoltageMeasure(int channel) { return get(&BaseModule::GetChannelVoltageMeasure, channel); }
    Q_INVOKABLE float GetChannelCurrentSet(int channel) { return get(&BaseModule::GetChannelCurrentSet, channel); }
    Q_INVOKABLE void SetChannelCurrentSet(int channel, float iset) { return set(&BaseModule::SetChannelCurrentSet, channel, iset); }
    Q_INVOKABLE bool GetChannelDelayedTripEnabled(int channel) { return get(&BaseModule::GetChannelDelayedTripEnabled, channel); }
    Q_INVOKABLE bool GetChannelDelayedTripRampDown(int channel) { return get(&BaseModule::GetChannelDelayedTripRampDown, channel); }
    Q_INVOKABLE int GetChannelDelayedTripTime(int channel) { return get(&BaseModule::GetChannelDelayedTripTime, channel); }
    Q_INVOKABLE bool supportsDelayedTrip() { return get(&BaseModule::supportsDelayedTrip); }
    Q_INVOKABLE void SetChannelDelayedTrip(int channel, bool enabled, bool ramp, int delay) { return set(&BaseModule::SetChannelDelayedTrip, channel, enabled, ramp, delay); }
    Q_INVOKABLE float GetChannelCurrentMeasure(int channel) { return get(&BaseModule::GetChannelCurrentMeasure, channel); }
    Q_INVOKABLE float GetChannelVoltageIlkMaxSet(int channel) { return get(&BaseModule::GetChannelVoltageIlkMaxSet, channel); }
    Q_INVOKABLE void SetChannelVoltageIlkMaxSet(int channel, float ilkmax) { return set(&BaseModule::SetChannelVoltageIlkMaxSet, channel, ilkmax); }
    Q_INVOKABLE float GetChannelVoltageIlkMinSet(int channel) { return get(&BaseModule::GetChannelVoltageIlkMinSet, channel); }
    Q_INVOKABLE void SetChannelVoltageIlkMinSet(int channel, float ilkmin) { return set(&BaseModule::SetChannelVoltageIlkMinSet, channel, ilkmin); }
    Q_INVOKABLE float GetChannelCurrentIlkMaxSet(int channel) { return get(&BaseModule::GetChannelCurrentIlkMaxSet, channel); }
    Q_INVOKABLE void SetChannelCurrentIlkMaxSet(int channel, float ilkmax) { return set(&BaseModule::SetChannelCurrentIlkMaxSet, channel, ilkmax); }
    Q_INVOKABLE float GetChannelCurrentIlkMinSet(int channel) { return get(&BaseModule::GetChannelCurrentIlkMinSet, channel); }
    Q_INVOKABLE void SetChannelCurrentIlkMinSet(int channel, float ilkmin) { return set(&BaseModule::SetChannelCurrentIlkMinSet, channel, ilkmin); }
    Q_INVOKABLE void SetChannelOn(int channel) { return set(&BaseModule::SetChannelOn, channel); }
    Q_INVOKABLE void SetChannelOff(int channel) { return set(&BaseModule::SetChannelOff, channel); }
    Q_INVOKABLE quint32 GetModuleIlkOutStatus() { return get(&BaseModule::GetModuleIlkOutStatus); }
    Q_INVOKABLE quint32 GetModuleIlkOutControl() { return get(&BaseModule::GetModuleIlkOutControl); }
    Q_INVOKABLE void SetModuleIlkOutControl(quint32 control) { return set(&BaseModule::SetModuleIlkOutControl, control); }
    Q_INVOKABLE quint32 GetModuleIlkOutCount() { return get(&BaseModule::GetModuleIlkOutCount); }
    Q_INVOKABLE quint32 GetModuleIlkOutLastTrigger() { return get(&BaseModule::GetModuleIlkOutLastTrigger); }
    Q_INVOKABLE quint32 GetModuleIlkOutChnActualActive() { return get(&BaseModule::GetModuleIlkOutChnActualActive); }
    Q_INVOKABLE quint32 GetModuleIlkOutChnEverTriggered() { return get(&BaseModule::GetModuleIlkOutChnEverTriggered); }
    Q_INVOKABLE void SetModuleFlexGroup(int group, quint32 member, quint32 type) { return set(&BaseModule::SetModuleFlexGroup, group, member, type); }
    Q_INVOKABLE quint32 GetModuleFlexGroupMemberList(int group) { return get(&BaseModule::GetModuleFlexGroupMemberList, group); }
    Q_INVOKABLE quint32 GetModuleFlexGroupType(int group) { return get(&BaseModule::GetModuleFlexGroupType, group); }
    Q_INVOKABLE float GetChannelVoltageHardwareNominal(int channel) { return get(&BaseModule::GetChannelVoltageHardwareNominal, channel); }
    Q_INVOKABLE void SetChannelVoltageNominal(int channel, float maxset) { return set(&BaseModule::SetChannelVoltageNominal, channel, maxset); }
    Q_INVOKABLE float GetChannelCurrentHardwareNominal(int channel) { return get(&BaseModule::GetChannelCurrentHardwareNominal, channel); }
    Q_INVOKABLE void SetChannelCurrentNominal(int channel, float maxset) { return set(&BaseModule::SetChannelCurrentNominal, channel, maxset); }
    Q_INVOKABLE void SetModuleSpecialControlCommand(quint32 command) { return set(&BaseModule::SetModuleSpecialControlCommand, command); }
    Q_INVOKABLE quint32 GetModuleSpecialControlCommand() { return get(&BaseModule::GetModuleSpecialControlCommand); }
    Q_INVOKABLE quint32 GetModuleSpecialControlStatus() { return get(&BaseModule::GetModuleSpecialControlStatus); }
    Q_INVOKABLE void SendHexLine(const QByteArray &record) { return set(&BaseModule::SendHexLine, record); }
    Q_INVOKABLE void ProgramModuleBaseAddress(quint16 address) { return set(&BaseModule::ProgramModuleBaseAddress, address); }
    Q_INVOKABLE quint16 VerifyModuleBaseAddress() { return get(&BaseModule::VerifyModuleBaseAddress); }
    // clang-format on

private:
    /// The module to call now, or null after raising the script exception
    /// that says why not. Called with the module-use lock held.
    BaseModule *reachable(bool write);
    template<typename R, typename... P, typename... A>
    R call(bool write, R (BaseModule::*op)(P...), A... args);
    template<typename R, typename... P, typename... A> R get(R (BaseModule::*op)(P...), A... args)
    {
        return call(false, op, args...);
    }
    template<typename R, typename... P, typename... A> R set(R (BaseModule::*op)(P...), A... args)
    {
        return call(true, op, args...);
    }

    QPointer<BaseModule> m_module;
    CrateCore *m_crate;
    QJSEngine *m_engine;
};
