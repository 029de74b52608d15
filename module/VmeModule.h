#pragma once

#include "BaseModule.h"
#include "RegisterMap.h"

#include <array>
#include <atomic>

class VmeController;

/// A norv HV module reached through VME registers over a controller.
///
/// Construction makes no bus access; the first operation that needs the
/// register layout identifies the module (and, per the calling rules, still
/// answers 0). Only the vendor identification, device class, type code, offset
/// tables and channel count are cached; everything else is read on each call.
///
/// The module may be called from the GUI thread and the script thread at once.
/// Every register transaction (both words of a 32-bit register, the read and
/// write of a read-modify-write, one identification, one firmware record, one
/// step of a channel-mask loop) holds the controller's bus lock throughout.
class VmeModule : public BaseModule
{
    Q_OBJECT

public:
    /// A16 non-privileged data access: the only modifier a module answers to.
    static constexpr int AddressModifier = 0x29;

    /// A module at baseAddress behind controller (not owned; null reads 0 and
    /// writes nothing).
    VmeModule(VmeController *controller, quint16 baseAddress, QObject *parent = nullptr);
    ~VmeModule() override;

public slots:
    bool connected() override;
    QString alarmMessage() override;
    /// The type code, read under the bus lock: identification may be
    /// storing it in another thread.
    QString firmwareName() override;
    int GetModuleDeviceClass() override;
    quint32 GetModulePlacedChannels() override;
    int GetModuleSerialNumber() override;
    QString GetModuleFirmwareRelease() override;
    quint32 GetModuleDecoderRelease() override;
    void doClear() override;
    QString GetModuleAddress() override;
    quint16 GetModuleBaseAddress() override;
    void SetModuleBaseAddress(quint16 baseAddress) override;
    float GetModuleTemperature() override;
    float GetModuleSupplyP5() override;
    float GetModuleSupplyP12() override;
    float GetModuleSupplyN12() override;
    quint32 GetModuleAdcSamplesPerSecond() override;
    void SetModuleAdcSamplesPerSecond(quint32 sps) override;
    quint32 GetModuleDigitalFilter() override;
    void SetModuleDigitalFilter(quint32 filter) override;
    float GetModuleVoltageLimit() override;
    float GetModuleCurrentLimit() override;
    quint32 GetModuleStatus() override;
    quint32 GetModuleEventStatus() override;
    void SetModuleEventStatus(quint32 status) override;
    void ClearModuleEventStatus() override;
    quint32 GetModuleEventChannelStatus() override;
    void ClearModuleEventChannelStatus() override;
    quint32 GetModuleEventChannelMask() override;
    void SetModuleEventChannelMask(quint32 mask) override;
    quint32 GetModuleEventGroupStatus() override;
    quint32 GetModuleEventGroupMask() override;
    void SetModuleEventGroupMask(quint32 mask) override;
    void ClearModuleEventGroupStatus() override;
    quint32 GetModuleEventMask() override;
    void SetModuleEventMask(quint32 mask) override;
    quint32 GetModuleControl() override;
    void SetModuleControl(quint32 control) override;
    float GetModuleVoltageRampSpeed() override;
    void SetModuleVoltageRampSpeed(float vramp) override;
    float GetModuleCurrentRampSpeed() override;
    void SetModuleCurrentRampSpeed(float iramp) override;
    bool GetModuleKillEnable() override;
    void SetModuleKillEnable(bool enable) override;
    int GetModuleChannelNumber() override;
    quint32 GetModuleRestartTime() override;
    void SetModuleRestartTime(quint32 restartTime) override;
    void SetSelectedChannelsOn(quint32 mask) override;
    void SetSelectedChannelsOff(quint32 mask) override;
    void SetSelectedChannelsEmergencyOff(quint32 mask) override;
    void ClearSelectedChannelsEmergencyOff(quint32 mask) override;
    void SetAllChannelsVoltageSet(float vset) override;
    void SetAllChannelsCurrentSet(float iset) override;
    quint32 GetChannelStatus(int channel) override;
    quint32 GetChannelEventStatus(int channel) override;
    void SetChannelEventStatus(int channel, quint32 status) override;
    void ClearChannelEventStatus(int channel) override;
    quint32 GetChannelEventMask(int channel) override;
    void SetChannelEventMask(int channel, quint32 mask) override;
    quint32 GetChannelControl(int channel) override;
    void SetChannelControl(int channel, quint32 control) override;
    void SetChannelEmergencyOff(int channel) override;
    void ClearChannelEmergencyOff(int channel) override;
    float GetChannelVoltageNominal(int channel) override;
    float GetChannelCurrentNominal(int channel) override;
    float GetChannelVoltageSet(int channel) override;
    void SetChannelVoltageSet(int channel, float vset) override;
    float GetChannelVoltageMeasure(int channel) override;
    float GetChannelCurrentSet(int channel) override;
    void SetChannelCurrentSet(int channel, float iset) override;
    float GetChannelCurrentMeasure(int channel) override;
    float GetChannelVoltageIlkMaxSet(int channel) override;
    void SetChannelVoltageIlkMaxSet(int channel, float ilkmax) override;
    float GetChannelVoltageIlkMinSet(int channel) override;
    void SetChannelVoltageIlkMinSet(int channel, float ilkmin) override;
    float GetChannelCurrentIlkMaxSet(int channel) override;
    void SetChannelCurrentIlkMaxSet(int channel, float ilkmax) override;
    float GetChannelCurrentIlkMinSet(int channel) override;
    void SetChannelCurrentIlkMinSet(int channel, float ilkmin) override;
    void SetChannelOn(int channel) override;
    void SetChannelOff(int channel) override;
    bool useControllerUnits() override;
    void setUseControllerUnits(bool controllerUnits) override;
    /// Formatted in the display unit and decimals; `v` in volts.
    QString FormatVoltage(double v) override;
    QString FormatVoltageUnit(double v) override;
    /// The unit of the voltages the getters return and the update signals carry.
    QString voltageUnit(int channel) override;
    void setVoltageUnit(const QString &unit) override;
    int voltagePrecision() override;
    void setVoltagePrecision(int precision) override;
    /// Formatted in the display unit and decimals; `i` in the module's current unit.
    QString FormatCurrent(double i) override;
    QString FormatCurrentUnit(double i) override;
    /// The unit of the currents the getters return and the update signals carry.
    QString currentUnit(int channel) override;
    void setCurrentUnit(const QString &unit) override;
    int currentPrecision() override;
    void setCurrentPrecision(int precision) override;
    quint32 GetModuleIlkOutStatus() override;
    quint32 GetModuleIlkOutControl() override;
    void SetModuleIlkOutControl(quint32 control) override;
    quint32 GetModuleIlkOutCount() override;
    quint32 GetModuleIlkOutLastTrigger() override;
    quint32 GetModuleIlkOutChnActualActive() override;
    quint32 GetModuleIlkOutChnEverTriggered() override;
    void SetModuleFlexGroup(int group, quint32 member, quint32 type) override;
    quint32 GetModuleFlexGroupMemberList(int group) override;
    quint32 GetModuleFlexGroupType(int group) override;
    float GetChannelVoltageHardwareNominal(int channel) override;
    void SetChannelVoltageNominal(int channel, float maxset) override;
    float GetChannelCurrentHardwareNominal(int channel) override;
    void SetChannelCurrentNominal(int channel, float maxset) override;
    void SetModuleSpecialControlCommand(quint32 command) override;
    quint32 GetModuleSpecialControlCommand() override;
    quint32 GetModuleSpecialControlStatus() override;
    void SendHexLine(const QByteArray &record) override;
    void ProgramModuleBaseAddress(quint16 address) override;
    quint16 VerifyModuleBaseAddress() override;
    quint32 failedReads() override;

public:
    DisplayFormat displayFormat() override;

