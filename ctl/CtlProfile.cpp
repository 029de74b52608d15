#include "CtlProfile.h"

#include "CtlPrompt.h"
#include "CtlSession.h"

#include <BaseModule.h>
#include <CrateCore.h>
#include <ProfileReader.h>
#include <ProfileRecord.h>
#include <ProfileSave.h>
#include <ProfileWrite.h>
#include <Sequence.h>

#include <QCommandLineParser>

namespace {

int save(CtlSession &session, CtlPrompt &prompt, const QString &path)
{
    BaseModule *module = session.core().currentModule();
    const QString where = CtlSession::hexAddress(module->GetModuleBaseAddress());
    if (const QString refusal = ProfileSave::refusal(*module); !refusal.isEmpty())
        return session.fail(CtlSession::Refused, where + ": " + refusal);
    const std::unique_ptr<Sequence> sequence
        = session.core().beginSequence(QStringLiteral("the profile save"));
    if (!sequence || !ProfileSave::save(*sequence, path, prompt)) {
        // The procedure told why; a module that fell silent is no file error.
        return ProfileSave::refusal(*module).isEmpty() ? CtlSession::FileError
                                                       : CtlSession::Refused;
    }
    prompt.line(QStringLiteral("norvctl: profile of %1 (serial %2) saved to %3")
                    .arg(where)
                    .arg(module->GetModuleSerialNumber())
                    .arg(path));
    return CtlSession::Success;
}

int load(CtlSession &session, CtlPrompt &prompt, const QString &path, bool verbose)
{
    CrateCore &core = session.core();
    BaseModule *module = core.currentModule();
    const ProfileLoad profile = ProfileReader::read(path, ProfileRecord::channelsOf(*module));
    if (!profile.ok)
        return session.fail(CtlSession::FileError, profile.error);
    // The window shows a warning and lets the operator decide; here a value
    // that does not parse refuses the file, before anything is written.
    if (!profile.warnings.isEmpty()) {
        for (const QString &warning : profile.warnings)
            prompt.line(QStringLiteral("norvctl: ") + warning);
        return session.fail(CtlSession::FileError,
                            "refused: " + path
                                + " has values that are no numbers; nothing "
                                  "was written");
    }
    if (verbose) {
        for (const QString &line : profile.log)
            prompt.line(line);
    }
    const std::unique_ptr<Sequence> sequence
        = core.beginSequence(QStringLiteral("the profile write"));
    if (!sequence)
        return CtlSession::Refused;
    // Ending half way would leave the module in stop mode with half a
    // profile: the first Ctrl+C waits for the end of the write, a second
    // one ends the process at once.
    session.catchInterrupt();
    const ProfileWrite::Result result = ProfileWrite::run(
        *sequence, profile.record,
        [&](int ms) {
            core.wait(ms);
            prompt.progress(QStringLiteral("writing the profile into ")
                            + CtlSession::hexAddress(module->GetModuleBaseAddress()));
        },
        prompt, [&](const QString &line) { prompt.line(line); });
    if (session.interrupted())
        prompt.line(QStringLiteral("norvctl: Ctrl+C came during the profile write; the write "
                                   "was finished first"));
    switch (result) {
    case ProfileWrite::Result::Written:
        return CtlSession::Success;
    case ProfileWrite::Result::StoreDeclined:
        return session.fail(CtlSession::Refused,
                            QStringLiteral("the profile was written but not stored; the module "
                                           "stays in stop mode"));
    default:
        return CtlSession::Refused; // the procedure told why
    }
}

} // namespace

int CtlProfile::run(CtlSession &session, const QStringList &arguments)
{
    QCommandLineParser parser;
    session.begin(parser,
                  QStringLiteral("Saves a module's profile to FILE, or writes FILE into a module "
                                 "with the control words and nominals read back and the set "
                                 "values stored. FILE is written or read as given."),
                  true);
    const QCommandLineOption yesOption(QStringLiteral("yes"),
                                       QStringLiteral("Answer the retry question with yes (at "
                                                      "most %1 times).")
                                           .arg(CtlPrompt::MaxYes));
    const QCommandLineOption verboseOption({QStringLiteral("v"), QStringLiteral("verbose")},
                                           QStringLiteral("Show every value of the file before "
                                                          "it is written."));
    parser.addOptions({yesOption, verboseOption});
    parser.addPositionalArgument(QStringLiteral("action"), QStringLiteral("save or load."),
                                 QStringLiteral("save|load"));
    parser.addPositionalArgument(QStringLiteral("file"), QStringLiteral("The profile file."),
                                 QStringLiteral("FILE"));
    int code = 0;
    if (!session.parse(parser, arguments, 2, 2, &code))
        return code;
    const QString action = parser.positionalArguments().at(0);
    const QString path = parser.positionalArguments().at(1);
    if (action != QLatin1String("save") && action != QLatin1String("load"))
        return session.fail(CtlSession::UsageError,
                            "'" + action
                                + "' is neither save nor load; see norvctl profile --help");
    CtlPrompt prompt(session.err(), parser.isSet(yesOption));
    session.setPrompt(&prompt);
    // The core outlives this prompt.
    const struct Forget
    {
        CrateCore &core;
        ~Forget() { core.setPrompt(nullptr); }
    } forget {session.core()};
    if ((code = session.connect()) || !session.find(parser, &code))
        return code;
    return action == QLatin1String("save")
        ? save(session, prompt, path)
        : load(session, prompt, path, parser.isSet(verboseOption));
}
