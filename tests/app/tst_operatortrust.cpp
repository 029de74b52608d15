// What an operator must be able to trust, on the main window over the
// simulated crate: nothing is cut off, typed set values are written exactly or
// refused, a module that stops answering is shown stale and refused, and the
// display settings hold across a restart. Simulated time is frozen and the
// refresh stopped: every test drives the ticks itself.
#include "TestCrate.h"
#include "WindowTest.h"

#include <BaseModule.h>
#include <CrateCore.h>
#include <HvTable.h>
#include <ModalRuns.h>
#include <norvsim.h>

#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QScrollBar>
#include <QSpinBox>
#include <QStatusBar>
#include <QtTest>

class TestOperatorTrust : public WindowTest
{
    Q_OBJECT

private slots:
    void init();

    void typedSetValuesAreWrittenExactlyOrRefused_data();
    void typedSetValuesAreWrittenExactlyOrRefused();
    void longTextsFitTheTableAndTheScreen();
    void aModuleThatStopsAnsweringIsStaleAndRefused();
    void aFailedReadIsNeverShownAsAValue();
    void displaySettingsChangeTheTableAndSurviveARestart();

private:
    /// A window with one refresh pass done.
    NorvControl &startShown();
};

void TestOperatorTrust::init()
{
    WindowTest::init();
    // The table shows "1,500.0": its own form must be taken back.
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
}

NorvControl &TestOperatorTrust::startShown()
{
    NorvControl &window = start();
    refreshPass(window);
    return window;
}

void TestOperatorTrust::typedSetValuesAreWrittenExactlyOrRefused_data()
{
    QTest::addColumn<QString>("via"); // the table's Vset or Iset cell, or "Set Voltage..."
    QTest::addColumn<QString>("typed");
    QTest::addColumn<double>("written"); // V or A; NaN: refused
    QTest::addColumn<QString>("refusal");
    const double refused = qQNaN();
    const QString range = QStringLiteral(" is outside the allowed range 0...3,000 V. Nothing was "
                                         "written.");
    QTest::newRow("lower limit") << "Vset" << "0" << 0.0 << "";
    QTest::newRow("upper limit") << "Vset" << "3000" << 3000.0 << "";
    QTest::newRow("decimals kept") << "Vset" << "1234.567" << 1234.567 << "";
    QTest::newRow("as the table shows it") << "Vset" << "1,500.0" << 1500.0 << "";
    QTest::newRow("above") << "Vset" << "99999" << refused << "99,999 V" + range;
    QTest::newRow("negative") << "Vset" << "-100" << refused << "-100 V" + range;
    QTest::newRow("no number") << "Vset" << "abc" << refused
                               << "\"abc\" is not a number. Allowed: 0...3,000 V. Nothing was "
                                  "written.";
    QTest::newRow("misplaced separator") << "Vset" << "1,50.0" << refused
                                         << "\"1,50.0\" is not a number. Allowed: 0...3,000 V. "
                                            "Nothing was written.";
    QTest::newRow("current in range") << "Iset" << "2.5" << 0.0025 << "";
    QTest::newRow("current above") << "Iset" << "5" << refused
                                   << "5 mA is outside the allowed range 0...3 mA. Nothing was "
                                      "written.";
    // The input dialog returns what was typed; its range is checked before writing.
    QTest::newRow("dialog, above") << "dialog" << "3500" << refused << "3,500 V" + range;
    QTest::newRow("dialog, limit") << "dialog" << "3000" << 3000.0 << "";
}

void TestOperatorTrust::typedSetValuesAreWrittenExactlyOrRefused()
{
    QFETCH(QString, via);
    QFETCH(QString, typed);
    QFETCH(double, written);
    QFETCH(QString, refusal);
    NorvControl &window = startShown();
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    const bool current = via == QLatin1String("Iset");
    const int quantity = current ? NORVSIM_ISET : NORVSIM_VSET;
    QVERIFY(TestCrate::startTrace(m_dir.path()));

    if (via == QLatin1String("dialog")) {
        table(window)->setCurrentCell(2, 0);
        m_prompt->answerValue(typed.toDouble());
        trigger(window, "actionSetVoltage");
    } else {
        HvTable *view = table(window);
        view->setCurrentCell(2, current ? HvTable::CurrentSetColumn : HvTable::VoltageSetColumn);
        QTest::keyClick(view, Qt::Key_F2);
        auto *editor = qobject_cast<QLineEdit *>(QApplication::focusWidget());
        QVERIFY(editor);
        editor->selectAll();
        QTest::keyClicks(editor, typed);
        QTest::keyClick(editor, Qt::Key_Return);
        QTRY_COMPARE(view->editRow(), -1);
    }

    if (qIsNaN(written)) {
        // Not a single write, not even of a clamped or zero value.
        QTRY_COMPARE(m_prompt->shownOf("warning"), QStringList {refusal + " [Ok]"});
        QCOMPARE(TestCrate::stopTrace('W'), QList<quint32> {});
    } else {
        // The float the module takes, of exactly what was typed.
        QTRY_VERIFY(qAbs(norvsim_channel_value(Base20, 2, quantity) - written)
                    <= 1e-7 * qMax(1.0, written));
        QTest::qWait(10);
        QVERIFY(m_prompt->shownOf("warning").isEmpty());
    }
}

