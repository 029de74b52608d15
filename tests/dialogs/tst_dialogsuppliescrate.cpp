// The two display dialogs: supplies, temperature and limits on LCDs, and the
// crate list with its selection rule and power button.
#include "DialogCrate.h"
#include "DialogSuppliesTempLimits.h"
#include "DialogTestTools.h"

#include <QLCDNumber>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSignalSpy>
#include <QtTest>

using namespace DialogTestTools;

Q_DECLARE_METATYPE(DialogCrate::UpdateKind)

class TestDialogSuppliesCrate : public QObject
{
    Q_OBJECT

private slots:
    // ---- supplies, temperature and limits

    void suppliesShowTheLastValueOfEachQuantity()
    {
        DialogSuppliesTempLimits dialog;
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Supplies, Temperature and Limits"));
        struct Row
        {
            const char *lcd, *label, *text;
            int digits;
        };
        const Row rows[] = {{"lcdP5", "lblP5", "Vcc +5 (V)", 4},
                            {"lcdP12", "lblP12", "Vcc +12 / +24 (V)", 4},
                            {"lcdN12", "lblN12", "Vcc -12 (V)", 4},
                            {"lcdVmax", "lblVmax", "Vmax (% of Vnominal)", 4},
                            {"lcdImax", "lblImax", "Imax (% of Inominal)", 4},
                            {"lcdTemp", "lblTemp", "Temperature (\u00b0C)", 5}};
        for (const Row &row : rows) {
            auto *lcd = child<QLCDNumber>(&dialog, row.lcd);
            QVERIFY2(lcd, row.lcd);
            QCOMPARE(lcd->digitCount(), row.digits);
            QCOMPARE(lcd->segmentStyle(), QLCDNumber::Flat);
            QCOMPARE(child<QLabel>(&dialog, row.label)->text(), QString::fromUtf8(row.text));
        }

        dialog.updateModuleSupplyP5(1, 5.02f);
        dialog.updateModuleSupplyP12(1, 12.1f);
        dialog.updateModuleSupplyN12(1, -11.9f);
        dialog.updateModuleVoltageHardwareLimit(1, 102.0f);
        dialog.updateModuleCurrentHardwareLimit(1, 98.5f);
        dialog.updateModuleTemperature(1, 31.0f);
        // Another module's value replaces the last one: the serial number is
        // not looked at.
        dialog.updateModuleTemperature(2, 35.5f);
        QCOMPARE(child<QLCDNumber>(&dialog, "lcdP5")->value(), double(5.02f));
        QCOMPARE(child<QLCDNumber>(&dialog, "lcdP12")->value(), double(12.1f));
        QCOMPARE(child<QLCDNumber>(&dialog, "lcdN12")->value(), double(-11.9f));
        QCOMPARE(child<QLCDNumber>(&dialog, "lcdVmax")->value(), 102.0);
        QCOMPARE(child<QLCDNumber>(&dialog, "lcdImax")->value(), 98.5);
        QCOMPARE(child<QLCDNumber>(&dialog, "lcdTemp")->value(), 35.5);
    }

    // ---- crates

    void classifyUpdates_data()
    {
        QTest::addColumn<QList<int>>("known");
        QTest::addColumn<int>("currentRow");
        QTest::addColumn<int>("serial");
        QTest::addColumn<DialogCrate::UpdateKind>("kind");
        QTest::newRow("empty list") << QList<int> {} << -1 << 7 << DialogCrate::UpdateKind::New;
        QTest::newRow("selected") << QList<int> {7, 9} << 1 << 9
                                  << DialogCrate::UpdateKind::Selected;
        QTest::newRow("listed") << QList<int> {7, 9} << 1 << 7 << DialogCrate::UpdateKind::Listed;
        QTest::newRow("no current row")
            << QList<int> {7} << -1 << 7 << DialogCrate::UpdateKind::Listed;
        QTest::newRow("unknown") << QList<int> {7, 9} << 0 << 8 << DialogCrate::UpdateKind::New;
    }
    void classifyUpdates()
    {
        QFETCH(QList<int>, known);
        QFETCH(int, currentRow);
        QFETCH(int, serial);
        QFETCH(DialogCrate::UpdateKind, kind);
        QCOMPARE(DialogCrate::classify(known, currentRow, serial), kind);
    }

