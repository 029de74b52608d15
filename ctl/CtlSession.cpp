#include "CtlSession.h"

#include <BaseController.h>
#include <BaseModule.h>
#include <CorePrompt.h>
#include <CrateCore.h>
#include <SettingsStore.h>

#include <QCoreApplication>
#include <QEventLoop>
#include <QLocale>
#include <QSocketNotifier>
#include <QTimer>

#include <csignal>
#include <cstdio>
#include <fcntl.h>
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

// Ctrl+C: the handler only writes a byte into a pipe, whose reading end a
// socket notifier watches in the event loop.
volatile std::sig_atomic_t interruptFlag = 0;
int interruptPipe[2] = {-1, -1};

void onInterrupt(int)
{
    interruptFlag = 1;
    const char byte = 1;
    if (interruptPipe[1] >= 0 && ::write(interruptPipe[1], &byte, 1) < 0) {
        // Nothing to do in a signal handler; the flag is set.
    }
}

// Quits every pause when Ctrl+C comes.
class InterruptNotifier : public QObject
{
public:
    static InterruptNotifier *instance()
    {
        static InterruptNotifier *notifier = new InterruptNotifier(QCoreApplication::instance());
        return notifier;
    }
    QSocketNotifier *notifier() const { return m_notifier; }

private:
    explicit InterruptNotifier(QObject *parent)
        : QObject(parent)
    {
        if (::pipe(interruptPipe) == 0) {
            ::fcntl(interruptPipe[0], F_SETFL, O_NONBLOCK);
            ::fcntl(interruptPipe[1], F_SETFL, O_NONBLOCK);
            m_notifier = new QSocketNotifier(interruptPipe[0], QSocketNotifier::Read, this);
            QObject::connect(m_notifier, &QSocketNotifier::activated, this, [] {
                char bytes[16];
                while (::read(interruptPipe[0], bytes, sizeof bytes) > 0) { }
            });
        }
        struct sigaction action = {};
        action.sa_handler = onInterrupt;
        sigemptyset(&action.sa_mask);
        sigaction(SIGINT, &action, nullptr);
    }

    QSocketNotifier *m_notifier = nullptr;
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

CtlPrompt::CtlPrompt(QTextStream &err, bool yes)
    : m_err(err)
    , m_yes(yes)
{
}

int CtlPrompt::question(const QString &, const QString &text, int buttons)
{
    const int no = (buttons & No) ? No : (buttons & Cancel) ? Cancel : NoButton;
    const int yes = (buttons & Yes) ? Yes : Ok;
    if (m_yes) {
        m_err << "norvctl: " << CtlSession::oneLine(text) << " yes (--yes)\n";
        m_err.flush();
        return yes;
    }
    if (!CtlSession::stdinIsTerminal()) {
        m_err << "norvctl: " << CtlSession::oneLine(text)
              << " no (stdin is no terminal; --yes answers yes)\n";
        m_err.flush();
        return no;
    }
    m_err << CtlSession::oneLine(text) << " [y/N] ";
    m_err.flush();
    QTextStream in(stdin);
    const QString answer = in.readLine().trimmed().toLower();
    return answer == QLatin1String("y") || answer == QLatin1String("yes") ? yes : no;
}

int CtlPrompt::information(const QString &, const QString &text, int)
{
    m_err << "norvctl: " << CtlSession::oneLine(text) << '\n';
    m_err.flush();
    return Ok;
}

int CtlPrompt::warning(const QString &title, const QString &text, int buttons)
{
    return information(title, text, buttons);
}

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

void CtlSession::catchInterrupt() { InterruptNotifier::instance(); }

bool CtlSession::interrupted() const { return interruptFlag != 0; }

bool CtlSession::pause(int ms)
{
    if (interrupted())
        return false;
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    QMetaObject::Connection quit;
    if (QSocketNotifier *notifier = InterruptNotifier::instance()->notifier())
        quit = QObject::connect(notifier, &QSocketNotifier::activated, &loop, &QEventLoop::quit);
    loop.exec();
    QObject::disconnect(quit);
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
