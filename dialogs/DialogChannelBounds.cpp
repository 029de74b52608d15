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

} // namespace

DialogChannelBounds::DialogChannelBounds(QWidget *parent)
    : QDialog(parent)
    , ui(new Ui::DialogChannelBounds)
{
    ui->setupUi(this);
    for (QDoubleSpinBox *box : findChildren<QDoubleSpinBox *>())
        box->setRange(-TypedLimit, TypedLimit);
    setDisplayFormat(m_format);
    // Bring the minimum widgets and the labels in line with the unticked
    // boxes. There is no channel yet, so nothing is sent.
    on_chkAVBND_stateChanged(ui->chkAVBND->checkState());
    on_chkACBND_stateChanged(ui->chkACBND->checkState());
}

DialogChannelBounds::~DialogChannelBounds() { delete ui; }

void DialogChannelBounds::relabel()
{
    const QString volts = m_format.voltageUnitText();
    const QString amperes = m_format.currentUnitText();
    ui->lblVoltageIlkMax->setText(ui->chkAVBND->isChecked()
                                      ? tr("VoltageInterlockMaxSet (%1)").arg(volts)
                                      : tr("VoltageBounds (%1)").arg(volts));
    ui->lblVoltageIlkMin->setText(tr("VoltageInterlockMinSet (%1)").arg(volts));
    ui->lblCurrentIlkMax->setText(ui->chkACBND->isChecked()
                                      ? tr("CurrentInterlockMaxSet (%1)").arg(amperes)
                                      : tr("CurrentBounds (%1)").arg(amperes));
    ui->lblCurrentIlkMin->setText(tr("CurrentInterlockMinSet (%1)").arg(amperes));
}

void DialogChannelBounds::setDisplayFormat(const DisplayFormat &format)
{
    // Each box keeps its value, typed or reported, redrawn in the new unit.
    QDoubleSpinBox *const voltages[] {ui->spbVoltageIlkMax, ui->spbVoltageIlkMin};
    QDoubleSpinBox *const currents[] {ui->spbCurrentIlkMax, ui->spbCurrentIlkMin};
    double values[4];
    for (int i = 0; i < 2; ++i) {
        values[i] = fromDisplay(voltages[i]->value(), false);
        values[2 + i] = fromDisplay(currents[i]->value(), true);
    }
    m_format = format;
    for (int i = 0; i < 2; ++i) {
        const QSignalBlocker voltageBlocker(voltages[i]);
        const QSignalBlocker currentBlocker(currents[i]);
        voltages[i]->setDecimals(format.voltagePrecision);
        voltages[i]->setValue(toDisplay(values[i], false));
        currents[i]->setDecimals(format.currentPrecision);
        currents[i]->setValue(toDisplay(values[2 + i], true));
    }
    relabel();
}

int DialogChannelBounds::ownCurrentUnit() const
{
    const int own = DisplayFormat::currentUnitIndex(m_currentUnit);
    return own < 0 ? m_format.currentUnit : own;
}

double DialogChannelBounds::toDisplay(double value, bool current) const
{
    return current ? m_format.currentToDisplay(value, ownCurrentUnit())
                   : m_format.voltageToDisplay(value);
}

double DialogChannelBounds::fromDisplay(double shown, bool current) const
{
    return current ? m_format.currentFromDisplay(shown, ownCurrentUnit())
                   : m_format.voltageFromDisplay(shown);
}

void DialogChannelBounds::showValue(QDoubleSpinBox *box, float value, float *shown, bool current)
{
    // A value the operator typed stays until the module reports a new one.
    if (value == *shown)
        return;
    *shown = value;
    const QSignalBlocker blocker(box);
    box->setValue(toDisplay(value, current));
}

void DialogChannelBounds::applyChannelTexts()
{
    if (m_channel < 0)
        return; // the form's texts stand until a channel is known
    setWindowTitle(tr("Channel %1 Voltage / Current Bounds").arg(m_channel));
    ui->lblChannel->setText(tr("Voltage and Current Bounds for Channel %1").arg(m_channel));
}

void DialogChannelBounds::updateChannelVoltageNominal(int, int, float vnominal, QString)
{
    // Voltages always come in volts.
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
    showValue(ui->spbVoltageIlkMin, value, &m_voltageIlkMin, false);
}

void DialogChannelBounds::updateChannelVoltageInterlockMaxSet(int, int, float value, QString)
{
    showValue(ui->spbVoltageIlkMax, value, &m_voltageIlkMax, false);
}

void DialogChannelBounds::updateChannelCurrentInterlockMinSet(int, int, float value, QString)
{
    showValue(ui->spbCurrentIlkMin, value, &m_currentIlkMin, true);
}

void DialogChannelBounds::updateChannelCurrentInterlockMaxSet(int, int, float value, QString)
{
    showValue(ui->spbCurrentIlkMax, value, &m_currentIlkMax, true);
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
    // Checked as typed, in the display's units.
    const double vnominal = toDisplay(m_voltageNominal, false);
    const double inominal = toDisplay(m_currentNominal, true);
    const QString volts = m_format.voltageUnitText();
    const QString amperes = m_format.currentUnitText();
    const Bound bounds[] {{ui->spbVoltageIlkMax, vnominal * MaximumHeadroom, volts},
                          {ui->spbVoltageIlkMin, vnominal, volts},
                          {ui->spbCurrentIlkMax, inominal * MaximumHeadroom, amperes},
                          {ui->spbCurrentIlkMin, inominal, amperes}};
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
    // Sent in the module's own units, as the updates came.
    emit setChannelBounds(m_channel, ui->chkAVBND->isChecked(),
                          float(fromDisplay(ui->spbVoltageIlkMax->value(), false)),
                          float(fromDisplay(ui->spbVoltageIlkMin->value(), false)),
                          ui->chkACBND->isChecked(),
                          float(fromDisplay(ui->spbCurrentIlkMax->value(), true)),
                          float(fromDisplay(ui->spbCurrentIlkMin->value(), true)));
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
