// The tool dialogs on their real forms, fed through their update slots as the
// crate core feeds them: the words and values they show, the requests they
// send (recorded from their signals), and that an operator's edit in progress
// survives a stream of identical updates.
#include "DialogChannelBounds.h"
#include "DialogChannelControl.h"
#include "DialogCrate.h"
#include "DialogModuleControl.h"
#include "DialogSuppliesTempLimits.h"
#include "DialogTestTools.h"
#include "SignalRecorder.h"

#include <QDoubleSpinBox>
#include <QLCDNumber>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QtTest>

using namespace DialogTestTools;

namespace {
constexpr int Serial = 4711;
using Calls = QList<QVariantList>;
} // namespace

class TestToolDialogs : public QObject
{
    Q_OBJECT

    std::unique_ptr<QWidget> m_main; // parent of the dialogs
    std::unique_ptr<SignalRecorder> m_requests;
    DialogChannelControl *m_channel = nullptr;
    DialogModuleControl *m_module = nullptr;
    DialogChannelBounds *m_bounds = nullptr;
    DialogCrate *m_crate = nullptr;

    /// Makes the dialog on first use, records its requests and shows it.
    template<class Dialog> Dialog *shown(Dialog *&dialog)
    {
        if (!dialog) {
            dialog = new Dialog(m_main.get());
            m_requests = std::make_unique<SignalRecorder>(dialog, QByteArray());
        }
        dialog->show();
        return dialog;
    }
    QList<QVariantList> calls() const { return m_requests->calls(); }

    /// The module dialog as its action shows it: told the channel count first.
    DialogModuleControl *moduleDialog(int channels)
    {
        if (!m_module) {
            m_module = new DialogModuleControl(m_main.get());
            m_requests = std::make_unique<SignalRecorder>(m_module, QByteArray());
        }
        m_module->setChannelCount(channels);
        m_module->show();
        return m_module;
    }

    void showPage(const char *page)
    {
        child<QTabWidget>(m_module, "tabWidget")->setCurrentWidget(child(m_module, page));
    }
    static void tickEnabledBoxes(QWidget *dialog, const char *group)
    {
        for (QCheckBox *box : child(dialog, group)->findChildren<QCheckBox *>())
            box->setChecked(box->isEnabled() || box->isChecked());
    }
    /// One pass of the refresh cycle for the channel the bounds dialog follows.
    void refreshBounds(int channel, quint32 control, float vmax = 2000, float vmin = 100)
    {
        m_bounds->updateChannelControl(Serial, channel, control);
        m_bounds->updateChannelVoltageNominal(Serial, channel, 3000, "V");
        m_bounds->updateChannelCurrentNominal(Serial, channel, 3, "mA");
        m_bounds->updateChannelVoltageInterlockMaxSet(Serial, channel, vmax, "V");
        m_bounds->updateChannelVoltageInterlockMinSet(Serial, channel, vmin, "V");
        m_bounds->updateChannelCurrentInterlockMaxSet(Serial, channel, 2.5f, "mA");
        m_bounds->updateChannelCurrentInterlockMinSet(Serial, channel, 0.1f, "mA");
    }
    QString crateField(const char *name) { return child<QLineEdit>(m_crate, name)->text(); }

private slots:
    void init()
    {
        m_main = std::make_unique<QWidget>();
        m_channel = nullptr;
        m_module = nullptr;
        m_bounds = nullptr;
        m_crate = nullptr;
    }

    void cleanup()
    {
        m_requests.reset();
        m_main.reset(); // and the dialogs it parents
    }

    // ---- channel status and control

