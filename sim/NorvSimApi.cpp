// The C entry points of libnorvsim: thin wrappers that lock the crate.

#include "norvsim.h"

#include "CrateModel.h"

#include <cmath>
#include <mutex>
#include <string>

namespace {

// Texts handed out by pointer must outlive the call.
std::mutex textMutex;
std::string lastError;
std::string bridgeSerial;

template<typename F, typename R> R withModule(int base, R missing, F &&f)
{
    return CrateModel::instance()->locked([&](CrateModel &crate) -> R {
        SimModule *m = crate.moduleAt(base);
        return m ? f(*m) : missing;
    });
}

} // namespace

int norvsim_reset(const char *crateJsonPath)
{
    return CrateModel::recreate(crateJsonPath)->bridgePresent() ? 0 : -1;
}

const char *norvsim_last_error(void)
{
    const std::string error = CrateModel::instance()->error();
    std::lock_guard<std::mutex> lock(textMutex);
    lastError = error;
    return lastError.c_str();
}

int norvsim_bridge_present(void) { return CrateModel::instance()->bridgePresent() ? 1 : 0; }

const char *norvsim_bridge_serial(void)
{
    const std::string serial = CrateModel::instance()->bridgeSerial();
    std::lock_guard<std::mutex> lock(textMutex);
    bridgeSerial = serial;
    return bridgeSerial.c_str();
}

int norvsim_module_count(void)
{
    return CrateModel::instance()->locked(
        [](CrateModel &crate) { return int(crate.modules().size()); });
}

int norvsim_module_base(int index)
{
    return CrateModel::instance()->locked([index](CrateModel &crate) {
        if (index < 0 || index >= int(crate.modules().size()))
            return -1;
        return int(crate.modules()[std::size_t(index)]->base());
    });
}

void norvsim_advance_ms(double ms)
{
    CrateModel::instance()->locked([ms](CrateModel &crate) {
        crate.advance(ms / 1000.0);
        return 0;
    });
}

double norvsim_now_ms(void)
{
    return CrateModel::instance()->locked([](CrateModel &crate) { return crate.now() * 1000.0; });
}

int norvsim_bus_read(uint32_t address, int addressModifier, int dataWidth, uint16_t *data)
{
    if (!data)
        return -1;
    return CrateModel::instance()->read(address, addressModifier, dataWidth, data);
}

int norvsim_bus_write(uint32_t address, int addressModifier, int dataWidth, uint16_t data)
{
    return CrateModel::instance()->write(address, addressModifier, dataWidth, data);
}

int norvsim_bus_read_multi(int count, const uint32_t *addresses, const int *addressModifiers,
                           const int *dataWidths, uint16_t *data, int *status)
{
    if (count < 0
        || (count > 0 && (!addresses || !addressModifiers || !dataWidths || !data || !status)))
        return -1;
    return CrateModel::instance()->readMulti(count, addresses, addressModifiers, dataWidths, data,
                                             status);
}

int64_t norvsim_register(int base, uint32_t offset)
{
    return withModule(base, int64_t(-1), [offset](SimModule &m) {
        return offset < m.layout().windowSize() ? int64_t(m.registerValue(offset)) : int64_t(-1);
    });
}

double norvsim_channel_value(int base, int channel, int quantity)
{
    return withModule(base, double(NAN), [&](SimModule &m) -> double {
        const SimChannel *c = m.channel(channel);
        if (!c)
            return NAN;
        switch (quantity) {
        case NORVSIM_VOUT:
            return c->vOut();
        case NORVSIM_IOUT:
            return c->iOut();
        case NORVSIM_VSET:
            return c->vSet();
        case NORVSIM_ISET:
            return c->iSet();
        case NORVSIM_VNOM:
            return c->vNominal();
        case NORVSIM_INOM:
            return c->iNominal();
        case NORVSIM_LOAD:
            return c->load();
        }
        return NAN;
    });
}

int norvsim_set_channel_value(int base, int channel, int quantity, double value)
{
    return withModule(base, -1, [&](SimModule &m) {
        SimChannel *c = m.channel(channel);
        if (!c || !std::isfinite(value) || value < 0)
            return -1;
        if (quantity == NORVSIM_VOUT)
            c->setOutput(value);
        else if (quantity == NORVSIM_LOAD && value > 0)
            c->setLoad(value);
        else
            return -1;
        return 0;
    });
}

int norvsim_eeprom_base(int base)
{
    return withModule(base, -1, [](SimModule &m) { return int(m.eepromBase()); });
}

int norvsim_flash_size(int base)
{
    return withModule(base, -1,
                      [](SimModule &m) { return int(m.firmwareProtocol().flash().size()); });
}

int norvsim_flash_byte(int base, uint32_t address)
{
    return withModule(base, -1, [address](SimModule &m) {
        const auto &flash = m.firmwareProtocol().flash();
        const auto byte = flash.find(address);
        return byte == flash.end() ? -1 : int(byte->second);
    });
}

int64_t norvsim_cycle_count(int base)
{
    return withModule(base, int64_t(-1), [](SimModule &m) { return int64_t(m.cycleCount()); });
}

int64_t norvsim_torn_access_count(void)
{
    return CrateModel::instance()->locked(
        [](CrateModel &crate) { return int64_t(crate.tornAccesses()); });
}

int64_t norvsim_round_trip_count(void)
{
    return CrateModel::instance()->locked(
        [](CrateModel &crate) { return int64_t(crate.roundTrips()); });
}

void norvsim_reset_counters(void)
{
    CrateModel::instance()->locked([](CrateModel &crate) {
        crate.resetCounters();
        return 0;
    });
}

int norvsim_inject_unplug(int base, double ms)
{
    return withModule(base, -1, [ms](SimModule &m) {
        m.unplug(ms < 0 ? -1.0 : ms / 1000.0);
        return 0;
    });
}

int norvsim_inject_replug(int base)
{
    return withModule(base, -1, [](SimModule &m) {
        m.replug();
        return 0;
    });
}

int norvsim_inject_bus_errors(int base, double rate, uint32_t seed)
{
    if (!(rate >= 0 && rate <= 1))
        return -1;
    return withModule(base, -1, [&](SimModule &m) {
        m.setBusErrorRate(rate, seed);
        return 0;
    });
}

int norvsim_inject_wrong_read(int base, uint32_t offset, uint16_t value)
{
    return withModule(base, -1, [&](SimModule &m) {
        if (offset >= m.layout().windowSize() || (offset & 1))
            return -1;
        m.injectWrongRead(uint16_t(offset), value);
        return 0;
    });
}

int norvsim_inject_inhibit(int base, int channel, int inhibit)
{
    return withModule(base, -1, [&](SimModule &m) {
        if (!m.channel(channel))
            return -1;
        m.setInhibit(channel, inhibit != 0);
        return 0;
    });
}

int norvsim_trace(const char *path)
{
    const std::string p = path ? path : "";
    return CrateModel::instance()->locked(
        [&p](CrateModel &crate) { return crate.setTrace(p) ? 0 : -1; });
}
