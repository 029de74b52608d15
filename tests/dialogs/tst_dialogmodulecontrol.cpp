// The module status and control dialog on its form: the bit boxes, the words
// the buttons compose, the channel-count blocks, the Select All toggles and
// the restart time.
#include "DialogModuleControl.h"
#include "DialogTestTools.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTabWidget>
#include <QtTest>

using namespace DialogTestTools;

namespace {
constexpr int Serial = 4711;
} // namespace

class TestDialogModuleControl : public QObject
{
    Q_OBJECT

    DialogModuleControl *m_dialog = nullptr;

    QCheckBox *box(const QString &name) { return child<QCheckBox>(m_dialog, name); }
    QWidget *group(const char *name) { return child<QGroupBox>(m_dialog, name); }
    QPushButton *button(const char *name) { return child<QPushButton>(m_dialog, name); }

    void showPage(const char *page)
    {
        auto *tabs = child<QTabWidget>(m_dialog, "tabWidget");
        tabs->setCurrentWidget(child<QWidget>(m_dialog, page));
    }

    QStringList range(const char *prefix, int from, int to)
    {
        QStringList names;
        for (int k = from; k <= to; ++k)
            names << QStringLiteral("%1%2").arg(QLatin1String(prefix)).arg(k);
        names.sort();
        return names;
    }

private slots:
    void init()
    {
        m_dialog = new DialogModuleControl;
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
        QCOMPARE(m_dialog->windowTitle(), QStringLiteral("Module Status / Control"));
        auto *tabs = child<QTabWidget>(m_dialog, "tabWidget");
        QCOMPARE(tabs->currentIndex(), 0);
        QCOMPARE(tabs->tabText(0), QStringLiteral("Module EventChannel"));
        QCOMPARE(tabs->tabText(1), QStringLiteral("Module EventGroup"));
        QCOMPARE(tabs->tabText(2), QStringLiteral("AutoStart"));
        QVERIFY(!button("btnSetRestartTime")->isEnabled());
        auto *spin = child<QSpinBox>(m_dialog, "spbRestartTime");
        QCOMPARE(spin->maximum(), 65535);
        QCOMPARE(spin->singleStep(), 100);
        for (int k = 0; k < 32; ++k) {
            QVERIFY(!box(QStringLiteral("chk_ECS%1").arg(k))->isEnabled());
            QVERIFY(!box(QStringLiteral("chk_ECM%1").arg(k))->isEnabled());
            QVERIFY(!box(QStringLiteral("chk_EGS%1").arg(k))->isEnabled());
            QVERIFY(box(QStringLiteral("chk_EGM%1").arg(k))->isEnabled());
        }
        QCOMPARE(box("chk_ECS7")->text(), QStringLiteral("07"));
        QCOMPARE(box("chk_EGS31")->text(), QStringLiteral("G31"));
        QCOMPARE(box("chk_ETEMPngd")->toolTip(), QStringLiteral("Event Temperature Nod Good"));
        QCOMPARE(box("chk_MESPLYngd")->toolTip(), QStringLiteral("Mask Event Supply Not Good"));
        QCOMPARE(box("chk_setADJ")->toolTip(), QStringLiteral("Set Adjustment On"));
        QCOMPARE(box("chk_isnoRAMP")->toolTip(), QStringLiteral("Status Is No Channel Ramping"));
    }

