// Special mode of the simulated modules: the firmware-record protocol, the
// restart commands and base-address programming, through D16 cycles; and the
// S-record checker itself.

#include "SRecord.h"
#include "SimBus.h"
#include "norvsim.h"

#include <QTemporaryDir>
#include <QTest>

namespace {

constexpr quint32 m20 = 0x4000;
constexpr quint32 m29 = 0x8000;

quint16 special20(quint32 base = m20) { return SimBus::read16(base + 0x3B0); }

void command20(quint16 command, quint32 base = m20) { SimBus::write16(base + 0x3B2, command); }

quint32 special29() { return SimBus::read32(m29 + 0xAC); }

void command29(quint32 command) { SimBus::write32(m29 + 0xB0, command); }

bool inSpecialMode20(quint32 base = m20) { return SimBus::read16(base + 0x00) & 0x0040; }

QByteArray bytes(int from, int count)
{
    QByteArray b;
    for (int i = 0; i < count; ++i)
        b.append(char(from + i));
    return b;
}

const QByteArray header = SimBus::record(0, 0, "norv 2.5.0.1");
const QByteArray data1 = SimBus::record(1, 0x1000, bytes(0, 16));
const QByteArray data2 = SimBus::record(2, 0x0E8000, bytes(0x40, 16));
const QByteArray data3 = SimBus::record(3, 0x12345678, bytes(0xA0, 4));
const QByteArray end = SimBus::record(9, 0, QByteArray());
const QList<QByteArray> file {header, data1, data2, data3, end};

} // namespace

class TestSimFirmware : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();

    void recordChecker_data();
    void recordChecker();
    void releaseInHeader_data();
    void releaseInHeader();

    void burnVerifyAndReleaseLayout20();
    void badRecordsAnswerChecksumError();
    void compareFindsDifferences();
    void releaseOnlyAfterCompletedBurn();
    void bufferLeavesChannelRegisters();
    void layout29RecordsCompleteByTheirCount();
    void loaderRestartIsSilentForOneSecond();
    void baseAddressProgrammingAndRestart();
    void layout29BaseAddressNeedsItsWindow();
    void injectedProtocolFaults();
};

void TestSimFirmware::initTestCase()
{
    qputenv("NORV_SIM_TIMESCALE", "0");
    for (const char *name :
         {"NORV_SIM_CRATE", "NORV_SIM_NO_BRIDGE", "NORV_SIM_TRACE", "NORV_SIM_LATENCY_US"})
        qunsetenv(name);
}

void TestSimFirmware::init() { QCOMPARE(norvsim_reset(""), 0); }

void TestSimFirmware::recordChecker_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<int>("type");
    QTest::addColumn<quint32>("address");
    QTest::addColumn<int>("dataBytes");

    QTest::newRow("S1") << data1 << 1 << quint32(0x1000) << 16;
    QTest::newRow("S2") << data2 << 2 << quint32(0x0E8000) << 16;
    QTest::newRow("S3") << data3 << 3 << quint32(0x12345678) << 4;
    QTest::newRow("S9") << end << 9 << quint32(0) << 0;
    QTest::newRow("known S1") << QByteArray("S1137AF00A0A0D0000000000000000000000000061") << 1
                              << quint32(0x7AF0) << 16;
    QTest::newRow("lower case") << data1.toLower().replace('s', 'S') << 1 << quint32(0x1000) << 16;
    QTest::newRow("padding ignored") << data1 + "000" << 1 << quint32(0x1000) << 16;
    QByteArray badSum = data1;
    badSum[badSum.size() - 1] = badSum.endsWith('0') ? '1' : '0';
    QTest::newRow("checksum") << badSum << -1 << quint32(0) << 0;
    QTest::newRow("short") << data1.left(data1.size() - 2) << -1 << quint32(0) << 0;
    QTest::newRow("S4") << QByteArray("S4030000FC") << -1 << quint32(0) << 0;
    QTest::newRow("no S") << QByteArray("X1030000FC") << -1 << quint32(0) << 0;
    QTest::newRow("not hex") << QByteArray("S1030G00FC") << -1 << quint32(0) << 0;
    QTest::newRow("count below address") << QByteArray("S3020000") << -1 << quint32(0) << 0;
    QTest::newRow("empty") << QByteArray() << -1 << quint32(0) << 0;
}

