// The variable-group dialog from the main window over the simulated crate.
#include "TestCrate.h"
#include "WindowTest.h"

#include <CrateCore.h>
#include <DialogFlexGroups.h>
#include <norvsim.h>

#include <QtTest>
#include <QtWidgets>

class TestFlexGroups : public WindowTest
{
    Q_OBJECT

    DialogFlexGroups *m_dialog = nullptr;

    template<class T> T *child(const QString &name) { return m_dialog->findChild<T *>(name); }
    QCheckBox *box(int k)
    {
        return child<QCheckBox>(QStringLiteral("chkChannel%1").arg(k, 2, 10, QLatin1Char('0')));
    }

private slots:
    void setGroupReadsBack_data()
    {
        QTest::addColumn<int>("slot"); // chosen while the dialog shows the class-29 module
        QTest::addColumn<int>("group");
        QTest::addColumn<int>("tab");
        QTest::addColumn<qint64>("member"); // boxes 0, 1 and 13 ticked
        QTest::addColumn<qint64>("type"); // 0: refused
        QTest::newRow("class 20, set group 3") << 0 << 3 << 0 << 0x3ll << 0x0125ll;
        QTest::newRow("class 29, timeout group 30") << 1 << 30 << 3 << 0x2003ll << 0x03E8D000ll;
        QTest::newRow("class 29, group 3 on the nominals") << 1 << 3 << 0 << 0ll << 0ll;
    }
    void setGroupReadsBack()
    {
        QFETCH(int, slot);
        QFETCH(int, group);
        QFETCH(int, tab);
        QFETCH(qint64, type);
        NorvControl &window = start();
        window.crate()->selectModule(1);
        trigger(window, "actionTimeoutGroup");
        m_dialog = window.findChild<DialogFlexGroups *>();
        QVERIFY(m_dialog && m_dialog->isVisible() && m_dialog->pollTimer()->isActive());
        window.crate()->selectModule(slot);
        child<QSpinBox>("spbGroupNumber")->setValue(group);
        for (int k : {0, 1, 13})
            box(k)->setChecked(true);
        child<QTabWidget>("tabWidget")->setCurrentIndex(tab);
        child<QSpinBox>("spbMasterChannel")->setValue(5);
        child<QRadioButton>("chkCopyIset")->setChecked(true);
        child<QCheckBox>("chkSetPermanent")->setChecked(true);
        child<QSpinBox>("spbTimeout")->setValue(1000);
        child<QRadioButton>("chkRampDown")->setChecked(true);
        QSignalSpy writes(m_dialog, &DialogFlexGroups::setFlexGroup);
        child<QPushButton>("btnSet")->click();
        if (!type) {
            QCOMPARE(writes.count(), 0);
            QCOMPARE(m_prompt->shownOf("warning"),
                     QStringList("Group 3 shares its registers with the hardware nominals of "
                                 "channel 3 on this module: nothing was written. [Ok]"));
            return;
        }
        const int base = slot ? 0x8000 : 0x4000;
        const quint32 entry = slot ? 0x700 + 8 * group : 0x2C0 + 4 * group; // member, then type
        QTEST(qint64(norvsim_register(base, entry)), "member");
        QCOMPARE(qint64(norvsim_register(base, entry + (slot ? 4 : 2))), type);
        QCOMPARE(box(13)->isChecked(), slot == 1); // an absent channel is no member

        // An edit survives the poll and a report of another group, not a change in the module.
        box(1)->setChecked(false);
        m_dialog->timeout();
        m_dialog->updateModuleFlexGroups(0, group + 1, 0xFFFFFFFF, 0x40D0);
        QVERIFY(!box(1)->isChecked() && box(0)->isChecked());
        window.crate()->setFlexGroup(group, 0x4, 0x40D0);
        m_dialog->timeout();
        QVERIFY(!box(0)->isChecked() && box(2)->isChecked());
        QVERIFY(child<QRadioButton>("chk_StatIsTRIP")->isChecked());
        // Escape stops the poll; showing again shows the module's words over any edit.
        m_dialog->reject();
        QVERIFY(!m_dialog->pollTimer()->isActive());
        box(2)->setChecked(false);
        m_dialog->show();
        QVERIFY(box(2)->isChecked());
    }
};

QTEST_MAIN(TestFlexGroups)
#include "tst_flexgroups.moc"
