// The set current and delayed trip dialog: its texts, the delayed-trip
// enabling, and the one-channel and all-channels runs against a recording
// module (the dialog is answered by a scripted modal runner).
#include "DialogSetCurrent.h"
#include "DialogTestTools.h"
#include "DialogWiring.h"
#include "RecordingModule.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QGroupBox>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QtTest>
#include <algorithm>

using namespace DialogTestTools;

namespace {

struct Shown
{
    QString prompt;
    QString note;
    QString unit;
    double maximum = -1;
    double value = -1;
    bool delayedTrip = false;
    bool rampDown = false;
    int delay = -1;
};

/// A runner that notes what the dialog showed, lets `answer` edit it, and
/// returns `result`.
DialogWiring::ModalRunner answering(Shown *shown, int result,
                                    std::function<void(DialogSetCurrent *)> answer = {})
{
    return [=](QDialog *dialog) {
        auto *setCurrent = qobject_cast<DialogSetCurrent *>(dialog);
        if (!setCurrent)
            return int(QDialog::Rejected);
        shown->prompt = child<QLabel>(dialog, "labelText")->text();
        shown->note = child<QLabel>(dialog, "labelNote")->text();
        shown->unit = child<QLabel>(dialog, "lblUnit")->text();
        shown->maximum = child<QDoubleSpinBox>(dialog, "sbValue")->maximum();
        shown->value = setCurrent->value();
        shown->delayedTrip = setCurrent->delayedTrip();
        shown->rampDown = setCurrent->rampDown();
        shown->delay = setCurrent->tripDelay();
        if (answer)
            answer(setCurrent);
        return result;
    };
}

} // namespace