    void channelStatusWordTicksItsBoxesOnly()
    {
        QVERIFY(QTest::qWaitForWindowExposed(shown(m_channel)));
        m_channel->updateChannelStatus(Serial, 3, 0x8008);
        QCOMPARE(tickedBoxes(m_channel), (QStringList {"chk_isON", "chk_isVLIM"}));
        QCOMPARE(child<QCheckBox>(m_channel, "chk_isVLIM")->text(),
                 QStringLiteral("Is Voltage Limit"));
        QCOMPARE(child<QCheckBox>(m_channel, "chk_isON")->text(), QStringLiteral("Is On"));

        // The same word on another channel leaves the boxes alone.
        m_channel->updateChannelControl(Serial, 3, 0);
        child<QCheckBox>(m_channel, "chk_isON")->setChecked(false);
        m_channel->updateChannelStatus(Serial, 5, 0x8008);
        QCOMPARE(tickedBoxes(m_channel), QStringList {"chk_isVLIM"});

        // The title names the channel of the last control update, in any language.
        QEvent languageChange(QEvent::LanguageChange);
        QCoreApplication::sendEvent(m_channel, &languageChange);
        QCOMPARE(m_channel->windowTitle(), QStringLiteral("4711: Channel 3 Status / Control"));
        m_channel->updateChannelControl(4712, 0, 0);
        QCOMPARE(m_channel->windowTitle(), QStringLiteral("4712: Channel 0 Status / Control"));
    }

    void channelButtonsActOnTheLastControlChannel()
    {
        QVERIFY(QTest::qWaitForWindowExposed(shown(m_channel)));
        for (const char *name : {"btnSetControl", "btnClearEvents", "btnSetMask"})
            click(m_channel, name);
        QVERIFY(calls().isEmpty()); // no channel yet

        m_channel->updateChannelControl(Serial, 6, 0x0D00); // bit 8 has no box
        m_channel->updateChannelEventMask(Serial, 6, 0x0000);
        tickEnabledBoxes(m_channel, "grpEventMask");
        click(m_channel, "btnSetMask");
        click(m_channel, "chk_setON");
        click(m_channel, "btnSetControl");
        click(m_channel, "btnClearEvents");
        QCOMPARE(calls(),
                 (Calls {{"setChannelEventMask", 6, 0xFCFC},
                         {"setChannelControl", 6, 0x0D08},
                         {"clearChannelEvents", 6}}));
        // Unticking every box keeps the reserved bits as received.
        m_channel->updateChannelEventMask(Serial, 6, 0xFFFF);
        for (QCheckBox *box : m_channel->findChildren<QCheckBox *>())
            box->setChecked(box->isChecked() && !box->isEnabled());
        click(m_channel, "btnSetMask");
        click(m_channel, "btnSetControl");
        QCOMPARE(calls().mid(3),
                 (Calls {{"setChannelEventMask", 6, 0x0303}, {"setChannelControl", 6, 0x0D00}}));
    }

    void channelTicksSurviveIdenticalUpdates()
    {
        QVERIFY(QTest::qWaitForWindowExposed(shown(m_channel)));
        m_channel->updateChannelControl(Serial, 1, 0x0008);
        click(m_channel, "chk_setEMCY");
        click(m_channel, "chk_MEVLIM");
        for (int pass = 0; pass < 20; ++pass) {
            m_channel->updateChannelControl(Serial, 1, 0x0008);
            m_channel->updateChannelStatus(Serial, 1, 0x0008);
            m_channel->updateChannelEventStatus(Serial, 1, 0x0000);
            m_channel->updateChannelEventMask(Serial, 1, 0x0000);
            m_channel->updateModuleControl(Serial, 0);
            m_channel->updateChannelVoltageNominal(Serial, 1, 3000, "V");
        }
        click(m_channel, "btnSetControl");
        click(m_channel, "btnSetMask");
        QCOMPARE(calls(),
                 (Calls {{"setChannelControl", 1, 0x0028}, {"setChannelEventMask", 1, 0x8000}}));
        // A different word is the module's answer and replaces the boxes.
        m_channel->updateChannelEventMask(Serial, 1, 0x0000);
        QVERIFY(!child<QCheckBox>(m_channel, "chk_MEVLIM")->isChecked());
        // A word with any of bits 16-31 set (layout 29) always counts as different.
        auto *isOn = child<QCheckBox>(m_channel, "chk_isON");
        isOn->setChecked(false);
        m_channel->updateChannelStatus(Serial, 1, 0x0008);
        QVERIFY(!isOn->isChecked());
        m_channel->updateChannelStatus(Serial, 1, 0x10008);
        QVERIFY(isOn->isChecked());
    }

