#include "CtlPrompt.h"

#include <iostream>
#include <string>
#include <unistd.h>

CtlPrompt::CtlPrompt(QTextStream &err, bool yes)
    : m_err(err)
    , m_yes(yes)
    , m_terminalIn(::isatty(STDIN_FILENO))
    , m_terminalErr(::isatty(STDERR_FILENO))
{
}

int CtlPrompt::question(const QString &, const QString &text, int buttons)
{
    const bool yesNo = (buttons & Yes) && (buttons & No);
    if (yesNo && m_yes) {
        if (m_yesGiven < MaxYes) {
            ++m_yesGiven;
            line(QStringLiteral("norvctl: %1 yes (--yes, %2 of %3)")
                     .arg(text)
                     .arg(m_yesGiven)
                     .arg(MaxYes));
            return Yes;
        }
        line(QStringLiteral("norvctl: %1 no: --yes answered yes %2 times already")
                 .arg(text)
                 .arg(MaxYes));
        return No;
    }
    if (!yesNo || !m_terminalIn) {
        m_refused = true;
        line(QStringLiteral("norvctl: refused: \"%1\" cannot be answered: %2")
                 .arg(text,
                      yesNo ? QStringLiteral("stdin is not a terminal (--yes answers yes)")
                            : QStringLiteral("norvctl has no such question")));
        return yesNo ? No : NoButton;
    }
    endProgress();
    for (;;) {
        m_err << text << " [y/n] ";
        m_err.flush();
        std::string answer;
        if (!std::getline(std::cin, answer)) {
            m_err << '\n';
            m_refused = true;
            return No; // the terminal closed: nobody answers
        }
        const QString word = QString::fromStdString(answer).trimmed().toLower();
        if (word == QLatin1String("y") || word == QLatin1String("yes"))
            return Yes;
        if (word == QLatin1String("n") || word == QLatin1String("no"))
            return No;
    }
}

int CtlPrompt::information(const QString &, const QString &text, int)
{
    line(QStringLiteral("norvctl: ") + text);
    return Ok;
}

int CtlPrompt::warning(const QString &, const QString &text, int)
{
    line(QStringLiteral("norvctl: ") + text);
    return Ok;
}

void CtlPrompt::line(const QString &text)
{
    endProgress();
    m_err << text << '\n';
    m_err.flush();
}

void CtlPrompt::progress(const QString &what)
{
    if (!m_terminalErr)
        return;
    if (!m_started.isValid())
        m_started.start();
    if (m_lastProgress.isValid() && m_lastProgress.elapsed() < 250)
        return;
    m_lastProgress.start();
    m_err << QStringLiteral("\rnorvctl: %1 ... %2 s")
                 .arg(what)
                 .arg(double(m_started.elapsed()) / 1000, 0, 'f', 1);
    m_err.flush();
    m_progressShown = true;
}

void CtlPrompt::endProgress()
{
    if (!m_progressShown)
        return;
    m_err << '\n';
    m_progressShown = false;
}
