#pragma once

#include <OperatorPrompt.h>

#include <QList>
#include <QQueue>
#include <QVariant>

/// An operator prompt for tests: installs itself for its lifetime, answers
/// every question from a script and records what the operator was shown.
///
/// Message boxes take the next scripted button (none scripted: the box is
/// "closed" with Cancel if offered, else NoButton). Input dialogs take the
/// next scripted value; with none scripted, or after cancel(), they report
/// that the operator cancelled.
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
    };

    PromptRecorder();
    ~PromptRecorder() override;

    /// Queues the button the next message box answers with.
    void answerButton(QMessageBox::StandardButton button);
    /// Queues the value the next input dialog confirms (QString, int or double).
    void answerValue(const QVariant &value);
    /// Queues a cancelled input dialog.
    void answerCancel();

    const QList<Shown> &shown() const { return m_shown; }
    /// Everything shown of one kind.
    QList<Shown> shown(const QString &kind) const;
    void clear() { m_shown.clear(); }
    /// Scripted answers not yet used.
    int pendingAnswers() const { return m_buttons.size() + m_values.size(); }

    QMessageBox::StandardButton question(QWidget *parent, const QString &title, const QString &text,
                                         QMessageBox::StandardButtons buttons,
                                         QMessageBox::StandardButton defaultButton) override;
    QMessageBox::StandardButton information(QWidget *parent, const QString &title,
                                            const QString &text,
                                            QMessageBox::StandardButtons buttons,
                                            QMessageBox::StandardButton defaultButton) override;
    QMessageBox::StandardButton warning(QWidget *parent, const QString &title, const QString &text,
                                        QMessageBox::StandardButtons buttons,
                                        QMessageBox::StandardButton defaultButton) override;
    QMessageBox::StandardButton critical(QWidget *parent, const QString &title, const QString &text,
                                         QMessageBox::StandardButtons buttons,
                                         QMessageBox::StandardButton defaultButton) override;
    void about(QWidget *parent, const QString &title, const QString &text) override;
    void aboutQt(QWidget *parent, const QString &title) override;
    QString getItem(QWidget *parent, const QString &title, const QString &label,
                    const QStringList &items, int current, bool editable, bool *ok) override;
    int getInt(QWidget *parent, const QString &title, const QString &label, int value, int minValue,
               int maxValue, int step, bool *ok) override;
    double getDouble(QWidget *parent, const QString &title, const QString &label, double value,
                     double minValue, double maxValue, int decimals, bool *ok) override;
    QString getText(QWidget *parent, const QString &title, const QString &label,
                    QLineEdit::EchoMode echo, const QString &text, bool *ok) override;
    QString getOpenFileName(QWidget *parent, const QString &caption, const QString &dir,
                            const QString &filter) override;
    QString getSaveFileName(QWidget *parent, const QString &caption, const QString &dir,
                            const QString &filter) override;

private:
    QMessageBox::StandardButton messageBox(const QString &kind, const QString &title,
                                           const QString &text,
                                           QMessageBox::StandardButtons buttons);
    /// The next scripted value, or an invalid QVariant for a cancel.
    QVariant nextValue(bool *ok);

    QList<Shown> m_shown;
    QQueue<QMessageBox::StandardButton> m_buttons;
    QQueue<QVariant> m_values;
};
