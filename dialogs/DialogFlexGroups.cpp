#include "DialogFlexGroups.h"

#include "DialogBits.h"
#include "ui_dialogflexgroups.h"

#include <CorePrompt.h>
#include <OperatorPrompt.h>

#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QTimer>

namespace {

constexpr int PollIntervalMs = 1000;
constexpr int GroupCount = 32;
const QList<int> ActionIds {0, 1, 2, 3};

} // namespace

bool DialogFlexGroups::s_selectNext = true;

DialogFlexGroups::DialogFlexGroups(QWidget *parent)
    : QDialog(parent)
    , ui(new Ui::DialogFlexGroups)
    , m_timer(new QTimer(this))
{
    ui->setupUi(this);
    ui->txtHelp->hide();
    m_timer->setInterval(PollIntervalMs);
    connect(m_timer, &QTimer::timeout, this, &DialogFlexGroups::timeout);

    for (int k = 0; k < GroupCount; ++k) {
        m_channelBoxes[k] = findChild<QCheckBox *>(
            QStringLiteral("chkChannel%1").arg(k, 2, 10, QLatin1Char('0')));
        Q_ASSERT(m_channelBoxes[k]);
    }
    m_copy = buttonGroup({ui->chkCopyVset, ui->chkCopyIset, ui->chkCopyVIlkMax, ui->chkCopyIIlkMax,
                          ui->chkCopyVIlkMin, ui->chkCopyIIlkMin, ui->chkCopySetON,
                          ui->chkCopySetEMCY, ui->chkCopyAll},
                         FlexGroupType::copyCodes());
    m_status
        = buttonGroup({ui->chk_StatIsON, ui->chk_StatIsRAMP, ui->chk_StatIsCC, ui->chk_StatIsCV,
                       ui->chk_StatIsIBND, ui->chk_StatIsVBND, ui->chk_StatIsEINH,
                       ui->chk_StatIsTRIP, ui->chk_StatIsILIM, ui->chk_StatIsVLIM},
                      FlexGroupType::statusBits());
    m_monitor = buttonGroup({ui->chk_isON, ui->chk_isRAMP, ui->chk_isCC, ui->chk_isCV,
                             ui->chk_isIBND, ui->chk_isVBND, ui->chk_isEINH, ui->chk_isTRIP,
                             ui->chk_isILIM, ui->chk_isVLIM},
                            FlexGroupType::statusBits());
    m_monitorAction = buttonGroup({ui->chkMonNoAction, ui->chkMonRampDown, ui->chkMonSwitchOffGroup,
                                   ui->chkMonSwitchOffModule},
                                  ActionIds);
    m_timeoutAction = buttonGroup(
        {ui->chkNoAction, ui->chkRampDown, ui->chkSwitchOffGroup, ui->chkSwitchOffModule},
        ActionIds);
    // Every choice has a selection from the start, so that nothing is
    // encoded from an empty one; an unknown copy code reads as "Copy Vset".
    ui->chkCopyVset->setChecked(true);
    selectDefaultChoices();
    applyButtonTexts();
}

DialogFlexGroups::~DialogFlexGroups() { delete ui; }

QButtonGroup *DialogFlexGroups::buttonGroup(const QList<QAbstractButton *> &buttons,
                                            const QList<int> &ids)
{
    Q_ASSERT(buttons.size() == ids.size());
    auto *group = new QButtonGroup(this);
    for (int i = 0; i < buttons.size(); ++i)
        group->addButton(buttons[i], ids[i]);
    return group;
}

void DialogFlexGroups::setModuleInfo(int deviceClass, int channelCount)
{
    // The same type word means other fields under the other layout.
    if (deviceClass != m_deviceClass)
        forgetShown();
    m_deviceClass = deviceClass;
    m_channelCount = channelCount;
    ui->spbTimeout->setMaximum(FlexGroupType::maxTimeoutMs(deviceClass));
    // Bounded below as well: a module without channels must not turn the
    // minimum into -1.
    ui->spbMasterChannel->setMaximum(
        qBound(0, channelCount - 1, FlexGroupType::maxMasterChannel(deviceClass)));
    const int enabled = DialogBits::channelMaskBoxCount(channelCount);
    for (int k = 0; k < enabled; ++k)
        m_channelBoxes[k]->setEnabled(true);
}

void DialogFlexGroups::forgetShown()
{
    m_member = 0;
    m_type = 0;
    m_copiesShown = false;
}

void DialogFlexGroups::updateModuleFlexGroups(int, int groupNumber, quint32 member, quint32 type)
{
    if (groupNumber < 0 || groupNumber >= GroupCount || groupNumber != ui->spbGroupNumber->value())
        return;
    if (!m_copiesShown || member != m_member) {
        m_member = member;
        showMembers(member);
    }
    if (!m_copiesShown || type != m_type) {
        m_type = type;
        showType(type);
    }
    m_copiesShown = true;
}

void DialogFlexGroups::showMembers(quint32 member)
{
    for (int k = 0; k < GroupCount; ++k)
        m_channelBoxes[k]->setChecked((member >> k) & 1u);
}

