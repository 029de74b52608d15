#include "SimModule.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

enum ModuleControlBit : std::uint32_t {
    SpecialModeRequest = 1u << 0,
    Recall = 1u << 1,
    Stop = 1u << 2,
    ClearAll = 1u << 6,
    Adjust = 1u << 12,
    KillEnable = 1u << 14,
    Save = 1u << 15,
};

enum ModuleStatusBit : std::uint32_t {
    Adjusting = 1u << 0,
    InterlockActive = 1u << 1,
    StopMode = 1u << 2,
    SpecialMode = 1u << 6,
    NoSumError = 1u << 8,
    NoRamp = 1u << 9,
    SafetyLoopGood = 1u << 10,
    EventActive = 1u << 11,
    ModuleGood = 1u << 12,
    SupplyGood = 1u << 13,
    TemperatureGood = 1u << 14,
    KillEnabled = 1u << 15,
};

constexpr double adjustSeconds = 0.2;
constexpr double loaderRestartSeconds = 1.0;

std::uint32_t floatBits(double value)
{
    const float f = float(value);
    std::uint32_t bits;
    std::memcpy(&bits, &f, sizeof bits);
    return bits;
}

double bitsFloat(std::uint32_t bits)
{
    float f;
    std::memcpy(&f, &bits, sizeof f);
    return double(f);
}

std::uint32_t packBytes(const std::array<std::uint8_t, 4> &b)
{
    return std::uint32_t(b[0]) << 24 | std::uint32_t(b[1]) << 16 | std::uint32_t(b[2]) << 8 | b[3];
}

bool oneOf(std::uint32_t value, std::initializer_list<std::uint32_t> allowed)
{
    return std::find(allowed.begin(), allowed.end(), value) != allowed.end();
}

} // namespace

SimModule::SimModule(const ModuleConfig &config, double now)
    : m_config(config)
    , m_layout(RegisterLayout::forClass(config.deviceClass))
    , m_base(config.base)
    , m_eepromBase(config.base)
    , m_firmware(packBytes(config.firmware))
    , m_decoder(packBytes(config.decoder))
    , m_now(now)
    , m_voltageRampSpeed(float(config.voltageRampSpeed))
    , m_currentRampSpeed(float(config.currentRampSpeed))
    , m_protocol(config.faults, m_layout.bufferEnd() - m_layout.bufferBegin(),
                 m_layout.kind() == RegisterLayout::Layout20)
    , m_faultRandom(config.faults.seed)
    , m_noiseRandom(config.serial)
{
    m_channels.resize(std::size_t(m_layout.maxChannels()));
    std::size_t fitted = 0;
    for (int ch = 0; ch < m_layout.maxChannels(); ++ch) {
        if (!(config.placedMask & (1u << ch)))
            continue;
        const double load = fitted < config.loadOhm.size() ? config.loadOhm[fitted] : 1e9;
        m_channels[std::size_t(ch)] = SimChannel(config.vNominal, config.iNominal, load);
        ++fitted;
    }
    for (int ch : config.faults.inhibitChannels)
        setInhibit(ch, true);
    m_eeprom = saveImage();
    updateInterlock();
}

SimChannel *SimModule::channel(int ch)
{
    if (ch < 0 || ch >= int(m_channels.size()) || !m_channels[std::size_t(ch)].fitted())
        return nullptr;
    return &m_channels[std::size_t(ch)];
}

SimChannel::Environment SimModule::environment() const
{
    SimChannel::Environment env;
    env.rampSpeed = m_voltageRampSpeed;
    env.killEnable = m_control & KillEnable;
    env.suspended = m_stopMode || m_protocol.active();
    return env;
}

void SimModule::advanceTo(double now)
{
    const double dt = now - m_now;
    if (dt <= 0)
        return;
    m_now = now;
    const FaultConfig &f = m_config.faults;
    if (!std::isnan(f.unplugAtS) && !m_timedUnplugDone && m_now >= f.unplugAtS) {
        m_timedUnplugDone = true;
        m_unplugged = true;
        m_unplugUntil = f.replugAtS > f.unplugAtS ? f.replugAtS : NAN;
    }
    if (m_unplugged && !std::isnan(m_unplugUntil) && m_now >= m_unplugUntil)
        m_unplugged = false;
    const SimChannel::Environment env = environment();
    for (SimChannel &c : m_channels)
        c.advance(dt, env);
    updateModes();
    updateInterlock();
}

