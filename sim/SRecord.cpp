#include "SRecord.h"

#include <QRegularExpression>
#include <QString>

namespace {

int hexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

int hexByte(const std::string &text, std::size_t pos)
{
    if (pos + 1 >= text.size())
        return -1;
    const int hi = hexDigit(text[pos]);
    const int lo = hexDigit(text[pos + 1]);
    return hi < 0 || lo < 0 ? -1 : hi * 16 + lo;
}

// Address bytes by record type; 0 marks a type that does not exist.
constexpr int addressBytes[10] = {2, 2, 3, 4, 0, 2, 3, 4, 3, 2};

} // namespace

std::optional<std::size_t> SRecord::announcedLength(const std::string &text)
{
    if (text.size() < 4 || text[0] != 'S')
        return std::nullopt;
    const int count = hexByte(text, 2);
    if (count < 0)
        return std::nullopt;
    return 4 + 2 * std::size_t(count);
}

std::optional<SRecord> SRecord::parse(const std::string &text)
{
    const auto length = announcedLength(text);
    if (!length || text.size() < *length)
        return std::nullopt;
    const char typeChar = text[1];
    if (typeChar < '0' || typeChar > '9' || addressBytes[typeChar - '0'] == 0)
        return std::nullopt;
    SRecord record;
    record.m_type = typeChar - '0';
    record.m_textLength = *length;
    const int count = hexByte(text, 2);
    const int addressLength = addressBytes[record.m_type];
    if (count < addressLength + 1)
        return std::nullopt;
    unsigned sum = unsigned(count);
    std::vector<std::uint8_t> bytes;
    for (int i = 0; i < count; ++i) {
        const int b = hexByte(text, 4 + 2 * std::size_t(i));
        if (b < 0)
            return std::nullopt;
        sum += unsigned(b);
        bytes.push_back(std::uint8_t(b));
    }
    // The checksum byte makes the sum of count, address, data and itself 0xFF.
    if ((sum & 0xFF) != 0xFF)
        return std::nullopt;
    for (int i = 0; i < addressLength; ++i)
        record.m_address = (record.m_address << 8) | bytes[std::size_t(i)];
    record.m_data.assign(bytes.begin() + addressLength, bytes.end() - 1);
    return record;
}

std::optional<std::array<std::uint8_t, 4>>
SRecord::releaseInHeader(const std::vector<std::uint8_t> &header)
{
    QString text;
    for (std::uint8_t c : header)
        text += QChar(c >= 0x20 && c < 0x7F ? char(c) : ' ');
    static const QRegularExpression release(
        QStringLiteral("(?<![\\d.])(\\d{1,3})\\.(\\d{1,3})\\.(\\d{1,3})\\.(\\d{1,3})(?![\\d.])"));
    const QRegularExpressionMatch match = release.match(text);
    if (!match.hasMatch())
        return std::nullopt;
    std::array<std::uint8_t, 4> bytes {};
    for (int i = 0; i < 4; ++i) {
        const int v = match.captured(i + 1).toInt();
        if (v > 255)
            return std::nullopt;
        bytes[std::size_t(i)] = std::uint8_t(v);
    }
    return bytes;
}
