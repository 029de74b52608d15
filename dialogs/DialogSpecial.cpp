#include "DialogSpecial.h"

#include "ui_dialogspecial.h"

#include <FirmwareTransfer.h>
#include <OperatorPrompt.h>

#include <QCloseEvent>
#include <QFileInfo>
#include <QTimer>

namespace {

constexpr int CountdownStepMs = 1000;

} // namespace

DialogSpecial::DialogSpecial(QWidget *parent)
    : QDialog(parent)
    , ui(new Ui::DialogSpecial)
    , m_transfer(new FirmwareTransfer(this))
    , m_timer(new QTimer(this))
{
    ui->setupUi(this);
    m_timer->setInterval(CountdownStepMs);
    connect(m_timer, &QTimer::timeout, this, &DialogSpecial::timeout);

    FirmwareTransfer *t = m_transfer;
    connect(t, &FirmwareTransfer::setModuleControl, this, &DialogSpecial::setModuleControl);
    connect(t, &FirmwareTransfer::setSpecialControl, this, &DialogSpecial::setSpecialControl);
    connect(t, &FirmwareTransfer::sendHexLine, this, &DialogSpecial::sendHexLine);
    connect(t, &FirmwareTransfer::moduleStatusTextChanged, ui->lblModuleControlStatus,
            &QLabel::setText);
    connect(t, &FirmwareTransfer::specialStatusTextChanged, ui->lblSpecialControlStatus,
            &QLabel::setText);
    connect(t, &FirmwareTransfer::liveInsertionAllowed, ui->btnLiveInsertion, &QWidget::setEnabled);
    connect(t, &FirmwareTransfer::fileControlsEnabled, this, &DialogSpecial::enableFileControls);
    connect(t, &FirmwareTransfer::progressRangeChanged, ui->progressBar, &QProgressBar::setRange);
    connect(t, &FirmwareTransfer::progressChanged, ui->progressBar, &QProgressBar::setValue);
    connect(t, &FirmwareTransfer::addressTextChanged, ui->txtAddress, &QLineEdit::setText);
    connect(t, &FirmwareTransfer::infoTextChanged, ui->txtInfo, &QLabel::setText);
    connect(t, &FirmwareTransfer::countdownRunning, this, &DialogSpecial::showCountdown);
}

DialogSpecial::~DialogSpecial() { delete ui; }

void DialogSpecial::updateModuleControl(int serialNumber, quint32 control)
{
    m_transfer->updateModuleControl(serialNumber, control);
}

void DialogSpecial::updateModuleStatus(int serialNumber, quint32 status)
{
    m_transfer->updateModuleStatus(serialNumber, status);
}

void DialogSpecial::updateModuleSpecialControlStatus(int serialNumber, quint32 control,
                                                     quint32 status)
{
    m_transfer->updateModuleSpecialControlStatus(serialNumber, control, status);
}

void DialogSpecial::updateDeviceClass(quint16 dc)
{
    m_transfer->updateDeviceClass(dc);
    if (dc == 20) {
        ui->btnLiveInsertion->setEnabled(false);
        ui->btnSync->setEnabled(false);
    } else {
        ui->btnSync->setEnabled(true);
    }
}

void DialogSpecial::setHexFilename(const QString &filename) { ui->txtFileName->setText(filename); }

void DialogSpecial::timeout() { m_transfer->timeout(); }

void DialogSpecial::showCountdown(bool running)
{
    if (running)
        m_timer->start();
    else
        m_timer->stop();
}

void DialogSpecial::enableFileControls(bool enabled)
{
    ui->btnSelectFile->setEnabled(enabled);
    ui->btnSendHexFile->setEnabled(enabled && !ui->txtFileName->text().isEmpty());
    ui->grpS19Mode->setEnabled(enabled);
    ui->txtFileName->setEnabled(enabled);
}

void DialogSpecial::on_txtFileName_textChanged(const QString &text)
{
    ui->btnSendHexFile->setEnabled(!text.isEmpty() && ui->btnSelectFile->isEnabled());
}

void DialogSpecial::on_btnSelectFile_clicked()
{
    const QString fileName = OperatorPrompt::instance()->getOpenFileName(
        this, tr("Open HEX file"), QFileInfo(ui->txtFileName->text()).absolutePath(),
        tr("Motorola HEX files (*.hex)"));
    // A cancelled chooser keeps the file chosen before.
    if (!fileName.isEmpty())
        ui->txtFileName->setText(fileName);
}

void DialogSpecial::on_btnSendHexFile_clicked()
{
    m_transfer->start(ui->txtFileName->text(), ui->chkS19ModeWrite->isChecked());
}

void DialogSpecial::on_btnSetSpecial_clicked() { m_transfer->requestSpecialMode(); }

void DialogSpecial::on_btnEndSpecial_clicked()
{
    emit setSpecialControl(FirmwareTransfer::CommandEndSpecialMode);
}

void DialogSpecial::on_btnPostFlash_clicked()
{
    emit setSpecialControl(FirmwareTransfer::CommandPostFlash);
}

void DialogSpecial::on_btnStandby_clicked()
{
    emit setSpecialControl(FirmwareTransfer::CommandAcknowledge);
}

void DialogSpecial::on_btnSync_clicked() { emit setSpecialControl(FirmwareTransfer::CommandSync); }

void DialogSpecial::on_btnLiveInsertion_clicked()
{
    // The button is disabled during a transfer; a click queued before that
    // must not move the refresh away from the module being burnt either.
    if (!m_transfer->isRunning())
        emit setSpecialControl(FirmwareTransfer::CommandLiveInsertion);
}

void DialogSpecial::on_btnFpgaUpdate_clicked()
{
    emit setSpecialControl(FirmwareTransfer::CommandFpgaUpdate);
}

void DialogSpecial::closeEvent(QCloseEvent *event)
{
    if (m_transfer->isRunning()
        && OperatorPrompt::instance()->question(
               this, tr("norv VME Control"),
               tr("Update is running! Close anyway? (Update will continue in background)"),
               QMessageBox::Yes | QMessageBox::No)
            != QMessageBox::Yes) {
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}

void DialogSpecial::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange)
        ui->retranslateUi(this);
    QDialog::changeEvent(event);
}
