#pragma once

#include <QByteArray>
#include <QDialog>

class FirmwareTransfer;
class QTimer;

namespace Ui {
class DialogSpecial;
}

/// The special-mode dialog of the current module: a firmware file burnt or
/// compared record by record, and single special control commands. A view
/// over `FirmwareTransfer`, which keeps the states and answers the reports;
/// the dialog only adds the file chooser, the one-second countdown timer and
/// the close question. Closing it leaves a running transfer going.
class DialogSpecial : public QDialog
{
    Q_OBJECT

public:
    explicit DialogSpecial(QWidget *parent = nullptr);
    ~DialogSpecial() override;

    /// The transfer behind the dialog, for the window to give it a prompt
    /// and its module.
    FirmwareTransfer *transfer() const { return m_transfer; }
    /// The countdown timer (one second), for tests that move time themselves.
    QTimer *countdownTimer() const { return m_timer; }

signals:
    void setModuleControl(quint16 control);
    void setSpecialControl(quint32 command);
    void sendHexLine(const QByteArray &line);

public slots:
    void updateModuleControl(int serialNumber, quint32 control);
    void updateModuleStatus(int serialNumber, quint32 status);
    void updateModuleSpecialControlStatus(int serialNumber, quint32 control, quint32 status);
    void updateDeviceClass(quint16 dc);
    void setHexFilename(const QString &filename);
    /// One second of the running countdown.
    void timeout();

protected:
    void closeEvent(QCloseEvent *event) override;
    void changeEvent(QEvent *event) override;

private slots:
    void on_txtFileName_textChanged(const QString &text);
    void on_btnSelectFile_clicked();
    void on_btnSendHexFile_clicked();
    void on_btnSetSpecial_clicked();
    void on_btnEndSpecial_clicked();
    void on_btnPostFlash_clicked();
    void on_btnStandby_clicked();
    void on_btnSync_clicked();
    void on_btnLiveInsertion_clicked();
    void on_btnFpgaUpdate_clicked();

private:
    void enableFileControls(bool enabled);
    void showCountdown(bool running);

    Ui::DialogSpecial *ui;
    FirmwareTransfer *m_transfer;
    QTimer *m_timer;
};
