#include "CtlCommands.h"

#include <BaseController.h>
#include <BaseModule.h>
#include <CommandInputs.h>
#include <CorePrompt.h>
#include <CrateCore.h>
#include <SettingsStore.h>
#include <TarnChannelStatusBits.h>
#include <WordBits.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace {

// The core's questions are for a window; the tool reports in its own words.
class SilentPrompt : public CorePrompt
{
public:
    int question(const QString &, const QString &, int) override { return NoButton; }
    int information(const QString &, const QString &, int) override { return Ok; }
    int warning(const QString &, const QString &, int) override { return Ok; }
};

QString hexAddress(quint16 base)
{
    return QStringLiteral("0x%1").arg(base, 4, 16, QLatin1Char('0')).toUpper().replace(
        QLatin1String("0X"), QLatin1String("0x"));
}

} // namespace

CtlCommands::CtlCommands(CrateCore &core, QTextStream &out, QTextStream &err)
    : m_core(core)
    , m_out(out)
    , m_err(err)
{
}

int CtlCommands::connect(const QString &controller)
{
    static SilentPrompt prompt;
    m_core.setPrompt(&prompt);
    if (controller == QLatin1String("vm-usb"))
        m_core.setControllerChoice(QLatin1String(SettingsStore::VmUsbController));
    else if (controller == QLatin1String("v1718"))
        m_core.setControllerChoice(QLatin1String(SettingsStore::V1718Controller));
    else if (!controller.isEmpty()) {
        m_err << "norvctl: unknown controller '" << controller << "' (vm-usb or v1718)\n";
        return UsageError;
    }
    m_core.initModuleAccess();
    m_core.stopRefresh();
    BaseController *bus = m_core.controller();
    if (!bus || !bus->isConnected()) {
        m_err << "norvctl: cannot open the VME controller " << (bus ? bus->name() : QString())
              << ": no bridge found\n";
        return NoController;
    }
    // A module's first register read after it was made gives 0 until it has
    // been identified (the window's refresh does this); identify them all now.
    for (int slot = 0; slot < m_core.moduleCount(); ++slot)
        m_core.module(slot)->GetModuleDeviceClass();
    return Success;
}

int CtlCommands::scan(bool json)
{
    QJsonArray list;
    for (int slot = 0; slot < m_core.moduleCount(); ++slot) {
        BaseModule *module = m_core.module(slot);
        const QString base = hexAddress(module->GetModuleBaseAddress());
        if (json) {
            list.append(QJsonObject {{"base", base},
                                     {"class", module->GetModuleDeviceClass()},
                                     {"serial", module->GetModuleSerialNumber()},
                                     {"channels", module->GetModuleChannelNumber()},
                                     {"firmware", module->GetModuleFirmwareRelease()}});
        } else {
            m_out << base << "  class " << module->GetModuleDeviceClass() << "  serial "
                  << module->GetModuleSerialNumber() << "  " << module->GetModuleChannelNumber()
                  << " channels  firmware " << module->GetModuleFirmwareRelease() << '\n';
        }
    }
    if (json)
        m_out << QJsonDocument(list).toJson(QJsonDocument::Indented);
    return Success;
}

BaseModule *CtlCommands::find(const QString &base, const QString &serial, int *code)
{
    if (base.isEmpty() == serial.isEmpty()) {
        m_err << "norvctl: name one module, with -m BASE or -s SERIAL\n";
        *code = UsageError;
        return nullptr;
    }
    bool ok = false;
    const uint wanted = base.isEmpty() ? serial.toUInt(&ok, 10) : base.toUInt(&ok, 0);
    if (!ok) {
        m_err << "norvctl: '" << (base.isEmpty() ? serial : base) << "' is not a "
              << (base.isEmpty() ? "serial number" : "base address") << '\n';
        *code = UsageError;
        return nullptr;
    }
    for (int slot = 0; slot < m_core.moduleCount(); ++slot) {
        BaseModule *module = m_core.module(slot);
        const uint have = base.isEmpty() ? uint(module->GetModuleSerialNumber())
                                         : uint(module->GetModuleBaseAddress());
        if (have == wanted) {
            m_core.selectModule(slot);
            return module;
        }
    }
    m_err << "norvctl: no module " << (base.isEmpty() ? "with serial " + serial : "at " + base)
          << " in the crate\n";
    *code = ModuleNotFound;
    return nullptr;
}

bool CtlCommands::parseChannels(const QString &text, int count, QList<int> *channels,
                                QString *error)
{
    channels->clear();
    if (text == QLatin1String("all")) {
        for (int channel = 0; channel < count; ++channel)
            channels->append(channel);
        return count > 0;
    }
    for (const QString &part : text.split(QLatin1Char(','))) {
        const QStringList ends = part.split(QLatin1Char('-'));
        bool firstOk = false;
        bool lastOk = false;
        const int first = ends.first().toInt(&firstOk);
        const int last = ends.size() == 2 ? ends.last().toInt(&lastOk) : first;
        if (!firstOk || (ends.size() == 2 && !lastOk) || ends.size() > 2 || first > last) {
            *error = QStringLiteral("'%1' is not a channel, a range or 'all'").arg(part);
            return false;
        }
        if (first < 0 || last >= count) {
            *error = QStringLiteral("channel %1 is outside 0-%2").arg(first < 0 ? first : last)
                         .arg(count - 1);
            return false;
        }
        for (int channel = first; channel <= last; ++channel)
            if (!channels->contains(channel))
                channels->append(channel);
    }
    return true;
}

