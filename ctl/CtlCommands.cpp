#include "CtlCommands.h"
#include "CtlSession.h"

#include <BaseModule.h>
#include <CommandInputs.h>
#include <CrateCore.h>
#include <StatusCellText.h>
#include <TarnChannelStatusBits.h>
#include <TarnModuleStatusBits.h>
#include <WordBits.h>

#include <QCommandLineParser>
#include <QDateTime>
#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>
#include <cmath>

namespace {

const QString JsonOption = QStringLiteral("json");
// How often a wait for the ramps looks at the channels.
constexpr int RampPollMs = 100;

void addJson(QCommandLineParser &parser)
{
    parser.addOption({JsonOption, QStringLiteral("Results as JSON.")});
}

QString hexWord(quint32 word)
{
    return QStringLiteral("0x")
        + QStringLiteral("%1").arg(word & WordBits::Word16, 4, 16, QLatin1Char('0')).toUpper();
}

// One channel as the table shows it, read from the module in the table's order.
QJsonObject channelRow(BaseModule *module, int channel)
{
    const float vset = module->GetChannelVoltageSet(channel);
    const float vmeas = module->GetChannelVoltageMeasure(channel);
    const float vnom = module->GetChannelVoltageNominal(channel);
    const float iset = module->GetChannelCurrentSet(channel);
    const float imeas = module->GetChannelCurrentMeasure(channel);
    const float inom = module->GetChannelCurrentNominal(channel);
    const quint32 status = module->GetChannelStatus(channel) & WordBits::Word16;
    const quint32 control = module->GetChannelControl(channel) & WordBits::Word16;
    return QJsonObject {
        {"channel", channel},
        {"vset", vset},
        {"vmeas", vmeas},
        {"vnom", vnom},
        {"vunit", module->voltageUnit(channel)},
        {"iset", iset},
        {"imeas", imeas},
        {"inom", inom},
        {"iunit", module->currentUnit(channel)},
        {"setOn", bool(control & WordBits::ChannelControl::SetOn)},
        {"on", bool(status & WordBits::ChannelStatus::IsOn)},
        {"status", StatusCellText::of(module->deviceClass(), status, control).text()},
        {"bits", TarnChannelStatusBits().statusBitText(status)},
        {"statusWord", hexWord(status)}};
}

// The module words, supplies, temperature and ramp speeds, and the rows of `channels`.
QJsonObject moduleBlock(BaseModule *module, const QList<int> &channels)
{
    const TarnModuleStatusBits bits;
    const quint32 failedBefore = module->failedReads();
    const int serial = module->GetModuleSerialNumber();
    const quint32 status = module->GetModuleStatus() & WordBits::Word16;
    const quint32 control = module->GetModuleControl() & WordBits::Word16;
    const quint32 events = module->GetModuleEventStatus() & WordBits::Word16;
    const float p5 = module->GetModuleSupplyP5();
    const float p12 = module->GetModuleSupplyP12();
    const float n12 = module->GetModuleSupplyN12();
    const float temperature = module->GetModuleTemperature();
    const float vramp = module->GetModuleVoltageRampSpeed();
    const float iramp = module->GetModuleCurrentRampSpeed();
    QJsonArray rows;
    for (int channel : channels)
        rows.append(channelRow(module, channel));
    return QJsonObject {{"base", CtlSession::hexAddress(module->GetModuleBaseAddress())},
                        {"serial", serial},
                        {"class", module->deviceClass()},
                        {"moduleStatus", bits.statusBitText(status)},
                        {"moduleStatusWord", hexWord(status)},
                        {"moduleControl", bits.controlBitText(control)},
                        {"moduleControlWord", hexWord(control)},
                        {"moduleEvents", bits.eventStatusBitText(events)},
                        {"moduleEventsWord", hexWord(events)},
                        {"supplyP5", p5},
                        {"supplyP12", p12},
                        {"supplyN12", n12},
                        {"temperature", temperature},
                        {"voltageRamp", vramp},
                        {"currentRamp", iramp},
                        // A value whose read failed shows as 0: say so rather than pass it off.
                        {"readFailed", module->failedReads() != failedBefore},
                        {"channels", rows}};
}

QString fixed(const QJsonValue &value, int decimals)
{
    return QString::number(value.toDouble(), 'f', decimals);
}

QString orDash(const QString &text) { return text.isEmpty() ? QStringLiteral("-") : text; }

void printBlock(QTextStream &out, const QJsonObject &block)
{
    const QJsonArray rows = block["channels"].toArray();
    out << block["base"].toString() << "  class " << block["class"].toInt() << "  serial "
        << block["serial"].toInt() << '\n';
    if (block["readFailed"].toBool())
        out << "  READ FAILED: the module did not answer every read; those values show as 0\n";
    out << "  module status  " << orDash(block["moduleStatus"].toString()) << " ("
        << block["moduleStatusWord"].toString() << ")\n";
    out << "  control        " << orDash(block["moduleControl"].toString()) << " ("
        << block["moduleControlWord"].toString() << ")\n";
    out << "  events         " << orDash(block["moduleEvents"].toString()) << " ("
        << block["moduleEventsWord"].toString() << ")\n";
    out << "  supplies       +5 V: " << fixed(block["supplyP5"], 2)
        << " V  +12 V: " << fixed(block["supplyP12"], 2)
        << " V  -12 V: " << fixed(block["supplyN12"], 2) << " V  temperature "
        << fixed(block["temperature"], 1) << " °C\n";
    out << "  ramp speeds    voltage " << CtlSession::number(block["voltageRamp"].toDouble())
        << " %/s  current " << CtlSession::number(block["currentRamp"].toDouble()) << " %/s\n";
    if (rows.isEmpty())
        return;
    const QString vUnit = rows.first()["vunit"].toString();
    const QString iUnit = rows.first()["iunit"].toString();
    out << QStringLiteral("  ch %1 %2 %3 %4 %5 %6  on   status\n")
               .arg("Vset (" + vUnit + ")", 10)
               .arg("Vmeas (" + vUnit + ")", 10)
               .arg("Vnom (" + vUnit + ")", 10)
               .arg("Iset (" + iUnit + ")", 10)
               .arg("Imeas (" + iUnit + ")", 10)
               .arg("Inom (" + iUnit + ")", 10);
    for (const QJsonValue &value : rows) {
        const QJsonObject row = value.toObject();
        out << QStringLiteral("  %1 %2 %3 %4 %5 %6 %7  %8  %9 (%10)\n")
                   .arg(row["channel"].toInt(), 2)
                   .arg(fixed(row["vset"], 1), 10)
                   .arg(fixed(row["vmeas"], 1), 10)
                   .arg(fixed(row["vnom"], 1), 10)
                   .arg(fixed(row["iset"], 3), 10)
                   .arg(fixed(row["imeas"], 3), 10)
                   .arg(fixed(row["inom"], 3), 10)
                   .arg(row["setOn"].toBool() ? "on " : "off")
                   .arg(row["status"].toString(), orDash(row["bits"].toString()));
    }
}

QList<int> allChannels(BaseModule *module)
{
    QList<int> channels;
    for (int channel = 0; channel < module->GetModuleChannelNumber(); ++channel)
        channels.append(channel);
    return channels;
}

// A number typed on the command line: C form, finite (the bounds checks
// cannot refuse "nan", every comparison with it is false).
bool readNumber(const QString &text, double *value)
{
    bool ok = false;
    *value = text.toDouble(&ok);
    return ok && std::isfinite(*value);
}

// Both numbers in the same plain form: "4000 V is outside ... 0 to 3000 V".
QString refusal(double value, const QString &range, const CommandInputs::DoubleInput &bounds,
                const QString &unit)
{
    return QStringLiteral("refused: %1 %2 is outside %3 %4 to %5 %2; nothing was written")
        .arg(CtlSession::number(value), unit, range, CtlSession::number(bounds.minimum),
             CtlSession::number(bounds.maximum));
}

bool outside(double value, const CommandInputs::DoubleInput &bounds)
{
    return value < bounds.minimum || value > bounds.maximum;
}

// The actions of set, in the order they were named.
enum class Action { On, Off, EmergencyOff, ClearEmergency, ClearEvents, KillEnable, KillDisable };

bool parseActions(const QStringList &words, QList<Action> *actions, QString *error)
{
    static const QHash<QString, Action> names {{"on", Action::On},
                                               {"off", Action::Off},
                                               {"emergency-off", Action::EmergencyOff},
                                               {"clear-emergency", Action::ClearEmergency},
                                               {"clear-events", Action::ClearEvents}};
    for (int i = 0; i < words.size(); ++i) {
        if (words[i] == QLatin1String("kill")) {
            const QString how = words.value(++i);
            if (how != QLatin1String("enable") && how != QLatin1String("disable")) {
                *error = QStringLiteral("kill needs enable or disable");
                return false;
            }
            actions->append(how == QLatin1String("enable") ? Action::KillEnable
                                                           : Action::KillDisable);
        } else if (names.contains(words[i])) {
            actions->append(names.value(words[i]));
        } else {
            *error = "'" + words[i]
                + "' is not an action (on, off, emergency-off, clear-emergency, clear-events, "
                  "kill enable|disable)";
            return false;
        }
    }
    return true;
}

bool needsChannels(Action action)
{
    return action == Action::On || action == Action::Off || action == Action::EmergencyOff
        || action == Action::ClearEmergency;
}

// Waits until none of `channels` ramps; the progress goes to a terminal.
int waitForRamps(CtlSession &session, BaseModule *module, const QList<int> &channels,
                 double seconds)
{
    QTextStream &err = session.err();
    const bool terminal = CtlSession::stderrIsTerminal();
    session.catchInterrupt();
    QElapsedTimer clock;
    clock.start();
    const quint32 failedBefore = module->failedReads();
    for (;;) {
        // The module needs a moment to start a ramp it was just given.
        if (!session.pause(RampPollMs)) {
            if (terminal)
                err << '\n';
            return session.fail(CtlSession::Refused, "interrupted while the channels ramp");
        }
        QStringList ramping;
        for (int channel : channels) {
            if (module->GetChannelStatus(channel) & WordBits::ChannelStatus::IsRamping)
                ramping << QStringLiteral("%1 at %2 %3")
                               .arg(channel)
                               .arg(module->GetChannelVoltageMeasure(channel), 0, 'f', 1)
                               .arg(module->voltageUnit(channel));
        }
        // A failed status read reads as "not ramping": never call that done.
        if (module->failedReads() != failedBefore) {
            if (terminal)
                err << '\n';
            return session.fail(CtlSession::Refused,
                                QStringLiteral("the module did not answer while the channels ramp"));
        }
        if (terminal) {
            err << "\r\x1b[K"
                << (ramping.isEmpty() ? QStringLiteral("ramps done")
                                      : "ramping: channel " + ramping.join(", "));
            if (ramping.isEmpty())
                err << '\n';
            err.flush();
        }
        if (ramping.isEmpty())
            return CtlSession::Success;
        if (clock.elapsed() > qint64(seconds * 1000)) {
            if (terminal)
                err << '\n';
            return session.fail(CtlSession::Refused,
                                "still ramping after " + CtlSession::number(seconds)
                                    + " s: channel " + ramping.join(", "));
        }
    }
}

} // namespace

