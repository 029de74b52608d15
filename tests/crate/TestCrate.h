#pragma once

#include <CrateView.h>

#include <QJsonArray>
#include <QJsonObject>
#include <QString>

#include <memory>

class CorePrompt;
class CrateCore;

/// Shared set-up of the main-window tests: a private settings store and the
/// simulated crate that the program reaches through the real adapters.
class TestCrate
{
public:
    /// What a window would tell the crate core, set by the test.
    struct View : CrateView
    {
        int selected = -1;
        bool overview = false;
        bool onceRun = false;
        int selectedChannel() const override { return selected; }
        bool overviewShown() const override { return overview; }
        bool onceRunPending() const override { return onceRun; }
        bool crateDialogShown() const override { return false; }
    };

    /// Points the user-scope settings store into `dir`, so tests never touch
    /// the user's own settings. Call before the first QSettings use.
    static void useSettingsIn(const QString &dir);
    /// useSettingsIn(`dir`) and simulated time frozen: the set-up of a test over the crate.
    static void prepare(const QString &dir);
    /// A crate core over the simulated crate, its refresh stopped: the test drives the ticks.
    static std::unique_ptr<CrateCore> start(CorePrompt *prompt = nullptr,
                                            CrateView *view = nullptr);
    /// Removes every stored setting.
    static void clearSettings();
    static void setSetting(const QString &key, const QString &value);

    /// Recreates the default crate (0x4000 class 20, 0x8000 class 29, 0xC000 class 33).
    static bool resetDefault();
    /// Recreates the default crate with no bridge to be found.
    static bool resetWithoutBridge();
    /// Writes a description with `modules` into `dir` and recreates the crate from it.
    static bool resetFrom(const QString &dir, const QJsonArray &modules);
    /// One module of a crate description; `extra` adds keys.
    static QJsonObject module(int base, int deviceClass, int serial,
                              const QJsonObject &extra = QJsonObject());

    /// Ticks until the next tick refreshes `row` of the shown module (row 0:
    /// the tick with the module step), then runs that tick.
    static bool refreshRow(CrateCore &core, int row);

    /// Starts recording every bus cycle into a file in `dir`.
    static bool startTrace(const QString &dir);
    /// Stops the recording: the addresses of its read ('R') or write ('W')
    /// cycles, in order, or with `dataAt` the data of those at that address.
    /// A trace that cannot be read gives one impossible address, so that it
    /// never passes for "no cycles".
    static QList<quint32> stopTrace(char direction, quint32 dataAt = 0);

    /// The channel control word stored in the simulated module (class 20 or 29).
    static quint32 channelControl(int base, int deviceClass, int channel);
    /// Switches every channel of the module on with bus cycles of the test's own.
    static void switchAllOn(int base, int deviceClass);
    /// Number of channels of the module whose control word has the on bit.
    static int channelsOn(int base, int deviceClass);
};
