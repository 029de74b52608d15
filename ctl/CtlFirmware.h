#pragma once

#include <QStringList>

class CtlSession;

/// `firmware burn|compare FILE`: the special-mode firmware transfer of the
/// window (`FirmwareTransfer`), paced by the module's reports from the crate
/// core's refresh running in the tool's event loop, with a progress bar on a
/// terminal and plain lines otherwise.
namespace CtlFirmware {

int firmware(CtlSession &session, const QStringList &arguments);

} // namespace CtlFirmware
