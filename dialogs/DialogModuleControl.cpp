#include "DialogModuleControl.h"

#include "DialogBits.h"
#include "ui_dialogmodulecontrol.h"

#include <QGroupBox>
#include <QLayout>

#include <WordBits.h>

#include <QCheckBox>
#include <QEvent>
#include <QSignalBlocker>

bool DialogModuleControl::s_channelsSelected = false;
bool DialogModuleControl::s_groupsSelected = false;

namespace {
}

DialogModuleControl::DialogModuleControl(QWidget *parent)
    : QDialog(parent)
    , ui(new Ui::DialogModuleControl)
{
    ui->setupUi(this);
    // Sixteen boxes a column and the channel grids must fit an 800-pixel
    // screen: the rows of boxes are packed tight.
    for (QGroupBox *group : findChildren<QGroupBox *>()) {
        for (QLayout *layout : group->findChildren<QLayout *>()) {
            layout->setSpacing(0);
            layout->setContentsMargins(4, 2, 4, 2);
        }
    }
    resize(width(), qMin(height(), minimumSizeHint().height()));

    m_statusBoxes.add(ui->chk_isKILLena, 15);
    m_statusBoxes.add(ui->chk_isTEMPgd, 14);
    m_statusBoxes.add(ui->chk_isSPLYgd, 13);
    m_statusBoxes.add(ui->chk_isMODgd, 12);
    m_statusBoxes.add(ui->chk_isEVNTact, 11);
    m_statusBoxes.add(ui->chk_isSFLPgd, 10);
    m_statusBoxes.add(ui->chk_isnoRAMP, 9);
    m_statusBoxes.add(ui->chk_isnoSERR, 8);
    m_statusBoxes.add(ui->chk_isCCMPL, 7);
    m_statusBoxes.add(ui->chk_isSPMD, 6);
    m_statusBoxes.add(ui->chk_isIERR, 5);
    m_statusBoxes.add(ui->chk_isSRVC, 4);
    m_statusBoxes.add(ui->chk_isSTOP, 2);
    m_statusBoxes.add(ui->chk_isILKO, 1);
    m_statusBoxes.add(ui->chk_isADJ, 0);

    m_eventStatusBoxes.add(ui->chk_ETEMPngd, 14);
    m_eventStatusBoxes.add(ui->chk_ESPLYngd, 13);
    m_eventStatusBoxes.add(ui->chk_ESFLPngd, 10);
    m_eventStatusBoxes.add(ui->chk_EIERR, 5);
    m_eventStatusBoxes.add(ui->chk_ESRVC, 4);
    m_eventStatusBoxes.add(ui->chk_ERSTA, 1);

    m_eventMaskBoxes.add(ui->chk_METEMPngd, 14);
    m_eventMaskBoxes.add(ui->chk_MESPLYngd, 13);
    m_eventMaskBoxes.add(ui->chk_MESFLPngd, 10);
    m_eventMaskBoxes.add(ui->chk_MEIERR, 5);
    m_eventMaskBoxes.add(ui->chk_MESRVC, 4);
    m_eventMaskBoxes.add(ui->chk_MERSTA, 1);

    m_controlBoxes.add(ui->chk_doSVSV, 15);
    m_controlBoxes.add(ui->chk_setKILLena, 14);
    m_controlBoxes.add(ui->chk_setADJ, 12);
    m_controlBoxes.add(ui->chk_setILVL2, 10);
    m_controlBoxes.add(ui->chk_setILVL1, 9);
    m_controlBoxes.add(ui->chk_setILVL0, 8);
    m_controlBoxes.add(ui->chk_doCLEAR, 6);
    m_controlBoxes.add(ui->chk_setAON, 3);
    m_controlBoxes.add(ui->chk_setSTOP, 2);
    m_controlBoxes.add(ui->chk_doRCSV, 1);
    m_controlBoxes.add(ui->chk_setSPMD, 0);

    m_channelStatusBoxes = findBoxes("chk_ECS");
    m_channelMaskBoxes = findBoxes("chk_ECM");
    m_groupStatusBoxes = findBoxes("chk_EGS");
    m_groupMaskBoxes = findBoxes("chk_EGM");

    applySelectTexts();
}

DialogModuleControl::~DialogModuleControl() { delete ui; }

DialogModuleControl::Boxes32 DialogModuleControl::findBoxes(const char *prefix) const
{
    Boxes32 boxes {};
    for (int k = 0; k < 32; ++k) {
        boxes[k] = findChild<QCheckBox *>(QLatin1String(prefix) + QString::number(k));
        Q_ASSERT(boxes[k]);
    }
    return boxes;
}

void DialogModuleControl::showWord(const Boxes32 &boxes, quint32 word)
{
    for (int k = 0; k < 32; ++k) {
        const QSignalBlocker blocker(boxes[k]);
        boxes[k]->setChecked((word >> k) & 1u);
    }
}

quint32 DialogModuleControl::wordOf(const Boxes32 &boxes)
{
    quint32 word = 0;
    for (int k = 0; k < 32; ++k)
        word = DialogBits::withBit(word, k, boxes[k]->isChecked());
    return word;
}

