#pragma once

#include <QDialog>
#include <QList>

class QLineEdit;

namespace Ui {
class DialogCrate;
}

/// The crates that report to the main window, listed by serial number, with
/// the selected crate's supplies, temperatures and status and a button that
/// switches its power. A crate is listed with its first update; the fields
/// show the selected crate only, from its next updates on.
class DialogCrate : public QDialog
{
    Q_OBJECT

public:
    /// What an update is for, given the crates known so far.
    enum class UpdateKind {
        Selected, ///< the crate of the current row: show it
        Listed, ///< a known crate that is not selected: ignore it
        New ///< a crate not seen before: list it, show nothing yet
    };
    /// Classifies an update of crate `serialNumber` when `known` are the
    /// listed crates in row order and `currentRow` is the current row (-1: none).
    static UpdateKind classify(const QList<int> &known, int currentRow, int serialNumber);

    explicit DialogCrate(QWidget *parent = nullptr);
    ~DialogCrate() override;

public slots:
    /// Shows the +5 V supply of the selected crate.
    void updateSupply5V(int serialNumber, float value);
    /// Shows the +24 V supply of the selected crate.
    void updateSupply24V(int serialNumber, float value);
    /// Shows the +24 V battery of the selected crate.
    void updateBattery24V(int serialNumber, float value);
    /// Shows the back-plane temperature of the selected crate.
    void updateTemperatureBackPlane(int serialNumber, float value);
    /// Shows the power-supply temperature of the selected crate.
    void updateTemperaturePowerSupply(int serialNumber, float value);
    /// Shows the status of the selected crate.
    void updateStatus(int serialNumber, int status);
    /// Takes the power state of the selected crate.
    void updatePowerOn(int serialNumber, bool on);

signals:
    /// Switch the power of crate `serialNumber` on or off.
    void setPowerOn(int serialNumber, bool setOn);

protected:
    void changeEvent(QEvent *event) override;

private slots:
    void on_btnPowerOn_clicked();

private:
    bool isForSelectedCrate(int serialNumber);
    void showText(QLineEdit *field, const QString &text);
    void showValue(int serialNumber, QLineEdit *field, float value);
    void applyPowerText();

    QList<int> m_crates;
    Ui::DialogCrate *ui;
    bool m_powerOn = false;
};
