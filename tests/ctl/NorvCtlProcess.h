#pragma once

// norvctl run as a process over the simulated crate, with a private settings
// folder, a bus trace and the variables a test adds.

#include <QDeadlineTimer>
#include <QFile>
#include <QProcess>

#include <csignal>
#include <functional>

struct NorvCtlProcess
{
    QString folder;
    QByteArray out;
    QByteArray err;
    int timeoutMs = 30000;

    /// The tool's exit code, -1 after a crash or timeoutMs; with `ready`, `signal`
    /// is sent once ready() holds (stdout is read meanwhile).
    int run(const QStringList &arguments, const QStringList &env = {},
            const std::function<bool()> &ready = {}, int signal = SIGINT)
    {
        QProcess process;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        for (const QString &pair :
             QStringList {"XDG_CONFIG_HOME=" + folder, "NORV_SIM_TRACE=" + trace()} + env)
            environment.insert(pair.section('=', 0, 0), pair.section('=', 1));
        process.setProcessEnvironment(environment);
        QFile::remove(trace());
        process.start(qEnvironmentVariable("NORVCTL"), arguments);
        const QDeadlineTimer deadline(timeoutMs);
        for (out.clear();
             ready && !deadline.hasExpired() && process.state() != QProcess::NotRunning;
             out += process.readAllStandardOutput()) {
            if (ready() && ::kill(pid_t(process.processId()), signal) == 0)
                break;
            process.waitForReadyRead(50);
        }
        if (!process.waitForFinished(int(qMax<qint64>(0, deadline.remainingTime())))) {
            process.kill();
            process.waitForFinished();
            return -1;
        }
        out += process.readAllStandardOutput();
        err = process.readAllStandardError();
        return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    }

    /// Bus writes in the last run's trace.
    int writes() const
    {
        QFile file(trace());
        return file.open(QIODevice::ReadOnly) ? int(file.readAll().count(" W ")) : 0;
    }
    QString trace() const { return folder + "/trace"; }
};
