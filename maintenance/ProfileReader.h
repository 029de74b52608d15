#pragma once

#include "ProfileRecord.h"

#include <QString>
#include <QStringList>

/// What reading a profile file gave: the record, the load log and, when the
/// file was refused, why.
struct ProfileLoad
{
    bool ok = false;
    /// Why the file was refused (it cannot be read or holds no profile).
    QString error;
    ProfileRecord record;
    /// The load log: every value as it will be written, one line each, and a
    /// warning after a value that did not parse.
    QStringList log;
    /// The warnings of the log alone, for a caller that refuses such a file.
    QStringList warnings;
};

/// Reads profile files for a module with a given number of channels.
namespace ProfileReader {

/// Reads `path` for a module with `channelCount` channels (kept within
/// 0 ... 64): section "Module", then "Channel0" ... up to the module's last
/// channel, whatever else the file holds. Each read starts from the reader's
/// defaults; a missing key keeps its default, and so does a value that does
/// not parse, with a warning in the log naming the file, line and text.
ProfileLoad read(const QString &path, int channelCount);

} // namespace ProfileReader
