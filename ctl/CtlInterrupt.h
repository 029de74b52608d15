#pragma once

#include <QObject>

class QSocketNotifier;

/// Ctrl+C (SIGINT) and SIGTERM as a Qt signal, for a subcommand that runs
/// until it is told to stop and then ends cleanly. The handler only writes
/// the signal's number into a pipe; the event loop reads it and emits
/// interrupted(). Each handler is taken back after its first signal, so a
/// second Ctrl+C ends a process that does not stop at once. One object at a
/// time; its destructor restores the default handlers.
class CtlInterrupt : public QObject
{
    Q_OBJECT

public:
    explicit CtlInterrupt(QObject *parent = nullptr);
    ~CtlInterrupt() override;

    /// The signal that came (SIGINT or SIGTERM), 0 while none did.
    int signalNumber() const { return m_signal; }
    /// The exit code of a process that a signal ended: 128 plus its number,
    /// as a shell reports it.
    int exitCode() const { return 128 + m_signal; }

signals:
    void interrupted(int signalNumber);

private:
    void readPipe();

    QSocketNotifier *m_notifier = nullptr;
    int m_signal = 0;
};
