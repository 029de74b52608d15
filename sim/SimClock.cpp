#include "SimClock.h"

SimClock::SimClock(double timescale)
    : m_start(std::chrono::steady_clock::now())
    , m_timescale(timescale)
{
}

double SimClock::now() const
{
    const std::chrono::duration<double> real = std::chrono::steady_clock::now() - m_start;
    return real.count() * m_timescale + m_offset;
}

long long SimClock::realMicroseconds() const
{
    return std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now()
                                                                 - m_start)
        .count();
}

void SimClock::advance(double seconds)
{
    if (seconds > 0)
        m_offset += seconds;
}
