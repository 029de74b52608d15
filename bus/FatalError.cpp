#include "FatalError.h"

#include <QAtomicPointer>
#include <cstdio>
#include <cstdlib>

namespace {

void writeToStderr(const QString &title, const QString &text)
{
    std::fprintf(stderr, "%s: %s\n", qPrintable(title), qPrintable(text));
    std::fflush(stderr);
}

QAtomicPointer<void> s_handler;

} // namespace

namespace FatalError {

void setHandler(Handler handler) { s_handler.storeRelease(reinterpret_cast<void *>(handler)); }

Handler handler()
{
    auto installed = reinterpret_cast<Handler>(s_handler.loadAcquire());
    return installed ? installed : &writeToStderr;
}

void report(const QString &title, const QString &text)
{
    handler()(title, text);
    std::exit(1);
}

} // namespace FatalError
