#pragma once

#include <QDialog>

namespace Ui {
class DialogWriteProfile;
}

/// Shows every value a profile load is about to write, one log line each,
/// and asks the operator to go ahead. Cleared whenever it is shown again.
class DialogWriteProfile : public QDialog
{
    Q_OBJECT

public:
    explicit DialogWriteProfile(QWidget *parent = nullptr);
    ~DialogWriteProfile() override;

public slots:
    /// Appends `line` and a line break to the log, as plain text.
    void addToLog(const QString &line);

protected:
    void showEvent(QShowEvent *event) override;
    void changeEvent(QEvent *event) override;

private slots:
    void on_btnOK_clicked();
    void on_btnCancel_clicked();

private:
    Ui::DialogWriteProfile *ui;
};
