// The tool dialogs on their real forms, fed through their update slots as the
// crate core feeds them; their requests are recorded from their signals.
#include "DialogChannelBounds.h"
#include "DialogChannelControl.h"
#include "DialogCrate.h"
#include "DialogModuleControl.h"
#include "DialogSuppliesTempLimits.h"
#include "SignalRecorder.h"

#include <PromptRecorder.h>

#include <QtTest>
#include <QtWidgets>

namespace {

constexpr int Serial = 4711;
using Calls = QList<QVariantList>;

template<class T = QWidget> T *child(QWidget *dialog, const QString &name)
{
    return dialog->findChild<T *>(name);
}

/// Object names of the ticked check boxes inside `container`, sorted.
QStringList tickedBoxes(QWidget *container)
{
    QStringList names;
    for (QCheckBox *box : container->findChildren<QCheckBox *>()) {
        if (box->isChecked())
            names << box->objectName();
    }
    names.sort();
    return names;
}

/// Clicks the named buttons or check boxes in turn with the mouse, as the operator does.
void click(QWidget *dialog, std::initializer_list<const char *> names)
{
    for (const char *name : names) {
        auto *button = child<QAbstractButton>(dialog, QString::fromLatin1(name));
        QVERIFY2(button, name);
        // A check box takes a click only inside its indicator or text.
        QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(5, button->height() / 2));
    }
}

void tickEnabledBoxes(QWidget *dialog, const char *group)
{
    for (QCheckBox *box : child(dialog, group)->findChildren<QCheckBox *>())
        box->setChecked(box->isEnabled() || box->isChecked());
}

/// One pass of the refresh cycle for the channel the bounds dialog follows.
void refreshBounds(DialogChannelBounds *dialog, int channel, quint32 control, float vmax = 2000)
{
    dialog->updateChannelControl(Serial, channel, control);
    dialog->updateChannelVoltageNominal(Serial, channel, 3000, "V");
    dialog->updateChannelCurrentNominal(Serial, channel, 3, "mA");
    dialog->updateChannelVoltageInterlockMaxSet(Serial, channel, vmax, "V");
    dialog->updateChannelVoltageInterlockMinSet(Serial, channel, 100, "V");
    dialog->updateChannelCurrentInterlockMaxSet(Serial, channel, 2.5f, "mA");
    dialog->updateChannelCurrentInterlockMinSet(Serial, channel, 0.1f, "mA");
}

} // namespace

class TestToolDialogs : public QObject
{
    Q_OBJECT

    std::unique_ptr<QWidget> m_main; // parent of the dialogs, new for each test
    std::unique_ptr<SignalRecorder> m_requests;

    /// A new dialog, shown, whose requests are recorded.
    template<class Dialog> Dialog *make(int channels = 0)
    {
        auto *dialog = new Dialog(m_main.get());
        m_requests = std::make_unique<SignalRecorder>(dialog, QByteArray());
        if constexpr (std::is_same_v<Dialog, DialogModuleControl>)
            dialog->setChannelCount(channels); // as the dialog's action shows it
        dialog->show();
        return dialog;
    }
    Calls calls() const { return m_requests->calls(); }

private slots:
    void init()
    {
        m_requests.reset();
        m_main = std::make_unique<QWidget>();
    }

    void channelStatusWordAndTitle()
    {
        auto *dialog = make<DialogChannelControl>();
        dialog->updateChannelControl(Serial, 3, 0);
        dialog->updateChannelStatus(Serial, 3, 0x8008);
        QCOMPARE(tickedBoxes(dialog), (QStringList {"chk_isON", "chk_isVLIM"}));
        // The same word (here of another channel) leaves the boxes alone; any
        // of bits 16-31 set (layout 29) always counts as a change.
        auto *isOn = child<QCheckBox>(dialog, "chk_isON");
        isOn->setChecked(false);
        dialog->updateChannelStatus(Serial, 5, 0x8008);
        QVERIFY(!isOn->isChecked());
        dialog->updateChannelStatus(Serial, 5, 0x18008);
        QVERIFY(isOn->isChecked());

        // The title names the channel of the last control update, in any language.
        QEvent languageChange(QEvent::LanguageChange);
        QCoreApplication::sendEvent(dialog, &languageChange);
        QCOMPARE(dialog->windowTitle(), QStringLiteral("4711: Channel 3 Status / Control"));
        dialog->updateChannelControl(4712, 0, 0);
        QCOMPARE(dialog->windowTitle(), QStringLiteral("4712: Channel 0 Status / Control"));
    }

