#include "DialogChannelBounds.h"

#include "DialogBits.h"
#include "ui_dialogchannelbounds.h"

#include <SetValueInput.h>

#include <QEvent>
#include <QSignalBlocker>

namespace {

constexpr int AsymmetricVoltageBit = 11;
constexpr int AsymmetricCurrentBit = 10;
// The upper bound may go slightly past the nominal value.
constexpr double MaximumHeadroom = 1.01;
// The boxes take whatever is typed; Set checks it against the nominal, so a
// digit too many is refused, never dropped.
constexpr double TypedLimit = 1e9;

/// Shows a value that came from the module unless the box already shows it
/// as last reported; a value the operator typed stays until a new one comes.
void showValue(QDoubleSpinBox *box, float value, float *shown)
{
    if (value == *shown)
        return;
    *shown = value;
    const QSignalBlocker blocker(box);
    box->setValue(double(value));
}

} // namespace

DialogChannelBounds::DialogChannelBounds(QWidget *parent)
    : QDialog(parent)
    , ui(new Ui::DialogChannelBounds)
{
    ui->setupUi(this);
    for (QDoubleSpinBox *box : findChildren<QDoubleSpinBox *>())
        box->setRange(-TypedLimit, TypedLimit);
    // Bring the minimum widgets and the labels in line with the unticked
    // boxes. There is no channel yet, so nothing is sent.
    on_chkAVBND_stateChanged(ui->chkAVBND->checkState());
    on_chkACBND_stateChanged(ui->chkACBND->checkState());
}

DialogChannelBounds::~DialogChannelBounds() { delete ui; }

void DialogChannelBounds::relabel()
{
    ui->lblVoltageIlkMax->setText(ui->chkAVBND->isChecked()
                                      ? tr("VoltageInterlockMaxSet (%1)").arg(m_voltageUnit)
                                      : tr("VoltageBounds (%1)").arg(m_voltageUnit));
    ui->lblCurrentIlkMax->setText(ui->chkACBND->isChecked()
                                      ? tr("CurrentInterlockMaxSet (%1)").arg(m_currentUnit)
                                      : tr("CurrentBounds (%1)").arg(m_currentUnit));
}

void DialogChannelBounds::applyChannelTexts()
{
    if (m_channel < 0)
        return; // the form's texts stand until a channel is known
    setWindowTitle(tr("Channel %1 Voltage / Current Bounds").arg(m_channel));
    ui->lblChannel->setText(tr("Voltage and Current Bounds for Channel %1").arg(m_channel));
}

void DialogChannelBounds::updateChannelVoltageNominal(int, int, float vnominal, QString unit)
{
    m_voltageUnit = unit;
    m_voltageNominal = vnominal;
    relabel();
}

void DialogChannelBounds::updateChannelCurrentNominal(int, int, float inominal, QString unit)
{
    m_currentUnit = unit;
    m_currentNominal = inominal;
    relabel();
}

void DialogChannelBounds::updateChannelControl(int, int channel, quint32 control)
{
    if (channel != m_channel) {
        m_channel = channel;
        applyChannelTexts();
    }
    if (!DialogBits::differs(control, m_control))
        return;
    m_control = quint16(control);
    // Changing a box runs its handler, which sends the control word back to
    // the channel: that is the word just reported, so the module keeps it.
    const bool avbnd = (control >> AsymmetricVoltageBit) & 1u;
    if (avbnd != m_avbnd) {
        m_avbnd = avbnd;
        ui->chkAVBND->setChecked(avbnd);
    }
    const bool acbnd = (control >> AsymmetricCurrentBit) & 1u;
    if (acbnd != m_acbnd) {
        m_acbnd = acbnd;
        ui->chkACBND->setChecked(acbnd);
    }
}

void DialogChannelBounds::updateChannelVoltageInterlockMinSet(int, int, float value, QString)
{
    showValue(ui->spbVoltageIlkMin, value, &m_voltageIlkMin);
}

void DialogChannelBounds::updateChannelVoltageInterlockMaxSet(int, int, float value, QString)
{
    showValue(ui->spbVoltageIlkMax, value, &m_voltageIlkMax);
}

void DialogChannelBounds::updateChannelCurrentInterlockMinSet(int, int, float value, QString)
{
    showValue(ui->spbCurrentIlkMin, value, &m_currentIlkMin);
}

void DialogChannelBounds::updateChannelCurrentInterlockMaxSet(int, int, float value, QString)
{
    showValue(ui->spbCurrentIlkMax, value, &m_currentIlkMax);
}

void DialogChannelBounds::boundBoxChanged(bool checked, int bit, bool *shown)
{
    // The box shows this state now, whether the operator or an update set it;
    // a later report that differs from it must be able to correct the box.
    *shown = checked;
    relabel();
    m_control = quint16(DialogBits::withBit(m_control, bit, checked));
    if (m_channel >= 0)
        emit setChannelControl(quint16(m_channel), m_control);
}

void DialogChannelBounds::on_chkAVBND_stateChanged(int state)
{
    ui->lblVoltageIlkMin->setEnabled(state != Qt::Unchecked);
    ui->spbVoltageIlkMin->setEnabled(state != Qt::Unchecked);
    boundBoxChanged(state != Qt::Unchecked, AsymmetricVoltageBit, &m_avbnd);
}

void DialogChannelBounds::on_chkACBND_stateChanged(int state)
{
    ui->lblCurrentIlkMin->setEnabled(state != Qt::Unchecked);
    ui->spbCurrentIlkMin->setEnabled(state != Qt::Unchecked);
    boundBoxChanged(state != Qt::Unchecked, AsymmetricCurrentBit, &m_acbnd);
}

QString DialogChannelBounds::refusal() const
{
    struct Bound
    {
        const QDoubleSpinBox *box;
        double maximum;
        const QString &unit;
    };
    const double vnominal = m_voltageNominal;
    const double inominal = m_currentNominal;
    const Bound bounds[] {{ui->spbVoltageIlkMax, vnominal * MaximumHeadroom, m_voltageUnit},
                          {ui->spbVoltageIlkMin, vnominal, m_voltageUnit},
                          {ui->spbCurrentIlkMax, inominal * MaximumHeadroom, m_currentUnit},
                          {ui->spbCurrentIlkMin, inominal, m_currentUnit}};
    for (const Bound &bound : bounds) {
        if (!bound.box->isEnabled())
            continue;
        const SetValueInput::Result checked
            = SetValueInput::fromValue(bound.box->value(), {0, bound.maximum, bound.unit});
        if (!checked.accepted)
            return checked.refusal;
    }
    return QString();
}

void DialogChannelBounds::on_btnSetBounds_clicked()
{
    if (m_channel < 0)
        return;
    const QString refused = refusal();
    if (!refused.isEmpty()) {
        SetValueInput::refuse(this, refused);
        return;
    }
    emit setChannelBounds(
        m_channel, ui->chkAVBND->isChecked(), float(ui->spbVoltageIlkMax->value()),
        float(ui->spbVoltageIlkMin->value()), ui->chkACBND->isChecked(),
        float(ui->spbCurrentIlkMax->value()), float(ui->spbCurrentIlkMin->value()));
}

void DialogChannelBounds::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange) {
        ui->retranslateUi(this);
        applyChannelTexts();
        relabel();
    }
    QDialog::changeEvent(event);
}
