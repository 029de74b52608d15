#pragma once

#include <array>
#include <cmath>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

/// Faults a module of the simulated crate can be told to show.
struct FaultConfig
{
    double unplugAtS = NAN; ///< stops answering at this simulated time
    double replugAtS = NAN; ///< answers again from this simulated time
    long long unplugAfterCycles = -1; ///< stops answering after this many cycles
    double busErrorRate = 0.0; ///< probability that a cycle fails
    std::uint32_t seed = 1; ///< seed of the bus-error generator
    std::vector<int> inhibitChannels; ///< channels held off by an external inhibit
    std::map<int, int> checksumErrors; ///< record number -> transmissions answered 0x92
    int compareMismatchRecord = -1; ///< record answered 0x96 when compared
    bool stickyChecksumError = false;
    bool neverReady = false;
    bool ignoreSpecialMode = false;
    bool refuseChannelControl = false;
    double stuckVoltageNominal = NAN; ///< V: every voltage nominal reads this, takes no write
    bool refuseBaseAddress = false; ///< a new base address is never stored
    std::uint32_t stuckEventMaskBits = 0; ///< module event mask bits that stay clear
    bool wrongReadOnce = false; ///< the next read of wrongReadOffset returns wrongReadValue
    std::uint16_t wrongReadOffset = 0;
    std::uint16_t wrongReadValue = 0;
};

/// One module of the crate description.
struct ModuleConfig
{
    std::uint16_t base = 0;
    int deviceClass = 20;
    std::uint32_t serial = 0;
    std::array<std::uint8_t, 4> firmware {1, 2, 3, 4};
    std::array<std::uint8_t, 4> decoder {0, 1, 0, 0};
    /// Bit n = channel n fitted (layout 20); layout 29: the lowest `channels` bits.
    std::uint32_t placedMask = 0x0FFF;
    int channels = 12;
    double vNominal = 3000.0; ///< V
    double iNominal = 0.003; ///< A
    std::vector<double> loadOhm; ///< one per fitted channel, ascending
    double noise = 0.0; ///< relative standard deviation of measured values
    double temperature = 31.5;
    double supplyP5 = 5.02;
    double supplyP12 = 12.1;
    double supplyN12 = -11.9;
    double voltageLimit = 100.0;
    double currentLimit = 100.0;
    double voltageRampSpeed = 10.0; ///< percent of the nominal per second
    double currentRampSpeed = 50.0;
    double saveTimeMs = 50.0; ///< how long the store request stays visible
    FaultConfig faults;

    /// Defaults of the default crate's module of that class.
    static ModuleConfig defaultsFor(int deviceClass)
    {
        ModuleConfig m;
        m.deviceClass = deviceClass;
        if (deviceClass == 29) {
            m.channels = 24;
            m.placedMask = 0x00FFFFFF;
            m.vNominal = 6000.0;
            m.iNominal = 0.001;
            m.loadOhm.assign(24, 1e10);
        } else if (deviceClass == 20) {
            m.loadOhm.assign(12, 1e9);
        } else {
            m.channels = 0;
            m.placedMask = 0;
        }
        return m;
    }
};

/// The whole crate: its bridge and its modules.
struct CrateConfig
{
    std::string bridgeSerial = "VM0042";
    std::vector<ModuleConfig> modules;

    /// The crate used when no description is given.
    static CrateConfig defaultCrate()
    {
        CrateConfig c;
        ModuleConfig m20 = ModuleConfig::defaultsFor(20);
        m20.base = 0x4000;
        m20.serial = 4711;
        ModuleConfig m29 = ModuleConfig::defaultsFor(29);
        m29.base = 0x8000;
        m29.serial = 4712;
        ModuleConfig m33 = ModuleConfig::defaultsFor(33);
        m33.base = 0xC000;
        m33.serial = 4713;
        c.modules = {m20, m29, m33};
        return c;
    }
};
