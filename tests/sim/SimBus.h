#pragma once

#include <QByteArray>
#include <QString>

/// D16 cycles on the simulated crate's bus as the program makes them: address
/// modifier 0x29, a 32-bit register as two cycles, high word first.
class SimBus
{
public:
    /// Clears the simulator's variables and stops simulated time, so only the test moves it.
    static void isolate();
    /// One read; `ok` tells whether the cycle completed. A failed read gives
    /// 0xDEAD, the cell the bridge leaves untouched.
    static quint16 read16(quint32 address, bool *ok = nullptr);
    static bool write16(quint32 address, quint16 data);
    static quint32 read32(quint32 address);
    static void write32(quint32 address, quint32 value);
    static float readFloat(quint32 address);
    static void writeFloat(quint32 address, float value);

    /// A record as layout 20 takes it: 16-bit words from base + 0x60, then command 2.
    static void sendRecord20(quint32 base, const QByteArray &record);
    /// An S-record with a correct checksum.
    static QByteArray record(int type, quint32 address, const QByteArray &data);

    /// Writes `json` (unless null) to `path`, then norvsim_reset(path).
    static int resetTo(const QString &path, const QByteArray &json);
};
