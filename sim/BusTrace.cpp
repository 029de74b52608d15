#include "BusTrace.h"

BusTrace::~BusTrace() { close(); }

bool BusTrace::open(const std::string &path)
{
    close();
    if (path.empty())
        return true;
    m_file = std::fopen(path.c_str(), "a");
    return m_file != nullptr;
}

void BusTrace::close()
{
    if (m_file)
        std::fclose(m_file);
    m_file = nullptr;
}

void BusTrace::cycle(long long microseconds, bool write, std::uint32_t address, int modifier,
                     std::uint16_t data, bool ok)
{
    if (!m_file)
        return;
    if (!write && !ok)
        std::fprintf(m_file, "%lld R %04x %02x ---- -1\n", microseconds, unsigned(address),
                     unsigned(modifier) & 0xFFu);
    else
        std::fprintf(m_file, "%lld %c %04x %02x %04x %d\n", microseconds, write ? 'W' : 'R',
                     unsigned(address), unsigned(modifier) & 0xFFu, unsigned(data), ok ? 0 : -1);
    // Flushed per line so that a crash or a reader in another process sees
    // every cycle that happened.
    std::fflush(m_file);
}
