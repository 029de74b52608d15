// Burn and verify of a 64 KiB firmware image (4096 S2 records of 16 bytes)
// into each module of the default crate, driven through the crate core's
// refresh ticks as fast as they can run (no 20 ms timer), with simulated time
// moved one second per countdown step.
//
// Prints, for the burn and verify passes: records per second, refresh ticks
// and bus cycles per record, and what the same passes take when every tick
// waits for the 20 ms refresh timer, as in the program.
//
//   build/bin/bench_firmware [latency in microseconds, default: 0 and 300]
#include <BaseModule.h>
#include <CrateCore.h>
#include <FirmwareTransfer.h>
#include <Sequence.h>
#include <norvsim.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QLoggingCategory>
#include <QSettings>
#include <QTemporaryDir>

#include <cstdio>

namespace {

constexpr int ImageBytes = 64 * 1024;
constexpr int RecordBytes = 16;

QByteArray s2Record(quint32 address, const QByteArray &data)
{
    QByteArray body;
    body.append(char(address >> 16)).append(char(address >> 8)).append(char(address));
    body.append(data);
    quint32 sum = quint32(body.size() + 1);
    for (char byte : body)
        sum += quint8(byte);
    body.prepend(char(body.size() + 1));
    body.append(char(~sum));
    return "S2" + body.toHex().toUpper();
}

QString writeImage(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return QString();
    for (int at = 0; at < ImageBytes; at += RecordBytes) {
        QByteArray data;
        for (int i = 0; i < RecordBytes; ++i)
            data.append(char((at + i) * 7));
        file.write(s2Record(quint32(0x0E0000 + at), data) + "\n");
    }
    return path;
}

struct Passes
{
    long long ticks = 0, records = 0, cycles = 0;
    double ms = 0, tickMs = 0;
    bool completed = false;
};

Passes burnAndVerify(const QString &file, int slot)
{
    CrateCore core;
    core.setThreadedReads(false);
    core.initModuleAccess();
    core.selectModule(slot);
    FirmwareTransfer transfer;
    transfer.updateDeviceClass(quint16(core.currentModule()->deviceClass()));
    transfer.attach(core, QString());
    Passes passes;
    QObject::connect(&transfer, &FirmwareTransfer::sendHexLine, [&] { ++passes.records; });
    bool counting = false;
    QObject::connect(&transfer, &FirmwareTransfer::countdownRunning,
                     [&](bool running) { counting = running; });

    if (!transfer.start(file, true))
        return passes;
    QElapsedTimer clock;
    const int base = slot == 0 ? 0x4000 : 0x8000; // the default crate
    while (transfer.isRunning()) {
        const int state = transfer.state();
        const bool inPasses
            = state >= FirmwareTransfer::Burning && state <= FirmwareTransfer::Verifying;
        if (inPasses && !clock.isValid()) {
            clock.start();
            norvsim_reset_counters();
            passes.records = 0;
        }
        if (state == FirmwareTransfer::VerifyFinished && passes.ms == 0) {
            passes.ms = double(clock.nsecsElapsed()) / 1e6;
            passes.cycles = norvsim_cycle_count(base);
        }
        if (counting) {
            norvsim_advance_ms(1000);
            transfer.timeout();
        } else {
            core.refreshTimerUpdate();
            if (inPasses)
                ++passes.ticks;
        }
    }
    passes.completed = transfer.state() == FirmwareTransfer::Idle;
    passes.tickMs = passes.ms / double(qMax(1LL, passes.ticks));
    return passes;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QLoggingCategory::setFilterRules(QStringLiteral("default.debug=false"));
    QTemporaryDir dir;
    if (!dir.isValid())
        return 1;
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, dir.path());
    const QString file = writeImage(dir.filePath(QStringLiteral("image.hex")));
    const QList<QByteArray> latencies
        = argc > 1 ? QList<QByteArray> {argv[1]} : QList<QByteArray> {"0", "300"};

    std::printf("burn + verify of %d KiB in %d-byte S2 records (%d records per pass)\n",
                ImageBytes / 1024, RecordBytes, ImageBytes / RecordBytes);
    for (const QByteArray &latency : latencies) {
        qputenv("NORV_SIM_TIMESCALE", "0");
        qputenv("NORV_SIM_LATENCY_US", latency);
        for (int slot = 0; slot < 2; ++slot) {
            norvsim_reset("");
            const Passes p = burnAndVerify(file, slot);
            const double perRecord = double(p.ticks) / double(qMax(1LL, p.records));
            // The program times the next tick 20 ms after a reading was shown.
            const double pacedSeconds = double(p.ticks) * (20.0 + p.tickMs) / 1000.0;
            std::printf("%s us, layout %d: %s, %lld records in %.0f ms = %.0f records/s, "
                        "%.2f ticks and %.1f bus cycles per record, %.3f ms per tick; "
                        "paced by the 20 ms refresh: %.0f s\n",
                        latency.constData(), slot == 0 ? 20 : 29,
                        p.completed ? "completed" : "FAILED", p.records, p.ms,
                        1000.0 * double(p.records) / qMax(1e-9, p.ms), perRecord,
                        double(p.cycles) / double(qMax(1LL, p.records)), p.tickMs, pacedSeconds);
        }
    }
    return 0;
}
