#include "DialogSettings.h"

#include "ui_dialogsettings.h"

#include <QEvent>

namespace {

void selectExactly(QComboBox *box, const QString &text)
{
    const int index = box->findText(text, Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (index >= 0)
        box->setCurrentIndex(index);
}

} // namespace

DialogSettings::DialogSettings(QWidget *parent)
    : QDialog(parent)
    , ui(new Ui::DialogSettings)
{
    ui->setupUi(this);
}

DialogSettings::~DialogSettings() { delete ui; }

void DialogSettings::setUseControllerUnits(bool use)
{
    if (use)
        ui->chkUseOpcSettings->setChecked(true);
    else
        ui->chkUseOwnSettings->setChecked(true);
}

bool DialogSettings::useControllerUnits() const { return ui->chkUseOpcSettings->isChecked(); }

void DialogSettings::setVoltageUnit(const QString &unit)
{
    selectExactly(ui->lstVoltageUnit, unit);
}

QString DialogSettings::voltageUnit() const { return ui->lstVoltageUnit->currentText(); }

void DialogSettings::setVoltagePrecision(int precision)
{
    ui->sbVoltagePrecision->setValue(precision);
}

int DialogSettings::voltagePrecision() const { return ui->sbVoltagePrecision->value(); }

void DialogSettings::setCurrentUnit(const QString &unit)
{
    selectExactly(ui->lstCurrentUnit, unit);
}

QString DialogSettings::currentUnit() const { return ui->lstCurrentUnit->currentText(); }

void DialogSettings::setCurrentPrecision(int precision)
{
    ui->sbCurrentPrecision->setValue(precision);
}

int DialogSettings::currentPrecision() const { return ui->sbCurrentPrecision->value(); }

void DialogSettings::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange)
        ui->retranslateUi(this);
    QDialog::changeEvent(event);
}
