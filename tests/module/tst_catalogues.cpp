// Bit catalogues, device classes and value formatting: the texts the rest of
// the program shows for a module's words, kinds and values.

#include "DeviceClassTable.h"
#include "TarnChannelStatusBits.h"
#include "TarnModuleStatusBits.h"
#include "TestVmeModule.h"

#include <QtTest>

class TestCatalogues : public QObject
{
    Q_OBJECT

private slots:
    void everyListHas16Entries();
    void entriesMatchTheBitsTheModuleSets();
    void bitTexts_data();
    void bitTexts();
    void typeCodeOfClass_data();
    void typeCodeOfClass();
    void classOfTypeCode_data();
    void classOfTypeCode();
    void setFirmwareName();
    void formatting_data();
    void formatting();
    void formattingFollowsTheLocale();
    void kilovolts();
};

void TestCatalogues::everyListHas16Entries()
{
    const TarnModuleStatusBits module;
    const TarnChannelStatusBits channel;
    const QList<QStringList> lists {module.statusBits(),    module.eventStatusBits(),
                                    module.eventMaskBits(), module.controlBits(),
                                    channel.statusBits(),   channel.eventStatusBits(),
                                    channel.controlBits()};
    for (const QStringList &list : lists)
        QCOMPARE(list.size(), 16);

    QCOMPARE(module.statusBits().at(5), QStringLiteral("0"));
    QCOMPARE(module.controlBits().at(11), QStringLiteral("1"));
    QCOMPARE(channel.statusBits().last(), QStringLiteral("isVLIM"));
    QCOMPARE(module.eventMaskBits().at(14), QStringLiteral("METMPngd"));
}

void TestCatalogues::entriesMatchTheBitsTheModuleSets()
{
    const TarnModuleStatusBits module;
    const TarnChannelStatusBits channel;
    QCOMPARE(channel.controlBits().at(3), QStringLiteral("setON"));
    QCOMPARE(channel.controlBits().at(5), QStringLiteral("setEMCY"));
    QCOMPARE(module.controlBits().at(6), QStringLiteral("doCLEAR"));
    QCOMPARE(module.controlBits().at(14), QStringLiteral("setKILena"));
}

void TestCatalogues::bitTexts_data()
{
    QTest::addColumn<QString>("list");
    QTest::addColumn<quint32>("word");
    QTest::addColumn<QString>("text");

    QTest::newRow("channel status 0x0048") << "channel status" << 0x0048u << "isON,isCC";
    QTest::newRow("module status 0x0021") << "module status" << 0x0021u << "isADJ,0";
    QTest::newRow("module control 0x4040") << "module control" << 0x4040u << "doCLEAR,setKILena";
    QTest::newRow("word 0") << "channel status" << 0u << "";
    QTest::newRow("high bits ignored") << "channel status" << 0xFFFF0008u << "isON";
    QTest::newRow("only high bits") << "module control" << 0x80000000u << "";
    QTest::newRow("reserved bits show") << "channel control" << 0x0003u << "res,res";
    QTest::newRow("channel event") << "channel event status" << 0x2008u << "EON2OFF,ETRIP";
    QTest::newRow("module event") << "module event status" << 0x6400u
                                  << "ESFLPngd,ESPLYngd,ETMPngd";
    QTest::newRow("module event mask") << "module event mask" << 0x0008u << "MESrvc";
    QTest::newRow("module control 1") << "module control" << 0x0800u << "1";
}

void TestCatalogues::bitTexts()
{
    QFETCH(QString, list);
    QFETCH(quint32, word);
    QFETCH(QString, text);

    const TarnModuleStatusBits module;
    const TarnChannelStatusBits channel;
    QString actual;
    QStringList names;
    if (list == "channel status") {
        actual = channel.statusBitText(word);
        names = channel.statusBitNames(word);
    } else if (list == "channel event status") {
        actual = channel.eventStatusBitText(word);
        names = channel.eventStatusBitNames(word);
    } else if (list == "channel control") {
        actual = channel.controlBitText(word);
        names = channel.controlBitNames(word);
    } else if (list == "module status") {
        actual = module.statusBitText(word);
        names = module.statusBitNames(word);
    } else if (list == "module event status") {
        actual = module.eventStatusBitText(word);
        names = module.eventStatusBitNames(word);
    } else if (list == "module event mask") {
        actual = module.eventMaskBitText(word);
        names = module.eventMaskBitNames(word);
    } else {
        actual = module.controlBitText(word);
        names = module.controlBitNames(word);
    }
    QCOMPARE(actual, text);
    QCOMPARE(names.join(QLatin1Char(',')), text);
}