bool SimModule::acceptCycle()
{
    ++m_cycles;
    ++m_cyclesSinceCreation;
    if (m_unplugged || m_now < m_silentUntil)
        return false;
    const FaultConfig &f = m_config.faults;
    if (f.unplugAfterCycles >= 0 && !m_cycleUnplugDone
        && m_cyclesSinceCreation > f.unplugAfterCycles) {
        m_cycleUnplugDone = true;
        m_unplugged = true;
        m_unplugUntil = f.replugAtS > m_now ? f.replugAtS : NAN;
        return false;
    }
    if (f.busErrorRate > 0) {
        std::uniform_real_distribution<double> uniform(0.0, 1.0);
        if (uniform(m_faultRandom) < f.busErrorRate)
            return false;
    }
    return true;
}

RegisterRef SimModule::decode(std::uint32_t offset) const
{
    if (m_protocol.active() && m_layout.kind() == RegisterLayout::Layout29
        && offset >= m_layout.bufferBegin() && offset < m_layout.bufferEnd() && !(offset & 1)) {
        RegisterRef ref;
        ref.reg = Reg::RecordBuffer;
        ref.wide = true;
        ref.lowHalf = offset & 2;
        ref.offset = std::uint16_t(offset & ~3u);
        return ref;
    }
    return m_layout.decode(offset);
}

std::uint16_t SimModule::read(std::uint32_t offset)
{
    // The record buffer is write-only: reads reach the channel registers.
    const RegisterRef ref = m_layout.decode(offset);
    std::uint16_t result = 0;
    if (ref.reg != Reg::None) {
        if (!ref.wide) {
            result = std::uint16_t(readValue(ref));
        } else if (!ref.lowHalf) {
            m_readLatch = readValue(ref);
            m_readLatchOffset = ref.offset;
            result = std::uint16_t(m_readLatch >> 16);
        } else {
            const bool latched = m_readLatchOffset == ref.offset;
            const std::uint32_t value = latched ? m_readLatch : readValue(ref);
            if (latched)
                m_readLatchOffset = 0xFFFF;
            result = std::uint16_t(value);
        }
    }
    FaultConfig &f = m_config.faults;
    if (f.wrongReadOnce && offset == f.wrongReadOffset) {
        f.wrongReadOnce = false;
        result = f.wrongReadValue;
    }
    return result;
}

void SimModule::write(std::uint32_t offset, std::uint16_t data)
{
    if (m_protocol.active() && offset >= m_layout.bufferBegin() && offset < m_layout.bufferEnd()) {
        writeBuffer(offset, data);
        return;
    }
    const RegisterRef ref = m_layout.decode(offset);
    if (ref.reg == Reg::None)
        return;
    if (!ref.wide) {
        writeValue(ref, data);
    } else if (!ref.lowHalf) {
        m_writeLatchOffset = ref.offset;
        m_writeLatch = data;
        return; // nothing happens until the low half arrives
    } else {
        const bool latched = m_writeLatchOffset == ref.offset;
        const std::uint16_t high = latched ? m_writeLatch : std::uint16_t(readValue(ref) >> 16);
        if (latched)
            m_writeLatchOffset = 0xFFFF;
        writeValue(ref, std::uint32_t(high) << 16 | data);
    }
    updateModes();
    updateInterlock();
}

void SimModule::writeBuffer(std::uint32_t offset, std::uint16_t data)
{
    const std::size_t relative = offset - m_layout.bufferBegin();
    if (m_layout.kind() == RegisterLayout::Layout20) {
        m_protocol.writeBuffer16(relative & ~std::size_t(1), data);
        return;
    }
    if ((relative & 3) == 0) {
        m_writeLatchOffset = std::uint16_t(offset);
        m_writeLatch = data;
        return;
    }
    const bool latched = m_writeLatchOffset == (offset & ~3u);
    const std::uint16_t high = latched ? m_writeLatch : 0;
    if (latched)
        m_writeLatchOffset = 0xFFFF;
    m_protocol.writeBuffer32(relative & ~std::size_t(3), std::uint32_t(high) << 16 | data);
}

