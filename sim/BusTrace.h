#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

/// Appends one line per bus cycle to a text file:
/// `<microseconds since start> <R|W> <address> <modifier> <data> <status>`,
/// address, modifier and data in hexadecimal without prefix, status 0 for a
/// completed cycle and -1 for a failed one (a failed read shows "----").
class BusTrace
{
public:
    BusTrace() = default;
    ~BusTrace();
    BusTrace(const BusTrace &) = delete;
    BusTrace &operator=(const BusTrace &) = delete;

    /// Starts appending to `path` (an empty path stops tracing); false if
    /// the file cannot be opened.
    bool open(const std::string &path);
    void close();
    bool isOpen() const { return m_file != nullptr; }
    void cycle(long long microseconds, bool write, std::uint32_t address, int modifier,
               std::uint16_t data, bool ok);

private:
    std::FILE *m_file = nullptr;
};
