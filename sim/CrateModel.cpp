#include "CrateModel.h"

#include "CrateDescription.h"
#include "CrateState.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

namespace {

std::mutex instanceMutex;
std::shared_ptr<CrateModel> crateInstance;

std::string environment(const char *name)
{
    const char *value = std::getenv(name);
    return value ? std::string(value) : std::string();
}

double numberFromEnvironment(const char *name, double fallback, double min)
{
    const std::string text = environment(name);
    if (text.empty())
        return fallback;
    char *end = nullptr;
    const double value = std::strtod(text.c_str(), &end);
    if (end == text.c_str() || *end != '\0' || !(value >= min)) {
        std::fprintf(stderr, "norvsim: %s=\"%s\" is not a number of at least %g; using %g\n", name,
                     text.c_str(), min, fallback);
        return fallback;
    }
    return value;
}

} // namespace

CrateModel::Settings CrateModel::settingsFromEnvironment(const char *descriptionPath)
{
    Settings s;
    s.timescale = numberFromEnvironment("NORV_SIM_TIMESCALE", 1.0, 0.0);
    s.latencyUs = (long long)numberFromEnvironment("NORV_SIM_LATENCY_US", 0.0, 0.0);
    s.tracePath = environment("NORV_SIM_TRACE");
    s.statePath = environment("NORV_SIM_STATE");
    s.bridgePresent = environment("NORV_SIM_NO_BRIDGE") != "1";
    const std::string path
        = descriptionPath ? std::string(descriptionPath) : environment("NORV_SIM_CRATE");
    if (path.empty()) {
        s.config = CrateConfig::defaultCrate();
        return s;
    }
    QString error;
    if (!CrateDescription::load(QString::fromStdString(path), &s.config, &error)) {
        s.error = error.toStdString();
        s.config = CrateConfig();
        s.bridgePresent = false;
        std::fprintf(stderr, "norvsim: %s\nnorvsim: the simulated crate has no bridge\n",
                     s.error.c_str());
    }
    return s;
}

std::shared_ptr<CrateModel> CrateModel::instance()
{
    std::lock_guard<std::mutex> lock(instanceMutex);
    if (!crateInstance)
        crateInstance = std::make_shared<CrateModel>(settingsFromEnvironment(nullptr));
    return crateInstance;
}

std::shared_ptr<CrateModel> CrateModel::recreate(const char *descriptionPath)
{
    // The new crate reads what the old one leaves.
    if (const std::shared_ptr<CrateModel> old = instance())
        old->retire();
    auto crate = std::make_shared<CrateModel>(settingsFromEnvironment(descriptionPath));
    std::lock_guard<std::mutex> lock(instanceMutex);
    crateInstance = crate;
    return crate;
}

CrateModel::CrateModel(const Settings &settings)
    : m_settings(settings)
    , m_clock(settings.timescale)
{
    for (const ModuleConfig &m : m_settings.config.modules)
        m_modules.push_back(std::make_unique<SimModule>(m, 0.0));
    if (!m_settings.tracePath.empty() && !m_trace.open(m_settings.tracePath))
        std::fprintf(stderr, "norvsim: cannot append to the trace file %s\n",
                     m_settings.tracePath.c_str());
    std::string error;
    if (!m_settings.statePath.empty() && !CrateState::load(m_settings.statePath, m_modules, &error))
        std::fprintf(stderr, "norvsim: %s\nnorvsim: the crate starts fresh\n", error.c_str());
}

CrateModel::~CrateModel()
{
    keepState();
}

void CrateModel::retire()
{
    keepState();
    std::lock_guard<std::mutex> lock(m_mutex);
    m_settings.statePath.clear();
}

void CrateModel::keepState()
{
    std::string error;
    if (!m_settings.statePath.empty() && m_settings.bridgePresent) {
        std::lock_guard<std::mutex> lock(m_mutex);
        advanceAll();
        if (!CrateState::save(m_settings.statePath, m_modules, &error))
            std::fprintf(stderr, "norvsim: cannot keep the crate's state: %s\n", error.c_str());
    }
}

