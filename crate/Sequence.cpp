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
    if (m_core)
        m_core->endSequence(this);
}
