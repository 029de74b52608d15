// The display settings dialog: its items, the exact-match unit selection, and
// the run that fills it from a module and writes the choices back.
#include "DialogSettings.h"
#include "DialogTestTools.h"
#include "DialogWiring.h"
#include "RecordingModule.h"

#include <QComboBox>
#include <QRadioButton>
#include <QSpinBox>
#include <QtTest>

using namespace DialogTestTools;

namespace {

QStringList items(QComboBox *box)
{
    QStringList texts;
    for (int i = 0; i < box->count(); ++i)
        texts << box->itemText(i);
    return texts;
}

/// A runner that returns `result`, after `answer` had its say.
DialogWiring::ModalRunner answering(int result, std::function<void(DialogSettings *)> answer = {})
{
    return [=](QDialog *dialog) {
        auto *settings = qobject_cast<DialogSettings *>(dialog);
        if (!settings)
            return int(QDialog::Rejected);
        if (answer)
            answer(settings);
        return result;
    };
}

} // namespace

class TestDialogSettings : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { DialogWiring::setModalRunner({}); }

    void form()
    {
        DialogSettings dialog;
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Settings"));
        QCOMPARE(items(child<QComboBox>(&dialog, "lstVoltageUnit")), (QStringList {"kV", "V"}));
        // The micro sign, not the Greek letter mu.
        QCOMPARE(items(child<QComboBox>(&dialog, "lstCurrentUnit")),
                 (QStringList {"A", "mA", QString(QChar(0x00B5)) + "A", "nA"}));
        QCOMPARE(dialog.voltagePrecision(), 3);
        QCOMPARE(dialog.currentPrecision(), 3);
        QVERIFY(dialog.useControllerUnits());
        QCOMPARE(child<QRadioButton>(&dialog, "chkUseOpcSettings")->text(),
                 QStringLiteral("Use OPC Server settings"));
        QCOMPARE(child<QRadioButton>(&dialog, "chkUseOwnSettings")->text(),
                 QStringLiteral("Use own settings:"));
    }

    void unitsMatchExactly()
    {
        DialogSettings dialog;
        dialog.setVoltageUnit("V");
        QCOMPARE(dialog.voltageUnit(), QStringLiteral("V"));
        dialog.setVoltageUnit("v"); // no item: no change
        QCOMPARE(dialog.voltageUnit(), QStringLiteral("V"));
        dialog.setCurrentUnit("nA");
        QCOMPARE(dialog.currentUnit(), QStringLiteral("nA"));
        dialog.setCurrentUnit("MA");
        QCOMPARE(dialog.currentUnit(), QStringLiteral("nA"));

        dialog.setUseControllerUnits(false);
        QVERIFY(!dialog.useControllerUnits());
        QVERIFY(child<QRadioButton>(&dialog, "chkUseOwnSettings")->isChecked());
        dialog.setUseControllerUnits(true);
        QVERIFY(dialog.useControllerUnits());
    }

    void acceptedUnchangedWritesTheSameValuesBack()
    {
        RecordingModule module;
        module.unitOfVoltage = "V";
        module.unitOfCurrent = "nA";
        module.controllerUnits = false;
        module.precisionOfVoltage = 2;
        module.precisionOfCurrent = 4;
        QString shownVoltageUnit;
        DialogWiring::setModalRunner(answering(
            QDialog::Accepted, [&](DialogSettings *d) { shownVoltageUnit = d->voltageUnit(); }));
        QVERIFY(DialogWiring::runSettings(&module));
        QCOMPARE(shownVoltageUnit, QStringLiteral("V"));
        QCOMPARE(module.calls,
                 (QStringList {"setUseControllerUnits(false)", "setVoltageUnit(V)",
                               "setVoltagePrecision(2)", "setCurrentUnit(nA)",
                               "setCurrentPrecision(4)"}));
    }

    void unknownUnitLeavesTheFirstItem()
    {
        RecordingModule module;
        module.unitOfVoltage = "MV";
        module.unitOfCurrent = "pA";
        QString shownCurrentUnit;
        DialogWiring::setModalRunner(answering(
            QDialog::Accepted, [&](DialogSettings *d) { shownCurrentUnit = d->currentUnit(); }));
        QVERIFY(DialogWiring::runSettings(&module));
        QCOMPARE(shownCurrentUnit, QStringLiteral("A"));
        QVERIFY(module.calls.contains("setVoltageUnit(kV)"));
        QVERIFY(module.calls.contains("setCurrentUnit(A)"));
    }

    void choicesReachTheModule()
    {
        RecordingModule module;
        DialogWiring::setModalRunner(answering(QDialog::Accepted, [](DialogSettings *d) {
            d->setUseControllerUnits(false);
            d->setVoltageUnit("kV");
            d->setVoltagePrecision(0);
            d->setCurrentUnit(QString(QChar(0x00B5)) + "A");
            d->setCurrentPrecision(6);
        }));
        QVERIFY(DialogWiring::runSettings(&module));
        QCOMPARE(module.calls,
                 (QStringList {
                     "setUseControllerUnits(false)", "setVoltageUnit(kV)", "setVoltagePrecision(0)",
                     "setCurrentUnit(" + QString(QChar(0x00B5)) + "A)", "setCurrentPrecision(6)"}));
    }

    void cancelChangesNothing()
    {
        RecordingModule module;
        DialogWiring::setModalRunner(answering(QDialog::Rejected, [](DialogSettings *d) {
            d->setVoltageUnit("kV");
            d->setCurrentPrecision(1);
        }));
        QVERIFY(!DialogWiring::runSettings(&module));
        QVERIFY(module.calls.isEmpty());
        QVERIFY(!DialogWiring::runSettings(nullptr));
    }
};

QTEST_MAIN(TestDialogSettings)
#include "tst_dialogsettings.moc"
