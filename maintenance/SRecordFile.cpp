#include "SRecordFile.h"

#include <QCoreApplication>
#include <QFile>

namespace {

QString tr(const char *text) { return QCoreApplication::translate("SRecordFile", text); }

// Bytes of the address field of record types S0 ... S9 (S4 does not exist).
constexpr int AddressBytes[10] = {2, 2, 3, 4, -1, 2, 3, 4, 3, 2};

} // namespace

int SRecordFile::hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    const char lower = char(c | 0x20);
    return lower >= 'a' && lower <= 'f' ? lower - 'a' + 10 : -1;
}

QString SRecordFile::fault(const QByteArray &line)
{
    for (char c : line) {
        const uchar u = uchar(c);
        if (u < 0x20 || u > 0x7E)
            return tr("holds binary data (byte 0x%1), not S-record text")
                .arg(u, 2, 16, QLatin1Char('0'));
    }
    if (line.size() < 2 || line.at(0) != 'S' || line.at(1) < '0' || line.at(1) > '9'
        || AddressBytes[line.at(1) - '0'] < 0)
        return tr("does not start with a record type S0 ... S9");
    const QByteArray digits = line.mid(2);
    for (char c : digits) {
        if (hexValue(c) < 0)
            return tr("holds the character '%1', which is not a hexadecimal digit")
                .arg(QLatin1Char(c));
    }
    if (digits.size() % 2 != 0)
        return tr("has an odd number of hexadecimal digits");
    const int bytes = int(digits.size() / 2);
    if (bytes < 1)
        return tr("has no count field");
    quint32 sum = 0;
    for (int i = 0; i < bytes; ++i)
        sum += quint32(hexValue(digits.at(2 * i)) * 16 + hexValue(digits.at(2 * i + 1)));
    const int count = hexValue(digits.at(0)) * 16 + hexValue(digits.at(1));
    if (count != bytes - 1)
        return tr("announces %1 bytes but holds %2").arg(count).arg(bytes - 1);
    if (count < AddressBytes[line.at(1) - '0'] + 1)
        return tr("is too short for its address field");
    const int last = hexValue(digits.at(digits.size() - 2)) * 16 + hexValue(digits.back());
    const int expected = int(~(sum - quint32(last)) & 0xFF);
    if (last != expected)
        return tr("has the checksum %1 where %2 is due")
            .arg(QStringLiteral("%1").arg(last, 2, 16, QLatin1Char('0')).toUpper(),
                 QStringLiteral("%1").arg(expected, 2, 16, QLatin1Char('0')).toUpper());
    return QString();
}

SRecordFile SRecordFile::read(const QString &fileName)
{
    SRecordFile file;
    QFile in(fileName);
    if (!in.open(QIODevice::ReadOnly)) {
        file.m_unreadable = true;
        file.m_error = tr("Can not open HEX file %1!").arg(fileName);
        return file;
    }
    const QByteArray content = in.readAll();
    file.m_size = content.size();

    qint64 start = 0;
    for (int number = 1; start < content.size(); ++number) {
        qint64 end = content.indexOf('\n', start);
        end = end < 0 ? content.size() : end + 1;
        const QByteArray line = content.mid(start, end - start).trimmed();
        start = end;
        if (line.isEmpty())
            continue;
        const QString fault = SRecordFile::fault(line);
        if (!fault.isEmpty()) {
            file.m_records.clear();
            file.m_error = tr("HEX file %1, line %2 %3.\n\nNothing was sent to the module.")
                               .arg(fileName)
                               .arg(number)
                               .arg(fault);
            return file;
        }
        file.m_records.append(Record {line, end});
    }
    if (file.m_records.isEmpty())
        file.m_error = tr("HEX file %1 holds no S-records.\n\nNothing was sent to the module.")
                           .arg(fileName);
    return file;
}
