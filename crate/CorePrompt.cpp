#include "CorePrompt.h"

#include <QCoreApplication>

CorePrompt::~CorePrompt() = default;

QString CorePrompt::programTitle()
{
    return QCoreApplication::translate("NorvControl", "norv VME Control");
}