int CtlCommands::scan(CtlSession &session, const QStringList &arguments)
{
    QCommandLineParser parser;
    session.begin(parser,
                  QStringLiteral("One line per module: base, class, serial, channels, "
                                 "firmware."),
                  false);
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
            *error = QStringLiteral("channel %1 is outside 0-%2")
                         .arg(first < 0 ? first : last)
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
    session.begin(parser,
                  QStringLiteral("The channel table of one module (-m or -s) or of every "
                                 "module: set, measured and nominal values, status, "
                                 "module words, supplies and temperature."),
                  true);
    addJson(parser);
    const QCommandLineOption watchOption(
        QStringLiteral("watch"),
        QStringLiteral("Shows it again every SECONDS until Ctrl+C (JSON: one line each time)."),
        QStringLiteral("SECONDS"));
    parser.addOption(watchOption);
    int code = 0;
    if (!session.parse(parser, arguments, 0, 0, &code))
        return code;
    double seconds = 0;
    const bool watch = parser.isSet(watchOption);
    if (watch && (!readNumber(parser.value(watchOption), &seconds) || seconds < 0.1))
        return session.fail(CtlSession::UsageError,
                            "--watch needs SECONDS of at least 0.1, not '"
                                + parser.value(watchOption) + "'");
    if ((code = session.connect()))
        return code;
    QList<BaseModule *> modules;
    const bool one
        = parser.isSet(QStringLiteral("module")) || parser.isSet(QStringLiteral("serial"));
    if (one) {
        BaseModule *module = session.find(parser, &code);
        if (!module)
            return code;
        modules << module;
    } else {
        for (int slot = 0; slot < session.core().moduleCount(); ++slot)
            modules << session.core().module(slot);
    }

    const bool json = parser.isSet(JsonOption);
    const bool clear = watch && !json && CtlSession::stdoutIsTerminal();
    QTextStream &out = session.out();
    if (watch)
        session.catchInterrupt();
    bool readFailed = false;
    do {
        QJsonArray blocks;
        for (BaseModule *module : modules) {
            blocks.append(moduleBlock(module, allChannels(module)));
            readFailed = readFailed || blocks.last()["readFailed"].toBool();
        }
        if (json) {
            const QJsonDocument document
                = one ? QJsonDocument(blocks.first().toObject()) : QJsonDocument(blocks);
            out << document.toJson(watch ? QJsonDocument::Compact : QJsonDocument::Indented);
            if (watch)
                out << '\n';
        } else {
            if (clear)
                out << "\x1b[H\x1b[2J";
            if (watch)
                out << QDateTime::currentDateTime().toString(Qt::ISODate) << '\n';
            for (int i = 0; i < blocks.size(); ++i) {
                if (i > 0)
                    out << '\n';
                printBlock(out, blocks[i].toObject());
            }
            if (watch && !clear)
                out << '\n';
        }
        out.flush();
    } while (watch && session.pause(int(seconds * 1000)));
    if (readFailed)
        return session.fail(CtlSession::Refused,
                            QStringLiteral("some reads failed; the values shown as 0 there were "
                                           "not read"));
    return CtlSession::Success;
}

