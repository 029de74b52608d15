#include "SimBus.h"

#include "norvsim.h"

#include <QFile>

#include <cstring>

quint16 SimBus::read16(quint32 address, bool *ok, quint16 fallback)
{
    uint16_t data = fallback;
    const int status = norvsim_bus_read(address, am, 2, &data);
    if (ok)
        *ok = status == 0;
    return data;
}

bool SimBus::write16(quint32 address, quint16 data)
{
    return norvsim_bus_write(address, am, 2, data) == 0;
}

quint32 SimBus::read32(quint32 address)
{
    const quint32 high = read16(address, nullptr, 0);
    return high << 16 | read16(address + 2, nullptr, 0);
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
        const quint8 c0 = quint8(record[k]);
        const quint8 c1 = k + 1 < record.size() ? quint8(record[k + 1]) : 0;
        write16(base + 0x60 + quint32(k), quint16(c0 << 8 | c1));
    }
    write16(base + 0x3B2, 2);
}

void SimBus::sendRecord29(quint32 base, const QByteArray &record)
{
    QByteArray padded = record;
    while (padded.size() % 4)
        padded.append('0');
    for (int k = 0; k < padded.size(); k += 4) {
        const quint32 word = quint32(quint8(padded[k])) << 24 | quint32(quint8(padded[k + 1])) << 16
            | quint32(quint8(padded[k + 2])) << 8 | quint8(padded[k + 3]);
        write32(base + 0x100 + quint32(k), word);
    }
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
    QByteArray text
        = "S" + QByteArray::number(type) + QByteArray::number(count, 16).rightJustified(2, '0');
    text += bytes.toHex();
    text += QByteArray::number(~sum & 0xFF, 16).rightJustified(2, '0');
    return text.toUpper();
}

QString SimBus::writeFile(const QString &dir, const QString &name, const QByteArray &json)
{
    const QString path = dir + '/' + name;
    QFile file(path);
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        file.write(json);
    return path;
}
