#pragma once

#include <chrono>

/// Simulated time: the steady clock times a scale, plus whatever tests add.
class SimClock
{
public:
    explicit SimClock(double timescale);

    /// Simulated seconds since the clock was created.
    double now() const;
    /// Real microseconds since the clock was created.
    long long realMicroseconds() const;
    /// Moves simulated time forward without waiting.
    void advance(double seconds);

private:
    std::chrono::steady_clock::time_point m_start;
    double m_timescale;
    double m_offset = 0;
};
