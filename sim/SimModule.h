#pragma once

#include "CrateConfig.h"
#include "FirmwareProtocol.h"
#include "InterlockOut.h"
#include "RegisterLayout.h"
#include "SimChannel.h"

#include <array>
#include <cstdint>
#include <map>
#include <random>
#include <vector>

/// One module in the simulated crate: its register file, its channels and
/// everything behind the registers (stop and special mode, the store request,
/// base-address programming, variable groups, interlock out, faults).
///
/// Not thread-safe by itself: CrateModel serialises every access.
class SimModule
{
public:
    SimModule(const ModuleConfig &config, double now);

    std::uint16_t base() const { return m_base; }
    int deviceClass() const { return m_config.deviceClass; }
    std::uint32_t serial() const { return m_config.serial; }
    const RegisterLayout &layout() const { return m_layout; }
    bool decodes(std::uint32_t address) const
    {
        return address >= m_base && address < m_base + m_layout.windowSize();
    }

    /// Brings physics and timers up to simulated time `now` (seconds).
    void advanceTo(double now);

    /// Counts a cycle addressed to this module and tells whether the module
    /// answers it (unplugged, restarting and random bus errors do not).
    bool acceptCycle();
    /// What a cycle at `offset` reaches (the record buffer in special mode).
    RegisterRef decode(std::uint32_t offset) const;
    /// One D16 read at `offset` from the base.
    std::uint16_t read(std::uint32_t offset);
    /// One D16 write at `offset` from the base.
    void write(std::uint32_t offset, std::uint16_t data);

    // Direct access for tests (no cycle, no counting).
    std::uint32_t registerValue(std::uint32_t offset);
    SimChannel *channel(int ch);
    std::uint32_t channelStatus(int ch);
    std::uint32_t moduleStatus();
    std::uint32_t moduleControl() const;
    long long cycleCount() const { return m_cycles; }
    void resetCycleCount() { m_cycles = 0; }
    std::uint32_t firmwareRelease() const { return m_firmware; }
    std::uint16_t eepromBase() const { return m_eepromBase; }
    const FirmwareProtocol &firmwareProtocol() const { return m_protocol; }
    bool specialMode() const { return m_protocol.active(); }
    bool stopMode() const { return m_stopMode; }

    // Faults.
    void unplug(double forSeconds);
    void replug();
    bool unplugged() const;
    void setBusErrorRate(double rate, std::uint32_t seed);
    void injectWrongRead(std::uint16_t offset, std::uint16_t value);
    void setInhibit(int ch, bool inhibit);

    static constexpr std::uint32_t vendorId = 0x6E6F7276; // "norv"

    /// The settings a store keeps (and that the module works with).
    struct Eeprom
    {
        float voltageRampSpeed, currentRampSpeed;
        std::uint32_t eventMask, eventChannelMask, eventGroupMask;
        std::uint32_t restartTime, adcSamples, digitalFilter;
        bool killEnable;
        std::array<std::uint32_t, 32> groupMember, groupType;
        std::vector<SimChannel::Saved> channels;
    };

    /// Everything that outlives a process when the crate has a state file:
    /// the working settings, the stored image, the channels' outputs and the flash.
    struct State
    {
        std::uint16_t base;
        std::uint32_t firmware, control;
        Eeprom settings, stored;
        std::vector<SimChannel::Live> channels;
        std::map<std::uint32_t, std::uint8_t> flash;
    };
    State state() const;
    void resume(const State &state);

private:

    std::uint32_t readValue(const RegisterRef &ref);
    void writeValue(const RegisterRef &ref, std::uint32_t value);
    void writeControl(std::uint32_t value);
    void writeSpecialCommand(std::uint32_t command);
    void writeBuffer(std::uint32_t offset, std::uint16_t data);
    void restart(FirmwareProtocol::Restart kind);
    void updateModes();
    void updateInterlock();
    SimChannel::Environment environment() const;
    std::uint32_t eventChannelStatus() const;
    double measured(double value, double scale);
    Eeprom saveImage() const;
    void recall(const Eeprom &image);

    ModuleConfig m_config;
    const RegisterLayout &m_layout;
    std::uint16_t m_base;
    std::uint16_t m_eepromBase;
    std::uint32_t m_firmware;
    std::uint32_t m_decoder;
    std::vector<SimChannel> m_channels;
    double m_now;

    std::uint32_t m_control = 0;
    std::uint32_t m_eventStatus = 0;
    std::uint32_t m_eventMask = 0;
    std::uint32_t m_eventChannelMask = 0;
    std::uint32_t m_eventGroupMask = 0;
    float m_voltageRampSpeed;
    float m_currentRampSpeed;
    std::uint32_t m_restartTime = 0;
    std::uint32_t m_adcSamples = 500;
    std::uint32_t m_digitalFilter = 64;
    std::array<std::uint32_t, 32> m_groupMember {};
    std::array<std::uint32_t, 32> m_groupType {};
    InterlockOut m_interlock;

    bool m_stopMode = false;
    bool m_saving = false;
    double m_saveDoneAt = 0;
    double m_adjustUntil = -1;
    Eeprom m_eeprom;

    std::uint16_t m_newBaseWord = 0;
    std::uint16_t m_complementWord = 0;
    FirmwareProtocol m_protocol;

    // Both halves of a wide register must belong together: the high half of a
    // read latches the whole value, the high half of a write waits for the
    // low one. One latch per module, as in the hardware.
    std::uint16_t m_readLatchOffset = 0xFFFF;
    std::uint32_t m_readLatch = 0;
    std::uint16_t m_writeLatchOffset = 0xFFFF;
    std::uint16_t m_writeLatch = 0;

    long long m_cycles = 0;
    long long m_cyclesSinceCreation = 0;
    bool m_unplugged = false;
    double m_unplugUntil = NAN;
    bool m_timedUnplugDone = false;
    bool m_cycleUnplugDone = false;
    double m_silentUntil = -1; ///< loader restart
    std::mt19937 m_faultRandom;
    std::mt19937 m_noiseRandom;
};
