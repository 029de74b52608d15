#pragma once

#include <QLibrary>
#include <QStringList>

/// Loads a vendor bridge library by name. The system's loader is asked first
/// for each name in turn, so a vendor library installed on a lab PC wins; only
/// when none of them loads is the folder of the running program tried, which
/// is where the simulated crate's stand-in libraries are installed.
namespace BridgeLibrary {

/// Tries `names` in order; returns true when `library` ends up loaded. On
/// failure `library` holds the first name again and `loaderError` the
/// loader's text for it.
bool load(QLibrary &library, const QStringList &names, QString *loaderError);

/// Resolves `symbol`, writes "<debugName> = <address>" to the debug stream.
QFunctionPointer resolve(QLibrary &library, const char *symbol, const char *debugName);

} // namespace BridgeLibrary
