#pragma once

// Shared by the module tests.

#include "FakeVmeController.h"
#include "VmeModule.h"

class TestVmeModule : public VmeModule
{
public:
    using VmeModule::VmeModule;

    void setCurrentUnitIndex(int index) { m_currentUnitIndex = index; }
    void setVoltageUnitIndex(int index) { m_voltageUnitIndex = index; }
};

namespace ModuleTest {

constexpr quint32 Norv = 0x6E6F7276;
constexpr quint16 Base20 = 0x4000;
constexpr quint16 Base29 = 0x8000;

inline quint16 baseOf(int deviceClass) { return deviceClass == 29 ? Base29 : Base20; }

/// Presets a norv module of the class at the module's base address (layout 20 with
/// the placed-channels mask, layout 29 with 24 channels), identifies it and forgets
/// the identification cycles.
inline void identify(FakeVmeController &fake, VmeModule &module, int deviceClass,
                     quint16 mask20 = 0x0FFF)
{
    fake.setIdentity(module.GetModuleBaseAddress(), Norv, deviceClass == 29 ? 24 : mask20,
                     quint16(deviceClass));
    module.GetModuleDeviceClass();
    fake.clearLog();
}

} // namespace ModuleTest
