#pragma once

#include "BitBoxGroup.h"

#include <QDialog>

namespace Ui {
class DialogInterlockOut;
}

/// A module's interlock output: its status, last trigger, trigger count and
/// the two per-channel masks as reported, and the control word the operator
/// writes (enable, clear the registers, simulate a condition, test loops).
///
/// Each word is kept as last shown and its boxes are touched only when a
/// different word arrives, so ticks the operator has not sent yet survive
/// the polling; reserved boxes are never touched.
class DialogInterlockOut : public QDialog
{
    Q_OBJECT

public:
    explicit DialogInterlockOut(QWidget *parent = nullptr);
    ~DialogInterlockOut() override;

public slots:
    void updateInterlockStatus(int serialNumber, quint32 status);
    /// Also remembers `serialNumber` as the module the next write names.
    void updateInterlockControl(int serialNumber, quint32 control);
    /// Rewrites the count on every report.
    void updateInterlockCount(int serialNumber, quint32 count);
    void updateInterlockLastTrigger(int serialNumber, quint32 lastTrigger);
    /// Boxes C0 to C11 from bits 0 to 11.
    void updateInterlockChannelActualActive(int serialNumber, quint32 channelActive);
    /// Boxes C0 to C11 from bits 0 to 11.
    void updateInterlockChannelEverTriggered(int serialNumber, quint32 channelTriggered);

signals:
    /// Write the interlock-out control word.
    void setInterlockControl(int serialNumber, quint32 control);

protected:
    void changeEvent(QEvent *event) override;

private slots:
    void on_btnSetInterlockControl_clicked();

private:
    /// Shows `word` in `boxes` when it differs from `copy`, and keeps it there.
    static void showChanged(const BitBoxGroup &boxes, quint16 &copy, quint32 word);
    /// Boxes `<prefix>0` to `<prefix>11`.
    BitBoxGroup channelBoxes(const char *prefix) const;

    Ui::DialogInterlockOut *ui;
    quint16 m_control = 0;
    quint16 m_status = 0;
    quint16 m_lastTrigger = 0;
    quint16 m_channelActualActive = 0;
    quint16 m_channelEverTriggered = 0;
    int m_serialNumber = 0;

    BitBoxGroup m_statusBoxes;
    BitBoxGroup m_lastTriggerBoxes;
    BitBoxGroup m_controlBoxes;
    BitBoxGroup m_actualActiveBoxes;
    BitBoxGroup m_everTriggeredBoxes;
};
