#pragma once

#include <QDialog>
#include <QString>

namespace Ui {
class DialogSettings;
}

/// How a module's voltages and currents are displayed: unit and number of
/// digits for each, or the controller's units instead. Run modally; the
/// caller reads the choices after acceptance.
class DialogSettings : public QDialog
{
    Q_OBJECT

public:
    explicit DialogSettings(QWidget *parent = nullptr);
    ~DialogSettings() override;

    /// Chooses the controller's units (true) or the dialog's own (false).
    void setUseControllerUnits(bool use);
    /// Whether the controller's units are chosen.
    bool useControllerUnits() const;
    /// Selects the voltage unit with exactly this text; no change if none has it.
    void setVoltageUnit(const QString &unit);
    /// The voltage unit chosen.
    QString voltageUnit() const;
    /// Sets the voltage digits.
    void setVoltagePrecision(int precision);
    /// The voltage digits chosen.
    int voltagePrecision() const;
    /// Selects the current unit with exactly this text; no change if none has it.
    void setCurrentUnit(const QString &unit);
    /// The current unit chosen.
    QString currentUnit() const;
    /// Sets the current digits.
    void setCurrentPrecision(int precision);
    /// The current digits chosen.
    int currentPrecision() const;

protected:
    void changeEvent(QEvent *event) override;

private:
    Ui::DialogSettings *ui;
};
