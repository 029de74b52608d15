// The main window's side of scripts: the console, made on first use with the
// script thread, and the runs it asks for.
#include "NorvControl.h"

#include <CrateCore.h>
#include <DialogScriptConsole.h>
#include <ScriptThread.h>

void NorvControl::on_actionScript_triggered()
{
    if (!m_dialogScriptConsole) {
        m_scriptThread = std::make_unique<ScriptThread>(
            m_crate->moduleCount() > 0 ? m_crate->module(0) : nullptr, m_crate.get());
        m_dialogScriptConsole = new DialogScriptConsole(this);
        DialogScriptConsole *console = m_dialogScriptConsole;
        connect(m_scriptThread.get(), &ScriptThread::scriptMessage, console,
                &DialogScriptConsole::scriptMessage);
        connect(console, &DialogScriptConsole::runScript, this, &NorvControl::runScript);
        connect(console, &DialogScriptConsole::stopScript, m_scriptThread.get(),
                &ScriptThread::stopScript);
        // Both come from the script thread, queued in the order they happened.
        connect(m_scriptThread.get(), &QThread::started, console,
                [console] { console->setScriptRunning(true); });
        connect(m_scriptThread.get(), &QThread::finished, console,
                [console] { console->setScriptRunning(false); });
    }
    m_dialogScriptConsole->show();
    m_dialogScriptConsole->activateWindow();
}

void NorvControl::runScript(const QString &script)
{
    if (!m_scriptThread)
        return;
    // The module list was rebuilt since the module was given: a run uses the
    // module the console would be given now.
    if (m_scriptThread->moduleGone())
        m_scriptThread->setModule(m_crate->moduleCount() > 0 ? m_crate->module(0) : nullptr);
    m_scriptThread->runScript(script);
}

void NorvControl::stopScript()
{
    if (!m_scriptThread)
        return;
    m_scriptThread->stopScript();
    m_scriptThread->wait();
}
