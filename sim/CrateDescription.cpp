#include "CrateDescription.h"

#include "RegisterLayout.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>

#include <bitset>
#include <cmath>

namespace {

const QStringList crateKeys {"bridge_serial", "modules"};
const QStringList moduleKeys {
    "base",          "class",         "serial",     "firmware",           "decoder",
    "channels",      "placed_mask",   "v_nominal",  "i_nominal",          "load_ohm",
    "noise",         "temperature",   "supply_p5",  "supply_p12",         "supply_n12",
    "voltage_limit", "current_limit", "ramp_speed", "current_ramp_speed", "save_time_ms",
    "faults"};
// A class without register layout has nothing behind its identification words.
const QStringList moduleKeysWithoutLayout {"base", "class", "serial", "faults"};
const QStringList faultKeys {"unplug_at_s",
                             "replug_at_s",
                             "unplug_after_cycles",
                             "bus_error_rate",
                             "seed",
                             "inhibit_channels",
                             "checksum_errors",
                             "compare_mismatch_record",
                             "sticky_checksum_error",
                             "never_ready",
                             "ignore_special_mode",
                             "refuse_channel_control",
                             "stuck_voltage_nominal",
                             "refuse_base_address",
                             "stuck_event_mask_bits",
                             "wrong_read"};
const QStringList checksumErrorKeys {"record", "times"};
const QStringList wrongReadKeys {"offset", "value"};

int lineOf(const QByteArray &text, int offset) { return 1 + int(text.left(offset).count('\n')); }

QString hex(std::uint32_t value)
{
    return QStringLiteral("0x%1").arg(value, 4, 16, QLatin1Char('0'));
}

} // namespace

CrateDescription::CrateDescription(const QString &fileName)
    : m_fileName(fileName)
{
}

bool CrateDescription::load(const QString &path, CrateConfig *config, QString *error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("%1: cannot read the crate description: %2")
                     .arg(path, file.errorString());
        return false;
    }
    return parse(file.readAll(), path, config, error);
}

bool CrateDescription::parse(const QByteArray &json, const QString &fileName, CrateConfig *config,
                             QString *error)
{
    CrateDescription reader(fileName);
    QJsonParseError parseError;
    const QJsonDocument doc = QJsonDocument::fromJson(json, &parseError);
    if (parseError.error != QJsonParseError::NoError) {
        *error = QStringLiteral("%1: line %2: %3 (expected a JSON object describing the crate)")
                     .arg(fileName)
                     .arg(lineOf(json, parseError.offset))
                     .arg(parseError.errorString());
        return false;
    }
    if (!doc.isObject()) {
        *error = QStringLiteral("%1: expected a JSON object with the keys %2")
                     .arg(fileName, crateKeys.join(", "));
        return false;
    }
    CrateConfig result;
    if (!reader.parseCrate(doc.object(), &result)) {
        *error = reader.m_error;
        return false;
    }
    *config = result;
    return true;
}

bool CrateDescription::fail(const QString &key, const QString &message)
{
    m_error = QStringLiteral("%1: %2: %3").arg(m_fileName, key, message);
    return false;
}

bool CrateDescription::checkKeys(const QJsonObject &object, const QString &where,
                                 const QStringList &allowed)
{
    for (auto it = object.begin(); it != object.end(); ++it) {
        if (!allowed.contains(it.key())) {
            const QString key = where.isEmpty() ? it.key() : where + '.' + it.key();
            return fail(
                key, QStringLiteral("unknown key (expected one of: %1)").arg(allowed.join(", ")));
        }
    }
    return true;
}

bool CrateDescription::readNumber(const QJsonValue &value, const QString &key, double min,
                                  double max, double *out)
{
    if (!value.isDouble())
        return fail(key, QStringLiteral("expected a number"));
    const double v = value.toDouble();
    if (!(v >= min && v <= max))
        return fail(
            key, QStringLiteral("%1 is out of range (expected %2 to %3)").arg(v).arg(min).arg(max));
    *out = v;
    return true;
}

