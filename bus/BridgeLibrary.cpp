#include "BridgeLibrary.h"

#include <QCoreApplication>
#include <QDebug>
#include <QDir>

namespace BridgeLibrary {

bool load(QLibrary &library, const QStringList &names, QString *loaderError)
{
    QStringList candidates = names;
    if (QCoreApplication::instance()) {
        const QDir programDir(QCoreApplication::applicationDirPath());
        for (const QString &name : names)
            candidates << programDir.filePath(name);
    }
    QString firstError;
    for (const QString &candidate : candidates) {
        library.setFileName(candidate);
        if (library.load())
            return true;
        if (firstError.isEmpty())
            firstError = library.errorString();
    }
    library.setFileName(names.value(0));
    if (loaderError)
        *loaderError = firstError;
    return false;
}

QFunctionPointer resolve(QLibrary &library, const char *symbol, const char *debugName)
{
    QFunctionPointer entry = library.resolve(symbol);
    qDebug("%s = %p", debugName, reinterpret_cast<void *>(entry));
    return entry;
}

} // namespace BridgeLibrary
