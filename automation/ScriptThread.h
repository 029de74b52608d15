#pragma once

#include <QMutex>
#include <QPointer>
#include <QString>
#include <QThread>
#include <QWaitCondition>

class BaseModule;
class CrateCore;
class QJSEngine;

/// Runs the operator's script against one module in a thread of its own, a
/// fresh script engine per run. Scripts see the module as `mod` and
/// delay() / print() as `script`, both through objects that offer exactly
/// those operations. A run can be stopped: the engine is interrupted and a
/// pending delay() ends at once.
///
/// The object itself belongs to the thread that made it (the GUI thread);
/// only run() and what scripts call run in the script thread.
class ScriptThread : public QThread
{
    Q_OBJECT

public:
    /// How a run ended.
    enum Outcome {
        Completed, ///< the script ran to its end
        SyntaxError, ///< the script does not parse; nothing ran
        Exception, ///< an uncaught exception ended it
        Stopped ///< stopScript() ended it
    };
    Q_ENUM(Outcome)

    /// `module` is what scripts see as `mod` (null: `mod` is null). `crate`
    /// owns it: its module-use lock keeps the module alive during each call,
    /// and its sequences refuse a script's writes. Without a crate the caller
    /// keeps the module alive. Reads "test.js" as the first script text.
    explicit ScriptThread(BaseModule *module, CrateCore *crate = nullptr);
    /// Stops a running script and waits for its end.
    ~ScriptThread() override;

    /// Reads the script text from `fileName` (relative to the working
    /// directory); a missing or unreadable file is reported and changes nothing.
    void setScriptFile(const QString &fileName);
    QString scriptFile() const { return m_fileName; }
    QString scriptText() const;

    /// The module the next run gives to scripts, null once it has gone.
    BaseModule *module() const;
    /// True when a module was given and has gone since (the list was rebuilt).
    bool moduleGone() const;
    /// The module for later runs; the running script keeps its own.
    void setModule(BaseModule *module);

    /// A non-empty `script` becomes the stored text; then a run of the stored
    /// text starts, unless a script is running.
    void runScript(const QString &script);
    /// Ends the running script, if any, and says so in one message.
    void stopScript();

public slots:
    /// Pauses the script thread for `milliSeconds`, less when stopped.
    void delay(int milliSeconds);
    /// Passes `message` on as scriptMessage.
    void print(const QString &message);

signals:
    /// A line for the console, emitted from the thread that wrote it.
    void scriptMessage(const QString &message);
    /// What the script printed, besides its scriptMessage: a tool without a
    /// console keeps it apart from the outcome.
    void scriptPrinted(const QString &message);
    /// The end of a run, after its outcome line went out as scriptMessage:
    /// that line again and, for an error, the script line it names (0 when
    /// the engine names none).
    void scriptEnded(ScriptThread::Outcome outcome, const QString &message, int line);

protected:
    void run() override;

private:
    /// The console's line for the outcome of one evaluation, with how it
    /// ended and the line an error names.
    QString evaluate(QJSEngine &engine, const QString &text, Outcome *outcome, int *line);

    CrateCore *m_crate;
    QString m_fileName;

    mutable QMutex m_lock; // guards what both threads touch, below
    QPointer<BaseModule> m_module;
    bool m_moduleGiven = false;
    QString m_text;
    QWaitCondition m_wake;
    QJSEngine *m_engine = nullptr; // of the run in progress
    bool m_active = false; // from runScript() until run() has reported
    bool m_stop = false;
};
