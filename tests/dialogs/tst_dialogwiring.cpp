// The main window's side of the detail dialogs, end to end through a stand-in
// main window: its signals reach the dialogs, the dialogs' requests reach its
// slots, the dialogs are made once and shown each time, and a main window
// that lacks a signal or slot is reported.
#include "DialogChannelBounds.h"
#include "DialogChannelControl.h"
#include "DialogCrate.h"
#include "DialogModuleControl.h"
#include "DialogSuppliesTempLimits.h"
#include "DialogTestTools.h"
#include "DialogWiring.h"
#include "FakeMainWindow.h"

#include <QCheckBox>
#include <QDoubleSpinBox>
#include <QLCDNumber>
#include <QLineEdit>
#include <QListWidget>
#include <QSpinBox>
#include <QtTest>

using namespace DialogTestTools;

/// A main window that has forgotten one supplies signal and the crate slot.
class IncompleteMainWindow : public QWidget
{
    Q_OBJECT

signals:
    void updateModuleSupplyP5(int serialNumber, float p5);
    void updateModuleSupplyP12(int serialNumber, float p12);
    void updateModuleSupplyN12(int serialNumber, float n12);
    void updateModuleVoltageHardwareLimit(int serialNumber, float value);
    void updateModuleCurrentHardwareLimit(int serialNumber, float value);
};

class TestDialogWiring : public QObject
{
    Q_OBJECT