void TestSimFirmware::recordChecker()
{
    QFETCH(QByteArray, text);
    QFETCH(int, type);
    QFETCH(quint32, address);
    QFETCH(int, dataBytes);
    const auto record = SRecord::parse(text.toStdString());
    QCOMPARE(record.has_value(), type >= 0);
    if (!record)
        return;
    QCOMPARE(record->type(), type);
    QCOMPARE(record->address(), address);
    QCOMPARE(int(record->data().size()), dataBytes);
}

void TestSimFirmware::releaseInHeader_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<quint32>("release"); // 0: none

    QTest::newRow("named") << QByteArray("norv 2.5.0.1") << quint32(0x02050001);
    QTest::newRow("bare") << QByteArray("12.0.255.7") << quint32(0x0C00FF07);
    QTest::newRow("three numbers") << QByteArray("norv 2.5.1") << quint32(0);
    QTest::newRow("five numbers") << QByteArray("1.2.3.4.5") << quint32(0);
    QTest::newRow("byte overflow") << QByteArray("1.2.3.256") << quint32(0);
    QTest::newRow("no numbers") << QByteArray("firmware") << quint32(0);
}

void TestSimFirmware::releaseInHeader()
{
    QFETCH(QByteArray, text);
    QFETCH(quint32, release);
    const auto bytes
        = SRecord::releaseInHeader(std::vector<std::uint8_t>(text.begin(), text.end()));
    QCOMPARE(bytes.has_value(), release != 0);
    if (bytes)
        QCOMPARE(quint32((*bytes)[0]) << 24 | quint32((*bytes)[1]) << 16 | quint32((*bytes)[2]) << 8
                     | (*bytes)[3],
                 release);
}

void TestSimFirmware::burnVerifyAndReleaseLayout20()
{
    QCOMPARE(special20(), quint16(0)); // outside special mode
    SimBus::write16(m20 + 0x02, 0x0005);
    QVERIFY(inSpecialMode20());
    QCOMPARE(special20(), quint16(0x80));
    command20(3);
    QCOMPARE(SimBus::read16(m20 + 0x3B2), quint16(3));
    QCOMPARE(special20(), quint16(0x81));
    for (const QByteArray &record : file) {
        SimBus::sendRecord20(m20, record);
        QCOMPARE(special20(), quint16(0x84));
        QCOMPARE(SimBus::read16(m20 + 0x3B2), quint16(2));
        command20(1);
        QCOMPARE(special20(), quint16(0x81));
    }
    QCOMPARE(norvsim_flash_size(m20), 36);
    QCOMPARE(norvsim_flash_byte(m20, 0x1000), 0);
    QCOMPARE(norvsim_flash_byte(m20, 0x100F), 15);
    QCOMPARE(norvsim_flash_byte(m20, 0x0E800F), 0x4F);
    QCOMPARE(norvsim_flash_byte(m20, 0x12345679), 0xA1);
    QCOMPARE(norvsim_flash_byte(m20, 0x0), -1);

    command20(5);
    QCOMPARE(special20(), quint16(0x81));
    for (const QByteArray &record : file) {
        SimBus::sendRecord20(m20, record);
        QCOMPARE(special20(), quint16(0x84));
        command20(1);
    }
    command20(6);
    QCOMPARE(special20(), quint16(0x84));
    QCOMPARE(SimBus::read32(m20 + 0x38), quint32(0x01020304));
    command20(7);
    QVERIFY(!inSpecialMode20());
    QCOMPARE(SimBus::read16(m20 + 0x3B2), quint16(7));
    QCOMPARE(SimBus::read16(m20 + 0x02), quint16(0)); // restarted in normal mode
    QCOMPARE(SimBus::read32(m20 + 0x38), quint32(0x02050001));
}

