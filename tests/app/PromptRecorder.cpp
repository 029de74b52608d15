#include "PromptRecorder.h"

PromptRecorder::PromptRecorder() { OperatorPrompt::install(this); }

PromptRecorder::~PromptRecorder() { OperatorPrompt::install(nullptr); }

void PromptRecorder::answerButton(QMessageBox::StandardButton button) { m_buttons.enqueue(button); }

void PromptRecorder::answerValue(const QVariant &value) { m_values.enqueue(value); }

void PromptRecorder::answerCancel() { m_values.enqueue(QVariant()); }

QList<PromptRecorder::Shown> PromptRecorder::shown(const QString &kind) const
{
    QList<Shown> result;
    for (const Shown &s : m_shown) {
        if (s.kind == kind)
            result.append(s);
    }
    return result;
}

QMessageBox::StandardButton PromptRecorder::messageBox(const QString &kind, const QString &title,
                                                       const QString &text,
                                                       QMessageBox::StandardButtons buttons)
{
    Shown s;
    s.kind = kind;
    s.title = title;
    s.text = text;
    s.buttons = buttons;
    m_shown.append(s);
    if (!m_buttons.isEmpty())
        return m_buttons.dequeue();
    return buttons.testFlag(QMessageBox::Cancel) ? QMessageBox::Cancel : QMessageBox::NoButton;
}

QVariant PromptRecorder::nextValue(bool *ok)
{
    const QVariant value = m_values.isEmpty() ? QVariant() : m_values.dequeue();
    if (ok)
        *ok = value.isValid();
    return value;
}

QMessageBox::StandardButton PromptRecorder::question(QWidget *, const QString &title,
                                                     const QString &text,
                                                     QMessageBox::StandardButtons buttons,
                                                     QMessageBox::StandardButton)
{
    return messageBox(QStringLiteral("question"), title, text, buttons);
}

QMessageBox::StandardButton PromptRecorder::information(QWidget *, const QString &title,
                                                        const QString &text,
                                                        QMessageBox::StandardButtons buttons,
                                                        QMessageBox::StandardButton)
{
    return messageBox(QStringLiteral("information"), title, text, buttons);
}

QMessageBox::StandardButton PromptRecorder::warning(QWidget *, const QString &title,
                                                    const QString &text,
                                                    QMessageBox::StandardButtons buttons,
                                                    QMessageBox::StandardButton)
{
    return messageBox(QStringLiteral("warning"), title, text, buttons);
}

QMessageBox::StandardButton PromptRecorder::critical(QWidget *, const QString &title,
                                                     const QString &text,
                                                     QMessageBox::StandardButtons buttons,
                                                     QMessageBox::StandardButton)
{
    return messageBox(QStringLiteral("critical"), title, text, buttons);
}

void PromptRecorder::about(QWidget *, const QString &title, const QString &text)
{
    messageBox(QStringLiteral("about"), title, text, QMessageBox::Ok);
}

void PromptRecorder::aboutQt(QWidget *, const QString &title)
{
    messageBox(QStringLiteral("aboutQt"), title, QString(), QMessageBox::Ok);
}

QString PromptRecorder::getItem(QWidget *, const QString &title, const QString &label,
                                const QStringList &items, int current, bool editable, bool *ok)
{
    Shown s;
    s.kind = QStringLiteral("getItem");
    s.title = title;
    s.text = label;
    s.items = items;
    s.current = current;
    s.editable = editable;
    m_shown.append(s);
    return nextValue(ok).toString();
}

int PromptRecorder::getInt(QWidget *, const QString &title, const QString &label, int value,
                           int minValue, int maxValue, int, bool *ok)
{
    Shown s;
    s.kind = QStringLiteral("getInt");
    s.title = title;
    s.text = label;
    s.value = value;
    s.minValue = minValue;
    s.maxValue = maxValue;
    m_shown.append(s);
    bool confirmed = false;
    const QVariant answer = nextValue(&confirmed);
    if (ok)
        *ok = confirmed;
    return confirmed ? answer.toInt() : value;
}

double PromptRecorder::getDouble(QWidget *, const QString &title, const QString &label,
                                 double value, double minValue, double maxValue, int, bool *ok)
{
    Shown s;
    s.kind = QStringLiteral("getDouble");
    s.title = title;
    s.text = label;
    s.value = value;
    s.minValue = minValue;
    s.maxValue = maxValue;
    m_shown.append(s);
    bool confirmed = false;
    const QVariant answer = nextValue(&confirmed);
    if (ok)
        *ok = confirmed;
    return confirmed ? answer.toDouble() : value;
}

QString PromptRecorder::getText(QWidget *, const QString &title, const QString &label,
                                QLineEdit::EchoMode, const QString &, bool *ok)
{
    Shown s;
    s.kind = QStringLiteral("getText");
    s.title = title;
    s.text = label;
    m_shown.append(s);
    return nextValue(ok).toString();
}

QString PromptRecorder::getOpenFileName(QWidget *, const QString &caption, const QString &,
                                        const QString &)
{
    Shown s;
    s.kind = QStringLiteral("getOpenFileName");
    s.title = caption;
    m_shown.append(s);
    return nextValue(nullptr).toString();
}

QString PromptRecorder::getSaveFileName(QWidget *, const QString &caption, const QString &,
                                        const QString &)
{
    Shown s;
    s.kind = QStringLiteral("getSaveFileName");
    s.title = caption;
    m_shown.append(s);
    return nextValue(nullptr).toString();
}
