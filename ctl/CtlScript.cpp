#include "CtlScript.h"

#include "CtlInterrupt.h"
#include "CtlSession.h"

#include <CrateCore.h>
#include <ScriptThread.h>

#include <QCommandLineParser>
#include <QEventLoop>
#include <QFile>

int CtlScript::run(CtlSession &session, const QStringList &arguments)
{
    QCommandLineParser parser;
    session.begin(parser,
                  QStringLiteral("Runs FILE (ECMAScript) as the window's script console does: "
                                 "the module is `mod` (the first module of the crate unless -m "
                                 "or -s names one), script.print() writes a line to stdout, "
                                 "script.delay(ms) pauses. Ctrl+C stops the script."),
                  true);
    parser.addPositionalArgument(QStringLiteral("file"), QStringLiteral("The script."),
                                 QStringLiteral("FILE.js"));
    int code = 0;
    if (!session.parse(parser, arguments, 1, 1, &code))
        return code;
    const QString path = parser.positionalArguments().first();
    if (QFile file(path); !file.open(QIODevice::ReadOnly))
        return session.fail(CtlSession::FileError,
                            "cannot read the script file " + path + ": " + file.errorString());
    if ((code = session.connect()))
        return code;
    CrateCore &core = session.core();
    BaseModule *module = nullptr;
    if (parser.isSet(QStringLiteral("module")) || parser.isSet(QStringLiteral("serial"))) {
        if (!(module = session.find(parser, &code)))
            return code;
    } else if (core.moduleCount() > 0) {
        module = core.module(0);
    }

    ScriptThread thread(module, &core);
    // setScriptFile() reports a file it cannot read, and keeps the old text then.
    QString unreadable;
    const QMetaObject::Connection reported = QObject::connect(
        &thread, &ScriptThread::scriptMessage, [&](const QString &text) { unreadable = text; });
    thread.setScriptFile(path);
    QObject::disconnect(reported);
    if (!unreadable.isEmpty())
        return session.fail(CtlSession::FileError, unreadable);

    QTextStream &out = session.out();
    QObject::connect(&thread, &ScriptThread::scriptPrinted, &thread, [&out](const QString &text) {
        out << text << '\n';
        out.flush();
    });
    CtlInterrupt interrupt;
    QObject::connect(&interrupt, &CtlInterrupt::interrupted, &thread, &ScriptThread::stopScript);
    QObject::connect(&thread, &ScriptThread::scriptEnded, &thread,
                     [&](ScriptThread::Outcome outcome, const QString &message, int line) {
                         switch (outcome) {
                         case ScriptThread::Completed:
                             session.err() << message << '\n';
                             session.err().flush();
                             code = CtlSession::Success;
                             break;
                         case ScriptThread::Stopped:
                             code = session.fail(interrupt.exitCode(), message);
                             break;
                         default:
                             code = session.fail(
                                 CtlSession::Refused,
                                 line > 0
                                     ? QStringLiteral("%1:%2: %3").arg(path).arg(line).arg(message)
                                     : path + ": " + message);
                         }
                     });
    QEventLoop loop;
    QObject::connect(&thread, &QThread::finished, &loop, &QEventLoop::quit);
    code = CtlSession::Refused; // until the run says how it ended
    thread.runScript(QString());
    loop.exec();
    return code;
}
