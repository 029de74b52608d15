#pragma once

#include "OperatorPrompt.h"

/// The operator prompt that shows Qt's own modal dialogs.
class QtOperatorPrompt : public OperatorPrompt
{
public:
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
};
