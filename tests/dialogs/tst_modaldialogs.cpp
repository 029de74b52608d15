// The modal set-current and settings dialogs: filled from a module, answered
// by a scripted runner instead of an operator, and what reaches the module.
#include "DialogSetCurrent.h"
#include "DialogSettings.h"
#include "ModalRuns.h"
#include "VmeModule.h"

#include <QtTest>
#include <QtWidgets>

namespace {

using Calls = QList<QVariantList>;
const QString Micro = QString(QChar(0x00B5)) + "A";

// The getters the modal runs use answer from public fields; every setter call
// is recorded in order as {name, arguments...}. Everything else is a module
// without a controller (reads 0, writes nothing).
class RecordingModule : public VmeModule
{
public:
    RecordingModule()
        : VmeModule(nullptr, 0x4000)
    {
    }

    QList<float> currentNominals {3.0f, 1.0f, 3.0f};
    QList<float> currentSets {0.5f, 0.25f, 1.0f};
    QString unitOfCurrent = QStringLiteral("mA");
    QString unitOfVoltage = QStringLiteral("V");
    bool delayedTripEnabled = false;
    int delayedTripTime = 0;
    Calls calls;

    int GetModuleChannelNumber() override { return int(currentNominals.size()); }
    float GetChannelCurrentNominal(int ch) override { return currentNominals.value(ch); }
    float GetChannelCurrentSet(int ch) override { return currentSets.value(ch); }
    bool GetChannelDelayedTripEnabled(int) override { return delayedTripEnabled; }
    bool GetChannelDelayedTripRampDown(int) override { return false; }
    int GetChannelDelayedTripTime(int) override { return delayedTripTime; }
    QString currentUnit(int) override { return unitOfCurrent; }
    QString voltageUnit(int) override { return unitOfVoltage; }
    bool useControllerUnits() override { return false; }
    bool supportsDelayedTrip() override { return true; }
    DisplayFormat displayFormat() override
    {
        DisplayFormat format;
        format.voltageUnit = DisplayFormat::voltageUnitIndex(unitOfVoltage);
        format.currentUnit = DisplayFormat::currentUnitIndex(unitOfCurrent);
        return format;
    }
    int voltagePrecision() override { return 2; }
    int currentPrecision() override { return 4; }

    void SetChannelCurrentSet(int ch, float iset) override { note(__func__, ch, iset); }
    void SetAllChannelsCurrentSet(float iset) override { note(__func__, iset); }
    void SetChannelDelayedTrip(int ch, bool on, bool ramp, int ms) override
    {
        note(__func__, ch, on, ramp, ms);
    }
    void setUseControllerUnits(bool use) override { note(__func__, use); }
    void setVoltageUnit(const QString &unit) override { note(__func__, unit); }
    void setVoltagePrecision(int digits) override { note(__func__, digits); }
    void setCurrentUnit(const QString &unit) override { note(__func__, unit); }
    void setCurrentPrecision(int digits) override { note(__func__, digits); }

private:
    template<class... Args> void note(const char *name, const Args &...args)
    {
        calls << QVariantList {QString::fromLatin1(name), QVariant::fromValue(args)...};
    }
};

template<class Dialog>
ModalRuns::ModalRunner answering(int result, std::function<void(Dialog *)> answer = {})
{
    return [=](QDialog *dialog) {
        if (answer)
            answer(qobject_cast<Dialog *>(dialog));
        return result;
    };
}

QString text(QWidget *dialog, const char *label)
{
    return dialog->findChild<QLabel *>(label)->text();
}

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