    FakeMainWindow *m_main = nullptr;

private slots:
    void init()
    {
        m_main = new FakeMainWindow;
        m_main->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_main));
    }

    void cleanup()
    {
        delete m_main; // deletes the dialogs it parents
        m_main = nullptr;
    }

    void channelControlBothWays()
    {
        DialogChannelControl *dialog = nullptr;
        DialogChannelControl *shown = DialogWiring::showChannelControl(m_main, dialog);
        QVERIFY(dialog);
        QCOMPARE(shown, dialog);
        QCOMPARE(dialog->parent(), m_main);
        QVERIFY(dialog->isVisible());
        QVERIFY(QTest::qWaitForWindowExposed(dialog));

        emit m_main->updateChannelControl(4711, 3, 0x0008);
        emit m_main->updateChannelStatus(4711, 3, 0x8008);
        emit m_main->updateChannelEventStatus(4711, 3, 0x0010);
        emit m_main->updateChannelEventMask(4711, 3, 0x0004);
        emit m_main->updateModuleControl(4711, 0);
        emit m_main->updateChannelVoltageNominal(4711, 3, 3000, "V");
        QCOMPARE(dialog->windowTitle(), QStringLiteral("4711: Channel 3 Status / Control"));
        QVERIFY(child<QCheckBox>(dialog, "chk_isVLIM")->isChecked());
        QVERIFY(child<QCheckBox>(dialog, "chk_EEOR")->isChecked());
        QVERIFY(child<QCheckBox>(dialog, "chk_MEIERR")->isChecked());
        QVERIFY(child<QCheckBox>(dialog, "chk_setON")->isChecked());

        click(dialog, "chk_setEMCY");
        click(dialog, "btnSetControl");
        click(dialog, "btnSetMask");
        click(dialog, "btnClearEvents");
        QCOMPARE(m_main->callsOf("setChannelControl"), (QList<QVariantList> {{3, 0x0028}}));
        QCOMPARE(m_main->callsOf("setChannelEventMask"), (QList<QVariantList> {{3, 0x0004}}));
        QCOMPARE(m_main->callsOf("clearChannelEvents"), (QList<QVariantList> {{3}}));
        QCOMPARE(m_main->calls.size(), 3);

        // A second use shows the same dialog again.
        dialog->hide();
        DialogChannelControl *first = dialog;
        DialogWiring::showChannelControl(m_main, dialog);
        QCOMPARE(dialog, first);
        QVERIFY(dialog->isVisible());
        // Hidden or not, it stays wired once.
        m_main->calls.clear();
        click(dialog, "btnClearEvents");
        QCOMPARE(m_main->calls.size(), 1);
    }

    void moduleControlBothWaysWithChannelCount()
    {
        DialogModuleControl *dialog = nullptr;
        DialogWiring::showModuleControl(m_main, dialog, 8);
        QVERIFY(dialog);
        QVERIFY(QTest::qWaitForWindowExposed(dialog));
        QVERIFY(child<QCheckBox>(dialog, "chk_ECM7")->isEnabled());
        QVERIFY(!child<QCheckBox>(dialog, "chk_ECM8")->isEnabled());

        emit m_main->updateModuleControl(4711, 0x0700);
        emit m_main->updateModuleStatus(4711, 0x0004);
        emit m_main->updateModuleEventStatus(4711, 0x0002);
        emit m_main->updateModuleEventMask(4711, 0x4000);
        emit m_main->updateModuleRestartTime(4711, 1200);
        emit m_main->updateModuleEventChannelStatus(4711, 0x1);
        emit m_main->updateModuleEventChannelMask(4711, 0x3);
        emit m_main->updateModuleEventGroupStatus(4711, 0x4);
        emit m_main->updateModuleEventGroupMask(4711, 0x8);
        QVERIFY(child<QCheckBox>(dialog, "chk_setILVL2")->isChecked());
        QVERIFY(child<QCheckBox>(dialog, "chk_isSTOP")->isChecked());
        QVERIFY(child<QCheckBox>(dialog, "chk_ERSTA")->isChecked());
        QVERIFY(child<QCheckBox>(dialog, "chk_METEMPngd")->isChecked());
        QCOMPARE(child<QSpinBox>(dialog, "spbRestartTime")->value(), 1200);
        QVERIFY(child<QCheckBox>(dialog, "chk_ECS0")->isChecked());
        QVERIFY(child<QCheckBox>(dialog, "chk_ECM1")->isChecked());
        QVERIFY(child<QCheckBox>(dialog, "chk_EGS2")->isChecked());
        QVERIFY(child<QCheckBox>(dialog, "chk_EGM3")->isChecked());

        for (const char *name :
             {"btnClearEvents", "btnSetMask", "btnSetControl", "btnClearECS", "btnSetECM"})
            click(dialog, name);
        auto *tabs = child<QTabWidget>(dialog, "tabWidget");
        tabs->setCurrentIndex(1);
        click(dialog, "btnClearEGS");
        click(dialog, "btnSetEGM");
        tabs->setCurrentIndex(2);
        click(dialog, "btnSetRestartTime");
        QStringList slotNames;
        for (const FakeMainWindow::Call &call : m_main->calls)
            slotNames << call.slot;
        QCOMPARE(slotNames,
                 (QStringList {"clearModuleEvents", "setModuleEventMask", "setModuleControl",
                               "clearModuleEventChannelStatus", "setModuleEventChannelMask",
                               "clearModuleEventGroupStatus", "setModuleEventGroupMask",
                               "setRestartTime"}));
        QCOMPARE(m_main->callsOf("setModuleControl"), (QList<QVariantList> {{0x0700}}));
        QCOMPARE(m_main->callsOf("setModuleEventMask"), (QList<QVariantList> {{0x4000}}));
        QCOMPARE(m_main->callsOf("setModuleEventChannelMask"), (QList<QVariantList> {{3u}}));
        QCOMPARE(m_main->callsOf("setModuleEventGroupMask"), (QList<QVariantList> {{8u}}));
        QCOMPARE(m_main->callsOf("setRestartTime"), (QList<QVariantList> {{1200u}}));

        // Every use passes the selected module's channel count again.
        DialogModuleControl *first = dialog;
        DialogWiring::showModuleControl(m_main, dialog, 16);
        QCOMPARE(dialog, first);
        QVERIFY(child<QCheckBox>(dialog, "chk_ECM15")->isEnabled());
    }

    void channelBoundsBothWays()
    {
        DialogChannelBounds *dialog = nullptr;
        DialogWiring::showChannelBounds(m_main, dialog);
        QVERIFY(dialog);
        QVERIFY(QTest::qWaitForWindowExposed(dialog));
        QVERIFY(m_main->calls.isEmpty()); // the construction-time handlers sent nothing

        emit m_main->updateChannelControl(4711, 2, 0x0400);
        emit m_main->updateChannelVoltageNominal(4711, 2, 3000, "V");
        emit m_main->updateChannelCurrentNominal(4711, 2, 3, "mA");
        emit m_main->updateChannelVoltageInterlockMaxSet(4711, 2, 2000, "V");
        emit m_main->updateChannelVoltageInterlockMinSet(4711, 2, 10, "V");
        emit m_main->updateChannelCurrentInterlockMaxSet(4711, 2, 2.5f, "mA");
        emit m_main->updateChannelCurrentInterlockMinSet(4711, 2, 0.5f, "mA");
        QCOMPARE(child<QDoubleSpinBox>(dialog, "spbVoltageIlkMax")->maximum(), 3030.0);
        QCOMPARE(child<QDoubleSpinBox>(dialog, "spbCurrentIlkMin")->value(), 0.5);
        // The reported bound bit ticked the box, whose handler echoed the word.
        QCOMPARE(m_main->callsOf("setChannelControl"), (QList<QVariantList> {{2, 0x0400}}));

        click(dialog, "btnSetBounds");
        QCOMPARE(m_main->callsOf("setChannelBounds"),
                 (QList<QVariantList> {{2, false, 2000.0f, 10.0f, true, 2.5f, 0.5f}}));
    }

    void suppliesFromTheMainWindow()
    {
        DialogSuppliesTempLimits *dialog = nullptr;
        DialogWiring::showSuppliesTempLimits(m_main, dialog);
        QVERIFY(dialog);
        emit m_main->updateModuleSupplyP5(1, 5.0f);
        emit m_main->updateModuleSupplyP12(1, 12.0f);
        emit m_main->updateModuleSupplyN12(1, -12.0f);
        emit m_main->updateModuleVoltageHardwareLimit(1, 100.0f);
        emit m_main->updateModuleCurrentHardwareLimit(1, 90.0f);
        emit m_main->updateModuleTemperature(1, 30.0f);
        QCOMPARE(child<QLCDNumber>(dialog, "lcdP5")->value(), 5.0);
        QCOMPARE(child<QLCDNumber>(dialog, "lcdP12")->value(), 12.0);
        QCOMPARE(child<QLCDNumber>(dialog, "lcdN12")->value(), -12.0);
        QCOMPARE(child<QLCDNumber>(dialog, "lcdVmax")->value(), 100.0);
        QCOMPARE(child<QLCDNumber>(dialog, "lcdImax")->value(), 90.0);
        QCOMPARE(child<QLCDNumber>(dialog, "lcdTemp")->value(), 30.0);
    }

    void crateFromAndToTheMainWindow()
    {
        DialogCrate *dialog = nullptr;
        DialogWiring::showCrate(m_main, dialog);
        QVERIFY(dialog);
        QVERIFY(QTest::qWaitForWindowExposed(dialog));
        for (int pass = 0; pass < 2; ++pass) {
            emit m_main->updateCrateSupply5V(77, 5.0f);
            emit m_main->updateCrateSupply24V(77, 24.0f);
            emit m_main->updateCrateBattery24V(77, 23.0f);
            emit m_main->updateCrateTemperatureBackPlane(77, 25.0f);
            emit m_main->updateCrateTemperaturePowerSupply(77, 35.0f);
            emit m_main->updateCrateStatus(77, 3);
            emit m_main->updateCratePowerOn(77, true);
        }
        QCOMPARE(child<QListWidget>(dialog, "crateList")->count(), 1);
        QCOMPARE(child<QLineEdit>(dialog, "txtSupply5")->text(), QStringLiteral("5"));
        QCOMPARE(child<QLineEdit>(dialog, "txtSupply24")->text(), QStringLiteral("24"));
        QCOMPARE(child<QLineEdit>(dialog, "txtBattery24")->text(), QStringLiteral("23"));
        QCOMPARE(child<QLineEdit>(dialog, "txtTempBackPlane")->text(), QStringLiteral("25"));
        QCOMPARE(child<QLineEdit>(dialog, "txtTempPowerSupply")->text(), QStringLiteral("35"));
        QCOMPARE(child<QLineEdit>(dialog, "txtStatus")->text(), QStringLiteral("3"));

        click(dialog, "btnPowerOn");
        QCOMPARE(m_main->callsOf("setCratePowerOn"), (QList<QVariantList> {{77, false}}));
    }

    void everyConnectSucceedsOnACompleteMainWindow()
    {
        DialogChannelControl channel;
        DialogModuleControl module;
        DialogChannelBounds bounds;
        DialogSuppliesTempLimits supplies;
        DialogCrate crate;
        QVERIFY(DialogWiring::connect(m_main, &channel));
        QVERIFY(DialogWiring::connect(m_main, &module));
        QVERIFY(DialogWiring::connect(m_main, &bounds));
        QVERIFY(DialogWiring::connect(m_main, &supplies));
        QVERIFY(DialogWiring::connect(m_main, &crate));
    }

    void missingSignalOrSlotIsReported()
    {
        IncompleteMainWindow incomplete;
        DialogSuppliesTempLimits supplies;
        QTest::ignoreMessage(QtWarningMsg,
                             QRegularExpression("QObject::connect: No such signal .*"
                                                "updateModuleTemperature"));
        QTest::ignoreMessage(QtWarningMsg,
                             QRegularExpression("QObject::connect: +\\(receiver name"));
        QTest::ignoreMessage(QtWarningMsg,
                             QRegularExpression("DialogWiring: DialogSuppliesTempLimits: cannot "
                                                "connect updateModuleTemperature.*"));
        QVERIFY(!DialogWiring::connect(&incomplete, &supplies));
        // What exists is still connected.
        emit incomplete.updateModuleSupplyP5(1, 4.5f);
        QCOMPARE(child<QLCDNumber>(&supplies, "lcdP5")->value(), 4.5);

        // None of the crate's seven signals nor its request slot exists.
        DialogCrate crate;
        for (int k = 0; k < 8; ++k) {
            QTest::ignoreMessage(QtWarningMsg, QRegularExpression("QObject::connect: No such .*"));
            QTest::ignoreMessage(
                QtWarningMsg, QRegularExpression("QObject::connect: +\\((sender|receiver) name"));
            QTest::ignoreMessage(QtWarningMsg, QRegularExpression("DialogWiring: DialogCrate: .*"));
        }
        QVERIFY(!DialogWiring::connect(&incomplete, &crate));
    }
};

QTEST_MAIN(TestDialogWiring)
#include "tst_dialogwiring.moc"
