#include "DialogSettings.h"

#include "ui_dialogsettings.h"

#include <DisplayFormat.h>

#include <QEvent>
#include <QSignalBlocker>

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
    ui->sbVoltagePrecision->setMaximum(DisplayFormat::MaxPrecision);
    ui->sbCurrentPrecision->setMaximum(DisplayFormat::MaxPrecision);
    // Choosing a unit or a number of digits means using them: otherwise OK
    // would keep the controller's units and the choice would do nothing.
    const auto chooseOwn = [this] { ui->chkUseOwnSettings->setChecked(true); };
    connect(ui->lstVoltageUnit, &QComboBox::activated, this, chooseOwn);
    connect(ui->lstCurrentUnit, &QComboBox::activated, this, chooseOwn);
    connect(ui->sbVoltagePrecision, &QSpinBox::valueChanged, this, chooseOwn);
    connect(ui->sbCurrentPrecision, &QSpinBox::valueChanged, this, chooseOwn);
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
    const QSignalBlocker blocker(ui->sbVoltagePrecision);
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
    const QSignalBlocker blocker(ui->sbCurrentPrecision);
    ui->sbCurrentPrecision->setValue(precision);
}

int DialogSettings::currentPrecision() const { return ui->sbCurrentPrecision->value(); }

void DialogSettings::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange)
        ui->retranslateUi(this);
    QDialog::changeEvent(event);
}
