#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

/// One Motorola S-record, checked.
class SRecord
{
public:
    /// Parses one record from its text ("S1130000..."). Characters after the
    /// length announced by the count field are ignored (the bus pads records).
    /// Nothing is returned for a malformed record or a wrong checksum.
    static std::optional<SRecord> parse(const std::string &text);

    /// Record type 0..9 (4 is not a valid type and never parses).
    int type() const { return m_type; }
    std::uint32_t address() const { return m_address; }
    const std::vector<std::uint8_t> &data() const { return m_data; }
    /// S1, S2, S3: data to be placed in the flash image.
    bool isData() const { return m_type >= 1 && m_type <= 3; }
    bool isHeader() const { return m_type == 0; }
    /// Number of characters the record occupies (4 + 2 x count).
    std::size_t textLength() const { return m_textLength; }

    /// Total text length announced by the first four characters, if readable.
    static std::optional<std::size_t> announcedLength(const std::string &text);
    /// Four decimal numbers separated by dots in a header text ("norv 2.5.0.1").
    static std::optional<std::array<std::uint8_t, 4>>
    releaseInHeader(const std::vector<std::uint8_t> &header);

private:
    int m_type = 0;
    std::uint32_t m_address = 0;
    std::vector<std::uint8_t> m_data;
    std::size_t m_textLength = 0;
};
