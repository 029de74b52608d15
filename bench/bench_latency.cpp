// The refresh at real bus latency: every cycle (or every multi-cycle
// transfer) of the simulated crate takes a 300 us round trip, as on a USB
// bridge. For the default crate and for eight 24-channel modules, through the
// VM-USB (single cycles) and the V1718 (one transfer per step), it prints the
// wall time of a channel tick, of a tick with the module step, of a full pass
// over the rows with the overview open, and the longest time the event loop
// of the thread that owns the crate core stood still while the refresh ran on
// its timer with the overview open.
//
//   build/bin/bench_latency [latency in microseconds, default 300]
#include <CrateCore.h>
#include <CrateView.h>
#include <norvsim.h>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSettings>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>

namespace {

struct OverviewView : CrateView
{
    bool overview = false;
    int selectedChannel() const override { return 0; }
    bool overviewShown() const override { return overview; }
    bool onceRunPending() const override { return false; }
    bool crateDialogShown() const override { return false; }
};

QString writeEightModuleCrate(const QString &dir)
{
    QJsonArray modules;
    for (int i = 0; i < 8; ++i) {
        modules.append(QJsonObject {{QStringLiteral("base"), 0x1000 * i},
                                    {QStringLiteral("class"), 29},
                                    {QStringLiteral("serial"), 5000 + i}});
    }
    const QString path = QDir(dir).filePath(QStringLiteral("eight24.json"));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return QString();
    file.write(QJsonDocument(QJsonObject {{QStringLiteral("modules"), modules}}).toJson());
    return path;
}

double msOf(const QElapsedTimer &clock) { return double(clock.nsecsElapsed()) / 1e6; }

/// Ticks on demand until the next tick does the module step.
void alignToModuleStep(CrateCore &core)
{
    while (core.rowCursor() < core.rowCount())
        core.refreshTimerUpdate();
}

void measure(const char *crateName, const QString &cratePath, const char *bridge)
{
    if (norvsim_reset(cratePath.isEmpty() ? "" : QFile::encodeName(cratePath).constData()) != 0) {
        std::printf("%s: %s\n", crateName, norvsim_last_error());
        return;
    }
    QSettings(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("Norvtek"),
              QStringLiteral("norvcontrol"))
        .setValue(QStringLiteral("VmeController"), QString::fromLatin1(bridge));
    OverviewView view;
    CrateCore core;
    core.setView(&view);
    core.initModuleAccess();
    core.stopRefresh();
    // Show the module and learn every step once, with and without the overview.
    for (bool overview : {false, true}) {
        view.overview = overview;
        for (int tick = 0; tick <= core.rowCount() + 1; ++tick)
            core.refreshTimerUpdate();
    }

    view.overview = false;
    alignToModuleStep(core);
    QElapsedTimer clock;
    clock.start();
    core.refreshTimerUpdate();
    const double moduleStep = msOf(clock);
    clock.start();
    core.refreshTimerUpdate();
    const double channelTick = msOf(clock);

    view.overview = true;
    alignToModuleStep(core);
    clock.start();
    for (int tick = 0; tick < core.rowCount(); ++tick)
        core.refreshTimerUpdate();
    const double pass = msOf(clock);

    // The refresh on its timer for two passes with the overview open; a
    // zero-time timer shows how long the event loop stood still at most.
    qint64 last = 0, longest = 0;
    QTimer probe;
    QObject::connect(&probe, &QTimer::timeout, [&] {
        longest = qMax(longest, clock.nsecsElapsed() - last);
        last = clock.nsecsElapsed();
    });
    int passes = 0;
    QObject::connect(&core, &CrateCore::updateAllModulesComplete, [&] { ++passes; });
    QEventLoop loop;
    QObject::connect(&core, &CrateCore::updateAllModulesComplete, &loop, [&] {
        if (passes >= 3)
            loop.quit();
    });
    clock.start();
    last = 0;
    probe.start(0);
    core.startRefresh();
    QTimer::singleShot(60000, &loop, &QEventLoop::quit);
    loop.exec();
    probe.stop();
    core.stopRefresh();

    std::printf("%-26s %-7s %10.1f %12.1f %16.1f %18.2f\n", crateName, bridge, channelTick,
                moduleStep, pass, double(longest) / 1e6);
}

} // namespace

int main(int argc, char **argv)
{
    const QByteArray latency = argc > 1 ? QByteArray(argv[1]) : QByteArray("300");
    qputenv("NORV_SIM_TIMESCALE", "0");
    qputenv("NORV_SIM_LATENCY_US", latency);
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    if (!dir.isValid())
        return 1;
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, dir.path());
    const QString eight = writeEightModuleCrate(dir.path());

    std::printf("bus round trip %s us; wall times in ms\n", latency.constData());
    std::printf("%-26s %-7s %10s %12s %16s %18s\n", "crate", "bridge", "tick", "module step",
                "pass + overview", "longest GUI block");
    for (const char *bridge : {"VM-USB", "V1718"}) {
        measure("default crate", QString(), bridge);
        measure("eight 24-channel modules", eight, bridge);
    }
    return 0;
}