void DialogModuleControl::setChannelCount(int channels)
{
    const int enabled = DialogBits::channelMaskBoxCount(channels);
    for (int k = 0; k < enabled; ++k)
        m_channelMaskBoxes[k]->setEnabled(true);
}

void DialogModuleControl::applySelectTexts()
{
    ui->btnSelectECM->setText(s_channelsSelected ? tr("Unselect All") : tr("Select All"));
    ui->btnSelectEGM->setText(s_groupsSelected ? tr("Unselect All") : tr("Select All"));
}

void DialogModuleControl::updateModuleControl(int, quint32 control)
{
    if (DialogBits::differs(control, m_control)) {
        m_control = quint16(control);
        m_controlBoxes.show(control);
    }
}

void DialogModuleControl::updateModuleStatus(int, quint32 status)
{
    if (DialogBits::differs(status, m_status)) {
        m_status = quint16(status);
        m_statusBoxes.show(status);
    }
    // Judged on every update, not only on a change: the module takes a new
    // restart time only while it is stopped.
    ui->btnSetRestartTime->setEnabled(status & WordBits::ModuleStatus::Stop);
}

void DialogModuleControl::updateModuleEventStatus(int, quint32 eventStatus)
{
    if (DialogBits::differs(eventStatus, m_eventStatus)) {
        m_eventStatus = quint16(eventStatus);
        m_eventStatusBoxes.show(eventStatus);
    }
}

void DialogModuleControl::updateModuleEventMask(int, quint32 eventMask)
{
    if (DialogBits::differs(eventMask, m_eventMask)) {
        m_eventMask = quint16(eventMask);
        m_eventMaskBoxes.show(eventMask);
    }
}

void DialogModuleControl::updateModuleRestartTime(int, quint32 restartTime)
{
    if (restartTime != m_restartTime) {
        m_restartTime = restartTime;
        const QSignalBlocker blocker(ui->spbRestartTime);
        ui->spbRestartTime->setValue(
            int(qMin<quint32>(restartTime, quint32(ui->spbRestartTime->maximum()))));
    }
}

void DialogModuleControl::updateModuleEventChannelStatus(int, quint32 status)
{
    if (status != m_eventChannelStatus) {
        m_eventChannelStatus = status;
        showWord(m_channelStatusBoxes, status);
    }
}

void DialogModuleControl::updateModuleEventChannelMask(int, quint32 mask)
{
    if (mask != m_eventChannelMask) {
        m_eventChannelMask = mask;
        showWord(m_channelMaskBoxes, mask);
    }
}

void DialogModuleControl::updateModuleEventGroupStatus(int, quint32 status)
{
    if (status != m_eventGroupStatus) {
        m_eventGroupStatus = status;
        showWord(m_groupStatusBoxes, status);
    }
}

void DialogModuleControl::updateModuleEventGroupMask(int, quint32 mask)
{
    if (mask != m_eventGroupMask) {
        m_eventGroupMask = mask;
        showWord(m_groupMaskBoxes, mask);
    }
}

void DialogModuleControl::on_btnSetControl_clicked()
{
    m_control = quint16(m_controlBoxes.composeOnto(m_control));
    emit setModuleControl(m_control);
}

void DialogModuleControl::on_btnSetMask_clicked()
{
    m_eventMask = quint16(m_eventMaskBoxes.composeOnto(m_eventMask));
    emit setModuleEventMask(m_eventMask);
}

void DialogModuleControl::on_btnClearEvents_clicked() { emit clearModuleEvents(); }

void DialogModuleControl::on_btnSetRestartTime_clicked()
{
    emit setRestartTime(quint32(ui->spbRestartTime->value()));
}

void DialogModuleControl::on_btnSetECM_clicked()
{
    m_eventChannelMask = wordOf(m_channelMaskBoxes);
    emit setModuleEventChannelMask(m_eventChannelMask);
}

void DialogModuleControl::on_btnSelectECM_clicked()
{
    s_channelsSelected = !s_channelsSelected;
    // The first block is set whatever the channel count; the rest only where
    // the module has channels.
    for (int k = 0; k < 32; ++k) {
        if (k < 4 || m_channelMaskBoxes[k]->isEnabled())
            m_channelMaskBoxes[k]->setChecked(s_channelsSelected);
    }
    applySelectTexts();
}

void DialogModuleControl::on_btnClearECS_clicked() { emit clearModuleEventChannelStatus(); }

void DialogModuleControl::on_btnSetEGM_clicked()
{
    m_eventGroupMask = wordOf(m_groupMaskBoxes);
    emit setModuleEventGroupMask(m_eventGroupMask);
}

void DialogModuleControl::on_btnSelectEGM_clicked()
{
    s_groupsSelected = !s_groupsSelected;
    for (QCheckBox *box : m_groupMaskBoxes)
        box->setChecked(s_groupsSelected);
    applySelectTexts();
}

void DialogModuleControl::on_btnClearEGS_clicked() { emit clearModuleEventGroupStatus(); }

void DialogModuleControl::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange) {
        ui->retranslateUi(this);
        applySelectTexts();
    }
    QDialog::changeEvent(event);
}