void DialogFlexGroups::showType(quint32 type)
{
    using namespace FlexGroupType;
    const Fields f = decode(type, m_deviceClass);
    ui->tabWidget->setCurrentIndex(f.kind);
    switch (f.kind) {
    case SetGroup:
        ui->chkSetPermanent->setChecked(f.permanent);
        ui->spbMasterChannel->setValue(f.masterChannel);
        m_copy->button(f.copyCode)->setChecked(true);
        break;
    case StatusGroup:
        m_status->button(f.statusBit)->setChecked(true);
        break;
    case MonitoringGroup:
        ui->chkMonMOD0->setChecked(f.mod0);
        m_monitor->button(f.statusBit)->setChecked(true);
        m_monitorAction->button(f.action)->setChecked(true);
        break;
    case TimeoutGroup:
        ui->spbTimeout->setValue(f.timeoutMs);
        m_timeoutAction->button(f.action)->setChecked(true);
        break;
    }
}

FlexGroupType::Fields DialogFlexGroups::shownFields() const
{
    FlexGroupType::Fields f;
    f.kind = FlexGroupType::Kind(ui->tabWidget->currentIndex());
    f.copyCode = m_copy->checkedId();
    f.permanent = ui->chkSetPermanent->isChecked();
    f.masterChannel = ui->spbMasterChannel->value();
    f.statusBit = (f.kind == FlexGroupType::StatusGroup ? m_status : m_monitor)->checkedId();
    f.mod0 = ui->chkMonMOD0->isChecked();
    f.action
        = (f.kind == FlexGroupType::TimeoutGroup ? m_timeoutAction : m_monitorAction)->checkedId();
    f.timeoutMs = ui->spbTimeout->value();
    return f;
}

void DialogFlexGroups::timeout() { emit getFlexGroupData(ui->spbGroupNumber->value()); }

void DialogFlexGroups::on_spbGroupNumber_valueChanged(int num)
{
    // The copies belong to the group shown before: the new one's first
    // report is shown even where its words equal them.
    forgetShown();
    emit getFlexGroupData(num);
}

bool DialogFlexGroups::refusedWrite(int group)
{
    if (!FlexGroupType::sharesHardwareNominals(group, m_deviceClass, m_channelCount))
        return false;
    OperatorPrompt::instance()->warning(
        this, CorePrompt::programTitle(),
        tr("Group %1 shares its registers with the hardware nominals of channel %1 on this "
           "module: nothing was written.")
            .arg(group));
    return true;
}

void DialogFlexGroups::on_btnSet_clicked()
{
    const int group = ui->spbGroupNumber->value();
    if (refusedWrite(group))
        return;
    quint32 boxes = 0;
    for (int k = 0; k < GroupCount; ++k)
        boxes = DialogBits::withBit(boxes, k, m_channelBoxes[k]->isChecked());
    // Boxes an earlier module enabled stay enabled, but a channel this module
    // does not have is never written as a member; its box shows that.
    m_member = FlexGroupType::members(boxes, m_channelCount);
    m_type = FlexGroupType::encode(m_type, shownFields(), m_deviceClass);
    m_copiesShown = true;
    showMembers(m_member);
    emit setFlexGroup(group, m_member, m_type);
}

void DialogFlexGroups::on_btnErase_clicked()
{
    const int group = ui->spbGroupNumber->value();
    if (!refusedWrite(group))
        emit setFlexGroup(group, 0, 0);
}

void DialogFlexGroups::on_btnMemberSelection_clicked()
{
    for (QCheckBox *box : m_channelBoxes) {
        if (box->isEnabled())
            box->setChecked(s_selectNext);
    }
    s_selectNext = !s_selectNext;
    applyButtonTexts();
}

void DialogFlexGroups::on_btnHelp_clicked()
{
    ui->txtHelp->setVisible(ui->txtHelp->isHidden());
    applyButtonTexts();
}

void DialogFlexGroups::applyButtonTexts()
{
    ui->btnMemberSelection->setText(s_selectNext ? tr("Select &All") : tr("Unselect &All"));
    ui->btnHelp->setText(ui->txtHelp->isHidden() ? tr("&Help >>") : tr("&Help <<"));
}

void DialogFlexGroups::selectDefaultChoices()
{
    ui->tabWidget->setCurrentIndex(0);
    ui->chkMonNoAction->setChecked(true);
    ui->chkNoAction->setChecked(true);
    ui->chk_isON->setChecked(true);
    ui->chk_StatIsON->setChecked(true);
}

void DialogFlexGroups::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    // A window restored from the task bar is no new showing: edits stay.
    if (event->spontaneous())
        return;
    forgetShown();
    selectDefaultChoices();
    applyButtonTexts();
    emit getFlexGroupData(ui->spbGroupNumber->value());
    m_timer->start();
}

void DialogFlexGroups::hideEvent(QHideEvent *event)
{
    if (!event->spontaneous())
        m_timer->stop();
    QDialog::hideEvent(event);
}

void DialogFlexGroups::closeEvent(QCloseEvent *event)
{
    m_timer->stop();
    QDialog::closeEvent(event);
}

void DialogFlexGroups::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange) {
        ui->retranslateUi(this);
        applyButtonTexts();
    }
    QDialog::changeEvent(event);
}