    void setCurrent_data()
    {
        QTest::addColumn<int>("row"); // -1: all channels, prefilled from channel 1
        QTest::addColumn<QList<float>>("nominals");
        QTest::addColumn<QString>("locale");
        QTest::addColumn<bool>("delayedTrip");
        QTest::addColumn<QString>("labels"); // prompt | note
        QTest::addColumn<QString>("fields"); // unit, maximum, value, trip, ramp, delay, enabled;
                                             // empty: the operator cancels
        const QList<float> mixed {3, 1, 3};
        const QString one = QStringLiteral("Input a Set current (0...3 mA) for channel 2:|");
        QTest::newRow("all, 3 and 1") << -1 << mixed << "C" << false
                                      << "Input a Set current (0...3 mA) for all channels:"
                                         "|Note: some channels will only allow 1 mA."
                                      << "mA 3 0.25 0 1 300 0";
        QTest::newRow("all equal") << -1 << QList<float> {2, 2} << "C" << false
                                   << "Input a Set current (0...2 mA) for all channels:|"
                                   << "";
        QTest::newRow("one channel, delayed trip")
            << 2 << mixed << "C" << true << one << "mA 3 1 1 0 300 1";
        // Without one its settings are disabled and the gentle choice is offered.
        QTest::newRow("one channel, none")
            << 2 << mixed << "C" << false << one << "mA 3 1 0 1 300 0";
        QTest::newRow("locale, six digits")
            << -1 << QList<float> {1.2345678f, 0.5f} << "de_DE" << false
            << "Input a Set current (0...1,23457 mA) for all channels:"
               "|Note: some channels will only allow 0,5 mA."
            << "";
    }
    void setCurrent()
    {
        QFETCH(int, row);
        QFETCH(QList<float>, nominals);
        QFETCH(QString, locale);
        QFETCH(bool, delayedTrip);
        QFETCH(QString, labels);
        QFETCH(QString, fields);
        QLocale::setDefault(QLocale(locale));
        RecordingModule module;
        module.currentNominals = nominals;
        module.delayedTripEnabled = delayedTrip;
        module.delayedTripTime = 300;
        const bool accept = !fields.isEmpty();
        QString seen;
        QStringList shown;
        // The operator turns the trip and ramp choices over: both reach the module.
        ModalRuns::setModalRunner(answering<DialogSetCurrent>(
            accept ? QDialog::Accepted : QDialog::Rejected, [&](DialogSetCurrent *d) {
                seen = text(d, "labelText") + '|' + text(d, "labelNote");
                const bool enabled = d->findChild<QWidget *>("sbDelay")->isEnabled();
                QCOMPARE(d->findChild<QWidget *>("grpDelayedTrip")->isEnabled(), enabled);
                shown << text(d, "lblUnit");
                for (double value :
                     {d->maximum(), d->value(), double(d->delayedTrip()), double(d->rampDown()),
                      double(d->tripDelay()), double(enabled)})
                    shown << QString::number(value);
                d->setValue(1.5);
                d->setDelayedTrip(!d->delayedTrip());
                d->setRampDown(!d->rampDown());
                d->setTripDelay(800);
            }));
        Calls expected;
        if (accept) {
            expected << (row < 0 ? QVariantList {"SetAllChannelsCurrentSet", 1.5f}
                                 : QVariantList {"SetChannelCurrentSet", row, 1.5f});
            for (int ch : row < 0 ? QList<int> {0, 1, 2} : QList<int> {row})
                expected << QVariantList {"SetChannelDelayedTrip", ch, !delayedTrip, delayedTrip,
                                          800};
        }
        QCOMPARE(row < 0 ? ModalRuns::runSetAllChannelsCurrentTrip(nullptr, &module, 1)
                         : ModalRuns::runSetCurrentTrip(nullptr, &module, row),
                 accept);
        QCOMPARE(seen, labels);
        if (accept)
            QCOMPARE(shown.join(' '), fields);
        QCOMPARE(module.calls, expected); // cancelled: nothing written
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
        // A module without channels allows 0 only: the set current 0.5 is refused.
        module.currentNominals.clear();
        QVERIFY(!ModalRuns::runSetAllChannelsCurrentTrip(nullptr, &module, -1));
        QVERIFY(module.calls.isEmpty());
    }

    void settingsArePrefilledAndWritten()
    {
        RecordingModule module;
        module.unitOfCurrent = "nA";
        ModalRuns::setModalRunner(answering<DialogSettings>(QDialog::Rejected));
        QVERIFY(!ModalRuns::runSettings(&module));
        QVERIFY(!ModalRuns::runSettings(nullptr));
        QVERIFY(module.calls.isEmpty());
        QStringList shown;
        ModalRuns::setModalRunner(
            answering<DialogSettings>(QDialog::Accepted, [&](DialogSettings *d) {
                shown << QString::number(d->useControllerUnits()) << d->voltageUnit()
                      << QString::number(d->voltagePrecision()) << d->currentUnit()
                      << QString::number(d->currentPrecision());
                d->setVoltageUnit("kV");
                d->setVoltagePrecision(0);
                d->setCurrentUnit(Micro);
                d->setCurrentPrecision(6);
            }));
        QVERIFY(ModalRuns::runSettings(&module));
        QCOMPARE(module.calls,
                 (Calls {{"setUseControllerUnits", false},
                         {"setVoltageUnit", "kV"},
                         {"setVoltagePrecision", 0},
                         {"setCurrentUnit", Micro},
                         {"setCurrentPrecision", 6}}));
        // Units match exactly ("MA" is not "mA"); an unknown one shows as the base unit.
        module.unitOfVoltage = "MV";
        module.unitOfCurrent = "MA";
        QVERIFY(ModalRuns::runSettings(&module));
        QCOMPARE(shown.join(' '), QStringLiteral("0 V 2 nA 4 0 V 2 A 4"));
    }
};

QTEST_MAIN(TestModalDialogs)
#include "tst_modaldialogs.moc"
