// The modal set-current and settings dialogs: filled from a module, answered
// by a scripted runner instead of an operator, and what reaches the module.
#include "DialogSetCurrent.h"
#include "DialogSettings.h"
#include "DialogTestTools.h"
#include "ModalRuns.h"
#include "RecordingModule.h"

#include <QDoubleSpinBox>
#include <QLabel>
#include <QLocale>
#include <QSpinBox>
#include <QtTest>

using namespace DialogTestTools;

namespace {

/// A runner that lets `answer` look at and edit the dialog, then returns `result`.
template<class Dialog>
ModalRuns::ModalRunner answering(int result, std::function<void(Dialog *)> answer = {})
{
    return [=](QDialog *dialog) {
        auto *asked = qobject_cast<Dialog *>(dialog);
        if (!asked)
            return int(QDialog::Rejected);
        if (answer)
            answer(asked);
        return result;
    };
}

QString text(QWidget *dialog, const char *label) { return child<QLabel>(dialog, label)->text(); }

} // namespace

class TestModalDialogs : public QObject
{
    Q_OBJECT

private slots:
    void cleanup()
    {
        ModalRuns::setModalRunner({});
        QLocale::setDefault(QLocale::c());
    }

    // ---- set current and delayed trip

    void promptAndNote_data()
    {
        QTest::addColumn<int>("row"); // -1: all channels
        QTest::addColumn<QList<float>>("nominals");
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QString>("prompt");
        QTest::addColumn<QString>("note");
        QTest::newRow("all, 3 and 1") << -1 << QList<float> {3, 1, 3} << "C"
                                      << "Input a Set current (0...3 mA) for all channels:"
                                      << "Note: some channels will only allow 1 mA.";
        QTest::newRow("all equal") << -1 << QList<float> {2, 2} << "C"
                                   << "Input a Set current (0...2 mA) for all channels:"
                                   << "";
        QTest::newRow("one channel") << 2 << QList<float> {3, 1, 3} << "C"
                                     << "Input a Set current (0...3 mA) for channel 2:"
                                     << "";
        QTest::newRow("locale, six digits")
            << -1 << QList<float> {1.2345678f, 0.5f} << "de_DE"
            << "Input a Set current (0...1,23457 mA) for all channels:"
            << "Note: some channels will only allow 0,5 mA.";
    }
    void promptAndNote()
    {
        QFETCH(int, row);
        QFETCH(QList<float>, nominals);
        QFETCH(QString, locale);
        QFETCH(QString, prompt);
        QFETCH(QString, note);
        QLocale::setDefault(QLocale(locale));
        RecordingModule module;
        module.currentNominals = nominals;
        QString shownPrompt, shownNote;
        ModalRuns::setModalRunner(
            answering<DialogSetCurrent>(QDialog::Rejected, [&](DialogSetCurrent *d) {
                shownPrompt = text(d, "labelText");
                shownNote = text(d, "labelNote");
            }));
        if (row < 0)
            QVERIFY(!ModalRuns::runSetAllChannelsCurrentTrip(nullptr, &module, 0));
        else
            QVERIFY(!ModalRuns::runSetCurrentTrip(nullptr, &module, row));
        QCOMPARE(shownPrompt, prompt);
        QCOMPARE(shownNote, note);
        QVERIFY(module.calls.isEmpty()); // rejected: nothing written
    }

    void oneChannelIsPrefilledAndWritten()
    {
        RecordingModule module;
        module.currentNominals = {3, 1, 3};
        module.currentSets = {0.5f, 0.25f, 1.0f};
        module.delayedTripEnabled = true;
        module.delayedTripTime = 300;
        QStringList shown;
        ModalRuns::setModalRunner(
            answering<DialogSetCurrent>(QDialog::Accepted, [&](DialogSetCurrent *d) {
                shown << text(d, "lblUnit")
                      << QString::number(child<QDoubleSpinBox>(d, "sbValue")->maximum())
                      << QString::number(d->value()) << QString::number(d->delayedTrip())
                      << QString::number(d->rampDown()) << QString::number(d->tripDelay())
                      << QString::number(child(d, "sbDelay")->isEnabled());
                d->setValue(1.5);
                d->setRampDown(true);
                d->setTripDelay(800);
            }));
        QVERIFY(ModalRuns::runSetCurrentTrip(nullptr, &module, 2));
        QCOMPARE(shown, (QStringList {"mA", "3", "1", "1", "0", "300", "1"}));
        QCOMPARE(module.calls,
                 (QStringList {"SetChannelCurrentSet(2,1.5)",
                               "SetChannelDelayedTrip(2,true,true,800)"}));

        // Without a delayed trip its settings are disabled and the gentle choice is offered.
        module.delayedTripEnabled = false;
        shown.clear();
        ModalRuns::setModalRunner(
            answering<DialogSetCurrent>(QDialog::Rejected, [&](DialogSetCurrent *d) {
                shown << QString::number(d->rampDown())
                      << QString::number(child(d, "sbDelay")->isEnabled())
                      << QString::number(child(d, "grpDelayedTrip")->isEnabled());
            }));
        QVERIFY(!ModalRuns::runSetCurrentTrip(nullptr, &module, 0));
        QCOMPARE(shown, (QStringList {"1", "0", "0"}));
    }

