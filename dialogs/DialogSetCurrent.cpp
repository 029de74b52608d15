#include "DialogSetCurrent.h"

#include "ui_dialogsetcurrent.h"

#include <QEvent>

DialogSetCurrent::DialogSetCurrent(QWidget *parent)
    : QDialog(parent)
    , ui(new Ui::DialogSetCurrent)
{
    ui->setupUi(this);
}

DialogSetCurrent::~DialogSetCurrent() { delete ui; }

void DialogSetCurrent::updateTexts()
{
    const double maximum = ui->sbValue->maximum();
    if (m_channel == -1) {
        ui->labelText->setText(tr("Input a Set current (0...%L1 %2) for all channels:")
                                   .arg(maximum, 0, 'g', 6)
                                   .arg(m_unit));
        ui->labelNote->setText(maximum > m_lowestMaximum
                                   ? tr("Note: some channels will only allow %L1 %2.")
                                         .arg(m_lowestMaximum, 0, 'g', 6)
                                         .arg(m_unit)
                                   : QString());
    } else {
        ui->labelText->setText(tr("Input a Set current (0...%L1 %2) for channel %3:")
                                   .arg(maximum, 0, 'g', 6)
                                   .arg(m_unit)
                                   .arg(m_channel));
        ui->labelNote->clear();
    }
}

void DialogSetCurrent::setChannel(int channel)
{
    m_channel = channel;
    updateTexts();
}

void DialogSetCurrent::setMaximum(double max)
{
    ui->sbValue->setMaximum(max);
    updateTexts();
}

void DialogSetCurrent::setLowestMaximum(double value)
{
    m_lowestMaximum = value;
    updateTexts();
}

void DialogSetCurrent::setUnit(QString unit)
{
    m_unit = unit;
    updateTexts();
    ui->lblUnit->setText(unit);
}

void DialogSetCurrent::setValue(double value) { ui->sbValue->setValue(value); }

double DialogSetCurrent::value() const { return ui->sbValue->value(); }

void DialogSetCurrent::setDelayedTrip(bool enabled) { ui->chkDelayedTrip->setChecked(enabled); }

bool DialogSetCurrent::delayedTrip() const { return ui->chkDelayedTrip->isChecked(); }

void DialogSetCurrent::setRampDown(bool rampDown)
{
    // The two choices are exclusive: checking one unchecks the other.
    if (rampDown)
        ui->chkRampDown->setChecked(true);
    else
        ui->chkShutDown->setChecked(true);
}

bool DialogSetCurrent::rampDown() const { return ui->chkRampDown->isChecked(); }

void DialogSetCurrent::setTripDelay(int ms) { ui->sbDelay->setValue(ms); }

int DialogSetCurrent::tripDelay() const { return ui->sbDelay->value(); }

void DialogSetCurrent::on_chkDelayedTrip_stateChanged(int arg1)
{
    ui->grpDelayedTrip->setEnabled(arg1 != 0);
    ui->sbDelay->setEnabled(arg1 != 0);
}

void DialogSetCurrent::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange) {
        ui->retranslateUi(this);
        updateTexts();
        ui->lblUnit->setText(m_unit);
    }
    QDialog::changeEvent(event);
}
