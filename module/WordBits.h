#pragma once

#include <QtGlobal>

/// The bits of the module and channel words that the program acts on (the
/// bit names for display are in the bit catalogues). Control, status and
/// event words travel as 16-bit values even where layout 29 transfers 32
/// bits: every bit named here lies in the low half.
namespace WordBits {

/// The low half of a word, where every acted-on bit lies.
constexpr quint32 Word16 = 0xFFFF;
/// Channel mask that selects every channel through the all-channel registers.
constexpr quint32 AllChannels = 0xFFFFFFFF;

namespace ModuleStatus {
    /// Stop mode: the module accepts new nominal values and restart times.
    constexpr quint32 Stop = 0x0004;
    /// The firmware loader runs: only the special registers answer.
    constexpr quint32 SpecialMode = 0x0040;
} // namespace ModuleStatus

namespace ModuleControl {
    /// Set Stop: requests stop mode.
    constexpr quint32 SetStop = 0x0004;
    /// doCLEAR: clears the module's events.
    constexpr quint32 Clear = 0x0040;
    /// setKILena: a trip switches the channel off.
    constexpr quint32 KillEnable = 0x4000;
    /// DoSaveSetValues: stores the set values; reads set while the module stores.
    constexpr quint32 SaveSetValues = 0x8000;
} // namespace ModuleControl

namespace ChannelStatus {
    constexpr quint32 IsOn = 0x0008;
    constexpr quint32 IsRamping = 0x0010;
    constexpr quint32 IsEmergencyOff = 0x0020;
    constexpr quint32 IsCurrentControlled = 0x0040;
    constexpr quint32 IsVoltageControlled = 0x0080;
    constexpr quint32 IsExternalInhibit = 0x1000;
    /// The current exceeded the set current and the channel was switched off.
    constexpr quint32 IsTrip = 0x2000;
    constexpr quint32 IsCurrentLimit = 0x4000;
} // namespace ChannelStatus

namespace ChannelControl {
    /// Measurement channels (device class 90): voltage and ripple measurement on.
    constexpr quint32 VoltageMeasurement = 0x0002;
    constexpr quint32 RippleMeasurement = 0x0004;
    /// setON: high voltage switched on.
    constexpr quint32 SetOn = 0x0008;
    /// setEMCY: emergency off.
    constexpr quint32 SetEmergencyOff = 0x0020;
    /// The current and voltage bounds have a minimum of their own.
    constexpr quint32 AsymmetricCurrentBounds = 0x0400;
    constexpr quint32 AsymmetricVoltageBounds = 0x0800;
} // namespace ChannelControl

} // namespace WordBits
