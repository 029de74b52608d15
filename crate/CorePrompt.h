#pragma once

#include <QString>
#include <QStringList>

/// What code without widgets asks or tells the operator. The window hands
/// the crate core (and every procedure it runs) a prompt that shows message
/// boxes; a headless tool prints; tests record the texts and answer from a
/// script. Buttons carry the message box's values so a window prompt passes
/// them through unchanged.
class CorePrompt
{
public:
    enum Button : int {
        NoButton = 0x00000000,
        Ok = 0x00000400,
        Yes = 0x00004000,
        No = 0x00010000,
        Cancel = 0x00400000
    };

    virtual ~CorePrompt();

    /// A question; returns the button chosen (NoButton when the box was closed).
    virtual int question(const QString &title, const QString &text, int buttons) = 0;
    virtual int information(const QString &title, const QString &text, int buttons = Ok) = 0;
    virtual int warning(const QString &title, const QString &text, int buttons = Ok) = 0;
    /// A choice from a fixed list, `current` preselected; `ok` (never null)
    /// tells whether the operator confirmed. A prompt that cannot ask declines.
    virtual QString getItem(const QString &title, const QString &label, const QStringList &items,
                            int current, bool *ok);

    /// The program's title, which heads every message box.
    static QString programTitle();
};
