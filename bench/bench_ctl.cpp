// `norvctl status` run as a process over the simulated crate: wall time and
// bus cycles (lines of the NORV_SIM_TRACE file) for the default crate and for
// eight 24-channel modules, at 0 and 300 us per bus cycle.
//
// The cycles are split into what connecting costs (the bus scan and the
// identification of every module, measured with `status -m` naming a module
// that is not there) and what the shown values cost, which is compared with
// the count the shown registers imply: per module the serial number, status,
// control and event status words, three supplies, the temperature and two
// ramp speeds; per channel set, measured and nominal voltage and current and
// the status and control words; 32-bit registers are two D16 cycles.
//
//   build/bin/bench_ctl [runs per case, default 3]
#include <RegisterMap.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>

namespace {

struct Module
{
    int deviceClass;
    int channels;
};

struct Crate
{
    const char *name;
    QString description; // empty: the default crate
    QList<Module> modules;
};

struct Run
{
    double ms = 0;
    long long cycles = 0;
    int exitCode = -1;
};

int cycles(int deviceClass, const QList<int> &registers, bool channel)
{
    const RegisterMap *map = RegisterMap::forDeviceClass(deviceClass);
    int count = 0;
    for (int r : registers)
        count += (channel ? map->channel(RegisterMap::ChannelRegister(r))
                          : map->module(RegisterMap::ModuleRegister(r)))
                     .width
            / 16;
    return count;
}

// Bus cycles of the values `status` shows.
long long impliedCycles(const QList<Module> &modules)
{
    using R = RegisterMap;
    const QList<int> moduleWords {R::SerialNumber,      R::ModuleStatus, R::ModuleControl,
                                  R::ModuleEventStatus, R::SupplyP5,     R::SupplyP12,
                                  R::SupplyN12,         R::Temperature,  R::VoltageRampSpeed,
                                  R::CurrentRampSpeed};
    const QList<int> channelWords {R::ChannelVoltageSet,     R::ChannelVoltageMeasure,
                                   R::ChannelVoltageNominal, R::ChannelCurrentSet,
                                   R::ChannelCurrentMeasure, R::ChannelCurrentNominal,
                                   R::ChannelStatus,         R::ChannelControl};
    long long total = 0;
    for (const Module &m : modules)
        total += cycles(m.deviceClass, moduleWords, false)
            + m.channels * cycles(m.deviceClass, channelWords, true);
    return total;
}

Run runTool(const QString &tool, const QStringList &arguments, const QProcessEnvironment &env,
            const QString &trace)
{
    QFile::remove(trace);
    QProcess process;
    process.setProcessEnvironment(env);
    QElapsedTimer clock;
    clock.start();
    process.start(tool, arguments);
    Run run;
    if (!process.waitForFinished(600000))
        return run;
    run.ms = double(clock.nsecsElapsed()) / 1e6;
    run.exitCode = process.exitCode();
    QFile file(trace);
    if (file.open(QIODevice::ReadOnly))
        run.cycles = file.readAll().count('\n');
    return run;
}

// The median wall time of `runs` runs; the cycles are the same every run.
Run median(int runs, const QString &tool, const QStringList &arguments,
           const QProcessEnvironment &env, const QString &trace)
{
    QList<Run> all;
    for (int i = 0; i < runs; ++i)
        all << runTool(tool, arguments, env, trace);
    std::sort(all.begin(), all.end(), [](const Run &a, const Run &b) { return a.ms < b.ms; });
    return all.at(all.size() / 2);
}

QString writeEightModules(const QString &path)
{
    QJsonArray modules;
    for (int i = 0; i < 8; ++i)
        modules.append(
            QJsonObject {{"base", QStringLiteral("0x%1").arg(0x800 * i, 4, 16, QLatin1Char('0'))},
                         {"class", 29},
                         {"serial", 6001 + i},
                         {"channels", 24}});
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return QString();
    file.write(QJsonDocument(QJsonObject {{"modules", modules}}).toJson());
    return path;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int runs = argc > 1 ? qMax(1, atoi(argv[1])) : 3;
    QTemporaryDir dir;
    if (!dir.isValid())
        return 1;
    const QString tool = QCoreApplication::applicationDirPath() + QStringLiteral("/norvctl");
    const QString trace = dir.filePath(QStringLiteral("trace"));
    const QList<Crate> crates {
        {"default crate (12 + 24 channels)", QString(), {{20, 12}, {29, 24}}},
        {"eight 24-channel modules", writeEightModules(dir.filePath(QStringLiteral("eight.json"))),
         QList<Module>(8, Module {29, 24})}};

    std::printf("norvctl status as a process, median of %d runs\n", runs);
    for (const Crate &crate : crates) {
        for (const char *latency : {"0", "300"}) {
            QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
            env.insert(QStringLiteral("XDG_CONFIG_HOME"), dir.path());
            env.insert(QStringLiteral("LD_LIBRARY_PATH"), QCoreApplication::applicationDirPath());
            env.insert(QStringLiteral("NORV_SIM_TRACE"), trace);
            env.insert(QStringLiteral("NORV_SIM_LATENCY_US"), QString::fromLatin1(latency));
            if (!crate.description.isEmpty())
                env.insert(QStringLiteral("NORV_SIM_CRATE"), crate.description);
            // No module answers at 0xFC00 in either crate: connecting alone.
            const Run connect = median(runs, tool, {"status", "-m", "0xFC00"}, env, trace);
            const Run status = median(runs, tool, {"status"}, env, trace);
            const long long shown = status.cycles - connect.cycles;
            const long long implied = impliedCycles(crate.modules);
            std::printf("%s, %s us per cycle: status %s in %.0f ms, %lld bus cycles; connecting "
                        "%.0f ms, %lld cycles; the shown values %lld cycles, implied by the "
                        "registers shown %lld (%+lld)\n",
                        crate.name, latency, status.exitCode == 0 ? "ok" : "FAILED", status.ms,
                        status.cycles, connect.ms, connect.cycles, shown, implied, shown - implied);
        }
    }
    return 0;
}
