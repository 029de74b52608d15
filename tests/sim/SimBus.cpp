#include "SimBus.h"

#include "norvsim.h"

#include <QFile>

#include <cstring>

void SimBus::isolate()
{
    qputenv("NORV_SIM_TIMESCALE", "0");
    for (const char *name :
         {"NORV_SIM_CRATE", "NORV_SIM_NO_BRIDGE", "NORV_SIM_TRACE", "NORV_SIM_LATENCY_US"})
        qunsetenv(name);
}

quint16 SimBus::read16(quint32 address, bool *ok)
{
    uint16_t data = 0xDEAD;
    const int status = norvsim_bus_read(address, 0x29, 2, &data);
    if (ok)
        *ok = status == 0;
    return data;
}

bool SimBus::write16(quint32 address, quint16 data)
{
    return norvsim_bus_write(address, 0x29, 2, data) == 0;
}

quint32 SimBus::read32(quint32 address)
{
    return quint32(read16(address)) << 16 | read16(address + 2);
}

void SimBus::write32(quint32 address, quint32 value)
{
    write16(address, quint16(value >> 16));
    write16(address + 2, quint16(value));
}

float SimBus::readFloat(quint32 address)
{
    const quint32 bits = read32(address);
    float f;
    std::memcpy(&f, &bits, sizeof f);
    return f;
}

void SimBus::writeFloat(quint32 address, float value)
{
    quint32 bits;
    std::memcpy(&bits, &value, sizeof bits);
    write32(address, bits);
}

void SimBus::sendRecord20(quint32 base, const QByteArray &record)
{
    for (int k = 0; k < record.size(); k += 2) {
        const quint8 c1 = k + 1 < record.size() ? quint8(record[k + 1]) : 0;
        write16(base + 0x60 + quint32(k), quint16(quint8(record[k]) << 8 | c1));
    }
    write16(base + 0x3B2, 2);
}

QByteArray SimBus::record(int type, quint32 address, const QByteArray &data)
{
    static const int addressBytes[10] = {2, 2, 3, 4, 0, 2, 3, 4, 3, 2};
    QByteArray bytes;
    for (int i = addressBytes[type] - 1; i >= 0; --i)
        bytes.append(char((address >> (8 * i)) & 0xFF));
    bytes.append(data);
    const int count = bytes.size() + 1;
    unsigned sum = unsigned(count);
    for (char b : bytes)
        sum += quint8(b);
    return ("S" + QByteArray::number(type) + QByteArray::number(count, 16).rightJustified(2, '0')
            + bytes.toHex() + QByteArray::number(~sum & 0xFF, 16).rightJustified(2, '0'))
        .toUpper();
}

int SimBus::resetTo(const QString &path, const QByteArray &json)
{
    QFile file(path);
    if (!json.isNull()
        && (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)
            || file.write(json) != json.size()))
        return -2;
    file.close();
    return norvsim_reset(path.toUtf8().constData());
}
