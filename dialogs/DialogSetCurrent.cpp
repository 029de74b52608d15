#include "DialogSetCurrent.h"

#include "ui_dialogsetcurrent.h"

#include <SetValueInput.h>

#include <QEvent>

namespace {

// The value box takes whatever the operator types; accept() checks it against
// the channel's range, so a digit too many is refused, never dropped.
constexpr double TypedLimit = 1e9;

} // namespace

DialogSetCurrent::DialogSetCurrent(QWidget *parent)
    : QDialog(parent)
    , ui(new Ui::DialogSetCurrent)
{
    ui->setupUi(this);
    ui->sbValue->setRange(-TypedLimit, TypedLimit);
    ui->lblDelayedTripUnsupported->hide();
}

DialogSetCurrent::~DialogSetCurrent() { delete ui; }

void DialogSetCurrent::updateTexts()
{
    const double maximum = m_maximum;
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
    m_maximum = max;
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

void DialogSetCurrent::setDelayedTripSupported(bool supported)
{
    m_delayedTripSupported = supported;
    if (!supported)
        ui->chkDelayedTrip->setChecked(false);
    ui->chkDelayedTrip->setEnabled(supported);
    ui->lblDelayedTripUnsupported->setVisible(!supported);
    on_chkDelayedTrip_stateChanged(ui->chkDelayedTrip->checkState());
}

bool DialogSetCurrent::valueAllowed() const
{
    return SetValueInput::fromValue(value(), {0, m_maximum, m_unit}).accepted;
}

void DialogSetCurrent::accept()
{
    const SetValueInput::Result checked = SetValueInput::fromValue(value(), {0, m_maximum, m_unit});
    if (!checked.accepted) {
        SetValueInput::refuse(this, checked.refusal);
        return;
    }
    QDialog::accept();
}

void DialogSetCurrent::on_chkDelayedTrip_stateChanged(int arg1)
{
    const bool on = arg1 != 0 && m_delayedTripSupported;
    ui->grpDelayedTrip->setEnabled(on);
    ui->sbDelay->setEnabled(on);
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
