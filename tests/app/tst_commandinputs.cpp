// What the channel, module and system commands ask and compute, without a
// window: channel masks, dialog texts and bounds in two locales, the choice
// lists and the set-voltage staircase.
#include <CommandInputs.h>

#include <QLocale>
#include <QtTest>

using Input = CommandInputs::DoubleInput;
using Range = CommandInputs::NominalRange;

Q_DECLARE_METATYPE(QList<int>)
Q_DECLARE_METATYPE(QList<float>)

class TestCommandInputs : public QObject
{
    Q_OBJECT

private slots:
    void init();

    void channelMask_data();
    void channelMask();
    void nominalRangeIsOverAbsoluteValues();
    void deviceClass28AllowsNegativeVoltages();

    void singleChannelDialogs();
    void numbersUseTheLocaleAndSixSignificantDigits_data();
    void numbersUseTheLocaleAndSixSignificantDigits();
    void multiChannelDialogsNoteTheSmallestNominal_data();
    void multiChannelDialogsNoteTheSmallestNominal();
    void rampDialogs();

    void choicesPreselectTheReportedValue_data();
    void choicesPreselectTheReportedValue();
    void choiceValue_data();
    void choiceValue();

    void staircase_data();
    void staircase();
    void staircaseEndsOnTheNominalExactly();
};

// Labels are written with C digits unless a test chooses another locale.
void TestCommandInputs::init() { QLocale::setDefault(QLocale::c()); }

void TestCommandInputs::channelMask_data()
{
    QTest::addColumn<QList<int>>("rows");
    QTest::addColumn<quint32>("mask");
    QTest::newRow("empty") << QList<int> {} << quint32(0);
    QTest::newRow("row 0") << QList<int> {0} << quint32(0x1);
    QTest::newRow("row 35 is bit 3") << QList<int> {35} << quint32(0x8);
    QTest::newRow("row 3 and row 35") << QList<int> {3, 35} << quint32(0x8);
    QTest::newRow("one row, three cells") << QList<int> {2, 2, 2} << quint32(0x4);
    QTest::newRow("31, 32, 63") << QList<int> {31, 32, 63} << quint32(0x80000001);
    QTest::newRow("24 channels") << QList<int> {0,  1,  2,  3,  4,  5,  6,  7,  8,  9,  10, 11,
                                                12, 13, 14, 15, 16, 17, 18, 19, 20, 21, 22, 23}
                                 << quint32(0x00FFFFFF);
    QTest::newRow("no current cell") << QList<int> {-1, 4} << quint32(0x10);
}

void TestCommandInputs::channelMask()
{
    QFETCH(QList<int>, rows);
    QFETCH(quint32, mask);
    QCOMPARE(CommandInputs::channelMask(rows), mask);
}

void TestCommandInputs::nominalRangeIsOverAbsoluteValues()
{
    const Range none = CommandInputs::nominalRange({});
    QCOMPARE(none.largest, 0.0);
    QCOMPARE(none.smallest, 0.0);

    const Range mixed = CommandInputs::nominalRange({3000.0f, 2000.0f, -4000.0f, 2500.0f});
    QCOMPARE(mixed.largest, 4000.0);
    QCOMPARE(mixed.smallest, 2000.0);

    const Range one = CommandInputs::nominalRange({-6000.0f});
    QCOMPARE(one.largest, 6000.0);
    QCOMPARE(one.smallest, 6000.0);
}

void TestCommandInputs::deviceClass28AllowsNegativeVoltages()
{
    QVERIFY(CommandInputs::allowsNegativeVoltage(QStringLiteral("DC28")));
    QVERIFY(!CommandInputs::allowsNegativeVoltage(QStringLiteral("DC20")));
    QVERIFY(!CommandInputs::allowsNegativeVoltage(QStringLiteral("DC29")));
    QVERIFY(!CommandInputs::allowsNegativeVoltage(QStringLiteral("dc28")));
    QVERIFY(!CommandInputs::allowsNegativeVoltage(QString()));
}

