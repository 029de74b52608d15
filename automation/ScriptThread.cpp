#include "ScriptThread.h"

#include "ScriptControl.h"
#include "ScriptModule.h"

#include <BaseModule.h>
#include <CrateCore.h>

#include <QDeadlineTimer>
#include <QFile>
#include <QJSEngine>
#include <QMutexLocker>

#include <optional>

ScriptThread::ScriptThread(BaseModule *module, CrateCore *crate)
    : m_crate(crate)
{
    setModule(module);
    setScriptFile(QStringLiteral("test.js"));
}

ScriptThread::~ScriptThread()
{
    stopScript();
    wait();
}

void ScriptThread::setScriptFile(const QString &fileName)
{
    m_fileName = fileName;
    QFile file(fileName);
    if (!file.exists()) {
        emit scriptMessage(tr("Error: Can not find script file %1!").arg(fileName));
        return;
    }
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        emit scriptMessage(tr("Error: Can not open script file %1!").arg(fileName));
        return;
    }
    const QString text = QString::fromLatin1(file.readAll());
    const QMutexLocker locked(&m_lock);
    m_text = text;
}

QString ScriptThread::scriptText() const
{
    const QMutexLocker locked(&m_lock);
    return m_text;
}

BaseModule *ScriptThread::module() const
{
    const QMutexLocker locked(&m_lock);
    return m_module.data();
}

bool ScriptThread::moduleGone() const
{
    const QMutexLocker locked(&m_lock);
    return m_moduleGiven && !m_module;
}

void ScriptThread::setModule(BaseModule *module)
{
    const QMutexLocker locked(&m_lock);
    m_module = module;
    m_moduleGiven = module != nullptr;
}

void ScriptThread::runScript(const QString &script)
{
    {
        const QMutexLocker locked(&m_lock);
        if (!script.isEmpty())
            m_text = script;
        if (m_active)
            return;
        m_active = true;
        m_stop = false;
    }
    // The last run may still be leaving run() after its final message.
    wait();
    start();
}

void ScriptThread::stopScript()
{
    const QMutexLocker locked(&m_lock);
    if (!m_active)
        return;
    m_stop = true;
    if (m_engine)
        m_engine->setInterrupted(true);
    m_wake.wakeAll();
}

void ScriptThread::delay(int milliSeconds)
{
    QMutexLocker locked(&m_lock);
    const QDeadlineTimer deadline(qMax(0, milliSeconds));
    while (!m_stop && !deadline.hasExpired())
        m_wake.wait(&m_lock, deadline);
}

void ScriptThread::print(const QString &message)
{
    emit scriptMessage(message);
    emit scriptPrinted(message);
}

void ScriptThread::run()
{
    QJSEngine engine;
    ScriptControl control(this);
    QString text;
    BaseModule *module = nullptr;
    bool moduleGiven = false;
    {
        // The module is taken under the crate's lock: a rebuild may be deleting it.
        std::optional<QMutexLocker<QMutex>> inUse;
        if (m_crate)
            inUse.emplace(&m_crate->moduleUseLock());
        const QMutexLocker locked(&m_lock);
        text = m_text;
        module = m_module.data();
        moduleGiven = m_moduleGiven;
        m_engine = &engine;
        engine.setInterrupted(m_stop); // a stop may have come before the run
    }
    ScriptModule mod(module, m_crate, &engine);
    QJSEngine::setObjectOwnership(&mod, QJSEngine::CppOwnership);
    QJSEngine::setObjectOwnership(&control, QJSEngine::CppOwnership);
    engine.globalObject().setProperty(QStringLiteral("mod"),
                                      moduleGiven ? engine.newQObject(&mod)
                                                  : QJSValue(QJSValue::NullValue));
    engine.globalObject().setProperty(QStringLiteral("script"), engine.newQObject(&control));

    Outcome ending = Completed;
    int line = 0;
    QString outcome = evaluate(engine, text, &ending, &line);
    {
        const QMutexLocker locked(&m_lock);
        if (m_stop) {
            outcome = tr("Script stopped by the operator.");
            ending = Stopped;
            line = 0;
        }
        m_engine = nullptr;
        m_active = false;
    }
    emit scriptMessage(outcome);
    emit scriptEnded(ending, outcome, line);
}

QString ScriptThread::evaluate(QJSEngine &engine, const QString &text, Outcome *outcome, int *line)
{
    QStringList stack;
    const QJSValue result = engine.evaluate(text, QString(), 1, &stack);
    // The engine hands back whatever was thrown, which need not be an error
    // object (throw "text"): only the stack trace tells a throw from a result.
    if (stack.isEmpty())
        return QStringLiteral("Script exited with result ") + result.toString();
    // Frames read "function:line:column:file", the innermost first.
    *line = stack.first().section(QLatin1Char(':'), 1, 1).toInt();
    *outcome = Exception;
    // A script that does not parse leaves the parser's one nameless frame; a
    // syntax error thrown while it runs (JSON.parse, eval) comes from within
    // the script's own frame and is an exception like any other.
    if (result.errorType() == QJSValue::SyntaxError && stack.size() == 1
        && stack.first().startsWith(QLatin1Char(':'))) {
        *outcome = SyntaxError;
        return QStringLiteral("Error: Script has syntax errors!");
    }
    return tr("Error: Script threw an uncaught exception: %1").arg(result.toString());
}
