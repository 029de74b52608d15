// Special mode of the simulated layout-20 module: the S-record checks and
// the record protocol's answers, the injected protocol faults and the loader
// restart. Whole burn, verify and compare passes run through the window in
// tests/app, base-address programming through the adapters in tests/integration.

#include "SimBus.h"

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

using FirmwareRecords::record;
const QByteArray header = record(0, 0, "norv 2.5.0.1");
const QByteArray data1 = record(1, 0x1000, bytes(0, 16));

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
        QTest::addColumn<int>("stored"); // data bytes in the flash image; -1: refused (0x92)
        QTest::addColumn<quint32>("address"); // where the first of them lands
        QTest::addColumn<int>("firstByte");
        auto row = [](const char *name, const QByteArray &text, int stored = 0, quint32 address = 0,
                      int firstByte = 0) {
            QTest::newRow(name) << text << stored << address << firstByte;
        };

        // S0 and S2 records are burnt end to end through the window in tests/app.
        row("S3", record(3, 0x12345678, bytes(0xA0, 4)), 4, 0x12345678, 0xA0);
        row("S9 end", record(9, 0, {}));
        // Written by hand, so the record builder's checksum is not the only witness.
        row("known S1", "S1137AF00A0A0D0000000000000000000000000061", 16, 0x7AF0, 0x0A);
        row("lower case", data1.toLower().replace('s', 'S'), 16, 0x1000, 0x00);
        row("checksum", record(1, 0x1000, bytes(0, 16), true), -1);
        row("short", data1.left(data1.size() - 2), -1);
        row("S4", "S4030000FC", -1);
        row("no S", "X1030000FC", -1);
        row("not hex", "S1030G00FC", -1);
        row("count below address", "S3020000", -1);
        // Command 2 with nothing written since the last record: ready, no effect.
        row("nothing written", QByteArray());
    }

    void recordChecked()
    {
        QFETCH(QByteArray, text);
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
        QCOMPARE(special(), quint16(stored < 0 ? 0x92 : 0x84));
        QCOMPARE(norvsim_flash_size(m20), qMax(stored, 0));
        if (stored > 0)
            QCOMPARE(norvsim_flash_byte(m20, address), firstByte);
        command(1);
        QCOMPARE(special(), quint16(0x81));

        // The record went to the buffer, not into the channel registers it overlays.
        command(7);
        QVERIFY(!inSpecialMode());
        QCOMPARE(SimBus::readFloat(m20 + 0x60 + 0x08), 123.0f);
        QCOMPARE(SimBus::read16(m20 + 0x60 + 0x02), quint16(0));
    }

    // A clean pass, a real difference and a sticky checksum error run end to end
    // through the window in tests/app.
    void injectedProtocolFaults_data()
    {
        QTest::addColumn<QByteArray>("fault");
        QTest::addColumn<quint16>("pass");
        QTest::addColumn<QList<QByteArray>>("records");
        QTest::addColumn<QList<int>>("answers");

        const QList<QByteArray> file {header, data1};
        QTest::newRow("compare mismatch") << QByteArray(R"("compare_mismatch_record": 1)")
                                          << quint16(4) << file << QList<int> {0x84, 0x96};
        QTest::newRow("never ready") << QByteArray(R"("never_ready": true)") << quint16(3) << file
                                     << QList<int> {0x81, 0x81};
        QTest::newRow("ignores special mode") << QByteArray(R"("ignore_special_mode": true)")
                                              << quint16(3) << file << QList<int> {0, 0};
    }

    void injectedProtocolFaults()
    {
        QFETCH(QByteArray, fault);
        QFETCH(quint16, pass);
        QFETCH(QList<QByteArray>, records);
        QFETCH(QList<int>, answers);
        QTemporaryDir dir;
        QCOMPARE(SimBus::resetTo(dir.filePath("faults.json"),
                                 R"({"modules": [{"base": "0x4000", "class": 20, "serial": 1,
                                     "faults": {)"
                                     + fault + "}}]}"),
                 0);
        QCOMPARE(enterSpecialMode(), answers[0] != 0);
        if (pass == 4) { // a compare needs something burnt to compare with
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
