// The system overview: module columns by first appearance up to 16, the
// voltage colour rule, currents in thousandths, module headers and the status row.
#include <DialogOverview.h>

#include <QLocale>
#include <QTableWidget>
#include <QtTest>

namespace {
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
        m_dialog->addModule(3001, "0x4000", "EHS", "5.14");
        m_dialog->updateChannelCurrentMeasure(1002, 1, 0.002f, MA);
        m_dialog->updateChannelStatus(2003, 2, 0x0008);
        m_dialog->updateChannelVoltageMeasure(1002, 4, 20.0f, V);
        m_dialog->updateChannelVoltageMeasure(3001, 0, 10.0f, V);
        QCOMPARE(m_dialog->serialNumbers(), QList<int>({3001, 1002, 2003}));
        QCOMPARE(text("voltageTable", 0, 0), QStringLiteral("10.0"));
        QCOMPARE(text("voltageTable", 4, 1), QStringLiteral("20.0"));
        QCOMPARE(text("currentTable", 1, 1), QStringLiteral("2.000"));
        QCOMPARE(text("statusTable", 0, 2), QStringLiteral("OK"));
        QCOMPARE(text("voltageTable", 4, 0), QString()); // nothing leaks into other columns
        // addModule heads its column; a module found without it keeps its number.
        const QTableWidget *voltages = table("voltageTable");
        QCOMPARE(voltages->horizontalHeaderItem(0)->text(), QStringLiteral("0x4000"));
        QCOMPARE(voltages->horizontalHeaderItem(0)->toolTip(),
                 QStringLiteral("Serial number\t3001\nFirmware\tEHS\nVersion\t5.14"));
        QCOMPARE(voltages->horizontalHeaderItem(1)->text(), QStringLiteral("Module 1"));
        QVERIFY(voltages->horizontalHeaderItem(1)->toolTip().isEmpty());
    }

    void seventeenthModuleAndChannel24AreIgnored()
    {
        // Every update of a module that is late, or of a channel the tables
        // have no row for, is dropped without claiming a column.
        const auto updateAll = [this](int serial, int channel) {
            m_dialog->updateChannelVoltage(serial, channel, 1.0f, V);
            m_dialog->updateChannelVoltageMeasure(serial, channel, 77.0f, V);
            m_dialog->updateChannelCurrentMeasure(serial, channel, 0.5f, MA);
            m_dialog->updateChannelStatus(serial, channel, 0x2000);
        };
        updateAll(100, 24);
        updateAll(100, -1);
        QVERIFY(m_dialog->serialNumbers().isEmpty());

        for (int module = 0; module < 16; ++module)
            m_dialog->updateChannelVoltageMeasure(100 + module, 0, 50.0f, V);
        updateAll(999, 0);
        m_dialog->addModule(999, "0xFC00", "EDS", "9.99");
        QCOMPARE(m_dialog->serialNumbers().size(), 16);
        QVERIFY(!m_dialog->serialNumbers().contains(999));
        for (int column = 0; column < 16; ++column)
            QCOMPARE(text("voltageTable", 0, column), QStringLiteral("50.0"));
        QCOMPARE(table("voltageTable")->horizontalHeaderItem(15)->text(),
                 QStringLiteral("Module 15"));
        QCOMPARE(text("currentTable", 0, 15) + text("statusTable", 0, 15), QString());
    }

    void voltageColourFollowsTheSetVoltage_data()
    {
        QTest::addColumn<float>("set"); // NaN: none reported yet
        QTest::addColumn<float>("measured");
        QTest::addColumn<QColor>("colour");
        QTest::newRow("0.4 above") << 100.0f << 100.4f << QColor(Qt::green);
        QTest::newRow("0.4 below") << 100.0f << 99.6f << QColor(Qt::green);
        QTest::newRow("0.6 above") << 100.0f << 100.6f << QColor(Qt::magenta);
        QTest::newRow("0.6 below") << 100.0f << 99.4f << QColor(Qt::magenta);
        QTest::newRow("negative, 0.6") << -500.0f << -499.4f << QColor(Qt::magenta);
        // The all-modules pass reports the measurement before the set voltage:
        // the first pass must not flag every channel that is on.
        QTest::newRow("no set voltage yet") << float(qQNaN()) << 1500.0f << QColor(Qt::green);
    }
    void voltageColourFollowsTheSetVoltage()
    {
        QFETCH(float, set);
        QFETCH(float, measured);
        QFETCH(QColor, colour);
        if (!qIsNaN(set))
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

    void numbersFollowTheLocale()
    {
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        m_dialog->updateChannelVoltageMeasure(4711, 0, 1234.56f, V);
        m_dialog->updateChannelCurrentMeasure(4711, 0, -0.0025f, MA); // shown in thousandths
        QCOMPARE(text("voltageTable", 0, 0), QStringLiteral("1.234,6"));
        QCOMPARE(text("currentTable", 0, 0), QStringLiteral("-2,500"));
    }

    void statusRowShowsEachModulesWorstState()
    {
        m_dialog->updateChannelStatus(4711, 0, 0x0088);
        m_dialog->updateChannelStatus(815, 4, 0x0008);
        m_dialog->updateChannelStatus(815, 5, 0x2000);
        const QTableWidgetItem *tripped = table("statusTable")->item(0, 1);
        QCOMPARE(text("statusTable", 0, 0), QStringLiteral("OK"));
        QCOMPARE(tripped->text(), QStringLiteral("Ch 5 TRIP"));
        QCOMPARE(tripped->background().color(), QColor(Qt::red));
        QCOMPARE(tripped->toolTip(), QStringLiteral("Channel 4\t0008\nChannel 5\t2000\tTrip"));
        // The trip cleared: the cell loses its red.
        m_dialog->updateChannelStatus(815, 5, 0x0008);
        QCOMPARE(tripped->text(), QStringLiteral("OK"));
        QCOMPARE(tripped->foreground().color(), QColor(Qt::green));
        QVERIFY(!tripped->data(Qt::BackgroundRole).isValid());
    }
};

QTEST_MAIN(TestDialogOverview)
#include "tst_dialogoverview.moc"
