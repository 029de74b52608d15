#pragma once

#include <QLineEdit>
#include <QMessageBox>
#include <QString>
#include <QStringList>

class QWidget;

/// Every question the program puts to the operator: message boxes, input
/// dialogs and file choosers. The program never opens one of these itself; it
/// asks the installed prompt, so a test can install a recorder that answers
/// from a script and keeps the texts it was shown. The default prompt shows
/// the real Qt dialogs. Arguments and results mirror the Qt static functions
/// of the same names.
class OperatorPrompt
{
public:
    virtual ~OperatorPrompt();

    virtual QMessageBox::StandardButton
    question(QWidget *parent, const QString &title, const QString &text,
             QMessageBox::StandardButtons buttons,
             QMessageBox::StandardButton defaultButton = QMessageBox::NoButton)
        = 0;
    virtual QMessageBox::StandardButton
    information(QWidget *parent, const QString &title, const QString &text,
                QMessageBox::StandardButtons buttons = QMessageBox::Ok,
                QMessageBox::StandardButton defaultButton = QMessageBox::NoButton)
        = 0;
    virtual QMessageBox::StandardButton
    warning(QWidget *parent, const QString &title, const QString &text,
            QMessageBox::StandardButtons buttons = QMessageBox::Ok,
            QMessageBox::StandardButton defaultButton = QMessageBox::NoButton)
        = 0;
    virtual QMessageBox::StandardButton
    critical(QWidget *parent, const QString &title, const QString &text,
             QMessageBox::StandardButtons buttons = QMessageBox::Ok,
             QMessageBox::StandardButton defaultButton = QMessageBox::NoButton)
        = 0;
    virtual void about(QWidget *parent, const QString &title, const QString &text) = 0;
    virtual void aboutQt(QWidget *parent, const QString &title) = 0;

    /// `ok` (may be null) tells whether the operator confirmed.
    virtual QString getItem(QWidget *parent, const QString &title, const QString &label,
                            const QStringList &items, int current, bool editable, bool *ok)
        = 0;
    virtual int getInt(QWidget *parent, const QString &title, const QString &label, int value,
                       int minValue, int maxValue, int step, bool *ok)
        = 0;
    /// Unlike QInputDialog, the number comes back as typed, not clipped to
    /// the bounds (which the label names): the caller checks them.
    virtual double getDouble(QWidget *parent, const QString &title, const QString &label,
                             double value, double minValue, double maxValue, int decimals, bool *ok)
        = 0;
    virtual QString getText(QWidget *parent, const QString &title, const QString &label,
                            QLineEdit::EchoMode echo, const QString &text, bool *ok)
        = 0;
    /// An empty result means the operator cancelled.
    virtual QString getOpenFileName(QWidget *parent, const QString &caption, const QString &dir,
                                    const QString &filter)
        = 0;
    virtual QString getSaveFileName(QWidget *parent, const QString &caption, const QString &dir,
                                    const QString &filter)
        = 0;

    /// The prompt in use: the installed one, otherwise the Qt dialogs.
    static OperatorPrompt *instance();
    /// Installs `prompt` (not owned); nullptr goes back to the Qt dialogs.
    static void install(OperatorPrompt *prompt);
};
