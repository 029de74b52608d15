// The channel status and control dialog on its form: which box shows which
// bit, what the buttons send, and that the operator's ticks survive polling.
#include "DialogChannelControl.h"
#include "DialogTestTools.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QtTest>

using namespace DialogTestTools;

namespace {
constexpr int Serial = 4711;
} // namespace

class TestDialogChannelControl : public QObject
{
    Q_OBJECT

    DialogChannelControl *m_dialog = nullptr;

    QCheckBox *box(const char *name) { return child<QCheckBox>(m_dialog, name); }
    QWidget *group(const char *name) { return child<QGroupBox>(m_dialog, name); }

    void addBoxRows()
    {
        QTest::addColumn<QString>("group");
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("bit");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("toolTip");
        QTest::addColumn<bool>("enabled");
        struct Row
        {
            const char *group, *name;
            int bit;
            const char *text, *tip;
            bool enabled;
        };
        const Row rows[] = {
            {"grpStatus", "chk_isVLIM", 15, "Is Voltage Limit", "Status Is Voltage Limit", false},
            {"grpStatus", "chk_isILIM", 14, "Is Current Limit", "Status Is Current Limit", false},
            {"grpStatus", "chk_isTRIP", 13, "Is Trip", "Status Is Trip", false},
            {"grpStatus", "chk_isEINH", 12, "Is External Inhibit", "Status Is External Inhibit",
             false},
            {"grpStatus", "chk_isVBNDs", 11, "Is Voltage Bounds", "Status Is Voltage Bounds",
             false},
            {"grpStatus", "chk_isIBNDs", 10, "Is Current Bounds", "Status Is Current Bounds",
             false},
            {"grpStatus", "chk_isCV", 7, "Is Voltage Control", "Status Is Controlled By Voltage",
             false},
            {"grpStatus", "chk_isCC", 6, "Is Current Control", "Status Is Controlled By Current",
             false},
            {"grpStatus", "chk_isEMCY", 5, "Is Emergency Off", "Status Is Emergency Off", false},
            {"grpStatus", "chk_isRAMP", 4, "Is Ramping", "Status Is Ramping", false},
            {"grpStatus", "chk_isON", 3, "Is On", "Status Is On", false},
            {"grpStatus", "chk_isIERR", 2, "Is Input Error", "Status Is Input Error", false},
            {"grpEventStatus", "chk_EVLIM", 15, "Event Voltage Limit", "Event Voltage Limit",
             false},
            {"grpEventStatus", "chk_EILIM", 14, "Event Current Limit", "Event Current Limit",
             false},
            {"grpEventStatus", "chk_ETRIP", 13, "Event Trip", "Event Current Trip", false},
            {"grpEventStatus", "chk_EEINH", 12, "Event External Inhibit", "Event External Inhibit",
             false},
            {"grpEventStatus", "chk_EVBNDs", 11, "Event Voltage Bounds", "Event Voltage Bounds",
             false},
            {"grpEventStatus", "chk_EIBNDs", 10, "Event Current Bounds", "Event Current Bounds",
             false},
            {"grpEventStatus", "chk_ECV", 7, "Event Voltage Control", "Event Controlled By Voltage",
             false},
            {"grpEventStatus", "chk_ECC", 6, "Event Current Control", "Event Controlled By Current",
             false},
            {"grpEventStatus", "chk_EEMCY", 5, "Event Emergency Off", "Event Emergency Off", false},
            {"grpEventStatus", "chk_EEOR", 4, "Event End Of Ramp", "Event End Of Ramp", false},
            {"grpEventStatus", "chk_EON2OFF", 3, "Event Shut Off", "Event On", false},
            {"grpEventStatus", "chk_EIERR", 2, "Event Input Error", "Event Input Error", false},
            {"grpEventMask", "chk_MEVLIM", 15, "Mask Voltage Limit", "Mask Event Voltage Limit",
             true},
            {"grpEventMask", "chk_MEILIM", 14, "Mask Current Limit", "Mask Event Current Limit",
             true},
            {"grpEventMask", "chk_METRIP", 13, "Mask Trip", "Mask Event Current Trip", true},
            {"grpEventMask", "chk_MEEINH", 12, "Mask External Inhibit",
             "Mask Event External Inihibit", true},
            {"grpEventMask", "chk_MEVBNDs", 11, "Mask Voltage Bounds", "Mask Event Voltage Bounds",
             true},
            {"grpEventMask", "chk_MEIBNDs", 10, "Mask Current Bounds", "Mask Event Current Bounds",
             true},
            {"grpEventMask", "chk_MECV", 7, "Mask Voltage Control",
             "Mask Event Controlled by Voltage", true},
            {"grpEventMask", "chk_MECC", 6, "Mask Current Control",
             "Mask Event Controlled By Current", true},
            {"grpEventMask", "chk_MEEMCY", 5, "Mask Emergency Off", "Mask Event Emergency OfF",
             true},
            {"grpEventMask", "chk_MEEOR", 4, "Mask End Of Ramp", "Mask Event End Of Ramp", true},
            {"grpEventMask", "chk_MEON2OFF", 3, "Mask Shut Off", "Mask Event On", true},
            {"grpEventMask", "chk_MEIERR", 2, "Mask Input Error", "Mask Event Input Error", true},
            {"grpControl", "chk_setAVBND", 11, "Set Asymetric Voltage Bounds",
             "Set Asymmetric Voltage Bounds", false},
            {"grpControl", "chk_setAIBND", 10, "Set Asymetric Current Bounds",
             "Set Asymmetric Current Bounds", false},
            {"grpControl", "chk_setEMCY", 5, "Set Emergency Off", "Set High Voltage Emergency Off",
             true},
            {"grpControl", "chk_setON", 3, "Set On", "Set High Voltage On", true},
            {"grpControl", "setRippleMeasurementOn", 2, "Set Ripple Measurement On", "", true},
            {"grpControl", "setVoltageMeasurementOn", 1, "Set Voltage Measurement On", "", true},
        };
        for (const Row &row : rows) {
            QTest::newRow(row.name)
                << row.group << row.name << row.bit << row.text << row.tip << row.enabled;
        }
    }

