#pragma once

#include <QDialog>

namespace Ui {
class DialogAutomatic;
}

/// The automatic set-voltage timer's settings, its Start/Stop button and
/// the log of its checks. The main window runs the timer and reads the
/// settings at every step.
class DialogAutomatic : public QDialog
{
    Q_OBJECT

public:
    explicit DialogAutomatic(QWidget *parent = nullptr);
    ~DialogAutomatic() override;

    double upperLimit() const;
    double lowerLimit() const;
    double increment() const;
    /// 0 selected channel, 1 selected module, 2 whole system, 3 modules 0 ... 3.
    int scope() const;
    bool isRunning() const { return m_running; }

public slots:
    /// Appends `message` to the log as a paragraph of its own.
    void log(const QString &message);

signals:
    /// The timer's interval in milliseconds.
    void automaticTimerIntervalChanged(int interval);
    void automaticTimerEnabled(bool enabled);

protected:
    void changeEvent(QEvent *event) override;

private slots:
    void on_btnStartStop_clicked();
    void on_sbInterval_valueChanged(int arg1);

private:
    void applyButtonText();

    Ui::DialogAutomatic *ui;
    bool m_running = false;
};
