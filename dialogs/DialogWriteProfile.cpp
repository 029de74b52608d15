#include "DialogWriteProfile.h"

#include "ui_dialogwriteprofile.h"

#include <QEvent>
#include <QTextCursor>

DialogWriteProfile::DialogWriteProfile(QWidget *parent)
    : QDialog(parent)
    , ui(new Ui::DialogWriteProfile)
{
    ui->setupUi(this);
}

DialogWriteProfile::~DialogWriteProfile() { delete ui; }

void DialogWriteProfile::addToLog(const QString &line)
{
    ui->txtLog->moveCursor(QTextCursor::End);
    ui->txtLog->insertPlainText(line + QLatin1Char('\n'));
}

void DialogWriteProfile::showEvent(QShowEvent *event)
{
    ui->txtLog->clear();
    QDialog::showEvent(event);
}

void DialogWriteProfile::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange)
        ui->retranslateUi(this);
    QDialog::changeEvent(event);
}

void DialogWriteProfile::on_btnOK_clicked() { accept(); }

void DialogWriteProfile::on_btnCancel_clicked() { reject(); }
