#include "SRecordWriter.h"

namespace SRecordWriter {

namespace {
int addressBytes(int type)
{
    switch (type) {
    case 2:
    case 8:
        return 3;
    case 3:
    case 7:
        return 4;
    default:
        return 2;
    }
}
} // namespace

QByteArray record(int type, quint32 address, const QByteArray &data, bool corruptChecksum)
{
    QByteArray body;
    const int width = addressBytes(type);
    for (int i = width - 1; i >= 0; --i)
        body.append(char((address >> (8 * i)) & 0xFF));
    body.append(data);
    const int count = body.size() + 1;
    quint32 sum = quint32(count);
    for (char byte : body)
        sum += quint8(byte);
    quint8 checksum = quint8(~sum & 0xFF);
    if (corruptChecksum)
        checksum ^= 0x5A;
    const QByteArray hex = QByteArray::number(count, 16).rightJustified(2, '0') + body.toHex()
            + QByteArray::number(checksum, 16).rightJustified(2, '0');
    return "S" + QByteArray::number(type) + hex.toUpper();
}

QList<QByteArray> firmware(const QByteArray &header, int dataRecords)
{
    QList<QByteArray> lines {record(0, 0, header)};
    for (int r = 0; r < dataRecords; ++r) {
        QByteArray data;
        for (int i = 0; i < 16; ++i)
            data.append(char((r * 16 + i) * 7 + 3));
        lines << record(2, 0x0E8000 + quint32(r) * 16, data);
    }
    lines << record(8, 0x0E8000, {});
    return lines;
}

} // namespace SRecordWriter
