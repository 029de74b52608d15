#include "CtlCommands.h"

#include <CrateCore.h>

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QLoggingCategory>
#include <QTextStream>

#include <cstdio>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("norvctl"));
    QCoreApplication::setApplicationVersion(QStringLiteral(NORVCTL_VERSION));
    // The core's progress lines are for a developer, not for a script's stderr.
    QLoggingCategory::setFilterRules(QStringLiteral("*.debug=false\n*.warning=false"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "The norv HV modules of a VME crate from the command line.\n\n"
        "Commands:\n"
        "  scan                              the modules in the crate\n"
        "  status -m BASE | -s SERIAL        the channel table of one module\n"
        "  set -m BASE -c CHANNELS [--voltage V] [on|off]\n\n"
        "Channels: 3, 0-7, 0,2,5 or all.\n"
        "Exit codes: 0 success, 1 usage error, 2 no bridge or controller,\n"
        "3 module not found, 4 refused."));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption controller(QStringLiteral("controller"),
                                        QStringLiteral("vm-usb or v1718 (default: the settings)."),
                                        QStringLiteral("name"));
    const QCommandLineOption base({QStringLiteral("m"), QStringLiteral("module")},
                                  QStringLiteral("Module by base address."),
                                  QStringLiteral("base"));
    const QCommandLineOption serial({QStringLiteral("s"), QStringLiteral("serial")},
                                    QStringLiteral("Module by serial number."),
                                    QStringLiteral("serial"));
    const QCommandLineOption channels({QStringLiteral("c"), QStringLiteral("channels")},
                                      QStringLiteral("Channels to set."),
                                      QStringLiteral("channels"));
    const QCommandLineOption voltage(QStringLiteral("voltage"),
                                     QStringLiteral("Set voltage, in the module's unit."),
                                     QStringLiteral("V"));
    const QCommandLineOption json(QStringLiteral("json"), QStringLiteral("Results as JSON."));
    parser.addOptions({controller, base, serial, channels, voltage, json});
    parser.addPositionalArgument(QStringLiteral("command"), QStringLiteral("scan, status or set."));

    QTextStream out(stdout);
    QTextStream err(stderr);
    if (!parser.parse(app.arguments())) {
        err << "norvctl: " << parser.errorText() << '\n';
        return CtlCommands::UsageError;
    }
    if (parser.isSet(QStringLiteral("help")))
        parser.showHelp(0);
    if (parser.isSet(QStringLiteral("version")))
        parser.showVersion();

    const QStringList words = parser.positionalArguments();
    const QString command = words.value(0);
    const bool isSet = command == QLatin1String("set");
    if (!(command == QLatin1String("scan") || command == QLatin1String("status") || isSet)
        || words.size() > (isSet ? 2 : 1) || (isSet && !parser.isSet(channels))) {
        err << "norvctl: " << (command.isEmpty() ? QStringLiteral("no command")
                                                 : "cannot run '" + words.join(' ') + "'")
            << "; see norvctl --help\n";
        return CtlCommands::UsageError;
    }

    CrateCore core;
    core.setThreadedReads(false);
    CtlCommands commands(core, out, err);
    int code = commands.connect(parser.value(controller));
    if (code != CtlCommands::Success)
        return code;
    if (command == QLatin1String("scan"))
        return commands.scan(parser.isSet(json));
    BaseModule *module = commands.find(parser.value(base), parser.value(serial), &code);
    if (!module)
        return code;
    if (isSet)
        return commands.set(module, parser.value(channels), parser.value(voltage), words.value(1),
                            parser.isSet(json));
    return commands.status(module, parser.isSet(json));
}
