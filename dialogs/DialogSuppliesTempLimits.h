#pragma once

#include <QDialog>

#include <limits>

class QLCDNumber;

namespace Ui {
class DialogSuppliesTempLimits;
}

/// A module's supply voltages, hardware voltage and current limits and
/// temperature on LCD displays. Shows the last value received for each
/// quantity, whatever module reported it; a supply or temperature out of its
/// good range is drawn in red.
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
    /// Shows a changed value, in red when it is out of its good range.
    static void showOn(QLCDNumber *lcd, float value, float *shown, bool good = true);

    Ui::DialogSuppliesTempLimits *ui;
    // Nothing shown yet: the first report always draws, in red if it must.
    static constexpr float None = std::numeric_limits<float>::quiet_NaN();
    float m_p5 = None;
    float m_p12 = None;
    float m_n12 = None;
    float m_vlimit = None;
    float m_ilimit = None;
    float m_temperature = None;
};
