// Special mode of the simulated layout-20 module: the S-record checks and
// the record protocol's answers, the injected protocol faults and the loader
// restart. Whole burn, verify and compare passes and base-address programming
// run through the adapters in the integration tests.

#include "SimBus.h"
#include "norvsim.h"

#include <QTemporaryDir>
#include <QTest>

namespace {

constexpr quint32 m20 = 0x4000;

quint16 special() { return SimBus::read16(m20 + 0x3B0); }
void command(quint16 command) { SimBus::write16(m20 + 0x3B2, command); }
bool inSpecialMode() { return SimBus::read16(m20) & 0x0040; }

bool enterSpecialMode()
{
    SimBus::write16(m20 + 0x02, 0x0005);
    return inSpecialMode();
}

QByteArray bytes(int from, int count)
{
    QByteArray b;
    for (int i = 0; i < count; ++i)
        b.append(char(from + i));
    return b;
}

QByteArray withBadChecksum(QByteArray record)
{
    record[record.size() - 1] = record.endsWith('0') ? '1' : '0';
    return record;
}

const QByteArray header = SimBus::record(0, 0, "norv 2.5.0.1");
const QByteArray data1 = SimBus::record(1, 0x1000, bytes(0, 16));
const QByteArray data2 = SimBus::record(2, 0x0E8000, bytes(0x40, 16));
const QByteArray data3 = SimBus::record(3, 0x12345678, bytes(0xA0, 4));
const QByteArray end = SimBus::record(9, 0, QByteArray());

} // namespace

