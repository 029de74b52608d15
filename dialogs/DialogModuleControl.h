#pragma once

#include "BitBoxGroup.h"

#include <QDialog>
#include <array>

class QCheckBox;

namespace Ui {
class DialogModuleControl;
}

/// A module's status, event status, event mask and control word as check
/// boxes, one per bit, with its channel and group event words (32 bits each)
/// and its restart time. Shows the most recent word of each kind, whatever
/// module reported it, and sends the control word, the masks and the restart
/// time back, or clears events.
///
/// Each word is kept as last shown and its widgets are touched only when a
/// different word arrives, so edits the operator has not sent yet survive the
/// polling.
class DialogModuleControl : public QDialog
{
    Q_OBJECT

public:
    explicit DialogModuleControl(QWidget *parent = nullptr);
    ~DialogModuleControl() override;

    /// Enables the channel-mask boxes a module with `channels` channels has,
    /// in blocks; never disables one.
    void setChannelCount(int channels);

public slots:
    /// Shows the module control word.
    void updateModuleControl(int serialNumber, quint32 control);
    /// Shows the module status word; offers the restart time only in "Stop".
    void updateModuleStatus(int serialNumber, quint32 status);
    /// Shows the module event status.
    void updateModuleEventStatus(int serialNumber, quint32 eventStatus);
    /// Shows the module event mask.
    void updateModuleEventMask(int serialNumber, quint32 eventMask);
    /// Shows the restart time in milliseconds.
    void updateModuleRestartTime(int serialNumber, quint32 restartTime);
    /// Shows the per-channel event status.
    void updateModuleEventChannelStatus(int serialNumber, quint32 status);
    /// Shows the per-channel event mask.
    void updateModuleEventChannelMask(int serialNumber, quint32 mask);
    /// Shows the per-group event status.
    void updateModuleEventGroupStatus(int serialNumber, quint32 status);
    /// Shows the per-group event mask.
    void updateModuleEventGroupMask(int serialNumber, quint32 mask);

signals:
    /// Clear the module's event status.
    void clearModuleEvents();
    /// Write the module control word.
    void setModuleControl(quint16 control);
    /// Write the module event mask.
    void setModuleEventMask(quint16 eventmask);
    /// Write the restart time (ms).
    void setRestartTime(quint32 restarttime);
    /// Clear the module's per-channel event status.
    void clearModuleEventChannelStatus();
    /// Write the per-channel event mask.
    void setModuleEventChannelMask(quint32 mask);
    /// Clear the module's per-group event status.
    void clearModuleEventGroupStatus();
    /// Write the per-group event mask.
    void setModuleEventGroupMask(quint32 mask);

protected:
    void changeEvent(QEvent *event) override;

private slots:
    void on_btnSetControl_clicked();
    void on_btnSetMask_clicked();
    void on_btnClearEvents_clicked();
    void on_btnSetRestartTime_clicked();
    void on_btnSetECM_clicked();
    void on_btnSelectECM_clicked();
    void on_btnClearECS_clicked();
    void on_btnSetEGM_clicked();
    void on_btnSelectEGM_clicked();
    void on_btnClearEGS_clicked();

private:
    using Boxes32 = std::array<QCheckBox *, 32>;

    void applySelectTexts();
    Boxes32 findBoxes(const char *prefix) const;
    static void showWord(const Boxes32 &boxes, quint32 word);
    static quint32 wordOf(const Boxes32 &boxes);

    Ui::DialogModuleControl *ui;
    quint16 m_status = 0;
    quint16 m_control = 0;
    quint16 m_eventStatus = 0;
    quint16 m_eventMask = 0;
    quint32 m_restartTime = 0;
    quint32 m_eventChannelStatus = 0;
    quint32 m_eventChannelMask = 0;
    quint32 m_eventGroupStatus = 0;
    quint32 m_eventGroupMask = 0;

    BitBoxGroup m_statusBoxes;
    BitBoxGroup m_eventStatusBoxes;
    BitBoxGroup m_eventMaskBoxes;
    BitBoxGroup m_controlBoxes;
    Boxes32 m_channelStatusBoxes {};
    Boxes32 m_channelMaskBoxes {};
    Boxes32 m_groupStatusBoxes {};
    Boxes32 m_groupMaskBoxes {};

    // The Select All buttons alternate between selecting and unselecting; the
    // state is shared by every instance of the dialog.
    static bool s_channelsSelected;
    static bool s_groupsSelected;
};
