#pragma once

// Motorola S-records with correct count and checksum fields, so tests can make
// firmware files of any shape; written independently of the simulator's parser.

#include <QByteArray>
#include <QList>

namespace FirmwareRecords {

/// One record: type 0..9, address, data bytes. `corruptChecksum` flips the checksum.
inline QByteArray record(int type, quint32 address, const QByteArray &data,
                         bool corruptChecksum = false)
{
    static const int addressBytes[10] = {2, 2, 3, 4, 0, 2, 3, 4, 3, 2};
    QByteArray body;
    for (int i = addressBytes[type] - 1; i >= 0; --i)
        body.append(char((address >> (8 * i)) & 0xFF));
    body.append(data);
    const int count = body.size() + 1;
    quint32 sum = quint32(count);
    for (char byte : body)
        sum += quint8(byte);
    const quint8 checksum = quint8(~sum & 0xFF) ^ (corruptChecksum ? 0x5A : 0);
    return ("S" + QByteArray::number(type) + QByteArray::number(count, 16).rightJustified(2, '0')
            + body.toHex() + QByteArray::number(checksum, 16).rightJustified(2, '0'))
        .toUpper();
}

/// A small firmware file: an S0 header carrying `header`, `dataRecords` S2 records of
/// 16 bytes from 0x0E8000 on (byte n is 7n + 3), and an S8 end record.
inline QList<QByteArray> firmware(const QByteArray &header, int dataRecords)
{
    QList<QByteArray> lines {record(0, 0, header)};
    for (int r = 0; r < dataRecords; ++r) {
        QByteArray data;
        for (int i = 0; i < 16; ++i)
            data.append(char((r * 16 + i) * 7 + 3));
        lines << record(2, 0x0E8000 + quint32(r) * 16, data);
    }
    return lines << record(8, 0x0E8000, {});
}

} // namespace FirmwareRecords
