#pragma once

#include <OperatorPrompt.h>

#include <QList>
#include <QQueue>
#include <QVariant>

/// An operator prompt for tests: installs itself for its lifetime, answers
/// every question from a script and records what the operator was shown.
///
/// Message boxes take the next scripted button (none scripted: Cancel if
/// offered, else NoButton). Input dialogs take the next scripted value; with
/// none scripted, or after answerCancel(), the operator cancelled.
class PromptRecorder : public OperatorPrompt
{
public:
    struct Shown
    {
        QString kind; ///< "question", "warning", "getItem", ...
        QString title;
        QString text; ///< message text or input label
        QMessageBox::StandardButtons buttons;
        QStringList items;
        int current = 0;
        bool editable = false;
        double value = 0;
        double minValue = 0;
        double maxValue = 0;
        int decimals = 0;
    };

    PromptRecorder() { OperatorPrompt::install(this); }
    ~PromptRecorder() override { OperatorPrompt::install(nullptr); }

    /// Queues the button the next message box answers with.
    void answerButton(QMessageBox::StandardButton button) { m_buttons.enqueue(button); }
    /// Queues the value the next input dialog confirms (QString, int or double).
    void answerValue(const QVariant &value) { m_values.enqueue(value); }
    /// Queues a cancelled input dialog.
    void answerCancel() { m_values.enqueue(QVariant()); }

    const QList<Shown> &shown() const { return m_shown; }
    /// Everything shown of one kind.
    QList<Shown> shown(const QString &kind) const;
    void clear() { m_shown.clear(); }
    /// Scripted answers not yet used.
    int pendingAnswers() const { return int(m_buttons.size() + m_values.size()); }

    using Button = QMessageBox::StandardButton;
    using Buttons = QMessageBox::StandardButtons;
    Button question(QWidget *, const QString &title, const QString &text, Buttons buttons,
                    Button) override
    {
        return button("question", title, text, buttons);
    }
    Button information(QWidget *, const QString &title, const QString &text, Buttons buttons,
                       Button) override
    {
        return button("information", title, text, buttons);
    }
    Button warning(QWidget *, const QString &title, const QString &text, Buttons buttons,
                   Button) override
    {
        return button("warning", title, text, buttons);
    }
    Button critical(QWidget *, const QString &title, const QString &text, Buttons buttons,
                    Button) override
    {
        return button("critical", title, text, buttons);
    }
    void about(QWidget *, const QString &title, const QString &text) override
    {
        button("about", title, text, QMessageBox::Ok);
    }
    void aboutQt(QWidget *, const QString &title) override
    {
        button("aboutQt", title, QString(), QMessageBox::Ok);
    }
    QString getItem(QWidget *, const QString &title, const QString &label, const QStringList &items,
                    int current, bool editable, bool *ok) override;
    int getInt(QWidget *, const QString &title, const QString &label, int value, int minValue,
               int maxValue, int, bool *ok) override
    {
        return number("getInt", title, label, value, minValue, maxValue, 0, ok).toInt();
    }
    double getDouble(QWidget *, const QString &title, const QString &label, double value,
                     double minValue, double maxValue, int decimals, bool *ok) override
    {
        return number("getDouble", title, label, value, minValue, maxValue, decimals, ok)
            .toDouble();
    }
    QString getText(QWidget *, const QString &title, const QString &label, QLineEdit::EchoMode,
                    const QString &, bool *ok) override
    {
        record("getText", title, label);
        return nextValue(ok).toString();
    }
    QString getOpenFileName(QWidget *, const QString &caption, const QString &,
                            const QString &) override
    {
        record("getOpenFileName", caption);
        return nextValue(nullptr).toString();
    }
    QString getSaveFileName(QWidget *, const QString &caption, const QString &,
                            const QString &) override
    {
        record("getSaveFileName", caption);
        return nextValue(nullptr).toString();
    }

private:
    Shown &record(const char *kind, const QString &title, const QString &text = QString());
    Button button(const char *kind, const QString &title, const QString &text, Buttons buttons);
    /// The scripted value of a number dialog, or `value` when cancelled.
    QVariant number(const char *kind, const QString &title, const QString &label, double value,
                    double minValue, double maxValue, int decimals, bool *ok);
    /// The next scripted value; invalid, with *ok false, for a cancel.
    QVariant nextValue(bool *ok);

    QList<Shown> m_shown;
    QQueue<Button> m_buttons;
    QQueue<QVariant> m_values;
};