void TestSimFirmware::badRecordsAnswerChecksumError()
{
    SimBus::write16(m20 + 0x02, 0x0005);
    command20(3);
    QByteArray badSum = data1;
    badSum[badSum.size() - 1] = badSum.endsWith('0') ? '1' : '0';
    const QList<QByteArray> bad {badSum, data1.left(data1.size() - 2), "S4030000FC", "hello"};
    for (const QByteArray &record : bad) {
        SimBus::sendRecord20(m20, record);
        QCOMPARE(special20(), quint16(0x92));
        command20(1);
        QCOMPARE(special20(), quint16(0x81));
    }
    QCOMPARE(norvsim_flash_size(m20), 0);
    SimBus::sendRecord20(m20, data1);
    QCOMPARE(special20(), quint16(0x84));
    QCOMPARE(norvsim_flash_size(m20), 16);
    // Command 2 with nothing written since the last record: ready, no effect.
    command20(1);
    command20(2);
    QCOMPARE(special20(), quint16(0x84));
    QCOMPARE(norvsim_flash_size(m20), 16);
}

void TestSimFirmware::compareFindsDifferences()
{
    SimBus::write16(m20 + 0x02, 0x0005);
    command20(3);
    SimBus::sendRecord20(m20, data1);
    command20(6);
    command20(4);
    QCOMPARE(special20(), quint16(0x81));
    SimBus::sendRecord20(m20, data1);
    QCOMPARE(special20(), quint16(0x84));
    command20(1);
    QByteArray changed = bytes(0, 16);
    changed[7] = 'x';
    SimBus::sendRecord20(m20, SimBus::record(1, 0x1000, changed));
    QCOMPARE(special20(), quint16(0x96));
    command20(1);
    QCOMPARE(special20(), quint16(0x81));
    SimBus::sendRecord20(m20, data2); // never burnt
    QCOMPARE(special20(), quint16(0x96));
    command20(1);
    SimBus::sendRecord20(m20, header); // headers are only checked
    QCOMPARE(special20(), quint16(0x84));
    QCOMPARE(norvsim_flash_size(m20), 16);
}

void TestSimFirmware::releaseOnlyAfterCompletedBurn()
{
    // Burn without post flash: the restart keeps the old release.
    SimBus::write16(m20 + 0x02, 0x0005);
    command20(3);
    SimBus::sendRecord20(m20, header);
    command20(1);
    SimBus::sendRecord20(m20, data1);
    command20(7);
    QCOMPARE(SimBus::read32(m20 + 0x38), quint32(0x01020304));
    // A compare pass never changes the release either.
    SimBus::write16(m20 + 0x02, 0x0005);
    QVERIFY(inSpecialMode20());
    command20(4);
    SimBus::sendRecord20(m20, header);
    command20(6);
    command20(7);
    QCOMPARE(SimBus::read32(m20 + 0x38), quint32(0x01020304));
}

void TestSimFirmware::bufferLeavesChannelRegisters()
{
    SimBus::writeFloat(m20 + 0x60 + 0x08, 123.0f);
    SimBus::writeFloat(m20 + 0x90 + 0x08, 456.0f);
    SimBus::write16(m20 + 0x02, 0x0005);
    command20(3);
    SimBus::sendRecord20(m20, data2); // 44 characters: reaches channel 0's set values
    QCOMPARE(special20(), quint16(0x84));
    QCOMPARE(SimBus::readFloat(m20 + 0x60 + 0x08), 123.0f);
    command20(7);
    QCOMPARE(SimBus::readFloat(m20 + 0x60 + 0x08), 123.0f);
    QCOMPARE(SimBus::readFloat(m20 + 0x90 + 0x08), 456.0f);
    QCOMPARE(SimBus::read16(m20 + 0x60 + 0x02), quint16(0));
}

