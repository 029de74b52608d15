#include "DialogInterlockOut.h"

#include "DialogBits.h"
#include "ui_dialoginterlockout.h"

#include <InterlockOutControl.h>

#include <QCheckBox>
#include <QEvent>

namespace {

// The masks have sixteen boxes; modules have at most twelve channels with an
// interlock output.
constexpr int ShownChannels = 12;

} // namespace

DialogInterlockOut::DialogInterlockOut(QWidget *parent)
    : QDialog(parent)
    , ui(new Ui::DialogInterlockOut)
{
    ui->setupUi(this);

    m_statusBoxes.add(ui->chkIsIlkEna, 15);
    m_statusBoxes.add(ui->chkIsIlkAct, 14);
    m_statusBoxes.add(ui->chkIsIlkStby, 13);
    m_statusBoxes.add(ui->chkIsIlkTestLoops3, 3);
    m_statusBoxes.add(ui->chkIsIlkTestLoops2, 2);
    m_statusBoxes.add(ui->chkIsIlkTestLoops1, 1);
    m_statusBoxes.add(ui->chkIsIlkTestLoops0, 0);

    m_lastTriggerBoxes.add(ui->chkIsIlkTest, 14);
    m_lastTriggerBoxes.add(ui->chkIsIlkIBnds, 9);
    m_lastTriggerBoxes.add(ui->chkIsIlkVlim, 8);
    m_lastTriggerBoxes.add(ui->chkIsIlkVBnds, 7);
    m_lastTriggerBoxes.add(ui->chkIsIlkIlim, 6);
    m_lastTriggerBoxes.add(ui->chkIsIlkIset, 5);
    m_lastTriggerBoxes.add(ui->chkChannel4, 4);
    m_lastTriggerBoxes.add(ui->chkChannel3, 3);
    m_lastTriggerBoxes.add(ui->chkChannel2, 2);
    m_lastTriggerBoxes.add(ui->chkChannel1, 1);
    m_lastTriggerBoxes.add(ui->chkChannel0, 0);

    // One box for each bit InterlockOutControl::Offered names.
    m_controlBoxes.add(ui->chkSetIlkEna, 15);
    m_controlBoxes.add(ui->chkClrIlkRegs, 14);
    m_controlBoxes.add(ui->chkSetIlkIbnds, 9);
    m_controlBoxes.add(ui->chkSetlIlkVlim, 8);
    m_controlBoxes.add(ui->chkSetIlkVbnds, 7);
    m_controlBoxes.add(ui->chkSetIlkIlim, 6);
    m_controlBoxes.add(ui->chkSetIlkIset, 5);
    m_controlBoxes.add(ui->chkDoIlkTestLoops3, 3);
    m_controlBoxes.add(ui->chkDoIlkTestLoops2, 2);
    m_controlBoxes.add(ui->chkDoIlkTestLoops1, 1);
    m_controlBoxes.add(ui->chkDoIlkTestLoops0, 0);
    Q_ASSERT(m_controlBoxes.mask() == InterlockOutControl::Offered);

    m_actualActiveBoxes = channelBoxes("chk_ICAA");
    m_everTriggeredBoxes = channelBoxes("chk_ICET");
}

DialogInterlockOut::~DialogInterlockOut() { delete ui; }

BitBoxGroup DialogInterlockOut::channelBoxes(const char *prefix) const
{
    BitBoxGroup boxes;
    for (int channel = 0; channel < ShownChannels; ++channel) {
        auto *box = findChild<QCheckBox *>(QLatin1String(prefix) + QString::number(channel));
        Q_ASSERT(box);
        boxes.add(box, channel);
    }
    return boxes;
}

void DialogInterlockOut::showChanged(const BitBoxGroup &boxes, quint16 &copy, quint32 word)
{
    if (DialogBits::differs(word, copy)) {
        copy = quint16(word);
        boxes.show(word);
    }
}

void DialogInterlockOut::updateInterlockStatus(int, quint32 status)
{
    showChanged(m_statusBoxes, m_status, status);
}

void DialogInterlockOut::updateInterlockControl(int serialNumber, quint32 control)
{
    m_serialNumber = serialNumber;
    showChanged(m_controlBoxes, m_control, control);
}

void DialogInterlockOut::updateInterlockCount(int, quint32 count)
{
    ui->txtInterlockCount->setText(QStringLiteral("%1").arg(count));
}

void DialogInterlockOut::updateInterlockLastTrigger(int, quint32 lastTrigger)
{
    showChanged(m_lastTriggerBoxes, m_lastTrigger, lastTrigger);
}

void DialogInterlockOut::updateInterlockChannelActualActive(int, quint32 channelActive)
{
    showChanged(m_actualActiveBoxes, m_channelActualActive, channelActive);
}

void DialogInterlockOut::updateInterlockChannelEverTriggered(int, quint32 channelTriggered)
{
    showChanged(m_everTriggeredBoxes, m_channelEverTriggered, channelTriggered);
}

void DialogInterlockOut::on_btnSetInterlockControl_clicked()
{
    m_control = InterlockOutControl::compose(m_control, quint16(m_controlBoxes.word()));
    emit setInterlockControl(m_serialNumber, m_control);
}

void DialogInterlockOut::changeEvent(QEvent *event)
{
    QDialog::changeEvent(event);
    if (event->type() == QEvent::LanguageChange)
        ui->retranslateUi(this);
}
