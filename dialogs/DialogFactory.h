#pragma once

#include <QDialog>
#include <QString>

class FactoryStateMachine;

namespace Ui {
class DialogFactory;
}

/// The service dialog "Factory Settings" for the current module: the VME
/// test and the factory reset, each logged line by line. A view over
/// `FactoryStateMachine`: the update slots feed it, its requests leave as
/// this dialog's signals, its lines go into the log.
class DialogFactory : public QDialog
{
    Q_OBJECT

public:
    explicit DialogFactory(QWidget *parent = nullptr);
    ~DialogFactory() override;

    /// The procedures' state (FactoryStateMachine::State).
    int state() const;

public slots:
    void updateModuleControl(int serialNumber, quint32 control);
    void updateModuleStatus(int serialNumber, quint32 status);
    void updateModuleEventMask(int serialNumber, quint32 eventMask);
    void updateModuleEventChannelMask(int serialNumber, quint32 eventMask);
    void updateChannelVoltageNominal(int serialNumber, int channel, float vnominal,
                                     const QString &unit);
    void updateChannelCurrentNominal(int serialNumber, int channel, float inominal,
                                     const QString &unit);
    /// The reset has ended; `succeeded` false after a give-up.
    void factoryResetDone(bool succeeded);
    void setChannelNumber(int channelNumber);

signals:
    void setModuleEventMask(quint16 mask);
    void setModuleEventChannelMask(quint32 mask);
    void setModuleControl(quint16 control);
    void storeFactorySettings();

protected:
    /// Every time the dialog becomes visible: idle, with an empty log.
    void showEvent(QShowEvent *event) override;
    void changeEvent(QEvent *event) override;

private slots:
    void on_btnVmeTest_clicked();
    void on_btnFactoryReset_clicked();

private:
    Ui::DialogFactory *ui;
    FactoryStateMachine *m_machine;
};