    // ---- module status and control

    void moduleWordsTickTheirBoxesOnly_data()
    {
        QTest::addColumn<QByteArray>("signal");
        QTest::addColumn<quint32>("word");
        QTest::addColumn<QStringList>("ticked");
        QTest::newRow("control 0x0700")
            << QByteArray("updateModuleControl") << 0x0700u
            << QStringList {"chk_setILVL0", "chk_setILVL1", "chk_setILVL2"};
        QTest::newRow("control, reserved bits")
            << QByteArray("updateModuleControl") << 0x28B0u << QStringList {};
        QTest::newRow("channel status, 32 bits")
            << QByteArray("updateModuleEventChannelStatus") << 0x80000001u
            << QStringList {"chk_ECS0", "chk_ECS31"};
    }
    void moduleWordsTickTheirBoxesOnly()
    {
        QFETCH(QByteArray, signal);
        QFETCH(quint32, word);
        QFETCH(QStringList, ticked);
        moduleDialog(0);
        QVERIFY(QMetaObject::invokeMethod(m_module, signal.constData(), Q_ARG(int, Serial),
                                          Q_ARG(quint32, word)));
        QCOMPARE(tickedBoxes(m_module), ticked);
    }

    void moduleSelectAllFollowsTheChannelCount_data()
    {
        QTest::addColumn<int>("channels");
        QTest::addColumn<int>("enabled");
        QTest::addColumn<quint32>("selected");
        QTest::newRow("none: the first block anyway") << 0 << 0 << 0x0000000Fu;
        QTest::newRow("12") << 12 << 12 << 0x00000FFFu;
        QTest::newRow("16") << 16 << 16 << 0x0000FFFFu;
        QTest::newRow("23") << 23 << 16 << 0x0000FFFFu;
        QTest::newRow("32") << 32 << 32 << 0xFFFFFFFFu;
    }
    void moduleSelectAllFollowsTheChannelCount()
    {
        QFETCH(int, channels);
        QFETCH(int, enabled);
        QFETCH(quint32, selected);
        QVERIFY(QTest::qWaitForWindowExposed(moduleDialog(channels)));
        for (int k = 0; k < 32; ++k)
            QCOMPARE(child(m_module, QStringLiteral("chk_ECM%1").arg(k))->isEnabled(), k < enabled);
        auto *select = child<QPushButton>(m_module, "btnSelectECM");
        click(m_module, "btnSelectECM");
        QCOMPARE(select->text(), QStringLiteral("Unselect All"));
        QVERIFY(calls().isEmpty()); // selecting alone sends nothing
        click(m_module, "btnSetECM");
        click(m_module, "btnSelectECM"); // the toggle is shared by all instances
        QCOMPARE(select->text(), QStringLiteral("Select All"));
        click(m_module, "btnSetECM");
        QCOMPARE(
            calls(),
            (Calls {{"setModuleEventChannelMask", selected}, {"setModuleEventChannelMask", 0u}}));
        // Each use passes the count again; a smaller module takes no box away.
        moduleDialog(4);
        QCOMPARE(child(m_module, "chk_ECM11")->isEnabled(), enabled >= 12);
        moduleDialog(32);
        QVERIFY(child(m_module, "chk_ECM31")->isEnabled());
    }

    void moduleGroupsAndClearButtons()
    {
        QVERIFY(QTest::qWaitForWindowExposed(moduleDialog(0)));
        click(m_module, "btnClearEvents");
        click(m_module, "btnClearECS");
        showPage("tabModuleEventGroup");
        click(m_module, "btnClearEGS");
        click(m_module, "btnSelectEGM");
        QCOMPARE(child<QPushButton>(m_module, "btnSelectEGM")->text(),
                 QStringLiteral("Unselect All"));
        click(m_module, "btnSetEGM");
        click(m_module, "btnSelectEGM");
        click(m_module, "btnSetEGM");
        QCOMPARE(calls(),
                 (Calls {{"clearModuleEvents"},
                         {"clearModuleEventChannelStatus"},
                         {"clearModuleEventGroupStatus"},
                         {"setModuleEventGroupMask", 0xFFFFFFFFu},
                         {"setModuleEventGroupMask", 0u}}));
    }