void TestCommandInputs::singleChannelDialogs()
{
    const Input voltage
        = CommandInputs::channelVoltage(2, 3000.0, QStringLiteral("V"), false, 1234.5);
    QCOMPARE(voltage.label, QStringLiteral("Input a voltage (0...3000 V) for channel 2:"));
    QCOMPARE(voltage.value, 1234.5);
    QCOMPARE(voltage.minimum, 0.0);
    QCOMPARE(voltage.maximum, 3000.0);
    QCOMPARE(voltage.decimals, 3);

    // A negative nominal bounds the dialog by its absolute value; class 28
    // accepts the same span below zero.
    const Input bipolar = CommandInputs::channelVoltage(5, -2500.0, QStringLiteral("V"), true, -10);
    QCOMPARE(bipolar.label, QStringLiteral("Input a voltage (-2500...2500 V) for channel 5:"));
    QCOMPARE(bipolar.minimum, -2500.0);
    QCOMPARE(bipolar.maximum, 2500.0);
    QCOMPARE(bipolar.value, -10.0);
    const Input unipolar = CommandInputs::channelVoltage(5, -2500.0, QStringLiteral("V"), false, 0);
    QCOMPARE(unipolar.minimum, 0.0);
    QCOMPARE(unipolar.maximum, 2500.0);

    const Input current = CommandInputs::channelCurrent(11, 3.0, QStringLiteral("mA"), 0.25);
    QCOMPARE(current.label, QStringLiteral("Input a current (0...3 mA) for channel 11:"));
    QCOMPARE(current.value, 0.25);
    QCOMPARE(current.minimum, 0.0);
    QCOMPARE(current.maximum, 3.0);
    QCOMPARE(current.decimals, 3);
}

void TestCommandInputs::numbersUseTheLocaleAndSixSignificantDigits_data()
{
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<double>("nominal");
    QTest::addColumn<QString>("label");
    const QLocale c = QLocale::c();
    const QLocale german(QLocale::German, QLocale::Germany);
    QTest::newRow("C, whole") << c << 3000.0 << "Input a voltage (0...3000 V) for channel 1:";
    QTest::newRow("C, fraction") << c << 3000.25
                                 << "Input a voltage (0...3000.25 V) for channel 1:";
    QTest::newRow("C, seven digits")
        << c << 1234567.0 << "Input a voltage (0...1.23457e+06 V) for channel 1:";
    QTest::newRow("C, rounded") << c << 2999.9999 << "Input a voltage (0...3000 V) for channel 1:";
    QTest::newRow("German, whole")
        << german << 3000.0 << "Input a voltage (0...3.000 V) for channel 1:";
    QTest::newRow("German, fraction")
        << german << 2.5 << "Input a voltage (0...2,5 V) for channel 1:";
}

void TestCommandInputs::numbersUseTheLocaleAndSixSignificantDigits()
{
    QFETCH(QLocale, locale);
    QFETCH(double, nominal);
    QFETCH(QString, label);
    QLocale::setDefault(locale);
    QCOMPARE(CommandInputs::channelVoltage(1, nominal, QStringLiteral("V"), false, 0).label, label);
}

void TestCommandInputs::multiChannelDialogsNoteTheSmallestNominal_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<double>("largest");
    QTest::addColumn<double>("smallest");
    QTest::addColumn<bool>("negative");
    QTest::addColumn<QString>("label");
    QTest::addColumn<double>("minimum");

    const QString note = QStringLiteral("\n\nNote: some channels will only allow %1.");
    QTest::newRow("selection voltage, equal")
        << 0 << 3000.0 << 3000.0 << false
        << "Input a voltage (0...3000 V) for the selected channels:" << 0.0;
    QTest::newRow("selection voltage, differing")
        << 0 << 3000.0 << 2000.0 << false
        << "Input a voltage (0...3000 V) for the selected channels:" + note.arg("2000 V") << 0.0;
    QTest::newRow("selection current, differing")
        << 1 << 3.0 << 1.5 << false
        << "Input a current (0...3 mA) for the selected channels:" + note.arg("1.5 mA") << 0.0;
    QTest::newRow("module voltage, equal")
        << 2 << 6000.0 << 6000.0 << false
        << "Input a Set voltage (0...6000 V) for all channels:" << 0.0;
    QTest::newRow("module voltage, class 28, differing")
        << 2 << 6000.0 << 4000.0 << true
        << "Input a Set voltage (-6000...6000 V) for all channels:" + note.arg("4000 V") << -6000.0;
    QTest::newRow("module current, differing")
        << 3 << 3.0 << 1.0 << false
        << "Input a Set current (0...3 mA) for all channels:" + note.arg("1 mA") << 0.0;
    QTest::newRow("system voltage, differing")
        << 4 << 6000.0 << 3000.0 << false
        << "Input a Set voltage (0...6000 V) for all channels in all modules:" + note.arg("3000 V")
        << 0.0;
    QTest::newRow("system current, equal")
        << 5 << 3.0 << 3.0 << false
        << "Input a Set current (0...3 mA) for all channels in all modules:" << 0.0;
}