    void eachWordTicksItsBoxes_data()
    {
        QTest::addColumn<QString>("group");
        QTest::addColumn<quint32>("word");
        QTest::addColumn<QStringList>("ticked");
        QTest::newRow("control 0x0700: the interrupt levels")
            << "grpControl" << 0x0700u
            << QStringList {"chk_setILVL0", "chk_setILVL1", "chk_setILVL2"};
        QTest::newRow("control: reserved bits show nothing")
            << "grpControl" << 0x28B0u << QStringList {};
        QTest::newRow("control: kill enable and clear")
            << "grpControl" << 0x4040u << QStringList {"chk_doCLEAR", "chk_setKILLena"};
        QTest::newRow("status: stop and adjusting")
            << "grpStatus" << 0x0005u << QStringList {"chk_isADJ", "chk_isSTOP"};
        QTest::newRow("status: bit 3 has no box") << "grpStatus" << 0x0008u << QStringList {};
        QTest::newRow("event status: all bits")
            << "grpEventStatus" << 0xFFFFu
            << QStringList {"chk_EIERR",    "chk_ERSTA", "chk_ESFLPngd",
                            "chk_ESPLYngd", "chk_ESRVC", "chk_ETEMPngd"};
        QTest::newRow("event mask: all bits")
            << "grpEventMask" << 0xFFFFu
            << QStringList {"chk_MEIERR",    "chk_MERSTA", "chk_MESFLPngd",
                            "chk_MESPLYngd", "chk_MESRVC", "chk_METEMPngd"};
    }
    void eachWordTicksItsBoxes()
    {
        QFETCH(QString, group);
        QFETCH(quint32, word);
        QFETCH(QStringList, ticked);
        if (group == QLatin1String("grpControl"))
            m_dialog->updateModuleControl(Serial, word);
        else if (group == QLatin1String("grpStatus"))
            m_dialog->updateModuleStatus(Serial, word);
        else if (group == QLatin1String("grpEventStatus"))
            m_dialog->updateModuleEventStatus(Serial, word);
        else
            m_dialog->updateModuleEventMask(Serial, word);
        QCOMPARE(tickedBoxes(this->group(qPrintable(group))), ticked);
    }

    void statusShowsEveryNamedBit()
    {
        m_dialog->updateModuleStatus(Serial, 0xFFFF);
        QCOMPARE(tickedBoxes(group("grpStatus")).size(), 15);
        QVERIFY(!box("checkBox_16")->isChecked());
    }

    void channelCountEnablesMaskBoxesInBlocks()
    {
        m_dialog->setChannelCount(16);
        for (int k = 0; k < 32; ++k)
            QCOMPARE(box(QStringLiteral("chk_ECM%1").arg(k))->isEnabled(), k < 16);
        // A smaller module later does not take boxes away.
        m_dialog->setChannelCount(8);
        QVERIFY(box("chk_ECM15")->isEnabled());
        m_dialog->setChannelCount(32);
        QVERIFY(box("chk_ECM31")->isEnabled());
    }

    void selectAllChannelsFollowsTheChannelCount()
    {
        m_dialog->setChannelCount(16);
        click(m_dialog, "btnSelectECM");
        QCOMPARE(tickedBoxes(group("grpEventChannelMask")), range("chk_ECM", 0, 15));
        QCOMPARE(button("btnSelectECM")->text(), QStringLiteral("Unselect All"));
        click(m_dialog, "btnSelectECM");
        QVERIFY(tickedBoxes(group("grpEventChannelMask")).isEmpty());
        QCOMPARE(button("btnSelectECM")->text(), QStringLiteral("Select All"));
    }

    void selectAllSendsTheChannelMask()
    {
        m_dialog->setChannelCount(16);
        QSignalSpy spy(m_dialog, &DialogModuleControl::setModuleEventChannelMask);
        click(m_dialog, "btnSelectECM");
        QCOMPARE(spy.count(), 0); // selecting alone sends nothing
        click(m_dialog, "btnSetECM");
        QCOMPARE(spy.count(), 1);
        QCOMPARE(spy.at(0).at(0).value<quint32>(), 0xFFFFu);
        click(m_dialog, "btnSelectECM"); // back to "Select All" for the next test
        click(m_dialog, "btnSetECM");
        QCOMPARE(spy.at(1).at(0).value<quint32>(), 0u);
    }

    void channelMaskIncludesDisabledBoxes()
    {
        // A mask the module reported for channels this dialog has not enabled
        // is sent back as shown.
        m_dialog->setChannelCount(4);
        m_dialog->updateModuleEventChannelMask(Serial, 0x80000003);
        QCOMPARE(tickedBoxes(group("grpEventChannelMask")),
                 (QStringList {"chk_ECM0", "chk_ECM1", "chk_ECM31"}));
        QSignalSpy spy(m_dialog, &DialogModuleControl::setModuleEventChannelMask);
        click(m_dialog, "chk_ECM2");
        click(m_dialog, "btnSetECM");
        QCOMPARE(spy.at(0).at(0).value<quint32>(), 0x80000007u);
    }

