// The main window over the crate core, the real adapters and the simulated
// crate: what it shows of the scan and of the connection states, the
// controller choice, module and channel selection through the list and the
// table, the service word and what closing does to the voltages.
#include "TestCrate.h"
#include "WindowTest.h"

#include <BaseController.h>
#include <CrateCore.h>
#include <HvTable.h>
#include <Sequence.h>
#include <norvsim.h>

#include <QDir>
#include <QLabel>
#include <QListWidget>
#include <QSignalSpy>
#include <QStatusBar>
#include <QtTest>

namespace {

const QString Module20 = QStringLiteral("VME BA 0x4000\n4711");
const QString Module29 = QStringLiteral("VME BA 0x8000\n4712");

QStringList listTexts(NorvControl &window)
{
    auto *list = window.findChild<QListWidget *>(QStringLiteral("lstModules"));
    QStringList texts;
    for (int row = 0; row < list->count(); ++row)
        texts << list->item(row)->text();
    return texts;
}

} // namespace

class TestNorvControlWindow : public WindowTest
{
    Q_OBJECT

private slots:
    void noBridgeWarnsAndChoosingAgainReconnects();
    void silentModuleShowsNotConnectedAndComesBack();
    void moduleAndChannelSelection();
    void serviceWord_data();
    void serviceWord();
    void closeBehaviour_data();
    void closeBehaviour();
};

void TestNorvControlWindow::noBridgeWarnsAndChoosingAgainReconnects()
{
    QVERIFY(TestCrate::resetWithoutBridge());
    NorvControl &window = start();

    // The text is the crate core test's.
    QCOMPARE(m_prompt->shown.size(), 1);
    QVERIFY(
        m_prompt->shown.first().startsWith("warning: Can not init VME controller Wiener VM-USB!"));
    QVERIFY(m_prompt->shown.first().endsWith(" [Ok]"));

    // The bridge is plugged in; the operator picks the controller again.
    QVERIFY(TestCrate::resetDefault());
    m_prompt->answerValue(QStringLiteral("Wiener VM-USB"));
    trigger(window, "actionController");
    QCOMPARE(m_prompt->shown.last(),
             "getItem: Please select the VME controller to connect to: "
             "Wiener VM-USB|CAEN V1718, Wiener VM-USB");
    QCOMPARE(listTexts(window), (QStringList {Module20, Module29}));
    QCOMPARE(window.statusBar()->findChild<QLabel *>(QStringLiteral("controllerLabel"))->text(),
             window.crate()->controller()->statusText());

    // The choice is stored in the user's INI file.
    QFile ini(QDir(m_dir.path()).filePath(QStringLiteral("Norvtek/norvcontrol.ini")));
    QVERIFY(ini.open(QIODevice::ReadOnly));
    QVERIFY(ini.readAll().contains("VmeController=VM-USB"));
}

void TestNorvControlWindow::silentModuleShowsNotConnectedAndComesBack()
{
    NorvControl &window = start();
    // A fresh module object spends its first read on identification.
    window.crate()->refreshTimerUpdate();
    QCOMPARE(listTexts(window).at(1), QStringLiteral("VME BA 0x8000\nConnecting..."));
    window.crate()->refreshTimerUpdate();
    QCOMPARE(listTexts(window).at(1), Module29);

    QCOMPARE(norvsim_inject_unplug(0x4000, -1), 0);
    window.crate()->refreshTimerUpdate();
    QCOMPARE(listTexts(window),
             (QStringList {QStringLiteral("VME BA 0x4000\nNot connected"), Module29}));
    QCOMPARE(label(window, "lblConnect"),
             QStringLiteral("<font color=\"red\">Error: can not connect to Module!"));
    QVERIFY(!table(window)->isEnabled());

    QCOMPARE(norvsim_inject_replug(0x4000), 0);
    for (int tick = 0; tick < 3 && window.crate()->moduleState(0) != ModuleSlot::Shown; ++tick)
        window.crate()->refreshTimerUpdate();
    QCOMPARE(listTexts(window), (QStringList {Module20, Module29}));
    QVERIFY(table(window)->isEnabled());
    QCOMPARE(label(window, "lblConnect"),
             QStringLiteral("Connected to DC20 sn. 4711 at VME BA 0x4000"));
    QVERIFY(m_prompt->shown.isEmpty());
}

void TestNorvControlWindow::moduleAndChannelSelection()
{
    NorvControl &window = start();
    window.crate()->refreshTimerUpdate(); // sizes the table
    auto *list = window.findChild<QListWidget *>(QStringLiteral("lstModules"));

    // Previous on row 0 wraps to the last row, next wraps back; the core
    // follows the list (what it reports then is the crate core test's).
    trigger(window, "actionPreviousModule");
    QCOMPARE(list->currentRow(), 1);
    QCOMPARE(window.crate()->currentModuleIndex(), 1);
    trigger(window, "actionNextModule");
    QCOMPARE(window.crate()->currentModuleIndex(), 0);

    // While a sequence works on the module the list stays where it is.
    {
        const std::unique_ptr<Sequence> sequence = window.crate()->beginSequence();
        trigger(window, "actionNextModule");
        QCOMPARE(list->currentRow(), 0);
        QVERIFY(m_prompt->shown.last().startsWith("information: "));
    }

    // A cell of the table selects its row's channel.
    QSignalSpy channelChanged(window.crate(), &CrateCore::currentChannelChanged);
    table(window)->setCurrentCell(5, 3);
    QCOMPARE(label(window, "lblChannel"), QStringLiteral("Channel 5 selected"));
    QCOMPARE(channelChanged.size(), 1);
    QCOMPARE(channelChanged.first(), (QVariantList {4711, 5}));
}

