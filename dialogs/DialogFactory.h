#pragma once

#include <QDialog>

class FactoryStateMachine;

namespace Ui {
class DialogFactory;
}

/// The service dialog "Factory Settings" for the current module: the VME
/// test and the factory reset, each logged line by line. A view over
/// `FactoryStateMachine`, which takes the update signals and sends the
/// requests: the buttons start its procedures and its lines go into the log.
class DialogFactory : public QDialog
{
    Q_OBJECT

public:
    explicit DialogFactory(QWidget *parent = nullptr);
    ~DialogFactory() override;

    /// The procedures behind the buttons (owned by the dialog).
    FactoryStateMachine *machine() const { return m_machine; }

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
