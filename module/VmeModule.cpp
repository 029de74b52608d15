#include "VmeModule.h"

#include "BusTransaction.h"
#include "ReadAhead.h"
#include "VmeController.h"
#include "WordBits.h"

#include <QtDebug>

#include <cstring>

namespace {

constexpr int A16UserData = VmeModule::AddressModifier;

// Special control commands after which the module may come back as another
// device (new firmware, new identity), so its vendor id must be read afresh.
bool dropsIdentity(quint32 command) { return command == 7 || command == 9; }

// SI -> user factor by current unit index. Both directions multiply in double
// precision (by 1e-6 rather than dividing by 1e6), and the caller rounds the
// product to float once.
double siToUserFactor(int unitIndex)
{
    switch (unitIndex) {
    case 0:
        return 1e9;
    case 1:
        return 1e6;
    case 2:
        return 1000.0;
    default:
        return 1.0;
    }
}

double userToSiFactor(int unitIndex)
{
    switch (unitIndex) {
    case 0:
        return 1e-9;
    case 1:
        return 1e-6;
    case 2:
        return 0.001;
    default:
        return 1.0;
    }
}

} // namespace

using Map = RegisterMap;

VmeModule::VmeModule(VmeController *controller, quint16 baseAddress, QObject *parent)
    : m_controller(controller)
    , m_baseAddress(baseAddress)
{
    setParent(parent);
    m_display = ownUnits();
}

VmeModule::~VmeModule() = default;

// ---------------------------------------------------------------------------
// Bus primitives. Every cycle is one D16 cycle at base + offset, passed on as a
// 32-bit address without masking; errors are not reported upward.

quint32 VmeModule::address(quint32 offset) const { return quint32(m_baseAddress) + offset; }

quint16 VmeModule::read16(quint32 offset)
{
    if (!m_controller)
        return 0;
    // The refresh reads a whole step ahead in one transfer where the bridge can.
    quint16 word = 0;
    int error = 0;
    if (!ReadAhead::take(address(offset), &word, &error))
        word = m_controller->read16(address(offset), A16UserData, &error);
    // The word of a failed cycle is no value: whoever shows values must know.
    // Failures are negative (VM-USB counts the bytes of a good cycle).
    if (error < 0)
        ++m_failedReads;
    return word;
}

void VmeModule::write16(quint32 offset, quint16 data)
{
    if (!m_controller)
        return;
    m_controller->write16(address(offset), A16UserData, data, nullptr);
}

quint32 VmeModule::readRegister32(quint32 offset)
{
    BusTransaction tx(m_controller);
    const quint32 high = read16(offset);
    const quint32 low = read16(offset + 2);
    return (high << 16) | low;
}

void VmeModule::writeRegister32(quint32 offset, quint32 value)
{
    BusTransaction tx(m_controller);
    write16(offset, quint16(value >> 16));
    write16(offset + 2, quint16(value & 0xFFFF));
}

