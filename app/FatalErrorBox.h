#pragma once

#include <QString>

/// Shows the bus layer's fatal errors (the VM-USB bridge library cannot be
/// loaded) to the operator as a critical message box without a parent. The
/// bus layer ends the process with exit code 1 once the box is closed.
namespace FatalErrorBox {

/// Installs show() as the bus layer's fatal-error handler.
void install();
/// Shows one fatal error through the operator prompt.
void show(const QString &title, const QString &text);

} // namespace FatalErrorBox