std::uint32_t SimModule::registerValue(std::uint32_t offset)
{
    return readValue(m_layout.decode(offset));
}

double SimModule::measured(double value, double scale)
{
    if (m_config.noise <= 0)
        return value;
    std::normal_distribution<double> gauss(0.0, m_config.noise * scale);
    return value + gauss(m_noiseRandom);
}

std::uint32_t SimModule::eventChannelStatus() const
{
    std::uint32_t s = 0;
    for (std::size_t ch = 0; ch < m_channels.size(); ++ch) {
        if (m_channels[ch].eventStatus() & m_channels[ch].eventMask())
            s |= 1u << ch;
    }
    return s;
}

std::uint32_t SimModule::moduleControl() const
{
    return m_control | (m_saving ? std::uint32_t(Save) : 0u);
}

std::uint32_t SimModule::channelStatus(int ch)
{
    SimChannel *c = channel(ch);
    return c ? c->status(environment()) : 0;
}

std::uint32_t SimModule::moduleStatus()
{
    const SimChannel::Environment env = environment();
    bool ramping = false, sumError = false;
    for (const SimChannel &c : m_channels) {
        const std::uint32_t s = c.status(env);
        ramping = ramping || (s & SimChannel::Ramping);
        sumError = sumError || (s & (SimChannel::Trip | SimChannel::ExternalInhibit));
    }
    const double t = m_config.temperature;
    const bool temperatureGood = t > -10.0 && t < 55.0;
    const bool supplyGood = std::fabs(m_config.supplyP5 - 5.0) <= 0.25
        && std::fabs(m_config.supplyP12 - 12.0) <= 0.6
        && std::fabs(m_config.supplyN12 + 12.0) <= 0.6;
    std::uint32_t s = SafetyLoopGood;
    if (m_control & KillEnable)
        s |= KillEnabled;
    if (temperatureGood)
        s |= TemperatureGood;
    if (supplyGood)
        s |= SupplyGood;
    if (temperatureGood && supplyGood)
        s |= ModuleGood;
    if ((m_eventStatus & m_eventMask) || (eventChannelStatus() & m_eventChannelMask))
        s |= EventActive;
    if (!ramping)
        s |= NoRamp;
    if (!sumError)
        s |= NoSumError;
    if (m_protocol.active())
        s |= SpecialMode;
    if (m_stopMode)
        s |= StopMode;
    if (m_now < m_adjustUntil)
        s |= Adjusting;
    if (m_interlock.active())
        s |= InterlockActive;
    return s;
}

