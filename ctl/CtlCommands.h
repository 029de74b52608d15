#pragma once

#include <QList>
#include <QString>
#include <QTextStream>

class BaseModule;
class CrateCore;

/// The subcommands of norvctl over one crate core: each writes its result to
/// `out`, its messages to `err` and returns the tool's exit code.
class CtlCommands
{
public:
    enum ExitCode { Success = 0, UsageError = 1, NoController = 2, ModuleNotFound = 3, Refused = 4 };

    CtlCommands(CrateCore &core, QTextStream &out, QTextStream &err);

    /// Opens the controller ("vm-usb", "v1718", empty: the settings) and scans the bus.
    int connect(const QString &controller);
    /// One line (or JSON object) per module found.
    int scan(bool json);
    /// The module with base address `base` ("0x4000") or serial `serial`; null
    /// with `*code` set and a message when there is none or the name is bad.
    BaseModule *find(const QString &base, const QString &serial, int *code);
    /// The channel table of `module`.
    int status(BaseModule *module, bool json);
    /// Checks every value first, then writes: the set voltage (when `voltage`
    /// is not empty) and "on" / "off" (when `switching` is not empty).
    int set(BaseModule *module, const QString &channels, const QString &voltage,
            const QString &switching, bool json);

    /// Channels "3", "0-7", "0,2,5" or "all" of a module with `count`
    /// channels; false with `*error` for anything else or a channel outside.
    static bool parseChannels(const QString &text, int count, QList<int> *channels,
                              QString *error);

private:
    int printTable(BaseModule *module, const QList<int> &channels, bool json);

    CrateCore &m_core;
    QTextStream &m_out;
    QTextStream &m_err;
};
