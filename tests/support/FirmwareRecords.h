#pragma once

// Motorola S-records with correct count and checksum fields, so tests can make
// firmware files of any shape; written independently of the simulator's parser.

#include <QByteArray>

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

} // namespace FirmwareRecords
