#include "DialogAutomatic.h"

#include "ui_dialogautomatic.h"

#include <CorePrompt.h>
#include <OperatorPrompt.h>

#include <QEvent>

DialogAutomatic::DialogAutomatic(QWidget *parent)
    : QDialog(parent)
    , ui(new Ui::DialogAutomatic)
{
    ui->setupUi(this);
}

DialogAutomatic::~DialogAutomatic() { delete ui; }

double DialogAutomatic::upperLimit() const { return ui->sbUpper->value(); }

double DialogAutomatic::lowerLimit() const { return ui->sbLower->value(); }

double DialogAutomatic::increment() const { return ui->sbIncrement->value(); }

int DialogAutomatic::scope() const
{
    if (ui->chkChannel->isChecked())
        return 0;
    if (ui->chkModule->isChecked())
        return 1;
    return ui->chkSystem->isChecked() ? 2 : 3;
}

void DialogAutomatic::log(const QString &message) { ui->txtLog->append(message); }

void DialogAutomatic::on_btnStartStop_clicked()
{
    if (!m_running && lowerLimit() >= upperLimit()) {
        // The steps would jump between the limits at every period.
        OperatorPrompt::instance()->warning(
            this, CorePrompt::programTitle(),
            tr("The lower limit (%1 V) must be below the upper limit (%2 V).")
                .arg(lowerLimit())
                .arg(upperLimit()));
        return;
    }
    m_running = !m_running;
    applyButtonText();
    emit automaticTimerEnabled(m_running);
}

void DialogAutomatic::on_sbInterval_valueChanged(int arg1)
{
    emit automaticTimerIntervalChanged(arg1 * 1000);
}

void DialogAutomatic::applyButtonText()
{
    ui->btnStartStop->setText(m_running ? tr("Stop") : tr("Start"));
}

void DialogAutomatic::changeEvent(QEvent *event)
{
    QDialog::changeEvent(event);
    if (event->type() == QEvent::LanguageChange) {
        ui->retranslateUi(this);
        applyButtonText();
    }
}
