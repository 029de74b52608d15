#include "SettingsStore.h"

#include <BaseModule.h>

#include <QSettings>

namespace {

QString displayGroup(int serialNumber) { return QStringLiteral("Module%1").arg(serialNumber); }

const char *const UseControllerUnitsKey = "UseControllerUnits";
const char *const VoltageUnitKey = "VoltageUnit";
const char *const VoltagePrecisionKey = "VoltagePrecision";
const char *const CurrentUnitKey = "CurrentUnit";
const char *const CurrentPrecisionKey = "CurrentPrecision";

} // namespace

const char *const SettingsStore::OrganisationName = "Norvtek";
const char *const SettingsStore::ApplicationName = "norvcontrol";

const char *const SettingsStore::VmeControllerKey = "VmeController";
const char *const SettingsStore::OnExitBehaviourKey = "OnExitBehaviour";
const char *const SettingsStore::DefaultHexFileNameKey = "DefaultHexFileName";
const char *const SettingsStore::IpAddressKey = "IpAddress";

const char *const SettingsStore::VmUsbController = "VM-USB";
const char *const SettingsStore::V1718Controller = "V1718";
// A private-range address that no crate ships with by accident; the operator
// types the real one in "Set Crate Address...".
const char *const SettingsStore::DefaultIpAddress = "192.168.1.100";

QVariant SettingsStore::defaultValue(const QString &key)
{
    if (key == QLatin1String(VmeControllerKey))
        return QString::fromLatin1(VmUsbController);
    if (key == QLatin1String(OnExitBehaviourKey))
        return QStringLiteral("0");
    if (key == QLatin1String(DefaultHexFileNameKey))
        return QString();
    if (key == QLatin1String(IpAddressKey))
        return QString::fromLatin1(DefaultIpAddress);
    return QVariant();
}

QVariant SettingsStore::value(const QString &key)
{
    QSettings settings(QSettings::IniFormat, QSettings::UserScope,
                       QString::fromLatin1(OrganisationName), QString::fromLatin1(ApplicationName));
    return settings.value(key, defaultValue(key));
}

void SettingsStore::setValue(const QString &key, const QVariant &value)
{
    QSettings settings(QSettings::IniFormat, QSettings::UserScope,
                       QString::fromLatin1(OrganisationName), QString::fromLatin1(ApplicationName));
    settings.setValue(key, value);
}

QString SettingsStore::vmeController() { return value(QLatin1String(VmeControllerKey)).toString(); }

void SettingsStore::setVmeController(const QString &controller)
{
    setValue(QLatin1String(VmeControllerKey), controller);
}

int SettingsStore::onExitBehaviour() { return value(QLatin1String(OnExitBehaviourKey)).toInt(); }

QString SettingsStore::defaultHexFileName()
{
    return value(QLatin1String(DefaultHexFileNameKey)).toString();
}

QString SettingsStore::ipAddress() { return value(QLatin1String(IpAddressKey)).toString(); }

void SettingsStore::setIpAddress(const QString &address)
{
    setValue(QLatin1String(IpAddressKey), address);
}

void SettingsStore::loadDisplaySettings(BaseModule *module, int serialNumber)
{
    if (!module)
        return;
    QSettings settings(QSettings::IniFormat, QSettings::UserScope,
                       QString::fromLatin1(OrganisationName), QString::fromLatin1(ApplicationName));
    settings.beginGroup(displayGroup(serialNumber));
    if (!settings.contains(QLatin1String(UseControllerUnitsKey)))
        return;
    // The module's setters ignore a unit or precision they do not know, so
    // a hand-edited store cannot make the display lie.
    module->setVoltageUnit(settings.value(QLatin1String(VoltageUnitKey)).toString());
    module->setCurrentUnit(settings.value(QLatin1String(CurrentUnitKey)).toString());
    bool ok = false;
    const int voltagePrecision = settings.value(QLatin1String(VoltagePrecisionKey)).toInt(&ok);
    if (ok)
        module->setVoltagePrecision(voltagePrecision);
    const int currentPrecision = settings.value(QLatin1String(CurrentPrecisionKey)).toInt(&ok);
    if (ok)
        module->setCurrentPrecision(currentPrecision);
    module->setUseControllerUnits(settings.value(QLatin1String(UseControllerUnitsKey)).toBool());
}

void SettingsStore::saveDisplaySettings(BaseModule *module, int serialNumber)
{
    if (!module)
        return;
    QSettings settings(QSettings::IniFormat, QSettings::UserScope,
                       QString::fromLatin1(OrganisationName), QString::fromLatin1(ApplicationName));
    settings.beginGroup(displayGroup(serialNumber));
    const DisplayFormat format = module->displayFormat();
    settings.setValue(QLatin1String(UseControllerUnitsKey), module->useControllerUnits());
    settings.setValue(QLatin1String(VoltageUnitKey), format.voltageUnitText());
    settings.setValue(QLatin1String(VoltagePrecisionKey), format.voltagePrecision);
    settings.setValue(QLatin1String(CurrentUnitKey), format.currentUnitText());
    settings.setValue(QLatin1String(CurrentPrecisionKey), format.currentPrecision);
}
