#pragma once

#include <FlexGroupType.h>

#include <QDialog>
#include <array>

class QAbstractButton;
class QButtonGroup;
class QCheckBox;
class QTimer;

namespace Ui {
class DialogFlexGroups;
}

/// "Variable Groups": one variable group of the current module at a time,
/// its member channels as check boxes and its type word decoded into the
/// tab of its kind; "Set Group" writes the group encoded from the widgets.
/// A view over `FlexGroupType`, which holds the encoding of both layouts.
///
/// While visible it asks for the shown group every second. The member mask
/// and type word last shown or written are kept, and the widgets change only
/// when a report differs from them, so edits survive the polling.
class DialogFlexGroups : public QDialog
{
    Q_OBJECT

public:
    explicit DialogFlexGroups(QWidget *parent = nullptr);
    ~DialogFlexGroups() override;

    /// The layout and channel count of the module the dialog now shows:
    /// enables the channel boxes in blocks (never disables one) and bounds
    /// the master channel and the timeout.
    void setModuleInfo(int deviceClass, int channelCount);
    /// The one-second poll timer.
    QTimer *pollTimer() const { return m_timer; }

public slots:
    /// Shows the report when it is for the shown group and differs from the copies.
    void updateModuleFlexGroups(int serialNumber, int groupNumber, quint32 member, quint32 type);
    /// Asks for the shown group again.
    void timeout();

signals:
    void getFlexGroupData(int num);
    void setFlexGroup(int num, quint32 member, quint32 type);

protected:
    void closeEvent(QCloseEvent *event) override;
    void showEvent(QShowEvent *event) override;
    /// Escape hides the dialog without a close event: the poll stops here too.
    void hideEvent(QHideEvent *event) override;
    void changeEvent(QEvent *event) override;

private slots:
    void on_spbGroupNumber_valueChanged(int num);
    void on_btnSet_clicked();
    void on_btnErase_clicked();
    void on_btnMemberSelection_clicked();
    void on_btnHelp_clicked();

private:
    QButtonGroup *buttonGroup(const QList<QAbstractButton *> &buttons, const QList<int> &ids);
    void forgetShown();
    void selectDefaultChoices();
    void showMembers(quint32 member);
    void showType(quint32 type);
    FlexGroupType::Fields shownFields() const;
    /// True, after telling the operator, when the group cannot be written here.
    bool refusedWrite(int group);
    void applyButtonTexts();

    int m_deviceClass = 0;
    int m_channelCount = 0;
    Ui::DialogFlexGroups *ui;
    QTimer *m_timer;
    quint32 m_member = 0;
    quint32 m_type = 0;
    // False until a report or a write fills the copies: the first report
    // after showing (or after a change of layout) is always shown.
    bool m_copiesShown = false;

    std::array<QCheckBox *, 32> m_channelBoxes {};
    QButtonGroup *m_copy;
    QButtonGroup *m_status;
    QButtonGroup *m_monitor;
    QButtonGroup *m_monitorAction;
    QButtonGroup *m_timeoutAction;

    // "Select All" alternates between selecting and unselecting; the state
    // is shared by the whole program. True: the next press selects.
    static bool s_selectNext;
};
