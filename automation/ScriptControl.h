#pragma once

#include <QObject>
#include <QString>

class ScriptThread;

/// What a script sees as `script`: delay() and print(), and nothing of the
/// thread that runs it (no quit() or terminate() that could end the thread
/// while it holds the bus lock).
class ScriptControl : public QObject
{
    Q_OBJECT

public:
    explicit ScriptControl(ScriptThread *thread);

    /// Pauses the script for `milliSeconds`; a stop ends the pause at once.
    Q_INVOKABLE void delay(int milliSeconds);
    /// One line for the console.
    Q_INVOKABLE void print(const QString &message);

private:
    ScriptThread *m_thread;
};
