// The channel bounds dialog on its form: limits from the nominal values, the
// relabelling, the asymmetric-bound boxes and the words they send, and typed
// values that survive polling.
#include "DialogChannelBounds.h"
#include "DialogTestTools.h"

#include <QCheckBox>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QSignalSpy>
#include <QtTest>

using namespace DialogTestTools;

namespace {
constexpr int Serial = 4711;
} // namespace

class TestDialogChannelBounds : public QObject
{
    Q_OBJECT

    DialogChannelBounds *m_dialog = nullptr;

    QDoubleSpinBox *spin(const char *name) { return child<QDoubleSpinBox>(m_dialog, name); }
    QLabel *label(const char *name) { return child<QLabel>(m_dialog, name); }
    QCheckBox *box(const char *name) { return child<QCheckBox>(m_dialog, name); }

    /// One pass of the refresh cycle for the selected channel.
    void refresh(int channel, quint32 control, float vmax = 2000, float vmin = 100,
                 float imax = 2.5f, float imin = 0.1f)
    {
        m_dialog->updateChannelControl(Serial, channel, control);
        m_dialog->updateChannelVoltageNominal(Serial, channel, 3000, "V");
        m_dialog->updateChannelCurrentNominal(Serial, channel, 3, "mA");
        m_dialog->updateChannelVoltageInterlockMaxSet(Serial, channel, vmax, "V");
        m_dialog->updateChannelVoltageInterlockMinSet(Serial, channel, vmin, "V");
        m_dialog->updateChannelCurrentInterlockMaxSet(Serial, channel, imax, "mA");
        m_dialog->updateChannelCurrentInterlockMinSet(Serial, channel, imin, "mA");
    }

private slots:
    void init()
    {
        m_dialog = new DialogChannelBounds;
        m_dialog->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_dialog));
    }

    void cleanup()
    {
        delete m_dialog;
        m_dialog = nullptr;
    }

    void formBeforeAnyUpdate()
    {
        QCOMPARE(m_dialog->windowTitle(), QStringLiteral("Channel Voltage / Current Bounds"));
        QCOMPARE(label("lblChannel")->text(), QStringLiteral("Voltage and Current Bounds"));
        // The bound handlers ran once: symmetric labels, no unit yet.
        QCOMPARE(label("lblVoltageIlkMax")->text(), QStringLiteral("VoltageBounds ()"));
        QCOMPARE(label("lblCurrentIlkMax")->text(), QStringLiteral("CurrentBounds ()"));
        QCOMPARE(label("lblVoltageIlkMin")->text(), QStringLiteral("VoltageInterlockMinSet (V)"));
        QCOMPARE(label("lblCurrentIlkMin")->text(), QStringLiteral("CurrentInterlockMinSet (mA)"));
        for (const char *name :
             {"lblVoltageIlkMin", "spbVoltageIlkMin", "lblCurrentIlkMin", "spbCurrentIlkMin"})
            QVERIFY2(!child<QWidget>(m_dialog, name)->isEnabled(), name);
        QCOMPARE(spin("spbCurrentIlkMax")->decimals(), 3);
        QCOMPARE(spin("spbCurrentIlkMin")->decimals(), 3);

        // Without a channel neither the boxes nor the button send anything.
        QSignalSpy control(m_dialog, &DialogChannelBounds::setChannelControl);
        QSignalSpy bounds(m_dialog, &DialogChannelBounds::setChannelBounds);
        click(m_dialog, "chkAVBND");
        QVERIFY(box("chkAVBND")->isChecked());
        click(m_dialog, "btnSetBounds");
        QCOMPARE(control.count(), 0);
        QCOMPARE(bounds.count(), 0);
    }

    void nominalValuesLimitTheBoxes()
    {
        m_dialog->updateChannelVoltageNominal(Serial, 0, 3000, "V");
        QCOMPARE(spin("spbVoltageIlkMax")->maximum(), 3030.0);
        QCOMPARE(spin("spbVoltageIlkMin")->maximum(), 3000.0);
        QCOMPARE(label("lblVoltageIlkMax")->text(), QStringLiteral("VoltageBounds (V)"));
        spin("spbVoltageIlkMax")->setValue(5000);
        QCOMPARE(spin("spbVoltageIlkMax")->value(), 3030.0);

        m_dialog->updateChannelCurrentNominal(Serial, 0, 2, "mA");
        QCOMPARE(spin("spbCurrentIlkMax")->maximum(), 2.02);
        QCOMPARE(spin("spbCurrentIlkMin")->maximum(), 2.0);
        QCOMPARE(label("lblCurrentIlkMax")->text(), QStringLiteral("CurrentBounds (mA)"));
    }

    void tickingAsymmetricCurrentBounds()
    {
        refresh(4, 0x0008);
        QSignalSpy spy(m_dialog, &DialogChannelBounds::setChannelControl);
        click(m_dialog, "chkACBND");
        QVERIFY(spin("spbCurrentIlkMin")->isEnabled());
        QVERIFY(label("lblCurrentIlkMin")->isEnabled());
        QVERIFY(!spin("spbVoltageIlkMin")->isEnabled());
        QCOMPARE(label("lblCurrentIlkMax")->text(), QStringLiteral("CurrentInterlockMaxSet (mA)"));
        QCOMPARE(label("lblVoltageIlkMax")->text(), QStringLiteral("VoltageBounds (V)"));
        QCOMPARE(spy.count(), 1);
        QCOMPARE(spy.at(0).at(0).value<quint16>(), quint16(4));
        QCOMPARE(spy.at(0).at(1).value<quint16>(), quint16(0x0408));

        click(m_dialog, "chkACBND");
        QVERIFY(!spin("spbCurrentIlkMin")->isEnabled());
        QCOMPARE(label("lblCurrentIlkMax")->text(), QStringLiteral("CurrentBounds (mA)"));
        QCOMPARE(spy.at(1).at(1).value<quint16>(), quint16(0x0008));
    }

    void controlUpdateOfOtherBitsSendsNothing()
    {
        refresh(4, 0x0808);
        QVERIFY(box("chkAVBND")->isChecked());
        QSignalSpy spy(m_dialog, &DialogChannelBounds::setChannelControl);
        m_dialog->updateChannelControl(Serial, 4, 0x0800);
        m_dialog->updateChannelControl(Serial, 4, 0x0820);
        QCOMPARE(spy.count(), 0);
        QVERIFY(box("chkAVBND")->isChecked());
        QVERIFY(!box("chkACBND")->isChecked());
    }

    void reportedBoundBitTicksTheBoxAndEchoesTheWord()
    {
        refresh(2, 0x0008);
        QSignalSpy spy(m_dialog, &DialogChannelBounds::setChannelControl);
        m_dialog->updateChannelControl(Serial, 2, 0x0808);
        QVERIFY(box("chkAVBND")->isChecked());
        QVERIFY(spin("spbVoltageIlkMin")->isEnabled());
        QCOMPARE(label("lblVoltageIlkMax")->text(), QStringLiteral("VoltageInterlockMaxSet (V)"));
        // The handler sends the word just reported back to the channel.
        QCOMPARE(spy.count(), 1);
        QCOMPARE(spy.at(0).at(0).value<quint16>(), quint16(2));
        QCOMPARE(spy.at(0).at(1).value<quint16>(), quint16(0x0808));
    }

    void boxFollowsTheModuleWhenItRefusesTheBit()
    {
        refresh(1, 0x0000);
        click(m_dialog, "chkACBND"); // sent as 0x0400
        // The module reports the word without bit 10 (and another change).
        m_dialog->updateChannelControl(Serial, 1, 0x0008);
        QVERIFY(!box("chkACBND")->isChecked());
        QVERIFY(!spin("spbCurrentIlkMin")->isEnabled());
    }

    void channelChangeRenamesTheDialog()
    {
        m_dialog->updateChannelControl(Serial, 5, 0);
        QCOMPARE(m_dialog->windowTitle(), QStringLiteral("Channel 5 Voltage / Current Bounds"));
        QCOMPARE(label("lblChannel")->text(),
                 QStringLiteral("Voltage and Current Bounds for Channel 5"));
        QCOMPARE(m_dialog->channel(), 5);
    }

    void setBoundsSendsWhatTheBoxesShow()
    {
        refresh(3, 0x0C00);
        QSignalSpy spy(m_dialog, &DialogChannelBounds::setChannelBounds);
        click(m_dialog, "btnSetBounds");
        QCOMPARE(spy.count(), 1);
        const QList<QVariant> args = spy.at(0);
        QCOMPARE(args.at(0).toInt(), 3);
        QCOMPARE(args.at(1).toBool(), true);
        QCOMPARE(args.at(2).toFloat(), 2000.0f);
        QCOMPARE(args.at(3).toFloat(), 100.0f);
        QCOMPARE(args.at(4).toBool(), true);
        QCOMPARE(args.at(5).toFloat(), 2.5f);
        QCOMPARE(args.at(6).toFloat(), 0.1f);
    }

    void typedValuesSurviveIdenticalUpdates()
    {
        refresh(3, 0x0800);
        QDoubleSpinBox *vmax = spin("spbVoltageIlkMax");
        QDoubleSpinBox *vmin = spin("spbVoltageIlkMin");
        vmax->selectAll();
        QTest::keyClicks(vmax, "2500");
        vmin->selectAll();
        QTest::keyClicks(vmin, "300");
        QCOMPARE(vmax->value(), 2500.0);
        QCOMPARE(vmin->value(), 300.0);

        QSignalSpy control(m_dialog, &DialogChannelBounds::setChannelControl);
        for (int pass = 0; pass < 20; ++pass)
            refresh(3, 0x0800);
        QCOMPARE(vmax->value(), 2500.0);
        QCOMPARE(vmin->value(), 300.0);
        QCOMPARE(control.count(), 0);

        QSignalSpy bounds(m_dialog, &DialogChannelBounds::setChannelBounds);
        click(m_dialog, "btnSetBounds");
        QCOMPARE(bounds.at(0).at(2).toFloat(), 2500.0f);
        QCOMPARE(bounds.at(0).at(3).toFloat(), 300.0f);

        // A value the module reports differently replaces the typed one.
        refresh(3, 0x0800, 2400);
        QCOMPARE(vmax->value(), 2400.0);
        QCOMPARE(vmin->value(), 300.0);
    }
};

QTEST_MAIN(TestDialogChannelBounds)
#include "tst_dialogchannelbounds.moc"