    void moduleRestartTimeWhileStoppedSurvivesAndIsSent()
    {
        QVERIFY(QTest::qWaitForWindowExposed(moduleDialog(0)));
        showPage("tabAutoStart");
        // Offered only while the module is stopped (status bit 2), judged on
        // every update, also when the word did not change.
        auto *button = child<QPushButton>(m_module, "btnSetRestartTime");
        QVERIFY(!button->isEnabled());
        m_module->updateModuleStatus(Serial, 0x0004);
        QVERIFY(button->isEnabled());
        m_module->updateModuleStatus(Serial, 0x0000);
        button->setEnabled(true);
        m_module->updateModuleStatus(Serial, 0x0000);
        QVERIFY(!button->isEnabled());

        auto *spin = child<QSpinBox>(m_module, "spbRestartTime");
        m_module->updateModuleStatus(Serial, 0x0004);
        m_module->updateModuleRestartTime(Serial, 1500);
        QCOMPARE(spin->value(), 1500);
        spin->selectAll();
        QTest::keyClicks(spin, "2000");
        for (int pass = 0; pass < 10; ++pass) {
            m_module->updateModuleStatus(Serial, 0x0004);
            m_module->updateModuleRestartTime(Serial, 1500);
        }
        click(m_module, "btnSetRestartTime");
        QCOMPARE(calls(), (Calls {{"setRestartTime", 2000u}}));
        m_module->updateModuleRestartTime(Serial, 2100);
        QCOMPARE(spin->value(), 2100);
    }

    void moduleSetMaskAndControlKeepTheBitsWithoutBoxes()
    {
        QVERIFY(QTest::qWaitForWindowExposed(moduleDialog(0)));
        m_module->updateModuleEventMask(Serial, 0x9001); // bits 15, 12 and 0 have no box
        click(m_module, "btnSetMask");
        tickEnabledBoxes(m_module, "grpEventMask");
        click(m_module, "btnSetMask");
        m_module->updateModuleControl(Serial, 0x28B0 | 0x0100);
        click(m_module, "chk_setSTOP");
        click(m_module, "chk_setILVL0"); // ticked by the word: now cleared
        click(m_module, "btnSetControl");
        tickEnabledBoxes(m_module, "grpControl");
        click(m_module, "btnSetControl");
        QCOMPARE(calls(),
                 (Calls {{"setModuleEventMask", 0x9001},
                         {"setModuleEventMask", 0xF433},
                         {"setModuleControl", 0x28B4},
                         {"setModuleControl", 0xFFFF}}));
    }

    void moduleTicksSurviveIdenticalUpdates()
    {
        QVERIFY(QTest::qWaitForWindowExposed(moduleDialog(12)));
        m_module->updateModuleControl(Serial, 0x0100);
        m_module->updateModuleEventChannelMask(Serial, 0x00000001);
        click(m_module, "chk_setSTOP");
        click(m_module, "chk_MERSTA");
        click(m_module, "chk_ECM5");
        for (int pass = 0; pass < 20; ++pass) {
            m_module->updateModuleControl(Serial, 0x0100);
            m_module->updateModuleStatus(Serial, 0x0000);
            m_module->updateModuleEventStatus(Serial, 0x0000);
            m_module->updateModuleEventMask(Serial, 0x0000);
            m_module->updateModuleEventChannelMask(Serial, 0x00000001);
            m_module->updateModuleEventGroupMask(Serial, 0);
        }
        QCOMPARE(
            tickedBoxes(m_module),
            (QStringList {"chk_ECM0", "chk_ECM5", "chk_MERSTA", "chk_setILVL0", "chk_setSTOP"}));
        // A wide word always counts as a change.
        m_module->updateModuleControl(Serial, 0x10100);
        QCOMPARE(tickedBoxes(child(m_module, "grpControl")), QStringList {"chk_setILVL0"});
    }

