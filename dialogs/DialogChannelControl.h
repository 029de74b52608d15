#pragma once

#include "BitBoxGroup.h"

#include <QDialog>
#include <QString>

namespace Ui {
class DialogChannelControl;
}

/// One channel's status, event status, event mask and control word as check
/// boxes, one per bit. Follows the channel whose control update came last
/// (the channel selected in the main window's table) and sends the event
/// mask, the control word and "clear events" back for that channel.
///
/// Each word is kept as last shown and its boxes are touched only when a
/// different word arrives, so ticks the operator has not sent yet survive the
/// polling.
class DialogChannelControl : public QDialog
{
    Q_OBJECT

public:
    explicit DialogChannelControl(QWidget *parent = nullptr);
    ~DialogChannelControl() override;

    /// The channel shown; -1 until the first control update.
    int channel() const { return m_channel; }

public slots:
    /// Follows `channel` and shows its control word.
    void updateChannelControl(int serialNumber, int channel, quint32 control);
    /// Shows a status word (whatever channel it is for).
    void updateChannelStatus(int serialNumber, int channel, quint32 status);
    /// Shows an event status word (whatever channel it is for).
    void updateChannelEventStatus(int serialNumber, int channel, quint32 eventStatus);
    /// Shows an event mask (whatever channel it is for).
    void updateChannelEventMask(int serialNumber, int channel, quint32 eventMask);

    /// Remembers the module control word; shows nothing.
    void updateModuleControl(int serialNumber, quint32 control);
    /// Remembers the module status word; shows nothing.
    void updateModuleStatus(int serialNumber, quint32 status);
    /// Remembers the channel's nominal voltage; shows nothing.
    void updateChannelVoltageNominal(int serialNumber, int channel, float vnominal, QString unit);
    /// Remembers the channel's nominal current; shows nothing.
    void updateChannelCurrentNominal(int serialNumber, int channel, float inominal, QString unit);
    /// Remembers the channel's hardware nominal voltage; shows nothing.
    void updateChannelVoltageHardwareNominal(int serialNumber, int channel, float vmax,
                                             QString unit);
    /// Remembers the channel's hardware nominal current; shows nothing.
    void updateChannelCurrentHardwareNominal(int serialNumber, int channel, float imax,
                                             QString unit);

signals:
    /// Write `control` into the channel's control register.
    void setChannelControl(quint16 channel, quint16 control);
    /// Write `eventMask` into the channel's event mask register.
    void setChannelEventMask(quint16 channel, quint16 eventMask);
    /// Clear the channel's event status.
    void clearChannelEvents(quint16 channel);

    // Wired to the main window like the rest, but this dialog has no control
    // that sends them.
    /// Never emitted.
    void clearModuleEventChannelStatus();
    /// Never emitted.
    void setModuleEventChannelMask(quint32 mask);
    /// Never emitted.
    void setModuleControl(quint16 control);
    /// Never emitted.
    void setChannelVoltageNominal(int channel, float value);
    /// Never emitted.
    void setChannelCurrentNominal(int channel, float value);

protected:
    void changeEvent(QEvent *event) override;

private slots:
    void on_btnSetControl_clicked();
    void on_btnClearEvents_clicked();
    void on_btnSetMask_clicked();

private:
    void applyTitle();

    Ui::DialogChannelControl *ui;
    int m_channel = -1;
    int m_serialNumber = 0; ///< module of the channel shown, for the title
    quint16 m_status = 0;
    quint16 m_control = 0;
    quint16 m_eventStatus = 0;
    quint16 m_eventMask = 0;

    BitBoxGroup m_statusBoxes;
    BitBoxGroup m_eventStatusBoxes;
    BitBoxGroup m_eventMaskBoxes;
    BitBoxGroup m_controlBoxes;

    // Remembered for the main window's sake only; nothing shows them.
    quint32 m_moduleControl = 0;
    quint32 m_moduleStatus = 0;
    float m_voltageNominal = 0;
    float m_currentNominal = 0;
    float m_voltageHardwareNominal = 0;
    float m_currentHardwareNominal = 0;
    QString m_voltageUnit;
    QString m_currentUnit;
};