bool CrateDescription::readInteger(const QJsonValue &value, const QString &key, double min,
                                   double max, long long *out, bool hexTextAllowed)
{
    double v = 0;
    if (hexTextAllowed && value.isString()) {
        QString text = value.toString().trimmed();
        if (text.startsWith("0x", Qt::CaseInsensitive))
            text = text.mid(2);
        bool ok = false;
        v = double(text.toULongLong(&ok, 16));
        if (!ok || text.isEmpty())
            return fail(key,
                        QStringLiteral("\"%1\" is not a hexadecimal number (expected text "
                                       "like \"0x4000\" or a number)")
                            .arg(value.toString()));
    } else if (value.isDouble()) {
        v = value.toDouble();
        if (v != std::floor(v))
            return fail(key, QStringLiteral("%1 is not a whole number").arg(v));
    } else {
        return fail(key,
                    hexTextAllowed
                        ? QStringLiteral("expected hexadecimal text like \"0x4000\" or a number")
                        : QStringLiteral("expected a whole number"));
    }
    if (!(v >= min && v <= max)) {
        // Addresses and masks are read in hexadecimal, so they are shown so.
        const auto show = [hexTextAllowed](double n) {
            return hexTextAllowed ? hex(std::uint32_t(n)) : QString::number(qint64(n));
        };
        return fail(key,
                    QStringLiteral("%1 is out of range (expected %2 to %3)")
                        .arg(show(v), show(min), show(max)));
    }
    *out = (long long)v;
    return true;
}

bool CrateDescription::readBool(const QJsonValue &value, const QString &key, bool *out)
{
    if (!value.isBool())
        return fail(key, QStringLiteral("expected true or false"));
    *out = value.toBool();
    return true;
}

bool CrateDescription::readBytes(const QJsonValue &value, const QString &key,
                                 std::array<std::uint8_t, 4> *out)
{
    const QJsonArray array = value.toArray();
    if (!value.isArray() || array.size() != 4)
        return fail(key,
                    QStringLiteral("expected an array of four bytes, most significant "
                                   "first, like [1, 2, 3, 4]"));
    for (int i = 0; i < 4; ++i) {
        long long b = 0;
        if (!readInteger(array[i], QStringLiteral("%1[%2]").arg(key).arg(i), 0, 255, &b))
            return false;
        (*out)[i] = std::uint8_t(b);
    }
    return true;
}

bool CrateDescription::parseCrate(const QJsonObject &root, CrateConfig *config)
{
    if (!checkKeys(root, QString(), crateKeys))
        return false;
    if (root.contains("bridge_serial")) {
        const QJsonValue v = root.value("bridge_serial");
        const QString serial = v.toString();
        bool printable = true;
        for (QChar c : serial)
            printable = printable && c.unicode() > 0x20 && c.unicode() < 0x7F;
        if (!v.isString() || serial.isEmpty() || serial.size() > 6 || !printable)
            return fail("bridge_serial",
                        QStringLiteral("expected text of one to six printable ASCII characters, "
                                       "like \"VM0042\""));
        config->bridgeSerial = serial.toStdString();
    }
    if (!root.contains("modules") || !root.value("modules").isArray())
        return fail("modules", QStringLiteral("expected an array of module objects"));
    const QJsonArray modules = root.value("modules").toArray();
    if (modules.size() > 64)
        return fail(
            "modules",
            QStringLiteral("%1 modules do not fit into A16 (at most 64)").arg(modules.size()));
    for (int i = 0; i < modules.size(); ++i) {
        const QString where = QStringLiteral("modules[%1]").arg(i);
        if (!modules[i].isObject())
            return fail(where, QStringLiteral("expected a module object"));
        ModuleConfig module;
        if (!parseModule(modules[i].toObject(), where, &module))
            return false;
        config->modules.push_back(module);
    }
    // Windows may not overlap: a class-29 module decodes 0x800 bytes.
    for (std::size_t i = 0; i < config->modules.size(); ++i) {
        const ModuleConfig &a = config->modules[i];
        const std::uint32_t aEnd = a.base + RegisterLayout::forClass(a.deviceClass).windowSize();
        for (std::size_t j = 0; j < config->modules.size(); ++j) {
            const ModuleConfig &b = config->modules[j];
            if (i == j)
                continue;
            if (a.base == b.base && i < j)
                return fail(QStringLiteral("modules[%1].base").arg(j),
                            QStringLiteral("%1 is already the base of modules[%2] (expected "
                                           "one module per address)")
                                .arg(hex(b.base))
                                .arg(i));
            if (a.base < b.base && b.base < aEnd)
                return fail(QStringLiteral("modules[%1].base").arg(j),
                            QStringLiteral("%1 lies inside the window of modules[%2] at %3, "
                                           "which spans %4 bytes")
                                .arg(hex(b.base))
                                .arg(i)
                                .arg(hex(a.base))
                                .arg(hex(aEnd - a.base)));
        }
    }
    return true;
}