void TestNorvControlWindow::serviceWord_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<bool>("specialMode");
    QTest::newRow("none") << QStringList {} << false;
    QTest::newRow("service word") << QStringList {"qbxt"} << true;
    QTest::newRow("service word, more") << QStringList {"qbxt", "other"} << true;
    QTest::newRow("second argument") << QStringList {"other", "qbxt"} << false;
    QTest::newRow("upper case") << QStringList {"QBXT"} << false;
    QTest::newRow("longer") << QStringList {"qbxtx"} << false;
}

void TestNorvControlWindow::serviceWord()
{
    QFETCH(QStringList, arguments);
    QFETCH(bool, specialMode);
    NorvControl &window = start(arguments);
    QCOMPARE(window.findChild<QAction *>(QStringLiteral("actionSpecialMode"))->isEnabled(),
             specialMode);
    QVERIFY(!window.findChild<QAction *>(QStringLiteral("actionSystemReset"))->isEnabled());
    // Under the service word a module's first display opens the factory
    // dialog, after the tick that showed it, never inside it.
    QSignalSpy factory(window.findChild<QAction *>(QStringLiteral("actionFactorySettings")),
                       &QAction::triggered);
    window.crate()->refreshTimerUpdate();
    QCOMPARE(factory.size(), 0);
    QCoreApplication::processEvents();
    QCOMPARE(factory.size(), specialMode ? 1 : 0);
}

void TestNorvControlWindow::closeBehaviour_data()
{
    QTest::addColumn<QString>("crate"); // "default", "empty" or "no bridge"
    QTest::addColumn<QString>("setting"); // empty: not stored
    QTest::addColumn<int>("answer");
    QTest::addColumn<bool>("asks");
    QTest::addColumn<bool>("closes");
    QTest::addColumn<bool>("switchesOff");
    const QString crate = QStringLiteral("default");
    const int none = QMessageBox::NoButton;
    const int cancel = QMessageBox::Cancel;
    QTest::newRow("unset, Yes") << crate << QString() << int(QMessageBox::Yes) << true << true
                                << true;
    QTest::newRow("0, No") << crate << "0" << int(QMessageBox::No) << true << true << false;
    QTest::newRow("0, Cancel") << crate << "0" << cancel << true << false << false;
    QTest::newRow("1") << crate << "1" << none << false << true << true;
    QTest::newRow("2") << crate << "2" << none << false << true << false;
    QTest::newRow("5") << crate << "5" << none << false << true << true;
    QTest::newRow("abc, No") << crate << "abc" << int(QMessageBox::No) << true << true << false;
    // No module, nothing to ramp down: no question, a Cancel would stay unused.
    const QString empty = QStringLiteral("empty"), noBridge = QStringLiteral("no bridge");
    QTest::newRow("empty crate, 0") << empty << "0" << cancel << false << true << false;
    QTest::newRow("no bridge, 0") << noBridge << "0" << cancel << false << true << false;
}

void TestNorvControlWindow::closeBehaviour()
{
    QFETCH(QString, crate);
    QFETCH(QString, setting);
    QFETCH(int, answer);
    QFETCH(bool, asks);
    QFETCH(bool, closes);
    QFETCH(bool, switchesOff);
    if (crate == QLatin1String("empty"))
        QVERIFY(TestCrate::resetFrom(m_dir.path(), QJsonArray {}));
    else if (crate == QLatin1String("no bridge"))
        QVERIFY(TestCrate::resetWithoutBridge());
    if (!setting.isEmpty())
        TestCrate::setSetting(QStringLiteral("OnExitBehaviour"), setting);
    NorvControl window(QStringList {}); // its refresh running
    m_prompt->shown.clear(); // the no-bridge warning
    window.show();
    // Before any refresh tick: the second module object has not been
    // identified yet and must be switched off all the same.
    const bool modules = crate == QLatin1String("default");
    if (modules) {
        TestCrate::switchAllOn(0x4000, 20);
        TestCrate::switchAllOn(0x8000, 29);
    }

    if (answer != QMessageBox::NoButton)
        m_prompt->answerButton(QMessageBox::StandardButton(answer));
    trigger(window, "actionQuit");

    QCOMPARE(window.isVisible(), !closes);
    QCOMPARE(m_prompt->shown,
             asks ? QStringList {"question: Ramp down all high voltages? [Yes|No|Cancel]"}
                  : QStringList {});
    // A window that stays open keeps polling.
    QCOMPARE(window.crate()->isRefreshRunning(), !closes);
    if (modules) {
        QCOMPARE(TestCrate::channelsOn(0x4000, 20), switchesOff ? 0 : 12);
        QCOMPARE(TestCrate::channelsOn(0x8000, 29), switchesOff ? 0 : 24);
    }
}

QTEST_MAIN(TestNorvControlWindow)
#include "tst_norvcontrol_window.moc"
