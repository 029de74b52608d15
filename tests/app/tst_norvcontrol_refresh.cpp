// What the main window shows of the refresh cycle over the simulated crate:
// the channel table and its labels, table edits, the overview and the detail
// dialogs wired to the crate core. Simulated time is frozen
// (NORV_SIM_TIMESCALE=0) and the refresh stopped, so every test drives the
// ticks itself.
#include "PromptRecorder.h"
#include "TestCrate.h"

#include <BaseModule.h>
#include <CrateCore.h>
#include <DialogChannelBounds.h>
#include <DialogChannelControl.h>
#include <DialogOverview.h>
#include <HvTable.h>
#include <NorvControl.h>
#include <TarnChannelStatusBits.h>
#include <norvsim.h>

#include <QAction>
#include <QCheckBox>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

namespace {

constexpr int Base20 = 0x4000;
constexpr int Base29 = 0x8000;
constexpr int Rows20 = 12;
constexpr int StatusColumn = HvTable::StatusColumn;

HvTable *table(NorvControl &window) { return window.findChild<HvTable *>(QStringLiteral("table")); }

QString cellText(NorvControl &window, int row, int column)
{
    QTableWidgetItem *item = table(window)->item(row, column);
    return item ? item->text() : QString();
}

QString label(NorvControl &window, const char *name)
{
    return window.findChild<QLabel *>(QString::fromLatin1(name))->text();
}

void trigger(NorvControl &window, const char *name)
{
    window.findChild<QAction *>(QString::fromLatin1(name))->trigger();
}

bool refreshRow(NorvControl &window, int row)
{
    return TestCrate::refreshRow(*window.crate(), row);
}

bool near(double actual, double expected) { return qAbs(actual - expected) < 1e-4; }

// Opens the editor of a cell as an operator does (F2) and selects its text.
QLineEdit *startEdit(HvTable *view, int row, int column)
{
    view->setCurrentCell(row, column);
    QTest::keyClick(view, Qt::Key_F2);
    for (QLineEdit *edit : view->viewport()->findChildren<QLineEdit *>()) {
        if (edit->isVisible()) {
            edit->selectAll();
            return edit;
        }
    }
    return nullptr;
}

} // namespace

class TestNorvControlRefresh : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void onePassShowsEveryRowFormatted();
    void labelsAndOverviewFollowTheModules();
    void tableEditsReachTheShownModule();

    void channelDialogFollowsTheSelectedChannel();
    void setBoundsReachesTheInterlockRegisters();

private:
    /// A main window over the crate, its refresh stopped.
    NorvControl &start();

    QTemporaryDir m_dir;
    std::unique_ptr<PromptRecorder> m_prompt;
    std::unique_ptr<NorvControl> m_window;
};

void TestNorvControlRefresh::initTestCase()
{
    QVERIFY(m_dir.isValid());
    TestCrate::useSettingsIn(m_dir.path());
    qputenv("NORV_SIM_TIMESCALE", "0");
    // Formatted values use the locale's digits; the C locale has no group separators.
    QLocale::setDefault(QLocale::c());
}

void TestNorvControlRefresh::init()
{
    TestCrate::clearSettings();
    QVERIFY(TestCrate::resetDefault());
    m_prompt = std::make_unique<PromptRecorder>();
}

void TestNorvControlRefresh::cleanup()
{
    norvsim_trace(nullptr);
    m_window.reset();
    m_prompt.reset();
}

NorvControl &TestNorvControlRefresh::start()
{
    m_window = std::make_unique<NorvControl>(QStringList {});
    m_window->crate()->stopRefresh();
    return *m_window;
}