int CrateModel::read(std::uint32_t address, int modifier, int dataWidth, std::uint16_t *data)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return cycle(false, address, modifier, dataWidth, data);
}

int CrateModel::write(std::uint32_t address, int modifier, int dataWidth, std::uint16_t data)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return cycle(true, address, modifier, dataWidth, &data);
}

int CrateModel::readMulti(int count, const std::uint32_t *addresses, const int *modifiers,
                          const int *dataWidths, std::uint16_t *data, int *status)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    int result = 0;
    for (int i = 0; i < count; ++i) {
        status[i] = cycle(false, addresses[i], modifiers[i], dataWidths[i], &data[i], false);
        if (status[i] != 0)
            result = -1;
    }
    // One transfer: the round trip once, and a little for every cycle it carries.
    ++m_roundTrips;
    if (m_settings.latencyUs > 0)
        std::this_thread::sleep_for(
            std::chrono::microseconds(m_settings.latencyUs + count * MultiCycleCostUs));
    return result;
}

int CrateModel::cycle(bool write, std::uint32_t address, int modifier, int dataWidth,
                      std::uint16_t *data, bool roundTrip)
{
    advanceAll();
    bool ok = false;
    std::uint16_t value = write ? *data : 0;
    if (m_settings.bridgePresent && modifier == addressModifierA16 && dataWidth == dataWidthD16
        && address <= 0xFFFF) {
        SimModule *target = nullptr;
        int decoders = 0;
        for (const auto &m : m_modules) {
            if (m->decodes(address)) {
                target = m.get();
                ++decoders;
            }
        }
        // Two modules answering one address (one moved onto another) is a
        // bus conflict: the cycle fails.
        if (decoders == 1) {
            const std::uint32_t offset = address - target->base();
            checkTorn(target, target->decode(offset), write);
            if (target->acceptCycle()) {
                ok = true;
                if (write)
                    target->write(offset, value);
                else
                    value = target->read(offset);
            }
        } else {
            checkTorn(nullptr, RegisterRef {}, write);
        }
    } else {
        checkTorn(nullptr, RegisterRef {}, write);
    }
    if (ok && !write)
        *data = value;
    m_trace.cycle(m_clock.realMicroseconds(), write, address, modifier, value, ok);
    if (roundTrip)
        ++m_roundTrips;
    if (roundTrip && m_settings.latencyUs > 0)
        std::this_thread::sleep_for(std::chrono::microseconds(m_settings.latencyUs));
    return ok ? 0 : -1;
}

void CrateModel::checkTorn(const SimModule *module, const RegisterRef &ref, bool write)
{
    // The low half of a wide register belongs to the cycle right before it:
    // the high half of the same register, in the same direction.
    if (module && ref.wide && ref.lowHalf) {
        const bool paired = m_lastModule == module && m_lastRef.wide && !m_lastRef.lowHalf
            && m_lastRef.offset == ref.offset && m_lastRef.reg == ref.reg && m_lastWrite == write;
        if (!paired)
            ++m_tornAccesses;
    }
    m_lastModule = module;
    m_lastRef = ref;
    m_lastWrite = write;
}

void CrateModel::advanceAll()
{
    const double now = m_clock.now();
    for (const auto &m : m_modules)
        m->advanceTo(now);
}

SimModule *CrateModel::moduleAt(int base)
{
    for (const auto &m : m_modules) {
        if (m->base() == base)
            return m.get();
    }
    return nullptr;
}

void CrateModel::advance(double seconds)
{
    m_clock.advance(seconds);
    advanceAll();
}

void CrateModel::resetCounters()
{
    m_tornAccesses = 0;
    m_roundTrips = 0;
    for (const auto &m : m_modules)
        m->resetCycleCount();
}

bool CrateModel::setTrace(const std::string &path) { return m_trace.open(path); }
