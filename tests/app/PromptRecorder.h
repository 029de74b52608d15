#pragma once

#include <CorePrompt.h>
#include <OperatorPrompt.h>

#include <QMetaEnum>
#include <QQueue>
#include <QVariant>

/// An operator prompt for tests: installs itself for its lifetime, answers
/// every question from a script and keeps one line for everything the
/// operator was shown, as the crate tests' CorePromptRecorder does:
///
///   "question: Ramp down all high voltages? [Yes|No|Cancel]"
///   "getItem: Choose ...: 50|60|100|500, 500"            (" editable" if so)
///   "getDouble: Input ...: [0...3000] = 123.5, 3 decimals"
///   "getText: Please enter password: = (hidden)"          (initial text, when shown)
///
/// A title other than the program's turns the kind into "bad <kind>".
/// Message boxes take the next scripted button (none scripted: Cancel if
/// offered, else NoButton). Input dialogs take the next scripted value; with
/// none scripted, or after answerCancel(), the operator cancelled.
class PromptRecorder : public OperatorPrompt
{
public:
    using Button = QMessageBox::StandardButton;
    using Buttons = QMessageBox::StandardButtons;

    QStringList shown;

    PromptRecorder() { OperatorPrompt::install(this); }
    ~PromptRecorder() override { OperatorPrompt::install(nullptr); }

    /// The lines of one kind, without the kind: "text [Ok]".
    QStringList shownOf(const QString &kind) const
    {
        QStringList lines;
        for (const QString &line : shown) {
            if (line.startsWith(kind + QStringLiteral(": ")))
                lines << line.mid(kind.size() + 2);
        }
        return lines;
    }
    /// Queues the button the next message box answers with.
    void answerButton(Button button) { m_buttons.enqueue(button); }
    /// Queues the value the next input dialog confirms (QString, int or double).
    void answerValue(const QVariant &value) { m_values.enqueue(value); }
    /// Queues a cancelled input dialog.
    void answerCancel() { m_values.enqueue(QVariant()); }

    Button question(QWidget *, const QString &title, const QString &text, Buttons buttons,
                    Button) override
    {
        return box("question", title, text, buttons);
    }
    Button information(QWidget *, const QString &title, const QString &text, Buttons buttons,
                       Button) override
    {
        return box("information", title, text, buttons);
    }
    Button warning(QWidget *, const QString &title, const QString &text, Buttons buttons,
                   Button) override
    {
        return box("warning", title, text, buttons);
    }
    Button critical(QWidget *, const QString &title, const QString &text, Buttons buttons,
                    Button) override
    {
        return box("critical", title, text, buttons);
    }
    void about(QWidget *, const QString &title, const QString &text) override
    {
        box("about", title, text, QMessageBox::Ok);
    }
    void aboutQt(QWidget *, const QString &title) override
    {
        box("aboutQt", title, QString(), QMessageBox::Ok);
    }
    QString getItem(QWidget *, const QString &title, const QString &label, const QStringList &items,
                    int current, bool editable, bool *ok) override
    {
        record("getItem", title,
               QStringLiteral("%1 %2, %3")
                       .arg(label, items.join(QLatin1Char('|')), items.value(current))
                   + QLatin1String(editable ? " editable" : ""));
        return nextValue(ok).toString();
    }
    int getInt(QWidget *, const QString &title, const QString &label, int value, int minValue,
               int maxValue, int, bool *ok) override
    {
        return number("getInt", title, label, value, minValue, maxValue, QString(), ok).toInt();
    }
    double getDouble(QWidget *, const QString &title, const QString &label, double value,
                     double minValue, double maxValue, int decimals, bool *ok) override
    {
        return number("getDouble", title, label, value, minValue, maxValue,
                      QStringLiteral(", %1 decimals").arg(decimals), ok)
            .toDouble();
    }
    QString getText(QWidget *, const QString &title, const QString &label, QLineEdit::EchoMode echo,
                    const QString &text, bool *ok) override
    {
        record("getText", title, label + " = " + (echo == QLineEdit::Normal ? text : "(hidden)"));
        return nextValue(ok).toString();
    }
    QString getOpenFileName(QWidget *, const QString &caption, const QString &,
                            const QString &) override
    {
        record("getOpenFileName", caption, QString());
        return nextValue(nullptr).toString();
    }
    QString getSaveFileName(QWidget *, const QString &caption, const QString &,
                            const QString &) override
    {
        record("getSaveFileName", caption, QString());
        return nextValue(nullptr).toString();
    }

private:
    void record(const char *kind, const QString &title, const QString &text)
    {
        shown << (title == CorePrompt::programTitle() ? QString() : QStringLiteral("bad "))
                + QLatin1String(kind) + QStringLiteral(": ") + text;
    }
    Button box(const char *kind, const QString &title, const QString &text, Buttons buttons)
    {
        // One name per button: Ok is also called FirstButton.
        QStringList names;
        for (quint32 bit = 1; bit != 0; bit <<= 1) {
            if (quint32(buttons.toInt()) & bit)
                names << QLatin1String(QMetaEnum::fromType<Buttons>().valueToKey(int(bit)));
        }
        record(kind, title, text + QStringLiteral(" [%1]").arg(names.join(QLatin1Char('|'))));
        if (!m_buttons.isEmpty())
            return m_buttons.dequeue();
        return buttons.testFlag(QMessageBox::Cancel) ? QMessageBox::Cancel : QMessageBox::NoButton;
    }
    /// The scripted value of a number dialog, or `value` when cancelled.
    QVariant number(const char *kind, const QString &title, const QString &label, double value,
                    double minValue, double maxValue, const QString &more, bool *ok)
    {
        record(kind, title,
               QStringLiteral("%1 [%2...%3] = %4")
                       .arg(label)
                       .arg(minValue, 0, 'g', 6)
                       .arg(maxValue, 0, 'g', 6)
                       .arg(value, 0, 'g', 6)
                   + more);
        const QVariant answer = nextValue(ok);
        return answer.isValid() ? answer : QVariant(value);
    }
    /// The next scripted value; invalid, with *ok false, for a cancel.
    QVariant nextValue(bool *ok)
    {
        const QVariant value = m_values.isEmpty() ? QVariant() : m_values.dequeue();
        if (ok)
            *ok = value.isValid();
        return value;
    }

    QQueue<Button> m_buttons;
    QQueue<QVariant> m_values;
};
