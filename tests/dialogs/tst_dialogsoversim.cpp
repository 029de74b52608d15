// The channel dialog against a module of the simulated crate, through the real
// VM-USB adapter: its control word is applied the way the main window applies
// it, and its updates come from module reads as the refresh cycle makes them.
#include "DialogChannelControl.h"
#include "DialogTestTools.h"
#include "VmUsb.h"
#include "VmeModule.h"
#include "norvsim.h"

#include <QtTest>

using namespace DialogTestTools;

class TestDialogsOverSim : public QObject
{
    Q_OBJECT

private slots:
    void setOnSwitchesTheChannelOnAndItRamps()
    {
        constexpr quint16 Base = 0x4000;
        constexpr int Channel = 3;
        QCOMPARE(norvsim_reset(""), 0);
        VmUsb bus;
        VmeModule module(&bus, Base);
        module.SetModuleVoltageRampSpeed(10.0f); // 300 V/s
        module.SetChannelVoltageSet(Channel, 1500.0f);

        DialogChannelControl dialog;
        connect(&dialog, &DialogChannelControl::setChannelControl, &module,
                [&module](quint16 channel, quint16 control) {
                    module.SetChannelControl(channel, control);
                });
        const auto refresh = [&] {
            dialog.updateChannelControl(4711, Channel, module.GetChannelControl(Channel));
            dialog.updateChannelStatus(4711, Channel, module.GetChannelStatus(Channel));
        };
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        click(&dialog, "chk_setON");
        for (int pass = 0; pass < 5; ++pass)
            refresh(); // the tick survives polling until sent
        QCOMPARE(module.GetChannelStatus(Channel) & 0x0008, 0u);
        click(&dialog, "btnSetControl");

        norvsim_advance_ms(2500);
        refresh();
        QVERIFY(child<QCheckBox>(&dialog, "chk_isON")->isChecked());
        QVERIFY(child<QCheckBox>(&dialog, "chk_isRAMP")->isChecked());
        const double halfway = norvsim_channel_value(Base, Channel, NORVSIM_VOUT);
        QVERIFY2(halfway > 600 && halfway < 900, qPrintable(QString::number(halfway)));
        norvsim_advance_ms(5000);
        refresh();
        QVERIFY(!child<QCheckBox>(&dialog, "chk_isRAMP")->isChecked());
        QCOMPARE(norvsim_channel_value(Base, Channel, NORVSIM_VOUT), 1500.0);
    }
};

QTEST_MAIN(TestDialogsOverSim)
#include "tst_dialogsoversim.moc"
