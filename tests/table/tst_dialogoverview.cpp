// The system overview: module columns by first appearance up to 16, the
// voltage colour rule, currents in thousandths, module headers, the status
// row and the wiring helper.
#include <DialogOverview.h>

#include <QHeaderView>
#include <QLocale>
#include <QTableWidget>
#include <QtTest>

namespace {

// Stands in for the main window: the four update signals, nothing else.
class UpdateSource : public QObject
{
    Q_OBJECT

signals:
    void updateChannelVoltageMeasure(int serialNumber, int channel, float vmeas, QString unit);
    void updateChannelCurrentMeasure(int serialNumber, int channel, float imeas, QString unit);
    void updateChannelVoltage(int serialNumber, int channel, float voltage, QString unit);
    void updateChannelStatus(int serialNumber, int channel, quint32 status);
};

// A main window of an older build: the status signal is missing.
class IncompleteSource : public QObject
{
    Q_OBJECT

signals:
    void updateChannelVoltageMeasure(int serialNumber, int channel, float vmeas, QString unit);
    void updateChannelCurrentMeasure(int serialNumber, int channel, float imeas, QString unit);
    void updateChannelVoltage(int serialNumber, int channel, float voltage, QString unit);
};

const QString Volt = QStringLiteral("V");
const QString MilliAmpere = QStringLiteral("mA");

} // namespace

class TestDialogOverview : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void formAndTables();
    void columnsInOrderOfFirstAppearance();
    void seventeenthModuleIsIgnored();
    void channelsOutsideTheTablesAreIgnored();
    void voltageColourFollowsTheSetVoltage_data();
    void voltageColourFollowsTheSetVoltage();
    void noSetVoltageYetIsNoAlarm();
    void valuesUseLocaleDigits();
    void currentsInThousandthsWithThreeDecimals_data();
    void currentsInThousandthsWithThreeDecimals();
    void addModuleHeadsItsColumn();
    void statusRowSummarisesEachModule();
    void connectToWiresTheFourSignals();

private:
    QTableWidget *table(const char *name) const;
    QString text(const char *name, int row, int column) const;

    DialogOverview *m_dialog = nullptr;
};

void TestDialogOverview::initTestCase() { QLocale::setDefault(QLocale::c()); }

void TestDialogOverview::init() { m_dialog = new DialogOverview; }

void TestDialogOverview::cleanup()
{
    delete m_dialog;
    m_dialog = nullptr;
    QLocale::setDefault(QLocale::c());
}

QTableWidget *TestDialogOverview::table(const char *name) const
{
    return m_dialog->findChild<QTableWidget *>(QLatin1String(name));
}

QString TestDialogOverview::text(const char *name, int row, int column) const
{
    const QTableWidgetItem *item = table(name)->item(row, column);
    return item ? item->text() : QString();
}

void TestDialogOverview::formAndTables()
{
    QCOMPARE(m_dialog->windowTitle(), QStringLiteral("System Overview"));
    QTableWidget *voltages = table("voltageTable");
    QTableWidget *status = table("statusTable");
    QTableWidget *currents = table("currentTable");
    QVERIFY(voltages && status && currents);

    QCOMPARE(voltages->rowCount(), 24);
    QCOMPARE(currents->rowCount(), 24);
    QCOMPARE(status->rowCount(), 1);
    for (QTableWidget *t : {voltages, status, currents}) {
        QCOMPARE(t->columnCount(), 16);
        QCOMPARE(t->verticalHeader()->width(), 120);
        for (int column = 0; column < 16; ++column)
            QCOMPARE(t->columnWidth(column), 80);
        QCOMPARE(t->editTriggers(), QAbstractItemView::NoEditTriggers);
    }
    for (QTableWidget *t : {voltages, currents}) {
        for (int row = 0; row < 24; ++row) {
            QCOMPARE(t->verticalHeaderItem(row)->text(), QStringLiteral("Channel %1").arg(row));
            QCOMPARE(t->rowHeight(row), 20);
        }
    }
    for (int column = 0; column < 16; ++column)
        QCOMPARE(voltages->horizontalHeaderItem(column)->text(),
                 QStringLiteral("Module %1").arg(column));
    QVERIFY(!voltages->horizontalHeader()->isHidden());
    QVERIFY(currents->horizontalHeader()->isHidden());
    QVERIFY(status->horizontalHeader()->isHidden());
    QCOMPARE(status->verticalHeaderItem(0)->text(), QStringLiteral("Status"));
    QCOMPARE(status->minimumHeight(), 25);
    QCOMPARE(status->maximumHeight(), 25);
}

