#pragma once

#include <QByteArray>
#include <QString>
#include <QtGlobal>

/// D16 cycles on the simulated crate's bus, the way the program makes them:
/// address modifier 0x29, 32-bit registers as two cycles, high word first.
class SimBus
{
public:
    static constexpr int am = 0x29;

    /// One read; `ok` tells whether the cycle completed. A failed read gives
    /// `fallback` (the cell the bridge would have left untouched).
    static quint16 read16(quint32 address, bool *ok = nullptr, quint16 fallback = 0xDEAD);
    static bool write16(quint32 address, quint16 data);
    static quint32 read32(quint32 address);
    static void write32(quint32 address, quint32 value);
    static float readFloat(quint32 address);
    static void writeFloat(quint32 address, float value);

    /// A record as layout 20 takes it: 16-bit words from base + 0x60, then command 2.
    static void sendRecord20(quint32 base, const QByteArray &record);
    /// A record as layout 29 takes it: "0"-padded 32-bit words from base + 0x100.
    static void sendRecord29(quint32 base, const QByteArray &record);

    /// An S-record with a correct checksum.
    static QByteArray record(int type, quint32 address, const QByteArray &data);

    /// Writes `json` to a file in `dir` and returns its path.
    static QString writeFile(const QString &dir, const QString &name, const QByteArray &json);
};
