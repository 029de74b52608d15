#pragma once

#include "BusTrace.h"
#include "CrateConfig.h"
#include "RegisterLayout.h"
#include "SimClock.h"
#include "SimModule.h"

#include <memory>
#include <mutex>
#include <string>
#include <vector>

/// The simulated crate: its modules behind one A16 bus, the clock, the bus
/// trace, cycle counters and the torn-access detector.
///
/// One per process (instance()), shared by both stand-in bridge libraries and
/// the test API. Every bus cycle and every test call holds the crate's mutex,
/// so two program threads may use it; interleaved 32-bit accesses are not
/// prevented, only counted.
class CrateModel
{
public:
    /// What each cycle of a multi-cycle transfer adds to its one round trip.
    static constexpr long long MultiCycleCostUs = 2;

    /// Everything the crate is created from.
    struct Settings
    {
        CrateConfig config;
        bool bridgePresent = true;
        double timescale = 1.0;
        long long latencyUs = 0;
        std::string tracePath;
        std::string statePath; ///< read when the crate is made, written when it goes
        std::string error; ///< why the crate has no bridge, if it was a bad description
    };

    /// Reads the NORV_SIM_* variables. `descriptionPath` replaces
    /// NORV_SIM_CRATE when not null; an empty text means the default crate.
    static Settings settingsFromEnvironment(const char *descriptionPath);
    /// The process's crate, created from the environment on first use.
    static std::shared_ptr<CrateModel> instance();
    /// Replaces the process's crate by a new one.
    static std::shared_ptr<CrateModel> recreate(const char *descriptionPath);

    explicit CrateModel(const Settings &settings);
    /// Writes the state file, if there is one.
    ~CrateModel();
    void keepState();
    /// Keeps the state for the crate that replaces this one; later nothing is written.
    void retire();

    /// One bus cycle; 0 on success, -1 when it fails (the data cell is then
    /// left as it was). `dataWidth` in bytes: only 2 (D16) is served.
    int read(std::uint32_t address, int modifier, int dataWidth, std::uint16_t *data);
    int write(std::uint32_t address, int modifier, int dataWidth, std::uint16_t data);
    /// Read cycles in one transfer: one round trip of latency for all of them.
    int readMulti(int count, const std::uint32_t *addresses, const int *modifiers,
                  const int *dataWidths, std::uint16_t *data, int *status);

    bool bridgePresent() const { return m_settings.bridgePresent; }
    const std::string &bridgeSerial() const { return m_settings.config.bridgeSerial; }
    const std::string &error() const { return m_settings.error; }

    /// Runs `f(crate)` with the crate locked and brought up to the present.
    template<typename F> auto locked(F &&f)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        advanceAll();
        return f(*this);
    }

    // The following are for use inside locked().
    /// The module answering at `base` now, or null.
    SimModule *moduleAt(int base);
    const std::vector<std::unique_ptr<SimModule>> &modules() const { return m_modules; }
    void advance(double seconds);
    double now() const { return m_clock.now(); }
    long long tornAccesses() const { return m_tornAccesses; }
    long long roundTrips() const { return m_roundTrips; }
    void resetCounters();
    bool setTrace(const std::string &path);

    static constexpr int addressModifierA16 = 0x29;
    static constexpr int dataWidthD16 = 2;

private:
    int cycle(bool write, std::uint32_t address, int modifier, int dataWidth, std::uint16_t *data,
              bool roundTrip = true);
    void advanceAll();
    void checkTorn(const SimModule *module, const RegisterRef &ref, bool write);

    std::mutex m_mutex;
    Settings m_settings;
    SimClock m_clock;
    BusTrace m_trace;
    std::vector<std::unique_ptr<SimModule>> m_modules;
    long long m_tornAccesses = 0;
    long long m_roundTrips = 0;

    // The cycle before the present one, for the torn-access detector.
    const SimModule *m_lastModule = nullptr;
    RegisterRef m_lastRef;
    bool m_lastWrite = false;
};