bool CrateDescription::parseModule(const QJsonObject &object, const QString &where,
                                   ModuleConfig *module)
{
    if (!checkKeys(object, where, moduleKeys))
        return false;
    const auto key = [&](const char *name) { return where + '.' + QLatin1String(name); };
    for (const char *required : {"base", "class", "serial"}) {
        if (!object.contains(QLatin1String(required)))
            return fail(key(required),
                        QStringLiteral("missing (every module needs base, class "
                                       "and serial)"));
    }
    long long deviceClass = 0;
    if (!readInteger(object.value("class"), key("class"), 1, 0xFFFF, &deviceClass))
        return false;
    *module = ModuleConfig::defaultsFor(int(deviceClass));
    const RegisterLayout &layout = RegisterLayout::forClass(int(deviceClass));
    if (layout.kind() == RegisterLayout::NoLayout) {
        if (!checkKeys(object, where, moduleKeysWithoutLayout)) {
            m_error += QStringLiteral(" (class %1 has no register layout; only classes 20 and "
                                      "29 have channels and settings)")
                           .arg(deviceClass);
            return false;
        }
    }

    long long value = 0;
    if (!readInteger(object.value("base"), key("base"), 0, 0xFFFF, &value, true))
        return false;
    if (value % 0x400 != 0 || value + layout.windowSize() > 0x10000)
        return fail(key("base"),
                    QStringLiteral("%1 is not a usable base address (expected a multiple of "
                                   "0x400 whose %2-byte window ends below 0x10000)")
                        .arg(hex(std::uint32_t(value)))
                        .arg(hex(layout.windowSize())));
    module->base = std::uint16_t(value);
    if (!readInteger(object.value("serial"), key("serial"), 0, 0xFFFFFFFFu, &value))
        return false;
    module->serial = std::uint32_t(value);

    if (object.contains("firmware")
        && !readBytes(object.value("firmware"), key("firmware"), &module->firmware))
        return false;
    if (object.contains("decoder")
        && !readBytes(object.value("decoder"), key("decoder"), &module->decoder))
        return false;

    // Channels: layout 20 places up to 12 channel blocks by mask, layout 29
    // counts its channels from 0.
    const bool hasMask = object.contains("placed_mask");
    const bool hasChannels = object.contains("channels");
    long long channels = module->channels;
    if (hasChannels
        && !readInteger(object.value("channels"), key("channels"), 1, layout.maxChannels(),
                        &channels))
        return false;
    if (layout.kind() == RegisterLayout::Layout20) {
        if (hasMask) {
            long long mask = 0;
            if (!readInteger(object.value("placed_mask"), key("placed_mask"), 1, 0x0FFF, &mask,
                             true))
                return false;
            const int count = int(std::bitset<32>(std::uint32_t(mask)).count());
            if (hasChannels && count != channels)
                return fail(key("channels"),
                            QStringLiteral("%1 does not match placed_mask %2, which fits %3 "
                                           "channels")
                                .arg(channels)
                                .arg(hex(std::uint32_t(mask)))
                                .arg(count));
            module->placedMask = std::uint32_t(mask);
            module->channels = count;
        } else {
            module->channels = int(channels);
            module->placedMask = (1u << channels) - 1;
        }
    } else if (layout.kind() == RegisterLayout::Layout29) {
        if (hasMask)
            return fail(key("placed_mask"),
                        QStringLiteral("only class 20 places channels by mask (expected "
                                       "\"channels\" for class 29)"));
        module->channels = int(channels);
        module->placedMask = (1u << channels) - 1;
    }

    struct NumberKey
    {
        const char *name;
        double *target;
        double min;
        double max;
    };
    const NumberKey numbers[] = {
        {"v_nominal", &module->vNominal, 1e-3, 1e6},
        {"i_nominal", &module->iNominal, 1e-12, 100.0},
        {"noise", &module->noise, 0.0, 1.0},
        {"temperature", &module->temperature, -100.0, 200.0},
        {"supply_p5", &module->supplyP5, -100.0, 100.0},
        {"supply_p12", &module->supplyP12, -100.0, 100.0},
        {"supply_n12", &module->supplyN12, -100.0, 100.0},
        {"voltage_limit", &module->voltageLimit, 0.0, 1000.0},
        {"current_limit", &module->currentLimit, 0.0, 1000.0},
        {"ramp_speed", &module->voltageRampSpeed, 0.0, 1000.0},
        {"current_ramp_speed", &module->currentRampSpeed, 0.0, 1000.0},
        {"save_time_ms", &module->saveTimeMs, 0.0, 60000.0},
    };
    for (const NumberKey &n : numbers) {
        if (object.contains(QLatin1String(n.name))
            && !readNumber(object.value(QLatin1String(n.name)), key(n.name), n.min, n.max,
                           n.target))
            return false;
    }

    module->loadOhm.assign(std::size_t(module->channels),
                           module->loadOhm.empty() ? 1e9 : module->loadOhm.front());
    if (object.contains("load_ohm")) {
        const QJsonValue load = object.value("load_ohm");
        if (load.isArray()) {
            const QJsonArray loads = load.toArray();
            if (loads.size() != module->channels)
                return fail(key("load_ohm"),
                            QStringLiteral("has %1 entries (expected one per channel: %2)")
                                .arg(loads.size())
                                .arg(module->channels));
            for (int i = 0; i < loads.size(); ++i) {
                if (!readNumber(loads[i], QStringLiteral("%1[%2]").arg(key("load_ohm")).arg(i), 1.0,
                                1e18, &module->loadOhm[std::size_t(i)]))
                    return false;
            }
        } else {
            double r = 0;
            if (!readNumber(load, key("load_ohm"), 1.0, 1e18, &r))
                return false;
            module->loadOhm.assign(std::size_t(module->channels), r);
        }
    }

    if (object.contains("faults")) {
        if (!object.value("faults").isObject())
            return fail(key("faults"), QStringLiteral("expected an object (may be empty: {})"));
        if (!parseFaults(object.value("faults").toObject(), key("faults"), module))
            return false;
    }
    return true;
}