std::uint32_t SimModule::readValue(const RegisterRef &ref)
{
    SimChannel *c = nullptr;
    switch (ref.reg) {
    case Reg::ChannelStatus:
    case Reg::ChannelControl:
    case Reg::ChannelEventStatus:
    case Reg::ChannelEventMask:
    case Reg::ChannelVoltageSet:
    case Reg::ChannelCurrentSet:
    case Reg::ChannelVoltageMeasure:
    case Reg::ChannelCurrentMeasure:
    case Reg::ChannelVoltageIlkMax:
    case Reg::ChannelCurrentIlkMax:
    case Reg::ChannelVoltageIlkMin:
    case Reg::ChannelCurrentIlkMin:
    case Reg::ChannelVoltageNominal:
    case Reg::ChannelCurrentNominal:
        c = channel(ref.index);
        if (!c)
            return 0; // a block without a fitted channel reads 0
        break;
    default:
        break;
    }
    switch (ref.reg) {
    case Reg::None:
    case Reg::RecordBuffer:
        return 0;
    case Reg::ModuleStatus:
        return moduleStatus();
    case Reg::ModuleControl:
        return moduleControl();
    case Reg::ModuleEventStatus:
        return m_eventStatus;
    case Reg::ModuleEventMask:
        return m_eventMask;
    case Reg::ModuleEventChannelStatus:
        return eventChannelStatus();
    case Reg::ModuleEventChannelMask:
        return m_eventChannelMask;
    case Reg::ModuleEventGroupStatus:
        return 0;
    case Reg::ModuleEventGroupMask:
        return m_eventGroupMask;
    case Reg::VoltageRampSpeed:
        return floatBits(m_voltageRampSpeed);
    case Reg::CurrentRampSpeed:
        return floatBits(m_currentRampSpeed);
    case Reg::VoltageLimit:
        return floatBits(m_config.voltageLimit);
    case Reg::CurrentLimit:
        return floatBits(m_config.currentLimit);
    case Reg::SupplyP5:
        return floatBits(m_config.supplyP5);
    case Reg::SupplyP12:
        return floatBits(m_config.supplyP12);
    case Reg::SupplyN12:
        return floatBits(m_config.supplyN12);
    case Reg::Temperature:
        return floatBits(m_config.temperature);
    case Reg::SerialNumber:
        return m_config.serial;
    case Reg::FirmwareRelease:
        return m_firmware;
    case Reg::PlacedChannels:
        return m_config.placedMask;
    case Reg::ChannelNumber:
        return std::uint32_t(m_config.channels);
    case Reg::DeviceClass:
        return std::uint32_t(m_config.deviceClass);
    case Reg::IlkOutStatus:
        return m_interlock.status();
    case Reg::IlkOutControl:
        return m_interlock.control();
    case Reg::IlkOutCount:
        return m_interlock.count();
    case Reg::IlkOutLastTrigger:
        return m_interlock.lastTrigger();
    case Reg::IlkOutChannelActive:
        return m_interlock.channelsActive();
    case Reg::IlkOutChannelEverTriggered:
        return m_interlock.channelsEverTriggered();
    case Reg::RestartTime:
        return m_restartTime;
    case Reg::AdcSamples:
        return m_adcSamples;
    case Reg::DigitalFilter:
        return m_digitalFilter;
    case Reg::VendorId:
        return vendorId;
    case Reg::DecoderRelease:
        return m_decoder;
    case Reg::AllVoltageSet:
    case Reg::AllCurrentSet:
    case Reg::AllEmergencyOff:
    case Reg::AllOn:
        return 0; // write-only
    case Reg::NewBaseAddress:
        return m_newBaseWord;
    case Reg::NewBaseAddressComplement:
        return m_complementWord;
    case Reg::BaseAddressReadBack:
        return m_eepromBase;
    case Reg::SpecialStatus:
        return m_protocol.status();
    case Reg::SpecialCommand:
        return m_protocol.command();
    case Reg::ChannelStatus:
        return c->status(environment());
    case Reg::ChannelControl:
        return c->control();
    case Reg::ChannelEventStatus:
        return c->eventStatus();
    case Reg::ChannelEventMask:
        return c->eventMask();
    case Reg::ChannelVoltageSet:
        return floatBits(c->vSet());
    case Reg::ChannelCurrentSet:
        return floatBits(c->iSet());
    case Reg::ChannelVoltageMeasure:
        return floatBits(measured(c->vOut(), c->vHardware()));
    case Reg::ChannelCurrentMeasure:
        return floatBits(measured(c->iOut(), c->iHardware()));
    case Reg::ChannelVoltageIlkMax:
        return floatBits(c->vIlkMax);
    case Reg::ChannelCurrentIlkMax:
        return floatBits(c->iIlkMax);
    case Reg::ChannelVoltageIlkMin:
        return floatBits(c->vIlkMin);
    case Reg::ChannelCurrentIlkMin:
        return floatBits(c->iIlkMin);
    case Reg::ChannelVoltageNominal:
        if (!std::isnan(m_config.faults.stuckVoltageNominal))
            return floatBits(m_config.faults.stuckVoltageNominal);
        return floatBits(c->vNominal());
    case Reg::ChannelCurrentNominal:
        return floatBits(c->iNominal());
    case Reg::HardwareVoltageNominal:
    case Reg::HardwareCurrentNominal: {
        // Layout 29 shares these words with the variable groups; where a
        // channel exists its hardware nominal wins.
        SimChannel *hw = channel(ref.index);
        const bool voltage = ref.reg == Reg::HardwareVoltageNominal;
        if (hw)
            return floatBits(voltage ? hw->vHardware() : hw->iHardware());
        if (m_layout.kind() == RegisterLayout::Layout29)
            return voltage ? m_groupMember[ref.index] : m_groupType[ref.index];
        return 0;
    }
    case Reg::GroupMember:
        return m_groupMember[ref.index];
    case Reg::GroupType:
        return m_groupType[ref.index];
    }
    return 0;
}

