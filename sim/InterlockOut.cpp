#include "InterlockOut.h"

namespace {

constexpr std::uint16_t enableBit = 0x8000;
constexpr std::uint16_t clearBit = 0x4000;
constexpr std::uint16_t testConditions = 0x03E0; // bits 5-9
constexpr std::uint16_t currentControlCondition = 0x0020;
constexpr std::uint16_t testTriggerBit = 0x4000;

int lowestChannel(std::uint16_t mask)
{
    for (int ch = 0; ch < 16; ++ch) {
        if (mask & (1u << ch))
            return ch;
    }
    return 0;
}

} // namespace

std::uint16_t InterlockOut::status() const
{
    std::uint16_t s = m_control & 0x000F; // test loops mirrored
    if (m_control & enableBit)
        s |= 0x8000;
    if (m_active)
        s |= 0x4000;
    else if (m_control & enableBit)
        s |= 0x2000; // standby
    return s;
}

void InterlockOut::writeControl(std::uint16_t control)
{
    if (control & clearBit) {
        m_count = 0;
        m_lastTrigger = 0;
        m_everTriggered = 0;
    }
    m_control = control & ~clearBit;
}

void InterlockOut::update(std::uint16_t tripChannels, std::uint16_t onChannels)
{
    const std::uint16_t simulated = m_control & testConditions;
    std::uint16_t conditions = simulated;
    std::uint16_t channels = 0;
    if (tripChannels) {
        conditions |= currentControlCondition;
        channels |= tripChannels;
    }
    if (simulated)
        channels |= onChannels;
    const bool active = (m_control & enableBit) && conditions;
    if (active && !m_active) {
        ++m_count;
        m_lastTrigger = std::uint16_t(conditions | (simulated ? testTriggerBit : 0)
                                      | lowestChannel(channels ? channels : onChannels));
    }
    m_active = active;
    m_channelsActive = active ? channels : 0;
    if (active)
        m_everTriggered |= channels;
}
