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
    connect(m_machine, &FactoryStateMachine::logLine, ui->txtLog, &QTextEdit::append);
}

DialogFactory::~DialogFactory() { delete ui; }

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
