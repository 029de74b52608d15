#include "ScriptControl.h"

#include "ScriptThread.h"

ScriptControl::ScriptControl(ScriptThread *thread)
    : m_thread(thread)
{
}

void ScriptControl::delay(int milliSeconds) { m_thread->delay(milliSeconds); }

void ScriptControl::print(const QString &message) { m_thread->print(message); }
