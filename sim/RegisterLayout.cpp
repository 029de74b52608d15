#include "RegisterLayout.h"

const RegisterLayout &RegisterLayout::forClass(int deviceClass)
{
    static const RegisterLayout layout20(Layout20);
    static const RegisterLayout layout29(Layout29);
    static const RegisterLayout none(NoLayout);
    if (deviceClass == 20)
        return layout20;
    if (deviceClass == 29)
        return layout29;
    return none;
}

RegisterLayout::RegisterLayout(Kind kind)
    : m_kind(kind)
{
    switch (kind) {
    case Layout20:
        build20();
        break;
    case Layout29:
        build29();
        break;
    case NoLayout:
        buildNone();
        break;
    }
}

RegisterRef RegisterLayout::decode(std::uint32_t offset) const
{
    if (offset >= m_windowSize || (offset & 1))
        return {};
    return m_words[offset / 2];
}

std::uint32_t RegisterLayout::channelBlock(int channel) const
{
    return m_channelBase + m_channelStride * std::uint32_t(channel);
}

void RegisterLayout::place(std::uint32_t offset, Reg reg, bool wide, int index)
{
    RegisterRef ref;
    ref.reg = reg;
    ref.index = std::uint8_t(index);
    ref.wide = wide;
    ref.offset = std::uint16_t(offset);
    m_words[offset / 2] = ref;
    if (wide) {
        ref.lowHalf = true;
        m_words[offset / 2 + 1] = ref;
    }
}

void RegisterLayout::build20()
{
    m_windowSize = 0x400;
    m_words.assign(m_windowSize / 2, RegisterRef {});
    m_channelBase = 0x60;
    m_channelStride = 0x30;
    m_maxChannels = 12;
    m_bufferBegin = 0x60;
    m_bufferEnd = 0x2A0;

    const bool n = false, w = true;
    place(0x00, Reg::ModuleStatus, n);
    place(0x02, Reg::ModuleControl, n);
    place(0x04, Reg::ModuleEventStatus, n);
    place(0x06, Reg::ModuleEventMask, n);
    place(0x08, Reg::ModuleEventChannelStatus, n);
    place(0x0A, Reg::ModuleEventChannelMask, n);
    place(0x0C, Reg::ModuleEventGroupStatus, w);
    place(0x10, Reg::ModuleEventGroupMask, w);
    place(0x14, Reg::VoltageRampSpeed, w);
    place(0x18, Reg::CurrentRampSpeed, w);
    place(0x1C, Reg::VoltageLimit, w);
    place(0x20, Reg::CurrentLimit, w);
    place(0x24, Reg::SupplyP5, w);
    place(0x28, Reg::SupplyP12, w);
    place(0x2C, Reg::SupplyN12, w);
    place(0x30, Reg::Temperature, w);
    place(0x34, Reg::SerialNumber, w);
    place(0x38, Reg::FirmwareRelease, w);
    place(0x3C, Reg::PlacedChannels, n);
    place(0x3E, Reg::DeviceClass, n);
    place(0x40, Reg::IlkOutStatus, n);
    place(0x42, Reg::IlkOutControl, n);
    place(0x44, Reg::IlkOutCount, n);
    place(0x46, Reg::IlkOutLastTrigger, n);
    place(0x48, Reg::IlkOutChannelActive, n);
    place(0x4A, Reg::IlkOutChannelEverTriggered, n);
    place(0x50, Reg::RestartTime, n);
    place(0x58, Reg::AdcSamples, n);
    place(0x5A, Reg::DigitalFilter, n);
    place(0x5C, Reg::VendorId, w);
    for (int ch = 0; ch < m_maxChannels; ++ch) {
        const std::uint32_t b = channelBlock(ch);
        place(b + 0x00, Reg::ChannelStatus, n, ch);
        place(b + 0x02, Reg::ChannelControl, n, ch);
        place(b + 0x04, Reg::ChannelEventStatus, n, ch);
        place(b + 0x06, Reg::ChannelEventMask, n, ch);
        place(b + 0x08, Reg::ChannelVoltageSet, w, ch);
        place(b + 0x0C, Reg::ChannelCurrentSet, w, ch);
        place(b + 0x10, Reg::ChannelVoltageMeasure, w, ch);
        place(b + 0x14, Reg::ChannelCurrentMeasure, w, ch);
        place(b + 0x18, Reg::ChannelVoltageIlkMax, w, ch);
        place(b + 0x1C, Reg::ChannelCurrentIlkMax, w, ch);
        place(b + 0x20, Reg::ChannelVoltageNominal, w, ch);
        place(b + 0x24, Reg::ChannelCurrentNominal, w, ch);
        place(b + 0x28, Reg::ChannelVoltageIlkMin, w, ch);
        place(b + 0x2C, Reg::ChannelCurrentIlkMin, w, ch);
    }
    place(0x2A0, Reg::AllVoltageSet, w);
    place(0x2A4, Reg::AllCurrentSet, w);
    place(0x2B0, Reg::AllEmergencyOff, w);
    place(0x2B4, Reg::AllOn, w);
    for (int g = 0; g < 32; ++g) {
        place(0x2C0 + 4 * g, Reg::GroupMember, n, g);
        place(0x2C2 + 4 * g, Reg::GroupType, n, g);
    }
    for (int ch = 0; ch < m_maxChannels; ++ch) {
        place(0x340 + 8 * ch, Reg::HardwareVoltageNominal, w, ch);
        place(0x344 + 8 * ch, Reg::HardwareCurrentNominal, w, ch);
    }
    place(0x3A0, Reg::NewBaseAddress, n);
    place(0x3A2, Reg::NewBaseAddressComplement, n);
    place(0x3A6, Reg::BaseAddressReadBack, n);
    place(0x3B0, Reg::SpecialStatus, n);
    place(0x3B2, Reg::SpecialCommand, n);
}