void TestCommandInputs::multiChannelDialogsNoteTheSmallestNominal()
{
    QFETCH(int, kind);
    QFETCH(double, largest);
    QFETCH(double, smallest);
    QFETCH(bool, negative);
    QFETCH(QString, label);
    QFETCH(double, minimum);

    Range range;
    range.largest = largest;
    range.smallest = smallest;
    const QString volts = QStringLiteral("V");
    const QString milliamps = QStringLiteral("mA");
    constexpr double initial = 1.25;
    Input input;
    switch (kind) {
    case 0:
        input = CommandInputs::selectionVoltage(range, volts, initial);
        break;
    case 1:
        input = CommandInputs::selectionCurrent(range, milliamps, initial);
        break;
    case 2:
        input = CommandInputs::moduleVoltage(range, volts, negative, initial);
        break;
    case 3:
        input = CommandInputs::moduleCurrent(range, milliamps, initial);
        break;
    case 4:
        input = CommandInputs::systemVoltage(range, volts, initial);
        break;
    default:
        input = CommandInputs::systemCurrent(range, milliamps, initial);
        break;
    }
    QCOMPARE(input.label, label);
    QCOMPARE(input.minimum, minimum);
    // The operator may type up to the largest nominal; the note warns of the rest.
    QCOMPARE(input.maximum, largest);
    QCOMPARE(input.value, initial);
    QCOMPARE(input.decimals, 3);
}

void TestCommandInputs::rampDialogs()
{
    const Input voltage = CommandInputs::voltageRamp(10.0);
    QCOMPARE(voltage.label, QStringLiteral("Input Voltage Ramp speed (%/s):"));
    QCOMPARE(voltage.value, 10.0);
    QCOMPARE(voltage.minimum, 0.001);
    QCOMPARE(voltage.maximum, 100.0);
    QCOMPARE(voltage.decimals, 3);

    const Input current = CommandInputs::currentRamp(50.0);
    QCOMPARE(current.label, QStringLiteral("Input Current Ramp speed (%/s):"));
    QCOMPARE(current.value, 50.0);
    QCOMPARE(current.minimum, 1.0);
    QCOMPARE(current.maximum, 100.0);
    QCOMPARE(current.decimals, 1);
}

void TestCommandInputs::choicesPreselectTheReportedValue_data()
{
    QTest::addColumn<bool>("adc");
    QTest::addColumn<quint32>("reported");
    QTest::addColumn<QString>("preselected");
    QTest::newRow("ADC 50") << true << quint32(50) << "50";
    QTest::newRow("ADC 60") << true << quint32(60) << "60";
    QTest::newRow("ADC 100") << true << quint32(100) << "100";
    QTest::newRow("ADC 500") << true << quint32(500) << "500";
    QTest::newRow("ADC 200") << true << quint32(200) << "500";
    QTest::newRow("ADC 0") << true << quint32(0) << "500";
    QTest::newRow("filter 1") << false << quint32(1) << "1";
    QTest::newRow("filter 16") << false << quint32(16) << "16";
    QTest::newRow("filter 256") << false << quint32(256) << "256";
    QTest::newRow("filter 1024") << false << quint32(1024) << "1024";
    QTest::newRow("filter 8") << false << quint32(8) << "64";
    QTest::newRow("filter 0") << false << quint32(0) << "64";
}

