#include "CrateState.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>

namespace {

// 32-bit words are kept as numbers (doubles hold them exactly).
QJsonArray words(const std::array<std::uint32_t, 32> &values)
{
    QJsonArray list;
    for (std::uint32_t v : values)
        list.append(double(v));
    return list;
}

std::array<std::uint32_t, 32> words(const QJsonValue &value)
{
    std::array<std::uint32_t, 32> out {};
    const QJsonArray list = value.toArray();
    for (int i = 0; i < 32 && i < list.size(); ++i)
        out[std::size_t(i)] = std::uint32_t(list[i].toDouble());
    return out;
}

QJsonObject toJson(const SimModule::Eeprom &e)
{
    QJsonArray channels;
    for (const SimChannel::Saved &c : e.channels)
        channels.append(QJsonArray {c.vSet, c.iSet, c.vNominal, c.iNominal, c.vIlkMax, c.vIlkMin,
                                    c.iIlkMax, c.iIlkMin, double(c.eventMask)});
    return {{"voltageRamp", e.voltageRampSpeed}, {"currentRamp", e.currentRampSpeed},
            {"eventMask", double(e.eventMask)}, {"eventChannelMask", double(e.eventChannelMask)},
            {"eventGroupMask", double(e.eventGroupMask)}, {"restartTime", double(e.restartTime)},
            {"adcSamples", double(e.adcSamples)}, {"digitalFilter", double(e.digitalFilter)},
            {"killEnable", e.killEnable}, {"groupMember", words(e.groupMember)},
            {"groupType", words(e.groupType)}, {"channels", channels}};
}

SimModule::Eeprom eepromFrom(const QJsonObject &o, SimModule::Eeprom e)
{
    const auto word = [&o](const char *key, std::uint32_t fallback) {
        return o.contains(QLatin1String(key)) ? std::uint32_t(o[QLatin1String(key)].toDouble())
                                               : fallback;
    };
    e.voltageRampSpeed = float(o["voltageRamp"].toDouble(e.voltageRampSpeed));
    e.currentRampSpeed = float(o["currentRamp"].toDouble(e.currentRampSpeed));
    e.eventMask = word("eventMask", e.eventMask);
    e.eventChannelMask = word("eventChannelMask", e.eventChannelMask);
    e.eventGroupMask = word("eventGroupMask", e.eventGroupMask);
    e.restartTime = word("restartTime", e.restartTime);
    e.adcSamples = word("adcSamples", e.adcSamples);
    e.digitalFilter = word("digitalFilter", e.digitalFilter);
    e.killEnable = o["killEnable"].toBool(e.killEnable);
    e.groupMember = words(o["groupMember"]);
    e.groupType = words(o["groupType"]);
    const QJsonArray channels = o["channels"].toArray();
    for (int ch = 0; ch < channels.size() && std::size_t(ch) < e.channels.size(); ++ch) {
        const QJsonArray c = channels[ch].toArray();
        if (c.size() == 9)
            e.channels[std::size_t(ch)] = {c[0].toDouble(), c[1].toDouble(), c[2].toDouble(),
                                           c[3].toDouble(), c[4].toDouble(), c[5].toDouble(),
                                           c[6].toDouble(), c[7].toDouble(),
                                           std::uint32_t(c[8].toDouble())};
    }
    return e;
}

// The flash as runs of consecutive bytes: {"address": hex bytes}.
QJsonObject flashToJson(const std::map<std::uint32_t, std::uint8_t> &flash)
{
    QJsonObject runs;
    std::uint32_t start = 0;
    QByteArray bytes;
    const auto flush = [&]() {
        if (!bytes.isEmpty())
            runs.insert(QString::number(start, 16), QString::fromLatin1(bytes.toHex()));
        bytes.clear();
    };
    for (const auto &[address, byte] : flash) {
        if (bytes.isEmpty() || address != start + std::uint32_t(bytes.size())) {
            flush();
            start = address;
        }
        bytes.append(char(byte));
    }
    flush();
    return runs;
}

std::map<std::uint32_t, std::uint8_t> flashFrom(const QJsonObject &runs)
{
    std::map<std::uint32_t, std::uint8_t> flash;
    for (auto run = runs.begin(); run != runs.end(); ++run) {
        const std::uint32_t start = run.key().toUInt(nullptr, 16);
        const QByteArray bytes = QByteArray::fromHex(run.value().toString().toLatin1());
        for (int i = 0; i < bytes.size(); ++i)
            flash[start + std::uint32_t(i)] = std::uint8_t(bytes[i]);
    }
    return flash;
}

QString key(const SimModule &module)
{
    return QStringLiteral("%1/%2").arg(module.deviceClass()).arg(module.serial());
}

} // namespace

