// The main window's refresh cycle on the simulated crate with zero bus
// latency: bus cycles per tick and per pass over the table compared with what
// the refresh algorithm reads, CPU time of one tick, and resident memory
// before and after 100,000 ticks.
//
// Run from the build tree: build/bin/bench_refresh
// The figures are printed first; Google Benchmark's table follows.
#include <BaseModule.h>
#include <CrateCore.h>
#include <NorvControl.h>
#include <norvsim.h>

#include <benchmark/benchmark.h>

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSettings>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>
#include <ctime>
#include <memory>
#include <unistd.h>

namespace {

/// Bus cycles the refresh algorithm reads from one module, by register layout
/// (every float and every 32-bit word is two D16 cycles).
struct LayoutCost
{
    int connection; ///< serial number and identity, every module, every tick
    int tickStart; ///< module control and status of the current module
    int channelRow; ///< six values and four words of one row
    int selectedRow; ///< the selected row's four interlock limits
    int moduleStep; ///< supplies, temperature, limits, ramp speeds, event words, interlock out
    int passPerModule; ///< all-modules pass: temperature
    int passPerChannel; ///< all-modules pass: measured voltage and current, set voltage, status
};

// Layout 20: 16-bit words; module step = 6 floats (supplies, temperature,
// limits) + 2 ramp speeds (4 cycles) + 5 16-bit event words and restart time
// + 2 32-bit group words + 6 interlock words = 12 + 4 + 5 + 4 + 6.
constexpr LayoutCost Layout20 {4, 2, 12 + 4, 8, 12 + 4 + 5 + 4 + 6, 2, 6 + 1};
// Layout 29: 32-bit words, no current ramp speed (class 29 shows "-----"),
// no interlock-out registers: module step = 12 + 2 + 7 words x 2.
constexpr LayoutCost Layout29 {4, 4, 12 + 8, 8, 12 + 2 + 14, 2, 6 + 2};

const LayoutCost &costOf(int deviceClass) { return deviceClass == 29 ? Layout29 : Layout20; }

struct Crate
{
    const char *name;
    QString path; ///< empty: the default crate
};

QList<Crate> g_crates;

bool resetCrate(const Crate &crate)
{
    if (crate.path.isEmpty()) {
        qunsetenv("NORV_SIM_CRATE");
        return norvsim_reset("") == 0;
    }
    return norvsim_reset(QFile::encodeName(crate.path).constData()) == 0;
}

QString writeEightModuleCrate(const QString &dir)
{
    QJsonArray modules;
    for (int i = 0; i < 8; ++i) {
        modules.append(QJsonObject {{QStringLiteral("base"), 0x1000 * i},
                                    {QStringLiteral("class"), 29},
                                    {QStringLiteral("serial"), 5000 + i},
                                    {QStringLiteral("channels"), 24}});
    }
    const QString path = QDir(dir).filePath(QStringLiteral("eight24.json"));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return QString();
    file.write(QJsonDocument(QJsonObject {{QStringLiteral("modules"), modules}}).toJson());
    return path;
}

qint64 totalCycles()
{
    qint64 total = 0;
    for (int i = 0; i < norvsim_module_count(); ++i)
        total += qMax<qint64>(0, norvsim_cycle_count(norvsim_module_base(i)));
    return total;
}

long residentKiB()
{
    FILE *statm = std::fopen("/proc/self/statm", "r");
    if (!statm)
        return -1;
    long size = 0, resident = 0;
    const int fields = std::fscanf(statm, "%ld %ld", &size, &resident);
    std::fclose(statm);
    return fields == 2 ? resident * (sysconf(_SC_PAGESIZE) / 1024) : -1;
}

double cpuSeconds() { return double(std::clock()) / CLOCKS_PER_SEC; }

QTableWidget *channelTable(NorvControl &window)
{
    return window.findChild<QTableWidget *>(QStringLiteral("table"));
}

/// A main window on the crate, shown modules in state 2, the refresh timer
/// stopped (the benchmark drives the ticks) and row 0 selected.
std::unique_ptr<NorvControl> openWindow(const Crate &crate)
{
    if (!resetCrate(crate)) {
        std::fprintf(stderr, "crate %s: %s\n", crate.name, norvsim_last_error());
        return nullptr;
    }
    auto window = std::make_unique<NorvControl>(QStringList {});
    window->crate()->stopRefresh();
    // Identification and the first display happen in the first ticks.
    for (int tick = 0; tick < 60; ++tick)
        window->crate()->refreshTimerUpdate();
    channelTable(*window)->setCurrentCell(0, 0);
    return window;
}

/// Ticks until the next tick is the one with the module step.
void alignToModuleStep(NorvControl &window)
{
    const int rows = channelTable(window)->rowCount();
    while (window.crate()->rowCursor() < rows)
        window.crate()->refreshTimerUpdate();
}

struct Implied
{
    qint64 channelTick = 0;
    qint64 moduleStepTick = 0;
    qint64 pass = 0;
    qint64 allModulesPass = 0;
};

Implied implied(NorvControl &window)
{
    Implied result;
    qint64 connection = 0;
    for (int slot = 0; slot < window.crate()->moduleCount(); ++slot) {
        BaseModule *module = window.crate()->module(slot);
        const LayoutCost &cost = costOf(module->deviceClass());
        connection += cost.connection;
        result.allModulesPass
            += cost.passPerModule + qint64(module->GetModuleChannelNumber()) * cost.passPerChannel;
    }
    const LayoutCost &current = costOf(window.crate()->currentModule()->deviceClass());
    const int rows = channelTable(window)->rowCount();
    result.channelTick = connection + current.tickStart + current.channelRow;
    result.moduleStepTick = result.channelTick + current.moduleStep + current.selectedRow;
    result.pass = qint64(rows) * result.channelTick + current.moduleStep + current.selectedRow;
    return result;
}

void printCycleFigures(const Crate &crate)
{
    std::unique_ptr<NorvControl> window = openWindow(crate);
    if (!window)
        return;
    const int rows = channelTable(*window)->rowCount();
    const Implied expected = implied(*window);

    alignToModuleStep(*window);
    norvsim_reset_counters();
    window->crate()->refreshTimerUpdate(); // module step + row 0 (selected)
    const qint64 moduleStepTick = totalCycles();
    norvsim_reset_counters();
    window->crate()->refreshTimerUpdate(); // row 1
    const qint64 channelTick = totalCycles();

    alignToModuleStep(*window);
    norvsim_reset_counters();
    for (int tick = 0; tick < rows; ++tick)
        window->crate()->refreshTimerUpdate();
    const qint64 pass = totalCycles();

    window->findChild<QAction *>(QStringLiteral("actionModuleOverview"))->trigger();
    alignToModuleStep(*window);
    norvsim_reset_counters();
    for (int tick = 0; tick < rows; ++tick)
        window->crate()->refreshTimerUpdate();
    const qint64 passWithOverview = totalCycles();

    std::printf("\n%s: %d modules, current module %d rows\n", crate.name,
                window->crate()->moduleCount(), rows);
    std::printf("  %-44s %10s %10s\n", "bus cycles (D16)", "measured", "algorithm");
    std::printf("  %-44s %10lld %10lld\n", "tick, unselected row", qlonglong(channelTick),
                qlonglong(expected.channelTick));
    std::printf("  %-44s %10lld %10lld\n", "tick with module step, selected row 0",
                qlonglong(moduleStepTick), qlonglong(expected.moduleStepTick));
    std::printf("  %-44s %10lld %10lld\n", "full pass over the table", qlonglong(pass),
                qlonglong(expected.pass));
    std::printf("  %-44s %10lld %10lld\n", "full pass, overview visible",
                qlonglong(passWithOverview), qlonglong(expected.pass + expected.allModulesPass));
    std::printf("  (as written the algorithm reads the current module's serial number once more "
                "per tick, +2 cycles, and each module's in the all-modules pass, +2 per module; "
                "the program uses the connection step's reading of the same tick)\n");
}

void printMemoryFigures(const Crate &crate, bool overview)
{
    constexpr int Ticks = 100000;
    std::unique_ptr<NorvControl> window = openWindow(crate);
    if (!window)
        return;
    if (overview)
        window->findChild<QAction *>(QStringLiteral("actionModuleOverview"))->trigger();
    // Let the window settle: item views create their items in the first passes.
    for (int tick = 0; tick < 2000; ++tick)
        window->crate()->refreshTimerUpdate();
    QCoreApplication::processEvents();
    const long before = residentKiB();
    const double cpuStart = cpuSeconds();
    for (int tick = 1; tick <= Ticks; ++tick) {
        window->crate()->refreshTimerUpdate();
        // What the event loop would do between two ticks.
        if (tick % 50 == 0)
            QCoreApplication::processEvents();
    }
    const double cpu = cpuSeconds() - cpuStart;
    const long after = residentKiB();
    std::printf("%s%s: RSS %ld KiB before, %ld KiB after %d ticks (%+ld KiB); %.1f us CPU per "
                "tick on average\n",
                crate.name, overview ? " with overview" : "", before, after, Ticks, after - before,
                cpu * 1e6 / Ticks);
}

void tickBenchmark(benchmark::State &state, const Crate &crate, bool overview)
{
    std::unique_ptr<NorvControl> window = openWindow(crate);
    if (!window) {
        state.SkipWithError("crate not available");
        return;
    }
    if (overview)
        window->findChild<QAction *>(QStringLiteral("actionModuleOverview"))->trigger();
    norvsim_reset_counters();
    for (auto _ : state)
        window->crate()->refreshTimerUpdate();
    state.counters["cycles_per_tick"]
        = benchmark::Counter(double(totalCycles()), benchmark::Counter::kAvgIterations);
}

/// Only the tick that does the module step (and, with the overview shown,
/// the all-modules pass); the channel ticks in between are not timed.
void moduleStepTickBenchmark(benchmark::State &state, const Crate &crate, bool overview)
{
    std::unique_ptr<NorvControl> window = openWindow(crate);
    if (!window) {
        state.SkipWithError("crate not available");
        return;
    }
    if (overview)
        window->findChild<QAction *>(QStringLiteral("actionModuleOverview"))->trigger();
    qint64 cycles = 0;
    for (auto _ : state) {
        state.PauseTiming();
        alignToModuleStep(*window);
        norvsim_reset_counters();
        state.ResumeTiming();
        window->crate()->refreshTimerUpdate();
        state.PauseTiming();
        cycles += totalCycles();
        state.ResumeTiming();
    }
    state.counters["cycles_per_tick"]
        = benchmark::Counter(double(cycles), benchmark::Counter::kAvgIterations);
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // Frozen simulated time: the crate's physics costs nothing and every run
    // reads the same values. No bus latency: the program's own cost is measured.
    qputenv("NORV_SIM_TIMESCALE", "0");
    qputenv("NORV_SIM_LATENCY_US", "0");
    QApplication app(argc, argv);

    QTemporaryDir dir;
    if (!dir.isValid())
        return 1;
    // A settings store of its own: the bench never reads the user's choice of bridge.
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, dir.path());
    g_crates = {{"default crate", QString()},
                {"eight 24-channel modules", writeEightModuleCrate(dir.path())}};

    for (const Crate &crate : g_crates)
        printCycleFigures(crate);
    std::printf("\n");
    std::fflush(stdout);

    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    for (const Crate &crate : g_crates) {
        const std::string name = crate.path.isEmpty() ? "default" : "eight24";
        benchmark::RegisterBenchmark(("tick/" + name).c_str(), tickBenchmark, crate, false);
        benchmark::RegisterBenchmark(("tick/" + name + "/overview").c_str(), tickBenchmark, crate,
                                     true);
        benchmark::RegisterBenchmark(("module_step_tick/" + name).c_str(), moduleStepTickBenchmark,
                                     crate, false);
        benchmark::RegisterBenchmark(("module_step_tick/" + name + "/overview").c_str(),
                                     moduleStepTickBenchmark, crate, true);
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();

    std::printf("\n");
    for (const Crate &crate : g_crates)
        printMemoryFigures(crate, false);
    printMemoryFigures(g_crates.first(), true);
    return 0;
}
