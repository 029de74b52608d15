#include "CorePrompt.h"

#include <QCoreApplication>

CorePrompt::~CorePrompt() = default;

QString CorePrompt::getItem(const QString &, const QString &, const QStringList &, int, bool *ok)
{
    *ok = false;
    return QString();
}

QString CorePrompt::programTitle()
{
    return QCoreApplication::translate("NorvControl", "norv VME Control");
}
