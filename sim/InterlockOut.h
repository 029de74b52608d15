#pragma once

#include <cstdint>

/// The interlock output of a layout-20 module.
///
/// Enabled by control bit 15; a condition (a channel in current control or
/// trip, or a condition simulated by control bits 5-9) activates it. Each
/// activation counts once and records the condition and the channels.
class InterlockOut
{
public:
    std::uint16_t status() const;
    std::uint16_t control() const { return m_control; }
    std::uint16_t count() const { return m_count; }
    std::uint16_t lastTrigger() const { return m_lastTrigger; }
    std::uint16_t channelsActive() const { return m_channelsActive; }
    std::uint16_t channelsEverTriggered() const { return m_everTriggered; }
    bool active() const { return m_active; }

    void writeControl(std::uint16_t control);
    /// Re-evaluates the output. `tripChannels`: channels in current control or
    /// trip; `onChannels`: channels switched on.
    void update(std::uint16_t tripChannels, std::uint16_t onChannels);

private:
    std::uint16_t m_control = 0;
    std::uint16_t m_count = 0;
    std::uint16_t m_lastTrigger = 0;
    std::uint16_t m_channelsActive = 0;
    std::uint16_t m_everTriggered = 0;
    bool m_active = false;
};
