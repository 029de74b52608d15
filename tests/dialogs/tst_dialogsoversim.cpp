// The channel dialog and the set-current run against a module of the
// simulated crate, through the real VM-USB adapter. The requests are applied
// the way the main window applies them; the updates come from module reads
// the way the refresh cycle makes them.
#include "DialogChannelControl.h"
#include "DialogSetCurrent.h"
#include "DialogTestTools.h"
#include "DialogWiring.h"
#include "VmUsb.h"
#include "VmeModule.h"
#include "norvsim.h"

#include <QCheckBox>
#include <QtTest>
#include <memory>

using namespace DialogTestTools;

namespace {
constexpr quint16 Base = 0x4000;
constexpr int Channel = 3;
} // namespace

class TestDialogsOverSim : public QObject
{
    Q_OBJECT

    std::unique_ptr<VmUsb> m_bus;
    std::unique_ptr<VmeModule> m_module;

    /// The channel step of the refresh cycle for the selected row.
    void refresh(DialogChannelControl &dialog, int channel)
    {
        const int serial = m_module->GetModuleSerialNumber();
        dialog.updateChannelControl(serial, channel, m_module->GetChannelControl(channel));
        dialog.updateChannelStatus(serial, channel, m_module->GetChannelStatus(channel));
        dialog.updateChannelEventStatus(serial, channel, m_module->GetChannelEventStatus(channel));
        dialog.updateChannelEventMask(serial, channel, m_module->GetChannelEventMask(channel));
    }

private slots:
    void init()
    {
        QCOMPARE(norvsim_reset(""), 0);
        m_bus = std::make_unique<VmUsb>();
        QVERIFY(m_bus->isConnected());
        m_module = std::make_unique<VmeModule>(m_bus.get(), Base);
        QCOMPARE(m_module->GetModuleDeviceClass(), 20);
    }

    void cleanup()
    {
        DialogWiring::setModalRunner({});
        m_module.reset();
        m_bus.reset();
    }

    void setOnSwitchesTheChannelOnAndItRamps()
    {
        m_module->SetModuleVoltageRampSpeed(10.0f); // 300 V/s
        m_module->SetChannelVoltageSet(Channel, 1500.0f);

        DialogChannelControl dialog;
        connect(&dialog, &DialogChannelControl::setChannelControl, m_module.get(),
                [this](quint16 channel, quint16 control) {
                    m_module->SetChannelControl(channel, control);
                });
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        refresh(dialog, Channel);
        QCOMPARE(dialog.windowTitle(), QStringLiteral("4711: Channel 3 Status / Control"));
        QVERIFY(!child<QCheckBox>(&dialog, "chk_isON")->isChecked());

        click(&dialog, "chk_setON");
        for (int pass = 0; pass < 5; ++pass)
            refresh(dialog, Channel); // the tick survives polling until sent
        QVERIFY(child<QCheckBox>(&dialog, "chk_setON")->isChecked());
        QVERIFY(!(m_module->GetChannelStatus(Channel) & 0x0008));

        click(&dialog, "btnSetControl");
        QCOMPARE(m_module->GetChannelControl(Channel) & 0x0008, 0x0008u);
        norvsim_advance_ms(2500);
        refresh(dialog, Channel);
        QVERIFY(child<QCheckBox>(&dialog, "chk_isON")->isChecked());
        QVERIFY(child<QCheckBox>(&dialog, "chk_isRAMP")->isChecked());
        const double halfway = norvsim_channel_value(Base, Channel, NORVSIM_VOUT);
        QVERIFY2(halfway > 600 && halfway < 900, qPrintable(QString::number(halfway)));

        norvsim_advance_ms(5000);
        refresh(dialog, Channel);
        QVERIFY(!child<QCheckBox>(&dialog, "chk_isRAMP")->isChecked());
        QCOMPARE(norvsim_channel_value(Base, Channel, NORVSIM_VOUT), 1500.0);
        // The other channels stay off.
        QCOMPARE(norvsim_channel_value(Base, Channel + 1, NORVSIM_VOUT), 0.0);
    }

    void setCurrentTripReachesTheModule()
    {
        DialogWiring::setModalRunner([](QDialog *dialog) {
            auto *setCurrent = qobject_cast<DialogSetCurrent *>(dialog);
            if (!setCurrent)
                return int(QDialog::Rejected);
            setCurrent->setValue(1.25); // mA
            return int(QDialog::Accepted);
        });
        QVERIFY(DialogWiring::runSetCurrentTrip(nullptr, m_module.get(), Channel));
        QVERIFY(qAbs(norvsim_channel_value(Base, Channel, NORVSIM_ISET) - 0.00125) < 1e-9);
        QCOMPARE(m_module->GetChannelCurrentSet(Channel), 1.25f);

        QVERIFY(DialogWiring::runSetAllChannelsCurrentTrip(nullptr, m_module.get(), 0));
        for (int ch = 0; ch < 12; ++ch)
            QCOMPARE(m_module->GetChannelCurrentSet(ch), 1.25f);
    }
};

QTEST_MAIN(TestDialogsOverSim)
#include "tst_dialogsoversim.moc"
