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

    enum BitList {
        ChannelStatus,
        ChannelEventStatus,
        ChannelControl,
        ModuleStatus,
        ModuleEventStatus,
        ModuleEventMask,
        ModuleControl
    };

private slots:
    // One row per list, so a list wired to the wrong catalogue shows.
    void bitTexts_data()
    {
        QTest::addColumn<int>("list");
        QTest::addColumn<quint32>("word");
        QTest::addColumn<QString>("text");

        QTest::newRow("channel status") << int(ChannelStatus) << 0x0048u << "isON,isCC";
        QTest::newRow("module status, constant bit") << int(ModuleStatus) << 0x0021u << "isADJ,0";
        QTest::newRow("high bits ignored") << int(ChannelStatus) << 0xFFFF0008u << "isON";
        QTest::newRow("reserved bits") << int(ChannelControl) << 0x0003u << "res,res";
        QTest::newRow("channel event") << int(ChannelEventStatus) << 0x2008u << "EON2OFF,ETRIP";
        QTest::newRow("module event")
            << int(ModuleEventStatus) << 0x6400u << "ESFLPngd,ESPLYngd,ETMPngd";
        QTest::newRow("module event mask") << int(ModuleEventMask) << 0x0008u << "MESrvc";
        QTest::newRow("module control") << int(ModuleControl) << 0x4840u << "doCLEAR,1,setKILena";
    }

    void bitTexts()
    {
        QFETCH(int, list);
        QFETCH(quint32, word);
        QFETCH(QString, text);

        const TarnChannelStatusBits c;
        const TarnModuleStatusBits m;
        const QString texts[]
            = {c.statusBitText(word), c.eventStatusBitText(word), c.controlBitText(word),
               m.statusBitText(word), m.eventStatusBitText(word), m.eventMaskBitText(word),
               m.controlBitText(word)};
        const QStringList names[]
            = {c.statusBitNames(word), c.eventStatusBitNames(word), c.controlBitNames(word),
               m.statusBitNames(word), m.eventStatusBitNames(word), m.eventMaskBitNames(word),
               m.controlBitNames(word)};
        QCOMPARE(texts[list], text);
        QCOMPARE(names[list].join(QLatin1Char(',')), text);
    }

    void deviceClasses()
    {
        const QList<QPair<int, QString>> codes {{20, "DC20"}, {35, "DC35"}, {33, ""}, {0, ""}};
        for (const auto &[deviceClass, code] : codes)
            QCOMPARE(DeviceClassTable::typeCode(deviceClass), code);

        // setDeviceClass takes a type code exactly as written, and -1 for anything else.
        const QList<QPair<QString, int>> classes {{"DC20", 20}, {"DC21A", 21}, {"DC70", 70},
                                                  {"dc20", -1}, {"DC33", -1},  {"DC29 ", -1}};
        VmeModule module(nullptr, 0);
        for (const auto &[code, deviceClass] : classes) {
            module.setDeviceClass(QStringLiteral("DC29"));
            module.setDeviceClass(code);
            QCOMPARE(module.deviceClass(), deviceClass);
        }

        // The firmware name comes from the class; once set it is kept.
        module.setDeviceClass(QStringLiteral("DC21A"));
        module.setFirmwareName(module.deviceClass());
        QCOMPARE(module.firmwareName(), "DC21");
        VmeModule unknown(nullptr, 0);
        unknown.setFirmwareName(0);
        QVERIFY(unknown.firmwareName().isEmpty());
        unknown.setFirmwareName(33);
        QCOMPARE(unknown.firmwareName(), "Device Class 33");
        unknown.setFirmwareName(29);
        QCOMPARE(unknown.firmwareName(), "Device Class 33");
    }

    void unitsAndFormatting()
    {
        QLocale::setDefault(QLocale::c());
        TestVmeModule module(nullptr, 0);
        const QList<std::tuple<int, float, QString>> currentUnits {
            {0, 2500.0f, "nA"}, {7, 2.5e-6f, "A"}, {2, 0.0025f, "mA"}}; // mA stays for below
        for (const auto &[index, user, unit] : currentUnits) {
            module.setCurrentUnitIndex(index);
            QCOMPARE(module.siCurrentToUserCurrent(2.5e-6f), user);
            QCOMPARE(module.userCurrentToSiCurrent(user), 2.5e-6f);
            QCOMPARE(module.currentUnit(5), unit);
        }
        QCOMPARE(module.FormatVoltageUnit(1234.56), "1234.6 V");
        QCOMPARE(module.FormatVoltage(1234.56), "1234.6");
        QCOMPARE(module.FormatCurrentUnit(0.5), "0.500 mA");
        QCOMPARE(module.FormatCurrent(2.9996), "3.000");

        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        QCOMPARE(module.FormatVoltageUnit(1234.56), "1.234,6 V");
        QCOMPARE(module.FormatCurrent(0.5), "0,500");

        QLocale::setDefault(QLocale::c());
        module.setVoltageUnitIndex(1);
        QCOMPARE(module.FormatVoltageUnit(1234.56), "1.2 kV");
        QCOMPARE(module.voltageUnit(3), "kV");
    }
};

QTEST_GUILESS_MAIN(TestCatalogues)
#include "tst_catalogues.moc"