void TestCatalogues::typeCodeOfClass_data()
{
    QTest::addColumn<int>("deviceClass");
    QTest::addColumn<QString>("code");

    QTest::newRow("20") << 20 << "DC20";
    QTest::newRow("21") << 21 << "DC21";
    QTest::newRow("29") << 29 << "DC29";
    QTest::newRow("32") << 32 << "DC32";
    QTest::newRow("33 unknown") << 33 << "";
    QTest::newRow("34 unknown") << 34 << "";
    QTest::newRow("35") << 35 << "DC35";
    QTest::newRow("41") << 41 << "DC41";
    QTest::newRow("60") << 60 << "DC60";
    QTest::newRow("90") << 90 << "DC90";
    QTest::newRow("0") << 0 << "";
}

void TestCatalogues::typeCodeOfClass()
{
    QFETCH(int, deviceClass);
    QFETCH(QString, code);
    QCOMPARE(DeviceClassTable::typeCode(deviceClass), code);
}

void TestCatalogues::classOfTypeCode_data()
{
    QTest::addColumn<QString>("code");
    QTest::addColumn<int>("deviceClass");

    QTest::newRow("DC20") << "DC20" << 20;
    QTest::newRow("DC21A") << "DC21A" << 21;
    QTest::newRow("DC21") << "DC21" << 21;
    QTest::newRow("DC70") << "DC70" << 70;
    QTest::newRow("lower case") << "dc20" << -1;
    QTest::newRow("DC33") << "DC33" << -1;
    QTest::newRow("empty") << "" << -1;
    QTest::newRow("trailing blank") << "DC29 " << -1;
}

void TestCatalogues::classOfTypeCode()
{
    QFETCH(QString, code);
    QFETCH(int, deviceClass);

    TestVmeModule module(nullptr, 0);
    module.setDeviceClass(QStringLiteral("DC29"));
    module.setDeviceClass(code);
    QCOMPARE(module.deviceClass(), deviceClass);
}

void TestCatalogues::setFirmwareName()
{
    TestVmeModule module(nullptr, 0);
    module.setFirmwareName(0);
    QVERIFY(module.firmwareName().isEmpty());

    module.setDeviceClass(QStringLiteral("DC21A"));
    module.setFirmwareName(module.deviceClass());
    QCOMPARE(module.firmwareName(), QStringLiteral("DC21"));

    TestVmeModule unknown(nullptr, 0);
    unknown.setFirmwareName(33);
    QCOMPARE(unknown.firmwareName(), QStringLiteral("Device Class 33"));
    unknown.setFirmwareName(29);
    QCOMPARE(unknown.firmwareName(), QStringLiteral("Device Class 33"));
}

void TestCatalogues::formatting_data()
{
    QTest::addColumn<QByteArray>("operation");
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("text");

    QTest::newRow("voltage unit") << QByteArray("FormatVoltageUnit") << 1234.56 << "1234.6 V";
    QTest::newRow("voltage") << QByteArray("FormatVoltage") << 1234.56 << "1234.6";
    QTest::newRow("current unit") << QByteArray("FormatCurrentUnit") << 0.5 << "0.500 mA";
    QTest::newRow("current rounding") << QByteArray("FormatCurrent") << 2.9996 << "3.000";
}

void TestCatalogues::formatting()
{
    QFETCH(QByteArray, operation);
    QFETCH(double, value);
    QFETCH(QString, text);

    QLocale::setDefault(QLocale::c());
    TestVmeModule module(nullptr, 0);
    QString actual;
    QVERIFY(QMetaObject::invokeMethod(&module, operation.constData(), Qt::DirectConnection,
                                      Q_RETURN_ARG(QString, actual), Q_ARG(double, value)));
    QCOMPARE(actual, text);
}

void TestCatalogues::formattingFollowsTheLocale()
{
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    TestVmeModule module(nullptr, 0);
    QCOMPARE(module.FormatVoltageUnit(1234.56), QStringLiteral("1.234,6 V"));
    QCOMPARE(module.FormatCurrent(0.5), QStringLiteral("0,500"));
    QLocale::setDefault(QLocale::c());
}

void TestCatalogues::kilovolts()
{
    QLocale::setDefault(QLocale::c());
    TestVmeModule module(nullptr, 0);
    module.setVoltageUnitIndex(1);
    QCOMPARE(module.FormatVoltageUnit(1234.56), QStringLiteral("1.2 kV"));
    QCOMPARE(module.voltageUnit(3), QStringLiteral("kV"));
}

QTEST_GUILESS_MAIN(TestCatalogues)
#include "tst_catalogues.moc"
