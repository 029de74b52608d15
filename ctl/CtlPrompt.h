#pragma once

#include <CorePrompt.h>

#include <QElapsedTimer>
#include <QString>
#include <QTextStream>

/// The operator prompt of norvctl: messages go to stderr, and a question is
/// asked on the terminal (y/n read from stdin). With `--yes` a question is
/// answered yes, at most MaxYes times in a row, so that a module that never
/// takes a request cannot keep the tool retrying for ever. Without a
/// terminal and without `--yes` nobody can answer: the question is refused
/// (answered no) and says so. On a terminal, progress() keeps one line on
/// stderr up to date while a procedure waits.
class CtlPrompt : public CorePrompt
{
public:
    static constexpr int MaxYes = 3;

    CtlPrompt(QTextStream &err, bool yes);

    int question(const QString &title, const QString &text, int buttons) override;
    int information(const QString &title, const QString &text, int buttons = Ok) override;
    int warning(const QString &title, const QString &text, int buttons = Ok) override;

    /// One line on stderr, after the progress line (if any) was ended.
    void line(const QString &text);
    /// On a terminal: "norvctl: <what> ... <seconds> s", rewritten in place
    /// at most four times a second. Elsewhere nothing.
    void progress(const QString &what);
    /// True once a question was refused because nobody could answer it.
    bool refused() const { return m_refused; }

private:
    void endProgress();

    QTextStream &m_err;
    bool m_yes;
    bool m_terminalIn;
    bool m_terminalErr;
    int m_yesGiven = 0;
    bool m_refused = false;
    bool m_progressShown = false;
    QElapsedTimer m_started;
    QElapsedTimer m_lastProgress;
};