class TestSimFirmware : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { SimBus::isolate(); }
    void init() { QCOMPARE(norvsim_reset(""), 0); }

    void recordChecked_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<quint16>("answer");
        QTest::addColumn<int>("stored"); // data bytes in the flash image
        QTest::addColumn<quint32>("address"); // where the first of them lands
        QTest::addColumn<int>("firstByte");

        QTest::newRow("S0 header") << header << quint16(0x84) << 0 << quint32(0) << 0;
        QTest::newRow("S1") << data1 << quint16(0x84) << 16 << quint32(0x1000) << 0x00;
        QTest::newRow("S2") << data2 << quint16(0x84) << 16 << quint32(0x0E8000) << 0x40;
        QTest::newRow("S3") << data3 << quint16(0x84) << 4 << quint32(0x12345678) << 0xA0;
        QTest::newRow("S9 end") << end << quint16(0x84) << 0 << quint32(0) << 0;
        // Written by hand, so the record builder's checksum is not the only witness.
        QTest::newRow("known S1") << QByteArray("S1137AF00A0A0D0000000000000000000000000061")
                                  << quint16(0x84) << 16 << quint32(0x7AF0) << 0x0A;
        QTest::newRow("lower case")
            << data1.toLower().replace('s', 'S') << quint16(0x84) << 16 << quint32(0x1000) << 0x00;
        QTest::newRow("checksum") << withBadChecksum(data1) << quint16(0x92) << 0 << quint32(0)
                                  << 0;
        QTest::newRow("short") << data1.left(data1.size() - 2) << quint16(0x92) << 0 << quint32(0)
                               << 0;
        QTest::newRow("S4") << QByteArray("S4030000FC") << quint16(0x92) << 0 << quint32(0) << 0;
        QTest::newRow("no S") << QByteArray("X1030000FC") << quint16(0x92) << 0 << quint32(0) << 0;
        QTest::newRow("not hex") << QByteArray("S1030G00FC") << quint16(0x92) << 0 << quint32(0)
                                 << 0;
        QTest::newRow("count below address")
            << QByteArray("S3020000") << quint16(0x92) << 0 << quint32(0) << 0;
        // Command 2 with nothing written since the last record: ready, no effect.
        QTest::newRow("nothing written") << QByteArray() << quint16(0x84) << 0 << quint32(0) << 0;
    }

    void recordChecked()
    {
        QFETCH(QByteArray, text);
        QFETCH(quint16, answer);
        QFETCH(int, stored);
        QFETCH(quint32, address);
        QFETCH(int, firstByte);
        SimBus::writeFloat(m20 + 0x60 + 0x08, 123.0f);
        QCOMPARE(special(), quint16(0)); // outside special mode
        QVERIFY(enterSpecialMode());
        QCOMPARE(special(), quint16(0x80));
        command(3);
        QCOMPARE(special(), quint16(0x81));
        SimBus::sendRecord20(m20, text);
        QCOMPARE(special(), answer);
        QCOMPARE(norvsim_flash_size(m20), stored);
        if (stored)
            QCOMPARE(norvsim_flash_byte(m20, address), firstByte);
        command(1);
        QCOMPARE(special(), quint16(0x81));

        // The record went to the buffer, not into the channel registers it overlays.
        command(7);
        QVERIFY(!inSpecialMode());
        QCOMPARE(SimBus::readFloat(m20 + 0x60 + 0x08), 123.0f);
        QCOMPARE(SimBus::read16(m20 + 0x60 + 0x02), quint16(0));
    }

    void injectedProtocolFaults_data()
    {
        QTest::addColumn<QByteArray>("faults");
        QTest::addColumn<bool>("burnFirst");
        QTest::addColumn<quint16>("pass");
        QTest::addColumn<QList<QByteArray>>("records");
        QTest::addColumn<QList<int>>("answers");

        const QList<QByteArray> file {header, data1};
        QTest::newRow("none") << QByteArray("{}") << true << quint16(4) << file
                              << QList<int> {0x84, 0x84};
        QTest::newRow("compare mismatch") << QByteArray(R"({"compare_mismatch_record": 1})") << true
                                          << quint16(4) << file << QList<int> {0x84, 0x96};
        QTest::newRow("sticky checksum error")
            << QByteArray(R"({"sticky_checksum_error": true})") << false << quint16(3)
            << QList<QByteArray> {withBadChecksum(data1), data1} << QList<int> {0x92, 0x92};
        QTest::newRow("never ready") << QByteArray(R"({"never_ready": true})") << false
                                     << quint16(3) << file << QList<int> {0x81, 0x81};
        QTest::newRow("ignores special mode") << QByteArray(R"({"ignore_special_mode": true})")
                                              << false << quint16(3) << file << QList<int> {0, 0};
    }

    void injectedProtocolFaults()
    {
        QFETCH(QByteArray, faults);
        QFETCH(bool, burnFirst);
        QFETCH(quint16, pass);
        QFETCH(QList<QByteArray>, records);
        QFETCH(QList<int>, answers);
        QTemporaryDir dir;
        QCOMPARE(SimBus::resetTo(
                     dir.filePath("faults.json"),
                     R"({"modules": [{"base": "0x4000", "class": 20, "serial": 1, "faults": )"
                         + faults + "}]}"),
                 0);
        QCOMPARE(enterSpecialMode(), answers[0] != 0);
        if (burnFirst) {
            command(3);
            for (const QByteArray &record : records) {
                SimBus::sendRecord20(m20, record);
                command(1);
            }
            command(6);
        }
        command(pass);
        for (int i = 0; i < records.size(); ++i) {
            SimBus::sendRecord20(m20, records[i]);
            QCOMPARE(int(special()), answers[i]);
            command(1);
        }
    }

    void loaderRestartIsSilentForOneSecond()
    {
        QVERIFY(enterSpecialMode());
        command(14);
        norvsim_advance_ms(999);
        bool ok = true;
        SimBus::read16(m20 + 0x5C, &ok);
        QVERIFY(!ok);
        norvsim_advance_ms(2);
        QCOMPARE(SimBus::read16(m20 + 0x5C, &ok), quint16(0x6E6F));
        QVERIFY(ok);
        QVERIFY(!inSpecialMode());
        QVERIFY(enterSpecialMode()); // as a firmware update does next
    }
};

QTEST_GUILESS_MAIN(TestSimFirmware)
#include "tst_simfirmware.moc"
