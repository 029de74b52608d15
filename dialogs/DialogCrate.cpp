#include "DialogCrate.h"

#include "ui_dialogcrate.h"

#include <QEvent>

DialogCrate::UpdateKind DialogCrate::classify(const QList<int> &known, int currentRow,
                                              int serialNumber)
{
    if (currentRow >= 0 && currentRow < known.size() && known.at(currentRow) == serialNumber)
        return UpdateKind::Selected;
    return known.contains(serialNumber) ? UpdateKind::Listed : UpdateKind::New;
}

DialogCrate::DialogCrate(QWidget *parent)
    : QDialog(parent)
    , ui(new Ui::DialogCrate)
{
    ui->setupUi(this);
    applyPowerText();
}

DialogCrate::~DialogCrate() { delete ui; }

bool DialogCrate::isForSelectedCrate(int serialNumber)
{
    switch (classify(m_crates, ui->crateList->currentRow(), serialNumber)) {
    case UpdateKind::Selected:
        return true;
    case UpdateKind::Listed:
        return false;
    case UpdateKind::New:
        break;
    }
    m_crates.append(serialNumber);
    ui->crateList->addItem(QString::number(serialNumber));
    if (ui->crateList->count() == 1)
        ui->crateList->setCurrentRow(0);
    // The crate's values appear with its next updates.
    return false;
}

void DialogCrate::showText(QLineEdit *field, const QString &text)
{
    if (field->text() != text)
        field->setText(text);
}

void DialogCrate::showValue(int serialNumber, QLineEdit *field, float value)
{
    if (isForSelectedCrate(serialNumber))
        showText(field, QString::number(double(value), 'g', 6));
}

void DialogCrate::updateSupply5V(int serialNumber, float value)
{
    showValue(serialNumber, ui->txtSupply5, value);
}

void DialogCrate::updateSupply24V(int serialNumber, float value)
{
    showValue(serialNumber, ui->txtSupply24, value);
}

void DialogCrate::updateBattery24V(int serialNumber, float value)
{
    showValue(serialNumber, ui->txtBattery24, value);
}

void DialogCrate::updateTemperatureBackPlane(int serialNumber, float value)
{
    showValue(serialNumber, ui->txtTempBackPlane, value);
}

void DialogCrate::updateTemperaturePowerSupply(int serialNumber, float value)
{
    showValue(serialNumber, ui->txtTempPowerSupply, value);
}

void DialogCrate::updateStatus(int serialNumber, int status)
{
    if (isForSelectedCrate(serialNumber))
        showText(ui->txtStatus, QString::number(status));
}

void DialogCrate::updatePowerOn(int serialNumber, bool on)
{
    if (isForSelectedCrate(serialNumber))
        m_powerOn = on;
    applyPowerText();
}

void DialogCrate::applyPowerText()
{
    // The button offers the opposite of the present state.
    ui->btnPowerOn->setText(m_powerOn ? tr("Off") : tr("On"));
}

void DialogCrate::on_btnPowerOn_clicked()
{
    m_powerOn = !m_powerOn;
    const int row = ui->crateList->currentRow();
    const int serialNumber = row >= 0 && row < m_crates.size() ? m_crates.at(row) : 0;
    emit setPowerOn(serialNumber, m_powerOn);
    applyPowerText();
}

void DialogCrate::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange) {
        ui->retranslateUi(this);
        applyPowerText();
    }
    QDialog::changeEvent(event);
}
