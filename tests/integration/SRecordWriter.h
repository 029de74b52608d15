#pragma once

#include <QByteArray>
#include <QList>

/// Builds Motorola S-record lines with correct count and checksum fields, so
/// tests can make firmware files of any shape.
namespace SRecordWriter {

/// One record: type 0..9, address, data bytes. `corruptChecksum` flips it.
QByteArray record(int type, quint32 address, const QByteArray &data, bool corruptChecksum = false);
/// A small firmware image: an S0 header carrying `header`, `dataRecords` S2
/// records of 16 bytes from 0x0E8000 on, and an S8 end record.
QList<QByteArray> firmware(const QByteArray &header, int dataRecords);

} // namespace SRecordWriter