void SimModule::writeValue(const RegisterRef &ref, std::uint32_t value)
{
    if (!ref.wide)
        value &= 0xFFFF;
    const double f = bitsFloat(value);
    SimChannel *c = channel(ref.index);
    const bool refuseControl = m_config.faults.refuseChannelControl;
    switch (ref.reg) {
    case Reg::ModuleControl:
        writeControl(value);
        break;
    case Reg::ModuleEventStatus:
        m_eventStatus &= ~value;
        break;
    case Reg::ModuleEventMask:
        m_eventMask = value & ~m_config.faults.stuckEventMaskBits;
        break;
    case Reg::ModuleEventChannelStatus:
        for (std::size_t ch = 0; ch < m_channels.size(); ++ch) {
            if (value & (1u << ch))
                m_channels[ch].clearEvents(0xFFFFFFFF);
        }
        break;
    case Reg::ModuleEventChannelMask:
        m_eventChannelMask = value;
        break;
    case Reg::ModuleEventGroupMask:
        m_eventGroupMask = value;
        break;
    case Reg::VoltageRampSpeed:
        m_voltageRampSpeed = float(f);
        break;
    case Reg::CurrentRampSpeed:
        m_currentRampSpeed = float(f);
        break;
    case Reg::IlkOutControl:
        m_interlock.writeControl(std::uint16_t(value));
        break;
    case Reg::RestartTime:
        m_restartTime = value;
        break;
    case Reg::AdcSamples:
        if (oneOf(value, {50, 60, 100, 500}))
            m_adcSamples = value;
        break;
    case Reg::DigitalFilter:
        if (oneOf(value, {1, 16, 64, 256, 1024}))
            m_digitalFilter = value;
        break;
    case Reg::AllVoltageSet:
    case Reg::AllCurrentSet:
    case Reg::AllEmergencyOff:
    case Reg::AllOn:
        for (SimChannel &each : m_channels) {
            if (!each.fitted())
                continue;
            if (ref.reg == Reg::AllVoltageSet)
                each.writeVoltageSet(f);
            else if (ref.reg == Reg::AllCurrentSet)
                each.writeCurrentSet(f);
            else if (value <= 1) {
                const std::uint32_t bit
                    = ref.reg == Reg::AllOn ? SimChannel::SetOn : SimChannel::SetEmergencyOff;
                each.writeControl(value ? each.control() | bit : each.control() & ~bit,
                                  refuseControl);
            }
        }
        break;
    case Reg::NewBaseAddress:
        m_newBaseWord = std::uint16_t(value);
        break;
    case Reg::NewBaseAddressComplement:
        m_complementWord = std::uint16_t(value);
        if (m_complementWord == std::uint16_t(~m_newBaseWord)
            && m_newBaseWord % m_layout.windowSize() == 0
            && m_newBaseWord + m_layout.windowSize() <= 0x10000
            && !m_config.faults.refuseBaseAddress)
            m_eepromBase = m_newBaseWord;
        break;
    case Reg::SpecialCommand:
        writeSpecialCommand(value);
        break;
    case Reg::ChannelControl:
        if (c)
            c->writeControl(value, refuseControl);
        break;
    case Reg::ChannelEventStatus:
        if (c)
            c->clearEvents(value);
        break;
    case Reg::ChannelEventMask:
        if (c)
            c->setEventMask(value);
        break;
    case Reg::ChannelVoltageSet:
        if (c)
            c->writeVoltageSet(f);
        break;
    case Reg::ChannelCurrentSet:
        if (c)
            c->writeCurrentSet(f);
        break;
    case Reg::ChannelVoltageIlkMax:
        if (c)
            c->vIlkMax = f;
        break;
    case Reg::ChannelCurrentIlkMax:
        if (c)
            c->iIlkMax = f;
        break;
    case Reg::ChannelVoltageIlkMin:
        if (c)
            c->vIlkMin = f;
        break;
    case Reg::ChannelCurrentIlkMin:
        if (c)
            c->iIlkMin = f;
        break;
    case Reg::ChannelVoltageNominal:
        if (c && std::isnan(m_config.faults.stuckVoltageNominal))
            c->writeVoltageNominal(f, m_stopMode);
        break;
    case Reg::ChannelCurrentNominal:
        if (c)
            c->writeCurrentNominal(f, m_stopMode);
        break;
    case Reg::HardwareVoltageNominal:
    case Reg::HardwareCurrentNominal:
        // Hardware nominals are read-only; in layout 29 the same words are
        // the variable groups, which are stored as written.
        if (m_layout.kind() == RegisterLayout::Layout29) {
            if (ref.reg == Reg::HardwareVoltageNominal)
                m_groupMember[ref.index] = value;
            else
                m_groupType[ref.index] = value;
        }
        break;
    case Reg::GroupMember:
        m_groupMember[ref.index] = value;
        break;
    case Reg::GroupType:
        m_groupType[ref.index] = value;
        break;
    default:
        break; // read-only registers ignore writes
    }
}