    void channelButtonsSendTheTicksOfTheLastControlChannel()
    {
        auto *dialog = make<DialogChannelControl>();
        click(dialog, {"btnSetControl", "btnClearEvents", "btnSetMask"});
        QVERIFY(calls().isEmpty()); // no channel yet

        dialog->updateChannelControl(Serial, 6, 0x0D00); // bit 8 has no box
        dialog->updateChannelEventMask(Serial, 6, 0x0000);
        tickEnabledBoxes(dialog, "grpEventMask");
        click(dialog, {"chk_setON"});
        // The operator's ticks survive reports of the words they started from.
        dialog->updateChannelControl(Serial, 6, 0x0D00);
        dialog->updateChannelStatus(Serial, 6, 0x0000);
        dialog->updateChannelEventStatus(Serial, 6, 0x0000);
        dialog->updateChannelEventMask(Serial, 6, 0x0000);
        click(dialog, {"btnSetMask", "btnSetControl", "btnClearEvents"});
        QCOMPARE(calls(),
                 (Calls {{"setChannelEventMask", 6, 0xFCFC},
                         {"setChannelControl", 6, 0x0D08},
                         {"clearChannelEvents", 6}}));
        // The sent word is the copy now: a report of the old one replaces the boxes.
        dialog->updateChannelEventMask(Serial, 6, 0x0000);
        QCOMPARE(tickedBoxes(child(dialog, "grpEventMask")), QStringList {});
        // Unticking every box keeps the reserved bits as received.
        dialog->updateChannelEventMask(Serial, 6, 0xFFFF);
        for (QCheckBox *box : dialog->findChildren<QCheckBox *>())
            box->setChecked(box->isChecked() && !box->isEnabled());
        click(dialog, {"btnSetMask", "btnSetControl"});
        QCOMPARE(calls().mid(3),
                 (Calls {{"setChannelEventMask", 6, 0x0303}, {"setChannelControl", 6, 0x0D00}}));
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
        auto *dialog = make<DialogModuleControl>(channels);
        for (int k = 0; k < 32; ++k)
            QCOMPARE(child(dialog, QStringLiteral("chk_ECM%1").arg(k))->isEnabled(), k < enabled);
        auto *select = child<QPushButton>(dialog, "btnSelectECM");
        click(dialog, {"btnSelectECM"});
        QCOMPARE(select->text(), QStringLiteral("Unselect All"));
        dialog->updateModuleEventChannelMask(Serial, 0); // the same word: the ticks stay
        QVERIFY(calls().isEmpty()); // selecting alone sends nothing
        click(dialog, {"btnSetECM", "btnSelectECM"}); // the toggle is shared by all instances
        QCOMPARE(select->text(), QStringLiteral("Select All"));
        click(dialog, {"btnSetECM"});
        QCOMPARE(
            calls(),
            (Calls {{"setModuleEventChannelMask", selected}, {"setModuleEventChannelMask", 0u}}));
        // Each use passes the count again; a smaller module takes no box away.
        dialog->setChannelCount(4);
        QCOMPARE(child(dialog, "chk_ECM11")->isEnabled(), enabled >= 12);
        dialog->setChannelCount(32);
        QVERIFY(child(dialog, "chk_ECM31")->isEnabled());
    }

