#include "Sequence.h"

#include "CrateCore.h"

#include <BaseModule.h>

Sequence::Sequence(CrateCore *core, BaseModule *module, const QString &name)
    : m_core(core)
    , m_module(module)
    , m_name(name)
{
}

Sequence::~Sequence()
{
    if (!m_core)
        return;
    // Pauses are counted: take back the one given up, so that the end of the
    // sequence leaves the count as it found it.
    if (m_refreshing)
        m_core->pauseRefresh();
    m_core->endSequence(this);
}

void Sequence::letRefreshRun()
{
    if (m_refreshing || !m_core)
        return;
    m_refreshing = true;
    m_core->resumeRefresh();
}