void RegisterLayout::build29()
{
    // The variable groups and the hardware nominals share 0x700..0x7FF, so
    // this window spans two A16 steps.
    m_windowSize = 0x800;
    m_words.assign(m_windowSize / 2, RegisterRef {});
    m_channelBase = 0x100;
    m_channelStride = 0x40;
    m_maxChannels = 24;
    m_bufferBegin = 0x100;
    m_bufferEnd = 0x700;

    const bool n = false, w = true;
    place(0x00, Reg::ModuleStatus, w);
    place(0x04, Reg::ModuleEventStatus, w);
    place(0x08, Reg::ModuleEventMask, w);
    place(0x0C, Reg::ModuleControl, w);
    place(0x10, Reg::ModuleEventChannelStatus, w);
    place(0x14, Reg::ModuleEventChannelMask, w);
    place(0x18, Reg::ModuleEventGroupStatus, w);
    place(0x1C, Reg::ModuleEventGroupMask, w);
    place(0x20, Reg::VoltageRampSpeed, w);
    place(0x24, Reg::CurrentRampSpeed, w);
    place(0x28, Reg::VoltageLimit, w);
    place(0x2C, Reg::CurrentLimit, w);
    place(0x30, Reg::SerialNumber, w);
    place(0x34, Reg::FirmwareRelease, w);
    place(0x38, Reg::PlacedChannels, w);
    place(0x3C, Reg::ChannelNumber, n);
    place(0x3E, Reg::DeviceClass, n);
    place(0x40, Reg::SupplyP5, w);
    place(0x44, Reg::SupplyP12, w);
    place(0x48, Reg::SupplyN12, w);
    place(0x4C, Reg::Temperature, w);
    place(0x50, Reg::RestartTime, w);
    place(0x54, Reg::AdcSamples, w);
    place(0x58, Reg::DigitalFilter, w);
    place(0x5C, Reg::VendorId, w);
    place(0x7C, Reg::DecoderRelease, w);
    place(0xA0, Reg::NewBaseAddress, n);
    place(0xA2, Reg::NewBaseAddressComplement, n);
    place(0xA8, Reg::BaseAddressReadBack, n);
    place(0xAC, Reg::SpecialStatus, w);
    place(0xB0, Reg::SpecialCommand, w);
    place(0xD0, Reg::AllVoltageSet, w);
    place(0xD4, Reg::AllCurrentSet, w);
    place(0xE0, Reg::AllEmergencyOff, w);
    place(0xE4, Reg::AllOn, w);
    for (int ch = 0; ch < m_maxChannels; ++ch) {
        const std::uint32_t b = channelBlock(ch);
        place(b + 0x00, Reg::ChannelStatus, w, ch);
        place(b + 0x04, Reg::ChannelEventStatus, w, ch);
        place(b + 0x08, Reg::ChannelEventMask, w, ch);
        place(b + 0x0C, Reg::ChannelControl, w, ch);
        place(b + 0x10, Reg::ChannelVoltageSet, w, ch);
        place(b + 0x14, Reg::ChannelCurrentSet, w, ch);
        place(b + 0x18, Reg::ChannelVoltageMeasure, w, ch);
        place(b + 0x1C, Reg::ChannelCurrentMeasure, w, ch);
        place(b + 0x20, Reg::ChannelVoltageIlkMax, w, ch);
        place(b + 0x24, Reg::ChannelVoltageIlkMin, w, ch);
        place(b + 0x28, Reg::ChannelCurrentIlkMax, w, ch);
        place(b + 0x2C, Reg::ChannelCurrentIlkMin, w, ch);
        place(b + 0x30, Reg::ChannelVoltageNominal, w, ch);
        place(b + 0x34, Reg::ChannelCurrentNominal, w, ch);
    }
    // Slot k of 0x700 + 8k is channel k's hardware nominal pair and group k's
    // member/type pair at once; the module decides per access (SimModule).
    for (int k = 0; k < 32; ++k) {
        place(0x700 + 8 * k, Reg::HardwareVoltageNominal, w, k);
        place(0x704 + 8 * k, Reg::HardwareCurrentNominal, w, k);
    }
}

void RegisterLayout::buildNone()
{
    m_windowSize = 0x400;
    m_words.assign(m_windowSize / 2, RegisterRef {});
    place(0x3C, Reg::PlacedChannels, false);
    place(0x3E, Reg::DeviceClass, false);
    place(0x5C, Reg::VendorId, true);
}
