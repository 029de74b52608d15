#include "CtlCommands.h"
#include "CtlFirmware.h"
#include "CtlLog.h"
#include "CtlProfile.h"
#include "CtlScript.h"
#include "CtlSession.h"

#include <CrateCore.h>

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QLoggingCategory>
#include <QTextStream>

namespace {

struct Subcommand
{
    const char *name;
    const char *summary;
    int (*run)(CtlSession &session, const QStringList &arguments);
};

const Subcommand subcommands[] = {
    {"scan", "the modules in the crate", CtlCommands::scan},
    {"status", "the channel table of a module or of all", CtlCommands::status},
    {"set", "set values and ramps; on, off, emergency off, events, kill", CtlCommands::set},
    {"firmware", "burn or compare a module's firmware", CtlFirmware::firmware},
    {"profile", "save a module's profile, or write one into a module", CtlProfile::run},
    {"log", "log the measurements of every channel to a file", CtlLog::run},
    {"script", "run a script against a module", CtlScript::run},
};

QString description()
{
    QString text = QStringLiteral("The norv HV modules of a VME crate from the command line.\n\n"
                                  "Commands (norvctl COMMAND --help tells more):\n");
    for (const Subcommand &subcommand : subcommands)
        text += QStringLiteral("  %1 %2\n").arg(QLatin1String(subcommand.name), -10)
                    .arg(QLatin1String(subcommand.summary));
    return text + QStringLiteral(
               "\nModules: -m BASE (0x4000) or -s SERIAL. Channels: 3, 0-7, 0,2,5 or all.\n"
               "Exit codes: 0 success, 1 usage error, 2 no bridge or controller,\n"
               "3 module not found, 4 refused or a verification failed, 5 file error.");
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("norvctl"));
    QCoreApplication::setApplicationVersion(QStringLiteral(NORVCTL_VERSION));
    // The core's progress lines are for a developer, not for a script's stderr.
    QLoggingCategory::setFilterRules(QStringLiteral("*.debug=false\n*.warning=false"));

    // Options before the command belong to the tool; the rest is the command's.
    QCommandLineParser parser;
    parser.setApplicationDescription(description());
    parser.setOptionsAfterPositionalArgumentsMode(QCommandLineParser::ParseAsPositionalArguments);
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption controller(QStringLiteral("controller"),
                                        QStringLiteral("vm-usb or v1718 (default: the settings)."),
                                        QStringLiteral("name"));
    parser.addOption(controller);
    parser.addPositionalArgument(QStringLiteral("command"), QStringLiteral("What to do."),
                                 QStringLiteral("command [options]"));

    QTextStream out(stdout);
    QTextStream err(stderr);
    CrateCore core;
    core.setThreadedReads(false);
    CtlSession session(core, out, err);
    if (!parser.parse(app.arguments()))
        return session.fail(CtlSession::UsageError, parser.errorText());
    if (parser.isSet(QStringLiteral("help")))
        parser.showHelp(0);
    if (parser.isSet(QStringLiteral("version")))
        parser.showVersion();
    session.setController(parser.value(controller));

    const QStringList words = parser.positionalArguments();
    for (const Subcommand &subcommand : subcommands) {
        if (words.value(0) == QLatin1String(subcommand.name))
            return subcommand.run(session, words);
    }
    return session.fail(CtlSession::UsageError,
                        (words.isEmpty() ? QStringLiteral("no command")
                                         : "cannot run '" + words.join(' ') + "'")
                            + "; see norvctl --help");
}
