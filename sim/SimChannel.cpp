#include "SimChannel.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

// Registers hold IEEE singles; keeping the model's values in that precision
// lets a value read back from a register be written again and compare equal.
double single(double v) { return double(float(v)); }

double approach(double from, double to, double step)
{
    // Simulated time is a sum of floating steps; a ramp that is due to end
    // within this step ends exactly at its target.
    if (std::fabs(to - from) <= step * (1.0 + 1e-9))
        return to;
    if (from < to)
        return std::min(from + step, to);
    return std::max(from - step, to);
}

enum EventBit : std::uint32_t {
    EventInputError = 1u << 2,
    EventOnToOff = 1u << 3,
    EventEndOfRamp = 1u << 4,
    EventEmergencyOff = 1u << 5,
    EventCurrentControl = 1u << 6,
    EventInhibit = 1u << 12,
    EventTrip = 1u << 13,
};

} // namespace

SimChannel::SimChannel(double vNominal, double iNominal, double loadOhm)
    : m_fitted(true)
    , m_vHardware(single(vNominal))
    , m_iHardware(single(iNominal))
    , m_vNominal(m_vHardware)
    , m_iNominal(m_iHardware)
    , m_iSet(m_iHardware)
    , m_load(loadOhm)
{
}

bool SimChannel::isOn(const Environment &env) const
{
    return m_fitted && (m_control & SetOn) && !(m_control & SetEmergencyOff) && !m_latchedOff
        && !m_inhibit && !env.suspended;
}

bool SimChannel::busy(const Environment &env) const { return isOn(env) || m_vOut > 0; }

std::uint32_t SimChannel::status(const Environment &env) const
{
    if (!m_fitted)
        return 0;
    const bool on = isOn(env);
    const bool ramping
        = on ? !m_currentControl && std::fabs(m_vOut - m_vSet) > 0.001 * m_vNominal : m_vOut > 0;
    std::uint32_t s = Positive;
    if (m_inputError)
        s |= InputError;
    if (on)
        s |= On;
    if (ramping)
        s |= Ramping;
    if (m_control & SetEmergencyOff)
        s |= EmergencyOff;
    if (m_currentControl)
        s |= CurrentControl;
    if (on && !ramping && !m_currentControl)
        s |= VoltageControl;
    if (m_inhibit)
        s |= ExternalInhibit;
    if (m_tripped)
        s |= Trip;
    return s;
}

void SimChannel::advance(double dt, const Environment &env)
{
    if (!m_fitted)
        return;
    const bool rampingBefore = status(env) & Ramping;
    const double speed = std::isfinite(env.rampSpeed) ? std::max(0.0, env.rampSpeed) : 0.0;
    const double step = speed / 100.0 * m_vNominal * std::max(0.0, dt);
    if (!isOn(env)) {
        m_currentControl = false;
        m_vOut = approach(m_vOut, 0.0, step);
    } else {
        const double ceiling
            = m_load > 0 ? std::max(0.0, m_iSet) * m_load : std::numeric_limits<double>::infinity();
        if (m_vSet > ceiling) {
            // The load would draw more than the current set before the output
            // reaches the set value.
            const double next = approach(m_vOut, m_vSet, step);
            if (next >= ceiling) {
                if (env.killEnable) {
                    trip();
                } else {
                    m_vOut = ceiling;
                    if (!m_currentControl)
                        raise(EventCurrentControl);
                    m_currentControl = true;
                }
            } else {
                m_vOut = next;
                m_currentControl = false;
            }
        } else {
            m_currentControl = false;
            m_vOut = approach(m_vOut, m_vSet, step);
        }
    }
    if (rampingBefore && !(status(env) & Ramping))
        raise(EventEndOfRamp);
}

void SimChannel::trip()
{
    m_vOut = 0;
    m_currentControl = false;
    m_tripped = true;
    m_latchedOff = true;
    m_needsOffFirst = true;
    raise(EventTrip);
}

void SimChannel::writeControl(std::uint32_t control, bool refuse)
{
    if (!m_fitted || refuse)
        return;
    const std::uint32_t old = m_control;
    m_control = control;
    const bool onNow = control & SetOn;
    const bool emergencyNow = control & SetEmergencyOff;
    const bool emergencyBefore = old & SetEmergencyOff;
    const bool clearingEmergency = emergencyBefore && !emergencyNow;
    if (emergencyNow && !emergencyBefore) {
        m_vOut = 0;
        m_currentControl = false;
        m_latchedOff = true;
        raise(EventEmergencyOff);
    }
    if (!onNow) {
        m_needsOffFirst = false;
    } else if (m_latchedOff && !emergencyNow && !clearingEmergency && !m_needsOffFirst
               && !m_inhibit) {
        // Switched on again after an emergency off, an inhibit or a trip.
        m_latchedOff = false;
        m_tripped = false;
    }
    if ((old & SetOn) && !onNow)
        raise(EventOnToOff);
}

void SimChannel::setInhibit(bool inhibit)
{
    if (!m_fitted || inhibit == m_inhibit)
        return;
    m_inhibit = inhibit;
    if (inhibit) {
        m_vOut = 0;
        m_currentControl = false;
        m_latchedOff = true;
        raise(EventInhibit);
    }
}

void SimChannel::accept(double *target, double value)
{
    *target = single(value);
    m_inputError = false;
}

void SimChannel::refuse()
{
    m_inputError = true;
    raise(EventInputError);
}

void SimChannel::writeVoltageSet(double value)
{
    if (!m_fitted)
        return;
    if (value >= 0 && value <= m_vNominal)
        accept(&m_vSet, value);
    else
        refuse();
}

void SimChannel::writeCurrentSet(double value)
{
    if (!m_fitted)
        return;
    if (value >= 0 && value <= m_iNominal)
        accept(&m_iSet, value);
    else
        refuse();
}

void SimChannel::writeVoltageNominal(double value, bool stopMode)
{
    if (!m_fitted || !stopMode || !(value > 0 && value <= m_vHardware))
        return;
    m_vNominal = single(value);
    // A set value never stays above the bound that now applies.
    m_vSet = std::min(m_vSet, m_vNominal);
}

void SimChannel::writeCurrentNominal(double value, bool stopMode)
{
    if (!m_fitted || !stopMode || !(value > 0 && value <= m_iHardware))
        return;
    m_iNominal = single(value);
    m_iSet = std::min(m_iSet, m_iNominal);
}

SimChannel::Saved SimChannel::save() const
{
    return {m_vSet,  m_iSet,  m_vNominal, m_iNominal, vIlkMax,
            vIlkMin, iIlkMax, iIlkMin,    m_eventMask};
}

SimChannel::Live SimChannel::live() const
{
    return {m_control, m_eventStatus, m_vOut, m_tripped, m_latchedOff, m_needsOffFirst};
}

void SimChannel::resume(const Live &live)
{
    if (!m_fitted)
        return;
    m_control = live.control;
    m_eventStatus = live.eventStatus;
    m_vOut = live.vOut;
    m_tripped = live.tripped;
    m_latchedOff = live.latchedOff;
    m_needsOffFirst = live.needsOffFirst;
}

void SimChannel::recall(const Saved &saved)
{
    if (!m_fitted)
        return;
    m_vSet = saved.vSet;
    m_iSet = saved.iSet;
    m_vNominal = saved.vNominal;
    m_iNominal = saved.iNominal;
    vIlkMax = saved.vIlkMax;
    vIlkMin = saved.vIlkMin;
    iIlkMax = saved.iIlkMax;
    iIlkMin = saved.iIlkMin;
    m_eventMask = saved.eventMask;
}
