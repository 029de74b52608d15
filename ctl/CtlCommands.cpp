#include "CtlCommands.h"
#include "CtlSession.h"

#include <BaseModule.h>
#include <CommandInputs.h>
#include <CrateCore.h>
#include <TarnChannelStatusBits.h>
#include <WordBits.h>

#include <QCommandLineParser>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace {

const QString JsonOption = QStringLiteral("json");

void addJson(QCommandLineParser &parser)
{
    parser.addOption({JsonOption, QStringLiteral("Results as JSON.")});
}

int printTable(CtlSession &session, BaseModule *module, const QList<int> &channels, bool json);

} // namespace

int CtlCommands::scan(CtlSession &session, const QStringList &arguments)
{
    QCommandLineParser parser;
    session.begin(parser, QStringLiteral("One line per module: base, class, serial, channels, "
                                         "firmware."), false);
    addJson(parser);
    int code = 0;
    if (!session.parse(parser, arguments, 0, 0, &code) || (code = session.connect()))
        return code;
    const bool json = parser.isSet(JsonOption);
    CrateCore &core = session.core();
    QTextStream &out = session.out();
    QJsonArray list;
    for (int slot = 0; slot < core.moduleCount(); ++slot) {
        BaseModule *module = core.module(slot);
        const QString base = CtlSession::hexAddress(module->GetModuleBaseAddress());
        if (json) {
            list.append(QJsonObject {{"base", base},
                                     {"class", module->GetModuleDeviceClass()},
                                     {"serial", module->GetModuleSerialNumber()},
                                     {"channels", module->GetModuleChannelNumber()},
                                     {"firmware", module->GetModuleFirmwareRelease()}});
        } else {
            out << base << "  class " << module->GetModuleDeviceClass() << "  serial "
                  << module->GetModuleSerialNumber() << "  " << module->GetModuleChannelNumber()
                  << " channels  firmware " << module->GetModuleFirmwareRelease() << '\n';
        }
    }
    if (json)
        out << QJsonDocument(list).toJson(QJsonDocument::Indented);
    return CtlSession::Success;
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

int CtlCommands::status(CtlSession &session, const QStringList &arguments)
{
    QCommandLineParser parser;
    session.begin(parser, QStringLiteral("The channel table of one module."), true);
    addJson(parser);
    int code = 0;
    if (!session.parse(parser, arguments, 0, 0, &code) || (code = session.connect()))
        return code;
    BaseModule *module = session.find(parser, &code);
    if (!module)
        return code;
    QList<int> all;
    QString error;
    parseChannels(QStringLiteral("all"), module->GetModuleChannelNumber(), &all, &error);
    return printTable(session, module, all, parser.isSet(JsonOption));
}

int CtlCommands::set(CtlSession &session, const QStringList &arguments)
{
    QCommandLineParser parser;
    session.begin(parser, QStringLiteral("Sets channels of one module; every value is checked "
                                         "before anything is written."), true);
    const QCommandLineOption channelOption({QStringLiteral("c"), QStringLiteral("channels")},
                                           QStringLiteral("3, 0-7, 0,2,5 or all."),
                                           QStringLiteral("channels"));
    const QCommandLineOption voltageOption(QStringLiteral("voltage"),
                                           QStringLiteral("Set voltage, in the module's unit."),
                                           QStringLiteral("V"));
    parser.addOptions({channelOption, voltageOption});
    parser.addPositionalArgument(QStringLiteral("switch"), QStringLiteral("on or off."),
                                 QStringLiteral("[on|off]"));
    addJson(parser);
    int code = 0;
    if (!session.parse(parser, arguments, 0, 1, &code))
        return code;
    if (!parser.isSet(channelOption))
        return session.fail(CtlSession::UsageError, QStringLiteral("set needs -c CHANNELS"));
    if ((code = session.connect()))
        return code;
    BaseModule *module = session.find(parser, &code);
    if (!module)
        return code;
    const QString channelText = parser.value(channelOption);
    const QString voltage = parser.value(voltageOption);
    const QString switching = parser.positionalArguments().value(0);
    const bool json = parser.isSet(JsonOption);
    QTextStream &err = session.err();
    QList<int> channels;
    QString error;
    if (!parseChannels(channelText, module->GetModuleChannelNumber(), &channels, &error)) {
        err << "norvctl: " << error << '\n';
        return CtlSession::UsageError;
    }
    if (voltage.isEmpty() && switching.isEmpty()) {
        err << "norvctl: set needs --voltage V, on or off\n";
        return CtlSession::UsageError;
    }
    if (!switching.isEmpty() && switching != QLatin1String("on")
        && switching != QLatin1String("off")) {
        err << "norvctl: '" << switching << "' is neither on nor off\n";
        return CtlSession::UsageError;
    }
    bool ok = true;
    const double value = voltage.isEmpty() ? 0 : voltage.toDouble(&ok);
    if (!ok) {
        err << "norvctl: '" << voltage << "' is not a voltage\n";
        return CtlSession::UsageError;
    }
    // The window's bounds for each channel, all checked before anything is written.
    if (!voltage.isEmpty()) {
        const bool negative = CommandInputs::allowsNegativeVoltage(module->firmwareName());
        for (int channel : channels) {
            const CommandInputs::DoubleInput bounds = CommandInputs::channelVoltage(
                channel, module->GetChannelVoltageNominal(channel), module->voltageUnit(channel),
                negative, module->GetChannelVoltageSet(channel));
            if (value < bounds.minimum || value > bounds.maximum) {
                err << "norvctl: refused: " << value << " " << module->voltageUnit(channel)
                      << " is outside channel " << channel << "'s range "
                      << CommandInputs::number(bounds.minimum) << " to "
                      << CommandInputs::number(bounds.maximum) << ' '
                      << module->voltageUnit(channel) << "; nothing was written\n";
                return CtlSession::Refused;
            }
        }
        for (int channel : channels)
            session.core().setChannelVoltageSet(channel, float(value));
    }
    const quint32 mask = CommandInputs::channelMask(channels);
    if (switching == QLatin1String("on"))
        module->SetSelectedChannelsOn(mask);
    else if (switching == QLatin1String("off"))
        module->SetSelectedChannelsOff(mask);
    return printTable(session, module, channels, json);
}

namespace {

int printTable(CtlSession &session, BaseModule *module, const QList<int> &channels, bool json)
{
    QTextStream &out = session.out();
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
        out << QStringLiteral("%1  set %2 %3 / %4 %5  meas %6 %3 / %7 %5  nominal %8 %3 / %9 %5  "
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
        const QJsonObject table {{"base", CtlSession::hexAddress(module->GetModuleBaseAddress())},
                                 {"serial", module->GetModuleSerialNumber()},
                                 {"channels", rows}};
        out << QJsonDocument(table).toJson(QJsonDocument::Indented);
    }
    return CtlSession::Success;
}

} // namespace
