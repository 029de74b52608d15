#pragma once

#include <QString>

class BaseModule;
#include <QVariant>

/// The program's one persistent store: an INI file in the user's settings
/// location, organisation "Norvtek", application "norvcontrol". Every call
/// opens the store, reads or writes one key and closes it again, so a value
/// changed by another instance or by hand is seen at the next use; a missing
/// file or key gives the key's default.
class SettingsStore
{
public:
    static const char *const OrganisationName;
    static const char *const ApplicationName;

    static const char *const VmeControllerKey;
    static const char *const OnExitBehaviourKey;
    static const char *const DefaultHexFileNameKey;
    static const char *const IpAddressKey;

    /// Stored controller values; anything but V1718Controller means VM-USB.
    static const char *const VmUsbController;
    static const char *const V1718Controller;
    static const char *const DefaultIpAddress;

    /// The default of every key the program knows; an invalid QVariant for others.
    static QVariant defaultValue(const QString &key);
    /// The stored value of `key`, or its default.
    static QVariant value(const QString &key);
    static void setValue(const QString &key, const QVariant &value);

    /// "VmeController": "VM-USB" (default) or "V1718".
    static QString vmeController();
    static void setVmeController(const QString &controller);
    /// "OnExitBehaviour" read as an integer; text that is no number reads as 0.
    static int onExitBehaviour();
    /// "DefaultHexFileName": the file preselected for a firmware update.
    static QString defaultHexFileName();
    /// "IpAddress": static address of a network crate.
    static QString ipAddress();
    static void setIpAddress(const QString &address);

    /// Gives `module` the display settings remembered for its serial number
    /// (group "Module<serial>"); nothing when none are.
    static void loadDisplaySettings(BaseModule *module, int serialNumber);
    /// Remembers the display settings of `module` under its serial number.
    static void saveDisplaySettings(BaseModule *module, int serialNumber);
};
