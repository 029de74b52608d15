#pragma once

#include <QDialog>

class MeasurementRun;

namespace Ui {
class DialogStatistic;
}

/// The measurement logging window over a MeasurementRun: the file name, the
/// channel choice and Start / Stop / Once. It takes the refresh cycle's
/// measurement reports whether shown or not; closing the window stops a run.
class DialogStatistic : public QDialog
{
    Q_OBJECT

public:
    explicit DialogStatistic(QWidget *parent = nullptr);
    ~DialogStatistic() override;

    /// The single-channel box offers channels 0 ... count - 1.
    void setChannelCount(int count);
    /// True while a once-run waits for the next pass over all modules.
    bool onceRunPending() const;
    MeasurementRun *run() const { return m_run; }

public slots:
    void updateChannelVoltageMeasure(int serialNumber, int channel, float vmeas,
                                     const QString &unit);
    void updateChannelCurrentMeasure(int serialNumber, int channel, float imeas,
                                     const QString &unit);
    void updateAllModulesComplete();
    void updateModuleTemperature(int serialNumber, float temperature);

protected:
    void closeEvent(QCloseEvent *event) override;
    void changeEvent(QEvent *event) override;

private slots:
    void on_btnSelectFile_clicked();
    void on_btnStart_clicked();
    void on_btnStop_clicked();
    void on_chkAllChannels_clicked();
    void on_chkSingleChannel_clicked();
    void on_txtFilename_textChanged(const QString &arg1);
    void on_pushButtonOnce_clicked();

private:
    void startRun(bool once);
    void showRunning(bool running);
    void applyChannelFilter();
    void warnWriteFailed(const QString &path, int linesWritten);

    Ui::DialogStatistic *ui;
    MeasurementRun *m_run;
};
