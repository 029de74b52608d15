#pragma once

#include <QDialog>

class QLCDNumber;

namespace Ui {
class DialogSuppliesTempLimits;
}

/// A module's supply voltages, hardware voltage and current limits and
/// temperature on LCD displays. Shows the last value received for each
/// quantity, whatever module reported it.
class DialogSuppliesTempLimits : public QDialog
{
    Q_OBJECT

public:
    explicit DialogSuppliesTempLimits(QWidget *parent = nullptr);
    ~DialogSuppliesTempLimits() override;

public slots:
    /// Shows the +5 V supply (V).
    void updateModuleSupplyP5(int serialNumber, float p5);
    /// Shows the +12 V (or +24 V) supply (V).
    void updateModuleSupplyP12(int serialNumber, float p12);
    /// Shows the -12 V supply (V).
    void updateModuleSupplyN12(int serialNumber, float n12);
    /// Shows the hardware voltage limit (% of nominal).
    void updateModuleVoltageHardwareLimit(int serialNumber, float vlimit);
    /// Shows the hardware current limit (% of nominal).
    void updateModuleCurrentHardwareLimit(int serialNumber, float ilimit);
    /// Shows the module temperature (°C).
    void updateModuleTemperature(int serialNumber, float temperature);

protected:
    void changeEvent(QEvent *event) override;

private:
    static void showOn(QLCDNumber *lcd, float value, float *shown);

    Ui::DialogSuppliesTempLimits *ui;
    float m_p5 = 0;
    float m_p12 = 0;
    float m_n12 = 0;
    float m_vlimit = 0;
    float m_ilimit = 0;
    float m_temperature = 0;
};
