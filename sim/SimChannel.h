#pragma once

#include <cstdint>

/// One HV channel: set values, nominals, the output and its load.
///
/// The output follows the set value at the module's ramp speed; a load that
/// would draw more than the current set puts the channel into current control
/// or, with kill enable, trips it.
class SimChannel
{
public:
    /// What the module contributes to a channel's behaviour.
    struct Environment
    {
        double rampSpeed = 10.0; ///< percent of the voltage nominal per second
        bool killEnable = false;
        bool suspended = false; ///< stop or special mode: control has no effect
    };

    enum StatusBit : std::uint32_t {
        Positive = 1u << 0,
        InputError = 1u << 2,
        On = 1u << 3,
        Ramping = 1u << 4,
        EmergencyOff = 1u << 5,
        CurrentControl = 1u << 6,
        VoltageControl = 1u << 7,
        ExternalInhibit = 1u << 12,
        Trip = 1u << 13,
    };
    enum ControlBit : std::uint32_t {
        SetOn = 1u << 3,
        SetEmergencyOff = 1u << 5,
    };

    SimChannel() = default;
    SimChannel(double vNominal, double iNominal, double loadOhm);

    bool fitted() const { return m_fitted; }

    /// Brings the output `dt` simulated seconds forward.
    void advance(double dt, const Environment &env);

    std::uint32_t status(const Environment &env) const;
    std::uint32_t control() const { return m_control; }
    std::uint32_t eventStatus() const { return m_eventStatus; }
    std::uint32_t eventMask() const { return m_eventMask; }
    /// True while the output is on or still ramping down.
    bool busy(const Environment &env) const;
    bool isOn(const Environment &env) const;
    bool inCurrentControl() const { return m_currentControl; }
    bool tripped() const { return m_tripped; }

    void writeControl(std::uint32_t control, bool refuse);
    /// Write-1-to-clear.
    void clearEvents(std::uint32_t bits) { m_eventStatus &= ~bits; }
    void setEventMask(std::uint32_t mask) { m_eventMask = mask; }
    void setInhibit(bool inhibit);

    /// Set values are checked against the channel's nominal; a refused value
    /// raises the input error and leaves the register as it was.
    void writeVoltageSet(double value);
    void writeCurrentSet(double value);
    /// Nominals only change in stop mode and within (0, hardware nominal].
    void writeVoltageNominal(double value, bool stopMode);
    void writeCurrentNominal(double value, bool stopMode);

    double vSet() const { return m_vSet; }
    double iSet() const { return m_iSet; }
    double vNominal() const { return m_vNominal; }
    double iNominal() const { return m_iNominal; }
    double vHardware() const { return m_vHardware; }
    double iHardware() const { return m_iHardware; }
    double vOut() const { return m_vOut; }
    double iOut() const { return m_load > 0 ? m_vOut / m_load : 0.0; }
    double load() const { return m_load; }
    void setLoad(double ohm) { m_load = ohm; }
    void setOutput(double volts) { m_vOut = volts; }

    // Interlock limits are stored as written.
    double vIlkMax = 0, vIlkMin = 0, iIlkMax = 0, iIlkMin = 0;

    /// Settings that the module's EEPROM image keeps.
    struct Saved
    {
        double vSet, iSet, vNominal, iNominal, vIlkMax, vIlkMin, iIlkMax, iIlkMin;
        std::uint32_t eventMask;
    };
    Saved save() const;
    void recall(const Saved &saved);

    /// What the channel is doing, beyond its settings: kept between processes
    /// when the crate has a state file.
    struct Live
    {
        std::uint32_t control, eventStatus;
        double vOut;
        bool tripped, latchedOff, needsOffFirst;
    };
    Live live() const;
    void resume(const Live &live);

private:
    void accept(double *target, double value);
    void refuse();
    void raise(std::uint32_t bits) { m_eventStatus |= bits; }
    void trip();

    bool m_fitted = false;
    double m_vHardware = 0, m_iHardware = 0;
    double m_vNominal = 0, m_iNominal = 0;
    double m_vSet = 0, m_iSet = 0;
    double m_vOut = 0;
    double m_load = 1e9;
    std::uint32_t m_control = 0;
    std::uint32_t m_eventStatus = 0;
    std::uint32_t m_eventMask = 0;
    bool m_inputError = false;
    bool m_inhibit = false;
    bool m_tripped = false;
    /// Off after an emergency off or inhibit until the channel is switched on again.
    bool m_latchedOff = false;
    /// A trip also needs the channel switched off before it may come on again.
    bool m_needsOffFirst = false;
    bool m_currentControl = false;
};
