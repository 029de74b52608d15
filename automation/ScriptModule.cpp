#include "ScriptModule.h"

#include <CrateCore.h>

#include <QJSEngine>
#include <QMutexLocker>

#include <optional>

ScriptModule::ScriptModule(BaseModule *module, CrateCore *crate, QJSEngine *engine)
    : m_module(module)
    , m_crate(crate)
    , m_engine(engine)
{
}

BaseModule *ScriptModule::reachable(bool write)
{
    BaseModule *module = m_module.data();
    if (!module) {
        m_engine->throwError(tr("The module is gone: the module list was rebuilt. Run the script "
                                "again to work on the module listed first now."));
        return nullptr;
    }
    const QString sequence = write && m_crate ? m_crate->sequenceHolding(module) : QString();
    if (!sequence.isEmpty()) {
        m_engine->throwError(tr("Write refused: the module is busy with %1.").arg(sequence));
        return nullptr;
    }
    return module;
}

template<typename R, typename... P, typename... A>
R ScriptModule::call(bool write, R (BaseModule::*op)(P...), A... args)
{
    // Held for the whole call: a rebuild of the module list, or a sequence
    // about to begin, waits for it to end.
    std::optional<QMutexLocker<QMutex>> inUse;
    if (m_crate)
        inUse.emplace(&m_crate->moduleUseLock());
    if (BaseModule *module = reachable(write))
        return (module->*op)(args...);
    return R();
}

#include "moc_ScriptModule.cpp"
