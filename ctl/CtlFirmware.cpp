#include "CtlFirmware.h"
#include "CtlSession.h"

#include <BaseModule.h>
#include <CrateCore.h>
#include <FirmwareTransfer.h>
#include <SRecordFile.h>
#include <Sequence.h>
#include <WordBits.h>

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>

namespace {

// How often the tool looks at the transfer; the module's reports come with
// the refresh ticks in between.
constexpr int PollMs = 50;
// How long a module may take to leave special mode after the end command.
constexpr int EndWaitMs = 10000;
constexpr int BarWidth = 30;

QString phase(int state, bool write)
{
    using T = FirmwareTransfer;
    switch (state) {
    case T::SpecialModeReached:
        return QStringLiteral("restarting the loader");
    case T::SendingModeCommand:
        return write ? QStringLiteral("starting the burn") : QStringLiteral("starting the compare");
    case T::Burning:
        return QStringLiteral("burning");
    case T::BurnFinished:
        return QStringLiteral("starting the verify");
    case T::Verifying:
        return QStringLiteral("verifying");
    case T::Comparing:
        return QStringLiteral("comparing");
    case T::VerifyFinished:
    case T::PostFlash:
        return QStringLiteral("post flash");
    default:
        return QStringLiteral("requesting special mode");
    }
}

// The transfer's progress on stderr: a bar redrawn in place on a terminal,
// otherwise one line for each phase.
class Progress
{
public:
    Progress(QTextStream &err, FirmwareTransfer &transfer, bool write)
        : m_err(err)
        , m_write(write)
        , m_terminal(CtlSession::stderrIsTerminal())
    {
        QObject::connect(&transfer, &FirmwareTransfer::progressRangeChanged,
                         [this](int, int maximum) { m_maximum = maximum; });
        QObject::connect(&transfer, &FirmwareTransfer::progressChanged,
                         [this](int value) { m_value = value; });
        QObject::connect(&transfer, &FirmwareTransfer::addressTextChanged,
                         [this](const QString &text) { m_address = text; });
    }

    void show(int state)
    {
        const QString now = phase(state, m_write);
        if (!m_terminal) {
            if (now != m_phase)
                m_err << "norvctl: firmware: " << now << '\n';
        } else {
            const int percent = m_maximum > 0 ? int(qint64(m_value) * 100 / m_maximum) : 0;
            const int filled = qBound(0, percent * BarWidth / 100, BarWidth);
            m_err << "\r\x1b[K"
                  << QStringLiteral("%1 [%2%3] %4%  %5")
                         .arg(now, -22)
                         .arg(QString(filled, QLatin1Char('#')))
                         .arg(QString(BarWidth - filled, QLatin1Char('.')))
                         .arg(percent, 3)
                         .arg(m_address);
            m_drawn = true;
        }
        m_phase = now;
        m_err.flush();
    }

    void end()
    {
        if (m_drawn)
            m_err << '\n';
        m_err.flush();
    }

    const QString &lastPhase() const { return m_phase; }

private:
    QTextStream &m_err;
    bool m_write;
    bool m_terminal;
    bool m_drawn = false;
    int m_maximum = 0;
    int m_value = 0;
    QString m_address;
    QString m_phase;
};

} // namespace

