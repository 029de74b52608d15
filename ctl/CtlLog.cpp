#include "CtlLog.h"

#include "CtlInterrupt.h"
#include "CtlSession.h"

#include <CrateCore.h>
#include <CrateView.h>
#include <MeasurementRun.h>

#include <QCommandLineParser>
#include <QDateTime>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

#include <cmath>

namespace {

constexpr double MinIntervalS = 0.02; // the window's refresh interval
constexpr double MaxSeconds = 86400.0 * 24; // a QTimer counts int milliseconds
// A pass over all modules comes with the module step, at the latest after a
// tick for each of the current module's rows and one for its details.
constexpr int MaxTicksPerPass = 2 * 64 + 4;

/// The only thing the tick asks: whether a pass over all modules is wanted.
class LogView : public CrateView
{
public:
    bool passWanted = false;
    int selectedChannel() const override { return -1; }
    bool overviewShown() const override { return false; }
    bool onceRunPending() const override { return passWanted; }
    bool crateDialogShown() const override { return false; }
};

bool seconds(const QString &text, double *value)
{
    bool ok = false;
    *value = text.toDouble(&ok);
    return ok && std::isfinite(*value) && *value >= MinIntervalS && *value <= MaxSeconds;
}

} // namespace

int CtlLog::run(CtlSession &session, const QStringList &arguments)
{
    QCommandLineParser parser;
    session.begin(parser,
                  QStringLiteral("Appends the measured voltage and current of every channel of "
                                 "every module to FILE once per interval, in the window's "
                                 "measurement format (one header per run), until the count or "
                                 "the duration is reached or Ctrl+C."),
                  false);
    const QCommandLineOption intervalOption(QStringLiteral("interval"),
                                            QStringLiteral("Seconds between two readings."),
                                            QStringLiteral("S"));
    const QCommandLineOption countOption(
        QStringLiteral("count"), QStringLiteral("Stop after N readings."), QStringLiteral("N"));
    const QCommandLineOption durationOption(
        QStringLiteral("duration"), QStringLiteral("Stop after S seconds."), QStringLiteral("S"));
    parser.addOptions({intervalOption, countOption, durationOption});
    parser.addPositionalArgument(QStringLiteral("file"), QStringLiteral("The measurement file."),
                                 QStringLiteral("FILE"));
    int code = 0;
    if (!session.parse(parser, arguments, 1, 1, &code))
        return code;
    const QString range = QStringLiteral("a number of seconds from %1 to %2")
                              .arg(MinIntervalS)
                              .arg(MaxSeconds, 0, 'f', 0);
    double interval = 0;
    double duration = 0;
    if (!parser.isSet(intervalOption))
        return session.fail(CtlSession::UsageError, QStringLiteral("log needs --interval S"));
    if (!seconds(parser.value(intervalOption), &interval))
        return session.fail(CtlSession::UsageError,
                            "--interval '" + parser.value(intervalOption) + "' is not " + range);
    if (parser.isSet(countOption) && parser.isSet(durationOption))
        return session.fail(CtlSession::UsageError,
                            QStringLiteral("give --count or --duration, not both"));
    if (parser.isSet(durationOption) && !seconds(parser.value(durationOption), &duration))
        return session.fail(CtlSession::UsageError,
                            "--duration '" + parser.value(durationOption) + "' is not " + range);
    bool ok = true;
    const int count = parser.isSet(countOption) ? parser.value(countOption).toInt(&ok) : 0;
    if (!ok || (parser.isSet(countOption) && count < 1))
        return session.fail(CtlSession::UsageError,
                            "--count '" + parser.value(countOption)
                                + "' is not a number of readings from 1 up");
    if ((code = session.connect()))
        return code;
    CrateCore &core = session.core();
    if (core.moduleCount() == 0)
        return session.fail(CtlSession::ModuleNotFound, QStringLiteral("no module in the crate"));

    const QString path = parser.positionalArguments().first();
    MeasurementRun run;
    if (!run.start(path))
        return session.fail(CtlSession::FileError, "cannot write the measurement file " + path);
    LogView view;
    core.setView(&view);
    // The core outlives this view.
    const struct Forget
    {
        CrateCore &core;
        ~Forget() { core.setView(nullptr); }
    } forget {core};
    run.attach(core);
    // The tick that completes a pass goes on to report its channel row, which
    // must not be written: the pass stays wanted until the tick has ended.
    bool passDone = false;
    QObject::connect(&core, &CrateCore::updateAllModulesComplete, &run,
                     [&passDone] { passDone = true; });

    QEventLoop loop;
    CtlInterrupt interrupt;
    QObject::connect(&interrupt, &CtlInterrupt::interrupted, &loop, [&loop] { loop.exit(0); });
    QObject::connect(&run, &MeasurementRun::writeFailed, &loop,
                     [&](const QString &file, int lines) {
                         code = session.fail(CtlSession::FileError,
                                             QStringLiteral("writing %1 failed after %2 lines; "
                                                            "the lines before stay")
                                                 .arg(file)
                                                 .arg(lines));
                         loop.exit(0);
                     });
    QElapsedTimer clock;
    clock.start();
    int readings = 0;
    int missed = 0;
    // One pass over all modules; the refresh runs only for it, so every line
    // of the file comes from a complete pass.
    const auto reading = [&] {
        if (duration > 0 && clock.elapsed() >= qint64(duration * 1000)) {
            loop.exit(0);
            return;
        }
        view.passWanted = true;
        passDone = false;
        for (int tick = 0; !passDone && tick < MaxTicksPerPass; ++tick)
            core.refreshTimerUpdate();
        view.passWanted = false;
        if (!passDone) {
            ++missed;
            const int slot = core.currentModuleIndex();
            session.err() << "norvctl: " << QTime::currentTime().toString(Qt::ISODateWithMs)
                          << ": no reading: the module at "
                          << CtlSession::hexAddress(core.module(slot)->GetModuleBaseAddress())
                          << " does not answer\n";
            session.err().flush();
            // Another module may carry the next pass.
            core.selectModule((slot + 1) % core.moduleCount());
        }
        if (++readings == count)
            loop.exit(0);
    };
    QTimer timer;
    timer.setTimerType(Qt::PreciseTimer);
    timer.setInterval(int(std::lround(interval * 1000)));
    QObject::connect(&timer, &QTimer::timeout, &loop, reading);
    timer.start();
    QTimer::singleShot(0, &loop, reading);
    loop.exec();
    timer.stop();
    const int lines = run.linesWritten();
    run.stop();
    if (code)
        return code;
    session.err() << "norvctl: " << lines << " lines written to " << path << '\n';
    session.err().flush();
    if (missed > 0)
        return session.fail(
            CtlSession::Refused,
            QStringLiteral("%1 of %2 readings were missed").arg(missed).arg(readings));
    return CtlSession::Success;
}