void TestOperatorTrust::longTextsFitTheTableAndTheScreen()
{
    NorvControl &window = startShown();
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    // That a trip shows red is pinned in parts: the simulated trip, the status
    // cell's rule and the table's colours (the window test). Here the longest
    // status text must fit its column: nothing may read "Voltage Co...".
    window.crate()->module(0)->SetChannelVoltageSet(5, 800.0f);
    window.crate()->module(0)->SetChannelOn(5);
    norvsim_advance_ms(20000);
    refreshPass(window);
    QCOMPARE(cellText(window, 5, HvTable::StatusColumn), QStringLiteral("Voltage Control"));
    const QFontMetrics metrics(table(window)->font());
    QVERIFY(table(window)->columnWidth(HvTable::StatusColumn)
            >= metrics.horizontalAdvance(cellText(window, 5, HvTable::StatusColumn)));

    trigger(window, "actionModuleOverview");
    refreshPass(window);
    auto *overview = window.findChild<QDialog *>(QStringLiteral("DialogOverview"));
    QVERIFY(overview);
    auto *voltages = overview->findChild<QTableWidget *>(QStringLiteral("voltageTable"));
    QCOMPARE(voltages->columnCount(), 2); // two modules, no empty columns
    trigger(window, "actionModuleStatusControl");
    auto *moduleDialog = window.findChild<QDialog *>(QStringLiteral("DialogModuleControl"));
    QVERIFY(moduleDialog->height() <= 800); // a 1280 x 800 screen

    // 24 channels in the default window: the Status column beside the scroll bar.
    trigger(window, "actionNextModule");
    refreshPass(window);
    HvTable *view = table(window);
    QCOMPARE(view->rowCount(), 24);
    QTRY_VERIFY(view->verticalScrollBar()->isVisible());
    QVERIFY(view->columnViewportPosition(HvTable::StatusColumn)
                + view->columnWidth(HvTable::StatusColumn)
            <= view->viewport()->width());
}

void TestOperatorTrust::aModuleThatStopsAnsweringIsStaleAndRefused()
{
    QVERIFY(TestCrate::resetFrom(
        m_dir.path(),
        {TestCrate::module(Base20, 20, 4711, {{"faults", QJsonObject {{"unplug_at_s", 5}}}}),
         TestCrate::module(Base29, 29, 4712)}));
    NorvControl &window = startShown();
    auto *serial = window.findChild<QLabel *>(QStringLiteral("lblSerial"));
    QVERIFY(serial->isEnabled());

    // The core's state and the greyed table are the crate core's and window's tests.
    norvsim_advance_ms(6000);
    window.crate()->refreshTimerUpdate();
    QVERIFY(!serial->isEnabled());
    QCOMPARE(serial->text(), QStringLiteral("4711")); // the last one known, greyed

    // Commands and dialogs refuse with one line instead of acting on zeros.
    norvsim_reset_counters();
    table(window)->setCurrentCell(1, 0);
    trigger(window, "actionSetVoltage");
    trigger(window, "actionSetAllChannelsOn");
    trigger(window, "actionSuppliesAndTemperature");
    QVERIFY(m_prompt->shown.isEmpty());
    QCOMPARE(window.statusBar()->currentMessage(),
             QStringLiteral("VME BA 0x4000 does not answer: nothing was sent to it."));
    QVERIFY(!window.findChild<QDialog *>(QStringLiteral("DialogSuppliesTempLimits")));

    // The switch-off at the exit reaches the other module and names this one.
    m_prompt->answerButton(QMessageBox::Yes);
    m_prompt->answerButton(QMessageBox::Ok);
    TestCrate::switchAllOn(Base29, 29);
    QVERIFY(window.close());
    QCOMPARE(TestCrate::channelsOn(Base29, 29), 0);
    const QStringList warnings = m_prompt->shownOf("warning");
    QCOMPARE(warnings.size(), 1);
    QVERIFY(warnings.at(0).endsWith(QLatin1String("may still be on:\nVME BA 0x4000 [Ok]")));
}

