// One full profile load into the 24-channel module of the default crate:
// reading the file and the whole write sequence with its stop mode, two
// channel passes, store request and store completion.
//
// At 0 latency with simulated time advanced 1 ms per pause, it counts the bus
// cycles and compares them with the count the sequence implies: every layout-29
// register is two D16 cycles, and the sequence makes 1 stop request, 3 writes
// per channel in the first pass, 8 module values, 13 accesses per channel in
// the second pass (the read-backs match at once), the store request, the final
// control word, and one read per pause (stop mode, store request, store
// completion). Then it times the same load at 300 us per cycle in real time,
// with the window's own wait.
//
//   build/bin/bench_profile [latency in microseconds, default 300]
#include <BaseModule.h>
#include <CorePrompt.h>
#include <CrateCore.h>
#include <ProfileReader.h>
#include <ProfileSave.h>
#include <ProfileWrite.h>
#include <Sequence.h>
#include <norvsim.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLoggingCategory>
#include <QSettings>
#include <QTemporaryDir>

#include <cstdio>

namespace {

constexpr int Base29 = 0x8000;

struct PrintingPrompt : CorePrompt
{
    int question(const QString &, const QString &text, int) override { return print(text, No); }
    int information(const QString &, const QString &text, int) override { return print(text, Ok); }
    int warning(const QString &, const QString &text, int) override { return print(text, Ok); }
    int print(const QString &text, int answer)
    {
        std::printf("  operator is told: %s\n", qPrintable(text));
        return answer;
    }
};

struct Load
{
    qint64 cycles = 0;
    int pauses = 0;
    double ms = 0;
};

/// Saves the 24-channel module into `path` and loads it back; `realTime`
/// pauses with the crate core's wait, otherwise simulated time moves 1 ms.
Load loadOnce(const QString &path, bool realTime)
{
    Load load;
    PrintingPrompt prompt;
    CrateCore core;
    core.setThreadedReads(false);
    core.initModuleAccess();
    core.selectModule(1);
    const std::unique_ptr<Sequence> sequence = core.beginSequence();
    if (!sequence || !ProfileSave::save(*sequence, path, prompt))
        return load;
    const ProfileWrite::Wait wait = [&](int ms) {
        ++load.pauses;
        if (realTime)
            core.wait(ms);
        else
            norvsim_advance_ms(ms);
    };
    norvsim_reset_counters();
    QElapsedTimer clock;
    clock.start();
    const ProfileLoad profile
        = ProfileReader::read(path, sequence->module()->GetModuleChannelNumber());
    ProfileWrite::run(*sequence, profile.record, wait, prompt, [](const QString &) {});
    load.ms = double(clock.nsecsElapsed()) / 1e6;
    load.cycles = norvsim_cycle_count(Base29);
    return load;
}

} // namespace

int main(int argc, char **argv)
{
    const QByteArray latency = argc > 1 ? QByteArray(argv[1]) : QByteArray("300");
    QCoreApplication app(argc, argv);
    // The sequence's debug lines would bury the numbers.
    QLoggingCategory::setFilterRules(QStringLiteral("default.debug=false"));
    QTemporaryDir dir;
    if (!dir.isValid())
        return 1;
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, dir.path());
    const QString path = dir.filePath(QStringLiteral("4712.txt"));

    qputenv("NORV_SIM_TIMESCALE", "0");
    qputenv("NORV_SIM_LATENCY_US", "0");
    norvsim_reset("");
    const Load counted = loadOnce(path, false);
    const int channels = 24;
    const qint64 implied = 2 * (1 + 3 * channels + 8 + 13 * channels + 1 + 1 + counted.pauses);
    std::printf("profile load into a %d-channel module, 0 us per cycle:\n", channels);
    std::printf("  bus cycles %lld, implied %lld = 2 x (11 + 16 x %d + %d pauses)\n",
                counted.cycles, implied, channels, counted.pauses);

    qputenv("NORV_SIM_TIMESCALE", "1");
    qputenv("NORV_SIM_LATENCY_US", latency);
    norvsim_reset("");
    const Load timed = loadOnce(path, true);
    std::printf("profile load at %s us per cycle, real time:\n", latency.constData());
    std::printf("  wall time %.1f ms, bus cycles %lld, pauses %d\n", timed.ms, timed.cycles,
                timed.pauses);
    return 0;
}
