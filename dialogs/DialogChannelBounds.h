#pragma once

#include <DisplayFormat.h>

#include <QDialog>
#include <QString>

class QDoubleSpinBox;

namespace Ui {
class DialogChannelBounds;
}

/// A channel's voltage and current interlock bounds: the maximum, the minimum
/// (used only for asymmetric bounds) and whether each pair is asymmetric
/// (channel control bits 11 and 10). Follows the channel whose control update
/// came last, like the channel status dialog.
///
/// Values are kept as last shown and a spin box is touched only when a
/// different value arrives, so a typed value survives the polling until
/// "Set Bounds" sends it.
///
/// The boxes show the bounds in the unit and digits of the module's display
/// format; the updates it takes and the bounds it sends are in the module's
/// own units (V and the unit each current update names).
class DialogChannelBounds : public QDialog
{
    Q_OBJECT

public:
    explicit DialogChannelBounds(QWidget *parent = nullptr);
    ~DialogChannelBounds() override;

    /// The channel shown; -1 until the first control update.
    int channel() const { return m_channel; }

public slots:
    /// Shows the bounds in `format` from now on; shown values are redrawn in it.
    void setDisplayFormat(const DisplayFormat &format);
    /// Limits the voltage boxes to the nominal voltage (maximum: 1.01 times it).
    void updateChannelVoltageNominal(int serialNumber, int channel, float vnominal, QString unit);
    /// Limits the current boxes to the nominal current (maximum: 1.01 times it).
    void updateChannelCurrentNominal(int serialNumber, int channel, float inominal, QString unit);
    /// Follows `channel` and shows its asymmetric-bound bits.
    void updateChannelControl(int serialNumber, int channel, quint32 control);
    /// Shows the lower voltage bound.
    void updateChannelVoltageInterlockMinSet(int serialNumber, int channel, float value,
                                             QString unit);
    /// Shows the upper voltage bound.
    void updateChannelVoltageInterlockMaxSet(int serialNumber, int channel, float value,
                                             QString unit);
    /// Shows the lower current bound.
    void updateChannelCurrentInterlockMinSet(int serialNumber, int channel, float value,
                                             QString unit);
    /// Shows the upper current bound.
    void updateChannelCurrentInterlockMaxSet(int serialNumber, int channel, float value,
                                             QString unit);

signals:
    /// Write the channel's bounds: the two asymmetry bits, the maxima and,
    /// where asymmetric, the minima.
    void setChannelBounds(int channel, bool avbnd, float voltageIlkMax, float voltageIlkMin,
                          bool acbnd, float currentIlkMax, float currentIlkMin);
    /// Write the channel's control word.
    void setChannelControl(quint16 channel, quint16 control);

protected:
    void changeEvent(QEvent *event) override;

private slots:
    void on_btnSetBounds_clicked();
    void on_chkAVBND_stateChanged(int state);
    void on_chkACBND_stateChanged(int state);

private:
    void relabel();
    /// Shows `value` (module units) in `box` unless it is the value last reported.
    void showValue(QDoubleSpinBox *box, float value, float *shown, bool current);
    /// A value between the module's own units and the display format.
    double toDisplay(double value, bool current) const;
    double fromDisplay(double shown, bool current) const;
    /// Index of the module's own current unit; the display's own while unknown.
    int ownCurrentUnit() const;
    void applyChannelTexts();
    void boundBoxChanged(bool checked, int bit, bool *shown);
    /// Why the typed bounds are not sent (a bound below 0 or above its
    /// limit: the nominal, or 1.01 x the nominal for a maximum); empty when they are.
    QString refusal() const;

    Ui::DialogChannelBounds *ui;
    int m_channel = -1;
    float m_voltageIlkMax = 0;
    float m_voltageIlkMin = 0;
    float m_currentIlkMax = 0;
    float m_currentIlkMin = 0;
    float m_voltageNominal = 0;
    float m_currentNominal = 0;
    QString m_currentUnit;
    DisplayFormat m_format;
    bool m_avbnd = false;
    bool m_acbnd = false;
    quint16 m_control = 0;
};