bool CrateDescription::parseFaults(const QJsonObject &object, const QString &where,
                                   ModuleConfig *module)
{
    if (!checkKeys(object, where, faultKeys))
        return false;
    FaultConfig &f = module->faults;
    const auto key = [&](const char *name) { return where + '.' + QLatin1String(name); };
    long long value = 0;
    if (object.contains("unplug_at_s")
        && !readNumber(object.value("unplug_at_s"), key("unplug_at_s"), 0, 1e9, &f.unplugAtS))
        return false;
    if (object.contains("replug_at_s")
        && !readNumber(object.value("replug_at_s"), key("replug_at_s"), 0, 1e9, &f.replugAtS))
        return false;
    if (object.contains("unplug_after_cycles")) {
        if (!readInteger(object.value("unplug_after_cycles"), key("unplug_after_cycles"), 0, 1e15,
                         &value))
            return false;
        f.unplugAfterCycles = value;
    }
    if (object.contains("bus_error_rate")
        && !readNumber(object.value("bus_error_rate"), key("bus_error_rate"), 0, 1,
                       &f.busErrorRate))
        return false;
    if (object.contains("seed")) {
        if (!readInteger(object.value("seed"), key("seed"), 0, 0xFFFFFFFFu, &value))
            return false;
        f.seed = std::uint32_t(value);
    }
    if (object.contains("inhibit_channels")) {
        if (!object.value("inhibit_channels").isArray())
            return fail(key("inhibit_channels"),
                        QStringLiteral("expected an array of channel numbers"));
        const QJsonArray channels = object.value("inhibit_channels").toArray();
        for (int i = 0; i < channels.size(); ++i) {
            const QString k = QStringLiteral("%1[%2]").arg(key("inhibit_channels")).arg(i);
            if (!readInteger(channels[i], k, 0, 31, &value))
                return false;
            if (!(module->placedMask & (1u << value)))
                return fail(k,
                            QStringLiteral("channel %1 is not fitted (placed mask %2)")
                                .arg(value)
                                .arg(hex(module->placedMask)));
            f.inhibitChannels.push_back(int(value));
        }
    }
    if (object.contains("checksum_errors")) {
        if (!object.value("checksum_errors").isArray())
            return fail(key("checksum_errors"),
                        QStringLiteral("expected an array like [{\"record\": 3, \"times\": 2}]"));
        const QJsonArray entries = object.value("checksum_errors").toArray();
        for (int i = 0; i < entries.size(); ++i) {
            const QString k = QStringLiteral("%1[%2]").arg(key("checksum_errors")).arg(i);
            if (!entries[i].isObject())
                return fail(k, QStringLiteral("expected an object {\"record\": k, \"times\": m}"));
            const QJsonObject entry = entries[i].toObject();
            if (!checkKeys(entry, k, checksumErrorKeys))
                return false;
            if (!entry.contains("record") || !entry.contains("times"))
                return fail(k, QStringLiteral("expected both \"record\" and \"times\""));
            long long record = 0, times = 0;
            if (!readInteger(entry.value("record"), k + ".record", 0, 1e9, &record)
                || !readInteger(entry.value("times"), k + ".times", 1, 1e9, &times))
                return false;
            f.checksumErrors[int(record)] += int(times);
        }
    }
    if (object.contains("compare_mismatch_record")) {
        if (!readInteger(object.value("compare_mismatch_record"), key("compare_mismatch_record"), 0,
                         1e9, &value))
            return false;
        f.compareMismatchRecord = int(value);
    }
    struct BoolKey
    {
        const char *name;
        bool *target;
    };
    const BoolKey bools[] = {{"sticky_checksum_error", &f.stickyChecksumError},
                             {"never_ready", &f.neverReady},
                             {"ignore_special_mode", &f.ignoreSpecialMode},
                             {"refuse_channel_control", &f.refuseChannelControl},
                             {"refuse_base_address", &f.refuseBaseAddress}};
    for (const BoolKey &b : bools) {
        if (object.contains(QLatin1String(b.name))
            && !readBool(object.value(QLatin1String(b.name)), key(b.name), b.target))
            return false;
    }
    if (object.contains("stuck_voltage_nominal")
        && !readNumber(object.value("stuck_voltage_nominal"), key("stuck_voltage_nominal"), 0, 1e6,
                       &f.stuckVoltageNominal))
        return false;
    if (object.contains("stuck_event_mask_bits")) {
        if (!readInteger(object.value("stuck_event_mask_bits"), key("stuck_event_mask_bits"), 0,
                         0xFFFFFFFFu, &value, true))
            return false;
        f.stuckEventMaskBits = std::uint32_t(value);
    }
    if (object.contains("wrong_read")) {
        const QString k = key("wrong_read");
        if (!object.value("wrong_read").isObject())
            return fail(k,
                        QStringLiteral("expected an object {\"offset\": \"0x5c\", \"value\": 0}"));
        const QJsonObject entry = object.value("wrong_read").toObject();
        if (!checkKeys(entry, k, wrongReadKeys))
            return false;
        long long offset = 0, data = 0;
        if (!entry.contains("offset") || !entry.contains("value"))
            return fail(k, QStringLiteral("expected both \"offset\" and \"value\""));
        const std::uint32_t window = RegisterLayout::forClass(module->deviceClass).windowSize();
        if (!readInteger(entry.value("offset"), k + ".offset", 0, window - 2, &offset, true)
            || !readInteger(entry.value("value"), k + ".value", 0, 0xFFFF, &data, true))
            return false;
        if (offset % 2)
            return fail(k + ".offset", QStringLiteral("expected an even offset"));
        f.wrongReadOnce = true;
        f.wrongReadOffset = std::uint16_t(offset);
        f.wrongReadValue = std::uint16_t(data);
    }
    return true;
}
