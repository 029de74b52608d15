// The system overview: module columns by first appearance up to 16, the
// voltage colour rule, currents in thousandths, module headers, the status
// row and the wiring helper.
#include <DialogOverview.h>

#include <QLocale>
#include <QTableWidget>
#include <QtTest>

namespace {

// Stands in for the main window: the four update signals, nothing else.
const QString V = QStringLiteral("V");
const QString MA = QStringLiteral("mA");

} // namespace

class TestDialogOverview : public QObject
{
    Q_OBJECT

    DialogOverview *m_dialog = nullptr;

    QTableWidget *table(const char *name) const
    {
        return m_dialog->findChild<QTableWidget *>(QLatin1String(name));
    }
    QString text(const char *name, int row, int column) const
    {
        const QTableWidgetItem *item = table(name)->item(row, column);
        return item ? item->text() : QString();
    }
    QColor voltageColour(int row, int column) const
    {
        return table("voltageTable")->item(row, column)->foreground().color();
    }

private slots:
    void init()
    {
        QLocale::setDefault(QLocale::c());
        m_dialog = new DialogOverview;
    }

    void cleanup() { delete m_dialog; }

    void columnsInOrderOfFirstAppearance()
    {
        m_dialog->updateChannelVoltageMeasure(3001, 0, 10.0f, V);
        m_dialog->updateChannelCurrentMeasure(1002, 1, 0.002f, MA);
        m_dialog->updateChannelStatus(2003, 2, 0x0008);
        m_dialog->updateChannelVoltageMeasure(1002, 4, 20.0f, V);
        QCOMPARE(m_dialog->serialNumbers(), QList<int>({3001, 1002, 2003}));
        QCOMPARE(text("voltageTable", 0, 0), QStringLiteral("10.0"));
        QCOMPARE(text("voltageTable", 4, 1), QStringLiteral("20.0"));
        QCOMPARE(text("currentTable", 1, 1), QStringLiteral("2.000"));
        QCOMPARE(text("statusTable", 0, 2), QStringLiteral("OK"));
        QCOMPARE(text("voltageTable", 4, 0), QString()); // nothing leaks into other columns
    }

