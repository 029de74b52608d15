#include "Sequence.h"

#include "CrateCore.h"

#include <BaseModule.h>

Sequence::Sequence(CrateCore *core, BaseModule *module)
    : m_core(core)
    , m_module(module)
{
}

Sequence::~Sequence()
{
    if (m_core)
        m_core->endSequence(this);
}
