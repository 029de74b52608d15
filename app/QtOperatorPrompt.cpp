#include "QtOperatorPrompt.h"

#include "SetValueInput.h"

#include <QFileDialog>
#include <QInputDialog>
#include <QLocale>

QMessageBox::StandardButton QtOperatorPrompt::question(QWidget *parent, const QString &title,
                                                       const QString &text,
                                                       QMessageBox::StandardButtons buttons,
                                                       QMessageBox::StandardButton defaultButton)
{
    return QMessageBox::question(parent, title, text, buttons, defaultButton);
}

QMessageBox::StandardButton QtOperatorPrompt::information(QWidget *parent, const QString &title,
                                                          const QString &text,
                                                          QMessageBox::StandardButtons buttons,
                                                          QMessageBox::StandardButton defaultButton)
{
    return QMessageBox::information(parent, title, text, buttons, defaultButton);
}

QMessageBox::StandardButton QtOperatorPrompt::warning(QWidget *parent, const QString &title,
                                                      const QString &text,
                                                      QMessageBox::StandardButtons buttons,
                                                      QMessageBox::StandardButton defaultButton)
{
    return QMessageBox::warning(parent, title, text, buttons, defaultButton);
}

QMessageBox::StandardButton QtOperatorPrompt::critical(QWidget *parent, const QString &title,
                                                       const QString &text,
                                                       QMessageBox::StandardButtons buttons,
                                                       QMessageBox::StandardButton defaultButton)
{
    return QMessageBox::critical(parent, title, text, buttons, defaultButton);
}

void QtOperatorPrompt::about(QWidget *parent, const QString &title, const QString &text)
{
    QMessageBox::about(parent, title, text);
}

void QtOperatorPrompt::aboutQt(QWidget *parent, const QString &title)
{
    QMessageBox::aboutQt(parent, title);
}

QString QtOperatorPrompt::getItem(QWidget *parent, const QString &title, const QString &label,
                                  const QStringList &items, int current, bool editable, bool *ok)
{
    return QInputDialog::getItem(parent, title, label, items, current, editable, ok);
}

int QtOperatorPrompt::getInt(QWidget *parent, const QString &title, const QString &label, int value,
                             int minValue, int maxValue, int step, bool *ok)
{
    return QInputDialog::getInt(parent, title, label, value, minValue, maxValue, step, ok);
}

double QtOperatorPrompt::getDouble(QWidget *parent, const QString &title, const QString &label,
                                   double value, double minValue, double maxValue, int decimals,
                                   bool *ok)
{
    // A spin box would drop the keystroke that leaves its range ("3500"
    // becomes "350") or round to its decimals: the operator types freely and
    // the caller checks the bounds of what was typed.
    const QString typed = QInputDialog::getText(parent, title, label, QLineEdit::Normal,
                                                QLocale().toString(value, 'f', decimals), ok);
    if (ok && !*ok)
        return value;
    const SetValueInput::Result number = SetValueInput::number(typed);
    if (number.accepted)
        return number.value;
    QMessageBox::warning(
        parent, title,
        SetValueInput::fromText(typed, {minValue, maxValue, QString()}).refusal);
    if (ok)
        *ok = false;
    return value;
}

QString QtOperatorPrompt::getText(QWidget *parent, const QString &title, const QString &label,
                                  QLineEdit::EchoMode echo, const QString &text, bool *ok)
{
    return QInputDialog::getText(parent, title, label, echo, text, ok);
}

QString QtOperatorPrompt::getOpenFileName(QWidget *parent, const QString &caption,
                                          const QString &dir, const QString &filter)
{
    return QFileDialog::getOpenFileName(parent, caption, dir, filter);
}

QString QtOperatorPrompt::getSaveFileName(QWidget *parent, const QString &caption,
                                          const QString &dir, const QString &filter)
{
    return QFileDialog::getSaveFileName(parent, caption, dir, filter);
}