    // ---- channel bounds

    void boundsAsymmetricCurrentBox()
    {
        QVERIFY(QTest::qWaitForWindowExposed(shown(m_bounds)));
        // Without a channel neither the boxes nor the button send anything.
        click(m_bounds, "chkACBND");
        click(m_bounds, "chkACBND");
        click(m_bounds, "btnSetBounds");
        QVERIFY(calls().isEmpty());

        refreshBounds(4, 0x0008); // nominal 3000 V
        QCOMPARE(child<QDoubleSpinBox>(m_bounds, "spbVoltageIlkMax")->maximum(), 3030.0);
        QCOMPARE(child<QDoubleSpinBox>(m_bounds, "spbVoltageIlkMin")->maximum(), 3000.0);
        QCOMPARE(m_bounds->windowTitle(), QStringLiteral("Channel 4 Voltage / Current Bounds"));
        auto *minimum = child(m_bounds, "spbCurrentIlkMin");
        QVERIFY(!minimum->isEnabled());
        click(m_bounds, "chkACBND");
        QVERIFY(minimum->isEnabled());
        QVERIFY(child(m_bounds, "lblCurrentIlkMin")->isEnabled());
        QCOMPARE(child<QLabel>(m_bounds, "lblCurrentIlkMax")->text(),
                 QStringLiteral("CurrentInterlockMaxSet (mA)"));
        QCOMPARE(child<QLabel>(m_bounds, "lblVoltageIlkMax")->text(),
                 QStringLiteral("VoltageBounds (V)"));
        // A control update that differs only in other bits sends nothing.
        m_bounds->updateChannelControl(Serial, 4, 0x0408);
        m_bounds->updateChannelControl(Serial, 4, 0x0428);
        QVERIFY(child<QCheckBox>(m_bounds, "chkACBND")->isChecked());
        // A reported bound bit ticks its box, whose handler sends the word back;
        // a refused one unticks it.
        m_bounds->updateChannelControl(Serial, 4, 0x0808);
        QVERIFY(child<QCheckBox>(m_bounds, "chkAVBND")->isChecked());
        QVERIFY(!minimum->isEnabled());
        QCOMPARE(calls(),
                 (Calls {{"setChannelControl", 4, 0x0408},
                         {"setChannelControl", 4, 0x0808},
                         {"setChannelControl", 4, 0x0808}}));
    }

    void boundsTypedValuesSurviveIdenticalUpdates()
    {
        QVERIFY(QTest::qWaitForWindowExposed(shown(m_bounds)));
        refreshBounds(3, 0x0C00);
        m_requests->clear();
        auto *vmax = child<QDoubleSpinBox>(m_bounds, "spbVoltageIlkMax");
        auto *vmin = child<QDoubleSpinBox>(m_bounds, "spbVoltageIlkMin");
        vmax->selectAll();
        QTest::keyClicks(vmax, "2500");
        vmin->selectAll();
        QTest::keyClicks(vmin, "300");
        for (int pass = 0; pass < 20; ++pass)
            refreshBounds(3, 0x0C00);
        QVERIFY(calls().isEmpty());
        click(m_bounds, "btnSetBounds");
        QCOMPARE(calls(),
                 (Calls {{"setChannelBounds", 3, true, 2500.0f, 300.0f, true, 2.5f, 0.1f}}));
        // A value the module reports differently replaces the typed one.
        refreshBounds(3, 0x0C00, 2400);
        QCOMPARE(vmax->value(), 2400.0);
        QCOMPARE(vmin->value(), 300.0);
    }

    // ---- supplies and crates

