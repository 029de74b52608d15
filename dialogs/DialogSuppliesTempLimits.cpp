#include "DialogSuppliesTempLimits.h"

#include "ui_dialogsuppliestemplimits.h"

#include <ModuleHealth.h>

#include <QEvent>
#include <QLCDNumber>

namespace {

// Room for a sign, two digits before and two after the point: -11.9 must
// not show as -12. The point takes no digit of its own.
constexpr int LcdDigits = 6;

} // namespace

DialogSuppliesTempLimits::DialogSuppliesTempLimits(QWidget *parent)
    : QDialog(parent)
    , ui(new Ui::DialogSuppliesTempLimits)
{
    ui->setupUi(this);
    for (QLCDNumber *lcd : findChildren<QLCDNumber *>()) {
        lcd->setDigitCount(LcdDigits);
        lcd->setSmallDecimalPoint(true);
    }
}

DialogSuppliesTempLimits::~DialogSuppliesTempLimits() { delete ui; }

void DialogSuppliesTempLimits::showOn(QLCDNumber *lcd, float value, float *shown, bool good)
{
    if (value == *shown)
        return;
    *shown = value;
    lcd->display(double(value));
    QPalette palette;
    if (!good)
        palette.setColor(QPalette::WindowText, Qt::red);
    lcd->setPalette(palette);
}

void DialogSuppliesTempLimits::updateModuleSupplyP5(int, float p5)
{
    showOn(ui->lcdP5, p5, &m_p5, ModuleHealth::supplyP5Good(p5));
}

void DialogSuppliesTempLimits::updateModuleSupplyP12(int, float p12)
{
    showOn(ui->lcdP12, p12, &m_p12, ModuleHealth::supplyP12Good(p12));
}

void DialogSuppliesTempLimits::updateModuleSupplyN12(int, float n12)
{
    showOn(ui->lcdN12, n12, &m_n12, ModuleHealth::supplyN12Good(n12));
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
    showOn(ui->lcdTemp, temperature, &m_temperature, ModuleHealth::temperatureGood(temperature));
}

void DialogSuppliesTempLimits::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange)
        ui->retranslateUi(this);
    QDialog::changeEvent(event);
}
