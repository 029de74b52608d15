// The variable groups' type word on both layouts, without a dialog.
#include <FlexGroupType.h>

#include <QtTest>

using namespace FlexGroupType;
Q_DECLARE_METATYPE(FlexGroupType::Fields)

// Fields: kind, copy code, permanent, master, status bit, MOD0, action, timeout.
class TestFlexGroupType : public QObject
{
    Q_OBJECT

private slots:
    void encoding_data()
    {
        QTest::addColumn<int>("deviceClass");
        QTest::addColumn<qint64>("previous"); // -1: the row is decoded only
        QTest::addColumn<Fields>("fields");
        QTest::addColumn<quint32>("type");
        const Fields set {SetGroup, 2, true, 5}, trip {StatusGroup, 1, false, 0, 13};
        const Fields timeout {TimeoutGroup, 1, false, 0, 3, false, 1, 1000};
        QTest::newRow("set, 20") << 20 << 0ll << set << 0x0125u;
        QTest::newRow("set, 29") << 29 << 0ll << set << 0x00050120u;
        QTest::newRow("timeout, 20") << 20 << 0ll << timeout << 0xD3E8u;
        QTest::newRow("timeout, 29") << 29 << 0ll << timeout << 0x03E8D000u;
        QTest::newRow("status IsTRIP") << 20 << 0ll << trip << 0x40D0u;
        QTest::newRow("status over a timeout, 20") << 20 << 0xD3E8ll << trip << 0x40D0u;
        QTest::newRow("set over a timeout, 29") << 29 << 0x03E8D000ll << set << 0x00050120u;
        QTest::newRow("monitoring keeps bits 31-16, 29")
            << 29 << 0x12348000ll << Fields {MonitoringGroup, 1, false, 0, 14, true, 3}
            << 0x1234B1E0u;
        QTest::newRow("erased: set, master 0, Copy Vset") << 20 << -1ll << Fields() << 0u;
        QTest::newRow("unknown bit: Check IsON") << 29 << -1ll << Fields {StatusGroup} << 0x4080u;
    }
    void encoding()
    {
        QFETCH(int, deviceClass);
        QFETCH(qint64, previous);
        QFETCH(Fields, fields);
        QFETCH(quint32, type);
        if (previous >= 0)
            QCOMPARE(QString::number(encode(quint32(previous), fields, deviceClass), 16),
                     QString::number(type, 16));
        QVERIFY(decode(type, deviceClass) == fields);
    }

    void everyChoiceRoundTrips()
    {
        for (int dc : {20, 29}) {
            QList<Fields> all;
            for (int code : copyCodes())
                all << Fields {SetGroup, code, code % 2 == 1, maxMasterChannel(dc) - code % 2};
            for (int i = 0; i < statusBits().size(); ++i)
                all << Fields {StatusGroup, 1, false, 0, statusBits()[i]}
                    << Fields {MonitoringGroup, 1, false, 0, statusBits()[i], i % 2 == 1, i % 4};
            for (int action = 0; action < 4; ++action)
                all << Fields {
                    TimeoutGroup, 1, false, 0, 3, false, action, maxTimeoutMs(dc) - action};
            // Over an empty word and words of other kinds with every bit set.
            for (const Fields &f : all) {
                for (quint32 previous : {0u, 0x3FFFu, 0xFFFFFFFFu})
                    QVERIFY(decode(encode(previous, f, dc), dc) == f);
            }
        }
    }
};

QTEST_APPLESS_MAIN(TestFlexGroupType)
#include "tst_flexgrouptype.moc"