void TestDialogOverview::columnsInOrderOfFirstAppearance()
{
    m_dialog->updateChannelVoltageMeasure(3001, 0, 10.0f, Volt);
    m_dialog->updateChannelCurrentMeasure(1002, 1, 0.002f, MilliAmpere);
    m_dialog->updateChannelStatus(2003, 2, 0x0008);
    m_dialog->updateChannelVoltageMeasure(1002, 4, 20.0f, Volt);
    QCOMPARE(m_dialog->serialNumbers(), QList<int>({3001, 1002, 2003}));
    QCOMPARE(m_dialog->moduleColumn(1002), 1);
    QCOMPARE(m_dialog->moduleColumn(2003), 2);

    QCOMPARE(text("voltageTable", 0, 0), QStringLiteral("10.0"));
    QCOMPARE(text("voltageTable", 4, 1), QStringLiteral("20.0"));
    QCOMPARE(text("currentTable", 1, 1), QStringLiteral("2.000"));
    QCOMPARE(text("statusTable", 0, 2), QStringLiteral("OK"));
    // Nothing leaks into the columns of other modules.
    QCOMPARE(text("voltageTable", 4, 0), QString());
    QCOMPARE(text("voltageTable", 0, 1), QString());
}

void TestDialogOverview::seventeenthModuleIsIgnored()
{
    for (int module = 0; module < 16; ++module) {
        m_dialog->updateChannelVoltage(100 + module, 0, 50.0f, Volt);
        m_dialog->updateChannelVoltageMeasure(100 + module, 0, 50.0f, Volt);
    }
    QCOMPARE(m_dialog->serialNumbers().size(), 16);

    const int late = 999;
    QCOMPARE(m_dialog->moduleColumn(late), -1);
    m_dialog->updateChannelVoltage(late, 0, 1.0f, Volt);
    m_dialog->updateChannelVoltageMeasure(late, 0, 77.0f, Volt);
    m_dialog->updateChannelCurrentMeasure(late, 0, 0.5f, MilliAmpere);
    m_dialog->updateChannelStatus(late, 0, 0x2000);
    m_dialog->addModule(late, QStringLiteral("0xFC00"), QStringLiteral("EDS"),
                        QStringLiteral("9.99"));
    QCOMPARE(m_dialog->serialNumbers().size(), 16);
    QVERIFY(!m_dialog->serialNumbers().contains(late));
    for (int column = 0; column < 16; ++column) {
        QCOMPARE(text("voltageTable", 0, column), QStringLiteral("50.0"));
        QCOMPARE(table("voltageTable")->horizontalHeaderItem(column)->text(),
                 QStringLiteral("Module %1").arg(column));
        QCOMPARE(text("currentTable", 0, column), QString());
        QCOMPARE(text("statusTable", 0, column), QString());
    }
}

void TestDialogOverview::channelsOutsideTheTablesAreIgnored()
{
    m_dialog->updateChannelVoltageMeasure(4711, 0, 1.0f, Volt);
    m_dialog->updateChannelVoltageMeasure(4711, 23, 23.0f, Volt);
    QCOMPARE(text("voltageTable", 23, 0), QStringLiteral("23.0"));

    for (int channel : {24, 31, -1}) {
        m_dialog->updateChannelVoltage(4711, channel, 5.0f, Volt);
        m_dialog->updateChannelVoltageMeasure(4711, channel, 99.0f, Volt);
        m_dialog->updateChannelCurrentMeasure(4711, channel, 9.0f, MilliAmpere);
        m_dialog->updateChannelStatus(4711, channel, 0x2000);
    }
    QCOMPARE(table("voltageTable")->rowCount(), 24);
    QCOMPARE(text("voltageTable", 0, 0), QStringLiteral("1.0"));
    QCOMPARE(text("voltageTable", 23, 0), QStringLiteral("23.0"));
    QCOMPARE(text("statusTable", 0, 0), QString());
    // A module heard of only through such channels gets no column.
    m_dialog->updateChannelVoltageMeasure(815, 24, 1.0f, Volt);
    QCOMPARE(m_dialog->serialNumbers(), QList<int>({4711}));
}

