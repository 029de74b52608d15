#pragma once

// A prompt for the crate core that keeps every text it was shown and
// answers with the next scripted button (NoButton when none is left).

#include <CorePrompt.h>

#include <QList>
#include <QStringList>

class CorePromptRecorder : public CorePrompt
{
public:
    QStringList shown; ///< "kind: text", in order
    QList<int> answers;

    int question(const QString &title, const QString &text, int buttons) override
    {
        return record(QStringLiteral("question"), title, text, buttons);
    }
    int information(const QString &title, const QString &text, int buttons) override
    {
        return record(QStringLiteral("information"), title, text, buttons);
    }
    int warning(const QString &title, const QString &text, int buttons) override
    {
        return record(QStringLiteral("warning"), title, text, buttons);
    }

private:
    int record(const QString &kind, const QString &title, const QString &text, int buttons)
    {
        // Every box of the program carries its title and at least one button.
        shown << (title == programTitle() && buttons != NoButton ? kind : QStringLiteral("bad "))
                + QStringLiteral(": ") + text;
        return answers.isEmpty() ? NoButton : answers.takeFirst();
    }
};
