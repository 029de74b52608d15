#pragma once

#include <QString>
#include <QtGlobal>

#include <array>

/// The VME register layout of one device class, as data: where each module and
/// channel register lives, how wide it is, what it carries, and the rules that
/// fill a module's per-channel and per-group offset tables.
///
/// Operations of the module object name a register; they never spell out an
/// offset. A register a layout does not have has width 0: reading it gives 0
/// and writing it does nothing (layout 29 has no interlock-out registers,
/// layout 20 no decoder release).
class RegisterMap
{
public:
    /// What the 32 (or 16) bits of a register carry.
    enum class Kind { Int, Float };

    /// One register: its offset, its width in bits (16, 32, or 0 when the
    /// layout has none) and its encoding.
    struct Register
    {
        quint16 offset = 0;
        int width = 0;
        Kind kind = Kind::Int;

        /// True when the layout has this register.
        bool exists() const { return width != 0; }
    };

    /// A per-module offset table: entry n = start + step * n for n below count;
    /// entries from count on are never filled.
    struct TableRule
    {
        quint16 start = 0;
        quint16 step = 0;
        int count = 0;

        /// The offset of entry n (n must lie below count).
        quint16 at(int n) const { return quint16(start + step * n); }
    };

    /// Module-wide registers, offsets from the base address.
    enum ModuleRegister {
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
        ChannelCountWord,
        DeviceClassWord,
        IlkOutStatus,
        IlkOutControl,
        IlkOutCount,
        IlkOutLastTrigger,
        IlkOutChnActualActive,
        IlkOutChnEverTriggered,
        RestartTime,
        AdcSamplesPerSecond,
        DigitalFilter,
        VendorId,
        DecoderRelease,
        NewBaseAddress,
        NewBaseAddressComplement,
        BaseAddressReadBack,
        SpecialControlStatus,
        SpecialControlCommand,
        AllChannelsVoltageSet,
        AllChannelsCurrentSet,
        AllChannelsEmergencyOff,
        AllChannelsOn,
        ModuleRegisterCount
    };

    /// Registers of one channel block, offsets from the channel's block offset.
    enum ChannelRegister {
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
        ChannelVoltageNominal,
        ChannelCurrentNominal,
        ChannelVoltageIlkMin,
        ChannelCurrentIlkMin,
        ChannelRegisterCount
    };

    /// Registers of one variable group, offsets from the group's table entry.
    enum FlexGroupRegister { FlexGroupMember, FlexGroupType, FlexGroupRegisterCount };

    /// How the word above the device class turns into a channel count.
    enum class ChannelCountRule {
        PlacedMaskBits, ///< count the 1-bits of the placed-channels mask
        CountWord ///< the word is the channel count
    };

    /// The four ASCII letters "norv" read as a big-endian 32-bit word.
    static constexpr quint32 NorvVendorId = 0x6E6F7276;
    /// Vendor identification, R32 at the same offset in every layout.
    static constexpr quint16 VendorIdOffset = 0x5C;
    /// R32 at the same offset in every layout: high word = placed mask or
    /// channel count, low word = device class.
    static constexpr quint16 IdentityOffset = 0x3C;
    /// Capacity of the channel-block offset tables.
    static constexpr int ChannelTableSize = 64;
    /// Capacity of the variable-group offset table; also the number of groups.
    static constexpr int FlexGroupTableSize = 32;

    /// The layout of a device class, or null for a class without one.
    static const RegisterMap *forDeviceClass(int deviceClass);

    /// The device class this layout belongs to (20 or 29).
    int deviceClass() const { return m_deviceClass; }
    /// The type code identification stores for this class ("DC20", "DC29").
    QString typeCode() const { return m_typeCode; }

    /// A module-wide register.
    const Register &module(ModuleRegister r) const { return m_module[r]; }
    /// A channel-block register.
    const Register &channel(ChannelRegister r) const { return m_channel[r]; }
    /// A variable-group register.
    const Register &flexGroup(FlexGroupRegister r) const { return m_flexGroup[r]; }

    /// Rule for `channelBlockOffset`.
    const TableRule &channelBlocks() const { return m_channelBlocks; }
    /// Rule for `voltageNominalOffset` (hardware voltage nominal, RF).
    const TableRule &voltageNominals() const { return m_voltageNominals; }
    /// Rule for `currentNominalOffset` (hardware current nominal in A, RF).
    const TableRule &currentNominals() const { return m_currentNominals; }
    /// Rule for `flexGroupOffset`.
    const TableRule &flexGroups() const { return m_flexGroups; }
    /// How identification turns the high identity word into a channel count.
    ChannelCountRule channelCountRule() const { return m_channelCountRule; }

    /// Width of the words a firmware record is written in (16 or 32).
    int hexWordWidth() const { return m_hexWordWidth; }
    /// Bytes of the record buffer, which overlays the channel blocks.
    int hexBufferSize() const { return m_channelBlocks.step * m_channelBlocks.count; }
    /// True when each record is announced with special control command 2.
    bool hexRecordCommand() const { return m_hexRecordCommand; }
    /// The special control command that announces a record in the buffer.
    static constexpr quint32 HexRecordReadyCommand = 2;

private:
    RegisterMap() = default;
    static RegisterMap makeLayout20();
    static RegisterMap makeLayout29();

    int m_deviceClass = 0;
    QString m_typeCode;
    std::array<Register, ModuleRegisterCount> m_module {};
    std::array<Register, ChannelRegisterCount> m_channel {};
    std::array<Register, FlexGroupRegisterCount> m_flexGroup {};
    TableRule m_channelBlocks;
    TableRule m_voltageNominals;
    TableRule m_currentNominals;
    TableRule m_flexGroups;
    ChannelCountRule m_channelCountRule = ChannelCountRule::PlacedMaskBits;
    int m_hexWordWidth = 16;
    bool m_hexRecordCommand = false;
};
