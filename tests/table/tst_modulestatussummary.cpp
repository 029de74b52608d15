// The overview's per-module status cell: the worst problem of any channel
// first, naming the first channel that has it; "Ramp" or "OK" otherwise.
#include <ModuleStatusSummary.h>

#include <QtTest>

class TestModuleStatusSummary : public QObject
{
    Q_OBJECT

private slots:
    void emptyBeforeTheFirstReport();
    void healthyModule();
    void eachProblemIsNamed_data();
    void eachProblemIsNamed();
    void worstProblemFirstThenFirstChannel();
    void recoveredChannelClearsTheAlarm();
    void toolTipListsEveryReportedChannel();
    void channelsOutsideTheModuleAreIgnored();
};

void TestModuleStatusSummary::emptyBeforeTheFirstReport()
{
    const ModuleStatusSummary summary;
    QVERIFY(!summary.hasStatus());
    QVERIFY(!summary.isTroubled());
    QVERIFY(summary.text().isEmpty());
    QVERIFY(summary.toolTip().isEmpty());
}

void TestModuleStatusSummary::healthyModule()
{
    ModuleStatusSummary summary;
    summary.setChannelStatus(0, 0x0000); // off
    summary.setChannelStatus(1, 0x0088); // on, voltage control
    summary.setChannelStatus(2, 0x0048); // on, current control
    QCOMPARE(summary.text(), QStringLiteral("OK"));
    QVERIFY(!summary.isTroubled());
    QCOMPARE(summary.foreground(), QColor(Qt::green));
    QVERIFY(!summary.background().isValid());

    summary.setChannelStatus(5, 0x0018); // ramping
    QCOMPARE(summary.text(), QStringLiteral("Ramp"));
    QVERIFY(!summary.isTroubled());
    summary.setChannelStatus(5, 0x0088); // end of ramp
    QCOMPARE(summary.text(), QStringLiteral("OK"));
}

void TestModuleStatusSummary::eachProblemIsNamed_data()
{
    QTest::addColumn<quint32>("status");
    QTest::addColumn<QString>("text");
    QTest::newRow("trip") << 0x2000u << "Ch 7 TRIP";
    QTest::newRow("emergency") << 0x0020u << "Ch 7 EMCY";
    QTest::newRow("inhibit") << 0x1000u << "Ch 7 EINH";
    QTest::newRow("current limit") << 0x4048u << "Ch 7 CLIM";
    QTest::newRow("voltage limit") << 0x8000u << "Ch 7 VLIM";
    QTest::newRow("voltage bounds") << 0x0800u << "Ch 7 BNDS";
    QTest::newRow("current bounds") << 0x0400u << "Ch 7 BNDS";
    QTest::newRow("input error") << 0x0004u << "Ch 7 IERR";
    // Severity order within one word.
    QTest::newRow("trip over emergency") << 0x2020u << "Ch 7 TRIP";
    QTest::newRow("emergency over inhibit") << 0x1020u << "Ch 7 EMCY";
    QTest::newRow("inhibit over current limit") << 0x5000u << "Ch 7 EINH";
    QTest::newRow("current over voltage limit") << 0xC000u << "Ch 7 CLIM";
    QTest::newRow("voltage limit over bounds") << 0x8800u << "Ch 7 VLIM";
    QTest::newRow("bounds over input error") << 0x0404u << "Ch 7 BNDS";
    QTest::newRow("trouble over ramp") << 0x0014u << "Ch 7 IERR";
}

void TestModuleStatusSummary::eachProblemIsNamed()
{
    QFETCH(quint32, status);
    QFETCH(QString, text);

    ModuleStatusSummary summary;
    summary.setChannelStatus(0, 0x0008);
    summary.setChannelStatus(7, status);
    QCOMPARE(summary.text(), text);
    QVERIFY(summary.isTroubled());
    QCOMPARE(summary.background(), QColor(Qt::red));
    QCOMPARE(summary.foreground(), QColor(Qt::white));
}

void TestModuleStatusSummary::worstProblemFirstThenFirstChannel()
{
    ModuleStatusSummary summary;
    summary.setChannelStatus(1, 0x4008); // current limit
    summary.setChannelStatus(9, 0x1000); // inhibit: worse, although later
    QCOMPARE(summary.text(), QStringLiteral("Ch 9 EINH"));
    summary.setChannelStatus(4, 0x1000); // the same problem on an earlier channel
    QCOMPARE(summary.text(), QStringLiteral("Ch 4 EINH"));
    summary.setChannelStatus(23, 0x2000); // trip on the last channel beats all
    QCOMPARE(summary.text(), QStringLiteral("Ch 23 TRIP"));
}

void TestModuleStatusSummary::recoveredChannelClearsTheAlarm()
{
    ModuleStatusSummary summary;
    summary.setChannelStatus(3, 0x0020);
    QVERIFY(summary.isTroubled());
    // The same channel reports again after the emergency off was cleared.
    summary.setChannelStatus(3, 0x0000);
    QVERIFY(!summary.isTroubled());
    QCOMPARE(summary.text(), QStringLiteral("OK"));
    QVERIFY(!summary.background().isValid());
}

void TestModuleStatusSummary::toolTipListsEveryReportedChannel()
{
    ModuleStatusSummary summary;
    summary.setChannelStatus(2, 0x3020);
    summary.setChannelStatus(0, 0x0088);
    summary.setChannelStatus(11, 0x000a);
    QCOMPARE(summary.toolTip(),
             QStringLiteral("Channel 0\t0088\n"
                            "Channel 2\t3020\tTrip, Emergency, Inhibit\n"
                            "Channel 11\t000A"));
}

void TestModuleStatusSummary::channelsOutsideTheModuleAreIgnored()
{
    ModuleStatusSummary summary;
    summary.setChannelStatus(24, 0x2000);
    summary.setChannelStatus(-1, 0x2000);
    QVERIFY(!summary.hasStatus());
    QVERIFY(!summary.isTroubled());
}

QTEST_MAIN(TestModuleStatusSummary)
#include "tst_modulestatussummary.moc"