    /// A current in amperes as a current in the module's display unit.
    float siCurrentToUserCurrent(float siCurrent);
    /// A current in the module's display unit as a current in amperes.
    float userCurrentToSiCurrent(float userCurrent);

protected:
    // The module's own units: those of its getters, setters and update
    // signals. Fixed at construction; the display settings change only the
    // texts (m_display).
    int m_voltageUnitIndex = 0; ///< 0 = V, 1 = kV
    int m_voltagePrecision = 1; ///< decimals of FormatVoltage
    int m_currentUnitIndex = 2; ///< 0 = nA, 1 = uA, 2 = mA, other = A
    int m_currentPrecision = 3; ///< decimals of FormatCurrent

private:
    const RegisterMap *layout();
    void fillOffsetTables(const RegisterMap &map);
    bool channelPossible(int channel) const;
    bool channelFilled(int channel) const;
    bool groupPossible(int group) const;
    bool groupFilled(int group) const;

    quint32 address(quint32 offset) const;
    quint16 read16(quint32 offset);
    void write16(quint32 offset, quint16 data);
    quint32 readRegister32(quint32 offset);
    void writeRegister32(quint32 offset, quint32 value);
    float readRegisterFloat(quint32 offset);
    void writeRegisterFloat(quint32 offset, float value);
    quint32 readWord(const RegisterMap::Register &reg, quint32 blockOffset = 0);
    bool writeWord(const RegisterMap::Register &reg, quint32 blockOffset, quint32 value);
    float readFloat(const RegisterMap::Register &reg, quint32 blockOffset = 0);
    void writeFloat(const RegisterMap::Register &reg, quint32 blockOffset, float value);

    quint32 moduleWord(RegisterMap::ModuleRegister r);
    bool setModuleWord(RegisterMap::ModuleRegister r, quint32 value);
    float moduleFloat(RegisterMap::ModuleRegister r);
    void setModuleFloat(RegisterMap::ModuleRegister r, float value);
    quint32 channelWord(int channel, RegisterMap::ChannelRegister r);
    void setChannelWord(int channel, RegisterMap::ChannelRegister r, quint32 value);
    float channelFloat(int channel, RegisterMap::ChannelRegister r);
    void setChannelFloat(int channel, RegisterMap::ChannelRegister r, float value);
    void updateModuleControl(quint32 clear, quint32 set);
    void updateChannelControl(int channel, quint32 clear, quint32 set);
    void forEachSelectedChannel(quint32 mask, RegisterMap::ModuleRegister allChannels,
                                quint32 allValue, void (VmeModule::*perChannel)(int));

    /// The module's own units as a display format.
    DisplayFormat ownUnits() const;

    VmeController *m_controller;
    quint16 m_baseAddress;
    /// The operator's choice, in force unless m_useControllerUnits.
    DisplayFormat m_display;
    bool m_useControllerUnits = true;
    std::atomic<quint32> m_failedReads {0};
    quint32 m_vendorId = 0;
    std::array<quint16, RegisterMap::ChannelTableSize> m_channelBlockOffset {};
    std::array<quint16, RegisterMap::ChannelTableSize> m_voltageNominalOffset {};
    std::array<quint16, RegisterMap::ChannelTableSize> m_currentNominalOffset {};
    std::array<quint16, RegisterMap::FlexGroupTableSize> m_flexGroupOffset {};
    int m_filledChannelEntries = 0;
    int m_filledGroupEntries = 0;
    /// The layout the offset tables were last filled for.
    const RegisterMap *m_offsetTablesLayout = nullptr;
    int m_channelCount = -1;
};
