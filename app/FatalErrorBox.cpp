#include "FatalErrorBox.h"

#include "OperatorPrompt.h"

#include <FatalError.h>

namespace FatalErrorBox {

void install() { FatalError::setHandler(&show); }

void show(const QString &title, const QString &text)
{
    OperatorPrompt::instance()->critical(nullptr, title, text, QMessageBox::Ok);
}

} // namespace FatalErrorBox