void TestSimFirmware::layout29RecordsCompleteByTheirCount()
{
    SimBus::write32(m29 + 0x0C, 0x0005);
    QVERIFY(SimBus::read32(m29) & 0x0040);
    QCOMPARE(special29(), quint32(0x80));
    command29(3);
    QCOMPARE(SimBus::read32(m29 + 0xB0), quint32(3));
    QCOMPARE(special29(), quint32(0x81));
    // Only part of a record: still waiting.
    SimBus::write32(m29 + 0x100, 0x53313133); // "S113"
    QCOMPARE(special29(), quint32(0x81));
    for (const QByteArray &record : file) {
        SimBus::sendRecord29(m29, record);
        QCOMPARE(special29(), quint32(0x84));
        command29(1);
        QCOMPARE(special29(), quint32(0x81));
    }
    QCOMPARE(norvsim_flash_size(m29), 36);
    QByteArray badSum = data2;
    badSum[badSum.size() - 1] = badSum.endsWith('0') ? '1' : '0';
    SimBus::sendRecord29(m29, badSum);
    QCOMPARE(special29(), quint32(0x92));
    command29(1);
    command29(5);
    for (const QByteArray &record : file) {
        SimBus::sendRecord29(m29, record);
        QCOMPARE(special29(), quint32(0x84));
        command29(1);
    }
    command29(6);
    QCOMPARE(special29(), quint32(0x84));
    command29(7);
    QVERIFY(!(SimBus::read32(m29) & 0x0040));
    QCOMPARE(SimBus::read32(m29 + 0x34), quint32(0x02050001));
    QCOMPARE(norvsim_torn_access_count(), 0);
}

void TestSimFirmware::loaderRestartIsSilentForOneSecond()
{
    SimBus::write16(m20 + 0x02, 0x0005);
    QVERIFY(inSpecialMode20());
    command20(14);
    bool ok = true;
    SimBus::read16(m20 + 0x5C, &ok);
    QVERIFY(!ok);
    norvsim_advance_ms(999);
    SimBus::read16(m20 + 0x5C, &ok);
    QVERIFY(!ok);
    norvsim_advance_ms(2);
    QCOMPARE(SimBus::read16(m20 + 0x5C, &ok), quint16(0x6E6F));
    QVERIFY(ok);
    QVERIFY(!inSpecialMode20());
    QCOMPARE(SimBus::read16(m20 + 0x02), quint16(0));
    // Special mode can be entered again, as a firmware update does next.
    SimBus::write16(m20 + 0x02, 0x0005);
    QVERIFY(inSpecialMode20());
}

void TestSimFirmware::baseAddressProgrammingAndRestart()
{
    SimBus::write16(m20 + 0x3A0, 0x6000);
    SimBus::write16(m20 + 0x3A2, 0x1234); // wrong complement
    QCOMPARE(SimBus::read16(m20 + 0x3A6), quint16(0x4000));
    QCOMPARE(SimBus::read16(m20 + 0x3A0), quint16(0x6000));

    SimBus::write16(m20 + 0x3A0, 0x5000);
    SimBus::write16(m20 + 0x3A2, 0xAFFF);
    QCOMPARE(SimBus::read16(m20 + 0x3A6), quint16(0x5000));
    QCOMPARE(SimBus::read16(m20 + 0x3A0), quint16(0x5000));
    QCOMPARE(norvsim_eeprom_base(m20), 0x5000);

    // Still at the old address, also after command 9 outside special mode.
    command20(9);
    bool ok = false;
    QCOMPARE(SimBus::read16(m20 + 0x3E, &ok), quint16(20));
    QVERIFY(ok);
    SimBus::read16(0x5000 + 0x3E, &ok);
    QVERIFY(!ok);

    SimBus::write16(m20 + 0x02, 0x0005);
    QVERIFY(inSpecialMode20());
    command20(9);
    SimBus::read16(m20 + 0x3E, &ok);
    QVERIFY(!ok);
    QCOMPARE(SimBus::read16(0x5000 + 0x3E, &ok), quint16(20));
    QVERIFY(ok);
    QCOMPARE(SimBus::read32(0x5000 + 0x34), quint32(4711));
    QVERIFY(!inSpecialMode20(0x5000));
    QCOMPARE(norvsim_module_base(0), 0x5000);

    // Moved onto another module: both answer, so nobody does.
    SimBus::write16(0x5000 + 0x3A0, 0xC000);
    SimBus::write16(0x5000 + 0x3A2, 0x3FFF);
    SimBus::write16(0x5000 + 0x02, 0x0005);
    command20(9, 0x5000);
    SimBus::read16(0xC000 + 0x3E, &ok);
    QVERIFY(!ok);
}