void TestNorvControlRefresh::onePassShowsEveryRowFormatted()
{
    NorvControl &window = start();
    BaseModule *module = window.crate()->module(0);
    for (int ch = 0; ch < Rows20; ++ch) {
        module->SetChannelVoltageSet(ch, 100.0f + 10.5f * ch);
        module->SetChannelCurrentSet(ch, 0.25f * (ch + 1));
        QCOMPARE(norvsim_set_channel_value(Base20, ch, NORVSIM_LOAD, 1e5), 0);
        QCOMPARE(norvsim_set_channel_value(Base20, ch, NORVSIM_VOUT, 20.0 * ch), 0);
    }

    // The first tick shows the module and sizes the table; a pass is one tick per row.
    for (int tick = 0; tick < Rows20; ++tick)
        window.crate()->refreshTimerUpdate();
    QCOMPARE(table(window)->rowCount(), Rows20);
    for (int ch = 0; ch < Rows20; ++ch) {
        // 20 V per channel number over 100 kOhm is 0.2 mA; switched off with
        // voltage left on the output, a channel is ramping down.
        const QStringList row {QString::number(100.0 + 10.5 * ch, 'f', 1),
                               QString::number(20.0 * ch, 'f', 1),
                               QStringLiteral("3000.0"),
                               QString::number(0.25 * (ch + 1), 'f', 3),
                               QString::number(0.2 * ch, 'f', 3),
                               QStringLiteral("3.000"),
                               QLatin1String(ch == 0 ? "Off" : "Ramp")};
        for (int column = 0; column <= StatusColumn; ++column) {
            QCOMPARE(cellText(window, ch, column), row.at(column));
            QCOMPARE(table(window)->item(ch, column)->data(Qt::BackgroundRole).isValid(),
                     column == StatusColumn);
        }
        QCOMPARE(table(window)->item(ch, StatusColumn)->background().color(),
                 QColor(ch == 0 ? Qt::yellow : Qt::green));
    }
}

void TestNorvControlRefresh::labelsAndOverviewFollowTheModules()
{
    NorvControl &window = start();
    BaseModule *module = window.crate()->module(0);
    module->SetChannelEventMask(3, 0x0010);
    window.crate()->refreshTimerUpdate();
    QCOMPARE(label(window, "lblSerial"), QStringLiteral("4711"));
    table(window)->setCurrentCell(3, 0);
    QVERIFY(refreshRow(window, 0));
    QCOMPARE(table(window)->horizontalHeaderItem(3)->text(), QStringLiteral("Iset (mA)"));
    QVERIFY(refreshRow(window, 3));
    // The selected row's words, as mnemonics.
    QCOMPARE(label(window, "lblChannelStatus"),
             TarnChannelStatusBits().statusBitText(quint32(norvsim_register(Base20, 0x60 + 0x90))));
    QCOMPARE(label(window, "lblChannelEventMask"), QStringLiteral("0x0010"));
    QVERIFY(label(window, "lblIRampSpeed").endsWith(QLatin1String(" %/s")));

    // Class 29 has no module-wide current ramp speed.
    trigger(window, "actionNextModule");
    QVERIFY(refreshRow(window, 0));
    QCOMPARE(label(window, "lblIRampSpeed"), QStringLiteral("-----"));
    QCOMPARE(table(window)->rowCount(), 24);

    // The overview, while shown, gets every channel of every module.
    QCOMPARE(norvsim_set_channel_value(0x8000, 23, NORVSIM_VOUT, 1234.5), 0);
    trigger(window, "actionModuleOverview");
    auto *overview = window.findChild<DialogOverview *>();
    QVERIFY(overview && overview->isVisible());
    QVERIFY(refreshRow(window, 0));
    auto *voltages = overview->findChild<QTableWidget *>(QStringLiteral("voltageTable"));
    QCOMPARE(voltages->item(23, 1)->text(), QStringLiteral("1234.5"));
    QCOMPARE(voltages->item(23, 1)->foreground().color(), QColor(Qt::magenta)); // set: 0 V
}

