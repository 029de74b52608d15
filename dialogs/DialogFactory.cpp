#include "DialogFactory.h"

#include "ui_dialogfactory.h"

#include <FactoryStateMachine.h>

#include <QEvent>

DialogFactory::DialogFactory(QWidget *parent)
    : QDialog(parent)
    , ui(new Ui::DialogFactory)
    , m_machine(new FactoryStateMachine(this))
{
    ui->setupUi(this);
    ui->txtLog->clear();
    using M = FactoryStateMachine;
    connect(m_machine, &M::logLine, ui->txtLog, &QTextEdit::append);
    connect(m_machine, &M::setModuleEventMask, this, &DialogFactory::setModuleEventMask);
    connect(m_machine, &M::setModuleEventChannelMask, this,
            &DialogFactory::setModuleEventChannelMask);
    connect(m_machine, &M::setModuleControl, this, &DialogFactory::setModuleControl);
    connect(m_machine, &M::storeFactorySettings, this, &DialogFactory::storeFactorySettings);
}

DialogFactory::~DialogFactory() { delete ui; }

int DialogFactory::state() const { return m_machine->state(); }

void DialogFactory::showEvent(QShowEvent *event)
{
    m_machine->restart();
    ui->txtLog->clear();
    QDialog::showEvent(event);
}

void DialogFactory::changeEvent(QEvent *event)
{
    QDialog::changeEvent(event);
    if (event->type() == QEvent::LanguageChange)
        ui->retranslateUi(this);
}

void DialogFactory::on_btnVmeTest_clicked() { m_machine->startVmeTest(); }

void DialogFactory::on_btnFactoryReset_clicked() { m_machine->startFactoryReset(); }

void DialogFactory::updateModuleControl(int serialNumber, quint32 control)
{
    m_machine->updateModuleControl(serialNumber, control);
}

void DialogFactory::updateModuleStatus(int serialNumber, quint32 status)
{
    m_machine->updateModuleStatus(serialNumber, status);
}

void DialogFactory::updateModuleEventMask(int serialNumber, quint32 eventMask)
{
    m_machine->updateModuleEventMask(serialNumber, eventMask);
}

void DialogFactory::updateModuleEventChannelMask(int serialNumber, quint32 eventMask)
{
    m_machine->updateModuleEventChannelMask(serialNumber, eventMask);
}

void DialogFactory::updateChannelVoltageNominal(int serialNumber, int channel, float vnominal,
                                                const QString &unit)
{
    m_machine->updateChannelVoltageNominal(serialNumber, channel, vnominal, unit);
}

void DialogFactory::updateChannelCurrentNominal(int serialNumber, int channel, float inominal,
                                                const QString &unit)
{
    m_machine->updateChannelCurrentNominal(serialNumber, channel, inominal, unit);
}

void DialogFactory::factoryResetDone(bool succeeded) { m_machine->factoryResetDone(succeeded); }

void DialogFactory::setChannelNumber(int channelNumber)
{
    m_machine->setChannelNumber(channelNumber);
}