    void seventeenthModuleAndChannel24AreIgnored()
    {
        // A module heard of only through channels the tables have no row for
        // gets no column.
        for (int channel : {24, 31, -1}) {
            m_dialog->updateChannelVoltage(100, channel, 5.0f, V);
            m_dialog->updateChannelVoltageMeasure(100, channel, 99.0f, V);
            m_dialog->updateChannelCurrentMeasure(100, channel, 9.0f, MA);
            m_dialog->updateChannelStatus(100, channel, 0x2000);
        }
        QVERIFY(m_dialog->serialNumbers().isEmpty());

        for (int module = 0; module < 16; ++module)
            m_dialog->updateChannelVoltageMeasure(100 + module, 0, 50.0f, V);
        const int late = 999;
        m_dialog->updateChannelVoltage(late, 0, 1.0f, V);
        m_dialog->updateChannelVoltageMeasure(late, 0, 77.0f, V);
        m_dialog->updateChannelCurrentMeasure(late, 0, 0.5f, MA);
        m_dialog->updateChannelStatus(late, 0, 0x2000);
        m_dialog->addModule(late, "0xFC00", "EDS", "9.99");
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

    void voltageColourFollowsTheSetVoltage_data()
    {
        QTest::addColumn<float>("set");
        QTest::addColumn<float>("measured");
        QTest::addColumn<QColor>("colour");
        QTest::newRow("0.4 above") << 100.0f << 100.4f << QColor(Qt::green);
        QTest::newRow("0.4 below") << 100.0f << 99.6f << QColor(Qt::green);
        QTest::newRow("0.6 above") << 100.0f << 100.6f << QColor(Qt::magenta);
        QTest::newRow("0.6 below") << 100.0f << 99.4f << QColor(Qt::magenta);
        QTest::newRow("negative, 0.6") << -500.0f << -499.4f << QColor(Qt::magenta);
    }
    void voltageColourFollowsTheSetVoltage()
    {
        QFETCH(float, set);
        QFETCH(float, measured);
        QFETCH(QColor, colour);
        m_dialog->updateChannelVoltage(4711, 6, set, V);
        m_dialog->updateChannelVoltageMeasure(4711, 6, measured, V);
        QCOMPARE(text("voltageTable", 6, 0), QString::number(measured, 'f', 1));
        QCOMPARE(voltageColour(6, 0), colour);
        // Each channel is compared with its own set voltage.
        m_dialog->updateChannelVoltage(4711, 7, measured + 5.0f, V);
        m_dialog->updateChannelVoltageMeasure(4711, 7, measured, V);
        m_dialog->updateChannelVoltageMeasure(4711, 6, measured, V);
        QCOMPARE(voltageColour(7, 0), QColor(Qt::magenta));
        QCOMPARE(voltageColour(6, 0), colour);
    }

    void noSetVoltageYetIsNoAlarm()
    {
        // The all-modules pass reports the measurement before the set voltage:
        // the first pass must not flag every channel that is on.
        m_dialog->updateChannelVoltageMeasure(4711, 0, 1500.0f, V);
        QCOMPARE(voltageColour(0, 0), QColor(Qt::green));
        m_dialog->updateChannelVoltage(4711, 0, 0.0f, V);
        m_dialog->updateChannelVoltageMeasure(4711, 0, 1500.0f, V);
        QCOMPARE(voltageColour(0, 0), QColor(Qt::magenta));
    }

    void currentsInThousandthsWithThreeDecimals()
    {
        const QList<QPair<float, const char *>> shown {
            {0.0f, "0.000"}, {0.0123f, "12.300"}, {0.00125f, "1.250"}, {-0.5f, "-500.000"}};
        for (const auto &[current, expected] : shown) {
            m_dialog->updateChannelCurrentMeasure(4711, 3, current, MA);
            QCOMPARE(text("currentTable", 3, 0), QString::fromLatin1(expected));
        }
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        m_dialog->updateChannelVoltageMeasure(4711, 0, 1234.56f, V);
        m_dialog->updateChannelCurrentMeasure(4711, 0, 0.0025f, MA);
        QCOMPARE(text("voltageTable", 0, 0), QStringLiteral("1.234,6"));
        QCOMPARE(text("currentTable", 0, 0), QStringLiteral("2,500"));
    }

    void addModuleHeadsItsColumn()
    {
        m_dialog->addModule(4711, "0x4000", "EHS", "5.14");
        m_dialog->updateChannelVoltageMeasure(1234, 0, 1.0f, V);
        QCOMPARE(m_dialog->serialNumbers(), QList<int>({4711, 1234}));
        const QTableWidget *voltages = table("voltageTable");
        QCOMPARE(voltages->horizontalHeaderItem(0)->text(), QStringLiteral("0x4000"));
        QCOMPARE(voltages->horizontalHeaderItem(0)->toolTip(),
                 QStringLiteral("Serial number\t4711\nFirmware\tEHS\nVersion\t5.14"));
        // A module found without addModule keeps its numbered header.
        QCOMPARE(voltages->horizontalHeaderItem(1)->text(), QStringLiteral("Module 1"));
        QVERIFY(voltages->horizontalHeaderItem(1)->toolTip().isEmpty());
    }

    void statusRowShowsEachModulesWorstState()
    {
        m_dialog->updateChannelStatus(4711, 0, 0x0088);
        m_dialog->updateChannelStatus(815, 4, 0x0008);
        m_dialog->updateChannelStatus(815, 5, 0x2000);
        const QTableWidgetItem *healthy = table("statusTable")->item(0, 0);
        const QTableWidgetItem *tripped = table("statusTable")->item(0, 1);
        QCOMPARE(healthy->text(), QStringLiteral("OK"));
        QCOMPARE(healthy->foreground().color(), QColor(Qt::green));
        QCOMPARE(tripped->text(), QStringLiteral("Ch 5 TRIP"));
        QCOMPARE(tripped->foreground().color(), QColor(Qt::white));
        QCOMPARE(tripped->background().color(), QColor(Qt::red));
        // The trip cleared: the cell loses its red.
        m_dialog->updateChannelStatus(815, 5, 0x0008);
        QCOMPARE(tripped->text(), QStringLiteral("OK"));
        QVERIFY(!tripped->data(Qt::BackgroundRole).isValid());
    }
};

QTEST_MAIN(TestDialogOverview)
#include "tst_dialogoverview.moc"
