#include "DialogSuppliesTempLimits.h"

#include "ui_dialogsuppliestemplimits.h"

#include <QEvent>

DialogSuppliesTempLimits::DialogSuppliesTempLimits(QWidget *parent)
    : QDialog(parent)
    , ui(new Ui::DialogSuppliesTempLimits)
{
    ui->setupUi(this);
}

DialogSuppliesTempLimits::~DialogSuppliesTempLimits() { delete ui; }

void DialogSuppliesTempLimits::showOn(QLCDNumber *lcd, float value, float *shown)
{
    if (value == *shown)
        return;
    *shown = value;
    lcd->display(double(value));
}

void DialogSuppliesTempLimits::updateModuleSupplyP5(int, float p5) { showOn(ui->lcdP5, p5, &m_p5); }

void DialogSuppliesTempLimits::updateModuleSupplyP12(int, float p12)
{
    showOn(ui->lcdP12, p12, &m_p12);
}

void DialogSuppliesTempLimits::updateModuleSupplyN12(int, float n12)
{
    showOn(ui->lcdN12, n12, &m_n12);
}

void DialogSuppliesTempLimits::updateModuleVoltageHardwareLimit(int, float vlimit)
{
    showOn(ui->lcdVmax, vlimit, &m_vlimit);
}

void DialogSuppliesTempLimits::updateModuleCurrentHardwareLimit(int, float ilimit)
{
    showOn(ui->lcdImax, ilimit, &m_ilimit);
}

void DialogSuppliesTempLimits::updateModuleTemperature(int, float temperature)
{
    showOn(ui->lcdTemp, temperature, &m_temperature);
}

void DialogSuppliesTempLimits::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange)
        ui->retranslateUi(this);
    QDialog::changeEvent(event);
}