    /// Sends one word of the group's kind.
    void send(const QString &group, quint32 word, int channel = 3)
    {
        if (group == QLatin1String("grpStatus"))
            m_dialog->updateChannelStatus(Serial, channel, word);
        else if (group == QLatin1String("grpEventStatus"))
            m_dialog->updateChannelEventStatus(Serial, channel, word);
        else if (group == QLatin1String("grpEventMask"))
            m_dialog->updateChannelEventMask(Serial, channel, word);
        else
            m_dialog->updateChannelControl(Serial, channel, word);
    }

private slots:
    void init()
    {
        m_dialog = new DialogChannelControl;
        m_dialog->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_dialog));
    }

    void cleanup()
    {
        delete m_dialog;
        m_dialog = nullptr;
    }

    void formBeforeAnyUpdate()
    {
        QCOMPARE(m_dialog->windowTitle(), QStringLiteral("Channel Status / Control"));
        QCOMPARE(m_dialog->channel(), -1);
        QCOMPARE(child<QPushButton>(m_dialog, "btnSetControl")->text(),
                 QStringLiteral("Set &Control"));
        QCOMPARE(child<QPushButton>(m_dialog, "btnClearEvents")->text(),
                 QStringLiteral("Clear &Events"));
        QCOMPARE(child<QPushButton>(m_dialog, "btnSetMask")->text(), QStringLiteral("Set &Mask"));
        for (const char *name : {"grpStatus", "grpEventStatus", "grpEventMask", "grpControl"})
            QVERIFY2(group(name), name);
        const QStringList reserved = {"checkBox_13", "checkBox_14", "checkBox_15", "checkBox_16",
                                      "checkBox_25", "checkBox_26", "checkBox_27", "checkBox_28",
                                      "checkBox_29", "checkBox_30", "checkBox_31", "checkBox_32"};
        for (const QString &name : reserved) {
            QCheckBox *reservedBox = child<QCheckBox>(m_dialog, name);
            QVERIFY2(reservedBox, qPrintable(name));
            QCOMPARE(reservedBox->text(), QStringLiteral("reserved"));
            QVERIFY(!reservedBox->isEnabled());
        }
        // Nothing to act on yet: the buttons send nothing.
        QSignalSpy control(m_dialog, &DialogChannelControl::setChannelControl);
        QSignalSpy mask(m_dialog, &DialogChannelControl::setChannelEventMask);
        QSignalSpy clear(m_dialog, &DialogChannelControl::clearChannelEvents);
        for (const char *name : {"btnSetControl", "btnClearEvents", "btnSetMask"})
            click(m_dialog, name);
        QCOMPARE(control.count() + mask.count() + clear.count(), 0);
    }

    void eachBoxShowsItsBit_data() { addBoxRows(); }
    void eachBoxShowsItsBit()
    {
        QFETCH(QString, group);
        QFETCH(QString, name);
        QFETCH(int, bit);
        QFETCH(QString, text);
        QFETCH(QString, toolTip);
        QFETCH(bool, enabled);

        QCheckBox *bitBox = child<QCheckBox>(m_dialog, name);
        QVERIFY(bitBox);
        QCOMPARE(bitBox->parentWidget()->objectName(), group);
        QCOMPARE(bitBox->text(), text);
        QCOMPARE(bitBox->toolTip(), toolTip);
        QCOMPARE(bitBox->isEnabled(), enabled);

        send(group, quint32(1) << bit);
        QCOMPARE(tickedBoxes(this->group(qPrintable(group))), QStringList {name});
        send(group, 0);
        QVERIFY(tickedBoxes(this->group(qPrintable(group))).isEmpty());
    }

    void statusWordTicksItsBoxesOnly()
    {
        m_dialog->updateChannelStatus(Serial, 3, 0x8008);
        QCOMPARE(tickedBoxes(group("grpStatus")), (QStringList {"chk_isON", "chk_isVLIM"}));
        QCOMPARE(box("chk_isVLIM")->text(), QStringLiteral("Is Voltage Limit"));
        QCOMPARE(box("chk_isON")->text(), QStringLiteral("Is On"));
        // Only the status group moved.
        QVERIFY(tickedBoxes(group("grpEventStatus")).isEmpty());
        QVERIFY(tickedBoxes(group("grpEventMask")).isEmpty());
        QVERIFY(tickedBoxes(group("grpControl")).isEmpty());
    }

    void sameWordOnAnotherChannelLeavesBoxesAlone()
    {
        m_dialog->updateChannelControl(Serial, 3, 0);
        m_dialog->updateChannelStatus(Serial, 3, 0x8008);
        // Whatever the boxes show now stays while the same word comes in, even
        // from another channel: the status slots look at the word only.
        box("chk_isON")->setChecked(false);
        m_dialog->updateChannelStatus(Serial, 5, 0x8008);
        QCOMPARE(tickedBoxes(group("grpStatus")), QStringList {"chk_isVLIM"});
        // The dialog still names the channel of the last control update.
        QCOMPARE(m_dialog->windowTitle(), QStringLiteral("4711: Channel 3 Status / Control"));
        QCOMPARE(m_dialog->channel(), 3);
    }

    void reservedBoxesNeverChange()
    {
        send("grpStatus", 0xFFFF);
        send("grpEventStatus", 0xFFFF);
        send("grpEventMask", 0xFFFF);
        send("grpControl", 0xFFFF);
        QCOMPARE(tickedBoxes(m_dialog).size(), 12 + 12 + 12 + 6);
        for (int k : {13, 14, 15, 16, 25, 26, 27, 28, 29, 30, 31, 32})
            QVERIFY(!child<QCheckBox>(m_dialog, QStringLiteral("checkBox_%1").arg(k))->isChecked());
    }

    void titleFollowsTheChannel()
    {
        m_dialog->updateChannelControl(Serial, 7, 0);
        QCOMPARE(m_dialog->windowTitle(), QStringLiteral("4711: Channel 7 Status / Control"));
        m_dialog->updateChannelControl(4712, 0, 0);
        QCOMPARE(m_dialog->windowTitle(), QStringLiteral("4712: Channel 0 Status / Control"));
        QCOMPARE(m_dialog->channel(), 0);
    }

    void setMaskSendsTheTwelveBoxesOverTheReservedBits_data()
    {
        QTest::addColumn<quint32>("received");
        QTest::addColumn<bool>("tickAll");
        QTest::addColumn<int>("sent");
        QTest::newRow("all ticked, reserved clear") << 0x0000u << true << 0xFCFC;
        QTest::newRow("all ticked, reserved set") << 0x0303u << true << 0xFFFF;
        QTest::newRow("none ticked, reserved set") << 0xFFFFu << false << 0x0303;
    }
    void setMaskSendsTheTwelveBoxesOverTheReservedBits()
    {
        QFETCH(quint32, received);
        QFETCH(bool, tickAll);
        QFETCH(int, sent);

        m_dialog->updateChannelControl(Serial, 6, 0);
        m_dialog->updateChannelEventMask(Serial, 6, received);
        for (QCheckBox *maskBox : group("grpEventMask")->findChildren<QCheckBox *>()) {
            if (maskBox->isEnabled())
                maskBox->setChecked(tickAll);
        }
        QSignalSpy spy(m_dialog, &DialogChannelControl::setChannelEventMask);
        click(m_dialog, "btnSetMask");
        QCOMPARE(spy.count(), 1);
        QCOMPARE(spy.at(0).at(0).value<quint16>(), quint16(6));
        QCOMPARE(spy.at(0).at(1).value<quint16>(), quint16(sent));
    }

    void setControlTicksOnIntoTheLastWord()
    {
        // Bits 11 and 10 show in the disabled bound boxes, bit 8 has no box.
        m_dialog->updateChannelControl(Serial, 2, 0x0D00);
        QVERIFY(box("chk_setAVBND")->isChecked());
        QVERIFY(box("chk_setAIBND")->isChecked());
        click(m_dialog, "chk_setON");
        QVERIFY(box("chk_setON")->isChecked());

        QSignalSpy spy(m_dialog, &DialogChannelControl::setChannelControl);
        click(m_dialog, "btnSetControl");
        QCOMPARE(spy.count(), 1);
        QCOMPARE(spy.at(0).at(0).value<quint16>(), quint16(2));
        QCOMPARE(spy.at(0).at(1).value<quint16>(), quint16(0x0D08));

        // Unticking everything the operator may change keeps the rest.
        for (const char *name :
             {"chk_setON", "chk_setEMCY", "setRippleMeasurementOn", "setVoltageMeasurementOn"})
            box(name)->setChecked(false);
        click(m_dialog, "btnSetControl");
        QCOMPARE(spy.at(1).at(1).value<quint16>(), quint16(0x0D00));
    }

    void clearEventsNamesTheChannel()
    {
        m_dialog->updateChannelControl(Serial, 9, 0);
        QSignalSpy spy(m_dialog, &DialogChannelControl::clearChannelEvents);
        click(m_dialog, "btnClearEvents");
        QCOMPARE(spy.count(), 1);
        QCOMPARE(spy.at(0).at(0).value<quint16>(), quint16(9));
    }

    void operatorTicksSurviveIdenticalUpdates()
    {
        m_dialog->updateChannelControl(Serial, 1, 0x0008);
        m_dialog->updateChannelEventMask(Serial, 1, 0x0000);
        click(m_dialog, "chk_setEMCY");
        click(m_dialog, "chk_MEVLIM");
        for (int pass = 0; pass < 20; ++pass) {
            m_dialog->updateChannelControl(Serial, 1, 0x0008);
            m_dialog->updateChannelStatus(Serial, 1, 0x0008);
            m_dialog->updateChannelEventStatus(Serial, 1, 0x0000);
            m_dialog->updateChannelEventMask(Serial, 1, 0x0000);
        }
        QVERIFY(box("chk_setEMCY")->isChecked());
        QVERIFY(box("chk_MEVLIM")->isChecked());

        QSignalSpy spy(m_dialog, &DialogChannelControl::setChannelControl);
        click(m_dialog, "btnSetControl");
        QCOMPARE(spy.at(0).at(1).value<quint16>(), quint16(0x0028));

        // A different word is the module's answer and replaces the boxes.
        m_dialog->updateChannelEventMask(Serial, 1, 0x0004);
        QCOMPARE(tickedBoxes(group("grpEventMask")), QStringList {"chk_MEIERR"});
    }

    void highBitsAlwaysCountAsAChange()
    {
        m_dialog->updateChannelStatus(Serial, 1, 0x0008);
        box("chk_isON")->setChecked(false);
        // Layout 29 reports 32 bits: the word differs from the 16-bit copy.
        m_dialog->updateChannelStatus(Serial, 1, 0x10008);
        QVERIFY(box("chk_isON")->isChecked());
        // Only the low half was kept, so the plain word is no change now.
        box("chk_isON")->setChecked(false);
        m_dialog->updateChannelStatus(Serial, 1, 0x0008);
        QVERIFY(!box("chk_isON")->isChecked());
        // ... while the wide word keeps counting as one.
        m_dialog->updateChannelStatus(Serial, 1, 0x10008);
        QVERIFY(box("chk_isON")->isChecked());
    }

    void languageChangeKeepsTheChannelTitle()
    {
        m_dialog->updateChannelControl(Serial, 4, 0);
        QEvent event(QEvent::LanguageChange);
        QCoreApplication::sendEvent(m_dialog, &event);
        QCOMPARE(m_dialog->windowTitle(), QStringLiteral("4711: Channel 4 Status / Control"));
    }
};

QTEST_MAIN(TestDialogChannelControl)
#include "tst_dialogchannelcontrol.moc"
