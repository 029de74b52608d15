#pragma once

#include <QtGlobal>

#include <array>

class BaseModule;

/// The module-wide items of a profile as the reader keeps them. A fresh
/// record holds the reader's defaults.
struct ProfileModuleRecord
{
    quint16 control = 0; ///< only the low 16 bits of the file's word
    quint32 eventMask = 0;
    quint32 eventChannelMask = 0;
    quint32 eventGroupMask = 0;
    quint32 restartTime = 0; ///< ms
    quint32 adcSamples = 500; ///< samples per second
    quint32 digitalFilter = 64;
    float voltageRampSpeed = 1.0f; ///< %
    float currentRampSpeed = 50.0f; ///< %
};

/// One channel of a profile. Voltages in V, currents in the module's current
/// unit (mA); the two nominals are the adjustable ones.
struct ProfileChannelRecord
{
    quint32 control = 0;
    quint32 eventMask = 0;
    float voltageSet = 0;
    float currentSet = 0;
    float voltageIlkMinSet = 0;
    float voltageIlkMaxSet = 0;
    float currentIlkMinSet = 0;
    float currentIlkMaxSet = 0;
    float voltageMaxSet = 0;
    float currentMaxSet = 0;
};

/// What a profile file holds for one module: the module record and room for
/// every channel a module can have. Channels the file did not fill keep the
/// defaults (all zero).
struct ProfileRecord
{
    static constexpr int MaxChannels = 64;

    ProfileModuleRecord module;
    std::array<ProfileChannelRecord, MaxChannels> channels {};

    /// The module's channel count as profiles use it: identifies a module no
    /// refresh has reached yet, and keeps the count within 0 ... 64.
    static int channelsOf(BaseModule &module);
};