    void suppliesShowTheLastValueOfEachQuantity()
    {
        DialogSuppliesTempLimits *dialog = nullptr;
        shown(dialog);
        dialog->updateModuleSupplyP5(1, 5.02f);
        dialog->updateModuleSupplyP12(1, 12.1f);
        dialog->updateModuleSupplyN12(1, -11.9f);
        dialog->updateModuleVoltageHardwareLimit(1, 102.0f);
        dialog->updateModuleCurrentHardwareLimit(1, 98.5f);
        dialog->updateModuleTemperature(1, 31.0f);
        dialog->updateModuleTemperature(2, 35.5f); // whichever module reports
        const QList<QPair<const char *, double>> shown {
            {"lcdP5", double(5.02f)}, {"lcdP12", double(12.1f)}, {"lcdN12", double(-11.9f)},
            {"lcdVmax", 102.0},       {"lcdImax", 98.5},         {"lcdTemp", 35.5}};
        for (const auto &[lcd, value] : shown)
            QCOMPARE(child<QLCDNumber>(dialog, lcd)->value(), value);
    }

    void crateFirstUpdateListsSecondFills()
    {
        shown(m_crate);
        auto *list = child<QListWidget>(m_crate, "crateList");
        m_crate->updateSupply5V(301, 5.1f);
        QCOMPARE(list->count(), 1);
        QCOMPARE(list->item(0)->text(), QStringLiteral("301"));
        QCOMPARE(list->currentRow(), 0);
        QVERIFY(crateField("txtSupply5").isEmpty());

        m_crate->updateSupply5V(301, 5.123456f);
        m_crate->updateSupply24V(301, 24.0f);
        m_crate->updateBattery24V(301, 23.5f);
        m_crate->updateTemperatureBackPlane(301, 28.25f);
        m_crate->updateTemperaturePowerSupply(301, 40.0f);
        m_crate->updateStatus(301, 17);
        QCOMPARE(crateField("txtSupply5"), QStringLiteral("5.12346"));
        QCOMPARE(crateField("txtSupply24"), QStringLiteral("24"));
        QCOMPARE(crateField("txtBattery24"), QStringLiteral("23.5"));
        QCOMPARE(crateField("txtTempBackPlane"), QStringLiteral("28.25"));
        QCOMPARE(crateField("txtTempPowerSupply"), QStringLiteral("40"));
        QCOMPARE(crateField("txtStatus"), QStringLiteral("17"));

        // Another crate is listed; the operator's choice of it survives the
        // updates, which now show that crate only.
        m_crate->updateSupply5V(302, 4.0f);
        QCOMPARE(crateField("txtSupply5"), QStringLiteral("5.12346"));
        list->setCurrentRow(1);
        for (int pass = 0; pass < 5; ++pass) {
            m_crate->updateSupply5V(302, 4.6f);
            m_crate->updateSupply5V(301, 5.2f);
        }
        QCOMPARE(list->currentRow(), 1);
        QCOMPARE(crateField("txtSupply5"), QStringLiteral("4.6"));
    }

    void cratePowerButtonOffersTheOppositeState()
    {
        QVERIFY(QTest::qWaitForWindowExposed(shown(m_crate)));
        auto *power = child<QPushButton>(m_crate, "btnPowerOn");
        QCOMPARE(power->text(), QStringLiteral("On"));
        click(m_crate, "btnPowerOn"); // no crate yet: serial number 0
        QCOMPARE(power->text(), QStringLiteral("Off"));
        m_crate->updatePowerOn(301, false); // lists the crate only
        QCOMPARE(power->text(), QStringLiteral("Off"));
        m_crate->updatePowerOn(301, false);
        QCOMPARE(power->text(), QStringLiteral("On"));
        m_crate->updatePowerOn(301, true);
        m_crate->updatePowerOn(302, false); // not the selected crate
        m_crate->updatePowerOn(302, false);
        QCOMPARE(power->text(), QStringLiteral("Off"));
        click(m_crate, "btnPowerOn");
        QCOMPARE(power->text(), QStringLiteral("On"));
        QCOMPARE(calls(), (Calls {{"setPowerOn", 0, true}, {"setPowerOn", 301, false}}));
    }
};

QTEST_MAIN(TestToolDialogs)
#include "tst_tooldialogs.moc"