int CtlFirmware::firmware(CtlSession &session, const QStringList &arguments)
{
    QCommandLineParser parser;
    session.begin(parser,
                  QStringLiteral("Burns a firmware file (Motorola S-records) into one module and "
                                 "verifies it, or compares the module's program with it. The file "
                                 "is checked as a whole before anything is sent. Exit 0 only after "
                                 "a complete burn, verify and restart, or a clean compare."),
                  true);
    const QCommandLineOption yesOption(QStringLiteral("yes"),
                                       QStringLiteral("Answers yes to every question."));
    parser.addOption(yesOption);
    parser.addPositionalArgument(QStringLiteral("mode"), QStringLiteral("burn or compare."),
                                 QStringLiteral("burn|compare"));
    parser.addPositionalArgument(QStringLiteral("file"), QStringLiteral("The S-record file."),
                                 QStringLiteral("FILE"));
    int code = 0;
    if (!session.parse(parser, arguments, 2, 2, &code))
        return code;
    const QString mode = parser.positionalArguments().at(0);
    const QString fileName = parser.positionalArguments().at(1);
    if (mode != QLatin1String("burn") && mode != QLatin1String("compare"))
        return session.fail(CtlSession::UsageError, "'" + mode + "' is neither burn nor compare");
    const bool write = mode == QLatin1String("burn");
    // A bad file is refused before the bus is touched; the transfer checks it again.
    const SRecordFile file = SRecordFile::read(fileName);
    if (!file.ok())
        return session.fail(CtlSession::FileError, CtlSession::oneLine(file.error()));
    if ((code = session.connect()))
        return code;
    BaseModule *module = session.find(parser, &code);
    if (!module)
        return code;
    const int serial = module->GetModuleSerialNumber();

    // The transfer on the crate core's reports, as in the window, with a
    // one-second timer for the countdowns.
    CrateCore &core = session.core();
    CorePrompt *prompt = session.promptOnTerminal(parser.isSet(yesOption));
    FirmwareTransfer transfer;
    transfer.setPrompt(prompt);
    transfer.updateDeviceClass(quint16(module->deviceClass()));
    transfer.attach(core, QCoreApplication::translate("CtlFirmware", "the firmware transfer"));
    QTimer countdown;
    countdown.setInterval(1000);
    QObject::connect(&countdown, &QTimer::timeout, &transfer, &FirmwareTransfer::timeout);
    QObject::connect(&transfer, &FirmwareTransfer::countdownRunning, &countdown,
                     [&countdown](bool running) {
                         if (running)
                             countdown.start();
                         else
                             countdown.stop();
                     });
    quint32 moduleStatus = 0;
    int statusReports = 0;
    QObject::connect(&core, &CrateCore::updateModuleStatus, [&](int reporter, quint32 status) {
        if (reporter == serial) {
            moduleStatus = status;
            ++statusReports;
        }
    });

    Progress progress(session.err(), transfer, write);
    session.catchInterrupt();
    core.startRefresh();
    if (!transfer.start(fileName, write))
        return session.fail(CtlSession::Refused, "the " + mode + " did not start");
    while (session.pause(PollMs) && transfer.isRunning())
        progress.show(transfer.state());
    progress.end();
    // The transfer tells its outcome after the report that ended it.
    QCoreApplication::processEvents();
    if (transfer.isRunning())
        return session.fail(CtlSession::Refused,
                            "interrupted while " + progress.lastPhase()
                                + "; the module stays in special mode");
    if (write && transfer.state() != FirmwareTransfer::Idle)
        return session.fail(CtlSession::Refused,
                            QStringLiteral("the burn failed; the module stays in special mode "
                                           "with an incomplete program: burn again"));
    // A compare leaves the program as it was: the module may run it again,
    // as the window's operator would let it with "End Special".
    if (!write)
        core.setSpecialControl(FirmwareTransfer::CommandEndSpecialMode);
    const bool same = transfer.state() == FirmwareTransfer::Idle;

    // Done only when the module runs its program again.
    const int before = statusReports;
    QElapsedTimer clock;
    clock.start();
    while (statusReports == before || (moduleStatus & WordBits::ModuleStatus::SpecialMode)) {
        if (clock.elapsed() > EndWaitMs || !session.pause(PollMs))
            return session.fail(CtlSession::Refused,
                                QStringLiteral("the module did not leave special mode"));
    }
    if (!same)
        return session.fail(CtlSession::Refused,
                            "compare failed: the program in "
                                + CtlSession::hexAddress(module->GetModuleBaseAddress())
                                + " differs from " + fileName);
    session.out() << (write ? "burnt and verified " : "compared ") << file.records().size()
                  << " records of " << fileName << (write ? " into " : " with ")
                  << CtlSession::hexAddress(module->GetModuleBaseAddress()) << '\n';
    return CtlSession::Success;
}
