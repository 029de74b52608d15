#include "RegisterMap.h"

namespace {

using Register = RegisterMap::Register;
using Kind = RegisterMap::Kind;

constexpr Register r16(quint16 offset) { return Register {offset, 16, Kind::Int}; }

constexpr Register r32(quint16 offset) { return Register {offset, 32, Kind::Int}; }

constexpr Register rf(quint16 offset) { return Register {offset, 32, Kind::Float}; }

} // namespace

const RegisterMap *RegisterMap::forDeviceClass(int deviceClass)
{
    static const RegisterMap layout20 = makeLayout20();
    static const RegisterMap layout29 = makeLayout29();
    switch (deviceClass) {
    case 20:
        return &layout20;
    case 29:
        return &layout29;
    default:
        return nullptr;
    }
}

// Layout 20: twelve channels, most words 16 bits wide.
RegisterMap RegisterMap::makeLayout20()
{
    RegisterMap m;
    m.m_deviceClass = 20;
    m.m_typeCode = QStringLiteral("DC20");

    auto &r = m.m_module;
    r[ModuleStatus] = r16(0x00);
    r[ModuleControl] = r16(0x02);
    r[ModuleEventStatus] = r16(0x04);
    r[ModuleEventMask] = r16(0x06);
    r[ModuleEventChannelStatus] = r16(0x08);
    r[ModuleEventChannelMask] = r16(0x0A);
    r[ModuleEventGroupStatus] = r32(0x0C);
    r[ModuleEventGroupMask] = r32(0x10);
    r[VoltageRampSpeed] = rf(0x14);
    r[CurrentRampSpeed] = rf(0x18);
    r[VoltageLimit] = rf(0x1C);
    r[CurrentLimit] = rf(0x20);
    r[SupplyP5] = rf(0x24);
    r[SupplyP12] = rf(0x28);
    r[SupplyN12] = rf(0x2C);
    r[Temperature] = rf(0x30);
    r[SerialNumber] = r32(0x34);
    r[FirmwareRelease] = r32(0x38);
    r[PlacedChannels] = r16(0x3C);
    r[DeviceClassWord] = r16(0x3E);
    r[IlkOutStatus] = r16(0x40);
    r[IlkOutControl] = r16(0x42);
    r[IlkOutCount] = r16(0x44);
    r[IlkOutLastTrigger] = r16(0x46);
    r[IlkOutChnActualActive] = r16(0x48);
    r[IlkOutChnEverTriggered] = r16(0x4A);
    r[RestartTime] = r16(0x50);
    r[AdcSamplesPerSecond] = r16(0x58);
    r[DigitalFilter] = r16(0x5A);
    r[VendorId] = r32(VendorIdOffset);
    r[AllChannelsVoltageSet] = rf(0x2A0);
    r[AllChannelsCurrentSet] = rf(0x2A4);
    r[AllChannelsEmergencyOff] = r32(0x2B0);
    r[AllChannelsOn] = r32(0x2B4);
    r[NewBaseAddress] = r16(0x3A0);
    r[NewBaseAddressComplement] = r16(0x3A2);
    r[BaseAddressReadBack] = r16(0x3A6);
    r[SpecialControlStatus] = r16(0x3B0);
    r[SpecialControlCommand] = r16(0x3B2);

    auto &c = m.m_channel;
    c[ChannelStatus] = r16(0x00);
    c[ChannelControl] = r16(0x02);
    c[ChannelEventStatus] = r16(0x04);
    c[ChannelEventMask] = r16(0x06);
    c[ChannelVoltageSet] = rf(0x08);
    c[ChannelCurrentSet] = rf(0x0C);
    c[ChannelVoltageMeasure] = rf(0x10);
    c[ChannelCurrentMeasure] = rf(0x14);
    c[ChannelVoltageIlkMax] = rf(0x18);
    c[ChannelCurrentIlkMax] = rf(0x1C);
    c[ChannelVoltageNominal] = rf(0x20);
    c[ChannelCurrentNominal] = rf(0x24);
    c[ChannelVoltageIlkMin] = rf(0x28);
    c[ChannelCurrentIlkMin] = rf(0x2C);

    m.m_flexGroup[FlexGroupMember] = r16(0x0);
    m.m_flexGroup[FlexGroupType] = r16(0x2);

    m.m_channelBlocks = {0x0060, 0x30, 12};
    m.m_voltageNominals = {0x0340, 8, 12};
    m.m_currentNominals = {0x0344, 8, 12};
    m.m_flexGroups = {0x02C0, 4, 32};
    m.m_channelCountRule = ChannelCountRule::PlacedMaskBits;
    m.m_hexWordWidth = 16;
    m.m_hexRecordCommand = true;
    return m;
}