void SimModule::writeControl(std::uint32_t value)
{
    if (value & ClearAll) {
        m_eventStatus = 0;
        for (SimChannel &c : m_channels)
            c.clearEvents(0xFFFFFFFF);
    }
    if (value & Recall)
        recall(m_eeprom);
    if ((value & Save) && !m_saving) {
        m_saving = true;
        m_saveDoneAt = m_now + m_config.saveTimeMs / 1000.0;
    }
    if (value & Adjust)
        m_adjustUntil = m_now + adjustSeconds;
    // Clear, recall and save are commands: they do not stay in the word (the
    // save bit is shown while the store runs).
    m_control = value & ~(ClearAll | Recall | Save);
    if (value & Recall)
        m_control = (m_control & ~KillEnable) | (m_eeprom.killEnable ? KillEnable : 0u);
}

void SimModule::writeSpecialCommand(std::uint32_t command)
{
    const FirmwareProtocol::Restart restartKind = m_protocol.writeCommand(command);
    if (restartKind != FirmwareProtocol::Restart::None)
        restart(restartKind);
}

void SimModule::restart(FirmwareProtocol::Restart kind)
{
    // A restarted module comes up in normal mode.
    m_control &= ~(SpecialModeRequest | Stop);
    m_stopMode = false;
    m_readLatchOffset = m_writeLatchOffset = 0xFFFF;
    switch (kind) {
    case FirmwareProtocol::Restart::End:
        if (const auto released = m_protocol.takeReleasedFirmware())
            m_firmware = packBytes(*released);
        break;
    case FirmwareProtocol::Restart::AtEepromBase:
        m_base = m_eepromBase;
        break;
    case FirmwareProtocol::Restart::Loader:
        m_silentUntil = m_now + loaderRestartSeconds;
        break;
    case FirmwareProtocol::Restart::None:
        break;
    }
}

void SimModule::updateModes()
{
    SimChannel::Environment free = environment();
    free.suspended = false;
    bool idle = true;
    for (const SimChannel &c : m_channels)
        idle = idle && !c.busy(free);
    if (!(m_control & Stop))
        m_stopMode = false;
    else if (idle)
        m_stopMode = true;
    const bool special = (m_control & (SpecialModeRequest | Stop)) == (SpecialModeRequest | Stop)
        && m_stopMode && !m_config.faults.ignoreSpecialMode;
    if (special && !m_protocol.active())
        m_protocol.enter();
    else if (!special && m_protocol.active())
        m_protocol.leave();
    if (m_saving && m_now >= m_saveDoneAt) {
        m_saving = false;
        m_eeprom = saveImage();
    }
}