void TestDialogOverview::voltageColourFollowsTheSetVoltage_data()
{
    QTest::addColumn<float>("set");
    QTest::addColumn<float>("measured");
    QTest::addColumn<QColor>("colour");
    QTest::newRow("equal") << 100.0f << 100.0f << QColor(Qt::green);
    QTest::newRow("0.4 above") << 100.0f << 100.4f << QColor(Qt::green);
    QTest::newRow("0.4 below") << 100.0f << 99.6f << QColor(Qt::green);
    QTest::newRow("0.6 above") << 100.0f << 100.6f << QColor(Qt::magenta);
    QTest::newRow("0.6 below") << 100.0f << 99.4f << QColor(Qt::magenta);
    QTest::newRow("ramping up") << 1000.0f << 12.0f << QColor(Qt::magenta);
    QTest::newRow("negative, 0.4") << -500.0f << -500.4f << QColor(Qt::green);
    QTest::newRow("negative, 0.6") << -500.0f << -499.4f << QColor(Qt::magenta);
}

void TestDialogOverview::voltageColourFollowsTheSetVoltage()
{
    QFETCH(float, set);
    QFETCH(float, measured);
    QFETCH(QColor, colour);

    m_dialog->updateChannelVoltage(4711, 6, set, Volt);
    m_dialog->updateChannelVoltageMeasure(4711, 6, measured, Volt);
    const QTableWidgetItem *cell = table("voltageTable")->item(6, 0);
    QVERIFY(cell);
    QCOMPARE(cell->text(), QString::number(measured, 'f', 1));
    QCOMPARE(cell->foreground().color(), colour);

    // Each channel is compared with its own set voltage.
    m_dialog->updateChannelVoltageMeasure(4711, 7, measured, Volt);
    m_dialog->updateChannelVoltage(4711, 7, measured + 5.0f, Volt);
    m_dialog->updateChannelVoltageMeasure(4711, 7, measured, Volt);
    QCOMPARE(table("voltageTable")->item(7, 0)->foreground().color(), QColor(Qt::magenta));
    m_dialog->updateChannelVoltageMeasure(4711, 6, measured, Volt);
    QCOMPARE(table("voltageTable")->item(6, 0)->foreground().color(), colour);
}

void TestDialogOverview::noSetVoltageYetIsNoAlarm()
{
    // The all-modules pass reports the measurement before the set voltage:
    // the first pass must not flag every channel that is on.
    m_dialog->updateChannelVoltageMeasure(4711, 0, 1500.0f, Volt);
    QCOMPARE(table("voltageTable")->item(0, 0)->foreground().color(), QColor(Qt::green));
    m_dialog->updateChannelVoltage(4711, 0, 0.0f, Volt);
    m_dialog->updateChannelVoltageMeasure(4711, 0, 1500.0f, Volt);
    QCOMPARE(table("voltageTable")->item(0, 0)->foreground().color(), QColor(Qt::magenta));
}

void TestDialogOverview::valuesUseLocaleDigits()
{
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    m_dialog->updateChannelVoltageMeasure(4711, 0, 1234.56f, Volt);
    m_dialog->updateChannelCurrentMeasure(4711, 0, 0.0025f, MilliAmpere);
    QCOMPARE(text("voltageTable", 0, 0), QStringLiteral("1.234,6"));
    QCOMPARE(text("currentTable", 0, 0), QStringLiteral("2,500"));
}

void TestDialogOverview::currentsInThousandthsWithThreeDecimals_data()
{
    QTest::addColumn<float>("current");
    QTest::addColumn<QString>("text");
    QTest::newRow("zero") << 0.0f << "0.000";
    QTest::newRow("small") << 0.0123f << "12.300";
    QTest::newRow("rounded") << 0.00125f << "1.250";
    QTest::newRow("one") << 1.0f << "1000.000";
    QTest::newRow("negative") << -0.5f << "-500.000";
}

void TestDialogOverview::currentsInThousandthsWithThreeDecimals()
{
    QFETCH(float, current);
    QFETCH(QString, text);
    m_dialog->updateChannelCurrentMeasure(4711, 3, current, MilliAmpere);
    QCOMPARE(this->text("currentTable", 3, 0), text);
}