    void firstUpdateListsTheCrateSecondFillsIt()
    {
        DialogCrate dialog;
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Dialog"));
        auto *list = child<QListWidget>(&dialog, "crateList");
        auto *supply = child<QLineEdit>(&dialog, "txtSupply5");
        QVERIFY(supply->isReadOnly());

        dialog.updateSupply5V(301, 5.1f);
        QCOMPARE(list->count(), 1);
        QCOMPARE(list->item(0)->text(), QStringLiteral("301"));
        QCOMPARE(list->currentRow(), 0);
        QVERIFY(supply->text().isEmpty());

        dialog.updateSupply5V(301, 5.123456f);
        QCOMPARE(supply->text(), QStringLiteral("5.12346"));
        dialog.updateSupply24V(301, 24.0f);
        dialog.updateBattery24V(301, 23.5f);
        dialog.updateTemperatureBackPlane(301, 28.25f);
        dialog.updateTemperaturePowerSupply(301, 40.0f);
        dialog.updateStatus(301, 17);
        QCOMPARE(child<QLineEdit>(&dialog, "txtSupply24")->text(), QStringLiteral("24"));
        QCOMPARE(child<QLineEdit>(&dialog, "txtBattery24")->text(), QStringLiteral("23.5"));
        QCOMPARE(child<QLineEdit>(&dialog, "txtTempBackPlane")->text(), QStringLiteral("28.25"));
        QCOMPARE(child<QLineEdit>(&dialog, "txtTempPowerSupply")->text(), QStringLiteral("40"));
        QCOMPARE(child<QLineEdit>(&dialog, "txtStatus")->text(), QStringLiteral("17"));
    }

    void otherCratesAreListedButNotShown()
    {
        DialogCrate dialog;
        auto *list = child<QListWidget>(&dialog, "crateList");
        auto *supply = child<QLineEdit>(&dialog, "txtSupply5");
        dialog.updateSupply5V(301, 5.0f);
        dialog.updateSupply5V(301, 5.0f);
        dialog.updateSupply5V(302, 4.0f); // listed, not selected
        QCOMPARE(list->count(), 2);
        QCOMPARE(list->currentRow(), 0);
        dialog.updateSupply5V(302, 4.5f);
        QCOMPARE(supply->text(), QStringLiteral("5"));

        // Choosing the other crate shows its values as they come; until then
        // the fields keep the first crate's.
        list->setCurrentRow(1);
        QCOMPARE(supply->text(), QStringLiteral("5"));
        dialog.updateSupply5V(301, 5.2f);
        QCOMPARE(supply->text(), QStringLiteral("5"));
        dialog.updateSupply5V(302, 4.6f);
        QCOMPARE(supply->text(), QStringLiteral("4.6"));
    }

    void powerButtonOffersTheOppositeState()
    {
        DialogCrate dialog;
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        auto *power = child<QPushButton>(&dialog, "btnPowerOn");
        QCOMPARE(power->text(), QStringLiteral("On"));

        dialog.updatePowerOn(301, true); // lists the crate only
        QCOMPARE(power->text(), QStringLiteral("On"));
        dialog.updatePowerOn(301, true);
        QCOMPARE(power->text(), QStringLiteral("Off"));
        // Another crate's state does not count, but the text is rewritten.
        dialog.updatePowerOn(302, false);
        dialog.updatePowerOn(302, false);
        QCOMPARE(power->text(), QStringLiteral("Off"));

        QSignalSpy spy(&dialog, &DialogCrate::setPowerOn);
        click(&dialog, "btnPowerOn");
        QCOMPARE(spy.count(), 1);
        QCOMPARE(spy.at(0).at(0).toInt(), 301);
        QCOMPARE(spy.at(0).at(1).toBool(), false);
        QCOMPARE(power->text(), QStringLiteral("On"));
    }

    void powerButtonWithoutCrateNamesSerialZero()
    {
        DialogCrate dialog;
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QSignalSpy spy(&dialog, &DialogCrate::setPowerOn);
        click(&dialog, "btnPowerOn");
        QCOMPARE(spy.count(), 1);
        QCOMPARE(spy.at(0).at(0).toInt(), 0);
        QCOMPARE(spy.at(0).at(1).toBool(), true);
        QCOMPARE(child<QPushButton>(&dialog, "btnPowerOn")->text(), QStringLiteral("Off"));
    }
};

QTEST_MAIN(TestDialogSuppliesCrate)
#include "tst_dialogsuppliescrate.moc"
