#pragma once

#include <QJsonArray>
#include <QString>

/// Shared set-up of the main-window tests: a private settings store and the
/// simulated crate that the program reaches through the real adapters.
class TestCrate
{
public:
    /// Points the user-scope settings store into `dir`, so tests never read
    /// or write the user's own settings. Call before the first QSettings use.
    static void useSettingsIn(const QString &dir);
    /// Removes every stored setting.
    static void clearSettings();
    static void setSetting(const QString &key, const QString &value);

    /// Recreates the default crate (0x4000 class 20, 0x8000 class 29, 0xC000 class 33).
    static bool resetDefault();
    /// Recreates the default crate with no bridge to be found.
    static bool resetWithoutBridge();
    /// Writes a description with `modules` into `dir` and recreates the crate from it.
    static bool resetFrom(const QString &dir, const QJsonArray &modules);

    /// The channel control word stored in the simulated module.
    static quint32 channelControl(int base, int deviceClass, int channel);
    /// Channels of the default crate's module of that class.
    static int channelCount(int deviceClass);
    /// Switches every channel of the module on with bus cycles of the test's own.
    static void switchAllOn(int base, int deviceClass);
    /// Number of channels of the module whose control word has the on bit.
    static int channelsOn(int base, int deviceClass);
};