void TestOperatorTrust::aFailedReadIsNeverShownAsAValue()
{
    NorvControl &window = startShown();
    table(window)->setCurrentCell(2, 0);
    QSignalSpy nominals(window.crate(), &CrateCore::updateChannelCurrentNominal);
    QCOMPARE(norvsim_inject_bus_errors(Base20, 0.02, 7), 0);
    QSet<QString> shown;
    auto *status = window.findChild<QLabel *>(QStringLiteral("lblModuleStatus"));
    for (int tick = 0; tick < 300; ++tick) {
        const quint32 failed = window.crate()->currentModule()->failedReads();
        window.crate()->refreshTimerUpdate();
        // The labels are greyed on exactly the ticks whose reads failed.
        QCOMPARE(status->isEnabled(), window.crate()->currentModule()->failedReads() == failed);
        for (int row = 0; row < table(window)->rowCount(); ++row)
            shown << cellText(window, row, HvTable::CurrentSetColumn)
                  << cellText(window, row, HvTable::CurrentNominalColumn);
    }
    // A failed cycle reads 0: neither the cells nor the dialogs may see it.
    QCOMPARE(shown, QSet<QString> {QStringLiteral("3.000")});
    QVERIFY(nominals.size() > 5);
    for (const QList<QVariant> &update : std::as_const(nominals))
        QCOMPARE(update.at(2).toFloat(), 3.0f);
}

void TestOperatorTrust::displaySettingsChangeTheTableAndSurviveARestart()
{
    QLocale::setDefault(QLocale::c());
    NorvControl &window = startShown();
    QCOMPARE(cellText(window, 0, HvTable::VoltageNominalColumn), QStringLiteral("3000.0"));
    ModalRuns::setModalRunner([](QDialog *dialog) {
        dialog->findChild<QComboBox *>(QStringLiteral("lstVoltageUnit"))->setCurrentText("kV");
        dialog->findChild<QComboBox *>(QStringLiteral("lstCurrentUnit"))
            ->setCurrentText(QString(QChar(0x00B5)) + "A");
        // The operator's own choice, made by typing a number of digits.
        dialog->findChild<QSpinBox *>(QStringLiteral("sbVoltagePrecision"))->setValue(2);
        return int(QDialog::Accepted);
    });
    trigger(window, "actionSettings");
    refreshPass(window);
    const auto shown = [](NorvControl &w) {
        return QStringList {table(w)->horizontalHeaderItem(0)->text(),
                            cellText(w, 0, HvTable::VoltageNominalColumn),
                            table(w)->horizontalHeaderItem(5)->text(),
                            cellText(w, 0, HvTable::CurrentNominalColumn)};
    };
    const QStringList expected {"Vset (kV)", "3.00", "Inominal (uA)", "3000.000"};
    QCOMPARE(shown(window), expected);
    // Values typed into the table are in the unit it shows.
    table(window)->voltageSetEntered(1, 1.25);
    QCOMPARE(norvsim_channel_value(Base20, 1, NORVSIM_VSET), 1250.0);
    // Update signals keep the module's own units.
    QSignalSpy nominals(window.crate(), &CrateCore::updateChannelVoltageNominal);
    table(window)->setCurrentCell(0, 0);
    refreshPass(window);
    QVERIFY(!nominals.isEmpty());
    QCOMPARE(nominals.at(0).at(3).toString(), QStringLiteral("V"));

    NorvControl &again = startShown();
    QCOMPARE(shown(again), expected);
    // The other module keeps its own display; an edit goes to the module shown.
    trigger(again, "actionNextModule");
    refreshPass(again);
    QCOMPARE(table(again)->horizontalHeaderItem(0)->text(), QStringLiteral("Vset (V)"));
    emit table(again)->voltageSetEntered(0, 250.0f);
    QCOMPARE(norvsim_channel_value(Base29, 0, NORVSIM_VSET), 250.0);
    QCOMPARE(norvsim_channel_value(Base20, 0, NORVSIM_VSET), 0.0);
}

QTEST_MAIN(TestOperatorTrust)
#include "tst_operatortrust.moc"