int CtlCommands::set(CtlSession &session, const QStringList &arguments)
{
    QCommandLineParser parser;
    session.begin(parser,
                  QStringLiteral("Sets channels and module values of one module. Every value is "
                                 "checked against the window's bounds before anything is written."),
                  true);
    const QCommandLineOption channelOption({QStringLiteral("c"), QStringLiteral("channels")},
                                           QStringLiteral("3, 0-7, 0,2,5 or all."),
                                           QStringLiteral("channels"));
    const QCommandLineOption voltageOption(QStringLiteral("voltage"),
                                           QStringLiteral("Set voltage, in the module's unit."),
                                           QStringLiteral("V"));
    const QCommandLineOption currentOption(QStringLiteral("current"),
                                           QStringLiteral("Set current, in the module's unit."),
                                           QStringLiteral("I"));
    const QCommandLineOption voltageRampOption(
        QStringLiteral("voltage-ramp"),
        QStringLiteral("Module voltage ramp speed, % of the nominal per second."),
        QStringLiteral("PERCENT"));
    const QCommandLineOption currentRampOption(
        QStringLiteral("current-ramp"),
        QStringLiteral("Module current ramp speed, % of the nominal per second."),
        QStringLiteral("PERCENT"));
    const QCommandLineOption waitOption(
        QStringLiteral("wait"),
        QStringLiteral("Then waits up to SECONDS until the channels stop ramping."),
        QStringLiteral("SECONDS"));
    parser.addOptions({channelOption, voltageOption, currentOption, voltageRampOption,
                       currentRampOption, waitOption});
    parser.addPositionalArgument(
        QStringLiteral("actions"),
        QStringLiteral("Done in this order after the values: on, off, emergency-off, "
                       "clear-emergency (of -c CHANNELS), clear-events (of -c CHANNELS, or all "
                       "of the module's events without -c), kill enable|disable."),
        QStringLiteral("[actions...]"));
    addJson(parser);
    int code = 0;
    if (!session.parse(parser, arguments, 0, 16, &code))
        return code;

    // Everything that can be checked without the module, before connecting.
    QList<Action> actions;
    QString error;
    if (!parseActions(parser.positionalArguments(), &actions, &error))
        return session.fail(CtlSession::UsageError, error);
    struct Number
    {
        const QCommandLineOption &option;
        double value = 0;
        bool set = false;
    };
    Number voltage {voltageOption}, current {currentOption}, voltageRamp {voltageRampOption},
        currentRamp {currentRampOption}, wait {waitOption};
    for (Number *number : {&voltage, &current, &voltageRamp, &currentRamp, &wait}) {
        number->set = parser.isSet(number->option);
        if (number->set && !readNumber(parser.value(number->option), &number->value))
            return session.fail(CtlSession::UsageError,
                                "--" + number->option.names().first() + " needs a number, not '"
                                    + parser.value(number->option) + "'");
    }
    if (actions.isEmpty() && !voltage.set && !current.set && !voltageRamp.set && !currentRamp.set)
        return session.fail(CtlSession::UsageError,
                            QStringLiteral("set needs --voltage, --current, a ramp speed or an "
                                           "action; see norvctl set --help"));
    const bool withChannels = parser.isSet(channelOption);
    const bool channelWork
        = voltage.set || current.set || std::any_of(actions.begin(), actions.end(), needsChannels);
    if (channelWork && !withChannels)
        return session.fail(CtlSession::UsageError, QStringLiteral("set needs -c CHANNELS"));

    if ((code = session.connect()))
        return code;
    BaseModule *module = session.find(parser, &code);
    if (!module)
        return code;
    QList<int> channels;
    if (withChannels
        && !parseChannels(parser.value(channelOption), module->GetModuleChannelNumber(), &channels,
                          &error))
        return session.fail(CtlSession::UsageError, error);

    // The window's bounds for each channel and each ramp, all checked before
    // anything is written.
    const bool negative = CommandInputs::allowsNegativeVoltage(module->firmwareName());
    for (int channel : channels) {
        const QString range = QStringLiteral("channel %1's range").arg(channel);
        const QString vUnit = module->voltageUnit(channel);
        const CommandInputs::DoubleInput v = CommandInputs::channelVoltage(
            channel, module->GetChannelVoltageNominal(channel), vUnit, negative, 0);
        if (voltage.set && outside(voltage.value, v))
            return session.fail(CtlSession::Refused, refusal(voltage.value, range, v, vUnit));
        const QString iUnit = module->currentUnit(channel);
        const CommandInputs::DoubleInput i = CommandInputs::channelCurrent(
            channel, module->GetChannelCurrentNominal(channel), iUnit, 0);
        if (current.set && outside(current.value, i))
            return session.fail(CtlSession::Refused, refusal(current.value, range, i, iUnit));
    }
    const QString percent = QStringLiteral("%/s");
    const CommandInputs::DoubleInput vr = CommandInputs::voltageRamp(0);
    if (voltageRamp.set && outside(voltageRamp.value, vr))
        return session.fail(CtlSession::Refused,
                            refusal(voltageRamp.value, "the voltage ramp range", vr, percent));
    const CommandInputs::DoubleInput cr = CommandInputs::currentRamp(0);
    if (currentRamp.set && outside(currentRamp.value, cr))
        return session.fail(CtlSession::Refused,
                            refusal(currentRamp.value, "the current ramp range", cr, percent));

    // The writes: the crate core's requests where it has them, as the window.
    CrateCore &core = session.core();
    if (voltageRamp.set)
        module->SetModuleVoltageRampSpeed(float(voltageRamp.value));
    if (currentRamp.set)
        module->SetModuleCurrentRampSpeed(float(currentRamp.value));
    for (int channel : channels) {
        if (voltage.set)
            core.setChannelVoltageSet(channel, float(voltage.value));
        if (current.set)
            core.setChannelCurrentSet(channel, float(current.value));
    }
    const quint32 mask = CommandInputs::channelMask(channels);
    for (Action action : actions) {
        switch (action) {
        case Action::On:
            module->SetSelectedChannelsOn(mask);
            break;
        case Action::Off:
            module->SetSelectedChannelsOff(mask);
            break;
        case Action::EmergencyOff:
            module->SetSelectedChannelsEmergencyOff(mask);
            break;
        case Action::ClearEmergency:
            module->ClearSelectedChannelsEmergencyOff(mask);
            break;
        case Action::ClearEvents:
            // As the window: the selected channels' events, or all of the module's.
            if (withChannels) {
                for (int channel : channels)
                    core.clearChannelEvents(quint16(channel));
            } else {
                module->doClear();
            }
            break;
        case Action::KillEnable:
        case Action::KillDisable:
            module->SetModuleKillEnable(action == Action::KillEnable);
            break;
        }
    }
    if (wait.set
        && (code = waitForRamps(session, module, withChannels ? channels : allChannels(module),
                                wait.value)))
        return code;

    const QJsonObject block = moduleBlock(module, channels);
    if (parser.isSet(JsonOption))
        session.out() << QJsonDocument(block).toJson(QJsonDocument::Indented);
    else
        printBlock(session.out(), block);
    return CtlSession::Success;
}
