#pragma once

#include <QDialog>
#include <QString>

namespace Ui {
class DialogSetCurrent;
}

/// Asks for a channel's set current (the current at which it trips) and its
/// delayed-trip configuration: whether it turns off only after the current has
/// been exceeded for a time, and whether it then ramps down or shuts off at
/// once. Run modally; the caller reads the answers after acceptance.
class DialogSetCurrent : public QDialog
{
    Q_OBJECT

public:
    explicit DialogSetCurrent(QWidget *parent = nullptr);
    ~DialogSetCurrent() override;

    /// The channel asked about; -1 for all channels.
    void setChannel(int channel);
    /// The largest current the dialog accepts.
    void setMaximum(double max);
    double maximum() const { return m_maximum; }
    /// Whether the set current entered lies within 0 ... maximum.
    bool valueAllowed() const;
    /// The smallest nominal current among all channels (for the note).
    void setLowestMaximum(double value);
    /// The unit the currents are given in.
    void setUnit(QString unit);

    /// Sets the set current shown.
    void setValue(double value);
    /// The set current entered.
    double value() const;
    /// Ticks or unticks the delayed trip.
    void setDelayedTrip(bool enabled);
    /// Whether the delayed trip is ticked.
    bool delayedTrip() const;
    /// Chooses turning off with a ramp (true) or at once (false).
    void setRampDown(bool rampDown);
    /// Whether turning off with a ramp is chosen.
    bool rampDown() const;
    /// Sets the trip delay (ms).
    void setTripDelay(int ms);
    /// The trip delay entered (ms).
    int tripDelay() const;
    /// Offers the delayed trip only for a module that applies it; otherwise
    /// its controls stay disabled and one line says why.
    void setDelayedTripSupported(bool supported);

public slots:
    /// Closes with acceptance only for a set current within 0 ... maximum;
    /// anything else is refused with a message and the dialog stays open.
    void accept() override;

protected:
    void changeEvent(QEvent *event) override;

private slots:
    void on_chkDelayedTrip_stateChanged(int arg1);

private:
    void updateTexts();

    Ui::DialogSetCurrent *ui;
    int m_channel = 0;
    QString m_unit;
    double m_maximum = 0;
    double m_lowestMaximum = 0;
    bool m_delayedTripSupported = true;
};
