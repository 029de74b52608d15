#include "OperatorPrompt.h"

#include "QtOperatorPrompt.h"

namespace {

OperatorPrompt *s_installed = nullptr;

} // namespace

OperatorPrompt::~OperatorPrompt() = default;

OperatorPrompt *OperatorPrompt::instance()
{
    static QtOperatorPrompt qtDialogs;
    return s_installed ? s_installed : &qtDialogs;
}

void OperatorPrompt::install(OperatorPrompt *prompt) { s_installed = prompt; }