    void moduleGroupsAndClearButtons()
    {
        auto *dialog = make<DialogModuleControl>();
        dialog->updateModuleEventChannelStatus(Serial, 0x80000001); // all 32 bits count
        QCOMPARE(tickedBoxes(dialog), (QStringList {"chk_ECS0", "chk_ECS31"}));
        click(dialog, {"btnClearEvents", "btnClearECS"});
        child<QTabWidget>(dialog, "tabWidget")
            ->setCurrentWidget(child(dialog, "tabModuleEventGroup"));
        click(dialog, {"btnClearEGS", "btnSelectEGM"});
        QCOMPARE(child<QPushButton>(dialog, "btnSelectEGM")->text(),
                 QStringLiteral("Unselect All"));
        dialog->updateModuleEventGroupMask(Serial, 0); // the same word: the ticks stay
        click(dialog, {"btnSetEGM", "btnSelectEGM", "btnSetEGM"});
        QCOMPARE(calls(),
                 (Calls {{"clearModuleEvents"},
                         {"clearModuleEventChannelStatus"},
                         {"clearModuleEventGroupStatus"},
                         {"setModuleEventGroupMask", 0xFFFFFFFFu},
                         {"setModuleEventGroupMask", 0u}}));
    }

    void moduleRestartTimeWhileStoppedSurvivesAndIsSent()
    {
        auto *dialog = make<DialogModuleControl>();
        child<QTabWidget>(dialog, "tabWidget")->setCurrentWidget(child(dialog, "tabAutoStart"));
        // Offered only while the module is stopped (status bit 2), judged on
        // every update, also when the word did not change.
        auto *button = child<QPushButton>(dialog, "btnSetRestartTime");
        QVERIFY(!button->isEnabled());
        dialog->updateModuleStatus(Serial, 0x0004);
        QVERIFY(button->isEnabled());
        dialog->updateModuleStatus(Serial, 0x0000);
        button->setEnabled(true);
        dialog->updateModuleStatus(Serial, 0x0000);
        QVERIFY(!button->isEnabled());

        auto *spin = child<QSpinBox>(dialog, "spbRestartTime");
        dialog->updateModuleStatus(Serial, 0x0004);
        dialog->updateModuleRestartTime(Serial, 1500);
        QCOMPARE(spin->value(), 1500);
        spin->selectAll();
        QTest::keyClicks(spin, "2000");
        dialog->updateModuleRestartTime(Serial, 1500); // the same value: the typed one stays
        click(dialog, {"btnSetRestartTime"});
        QCOMPARE(calls(), (Calls {{"setRestartTime", 2000u}}));
        dialog->updateModuleRestartTime(Serial, 2100);
        QCOMPARE(spin->value(), 2100);
    }

    void moduleMaskAndControlKeepTicksAndBitsWithoutBoxes()
    {
        auto *dialog = make<DialogModuleControl>();
        dialog->updateModuleEventMask(Serial, 0x9001); // bits 15, 12 and 0 have no box
        click(dialog, {"btnSetMask"});
        tickEnabledBoxes(dialog, "grpEventMask");
        dialog->updateModuleControl(Serial, 0x28B0 | 0x0100);
        QCOMPARE(tickedBoxes(child(dialog, "grpControl")), QStringList {"chk_setILVL0"});
        click(dialog, {"chk_setSTOP", "chk_setILVL0"}); // ticked by the word: now cleared
        // The operator's ticks survive reports of the words they started from.
        dialog->updateModuleControl(Serial, 0x28B0 | 0x0100);
        dialog->updateModuleStatus(Serial, 0x0000);
        dialog->updateModuleEventStatus(Serial, 0x0000);
        dialog->updateModuleEventMask(Serial, 0x9001);
        click(dialog, {"btnSetMask", "btnSetControl"});
        tickEnabledBoxes(dialog, "grpControl");
        click(dialog, {"btnSetControl"});
        QCOMPARE(calls(),
                 (Calls {{"setModuleEventMask", 0x9001},
                         {"setModuleEventMask", 0xF433},
                         {"setModuleControl", 0x28B4},
                         {"setModuleControl", 0xFFFF}}));
        // Any of bits 16-31 set makes a word count as changed.
        click(dialog, {"chk_setSTOP"});
        dialog->updateModuleControl(Serial, 0x1FFFF);
        QVERIFY(child<QCheckBox>(dialog, "chk_setSTOP")->isChecked());
    }

