// Register transactions per second a script makes through `mod` against the
// same loop in C++, both in a thread of their own over the simulated crate at
// 0 latency while the refresh cycle runs in the main thread.
//
// The loop writes a set voltage and reads it back (one transaction each) on
// channel 0 of the 12-channel module; it also reports the torn accesses the
// simulator counted and the refresh ticks shown meanwhile.
//
//   build/bin/bench_script [iterations, default 100000]
#include <BaseModule.h>
#include <CrateCore.h>
#include <ScriptThread.h>
#include <norvsim.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QLoggingCategory>
#include <QSettings>
#include <QTemporaryDir>

#include <cstdio>
#include <functional>

namespace {

struct Pass
{
    double seconds = 0;
    int ticks = 0;
    long long torn = 0;
    QString outcome;
};

/// Runs `thread` to its end with the event loop (and so the refresh) going.
Pass measure(CrateCore &core, QThread &thread, const std::function<void()> &start)
{
    Pass pass;
    const QMetaObject::Connection counting
        = QObject::connect(&core, &CrateCore::tickRead, [&] { ++pass.ticks; });
    QEventLoop loop;
    QObject::connect(&thread, &QThread::finished, &loop, &QEventLoop::quit);
    norvsim_reset_counters();
    QElapsedTimer clock;
    clock.start();
    start();
    loop.exec();
    pass.seconds = double(clock.nsecsElapsed()) / 1e9;
    pass.torn = norvsim_torn_access_count();
    QObject::disconnect(counting);
    return pass;
}

void report(const char *what, const Pass &pass, int iterations)
{
    const double rate = 2.0 * iterations / pass.seconds;
    std::printf("%-6s %8.3f s  %10.0f transactions/s  ticks %5d  torn %lld  %s\n", what,
                pass.seconds, rate, pass.ticks, pass.torn, qPrintable(pass.outcome));
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int iterations = argc > 1 ? QByteArray(argv[1]).toInt() : 100000;
    QLoggingCategory::setFilterRules(QStringLiteral("default.debug=false"));
    QTemporaryDir dir;
    if (!dir.isValid())
        return 1;
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, dir.path());
    qputenv("NORV_SIM_LATENCY_US", "0");
    norvsim_reset("");

    CrateCore core;
    core.initModuleAccess();
    BaseModule *module = core.module(0);
    if (!module || !core.isRefreshRunning())
        return 1;

    ScriptThread script(module, &core);
    QObject::connect(&script, &ScriptThread::scriptMessage,
                     [&](const QString &line) { std::printf("  script: %s\n", qPrintable(line)); });
    const QString text = QStringLiteral("var wrong = 0;"
                                        "for (var i = 0; i < %1; ++i) {"
                                        "    var v = (i % 4000) * 0.25;"
                                        "    mod.SetChannelVoltageSet(0, v);"
                                        "    if (mod.GetChannelVoltageSet(0) !== v) ++wrong;"
                                        "}"
                                        "wrong")
                             .arg(iterations);
    const Pass js = measure(core, script, [&] { script.runScript(text); });

    int wrong = 0;
    QThread *native = QThread::create([&] {
        for (int i = 0; i < iterations; ++i) {
            const float v = float(i % 4000) * 0.25f;
            module->SetChannelVoltageSet(0, v);
            if (module->GetChannelVoltageSet(0) != v)
                ++wrong;
        }
    });
    Pass cpp = measure(core, *native, [&] { native->start(); });
    cpp.outcome = QStringLiteral("wrong read-backs %1").arg(wrong);
    delete native;

    std::printf("%d iterations of set + read back, 0 us latency, refresh running:\n", iterations);
    report("script", js, iterations);
    report("C++", cpp, iterations);
    std::printf("script / C++ = %.2f\n", cpp.seconds / js.seconds);
    return 0;
}
