// The Status cell of the channel table: every rule with its text and colour,
// and that the first matching rule wins.
#include <StatusCell.h>

#include <QtTest>

class TestStatusCell : public QObject
{
    Q_OBJECT

private slots:
    void rules_data();
    void rules();
};

void TestStatusCell::rules_data()
{
    QTest::addColumn<int>("deviceClass");
    QTest::addColumn<quint32>("status");
    QTest::addColumn<quint32>("control");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QColor>("colour");

    const QColor red(Qt::red), green(Qt::green), yellow(Qt::yellow);

    // Measurement channels: the control word decides, the status word is ignored.
    QTest::newRow("DC90 both") << 90 << 0u << 0x0006u << "Both Measurements" << green;
    QTest::newRow("DC90 voltage") << 90 << 0u << 0x0002u << "Voltage Measurement" << green;
    QTest::newRow("DC90 ripple") << 90 << 0u << 0x0004u << "Ripple Measurement" << green;
    QTest::newRow("DC90 off") << 90 << 0u << 0x0000u << "Off" << yellow;
    QTest::newRow("DC90 other control bits") << 90 << 0u << 0x0009u << "Off" << yellow;
    QTest::newRow("DC90 status ignored") << 90 << 0x4028u << 0x0000u << "Off" << yellow;
    QTest::newRow("DC90 both, more bits")
        << 90 << 0xFFFFu << 0x000Fu << "Both Measurements" << green;

    // High-voltage channels, one rule at a time.
    QTest::newRow("current limit") << 20 << 0x4000u << 0u << "Current Limit" << red;
    QTest::newRow("emergency") << 20 << 0x0020u << 0u << "Emergency" << red;
    QTest::newRow("inhibit") << 20 << 0x1000u << 0u << "Inhibit" << red;
    QTest::newRow("ramp") << 20 << 0x0010u << 0u << "Ramp" << green;
    QTest::newRow("current control, on") << 20 << 0x0048u << 0x0008u << "Current Control" << green;
    QTest::newRow("current control, not switched on")
        << 20 << 0x0048u << 0x0000u << "Current Control" << yellow;
    QTest::newRow("current control, switched on but off")
        << 20 << 0x0040u << 0x0008u << "Current Control" << yellow;
    QTest::newRow("current control alone") << 20 << 0x0040u << 0u << "Current Control" << yellow;
    QTest::newRow("voltage control") << 20 << 0x0080u << 0u << "Voltage Control" << green;
    QTest::newRow("on") << 20 << 0x0008u << 0u << "On" << green;
    QTest::newRow("off") << 20 << 0x0000u << 0u << "Off" << yellow;
    QTest::newRow("off, control ignored") << 20 << 0x0000u << 0x0006u << "Off" << yellow;
    QTest::newRow("off, unnamed bits") << 20 << 0x2F07u << 0xFFFFu << "Off" << yellow;

    // Every class but 90 follows the status word.
    QTest::newRow("DC29 current limit") << 29 << 0x4000u << 0x0006u << "Current Limit" << red;
    QTest::newRow("DC29 current control") << 29 << 0x0048u << 0x0008u << "Current Control" << green;
    QTest::newRow("DC21 on") << 21 << 0x0008u << 0x0006u << "On" << green;

    // The first matching rule wins.
    QTest::newRow("limit before emergency") << 20 << 0x4000u + 0x0020u + 0x1000u + 0x0010u + 0x0008u
                                            << 0x0008u << "Current Limit" << red;
    QTest::newRow("emergency before inhibit")
        << 20 << 0x0020u + 0x1000u + 0x0010u << 0u << "Emergency" << red;
    QTest::newRow("inhibit before ramp")
        << 20 << 0x1000u + 0x0010u + 0x0008u << 0u << "Inhibit" << red;
    QTest::newRow("ramp before current control")
        << 20 << 0x0010u + 0x0040u + 0x0080u + 0x0008u << 0x0008u << "Ramp" << green;
    QTest::newRow("current control before voltage control")
        << 20 << 0x0040u + 0x0080u + 0x0008u << 0x0008u << "Current Control" << green;
    QTest::newRow("voltage control before on")
        << 20 << 0x0080u + 0x0008u << 0x0008u << "Voltage Control" << green;
}

void TestStatusCell::rules()
{
    QFETCH(int, deviceClass);
    QFETCH(quint32, status);
    QFETCH(quint32, control);
    QFETCH(QString, text);
    QFETCH(QColor, colour);

    const StatusCell cell = StatusCell::of(deviceClass, status, control);
    QCOMPARE(cell.text(), text);
    QCOMPARE(cell.colour(), colour);
}

QTEST_MAIN(TestStatusCell)
#include "tst_statuscell.moc"