    void boundsBoxesAndTypedValues()
    {
        auto *dialog = make<DialogChannelBounds>();
        // Without a channel neither the boxes nor the button send anything.
        click(dialog, {"chkACBND", "chkACBND", "btnSetBounds"});
        QVERIFY(calls().isEmpty());

        refreshBounds(dialog, 4, 0x0008); // nominal 3000 V
        QCOMPARE(dialog->windowTitle(), QStringLiteral("Channel 4 Voltage / Current Bounds"));
        auto *minimum = child(dialog, "spbCurrentIlkMin");
        QVERIFY(!minimum->isEnabled());
        click(dialog, {"chkACBND"});
        QVERIFY(minimum->isEnabled());
        QCOMPARE(child<QLabel>(dialog, "lblCurrentIlkMax")->text(),
                 QStringLiteral("CurrentInterlockMaxSet (mA)"));
        QCOMPARE(child<QLabel>(dialog, "lblVoltageIlkMax")->text(),
                 QStringLiteral("VoltageBounds (V)"));
        // A control update that differs only in other bits sends nothing.
        dialog->updateChannelControl(Serial, 4, 0x0408);
        dialog->updateChannelControl(Serial, 4, 0x0428);
        QVERIFY(child<QCheckBox>(dialog, "chkACBND")->isChecked());
        // A reported bound bit ticks its box, whose handler sends the word back;
        // a refused one unticks it.
        dialog->updateChannelControl(Serial, 4, 0x0808);
        QVERIFY(child<QCheckBox>(dialog, "chkAVBND")->isChecked());
        QVERIFY(!minimum->isEnabled());
        QCOMPARE(calls(),
                 (Calls {{"setChannelControl", 4, 0x0408},
                         {"setChannelControl", 4, 0x0808},
                         {"setChannelControl", 4, 0x0808}}));

        // Typed values survive identical updates; past 1.01 x the nominal
        // 3000 V the typed one is refused and nothing is sent.
        m_requests->clear();
        auto *vmax = child<QDoubleSpinBox>(dialog, "spbVoltageIlkMax");
        auto *vmin = child<QDoubleSpinBox>(dialog, "spbVoltageIlkMin");
        vmax->selectAll();
        QTest::keyClicks(vmax, "3031");
        vmin->selectAll();
        QTest::keyClicks(vmin, "300");
        refreshBounds(dialog, 4, 0x0808);
        PromptRecorder prompt;
        click(dialog, {"btnSetBounds"});
        QVERIFY(calls().isEmpty());
        QCOMPARE(prompt.shownOf("warning"),
                 QStringList {"3,031 V is outside the allowed range 0...3,030 V. Nothing was "
                              "written. [Ok]"});
        vmax->selectAll();
        QTest::keyClicks(vmax, "2500");
        click(dialog, {"btnSetBounds"});
        QCOMPARE(calls(),
                 (Calls {{"setChannelBounds", 4, true, 2500.0f, 300.0f, false, 2.5f, 0.1f}}));
        // A value the module reports differently replaces the typed one.
        refreshBounds(dialog, 4, 0x0808, 2400);
        QCOMPARE(vmax->value(), 2400.0);
        QCOMPARE(vmin->value(), 300.0);
        // In the display's kV and uA: shown and typed so, sent in V and mA.
        DisplayFormat format {DisplayFormat::Kilovolt, 2, DisplayFormat::Microampere, 1};
        dialog->setDisplayFormat(format);
        QCOMPARE(child<QLabel>(dialog, "lblCurrentIlkMax")->text(),
                 QStringLiteral("CurrentBounds (uA)"));
        QCOMPARE(vmin->value(), 0.3);
        vmax->selectAll();
        QTest::keyClicks(vmax, "2.55");
        m_requests->clear();
        click(dialog, {"btnSetBounds"});
        QCOMPARE(calls(),
                 (Calls {{"setChannelBounds", 4, true, 2550.0f, 300.0f, false, 2.5f, 0.1f}}));
    }