// Layout 29: up to 24 channels; status, control, event and mask words are 32
// bits wide. The variable groups share the range from 0x700 with the hardware
// nominal values.
RegisterMap RegisterMap::makeLayout29()
{
    RegisterMap m;
    m.m_deviceClass = 29;
    m.m_typeCode = QStringLiteral("DC29");

    auto &r = m.m_module;
    r[ModuleStatus] = r32(0x00);
    r[ModuleEventStatus] = r32(0x04);
    r[ModuleEventMask] = r32(0x08);
    r[ModuleControl] = r32(0x0C);
    r[ModuleEventChannelStatus] = r32(0x10);
    r[ModuleEventChannelMask] = r32(0x14);
    r[ModuleEventGroupStatus] = r32(0x18);
    r[ModuleEventGroupMask] = r32(0x1C);
    r[VoltageRampSpeed] = rf(0x20);
    r[CurrentRampSpeed] = rf(0x24);
    r[VoltageLimit] = rf(0x28);
    r[CurrentLimit] = rf(0x2C);
    r[SerialNumber] = r32(0x30);
    r[FirmwareRelease] = r32(0x34);
    r[PlacedChannels] = r32(0x38);
    r[ChannelCountWord] = r16(0x3C);
    r[DeviceClassWord] = r16(0x3E);
    r[SupplyP5] = rf(0x40);
    r[SupplyP12] = rf(0x44);
    r[SupplyN12] = rf(0x48);
    r[Temperature] = rf(0x4C);
    r[RestartTime] = r32(0x50);
    r[AdcSamplesPerSecond] = r32(0x54);
    r[DigitalFilter] = r32(0x58);
    r[VendorId] = r32(VendorIdOffset);
    r[DecoderRelease] = r32(0x7C);
    r[NewBaseAddress] = r16(0xA0);
    r[NewBaseAddressComplement] = r16(0xA2);
    r[BaseAddressReadBack] = r16(0xA8);
    r[SpecialControlStatus] = r32(0xAC);
    r[SpecialControlCommand] = r32(0xB0);
    r[AllChannelsVoltageSet] = rf(0xD0);
    r[AllChannelsCurrentSet] = rf(0xD4);
    r[AllChannelsEmergencyOff] = r32(0xE0);
    r[AllChannelsOn] = r32(0xE4);

    auto &c = m.m_channel;
    c[ChannelStatus] = r32(0x00);
    c[ChannelEventStatus] = r32(0x04);
    c[ChannelEventMask] = r32(0x08);
    c[ChannelControl] = r32(0x0C);
    c[ChannelVoltageSet] = rf(0x10);
    c[ChannelCurrentSet] = rf(0x14);
    c[ChannelVoltageMeasure] = rf(0x18);
    c[ChannelCurrentMeasure] = rf(0x1C);
    c[ChannelVoltageIlkMax] = rf(0x20);
    c[ChannelVoltageIlkMin] = rf(0x24);
    c[ChannelCurrentIlkMax] = rf(0x28);
    c[ChannelCurrentIlkMin] = rf(0x2C);
    c[ChannelVoltageNominal] = rf(0x30);
    c[ChannelCurrentNominal] = rf(0x34);

    m.m_flexGroup[FlexGroupMember] = r32(0x0);
    m.m_flexGroup[FlexGroupType] = r32(0x4);

    m.m_channelBlocks = {0x0100, 0x40, 24};
    m.m_voltageNominals = {0x0700, 8, 24};
    m.m_currentNominals = {0x0704, 8, 24};
    m.m_flexGroups = {0x0700, 8, 32};
    m.m_channelCountRule = ChannelCountRule::CountWord;
    m.m_hexWordWidth = 32;
    m.m_hexRecordCommand = false;
    return m;
}
