#include "CtlSession.h"
#include "CtlInterrupt.h"
#include "CtlPrompt.h"

#include <BaseController.h>
#include <BaseModule.h>
#include <CorePrompt.h>
#include <CrateCore.h>
#include <SettingsStore.h>

#include <QEventLoop>
#include <QLocale>
#include <QTimer>

#include <cstdio>
#include <unistd.h>

namespace {

// The core's questions are for a window; a subcommand that wants answers
// installs its own prompt.
class SilentPrompt : public CorePrompt
{
public:
    int question(const QString &, const QString &, int) override { return NoButton; }
    int information(const QString &, const QString &, int) override { return Ok; }
    int warning(const QString &, const QString &, int) override { return Ok; }
};

const QString ControllerOption = QStringLiteral("controller");
const QString BaseOption = QStringLiteral("module");
const QString SerialOption = QStringLiteral("serial");

} // namespace

CtlSession::CtlSession(CrateCore &core, QTextStream &out, QTextStream &err)
    : m_core(core)
    , m_out(out)
    , m_err(err)
{
}

CtlSession::~CtlSession() = default;

void CtlSession::setPrompt(CorePrompt *prompt) { m_prompt = prompt; }

CorePrompt *CtlSession::promptOnTerminal(bool yes)
{
    m_terminalPrompt = std::make_unique<CtlPrompt>(m_err, yes);
    m_prompt = m_terminalPrompt.get();
    m_core.setPrompt(m_prompt);
    return m_prompt;
}

QString CtlSession::hexAddress(quint16 base)
{
    return QStringLiteral("0x") + QStringLiteral("%1").arg(base, 4, 16, QLatin1Char('0')).toUpper();
}

QString CtlSession::number(double value)
{
    // The C locale has no group separators: "3000", never "3,000".
    return QLocale::c().toString(value, 'g', 6);
}

QString CtlSession::oneLine(const QString &text) { return text.simplified(); }

bool CtlSession::stdinIsTerminal() { return ::isatty(STDIN_FILENO); }
bool CtlSession::stdoutIsTerminal() { return ::isatty(STDOUT_FILENO); }
bool CtlSession::stderrIsTerminal() { return ::isatty(STDERR_FILENO); }

void CtlSession::catchInterrupt()
{
    if (!m_interrupt)
        m_interrupt = std::make_unique<CtlInterrupt>();
}

bool CtlSession::interrupted() const { return m_interrupt && m_interrupt->signalNumber() != 0; }

bool CtlSession::pause(int ms)
{
    if (interrupted())
        return false;
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    if (m_interrupt)
        QObject::connect(m_interrupt.get(), &CtlInterrupt::interrupted, &loop, &QEventLoop::quit);
    loop.exec();
    return !interrupted();
}

int CtlSession::fail(int code, const QString &message)
{
    m_err << "norvctl: " << message << '\n';
    m_err.flush();
    return code;
}

void CtlSession::begin(QCommandLineParser &parser, const QString &description, bool withModule)
{
    parser.setApplicationDescription(description);
    parser.addHelpOption();
    parser.addOption({ControllerOption, QStringLiteral("vm-usb or v1718 (default: the settings)."),
                      QStringLiteral("name")});
    if (withModule) {
        parser.addOption({{QStringLiteral("m"), BaseOption},
                          QStringLiteral("The module at this base address (0x4000)."),
                          QStringLiteral("base")});
        parser.addOption({{QStringLiteral("s"), SerialOption},
                          QStringLiteral("The module with this serial number."),
                          QStringLiteral("serial")});
    }
}

bool CtlSession::parse(QCommandLineParser &parser, const QStringList &arguments, int minWords,
                       int maxWords, int *code)
{
    m_command = arguments.value(0);
    // The parser takes the first word as the program's name.
    if (!parser.parse(QStringList {QStringLiteral("norvctl ") + m_command} + arguments.mid(1))) {
        *code = fail(UsageError, parser.errorText() + "; see norvctl " + m_command + " --help");
        return false;
    }
    if (parser.isSet(QStringLiteral("help"))) {
        // The parser names the program as it was started; the usage line names the command.
        QString help = parser.helpText();
        const int end = help.indexOf(QLatin1String(" [options]"));
        if (help.startsWith(QLatin1String("Usage: ")) && end > 0)
            help.replace(7, end - 7, "norvctl " + m_command);
        m_out << help;
        m_out.flush();
        *code = Success;
        return false;
    }
    const QStringList words = parser.positionalArguments();
    if (words.size() < minWords || words.size() > maxWords) {
        const QString what = words.size() < minWords
            ? QStringLiteral("is missing a word")
            : "cannot take '" + words.mid(maxWords).join(' ') + "'";
        *code = fail(UsageError, m_command + ' ' + what + "; see norvctl " + m_command + " --help");
        return false;
    }
    if (parser.isSet(ControllerOption))
        m_controller = parser.value(ControllerOption);
    return true;
}

int CtlSession::connect()
{
    static SilentPrompt silent;
    m_core.setPrompt(m_prompt ? m_prompt : &silent);
    if (m_controller == QLatin1String("vm-usb"))
        m_core.setControllerChoice(QLatin1String(SettingsStore::VmUsbController));
    else if (m_controller == QLatin1String("v1718"))
        m_core.setControllerChoice(QLatin1String(SettingsStore::V1718Controller));
    else if (!m_controller.isEmpty())
        return fail(UsageError, "unknown controller '" + m_controller + "' (vm-usb or v1718)");
    m_core.initModuleAccess();
    m_core.stopRefresh();
    BaseController *bus = m_core.controller();
    if (!bus || !bus->isConnected())
        return fail(NoController,
                    "cannot open the VME controller " + (bus ? bus->name() : QString())
                        + ": no bridge found");
    // A module's first register read after it was made gives 0 until it has
    // been identified (the window's refresh does this); identify them all now.
    for (int slot = 0; slot < m_core.moduleCount(); ++slot)
        m_core.module(slot)->GetModuleDeviceClass();
    return Success;
}

BaseModule *CtlSession::find(const QCommandLineParser &parser, int *code)
{
    const QString base = parser.value(BaseOption);
    const QString serial = parser.value(SerialOption);
    if (base.isEmpty() == serial.isEmpty()) {
        *code = fail(UsageError, QStringLiteral("name one module, with -m BASE or -s SERIAL"));
        return nullptr;
    }
    bool ok = false;
    const uint wanted = base.isEmpty() ? serial.toUInt(&ok, 10) : base.toUInt(&ok, 0);
    if (!ok) {
        *code = fail(UsageError,
                     "'" + (base.isEmpty() ? serial : base) + "' is not a "
                         + (base.isEmpty() ? "serial number" : "base address"));
        return nullptr;
    }
    for (int slot = 0; slot < m_core.moduleCount(); ++slot) {
        BaseModule *module = m_core.module(slot);
        const uint have = base.isEmpty() ? uint(module->GetModuleSerialNumber())
                                         : uint(module->GetModuleBaseAddress());
        if (have == wanted) {
            m_core.selectModule(slot);
            return module;
        }
    }
    *code = fail(ModuleNotFound,
                 "no module " + (base.isEmpty() ? "with serial " + serial : "at " + base)
                     + " in the crate");
    return nullptr;
}
