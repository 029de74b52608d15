#pragma once

#include <QStringList>

class CtlSession;

/// `log FILE --interval S [--count N | --duration S]`: the measurement file
/// of the window's statistic dialog, one line for every channel of every
/// module per interval, until the count or the duration is reached or
/// Ctrl+C ends the run.
namespace CtlLog {

int run(CtlSession &session, const QStringList &arguments);

} // namespace CtlLog
