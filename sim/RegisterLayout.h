#pragma once

#include <cstdint>
#include <vector>

/// What lives at one 16-bit word of a module's address window.
enum class Reg : std::uint8_t {
    None,
    // module words
    ModuleStatus,
    ModuleControl,
    ModuleEventStatus,
    ModuleEventMask,
    ModuleEventChannelStatus,
    ModuleEventChannelMask,
    ModuleEventGroupStatus,
    ModuleEventGroupMask,
    VoltageRampSpeed,
    CurrentRampSpeed,
    VoltageLimit,
    CurrentLimit,
    SupplyP5,
    SupplyP12,
    SupplyN12,
    Temperature,
    SerialNumber,
    FirmwareRelease,
    PlacedChannels,
    ChannelNumber,
    DeviceClass,
    IlkOutStatus,
    IlkOutControl,
    IlkOutCount,
    IlkOutLastTrigger,
    IlkOutChannelActive,
    IlkOutChannelEverTriggered,
    RestartTime,
    AdcSamples,
    DigitalFilter,
    VendorId,
    DecoderRelease,
    AllVoltageSet,
    AllCurrentSet,
    AllEmergencyOff,
    AllOn,
    NewBaseAddress,
    NewBaseAddressComplement,
    BaseAddressReadBack,
    SpecialStatus,
    SpecialCommand,
    // channel block words (index = channel)
    ChannelStatus,
    ChannelControl,
    ChannelEventStatus,
    ChannelEventMask,
    ChannelVoltageSet,
    ChannelCurrentSet,
    ChannelVoltageMeasure,
    ChannelCurrentMeasure,
    ChannelVoltageIlkMax,
    ChannelCurrentIlkMax,
    ChannelVoltageIlkMin,
    ChannelCurrentIlkMin,
    ChannelVoltageNominal,
    ChannelCurrentNominal,
    // hardware nominals (index = channel)
    HardwareVoltageNominal,
    HardwareCurrentNominal,
    // variable groups (index = group)
    GroupMember,
    GroupType,
    // the firmware-record buffer that overlays the channel blocks in special mode
    RecordBuffer,
};

/// One decoded word: the register it belongs to and which half of it.
struct RegisterRef
{
    Reg reg = Reg::None;
    std::uint8_t index = 0; ///< channel or group number
    bool wide = false; ///< a 32-bit register reached as two D16 cycles
    bool lowHalf = false; ///< the word at offset + 2 of a wide register
    std::uint16_t offset = 0; ///< offset of the register's first word
};

/// The register map of one device-class layout, decoded word by word.
///
/// Built once per layout; decoding an offset is a table look-up, so the bus
/// path stays cheap even with a trace file and many modules.
class RegisterLayout
{
public:
    enum Kind { Layout20, Layout29, NoLayout };

    /// The layout for a device class: 20 and 29 have register maps, every
    /// other class answers only its identification.
    static const RegisterLayout &forClass(int deviceClass);

    Kind kind() const { return m_kind; }
    /// Size of the address window the module decodes.
    std::uint32_t windowSize() const { return m_windowSize; }
    /// Decoded word at an offset inside the window (Reg::None where nothing lives).
    RegisterRef decode(std::uint32_t offset) const;
    /// Offset of channel n's block.
    std::uint32_t channelBlock(int channel) const;
    /// First and one-past-last offset of the firmware-record buffer.
    std::uint32_t bufferBegin() const { return m_bufferBegin; }
    std::uint32_t bufferEnd() const { return m_bufferEnd; }
    /// Largest number of channel blocks the layout has.
    int maxChannels() const { return m_maxChannels; }

private:
    explicit RegisterLayout(Kind kind);
    void place(std::uint32_t offset, Reg reg, bool wide, int index = 0);
    void build20();
    void build29();
    void buildNone();

    Kind m_kind;
    std::uint32_t m_windowSize = 0x400;
    std::uint32_t m_bufferBegin = 0;
    std::uint32_t m_bufferEnd = 0;
    std::uint32_t m_channelBase = 0;
    std::uint32_t m_channelStride = 0;
    int m_maxChannels = 0;
    std::vector<RegisterRef> m_words;
};
