#pragma once

#include <QCommandLineParser>
#include <QString>
#include <QStringList>
#include <QTextStream>

class BaseModule;
class CorePrompt;
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

    CrateCore &core() { return m_core; }
    QTextStream &out() { return m_out; }
    QTextStream &err() { return m_err; }

    /// The controller named before the subcommand; a subcommand's own
    /// --controller replaces it.
    void setController(const QString &name) { m_controller = name; }
    /// Who answers the core's questions; the default answers none of them.
    void setPrompt(CorePrompt *prompt);

    /// Starts a subcommand's parser: --help, --controller and `description`;
    /// `withModule` adds -m BASE and -s SERIAL.
    void begin(QCommandLineParser &parser, const QString &description, bool withModule);
    /// Parses `arguments` (the subcommand's name first). False with `*code`:
    /// 0 when the help was printed, 1 with a message for a bad line or for
    /// fewer than `minWords` / more than `maxWords` positional words.
    bool parse(QCommandLineParser &parser, const QStringList &arguments, int minWords,
               int maxWords, int *code);

    /// Opens the controller and scans the bus.
    int connect();
    /// The module named by -m or -s; null with `*code` and a message when
    /// there is none or the name is bad. The module becomes the core's current one.
    BaseModule *find(const QCommandLineParser &parser, int *code);

    /// "norvctl: <message>" on stderr; returns `code`.
    int fail(int code, const QString &message);

    static QString hexAddress(quint16 base);

private:
    CrateCore &m_core;
    QTextStream &m_out;
    QTextStream &m_err;
    QString m_controller;
    QString m_command;
    CorePrompt *m_prompt = nullptr;
};
