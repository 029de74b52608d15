#include "PromptRecorder.h"

QList<PromptRecorder::Shown> PromptRecorder::shown(const QString &kind) const
{
    QList<Shown> result;
    for (const Shown &s : m_shown) {
        if (s.kind == kind)
            result.append(s);
    }
    return result;
}

PromptRecorder::Shown &PromptRecorder::record(const char *kind, const QString &title,
                                              const QString &text)
{
    m_shown.append(Shown());
    Shown &s = m_shown.last();
    s.kind = QString::fromLatin1(kind);
    s.title = title;
    s.text = text;
    return s;
}

PromptRecorder::Button PromptRecorder::button(const char *kind, const QString &title,
                                              const QString &text, Buttons buttons)
{
    record(kind, title, text).buttons = buttons;
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

QString PromptRecorder::getItem(QWidget *, const QString &title, const QString &label,
                                const QStringList &items, int current, bool editable, bool *ok)
{
    Shown &s = record("getItem", title, label);
    s.items = items;
    s.current = current;
    s.editable = editable;
    return nextValue(ok).toString();
}

QVariant PromptRecorder::number(const char *kind, const QString &title, const QString &label,
                                double value, double minValue, double maxValue, int decimals,
                                bool *ok)
{
    Shown &s = record(kind, title, label);
    s.value = value;
    s.minValue = minValue;
    s.maxValue = maxValue;
    s.decimals = decimals;
    bool confirmed = false;
    const QVariant answer = nextValue(&confirmed);
    if (ok)
        *ok = confirmed;
    return confirmed ? answer : QVariant(value);
}
