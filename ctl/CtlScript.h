#pragma once

#include <QStringList>

class CtlSession;

/// `script FILE.js [-m BASE | -s SERIAL]`: the script console's engine
/// (ScriptThread) without the console. What the script prints goes to
/// stdout, the outcome line to stderr; Ctrl+C stops the script.
namespace CtlScript {

int run(CtlSession &session, const QStringList &arguments);

} // namespace CtlScript