float VmeModule::readRegisterFloat(quint32 offset)
{
    const quint32 bits = readRegister32(offset);
    float value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

void VmeModule::writeRegisterFloat(quint32 offset, float value)
{
    quint32 bits;
    std::memcpy(&bits, &value, sizeof bits);
    writeRegister32(offset, bits);
}

quint32 VmeModule::readWord(const RegisterMap::Register &reg, quint32 blockOffset)
{
    switch (reg.width) {
    case 16:
        return read16(blockOffset + reg.offset);
    case 32:
        return readRegister32(blockOffset + reg.offset);
    default:
        return 0;
    }
}

bool VmeModule::writeWord(const RegisterMap::Register &reg, quint32 blockOffset, quint32 value)
{
    switch (reg.width) {
    case 16:
        write16(blockOffset + reg.offset, quint16(value & 0xFFFF));
        return true;
    case 32:
        writeRegister32(blockOffset + reg.offset, value);
        return true;
    default:
        return false;
    }
}

float VmeModule::readFloat(const RegisterMap::Register &reg, quint32 blockOffset)
{
    if (!reg.exists())
        return 0.0f;
    Q_ASSERT(reg.kind == Map::Kind::Float);
    return readRegisterFloat(blockOffset + reg.offset);
}

void VmeModule::writeFloat(const RegisterMap::Register &reg, quint32 blockOffset, float value)
{
    if (!reg.exists())
        return;
    Q_ASSERT(reg.kind == Map::Kind::Float);
    writeRegisterFloat(blockOffset + reg.offset, value);
}

// ---------------------------------------------------------------------------
// Layout dispatch and the index guard.

const RegisterMap *VmeModule::layout()
{
    if (const RegisterMap *map = RegisterMap::forDeviceClass(m_deviceClass))
        return map;
    // Not identified, silent, or a class without registers: identify, so a
    // module that starts answering is picked up, but this call still gives 0.
    GetModuleDeviceClass();
    return nullptr;
}

void VmeModule::fillOffsetTables(const RegisterMap &map)
{
    // Start from empty tables: a module that changed layout (another module
    // now answers at this base address) must not keep the old layout's entries.
    m_channelBlockOffset.fill(0);
    m_voltageNominalOffset.fill(0);
    m_currentNominalOffset.fill(0);
    m_flexGroupOffset.fill(0);

    const int channels = qMin(map.channelBlocks().count,
                              qMin(map.voltageNominals().count, map.currentNominals().count));
    for (int ch = 0; ch < channels; ++ch) {
        m_channelBlockOffset[ch] = map.channelBlocks().at(ch);
        m_voltageNominalOffset[ch] = map.voltageNominals().at(ch);
        m_currentNominalOffset[ch] = map.currentNominals().at(ch);
    }
    m_filledChannelEntries = channels;

    const int groups = qMin(map.flexGroups().count, RegisterMap::FlexGroupTableSize);
    for (int g = 0; g < groups; ++g)
        m_flexGroupOffset[g] = map.flexGroups().at(g);
    m_filledGroupEntries = groups;
}

bool VmeModule::channelPossible(int channel) const
{
    return channel >= 0 && channel < RegisterMap::ChannelTableSize;
}

bool VmeModule::channelFilled(int channel) const
{
    return channelPossible(channel) && channel < m_channelCount && channel < m_filledChannelEntries;
}

bool VmeModule::groupPossible(int group) const
{
    return group >= 0 && group < RegisterMap::FlexGroupTableSize;
}

bool VmeModule::groupFilled(int group) const
{
    return groupPossible(group) && group < m_filledGroupEntries;
}

// ---------------------------------------------------------------------------
// Register helpers by name. Each holds the bus for the whole access, layout
// check included, so the cached identity cannot change under it.

quint32 VmeModule::moduleWord(RegisterMap::ModuleRegister r)
{
    BusTransaction tx(m_controller);
    const RegisterMap *map = layout();
    return map ? readWord(map->module(r)) : 0;
}

bool VmeModule::setModuleWord(RegisterMap::ModuleRegister r, quint32 value)
{
    BusTransaction tx(m_controller);
    const RegisterMap *map = layout();
    return map && writeWord(map->module(r), 0, value);
}

float VmeModule::moduleFloat(RegisterMap::ModuleRegister r)
{
    BusTransaction tx(m_controller);
    const RegisterMap *map = layout();
    return map ? readFloat(map->module(r)) : 0.0f;
}

void VmeModule::setModuleFloat(RegisterMap::ModuleRegister r, float value)
{
    BusTransaction tx(m_controller);
    if (const RegisterMap *map = layout())
        writeFloat(map->module(r), 0, value);
}

// Indices that can never be valid are refused before anything else, without
// a bus cycle; the rest only after identification has filled the tables.
quint32 VmeModule::channelWord(int channel, RegisterMap::ChannelRegister r)
{
    if (!channelPossible(channel))
        return 0;
    BusTransaction tx(m_controller);
    const RegisterMap *map = layout();
    if (!map || !channelFilled(channel))
        return 0;
    return readWord(map->channel(r), m_channelBlockOffset[channel]);
}

void VmeModule::setChannelWord(int channel, RegisterMap::ChannelRegister r, quint32 value)
{
    if (!channelPossible(channel))
        return;
    BusTransaction tx(m_controller);
    const RegisterMap *map = layout();
    if (!map || !channelFilled(channel))
        return;
    writeWord(map->channel(r), m_channelBlockOffset[channel], value);
}

float VmeModule::channelFloat(int channel, RegisterMap::ChannelRegister r)
{
    if (!channelPossible(channel))
        return 0.0f;
    BusTransaction tx(m_controller);
    const RegisterMap *map = layout();
    if (!map || !channelFilled(channel))
        return 0.0f;
    return readFloat(map->channel(r), m_channelBlockOffset[channel]);
}

void VmeModule::setChannelFloat(int channel, RegisterMap::ChannelRegister r, float value)
{
    if (!channelPossible(channel))
        return;
    BusTransaction tx(m_controller);
    const RegisterMap *map = layout();
    if (!map || !channelFilled(channel))
        return;
    writeFloat(map->channel(r), m_channelBlockOffset[channel], value);
}

void VmeModule::updateModuleControl(quint32 clear, quint32 set)
{
    BusTransaction tx(m_controller);
    if (!layout())
        return;
    const quint32 control = GetModuleControl();
    // Only the low 16 bits carry control bits; a 32-bit word goes back with
    // its high half 0.
    SetModuleControl(((control & ~clear) | set) & 0xFFFF);
}

void VmeModule::updateChannelControl(int channel, quint32 clear, quint32 set)
{
    if (!channelPossible(channel))
        return;
    BusTransaction tx(m_controller);
    if (!layout() || !channelFilled(channel))
        return;
    const quint32 control = GetChannelControl(channel);
    SetChannelControl(channel, ((control & ~clear) | set) & 0xFFFF);
}

void VmeModule::forEachSelectedChannel(quint32 mask, RegisterMap::ModuleRegister allChannels,
                                       quint32 allValue, void (VmeModule::*perChannel)(int))
{
    {
        BusTransaction tx(m_controller);
        if (!layout())
            return;
        if (mask == WordBits::AllChannels) {
            setModuleWord(allChannels, allValue);
            return;
        }
    }
    for (int ch = 0; ch < 32; ++ch) {
        if (!(mask & (quint32(1) << ch)))
            continue;
        // One transaction per channel: the other thread may use the bus
        // between two channels, never inside one read-modify-write.
        BusTransaction step(m_controller);
        (this->*perChannel)(ch);
    }
}

// ---------------------------------------------------------------------------
// Identity

bool VmeModule::connected()
{
    BusTransaction tx(m_controller);
    GetModuleDeviceClass();
    return m_vendorId == RegisterMap::NorvVendorId;
}

QString VmeModule::alarmMessage() { return QString(); }

QString VmeModule::firmwareName()
{
    BusTransaction tx(m_controller);
    return BaseModule::firmwareName();
}

int VmeModule::GetModuleDeviceClass()
{
    BusTransaction tx(m_controller);
    if (m_vendorId != RegisterMap::NorvVendorId)
        m_vendorId = readRegister32(RegisterMap::VendorIdOffset);

    const quint32 identity = readRegister32(RegisterMap::IdentityOffset);
    m_deviceClass = int(identity & 0xFFFF);
    if (const RegisterMap *map = RegisterMap::forDeviceClass(m_deviceClass)) {
        const quint32 high = identity >> 16;
        // Identification runs on every refresh tick; writing the name only when
        // it changes keeps a reader in the other thread from racing a write.
        if (m_firmwareName != map->typeCode())
            m_firmwareName = map->typeCode();
        m_channelCount = map->channelCountRule() == RegisterMap::ChannelCountRule::PlacedMaskBits
            ? qPopulationCount(high)
            : int(high);
        // The tables depend on the layout alone; identification runs on every
        // refresh tick, so fill them only when the layout changes.
        if (m_offsetTablesLayout != map) {
            fillOffsetTables(*map);
            m_offsetTablesLayout = map;
        }
    }
    return m_deviceClass;
}

quint32 VmeModule::GetModulePlacedChannels() { return moduleWord(Map::PlacedChannels); }

int VmeModule::GetModuleSerialNumber() { return int(moduleWord(Map::SerialNumber)); }

QString VmeModule::GetModuleFirmwareRelease()
{
    BusTransaction tx(m_controller);
    if (!layout())
        return QStringLiteral("00.00");
    const quint32 v = moduleWord(Map::FirmwareRelease);
    return QStringLiteral("%1%2.%3%4")
        .arg(QString::number(v >> 24), QString::number((v >> 16) & 0xFF),
             QString::number((v >> 8) & 0xFF), QString::number(v & 0xFF));
}

quint32 VmeModule::GetModuleDecoderRelease() { return moduleWord(Map::DecoderRelease); }

void VmeModule::doClear() { updateModuleControl(0, WordBits::ModuleControl::Clear); }

QString VmeModule::GetModuleAddress()
{
    return QStringLiteral("VME BA 0x%1").arg(GetModuleBaseAddress(), 4, 16, QLatin1Char('0'));
}

quint16 VmeModule::GetModuleBaseAddress()
{
    BusTransaction tx(m_controller);
    return m_baseAddress;
}

void VmeModule::SetModuleBaseAddress(quint16 baseAddress)
{
    BusTransaction tx(m_controller);
    m_baseAddress = baseAddress;
    m_vendorId = 0;
}

// ---------------------------------------------------------------------------
// Module-wide values

float VmeModule::GetModuleTemperature() { return moduleFloat(Map::Temperature); }

float VmeModule::GetModuleSupplyP5() { return moduleFloat(Map::SupplyP5); }

float VmeModule::GetModuleSupplyP12() { return moduleFloat(Map::SupplyP12); }

float VmeModule::GetModuleSupplyN12() { return moduleFloat(Map::SupplyN12); }

quint32 VmeModule::GetModuleAdcSamplesPerSecond() { return moduleWord(Map::AdcSamplesPerSecond); }

void VmeModule::SetModuleAdcSamplesPerSecond(quint32 sps)
{
    setModuleWord(Map::AdcSamplesPerSecond, sps);
}

quint32 VmeModule::GetModuleDigitalFilter() { return moduleWord(Map::DigitalFilter); }

void VmeModule::SetModuleDigitalFilter(quint32 filter)
{
    setModuleWord(Map::DigitalFilter, filter);
}

float VmeModule::GetModuleVoltageLimit() { return moduleFloat(Map::VoltageLimit); }

// A percentage of the nominal current, like the voltage limit: no current to
// convert (converted, 100 % read as 100000 and no display could show it).
float VmeModule::GetModuleCurrentLimit() { return moduleFloat(Map::CurrentLimit); }

quint32 VmeModule::GetModuleStatus() { return moduleWord(Map::ModuleStatus); }

quint32 VmeModule::GetModuleEventStatus() { return moduleWord(Map::ModuleEventStatus); }

void VmeModule::SetModuleEventStatus(quint32 status)
{
    setModuleWord(Map::ModuleEventStatus, status);
}

void VmeModule::ClearModuleEventStatus() { SetModuleEventStatus(0xFFFFFFFF); }

quint32 VmeModule::GetModuleEventChannelStatus()
{
    return moduleWord(Map::ModuleEventChannelStatus);
}

void VmeModule::ClearModuleEventChannelStatus()
{
    setModuleWord(Map::ModuleEventChannelStatus, 0xFFFFFFFF);
}

quint32 VmeModule::GetModuleEventChannelMask() { return moduleWord(Map::ModuleEventChannelMask); }

void VmeModule::SetModuleEventChannelMask(quint32 mask)
{
    setModuleWord(Map::ModuleEventChannelMask, mask);
}

quint32 VmeModule::GetModuleEventGroupStatus() { return moduleWord(Map::ModuleEventGroupStatus); }

quint32 VmeModule::GetModuleEventGroupMask() { return moduleWord(Map::ModuleEventGroupMask); }

void VmeModule::SetModuleEventGroupMask(quint32 mask)
{
    setModuleWord(Map::ModuleEventGroupMask, mask);
}

void VmeModule::ClearModuleEventGroupStatus()
{
    setModuleWord(Map::ModuleEventGroupStatus, 0xFFFFFFFF);
}

quint32 VmeModule::GetModuleEventMask() { return moduleWord(Map::ModuleEventMask); }

void VmeModule::SetModuleEventMask(quint32 mask) { setModuleWord(Map::ModuleEventMask, mask); }

quint32 VmeModule::GetModuleControl() { return moduleWord(Map::ModuleControl); }

void VmeModule::SetModuleControl(quint32 control) { setModuleWord(Map::ModuleControl, control); }

float VmeModule::GetModuleVoltageRampSpeed() { return moduleFloat(Map::VoltageRampSpeed); }

void VmeModule::SetModuleVoltageRampSpeed(float vramp)
{
    setModuleFloat(Map::VoltageRampSpeed, vramp);
}

float VmeModule::GetModuleCurrentRampSpeed() { return moduleFloat(Map::CurrentRampSpeed); }

void VmeModule::SetModuleCurrentRampSpeed(float iramp)
{
    setModuleFloat(Map::CurrentRampSpeed, iramp);
}

bool VmeModule::GetModuleKillEnable()
{
    return (GetModuleControl() & WordBits::ModuleControl::KillEnable) != 0;
}

void VmeModule::SetModuleKillEnable(bool enable)
{
    updateModuleControl(WordBits::ModuleControl::KillEnable,
                        enable ? WordBits::ModuleControl::KillEnable : 0);
}

int VmeModule::GetModuleChannelNumber()
{
    BusTransaction tx(m_controller);
    return m_channelCount;
}

quint32 VmeModule::GetModuleRestartTime() { return moduleWord(Map::RestartTime); }

void VmeModule::SetModuleRestartTime(quint32 restartTime)
{
    setModuleWord(Map::RestartTime, restartTime);
}

// ---------------------------------------------------------------------------
// Selected and all channels

void VmeModule::SetSelectedChannelsOn(quint32 mask)
{
    forEachSelectedChannel(mask, Map::AllChannelsOn, 1, &VmeModule::SetChannelOn);
}

void VmeModule::SetSelectedChannelsOff(quint32 mask)
{
    forEachSelectedChannel(mask, Map::AllChannelsOn, 0, &VmeModule::SetChannelOff);
}

void VmeModule::SetSelectedChannelsEmergencyOff(quint32 mask)
{
    forEachSelectedChannel(mask, Map::AllChannelsEmergencyOff, 1,
                           &VmeModule::SetChannelEmergencyOff);
}

void VmeModule::ClearSelectedChannelsEmergencyOff(quint32 mask)
{
    forEachSelectedChannel(mask, Map::AllChannelsEmergencyOff, 0,
                           &VmeModule::ClearChannelEmergencyOff);
}

void VmeModule::SetAllChannelsVoltageSet(float vset)
{
    setModuleFloat(Map::AllChannelsVoltageSet, vset);
}

void VmeModule::SetAllChannelsCurrentSet(float iset)
{
    setModuleFloat(Map::AllChannelsCurrentSet, userCurrentToSiCurrent(iset));
}

// ---------------------------------------------------------------------------
// Channel words

quint32 VmeModule::GetChannelStatus(int channel)
{
    return channelWord(channel, Map::ChannelStatus);
}

quint32 VmeModule::GetChannelEventStatus(int channel)
{
    return channelWord(channel, Map::ChannelEventStatus);
}

void VmeModule::SetChannelEventStatus(int channel, quint32 status)
{
    setChannelWord(channel, Map::ChannelEventStatus, status);
}

void VmeModule::ClearChannelEventStatus(int channel) { SetChannelEventStatus(channel, 0xFFFFFFFF); }

quint32 VmeModule::GetChannelEventMask(int channel)
{
    return channelWord(channel, Map::ChannelEventMask);
}

void VmeModule::SetChannelEventMask(int channel, quint32 mask)
{
    setChannelWord(channel, Map::ChannelEventMask, mask);
}

quint32 VmeModule::GetChannelControl(int channel)
{
    return channelWord(channel, Map::ChannelControl);
}

void VmeModule::SetChannelControl(int channel, quint32 control)
{
    setChannelWord(channel, Map::ChannelControl, control);
}

void VmeModule::SetChannelEmergencyOff(int channel)
{
    updateChannelControl(channel, 0, WordBits::ChannelControl::SetEmergencyOff);
}

void VmeModule::ClearChannelEmergencyOff(int channel)
{
    updateChannelControl(channel, WordBits::ChannelControl::SetEmergencyOff, 0);
}

void VmeModule::SetChannelOn(int channel)
{
    updateChannelControl(channel, 0, WordBits::ChannelControl::SetOn);
}

void VmeModule::SetChannelOff(int channel)
{
    updateChannelControl(channel, WordBits::ChannelControl::SetOn, 0);
}

// ---------------------------------------------------------------------------
// Channel values. Currents are converted between the display unit and amperes.

float VmeModule::GetChannelVoltageNominal(int channel)
{
    return channelFloat(channel, Map::ChannelVoltageNominal);
}

float VmeModule::GetChannelCurrentNominal(int channel)
{
    return siCurrentToUserCurrent(channelFloat(channel, Map::ChannelCurrentNominal));
}

float VmeModule::GetChannelVoltageSet(int channel)
{
    return channelFloat(channel, Map::ChannelVoltageSet);
}

void VmeModule::SetChannelVoltageSet(int channel, float vset)
{
    setChannelFloat(channel, Map::ChannelVoltageSet, vset);
}

float VmeModule::GetChannelVoltageMeasure(int channel)
{
    return channelFloat(channel, Map::ChannelVoltageMeasure);
}

float VmeModule::GetChannelCurrentSet(int channel)
{
    return siCurrentToUserCurrent(channelFloat(channel, Map::ChannelCurrentSet));
}

void VmeModule::SetChannelCurrentSet(int channel, float iset)
{
    setChannelFloat(channel, Map::ChannelCurrentSet, userCurrentToSiCurrent(iset));
}

float VmeModule::GetChannelCurrentMeasure(int channel)
{
    return siCurrentToUserCurrent(channelFloat(channel, Map::ChannelCurrentMeasure));
}

float VmeModule::GetChannelVoltageIlkMaxSet(int channel)
{
    return channelFloat(channel, Map::ChannelVoltageIlkMax);
}

void VmeModule::SetChannelVoltageIlkMaxSet(int channel, float ilkmax)
{
    setChannelFloat(channel, Map::ChannelVoltageIlkMax, ilkmax);
}

float VmeModule::GetChannelVoltageIlkMinSet(int channel)
{
    return channelFloat(channel, Map::ChannelVoltageIlkMin);
}

void VmeModule::SetChannelVoltageIlkMinSet(int channel, float ilkmin)
{
    setChannelFloat(channel, Map::ChannelVoltageIlkMin, ilkmin);
}

float VmeModule::GetChannelCurrentIlkMaxSet(int channel)
{
    return siCurrentToUserCurrent(channelFloat(channel, Map::ChannelCurrentIlkMax));
}

void VmeModule::SetChannelCurrentIlkMaxSet(int channel, float ilkmax)
{
    setChannelFloat(channel, Map::ChannelCurrentIlkMax, userCurrentToSiCurrent(ilkmax));
}

float VmeModule::GetChannelCurrentIlkMinSet(int channel)
{
    return siCurrentToUserCurrent(channelFloat(channel, Map::ChannelCurrentIlkMin));
}

void VmeModule::SetChannelCurrentIlkMinSet(int channel, float ilkmin)
{
    setChannelFloat(channel, Map::ChannelCurrentIlkMin, userCurrentToSiCurrent(ilkmin));
}

float VmeModule::GetChannelVoltageHardwareNominal(int channel)
{
    if (!channelPossible(channel))
        return 0.0f;
    BusTransaction tx(m_controller);
    if (!layout() || !channelFilled(channel))
        return 0.0f;
    return readRegisterFloat(m_voltageNominalOffset[channel]);
}

void VmeModule::SetChannelVoltageNominal(int channel, float maxset)
{
    setChannelFloat(channel, Map::ChannelVoltageNominal, maxset);
}

float VmeModule::GetChannelCurrentHardwareNominal(int channel)
{
    if (!channelPossible(channel))
        return 0.0f;
    BusTransaction tx(m_controller);
    if (!layout() || !channelFilled(channel))
        return 0.0f;
    return siCurrentToUserCurrent(readRegisterFloat(m_currentNominalOffset[channel]));
}

void VmeModule::SetChannelCurrentNominal(int channel, float maxset)
{
    setChannelFloat(channel, Map::ChannelCurrentNominal, userCurrentToSiCurrent(maxset));
}

// ---------------------------------------------------------------------------
// Units and formatting

DisplayFormat VmeModule::ownUnits() const
{
    DisplayFormat format;
    format.voltageUnit = m_voltageUnitIndex;
    format.voltagePrecision = m_voltagePrecision;
    // Any index but nA, uA and mA means amperes.
    format.currentUnit = m_currentUnitIndex >= DisplayFormat::Nanoampere
            && m_currentUnitIndex <= DisplayFormat::Milliampere
        ? m_currentUnitIndex
        : int(DisplayFormat::Ampere);
    format.currentPrecision = m_currentPrecision;
    return format;
}

DisplayFormat VmeModule::displayFormat()
{
    // The refresh formats in its reader thread while the operator changes
    // the settings in the window's.
    BusTransaction tx(m_controller);
    return m_useControllerUnits ? ownUnits() : m_display;
}

bool VmeModule::useControllerUnits()
{
    BusTransaction tx(m_controller);
    return m_useControllerUnits;
}

void VmeModule::setUseControllerUnits(bool controllerUnits)
{
    BusTransaction tx(m_controller);
    m_useControllerUnits = controllerUnits;
}

QString VmeModule::FormatVoltage(double v) { return displayFormat().formatVoltage(v); }

QString VmeModule::FormatVoltageUnit(double v)
{
    const DisplayFormat format = displayFormat();
    return QStringLiteral("%1 %2").arg(format.formatVoltage(v), format.voltageUnitText());
}

QString VmeModule::voltageUnit(int channel)
{
    Q_UNUSED(channel)
    return ownUnits().voltageUnitText();
}

void VmeModule::setVoltageUnit(const QString &unit)
{
    BusTransaction tx(m_controller);
    const int index = DisplayFormat::voltageUnitIndex(unit);
    if (index >= 0)
        m_display.voltageUnit = index;
}

int VmeModule::voltagePrecision() { return displayFormat().voltagePrecision; }

void VmeModule::setVoltagePrecision(int precision)
{
    BusTransaction tx(m_controller);
    if (precision >= 0 && precision <= DisplayFormat::MaxPrecision)
        m_display.voltagePrecision = precision;
}

QString VmeModule::FormatCurrent(double i)
{
    return displayFormat().formatCurrent(i, ownUnits().currentUnit);
}

QString VmeModule::FormatCurrentUnit(double i)
{
    const DisplayFormat format = displayFormat();
    return QStringLiteral("%1 %2").arg(format.formatCurrent(i, ownUnits().currentUnit),
                                       format.currentUnitText());
}

QString VmeModule::currentUnit(int channel)
{
    Q_UNUSED(channel)
    return ownUnits().currentUnitText();
}

void VmeModule::setCurrentUnit(const QString &unit)
{
    BusTransaction tx(m_controller);
    const int index = DisplayFormat::currentUnitIndex(unit);
    if (index >= 0)
        m_display.currentUnit = index;
}

int VmeModule::currentPrecision() { return displayFormat().currentPrecision; }

void VmeModule::setCurrentPrecision(int precision)
{
    BusTransaction tx(m_controller);
    if (precision >= 0 && precision <= DisplayFormat::MaxPrecision)
        m_display.currentPrecision = precision;
}

quint32 VmeModule::failedReads() { return m_failedReads.load(); }

float VmeModule::siCurrentToUserCurrent(float siCurrent)
{
    return float(double(siCurrent) * siToUserFactor(m_currentUnitIndex));
}

float VmeModule::userCurrentToSiCurrent(float userCurrent)
{
    return float(double(userCurrent) * userToSiFactor(m_currentUnitIndex));
}

// ---------------------------------------------------------------------------
// Interlock out (layout 20 only)

quint32 VmeModule::GetModuleIlkOutStatus() { return moduleWord(Map::IlkOutStatus); }

quint32 VmeModule::GetModuleIlkOutControl() { return moduleWord(Map::IlkOutControl); }

void VmeModule::SetModuleIlkOutControl(quint32 control)
{
    setModuleWord(Map::IlkOutControl, control);
}

quint32 VmeModule::GetModuleIlkOutCount() { return moduleWord(Map::IlkOutCount); }

quint32 VmeModule::GetModuleIlkOutLastTrigger() { return moduleWord(Map::IlkOutLastTrigger); }

quint32 VmeModule::GetModuleIlkOutChnActualActive()
{
    return moduleWord(Map::IlkOutChnActualActive);
}

quint32 VmeModule::GetModuleIlkOutChnEverTriggered()
{
    return moduleWord(Map::IlkOutChnEverTriggered);
}

// ---------------------------------------------------------------------------
// Variable groups

void VmeModule::SetModuleFlexGroup(int group, quint32 member, quint32 type)
{
    if (!groupPossible(group))
        return;
    BusTransaction tx(m_controller);
    const RegisterMap *map = layout();
    if (!map || !groupFilled(group))
        return;
    writeWord(map->flexGroup(Map::FlexGroupMember), m_flexGroupOffset[group], member);
    writeWord(map->flexGroup(Map::FlexGroupType), m_flexGroupOffset[group], type);
}

quint32 VmeModule::GetModuleFlexGroupMemberList(int group)
{
    if (!groupPossible(group))
        return 0;
    BusTransaction tx(m_controller);
    const RegisterMap *map = layout();
    if (!map || !groupFilled(group))
        return 0;
    return readWord(map->flexGroup(Map::FlexGroupMember), m_flexGroupOffset[group]);
}

quint32 VmeModule::GetModuleFlexGroupType(int group)
{
    if (!groupPossible(group))
        return 0;
    BusTransaction tx(m_controller);
    const RegisterMap *map = layout();
    if (!map || !groupFilled(group))
        return 0;
    return readWord(map->flexGroup(Map::FlexGroupType), m_flexGroupOffset[group]);
}

// ---------------------------------------------------------------------------
// Special mode, firmware records, base address

void VmeModule::SetModuleSpecialControlCommand(quint32 command)
{
    BusTransaction tx(m_controller);
    if (setModuleWord(Map::SpecialControlCommand, command) && dropsIdentity(command))
        m_vendorId = 0;
}

quint32 VmeModule::GetModuleSpecialControlCommand()
{
    return moduleWord(Map::SpecialControlCommand);
}

quint32 VmeModule::GetModuleSpecialControlStatus() { return moduleWord(Map::SpecialControlStatus); }

void VmeModule::SendHexLine(const QByteArray &record)
{
    BusTransaction tx(m_controller);
    const RegisterMap *map = layout();
    if (!map || m_filledChannelEntries == 0)
        return;

    const int wordBytes = map->hexWordWidth() / 8;
    QByteArray bytes = record;
    // 32-bit words are padded with the character "0", 16-bit words with a
    // zero byte (a missing last character counts as 0).
    const char pad = wordBytes == 4 ? '0' : '\0';
    while (bytes.size() % wordBytes != 0)
        bytes.append(pad);

    // The buffer overlays the channel blocks; a longer record would run on
    // into the all-channel set and switch registers.
    if (bytes.size() > map->hexBufferSize()) {
        qWarning("SendHexLine: record of %d bytes does not fit the %d-byte buffer; not sent",
                 int(record.size()), map->hexBufferSize());
        return;
    }

    const quint32 buffer = m_channelBlockOffset[0];
    for (int k = 0; k < bytes.size(); k += wordBytes) {
        quint32 word = 0;
        for (int j = 0; j < wordBytes; ++j)
            word = (word << 8) | quint8(bytes.at(k + j));
        if (wordBytes == 4)
            writeRegister32(buffer + quint32(k), word);
        else
            write16(buffer + quint32(k), quint16(word));
    }
    if (map->hexRecordCommand())
        writeWord(map->module(Map::SpecialControlCommand), 0, RegisterMap::HexRecordReadyCommand);
}

void VmeModule::ProgramModuleBaseAddress(quint16 address)
{
    BusTransaction tx(m_controller);
    const RegisterMap *map = layout();
    if (!map)
        return;
    writeWord(map->module(Map::NewBaseAddress), 0, address);
    writeWord(map->module(Map::NewBaseAddressComplement), 0, quint16(~address));
}

quint16 VmeModule::VerifyModuleBaseAddress()
{
    BusTransaction tx(m_controller);
    const RegisterMap *map = layout();
    if (!map)
        return 0xFFFF;
    const quint32 readBack = readWord(map->module(Map::BaseAddressReadBack));
    const quint32 written = readWord(map->module(Map::NewBaseAddress));
    return readBack == written ? quint16(readBack) : quint16(0xFFFF);
}
