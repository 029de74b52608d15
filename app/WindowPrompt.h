#pragma once

#include <CorePrompt.h>

class QWidget;

/// The crate core's prompt in the window: message boxes over `parent`,
/// through the operator prompt that tests can replace.
class WindowPrompt : public CorePrompt
{
public:
    explicit WindowPrompt(QWidget *parent)
        : m_parent(parent)
    {
    }

    int question(const QString &title, const QString &text, int buttons) override;
    int information(const QString &title, const QString &text, int buttons = Ok) override;
    int warning(const QString &title, const QString &text, int buttons = Ok) override;
    QString getItem(const QString &title, const QString &label, const QStringList &items,
                    int current, bool *ok) override;

private:
    QWidget *m_parent;
};