    void selectAllGroupsTogglesAllThirtyTwo()
    {
        showPage("tabModuleEventGroup");
        QSignalSpy spy(m_dialog, &DialogModuleControl::setModuleEventGroupMask);
        click(m_dialog, "btnSelectEGM");
        QCOMPARE(tickedBoxes(group("grpEventGroupMask")).size(), 32);
        QCOMPARE(button("btnSelectEGM")->text(), QStringLiteral("Unselect All"));
        click(m_dialog, "btnSetEGM");
        QCOMPARE(spy.at(0).at(0).value<quint32>(), 0xFFFFFFFFu);
        click(m_dialog, "btnSelectEGM");
        QCOMPARE(button("btnSelectEGM")->text(), QStringLiteral("Select All"));
        click(m_dialog, "btnSetEGM");
        QCOMPARE(spy.at(1).at(0).value<quint32>(), 0u);
    }

    void statusAndGroupWordsShowAllThirtyTwoBits()
    {
        m_dialog->updateModuleEventChannelStatus(Serial, 0x80000001);
        QCOMPARE(tickedBoxes(group("grpEventChannelStatus")),
                 (QStringList {"chk_ECS0", "chk_ECS31"}));
        m_dialog->updateModuleEventGroupStatus(Serial, 0x00010000);
        QCOMPARE(tickedBoxes(group("grpEventGroupStatus")), QStringList {"chk_EGS16"});
        m_dialog->updateModuleEventGroupMask(Serial, 0x40000000);
        QCOMPARE(tickedBoxes(group("grpEventGroupMask")), QStringList {"chk_EGM30"});
    }

    void restartTimeOnlyWhileStopped()
    {
        m_dialog->updateModuleStatus(Serial, 0x0004);
        QVERIFY(button("btnSetRestartTime")->isEnabled());
        m_dialog->updateModuleStatus(Serial, 0x0000);
        QVERIFY(!button("btnSetRestartTime")->isEnabled());

        // Judged on every update, also when the word did not change.
        button("btnSetRestartTime")->setEnabled(true);
        m_dialog->updateModuleStatus(Serial, 0x0000);
        QVERIFY(!button("btnSetRestartTime")->isEnabled());
        m_dialog->updateModuleStatus(Serial, 0x0004);
        button("btnSetRestartTime")->setEnabled(false);
        m_dialog->updateModuleStatus(Serial, 0x0004);
        QVERIFY(button("btnSetRestartTime")->isEnabled());
    }

    void typedRestartTimeSurvivesAndIsSent()
    {
        showPage("tabAutoStart");
        auto *spin = child<QSpinBox>(m_dialog, "spbRestartTime");
        m_dialog->updateModuleStatus(Serial, 0x0004);
        m_dialog->updateModuleRestartTime(Serial, 1500);
        QCOMPARE(spin->value(), 1500);

        spin->selectAll();
        QTest::keyClicks(spin, "2000");
        QCOMPARE(spin->value(), 2000);
        for (int pass = 0; pass < 10; ++pass)
            m_dialog->updateModuleRestartTime(Serial, 1500);
        QCOMPARE(spin->value(), 2000);

        QSignalSpy spy(m_dialog, &DialogModuleControl::setRestartTime);
        click(m_dialog, "btnSetRestartTime");
        QCOMPARE(spy.count(), 1);
        QCOMPARE(spy.at(0).at(0).value<quint32>(), 2000u);

        m_dialog->updateModuleRestartTime(Serial, 2100);
        QCOMPARE(spin->value(), 2100);
    }