bool CrateState::load(const std::string &path,
                      const std::vector<std::unique_ptr<SimModule>> &modules, std::string *error)
{
    QFile file(QString::fromStdString(path));
    if (!file.exists())
        return true;
    QJsonParseError parse {};
    const QJsonDocument document = file.open(QIODevice::ReadOnly)
                                       ? QJsonDocument::fromJson(file.readAll(), &parse)
                                       : QJsonDocument();
    if (!document.isObject()) {
        *error = path + ": "
                 + (file.isOpen() ? parse.errorString().toStdString() + " at offset "
                                        + std::to_string(parse.offset)
                                  : file.errorString().toStdString());
        return false;
    }
    const QJsonObject crate = document.object();
    for (const std::unique_ptr<SimModule> &module : modules) {
        const QJsonObject o = crate[key(*module)].toObject();
        if (o.isEmpty())
            continue;
        SimModule::State s = module->state();
        s.base = std::uint16_t(o["base"].toInt(s.base));
        s.firmware = std::uint32_t(o["firmware"].toDouble(s.firmware));
        s.control = std::uint32_t(o["control"].toDouble(s.control));
        s.settings = eepromFrom(o["settings"].toObject(), s.settings);
        s.stored = eepromFrom(o["stored"].toObject(), s.stored);
        const QJsonArray channels = o["outputs"].toArray();
        for (int ch = 0; ch < channels.size() && std::size_t(ch) < s.channels.size(); ++ch) {
            const QJsonArray c = channels[ch].toArray();
            if (c.size() == 6)
                s.channels[std::size_t(ch)] = {std::uint32_t(c[0].toDouble()),
                                               std::uint32_t(c[1].toDouble()), c[2].toDouble(),
                                               c[3].toBool(), c[4].toBool(), c[5].toBool()};
        }
        s.flash = flashFrom(o["flash"].toObject());
        module->resume(s);
    }
    return true;
}

bool CrateState::save(const std::string &path,
                      const std::vector<std::unique_ptr<SimModule>> &modules, std::string *error)
{
    QJsonObject crate;
    for (const std::unique_ptr<SimModule> &module : modules) {
        const SimModule::State s = module->state();
        QJsonArray outputs;
        for (const SimChannel::Live &c : s.channels)
            outputs.append(QJsonArray {double(c.control), double(c.eventStatus), c.vOut,
                                       c.tripped, c.latchedOff, c.needsOffFirst});
        crate.insert(key(*module),
                     QJsonObject {{"base", s.base}, {"firmware", double(s.firmware)},
                                  {"control", double(s.control)}, {"settings", toJson(s.settings)},
                                  {"stored", toJson(s.stored)}, {"outputs", outputs},
                                  {"flash", flashToJson(s.flash)}});
    }
    QSaveFile file(QString::fromStdString(path));
    if (!file.open(QIODevice::WriteOnly) || file.write(QJsonDocument(crate).toJson(QJsonDocument::Compact)) < 0
        || !file.commit()) {
        *error = path + ": " + file.errorString().toStdString();
        return false;
    }
    return true;
}
