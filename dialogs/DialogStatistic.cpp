#include "DialogStatistic.h"

#include "ui_dialogstatistic.h"

#include <CorePrompt.h>
#include <MeasurementRun.h>
#include <OperatorPrompt.h>

#include <QCloseEvent>

namespace {
const char *const Suffix = ".txt";
}

DialogStatistic::DialogStatistic(QWidget *parent)
    : QDialog(parent)
    , ui(new Ui::DialogStatistic)
    , m_run(new MeasurementRun(this))
{
    ui->setupUi(this);
    connect(ui->spbChannelNumber, &QSpinBox::valueChanged, this,
            &DialogStatistic::applyChannelFilter);
    connect(m_run, &MeasurementRun::lineWritten, this,
            [this](int count) { ui->txtLinesWritten->setText(QString::number(count)); });
    connect(m_run, &MeasurementRun::stopped, this, [this] { showRunning(false); });
    // The failed write happens inside the refresh tick's emission: the box
    // waits until the tick is over.
    connect(m_run, &MeasurementRun::writeFailed, this, &DialogStatistic::warnWriteFailed,
            Qt::QueuedConnection);
}

DialogStatistic::~DialogStatistic() { delete ui; }

void DialogStatistic::setChannelCount(int count)
{
    ui->spbChannelNumber->setMaximum(count - 1);
}

bool DialogStatistic::onceRunPending() const { return m_run->onceRunPending(); }

void DialogStatistic::updateChannelVoltageMeasure(int serialNumber, int channel, float vmeas,
                                                  const QString &)
{
    m_run->updateChannelVoltageMeasure(serialNumber, channel, vmeas);
}

void DialogStatistic::updateChannelCurrentMeasure(int serialNumber, int channel, float imeas,
                                                  const QString &)
{
    m_run->updateChannelCurrentMeasure(serialNumber, channel, imeas);
}

void DialogStatistic::updateAllModulesComplete() { m_run->updateAllModulesComplete(); }

void DialogStatistic::updateModuleTemperature(int serialNumber, float temperature)
{
    m_run->updateModuleTemperature(serialNumber, temperature);
}

void DialogStatistic::closeEvent(QCloseEvent *event)
{
    // Closing ends the run outright: a window that is gone must not leave
    // the controls (and the operator) believing that logging goes on.
    on_btnStop_clicked();
    QDialog::closeEvent(event);
}

void DialogStatistic::changeEvent(QEvent *event)
{
    QDialog::changeEvent(event);
    if (event->type() == QEvent::LanguageChange)
        ui->retranslateUi(this);
}

void DialogStatistic::on_btnSelectFile_clicked()
{
    QString name = OperatorPrompt::instance()->getSaveFileName(
        this, tr("Save measurement data"), QString(),
        tr("Measurement files (*%1)").arg(QLatin1String(Suffix)));
    if (name.isEmpty())
        return;
    if (!name.endsWith(QLatin1String(Suffix), Qt::CaseInsensitive))
        name += QLatin1String(Suffix);
    ui->txtFilename->setText(name);
}

void DialogStatistic::startRun(bool once)
{
    applyChannelFilter();
    const QString name = ui->txtFilename->text();
    if (!(once ? m_run->startOnce(name) : m_run->start(name))) {
        OperatorPrompt::instance()->warning(this, CorePrompt::programTitle(),
                                            tr("Can not open file '%1' for writing!").arg(name));
        return;
    }
    showRunning(true);
}

void DialogStatistic::on_btnStart_clicked() { startRun(false); }

void DialogStatistic::on_pushButtonOnce_clicked() { startRun(true); }

void DialogStatistic::on_btnStop_clicked()
{
    m_run->stop();
    showRunning(false);
}

void DialogStatistic::showRunning(bool running)
{
    ui->btnStop->setEnabled(running);
    ui->btnStart->setEnabled(!running && !ui->txtFilename->text().isEmpty());
    ui->btnSelectFile->setEnabled(!running);
    ui->txtFilename->setEnabled(!running);
    ui->grpChannelSelection->setEnabled(!running);
}

void DialogStatistic::applyChannelFilter()
{
    m_run->setChannelFilter(ui->chkSingleChannel->isChecked() ? ui->spbChannelNumber->value()
                                                              : -1);
}

void DialogStatistic::on_chkAllChannels_clicked()
{
    ui->spbChannelNumber->setEnabled(false);
    applyChannelFilter();
}

void DialogStatistic::on_chkSingleChannel_clicked()
{
    ui->spbChannelNumber->setEnabled(true);
    applyChannelFilter();
}

void DialogStatistic::on_txtFilename_textChanged(const QString &arg1)
{
    ui->btnStart->setEnabled(!arg1.isEmpty());
    ui->pushButtonOnce->setEnabled(!arg1.isEmpty());
}

void DialogStatistic::warnWriteFailed(const QString &path, int linesWritten)
{
    OperatorPrompt::instance()->warning(
        this, CorePrompt::programTitle(),
        tr("Can not write to file '%1'! Logging has stopped; the %2 lines written so far "
           "are kept.")
            .arg(path)
            .arg(linesWritten));
}