void TestCommandInputs::choicesPreselectTheReportedValue()
{
    QFETCH(bool, adc);
    QFETCH(quint32, reported);
    QFETCH(QString, preselected);
    const CommandInputs::Choice choice = adc ? CommandInputs::adcSamplesPerSecond(reported)
                                             : CommandInputs::digitalFilter(reported);
    if (adc) {
        QCOMPARE(choice.label, QStringLiteral("Choose ADC samples per second:"));
        QCOMPARE(choice.items, (QStringList {"50", "60", "100", "500"}));
    } else {
        QCOMPARE(choice.label, QStringLiteral("Choose Digital Filter averaging steps:"));
        QCOMPARE(choice.items, (QStringList {"1", "16", "64", "256", "1024"}));
    }
    QVERIFY(choice.current >= 0 && choice.current < choice.items.size());
    QCOMPARE(choice.items.at(choice.current), preselected);
}

void TestCommandInputs::choiceValue_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("accepted");
    QTest::addColumn<quint32>("value");
    QTest::newRow("number") << "500" << true << quint32(500);
    QTest::newRow("empty") << "" << false << quint32(0);
    QTest::newRow("not a number") << "fast" << false << quint32(0);
    QTest::newRow("negative") << "-1" << false << quint32(0);
}

void TestCommandInputs::choiceValue()
{
    QFETCH(QString, text);
    QFETCH(bool, accepted);
    QFETCH(quint32, value);
    quint32 result = 0;
    QCOMPARE(CommandInputs::choiceValue(text, &result), accepted);
    QCOMPARE(result, value);
}

void TestCommandInputs::staircase_data()
{
    QTest::addColumn<int>("channels");
    QTest::addColumn<double>("nominal");
    QTest::addColumn<bool>("downwards");
    QTest::addColumn<QList<float>>("values");

    QTest::newRow("4 x 3000 V, down")
        << 4 << 3000.0 << true << QList<float> {3000, 2900, 2800, 2700};
    QTest::newRow("4 x 3000 V, up")
        << 4 << 3000.0 << false << QList<float> {2700, 2800, 2900, 3000};
    // Step 225 / 3 = 75, below the 100 V limit.
    QTest::newRow("3 x 225 V, down") << 3 << 225.0 << true << QList<float> {225, 150, 75};
    // 1000 / 3 = 333.3 is limited to 100.
    QTest::newRow("3 x 1000 V, down") << 3 << 1000.0 << true << QList<float> {1000, 900, 800};
    // Step 10 / 3 = 3.33: every value is rounded down.
    QTest::newRow("3 x 10 V, down") << 3 << 10.0 << true << QList<float> {10, 6, 3};
    QTest::newRow("3 x 10 V, up") << 3 << 10.0 << false << QList<float> {3, 6, 10};
    QTest::newRow("no channels") << 0 << 3000.0 << true << QList<float> {};
    QTest::newRow("unidentified") << -1 << 3000.0 << false << QList<float> {};
}

void TestCommandInputs::staircase()
{
    QFETCH(int, channels);
    QFETCH(double, nominal);
    QFETCH(bool, downwards);
    QFETCH(QList<float>, values);
    QCOMPARE(CommandInputs::staircase(channels, nominal, downwards), values);
}

void TestCommandInputs::staircaseEndsOnTheNominalExactly()
{
    // 24 channels of 1000 V: step 41.67. Summing 23 steps upwards from the
    // bottom lands a hair below 1000, which rounded down would be 999.
    const QList<float> up = CommandInputs::staircase(24, 1000.0, false);
    const QList<float> down = CommandInputs::staircase(24, 1000.0, true);
    QCOMPARE(up.size(), 24);
    QCOMPARE(down.size(), 24);
    QCOMPARE(up.last(), 1000.0f);
    QCOMPARE(up.first(), 41.0f);
    QCOMPARE(down.first(), 1000.0f);
    QCOMPARE(down.at(1), 958.0f);
    QCOMPARE(down.last(), 41.0f);
    for (int ch = 0; ch < 24; ++ch)
        QCOMPARE(up.at(ch), down.at(23 - ch));
}

QTEST_GUILESS_MAIN(TestCommandInputs)
#include "tst_commandinputs.moc"
