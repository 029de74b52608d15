// The word arithmetic the dialogs share, without their forms.
#include "BitBoxGroup.h"
#include "DialogBits.h"

#include <QCheckBox>
#include <QSignalSpy>
#include <QtTest>

class TestDialogBits : public QObject
{
    Q_OBJECT

private slots:
    void changeTestCountsTheWholeReportedWord()
    {
        QVERIFY(!DialogBits::differs(0x8008, 0x8008));
        QVERIFY(DialogBits::differs(0x8009, 0x8008));
        QVERIFY(DialogBits::differs(0x18008, 0x8008));
        QVERIFY(DialogBits::differs(0x80000000, 0));
    }

    void composeKeepsWhatIsNotReplaced()
    {
        QCOMPARE(DialogBits::compose(0x0303, 0xFCFC, 0xFFFF), 0xFFFFu);
        QCOMPARE(DialogBits::compose(0xFFFF, 0xFCFC, 0x0000), 0x0303u);
        // Bits outside `replaced` in `bits` are ignored.
        QCOMPARE(DialogBits::compose(0x0000, 0x0008, 0xFFFF), 0x0008u);
        QCOMPARE(DialogBits::withBit(0x0400, 10, false), 0u);
        QCOMPARE(DialogBits::withBit(0, 31, true), 0x80000000u);
    }

    void channelMaskBlocks_data()
    {
        QTest::addColumn<int>("channels");
        QTest::addColumn<int>("boxes");
        const QList<QPair<int, int>> rows {{-1, 0},  {0, 0},   {3, 0},   {4, 4},   {7, 4},
                                           {8, 8},   {12, 12}, {15, 12}, {16, 16}, {23, 16},
                                           {24, 24}, {31, 24}, {32, 32}, {33, 24}};
        for (const auto &row : rows)
            QTest::addRow("%d channels", row.first) << row.first << row.second;
    }
    void channelMaskBlocks()
    {
        QFETCH(int, channels);
        QFETCH(int, boxes);
        QCOMPARE(DialogBits::channelMaskBoxCount(channels), boxes);
    }

    void bitBoxGroupShowsAndComposes()
    {
        QCheckBox high, low, unrelated;
        BitBoxGroup group;
        group.add(&high, 15);
        group.add(&low, 2);
        QCOMPARE(group.mask(), 0x8004u);

        QSignalSpy toggled(&high, &QCheckBox::toggled);
        group.show(0xFFFF);
        QVERIFY(high.isChecked() && low.isChecked());
        QVERIFY(!unrelated.isChecked());
        // A value from the device is no edit: the boxes stay quiet.
        QCOMPARE(toggled.count(), 0);

        low.setChecked(false);
        QCOMPARE(group.word(), 0x8000u);
        QCOMPARE(group.composeOnto(0x0007), 0x8003u);
        group.show(0x0004);
        QCOMPARE(group.word(), 0x0004u);
    }
};

QTEST_MAIN(TestDialogBits)
#include "tst_dialogbits.moc"