    void allChannelsWriteOnceThenEachChannel()
    {
        RecordingModule module;
        module.currentNominals = {3, 1, 3};
        ModalRuns::setModalRunner(
            answering<DialogSetCurrent>(QDialog::Accepted, [](DialogSetCurrent *d) {
                d->setValue(0.5);
                d->setDelayedTrip(true);
                d->setRampDown(false);
                d->setTripDelay(1200);
            }));
        QVERIFY(ModalRuns::runSetAllChannelsCurrentTrip(nullptr, &module, 1));
        QCOMPARE(module.calls,
                 (QStringList {"SetAllChannelsCurrentSet(0.5)",
                               "SetChannelDelayedTrip(0,true,false,1200)",
                               "SetChannelDelayedTrip(1,true,false,1200)",
                               "SetChannelDelayedTrip(2,true,false,1200)"}));
    }

    void setCurrentWithNothingToActOn()
    {
        int runs = 0;
        ModalRuns::setModalRunner([&runs](QDialog *) {
            ++runs;
            return int(QDialog::Accepted);
        });
        QVERIFY(!ModalRuns::runSetCurrentTrip(nullptr, nullptr, 0));
        QVERIFY(!ModalRuns::runSetAllChannelsCurrentTrip(nullptr, nullptr, 0));
        RecordingModule module;
        QVERIFY(!ModalRuns::runSetCurrentTrip(nullptr, &module, -1));
        QCOMPARE(runs, 0);
        // A module without channels writes only the common value.
        module.currentNominals.clear();
        QVERIFY(ModalRuns::runSetAllChannelsCurrentTrip(nullptr, &module, -1));
        QCOMPARE(module.calls, QStringList {"SetAllChannelsCurrentSet(0)"});
    }

    // ---- display settings

    void settingsArePrefilledAndWritten()
    {
        RecordingModule module;
        module.unitOfCurrent = "nA";
        module.precisionOfVoltage = 2;
        module.precisionOfCurrent = 4;
        QStringList shown;
        ModalRuns::setModalRunner(
            answering<DialogSettings>(QDialog::Accepted, [&](DialogSettings *d) {
                shown << QString::number(d->useControllerUnits()) << d->voltageUnit()
                      << QString::number(d->voltagePrecision()) << d->currentUnit()
                      << QString::number(d->currentPrecision());
                d->setVoltageUnit("kV");
                d->setVoltagePrecision(0);
                d->setCurrentUnit(QString(QChar(0x00B5)) + "A"); // the micro sign
                d->setCurrentPrecision(6);
            }));
        QVERIFY(ModalRuns::runSettings(&module));
        QCOMPARE(shown, (QStringList {"0", "V", "2", "nA", "4"}));
        QCOMPARE(module.calls,
                 (QStringList {
                     "setUseControllerUnits(false)", "setVoltageUnit(kV)", "setVoltagePrecision(0)",
                     "setCurrentUnit(" + QString(QChar(0x00B5)) + "A)", "setCurrentPrecision(6)"}));
    }

    void unknownUnitLeavesTheFirstItem()
    {
        RecordingModule module;
        module.unitOfVoltage = "MV";
        module.unitOfCurrent = "MA"; // not "mA": units match exactly
        ModalRuns::setModalRunner(answering<DialogSettings>(QDialog::Accepted));
        QVERIFY(ModalRuns::runSettings(&module));
        QVERIFY(module.calls.contains("setVoltageUnit(kV)"));
        QVERIFY(module.calls.contains("setCurrentUnit(A)"));
    }

    void cancelChangesNothing()
    {
        RecordingModule module;
        ModalRuns::setModalRunner(
            answering<DialogSettings>(QDialog::Rejected, [](DialogSettings *d) {
                d->setVoltageUnit("kV");
                d->setCurrentPrecision(1);
            }));
        QVERIFY(!ModalRuns::runSettings(&module));
        QVERIFY(module.calls.isEmpty());
        QVERIFY(!ModalRuns::runSettings(nullptr));
    }
};

QTEST_MAIN(TestModalDialogs)
#include "tst_modaldialogs.moc"
