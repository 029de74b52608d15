#pragma once

#include <QList>
#include <QString>
#include <QStringList>

class BaseModule;
class CtlSession;

/// The subcommands that look at and set channels: scan, status (one module or
/// all, --json, --watch) and set (values, ramps, actions, --wait). Each takes
/// its own arguments (its name first) and returns the exit code.
namespace CtlCommands {

int scan(CtlSession &session, const QStringList &arguments);
int status(CtlSession &session, const QStringList &arguments);
int set(CtlSession &session, const QStringList &arguments);

/// Channels "3", "0-7", "0,2,5" or "all" of a module with `count`
/// channels; false with `*error` for anything else or a channel outside.
bool parseChannels(const QString &text, int count, QList<int> *channels, QString *error);

} // namespace CtlCommands
