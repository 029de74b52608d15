// What the commands ask the operator and compute, without a window: the
// labels and bounds of the input dialogs and the set-voltage staircase.
#include <CommandInputs.h>

#include <QLocale>
#include <QtTest>

class TestCommandInputs : public QObject
{
    Q_OBJECT

private slots:
    void labelAndStaircaseRules();
};

void TestCommandInputs::labelAndStaircaseRules()
{
    // Numbers in labels: the locale's digits, six significant digits.
    QCOMPARE(CommandInputs::channelVoltage(1, 1234567.0, QStringLiteral("V"), false, 0).label,
             QStringLiteral("Input a voltage (0...1.23457e+06 V) for channel 1:"));
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    QCOMPARE(CommandInputs::channelVoltage(1, 2.5, QStringLiteral("V"), false, 0).label,
             QStringLiteral("Input a voltage (0...2,5 V) for channel 1:"));
    QLocale::setDefault(QLocale::c());

    // Class 28 takes voltages below zero; a negative nominal bounds by its size.
    QVERIFY(CommandInputs::allowsNegativeVoltage(QStringLiteral("DC28")));
    QVERIFY(!CommandInputs::allowsNegativeVoltage(QStringLiteral("DC20")));
    const CommandInputs::DoubleInput bipolar
        = CommandInputs::channelVoltage(5, -2500.0, QStringLiteral("V"), true, -10);
    QCOMPARE(bipolar.label, QStringLiteral("Input a voltage (-2500...2500 V) for channel 5:"));
    QCOMPARE(bipolar.minimum, -2500.0);
    QCOMPARE(bipolar.maximum, 2500.0);
    QCOMPARE(CommandInputs::channelVoltage(5, -2500.0, QStringLiteral("V"), false, 0).minimum, 0.0);
    CommandInputs::NominalRange range;
    range.largest = 6000.0;
    range.smallest = 4000.0;
    QCOMPARE(CommandInputs::moduleVoltage(range, QStringLiteral("V"), true, 0).minimum, -6000.0);

    // 24 channels of 1000 V: step 41.67. Summing 23 steps upwards from the
    // bottom lands a hair below 1000, which rounded down would be 999.
    const QList<float> up = CommandInputs::staircase(24, 1000.0, false);
    QCOMPARE(up.size(), 24);
    QCOMPARE(up.first(), 41.0f);
    QCOMPARE(up.last(), 1000.0f);
    QCOMPARE(CommandInputs::staircase(24, 1000.0, true).first(), 1000.0f);
}

QTEST_GUILESS_MAIN(TestCommandInputs)
#include "tst_commandinputs.moc"