    void suppliesShowTheLastValueOfEachQuantity()
    {
        auto *dialog = make<DialogSuppliesTempLimits>();
        dialog->updateModuleSupplyP5(1, 5.02f);
        dialog->updateModuleSupplyP12(1, 12.1f);
        dialog->updateModuleSupplyN12(1, -11.9f);
        dialog->updateModuleVoltageHardwareLimit(1, 102.0f);
        dialog->updateModuleCurrentHardwareLimit(1, 98.5f);
        dialog->updateModuleTemperature(1, 31.0f);
        dialog->updateModuleTemperature(2, 35.5f); // whichever module reports
        QStringList shown;
        for (const char *lcd : {"lcdP5", "lcdP12", "lcdN12", "lcdVmax", "lcdImax", "lcdTemp"})
            shown << QString::number(child<QLCDNumber>(dialog, lcd)->value());
        QCOMPARE(shown, (QStringList {"5.02", "12.1", "-11.9", "102", "98.5", "35.5"}));
    }

    void crateFirstUpdateListsSecondFills()
    {
        auto *dialog = make<DialogCrate>();
        auto *list = child<QListWidget>(dialog, "crateList");
        const auto fields = [dialog] {
            QStringList texts;
            for (const char *name : {"txtSupply5", "txtSupply24", "txtBattery24",
                                     "txtTempBackPlane", "txtTempPowerSupply", "txtStatus"})
                texts << child<QLineEdit>(dialog, name)->text();
            return texts;
        };
        dialog->updateSupply5V(301, 5.1f);
        QCOMPARE(list->item(0)->text(), QStringLiteral("301")); // and selected: see below
        QCOMPARE(fields().first(), QString());

        dialog->updateSupply5V(301, 5.123456f);
        dialog->updateSupply24V(301, 24.0f);
        dialog->updateBattery24V(301, 23.5f);
        dialog->updateTemperatureBackPlane(301, 28.25f);
        dialog->updateTemperaturePowerSupply(301, 40.0f);
        dialog->updateStatus(301, 17);
        QCOMPARE(fields(), (QStringList {"5.12346", "24", "23.5", "28.25", "40", "17"}));

        // Another crate is listed; the operator's choice of it survives the
        // updates, which now show that crate only.
        dialog->updateSupply5V(302, 4.0f);
        QCOMPARE(fields().first(), QStringLiteral("5.12346"));
        list->setCurrentRow(1);
        dialog->updateSupply5V(302, 4.6f);
        dialog->updateSupply5V(301, 5.2f);
        QCOMPARE(list->currentRow(), 1);
        QCOMPARE(fields().first(), QStringLiteral("4.6"));
    }

    void cratePowerButtonOffersTheOppositeState()
    {
        auto *dialog = make<DialogCrate>();
        auto *power = child<QPushButton>(dialog, "btnPowerOn");
        QCOMPARE(power->text(), QStringLiteral("On"));
        click(dialog, {"btnPowerOn"}); // no crate yet: serial number 0
        QCOMPARE(power->text(), QStringLiteral("Off"));
        dialog->updatePowerOn(301, false); // lists the crate only
        QCOMPARE(power->text(), QStringLiteral("Off"));
        dialog->updatePowerOn(301, false);
        QCOMPARE(power->text(), QStringLiteral("On"));
        click(dialog, {"btnPowerOn"});
        QCOMPARE(power->text(), QStringLiteral("Off"));
        QCOMPARE(calls(), (Calls {{"setPowerOn", 0, true}, {"setPowerOn", 301, true}}));
    }
};

QTEST_MAIN(TestToolDialogs)
#include "tst_tooldialogs.moc"