    void setMaskKeepsTheBitsWithoutBoxes_data()
    {
        QTest::addColumn<quint32>("received");
        QTest::addColumn<bool>("tickAll");
        QTest::addColumn<int>("sent");
        QTest::newRow("15, 12, 0 kept, boxes cleared") << 0x9001u << false << 0x9001;
        QTest::newRow("15, 12, 0 kept, boxes ticked") << 0x9001u << true << 0xF433;
        QTest::newRow("nothing received, boxes ticked") << 0x0000u << true << 0x6432;
    }
    void setMaskKeepsTheBitsWithoutBoxes()
    {
        QFETCH(quint32, received);
        QFETCH(bool, tickAll);
        QFETCH(int, sent);
        m_dialog->updateModuleEventMask(Serial, received);
        for (QCheckBox *maskBox : group("grpEventMask")->findChildren<QCheckBox *>()) {
            if (maskBox->isEnabled())
                maskBox->setChecked(tickAll);
        }
        QSignalSpy spy(m_dialog, &DialogModuleControl::setModuleEventMask);
        click(m_dialog, "btnSetMask");
        QCOMPARE(spy.count(), 1);
        QCOMPARE(spy.at(0).at(0).value<quint16>(), quint16(sent));
    }

    void setControlKeepsTheReservedBits()
    {
        m_dialog->updateModuleControl(Serial, 0x28B0 | 0x0100);
        QSignalSpy spy(m_dialog, &DialogModuleControl::setModuleControl);
        click(m_dialog, "chk_setSTOP");
        click(m_dialog, "chk_setILVL0"); // was ticked by the word: now cleared
        click(m_dialog, "btnSetControl");
        QCOMPARE(spy.at(0).at(0).value<quint16>(), quint16(0x28B4));

        for (QCheckBox *controlBox : group("grpControl")->findChildren<QCheckBox *>()) {
            if (controlBox->isEnabled())
                controlBox->setChecked(true);
        }
        click(m_dialog, "btnSetControl");
        QCOMPARE(spy.at(1).at(0).value<quint16>(), quint16(0xFFFF));
    }

    void clearButtonsSendTheirRequests()
    {
        QSignalSpy events(m_dialog, &DialogModuleControl::clearModuleEvents);
        QSignalSpy channels(m_dialog, &DialogModuleControl::clearModuleEventChannelStatus);
        QSignalSpy groups(m_dialog, &DialogModuleControl::clearModuleEventGroupStatus);
        click(m_dialog, "btnClearEvents");
        click(m_dialog, "btnClearECS");
        showPage("tabModuleEventGroup");
        click(m_dialog, "btnClearEGS");
        QCOMPARE(events.count(), 1);
        QCOMPARE(channels.count(), 1);
        QCOMPARE(groups.count(), 1);
    }

    void operatorTicksSurviveIdenticalUpdates()
    {
        m_dialog->setChannelCount(12);
        m_dialog->updateModuleControl(Serial, 0x0100);
        m_dialog->updateModuleEventMask(Serial, 0x0000);
        m_dialog->updateModuleEventChannelMask(Serial, 0x00000001);
        click(m_dialog, "chk_setSTOP");
        click(m_dialog, "chk_MERSTA");
        click(m_dialog, "chk_ECM5");
        for (int pass = 0; pass < 20; ++pass) {
            m_dialog->updateModuleControl(Serial, 0x0100);
            m_dialog->updateModuleStatus(Serial, 0x0000);
            m_dialog->updateModuleEventStatus(Serial, 0x0000);
            m_dialog->updateModuleEventMask(Serial, 0x0000);
            m_dialog->updateModuleEventChannelMask(Serial, 0x00000001);
            m_dialog->updateModuleEventGroupMask(Serial, 0);
        }
        QCOMPARE(tickedBoxes(group("grpControl")), (QStringList {"chk_setILVL0", "chk_setSTOP"}));
        QCOMPARE(tickedBoxes(group("grpEventMask")), QStringList {"chk_MERSTA"});
        QCOMPARE(tickedBoxes(group("grpEventChannelMask")), (QStringList {"chk_ECM0", "chk_ECM5"}));
        // A wide word always counts as a change.
        m_dialog->updateModuleControl(Serial, 0x10100);
        QCOMPARE(tickedBoxes(group("grpControl")), QStringList {"chk_setILVL0"});
    }
};

QTEST_MAIN(TestDialogModuleControl)
#include "tst_dialogmodulecontrol.moc"
