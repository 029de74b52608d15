#include "WindowPrompt.h"

#include "OperatorPrompt.h"

namespace {

QMessageBox::StandardButtons buttonsOf(int buttons)
{
    return QMessageBox::StandardButtons(QMessageBox::StandardButton(buttons));
}

} // namespace

int WindowPrompt::question(const QString &title, const QString &text, int buttons)
{
    return OperatorPrompt::instance()->question(m_parent, title, text, buttonsOf(buttons));
}

int WindowPrompt::information(const QString &title, const QString &text, int buttons)
{
    return OperatorPrompt::instance()->information(m_parent, title, text, buttonsOf(buttons));
}

int WindowPrompt::warning(const QString &title, const QString &text, int buttons)
{
    return OperatorPrompt::instance()->warning(m_parent, title, text, buttonsOf(buttons));
}

QString WindowPrompt::getItem(const QString &title, const QString &label, const QStringList &items,
                              int current, bool *ok)
{
    return OperatorPrompt::instance()->getItem(m_parent, title, label, items, current, false, ok);
}