void TestDialogOverview::addModuleHeadsItsColumn()
{
    m_dialog->addModule(4711, QStringLiteral("0x4000"), QStringLiteral("EHS"),
                        QStringLiteral("5.14"));
    m_dialog->addModule(815, QStringLiteral("0x8000"), QStringLiteral("EDS"),
                        QStringLiteral("2.01"));
    QCOMPARE(m_dialog->serialNumbers(), QList<int>({4711, 815}));

    const QTableWidget *voltages = table("voltageTable");
    QCOMPARE(voltages->horizontalHeaderItem(0)->text(), QStringLiteral("0x4000"));
    QCOMPARE(voltages->horizontalHeaderItem(0)->toolTip(),
             QStringLiteral("Serial number\t4711\nFirmware\tEHS\nVersion\t5.14"));
    QCOMPARE(voltages->horizontalHeaderItem(1)->text(), QStringLiteral("0x8000"));
    QCOMPARE(voltages->horizontalHeaderItem(1)->toolTip(),
             QStringLiteral("Serial number\t815\nFirmware\tEDS\nVersion\t2.01"));

    // Updates find the columns addModule gave out; a module found later
    // keeps its numbered header.
    m_dialog->updateChannelVoltageMeasure(815, 2, 8.0f, Volt);
    QCOMPARE(text("voltageTable", 2, 1), QStringLiteral("8.0"));
    m_dialog->updateChannelVoltageMeasure(1234, 0, 1.0f, Volt);
    QCOMPARE(m_dialog->moduleColumn(1234), 2);
    QCOMPARE(voltages->horizontalHeaderItem(2)->text(), QStringLiteral("Module 2"));
    QVERIFY(voltages->horizontalHeaderItem(2)->toolTip().isEmpty());
}

void TestDialogOverview::statusRowSummarisesEachModule()
{
    const QTableWidget *status = table("statusTable");
    // Module A healthy, module B with a tripped channel 5 and an inhibited 9.
    for (int channel = 0; channel < 12; ++channel) {
        m_dialog->updateChannelStatus(4711, channel, 0x0088);
        const quint32 word = channel == 5 ? 0x2000u : channel == 9 ? 0x1000u : 0x0008u;
        m_dialog->updateChannelStatus(815, channel, word);
    }
    const QTableWidgetItem *a = status->item(0, 0);
    const QTableWidgetItem *b = status->item(0, 1);
    QVERIFY(a && b);
    QCOMPARE(a->text(), QStringLiteral("OK"));
    QCOMPARE(a->foreground().color(), QColor(Qt::green));
    QVERIFY(!a->data(Qt::BackgroundRole).isValid());
    QCOMPARE(b->text(), QStringLiteral("Ch 5 TRIP"));
    QCOMPARE(b->background().color(), QColor(Qt::red));
    QVERIFY(b->toolTip().contains(QStringLiteral("Channel 5\t2000\tTrip")));
    QVERIFY(b->toolTip().contains(QStringLiteral("Channel 9\t1000\tInhibit")));
    QCOMPARE(b->toolTip().count(QLatin1Char('\n')), 11);

    // The trip is cleared: the inhibit is what is left to see.
    m_dialog->updateChannelStatus(815, 5, 0x0008);
    QCOMPARE(b->text(), QStringLiteral("Ch 9 EINH"));
    m_dialog->updateChannelStatus(815, 9, 0x0018);
    QCOMPARE(b->text(), QStringLiteral("Ramp"));
    QVERIFY(!b->data(Qt::BackgroundRole).isValid());
    QCOMPARE(b->foreground().color(), QColor(Qt::green));
    QCOMPARE(a->text(), QStringLiteral("OK"));
}

void TestDialogOverview::connectToWiresTheFourSignals()
{
    UpdateSource source;
    QVERIFY(m_dialog->connectTo(&source));
    emit source.updateChannelVoltage(4711, 1, 200.0f, Volt);
    emit source.updateChannelVoltageMeasure(4711, 1, 201.0f, Volt);
    emit source.updateChannelCurrentMeasure(4711, 1, 0.25f, MilliAmpere);
    emit source.updateChannelStatus(4711, 1, 0x0020);
    QCOMPARE(text("voltageTable", 1, 0), QStringLiteral("201.0"));
    QCOMPARE(table("voltageTable")->item(1, 0)->foreground().color(), QColor(Qt::magenta));
    QCOMPARE(text("currentTable", 1, 0), QStringLiteral("250.000"));
    QCOMPARE(text("statusTable", 0, 0), QStringLiteral("Ch 1 EMCY"));

    IncompleteSource incomplete;
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("No such signal")));
    QVERIFY(!m_dialog->connectTo(&incomplete));
}

QTEST_MAIN(TestDialogOverview)
#include "tst_dialogoverview.moc"
