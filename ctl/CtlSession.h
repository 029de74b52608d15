#pragma once

#include <CorePrompt.h>

#include <QCommandLineParser>
#include <QString>
#include <QStringList>
#include <QTextStream>

#include <memory>

class BaseModule;
class CtlInterrupt;
class CtlPrompt;
class CrateCore;

/// One run of norvctl: the crate core, the two output streams, the exit codes
/// and what every subcommand needs (its own parser with --help, the
/// controller, the module named with -m or -s).
class CtlSession
{
public:
    enum ExitCode {
        Success = 0,
        UsageError = 1,
        NoController = 2,
        ModuleNotFound = 3,
        Refused = 4,
        FileError = 5,
    };

    CtlSession(CrateCore &core, QTextStream &out, QTextStream &err);
    ~CtlSession();

    CrateCore &core() { return m_core; }
    QTextStream &out() { return m_out; }
    QTextStream &err() { return m_err; }

    /// The controller named before the subcommand; a subcommand's own
    /// --controller replaces it.
    void setController(const QString &name) { m_controller = name; }
    /// Who answers the core's questions; the default answers none of them.
    void setPrompt(CorePrompt *prompt);
    /// From now on the core's messages and questions go to the terminal
    /// (CtlPrompt, `yes` answering every question); returns that prompt for
    /// a procedure to use as well.
    CorePrompt *promptOnTerminal(bool yes);

    /// Starts a subcommand's parser: --help, --controller and `description`;
    /// `withModule` adds -m BASE and -s SERIAL.
    void begin(QCommandLineParser &parser, const QString &description, bool withModule);
    /// Parses `arguments` (the subcommand's name first). False with `*code`:
    /// 0 when the help was printed, 1 with a message for a bad line or for
    /// fewer than `minWords` / more than `maxWords` positional words.
    bool parse(QCommandLineParser &parser, const QStringList &arguments, int minWords, int maxWords,
               int *code);

    /// Opens the controller and scans the bus.
    int connect();
    /// The module named by -m or -s; null with `*code` and a message when
    /// there is none or the name is bad. The module becomes the core's current one.
    BaseModule *find(const QCommandLineParser &parser, int *code);

    /// "norvctl: <message>" on stderr; returns `code`.
    int fail(int code, const QString &message);

    static QString hexAddress(quint16 base);
    /// A number in plain C form ("3000", "0.5"), as every message of the tool shows it.
    static QString number(double value);
    /// A message as one line: line breaks become spaces.
    static QString oneLine(const QString &text);

    /// True when that stream is a terminal (progress bars, clearing, asking).
    static bool stdinIsTerminal();
    static bool stdoutIsTerminal();
    static bool stderrIsTerminal();

    /// From now on Ctrl+C (SIGINT) only sets a flag and ends the current
    /// pause(); the subcommand then finishes cleanly.
    void catchInterrupt();
    /// True once Ctrl+C was pressed after catchInterrupt().
    bool interrupted() const;
    /// Runs the event loop (the core's refresh, timers) for `ms`
    /// milliseconds or until Ctrl+C; false when interrupted.
    bool pause(int ms);

private:
    CrateCore &m_core;
    QTextStream &m_out;
    QTextStream &m_err;
    QString m_controller;
    QString m_command;
    CorePrompt *m_prompt = nullptr;
    std::unique_ptr<CtlInterrupt> m_interrupt;
    std::unique_ptr<CtlPrompt> m_terminalPrompt;
};