void TestNorvControlRefresh::tableEditsReachTheShownModule()
{
    NorvControl &window = start();
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    for (int tick = 0; tick < Rows20; ++tick)
        window.crate()->refreshTimerUpdate();
    HvTable *view = table(window);

    // Typed into the table (that the refresh leaves a cell being edited alone
    // is the table's test).
    QLineEdit *editor = startEdit(view, 2, 0);
    QVERIFY(editor);
    QTest::keyClicks(editor, QStringLiteral("250.5"));
    QTest::keyClick(editor, Qt::Key_Return);
    QTRY_COMPARE(norvsim_channel_value(Base20, 2, NORVSIM_VSET), 250.5);

    // Not a number: not a single write (the refusal reads the range it names).
    const double iset = norvsim_channel_value(Base20, 4, NORVSIM_ISET);
    editor = startEdit(view, 4, 3);
    QVERIFY(editor);
    QVERIFY(TestCrate::startTrace(m_dir.path()));
    QTest::keyClicks(editor, QStringLiteral("abc"));
    QTest::keyClick(editor, Qt::Key_Return);
    QTRY_COMPARE(view->editRow(), -1);
    QTest::qWait(20);
    QCOMPARE(TestCrate::stopTrace('W'), QList<quint32>());
    QCOMPARE(norvsim_channel_value(Base20, 4, NORVSIM_ISET), iset);

    // The current is given in the module's unit, mA; edits go to the module shown.
    emit view->currentSetEntered(4, 1.5f);
    QVERIFY(near(norvsim_channel_value(Base20, 4, NORVSIM_ISET), 0.0015));
    trigger(window, "actionNextModule");
    emit view->voltageSetEntered(0, 250.0f);
    QCOMPARE(norvsim_channel_value(Base29, 0, NORVSIM_VSET), 250.0);
    QCOMPARE(norvsim_channel_value(Base20, 0, NORVSIM_VSET), 0.0);
}

void TestNorvControlRefresh::channelDialogFollowsTheSelectedChannel()
{
    NorvControl &window = start();
    trigger(window, "actionStatusControl");
    auto *dialog = window.findChild<DialogChannelControl *>();
    auto *isOn = dialog->findChild<QCheckBox *>(QStringLiteral("chk_isON"));
    window.crate()->refreshTimerUpdate();
    table(window)->setCurrentCell(2, 0);
    QVERIFY(refreshRow(window, 2));
    QVERIFY(dialog->windowTitle().contains(QLatin1String("2")));
    QVERIFY(!isOn->isChecked());

    // Switched on by the dialog's own request, and shown so by the next pass
    // (that the operator's tick survives polling is the dialog's test).
    window.crate()->module(0)->SetChannelVoltageSet(2, 1500.0f);
    dialog->findChild<QCheckBox *>(QStringLiteral("chk_setON"))->setChecked(true);
    QTest::mouseClick(dialog->findChild<QPushButton *>(QStringLiteral("btnSetControl")),
                      Qt::LeftButton);
    QCOMPARE(TestCrate::channelControl(Base20, 20, 2) & 0x0008, 0x0008u);
    norvsim_advance_ms(2500);
    QVERIFY(refreshRow(window, 2));
    QVERIFY(isOn->isChecked());
}

void TestNorvControlRefresh::setBoundsReachesTheInterlockRegisters()
{
    NorvControl &window = start();
    trigger(window, "actionBounds");
    auto *bounds = window.findChild<DialogChannelBounds *>();
    window.crate()->refreshTimerUpdate();
    table(window)->setCurrentCell(4, 3);
    QVERIFY(refreshRow(window, 4));
    bounds->findChild<QDoubleSpinBox *>(QStringLiteral("spbVoltageIlkMax"))->setValue(2500.0);
    bounds->findChild<QDoubleSpinBox *>(QStringLiteral("spbCurrentIlkMax"))->setValue(2.0); // mA
    QTest::mouseClick(bounds->findChild<QPushButton *>(QStringLiteral("btnSetBounds")),
                      Qt::LeftButton);
    QCOMPARE(window.crate()->module(0)->GetChannelVoltageIlkMaxSet(4), 2500.0f);
    QVERIFY(near(window.crate()->module(0)->GetChannelCurrentIlkMaxSet(4), 2.0));
    QVERIFY(m_prompt->shown.isEmpty());
}

QTEST_MAIN(TestNorvControlRefresh)
#include "tst_norvcontrol_refresh.moc"
