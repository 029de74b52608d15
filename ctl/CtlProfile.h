#pragma once

#include <QStringList>

class CtlSession;

/// `profile save FILE` and `profile load FILE` for one module (-m or -s):
/// the window's procedures (ProfileSave, ProfileReader and ProfileWrite with
/// its read-backs and store request), their messages and log on stderr.
namespace CtlProfile {

int run(CtlSession &session, const QStringList &arguments);

} // namespace CtlProfile