void TestSimFirmware::layout29BaseAddressNeedsItsWindow()
{
    SimBus::write16(m29 + 0xA0, 0x8400); // a class-29 window spans 0x800
    SimBus::write16(m29 + 0xA2, 0x7BFF);
    QCOMPARE(SimBus::read16(m29 + 0xA8), quint16(0x8000));
    SimBus::write16(m29 + 0xA0, 0x9000);
    SimBus::write16(m29 + 0xA2, 0x6FFF);
    QCOMPARE(SimBus::read16(m29 + 0xA8), quint16(0x9000));
    SimBus::write32(m29 + 0x0C, 0x0005);
    command29(9);
    QCOMPARE(SimBus::read16(0x9000 + 0x3E), quint16(29));
}

void TestSimFirmware::injectedProtocolFaults()
{
    QTemporaryDir dir;
    const QString path = SimBus::writeFile(dir.path(), "faults.json", R"({
      "modules": [
        {"base": "0x0000", "class": 20, "serial": 1,
         "faults": {"checksum_errors": [{"record": 1, "times": 2}]}},
        {"base": "0x0400", "class": 20, "serial": 2, "faults": {"sticky_checksum_error": true}},
        {"base": "0x0800", "class": 20, "serial": 3, "faults": {"never_ready": true}},
        {"base": "0x0C00", "class": 20, "serial": 4, "faults": {"ignore_special_mode": true}},
        {"base": "0x1000", "class": 20, "serial": 5, "faults": {"compare_mismatch_record": 1}}
      ]})");
    QCOMPARE(norvsim_reset(path.toUtf8().constData()), 0);
    for (quint32 base : {0x0000u, 0x0400u, 0x0800u, 0x1000u}) {
        SimBus::write16(base + 0x02, 0x0005);
        QVERIFY(inSpecialMode20(base));
    }

    // Record 1 is answered 0x92 on its first two transmissions.
    command20(3, 0x0000);
    SimBus::sendRecord20(0x0000, header);
    QCOMPARE(special20(0x0000), quint16(0x84));
    command20(1, 0x0000);
    for (int attempt = 0; attempt < 2; ++attempt) {
        SimBus::sendRecord20(0x0000, data1);
        QCOMPARE(special20(0x0000), quint16(0x92));
        command20(1, 0x0000);
    }
    SimBus::sendRecord20(0x0000, data1);
    QCOMPARE(special20(0x0000), quint16(0x84));

    // Once 0x92, always 0x92.
    command20(3, 0x0400);
    SimBus::sendRecord20(0x0400, "S1030000FB");
    QCOMPARE(special20(0x0400), quint16(0x92));
    command20(1, 0x0400);
    SimBus::sendRecord20(0x0400, data1);
    QCOMPARE(special20(0x0400), quint16(0x92));

    // Never leaves 0x81.
    command20(3, 0x0800);
    SimBus::sendRecord20(0x0800, data1);
    QCOMPARE(special20(0x0800), quint16(0x81));
    command20(6, 0x0800);
    QCOMPARE(special20(0x0800), quint16(0x81));

    // Ignores special mode altogether.
    SimBus::write16(0x0C00 + 0x02, 0x0005);
    QVERIFY(!inSpecialMode20(0x0C00));
    QVERIFY(SimBus::read16(0x0C00) & 0x0004); // stop mode still works

    // Compare mismatch at record 1, whatever the flash holds.
    command20(3, 0x1000);
    SimBus::sendRecord20(0x1000, header);
    command20(1, 0x1000);
    SimBus::sendRecord20(0x1000, data1);
    command20(6, 0x1000);
    command20(4, 0x1000);
    SimBus::sendRecord20(0x1000, header);
    QCOMPARE(special20(0x1000), quint16(0x84));
    command20(1, 0x1000);
    SimBus::sendRecord20(0x1000, data1);
    QCOMPARE(special20(0x1000), quint16(0x96));
}

QTEST_GUILESS_MAIN(TestSimFirmware)
#include "tst_simfirmware.moc"
