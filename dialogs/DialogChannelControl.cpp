#include "DialogChannelControl.h"

#include "DialogBits.h"
#include "ui_dialogchannelcontrol.h"

#include <QEvent>

DialogChannelControl::DialogChannelControl(QWidget *parent)
    : QDialog(parent)
    , ui(new Ui::DialogChannelControl)
{
    ui->setupUi(this);

    m_statusBoxes.add(ui->chk_isVLIM, 15);
    m_statusBoxes.add(ui->chk_isILIM, 14);
    m_statusBoxes.add(ui->chk_isTRIP, 13);
    m_statusBoxes.add(ui->chk_isEINH, 12);
    m_statusBoxes.add(ui->chk_isVBNDs, 11);
    m_statusBoxes.add(ui->chk_isIBNDs, 10);
    m_statusBoxes.add(ui->chk_isCV, 7);
    m_statusBoxes.add(ui->chk_isCC, 6);
    m_statusBoxes.add(ui->chk_isEMCY, 5);
    m_statusBoxes.add(ui->chk_isRAMP, 4);
    m_statusBoxes.add(ui->chk_isON, 3);
    m_statusBoxes.add(ui->chk_isIERR, 2);

    m_eventStatusBoxes.add(ui->chk_EVLIM, 15);
    m_eventStatusBoxes.add(ui->chk_EILIM, 14);
    m_eventStatusBoxes.add(ui->chk_ETRIP, 13);
    m_eventStatusBoxes.add(ui->chk_EEINH, 12);
    m_eventStatusBoxes.add(ui->chk_EVBNDs, 11);
    m_eventStatusBoxes.add(ui->chk_EIBNDs, 10);
    m_eventStatusBoxes.add(ui->chk_ECV, 7);
    m_eventStatusBoxes.add(ui->chk_ECC, 6);
    m_eventStatusBoxes.add(ui->chk_EEMCY, 5);
    m_eventStatusBoxes.add(ui->chk_EEOR, 4);
    m_eventStatusBoxes.add(ui->chk_EON2OFF, 3);
    m_eventStatusBoxes.add(ui->chk_EIERR, 2);

    m_eventMaskBoxes.add(ui->chk_MEVLIM, 15);
    m_eventMaskBoxes.add(ui->chk_MEILIM, 14);
    m_eventMaskBoxes.add(ui->chk_METRIP, 13);
    m_eventMaskBoxes.add(ui->chk_MEEINH, 12);
    m_eventMaskBoxes.add(ui->chk_MEVBNDs, 11);
    m_eventMaskBoxes.add(ui->chk_MEIBNDs, 10);
    m_eventMaskBoxes.add(ui->chk_MECV, 7);
    m_eventMaskBoxes.add(ui->chk_MECC, 6);
    m_eventMaskBoxes.add(ui->chk_MEEMCY, 5);
    m_eventMaskBoxes.add(ui->chk_MEEOR, 4);
    m_eventMaskBoxes.add(ui->chk_MEON2OFF, 3);
    m_eventMaskBoxes.add(ui->chk_MEIERR, 2);

    m_controlBoxes.add(ui->chk_setAVBND, 11);
    m_controlBoxes.add(ui->chk_setAIBND, 10);
    m_controlBoxes.add(ui->chk_setEMCY, 5);
    m_controlBoxes.add(ui->chk_setON, 3);
    m_controlBoxes.add(ui->setRippleMeasurementOn, 2);
    m_controlBoxes.add(ui->setVoltageMeasurementOn, 1);
}

DialogChannelControl::~DialogChannelControl() { delete ui; }

void DialogChannelControl::applyTitle()
{
    // Until a channel is known the form's own title stands.
    if (m_channel >= 0)
        setWindowTitle(tr("%1: Channel %2 Status / Control").arg(m_serialNumber).arg(m_channel));
}

void DialogChannelControl::updateChannelControl(int serialNumber, int channel, quint32 control)
{
    if (channel != m_channel) {
        m_channel = channel;
        m_serialNumber = serialNumber;
        applyTitle();
    }
    if (DialogBits::differs(control, m_control)) {
        m_control = quint16(control);
        m_controlBoxes.show(control);
    }
}

void DialogChannelControl::updateChannelStatus(int, int, quint32 status)
{
    if (DialogBits::differs(status, m_status)) {
        m_status = quint16(status);
        m_statusBoxes.show(status);
    }
}

void DialogChannelControl::updateChannelEventStatus(int, int, quint32 eventStatus)
{
    if (DialogBits::differs(eventStatus, m_eventStatus)) {
        m_eventStatus = quint16(eventStatus);
        m_eventStatusBoxes.show(eventStatus);
    }
}

void DialogChannelControl::updateChannelEventMask(int, int, quint32 eventMask)
{
    if (DialogBits::differs(eventMask, m_eventMask)) {
        m_eventMask = quint16(eventMask);
        m_eventMaskBoxes.show(eventMask);
    }
}

void DialogChannelControl::updateModuleControl(int, quint32 control) { m_moduleControl = control; }

void DialogChannelControl::updateModuleStatus(int, quint32 status) { m_moduleStatus = status; }

void DialogChannelControl::updateChannelVoltageNominal(int, int, float vnominal, QString unit)
{
    m_voltageNominal = vnominal;
    m_voltageUnit = unit;
}

void DialogChannelControl::updateChannelCurrentNominal(int, int, float inominal, QString unit)
{
    m_currentNominal = inominal;
    m_currentUnit = unit;
}

void DialogChannelControl::updateChannelVoltageHardwareNominal(int, int, float vmax, QString unit)
{
    m_voltageHardwareNominal = vmax;
    m_voltageUnit = unit;
}

void DialogChannelControl::updateChannelCurrentHardwareNominal(int, int, float imax, QString unit)
{
    m_currentHardwareNominal = imax;
    m_currentUnit = unit;
}

void DialogChannelControl::on_btnSetControl_clicked()
{
    if (m_channel < 0)
        return;
    m_control = quint16(m_controlBoxes.composeOnto(m_control));
    emit setChannelControl(quint16(m_channel), m_control);
}

void DialogChannelControl::on_btnClearEvents_clicked()
{
    if (m_channel < 0)
        return;
    emit clearChannelEvents(quint16(m_channel));
}

void DialogChannelControl::on_btnSetMask_clicked()
{
    if (m_channel < 0)
        return;
    m_eventMask = quint16(m_eventMaskBoxes.composeOnto(m_eventMask));
    emit setChannelEventMask(quint16(m_channel), m_eventMask);
}

void DialogChannelControl::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange) {
        ui->retranslateUi(this);
        applyTitle();
    }
    QDialog::changeEvent(event);
}