class TestDialogSetCurrent : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QLocale::setDefault(QLocale::c()); }

    void cleanup() { DialogWiring::setModalRunner({}); }

    void form()
    {
        DialogSetCurrent dialog;
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Set Current Trip"));
        QCOMPARE(child<QDoubleSpinBox>(&dialog, "sbValue")->decimals(), 6);
        QCOMPARE(child<QDoubleSpinBox>(&dialog, "sbValue")->minimum(), 0.0);
        auto *delay = child<QSpinBox>(&dialog, "sbDelay");
        QCOMPARE(delay->minimum(), 0);
        QCOMPARE(delay->maximum(), 4095);
        QCOMPARE(delay->singleStep(), 100);
        QVERIFY(!delay->isEnabled());
        QVERIFY(!child<QGroupBox>(&dialog, "grpDelayedTrip")->isEnabled());
        QCOMPARE(child<QGroupBox>(&dialog, "grpDelayedTrip")->title(),
                 QStringLiteral("Channel configuration"));
        QVERIFY(child<QRadioButton>(&dialog, "chkRampDown")->isChecked());
        QVERIFY(!child<QRadioButton>(&dialog, "chkShutDown")->isChecked());
        QCOMPARE(child<QCheckBox>(&dialog, "chkDelayedTrip")->text(),
                 QStringLiteral("Turn the channel off when reaching this current"));
        QCOMPARE(child<QLabel>(&dialog, "label")->text(),
                 QStringLiteral("Note: Delayed Trip is only available in Mode Kill disable."));
        auto *buttons = child<QDialogButtonBox>(&dialog, "buttonBox");
        QCOMPARE(buttons->standardButtons(), QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    }

    void okAndCancelCloseTheDialog()
    {
        DialogSetCurrent dialog;
        dialog.show();
        auto *buttons = child<QDialogButtonBox>(&dialog, "buttonBox");
        buttons->button(QDialogButtonBox::Ok)->click();
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        dialog.show();
        buttons->button(QDialogButtonBox::Cancel)->click();
        QCOMPARE(dialog.result(), int(QDialog::Rejected));
    }

    void delayedTripEnablesItsSettings()
    {
        DialogSetCurrent dialog;
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        click(&dialog, "chkDelayedTrip");
        QVERIFY(child<QSpinBox>(&dialog, "sbDelay")->isEnabled());
        QVERIFY(child<QGroupBox>(&dialog, "grpDelayedTrip")->isEnabled());
        dialog.setTripDelay(700);
        dialog.setRampDown(false);

        click(&dialog, "chkDelayedTrip");
        QVERIFY(!child<QSpinBox>(&dialog, "sbDelay")->isEnabled());
        QVERIFY(!child<QGroupBox>(&dialog, "grpDelayedTrip")->isEnabled());
        // The values stay as they were.
        QCOMPARE(dialog.tripDelay(), 700);
        QVERIFY(!dialog.rampDown());
        QVERIFY(child<QRadioButton>(&dialog, "chkShutDown")->isChecked());
        dialog.setRampDown(true);
        QVERIFY(dialog.rampDown());
        QVERIFY(!child<QRadioButton>(&dialog, "chkShutDown")->isChecked());
    }

    void textsForOneChannel()
    {
        DialogSetCurrent dialog;
        dialog.setChannel(2);
        dialog.setMaximum(3);
        dialog.setLowestMaximum(1); // not shown for one channel
        dialog.setUnit("mA");
        QCOMPARE(child<QLabel>(&dialog, "labelText")->text(),
                 QStringLiteral("Input a Set current (0...3 mA) for channel 2:"));
        QVERIFY(child<QLabel>(&dialog, "labelNote")->text().isEmpty());
        QCOMPARE(child<QLabel>(&dialog, "lblUnit")->text(), QStringLiteral("mA"));
    }

    void textsUseTheLocaleAndSixDigits()
    {
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        DialogSetCurrent dialog;
        dialog.setChannel(0);
        dialog.setMaximum(1.2345678);
        dialog.setUnit("mA");
        QLocale::setDefault(QLocale::c());
        QCOMPARE(child<QLabel>(&dialog, "labelText")->text(),
                 QStringLiteral("Input a Set current (0...1,23457 mA) for channel 0:"));
    }

    void allChannelsPromptAndNote_data()
    {
        QTest::addColumn<QList<float>>("nominals");
        QTest::addColumn<QString>("prompt");
        QTest::addColumn<QString>("note");
        QTest::newRow("3 and 1") << QList<float> {3, 1, 3}
                                 << "Input a Set current (0...3 mA) for all channels:"
                                 << "Note: some channels will only allow 1 mA.";
        QTest::newRow("all equal")
            << QList<float> {2, 2} << "Input a Set current (0...2 mA) for all channels:"
            << "";
    }
    void allChannelsPromptAndNote()
    {
        QFETCH(QList<float>, nominals);
        QFETCH(QString, prompt);
        QFETCH(QString, note);
        RecordingModule module;
        module.currentNominals = nominals;
        module.currentSets = {0.75f};
        Shown shown;
        DialogWiring::setModalRunner(answering(&shown, QDialog::Rejected));
        QVERIFY(!DialogWiring::runSetAllChannelsCurrentTrip(nullptr, &module, 0));
        QCOMPARE(shown.prompt, prompt);
        QCOMPARE(shown.note, note);
        QCOMPARE(shown.maximum, double(*std::max_element(nominals.cbegin(), nominals.cend())));
        QCOMPARE(shown.value, 0.75);
        QVERIFY(module.calls.isEmpty()); // rejected: nothing written
    }

    void oneChannelAcceptedWritesCurrentThenDelayedTrip()
    {
        RecordingModule module;
        module.currentNominals = {3, 1, 3};
        module.currentSets = {0.5f, 0.25f, 1.0f};
        Shown shown;
        DialogWiring::setModalRunner(answering(&shown, QDialog::Accepted, [](DialogSetCurrent *d) {
            d->setValue(1.5);
            d->setDelayedTrip(true);
            d->setRampDown(false);
            d->setTripDelay(800);
        }));
        QVERIFY(DialogWiring::runSetCurrentTrip(nullptr, &module, 2));
        QCOMPARE(shown.prompt, QStringLiteral("Input a Set current (0...3 mA) for channel 2:"));
        QCOMPARE(shown.unit, QStringLiteral("mA"));
        QCOMPARE(shown.value, 1.0);
        QCOMPARE(module.calls,
                 (QStringList {"SetChannelCurrentSet(2,1.5)",
                               "SetChannelDelayedTrip(2,true,false,800)"}));
    }

    void oneChannelPrefillsTheDelayedTrip()
    {
        RecordingModule module;
        module.delayedTripEnabled = true;
        module.delayedTripRampDown = false;
        module.delayedTripTime = 300;
        Shown shown;
        DialogWiring::setModalRunner(answering(&shown, QDialog::Rejected));
        DialogWiring::runSetCurrentTrip(nullptr, &module, 0);
        QVERIFY(shown.delayedTrip);
        QVERIFY(!shown.rampDown);
        QCOMPARE(shown.delay, 300);

        // Without a delayed trip the gentle choice is offered.
        module.delayedTripEnabled = false;
        DialogWiring::runSetCurrentTrip(nullptr, &module, 0);
        QVERIFY(!shown.delayedTrip);
        QVERIFY(shown.rampDown);
    }

    void allChannelsAcceptedWritesOnceThenEachChannel()
    {
        RecordingModule module;
        module.currentNominals = {3, 1, 3};
        Shown shown;
        DialogWiring::setModalRunner(answering(&shown, QDialog::Accepted, [](DialogSetCurrent *d) {
            d->setValue(0.5);
            d->setDelayedTrip(true);
            d->setRampDown(false);
            d->setTripDelay(1200);
        }));
        QVERIFY(DialogWiring::runSetAllChannelsCurrentTrip(nullptr, &module, 1));
        QCOMPARE(module.calls,
                 (QStringList {"SetAllChannelsCurrentSet(0.5)",
                               "SetChannelDelayedTrip(0,true,false,1200)",
                               "SetChannelDelayedTrip(1,true,false,1200)",
                               "SetChannelDelayedTrip(2,true,false,1200)"}));
    }

    void nothingToActOn()
    {
        Shown shown;
        DialogWiring::setModalRunner(answering(&shown, QDialog::Accepted));
        QVERIFY(!DialogWiring::runSetCurrentTrip(nullptr, nullptr, 0));
        RecordingModule module;
        QVERIFY(!DialogWiring::runSetCurrentTrip(nullptr, &module, -1));
        QVERIFY(shown.prompt.isEmpty()); // never shown
        QVERIFY(module.calls.isEmpty());

        // A module without channels offers 0...0 and writes only the common value.
        module.currentNominals.clear();
        QVERIFY(DialogWiring::runSetAllChannelsCurrentTrip(nullptr, &module, -1));
        QCOMPARE(shown.maximum, 0.0);
        QCOMPARE(module.calls, QStringList {"SetAllChannelsCurrentSet(0)"});
    }
};

QTEST_MAIN(TestDialogSetCurrent)
#include "tst_dialogsetcurrent.moc"