void SimModule::updateInterlock()
{
    if (m_layout.kind() != RegisterLayout::Layout20)
        return;
    const SimChannel::Environment env = environment();
    std::uint16_t tripChannels = 0, onChannels = 0;
    for (std::size_t ch = 0; ch < m_channels.size(); ++ch) {
        const SimChannel &c = m_channels[ch];
        if (c.inCurrentControl() || c.tripped())
            tripChannels |= std::uint16_t(1u << ch);
        if (c.isOn(env))
            onChannels |= std::uint16_t(1u << ch);
    }
    m_interlock.update(tripChannels, onChannels);
}

SimModule::Eeprom SimModule::saveImage() const
{
    Eeprom e;
    e.voltageRampSpeed = m_voltageRampSpeed;
    e.currentRampSpeed = m_currentRampSpeed;
    e.eventMask = m_eventMask;
    e.eventChannelMask = m_eventChannelMask;
    e.eventGroupMask = m_eventGroupMask;
    e.restartTime = m_restartTime;
    e.adcSamples = m_adcSamples;
    e.digitalFilter = m_digitalFilter;
    e.killEnable = m_control & KillEnable;
    e.groupMember = m_groupMember;
    e.groupType = m_groupType;
    for (const SimChannel &c : m_channels)
        e.channels.push_back(c.save());
    return e;
}

void SimModule::recall(const Eeprom &e)
{
    m_voltageRampSpeed = e.voltageRampSpeed;
    m_currentRampSpeed = e.currentRampSpeed;
    m_eventMask = e.eventMask;
    m_eventChannelMask = e.eventChannelMask;
    m_eventGroupMask = e.eventGroupMask;
    m_restartTime = e.restartTime;
    m_adcSamples = e.adcSamples;
    m_digitalFilter = e.digitalFilter;
    m_groupMember = e.groupMember;
    m_groupType = e.groupType;
    for (std::size_t ch = 0; ch < m_channels.size() && ch < e.channels.size(); ++ch)
        m_channels[ch].recall(e.channels[ch]);
}

SimModule::State SimModule::state() const
{
    State s {m_base, m_firmware, m_control, saveImage(), m_eeprom, {}, m_protocol.flash()};
    for (const SimChannel &c : m_channels)
        s.channels.push_back(c.live());
    return s;
}

void SimModule::resume(const State &s)
{
    m_base = s.base;
    m_firmware = s.firmware;
    // Modes (stop, special, a pending store) do not outlive the process.
    m_control = s.control & KillEnable;
    recall(s.settings);
    m_eeprom = s.stored;
    for (std::size_t ch = 0; ch < m_channels.size() && ch < s.channels.size(); ++ch)
        m_channels[ch].resume(s.channels[ch]);
    m_protocol.restoreFlash(s.flash);
    updateInterlock();
}

void SimModule::unplug(double forSeconds)
{
    m_unplugged = true;
    m_unplugUntil = forSeconds >= 0 ? m_now + forSeconds : NAN;
}

void SimModule::replug()
{
    m_unplugged = false;
    m_silentUntil = -1;
}

bool SimModule::unplugged() const { return m_unplugged || m_now < m_silentUntil; }

void SimModule::setBusErrorRate(double rate, std::uint32_t seed)
{
    m_config.faults.busErrorRate = rate;
    m_faultRandom.seed(seed);
}

void SimModule::injectWrongRead(std::uint16_t offset, std::uint16_t value)
{
    m_config.faults.wrongReadOnce = true;
    m_config.faults.wrongReadOffset = offset;
    m_config.faults.wrongReadValue = value;
}

void SimModule::setInhibit(int ch, bool inhibit)
{
    if (SimChannel *c = channel(ch))
        c->setInhibit(inhibit);
}
