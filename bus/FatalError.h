#pragma once

#include <QString>

/// What the bus layer does when it cannot go on (the VM-USB bridge library is
/// missing or incomplete). The bus layer has no widgets: the application
/// installs a handler that shows the text to the operator. After the handler
/// returns the process ends with exit code 1.
namespace FatalError {

using Handler = void (*)(const QString &title, const QString &text);

/// Installs the handler; nullptr restores the default (the text on stderr).
void setHandler(Handler handler);
Handler handler();
/// Reports through the installed handler, then ends the process with exit code 1.
[[noreturn]] void report(const QString &title, const QString &text);

} // namespace FatalError
