#pragma once

// D16 cycles on the simulated crate's bus as the program makes them: address
// modifier 0x29, a 32-bit register as two cycles, high word first.

#include "FirmwareRecords.h"
#include "norvsim.h"

#include <QFile>

#include <cstring>

namespace SimBus {

/// Clears the simulator's variables and stops simulated time, so only the test moves it.
inline void isolate()
{
    qputenv("NORV_SIM_TIMESCALE", "0");
    for (const char *name :
         {"NORV_SIM_CRATE", "NORV_SIM_NO_BRIDGE", "NORV_SIM_TRACE", "NORV_SIM_LATENCY_US", "NORV_SIM_STATE"})
        qunsetenv(name);
}

/// A failed read gives 0xDEAD, the cell the bridge leaves untouched.
inline quint16 read16(quint32 address, bool *ok = nullptr)
{
    uint16_t data = 0xDEAD;
    const int status = norvsim_bus_read(address, 0x29, 2, &data);
    if (ok)
        *ok = status == 0;
    return data;
}

inline bool write16(quint32 address, quint16 data)
{
    return norvsim_bus_write(address, 0x29, 2, data) == 0;
}

inline quint32 read32(quint32 address)
{
    return quint32(read16(address)) << 16 | read16(address + 2);
}

inline void write32(quint32 address, quint32 value)
{
    write16(address, quint16(value >> 16));
    write16(address + 2, quint16(value));
}

inline float readFloat(quint32 address)
{
    const quint32 bits = read32(address);
    float f;
    std::memcpy(&f, &bits, sizeof f);
    return f;
}

inline void writeFloat(quint32 address, float value)
{
    quint32 bits;
    std::memcpy(&bits, &value, sizeof bits);
    write32(address, bits);
}

/// A record as layout 20 takes it: 16-bit words from base + 0x60, then command 2.
inline void sendRecord20(quint32 base, const QByteArray &record)
{
    for (int k = 0; k < record.size(); k += 2) {
        const quint8 c1 = k + 1 < record.size() ? quint8(record[k + 1]) : 0;
        write16(base + 0x60 + quint32(k), quint16(quint8(record[k]) << 8 | c1));
    }
    write16(base + 0x3B2, 2);
}

/// Writes `json` (unless null) to `path`, then norvsim_reset(path).
inline int resetTo(const QString &path, const QByteArray &json)
{
    QFile file(path);
    if (!json.isNull()
        && (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)
            || file.write(json) != json.size()))
        return -2;
    file.close();
    return norvsim_reset(path.toUtf8().constData());
}

} // namespace SimBus