int CtlCommands::status(BaseModule *module, bool json)
{
    QList<int> all;
    QString error;
    parseChannels(QStringLiteral("all"), module->GetModuleChannelNumber(), &all, &error);
    return printTable(module, all, json);
}

int CtlCommands::set(BaseModule *module, const QString &channelText, const QString &voltage,
                     const QString &switching, bool json)
{
    QList<int> channels;
    QString error;
    if (!parseChannels(channelText, module->GetModuleChannelNumber(), &channels, &error)) {
        m_err << "norvctl: " << error << '\n';
        return UsageError;
    }
    if (voltage.isEmpty() && switching.isEmpty()) {
        m_err << "norvctl: set needs --voltage V, on or off\n";
        return UsageError;
    }
    if (!switching.isEmpty() && switching != QLatin1String("on")
        && switching != QLatin1String("off")) {
        m_err << "norvctl: '" << switching << "' is neither on nor off\n";
        return UsageError;
    }
    bool ok = true;
    const double value = voltage.isEmpty() ? 0 : voltage.toDouble(&ok);
    if (!ok) {
        m_err << "norvctl: '" << voltage << "' is not a voltage\n";
        return UsageError;
    }
    // The window's bounds for each channel, all checked before anything is written.
    if (!voltage.isEmpty()) {
        const bool negative = CommandInputs::allowsNegativeVoltage(module->firmwareName());
        for (int channel : channels) {
            const CommandInputs::DoubleInput bounds = CommandInputs::channelVoltage(
                channel, module->GetChannelVoltageNominal(channel), module->voltageUnit(channel),
                negative, module->GetChannelVoltageSet(channel));
            if (value < bounds.minimum || value > bounds.maximum) {
                m_err << "norvctl: refused: " << value << " " << module->voltageUnit(channel)
                      << " is outside channel " << channel << "'s range "
                      << CommandInputs::number(bounds.minimum) << " to "
                      << CommandInputs::number(bounds.maximum) << ' '
                      << module->voltageUnit(channel) << "; nothing was written\n";
                return Refused;
            }
        }
        for (int channel : channels)
            m_core.setChannelVoltageSet(channel, float(value));
    }
    const quint32 mask = CommandInputs::channelMask(channels);
    if (switching == QLatin1String("on"))
        module->SetSelectedChannelsOn(mask);
    else if (switching == QLatin1String("off"))
        module->SetSelectedChannelsOff(mask);
    return printTable(module, channels, json);
}

int CtlCommands::printTable(BaseModule *module, const QList<int> &channels, bool json)
{
    const TarnChannelStatusBits bits;
    QJsonArray rows;
    for (int channel : channels) {
        const quint32 status = module->GetChannelStatus(channel);
        const quint32 control = module->GetChannelControl(channel);
        const QString vUnit = module->voltageUnit(channel);
        const QString iUnit = module->currentUnit(channel);
        const QString text = bits.statusBitText(status);
        const QJsonObject row {
            {"channel", channel},
            {"vset", module->GetChannelVoltageSet(channel)},
            {"vmeas", module->GetChannelVoltageMeasure(channel)},
            {"vnom", module->GetChannelVoltageNominal(channel)},
            {"vunit", vUnit},
            {"iset", module->GetChannelCurrentSet(channel)},
            {"imeas", module->GetChannelCurrentMeasure(channel)},
            {"inom", module->GetChannelCurrentNominal(channel)},
            {"iunit", iUnit},
            {"setOn", bool(control & WordBits::ChannelControl::SetOn)},
            {"on", bool(status & WordBits::ChannelStatus::IsOn)},
            {"status", text}};
        if (json) {
            rows.append(row);
            continue;
        }
        m_out << QStringLiteral("%1  set %2 %3 / %4 %5  meas %6 %3 / %7 %5  nominal %8 %3 / %9 %5  "
                                "%10  %11\n")
                     .arg(channel, 2)
                     .arg(row["vset"].toDouble()).arg(vUnit)
                     .arg(row["iset"].toDouble()).arg(iUnit)
                     .arg(row["vmeas"].toDouble()).arg(row["imeas"].toDouble())
                     .arg(row["vnom"].toDouble()).arg(row["inom"].toDouble())
                     .arg((control & WordBits::ChannelControl::SetOn) ? "on" : "off",
                          text.isEmpty() ? QStringLiteral("-") : text);
    }
    if (json) {
        const QJsonObject table {{"base", hexAddress(module->GetModuleBaseAddress())},
                                 {"serial", module->GetModuleSerialNumber()},
                                 {"channels", rows}};
        m_out << QJsonDocument(table).toJson(QJsonDocument::Indented);
    }
    return Success;
}
