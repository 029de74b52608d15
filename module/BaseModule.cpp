#include "BaseModule.h"

#include "DeviceClassTable.h"

BaseModule::BaseModule() = default;

BaseModule::~BaseModule() = default;

QString BaseModule::firmwareName() { return m_firmwareName; }

void BaseModule::setFirmwareName(int deviceClass)
{
    if (deviceClass == 0 || !m_firmwareName.isEmpty())
        return;
    const QString code = DeviceClassTable::typeCode(deviceClass);
    // The caller names the class it means; naming a module after a stored class
    // that differs from it (0 before identification) would give a wrong name.
    m_firmwareName = code.isEmpty() ? tr("Device Class %1").arg(deviceClass) : code;
}

int BaseModule::deviceClass() { return m_deviceClass; }

void BaseModule::setDeviceClass(const QString &firmwareName)
{
    m_deviceClass = DeviceClassTable::deviceClass(firmwareName);
}
