// The two status summaries: a channel's Status cell in the channel table and a
// module's cell in the overview.
#include <ModuleStatusSummary.h>
#include <StatusCell.h>

#include <QtTest>

class TestStatusRules : public QObject
{
    Q_OBJECT

private slots:
    void statusCell_data()
    {
        QTest::addColumn<int>("deviceClass");
        QTest::addColumn<quint32>("status");
        QTest::addColumn<quint32>("control");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QColor>("colour");
        const QColor red(Qt::red), green(Qt::green), yellow(Qt::yellow);
        // Measurement channels: the control word decides, the status word is ignored.
        QTest::newRow("DC90 both") << 90 << 0u << 0x0006u << "Both Measurements" << green;
        QTest::newRow("DC90 voltage") << 90 << 0u << 0x0002u << "Voltage Measurement" << green;
        QTest::newRow("DC90 ripple") << 90 << 0u << 0x0004u << "Ripple Measurement" << green;
        QTest::newRow("DC90 off") << 90 << 0x4028u << 0x0009u << "Off" << yellow;
        // Every other class follows the status word, first matching rule first:
        // each row clears the state the row before it found.
        QTest::newRow("all at once") << 20 << 0x70F8u << 0x0008u << "Trip" << red;
        QTest::newRow("current limit") << 20 << 0x50F8u << 0x0008u << "Current Limit" << red;
        QTest::newRow("emergency") << 20 << 0x10F8u << 0x0008u << "Emergency" << red;
        QTest::newRow("inhibit") << 29 << 0x10D8u << 0x0008u << "Inhibit" << red;
        QTest::newRow("ramp") << 20 << 0x00D8u << 0x0008u << "Ramp" << green;
        QTest::newRow("current control") << 20 << 0x00C8u << 0x0008u << "Current Control" << green;
        QTest::newRow("voltage control") << 21 << 0x0088u << 0x0008u << "Voltage Control" << green;
        QTest::newRow("on") << 20 << 0x0008u << 0x0008u << "On" << green;
        QTest::newRow("off, unnamed bits") << 20 << 0x0F07u << 0xFFFFu << "Off" << yellow;
        // Current control is healthy only on a channel that is on and set on.
        QTest::newRow("CC, not set on") << 20 << 0x0048u << 0u << "Current Control" << yellow;
        QTest::newRow("CC, set on, off") << 20 << 0x0040u << 0x0008u << "Current Control" << yellow;
    }
    void statusCell()
    {
        QFETCH(int, deviceClass);
        QFETCH(quint32, status);
        QFETCH(quint32, control);
        QFETCH(QString, text);
        QFETCH(QColor, colour);
        const StatusCell cell = StatusCell::of(deviceClass, status, control);
        QCOMPARE(cell.text(), text);
        QCOMPARE(cell.colour(), colour);
    }

    void moduleSummaryNamesTheWorstProblem()
    {
        // Every problem and a ramp at once, then the worst one cleared each time:
        // a channel that recovers clears its contribution at its next report.
        const QList<QPair<quint32, const char *>> worstFirst {
            {0x2000, "Ch 7 TRIP"}, {0x0020, "Ch 7 EMCY"},
            {0x1000, "Ch 7 EINH"}, {0x4000, "Ch 7 CLIM"},
            {0x8000, "Ch 7 VLIM"}, {0x0800, "Ch 7 BNDS"},
            {0x0400, "Ch 7 BNDS"}, {0x0004, "Ch 7 IERR"},
            {0x0010, "Ramp"},      {0, "OK"}};
        quint32 status = 0xFC3C;
        ModuleStatusSummary summary;
        summary.setChannelStatus(0, 0x0008);
        for (const auto &[bits, text] : worstFirst) {
            summary.setChannelStatus(7, status);
            const bool troubled = QByteArray(text).startsWith("Ch ");
            QCOMPARE(summary.text(), QString::fromLatin1(text));
            QCOMPARE(summary.isTroubled(), troubled);
            QCOMPARE(summary.background(), troubled ? QColor(Qt::red) : QColor());
            QCOMPARE(summary.foreground(), troubled ? QColor(Qt::white) : QColor(Qt::green));
            status &= ~bits;
        }
    }

    void moduleSummaryWorstProblemFirstThenFirstChannel()
    {
        ModuleStatusSummary summary;
        summary.setChannelStatus(24, 0x2000); // no such channel
        summary.setChannelStatus(-1, 0x2000);
        QVERIFY(!summary.hasStatus());
        QVERIFY(summary.text().isEmpty());
        QVERIFY(summary.toolTip().isEmpty());
        summary.setChannelStatus(11, 0x000a);
        summary.setChannelStatus(1, 0x4008); // current limit
        summary.setChannelStatus(9, 0x1000); // inhibit: worse, although later
        QCOMPARE(summary.text(), QStringLiteral("Ch 9 EINH"));
        summary.setChannelStatus(4, 0x1000); // the same problem on an earlier channel
        QCOMPARE(summary.text(), QStringLiteral("Ch 4 EINH"));
        summary.setChannelStatus(23, 0x3020); // trip on the last channel beats all
        QCOMPARE(summary.text(), QStringLiteral("Ch 23 TRIP"));
        QCOMPARE(summary.toolTip(),
                 QStringLiteral("Channel 1\t4008\tCurrent Limit\nChannel 4\t1000\tInhibit\n"
                                "Channel 9\t1000\tInhibit\nChannel 11\t000A\n"
                                "Channel 23\t3020\tTrip, Emergency, Inhibit"));
    }
};

QTEST_MAIN(TestStatusRules)
#include "tst_statusrules.moc"
