// The main window over the crate core, the real adapters and the simulated
// crate: what it shows of the scan and of the connection states, the
// controller choice, module and channel selection through the list and the
// table, the service word and what closing does to the voltages.
#include "PromptRecorder.h"
#include "TestCrate.h"

#include <BaseController.h>
#include <BaseModule.h>
#include <CrateCore.h>
#include <HvTable.h>
#include <NorvControl.h>
#include <Sequence.h>
#include <norvsim.h>

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QListWidget>
#include <QPointer>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QtTest>

namespace {

const QString Title = QStringLiteral("norv VME Control");
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

QString labelText(NorvControl &window, const char *name)
{
    return window.findChild<QLabel *>(QString::fromLatin1(name))->text();
}

void trigger(NorvControl &window, const char *name)
{
    window.findChild<QAction *>(QString::fromLatin1(name))->trigger();
}

} // namespace

class TestNorvControlWindow : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();

    void noBridgeWarnsAndChoosingAgainReconnects();
    void silentModuleShowsNotConnectedAndComesBack();
    void moduleAndChannelSelection();
    void serviceWord_data();
    void serviceWord();
    void closeBehaviour_data();
    void closeBehaviour();
    void closingWithNoModuleNeverAsks_data();
    void closingWithNoModuleNeverAsks();

private:
    QTemporaryDir m_dir;
};

void TestNorvControlWindow::initTestCase()
{
    QVERIFY(m_dir.isValid());
    TestCrate::useSettingsIn(m_dir.path());
    QApplication::setQuitOnLastWindowClosed(false);
}

void TestNorvControlWindow::init()
{
    TestCrate::clearSettings();
    QVERIFY(TestCrate::resetDefault());
}

void TestNorvControlWindow::noBridgeWarnsAndChoosingAgainReconnects()
{
    QVERIFY(TestCrate::resetWithoutBridge());
    PromptRecorder prompt;
    NorvControl window(QStringList {});

    QCOMPARE(prompt.shown().size(), 1);
    const PromptRecorder::Shown warning = prompt.shown().first();
    QCOMPARE(warning.kind, QStringLiteral("warning"));
    QCOMPARE(warning.title, Title);
    QVERIFY(warning.text.startsWith(QLatin1String("Can not init VME controller Wiener VM-USB!")));
    QCOMPARE(warning.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    auto *controllerLabel
        = window.statusBar()->findChild<QLabel *>(QStringLiteral("controllerLabel"));
    QCOMPARE(controllerLabel->text(),
             QStringLiteral("<font color=\"red\">Not connected to VME controller Wiener VM-USB!"));
    QVERIFY(listTexts(window).isEmpty());

    // The bridge is plugged in; the operator picks the controller again.
    QVERIFY(TestCrate::resetDefault());
    prompt.answerValue(QStringLiteral("Wiener VM-USB"));
    trigger(window, "actionController");
    const PromptRecorder::Shown choice = prompt.shown().last();
    QCOMPARE(choice.kind, QStringLiteral("getItem"));
    QCOMPARE(choice.title, Title);
    QCOMPARE(choice.text, QStringLiteral("Please select the VME controller to connect to:"));
    QCOMPARE(choice.items, (QStringList {"Wiener VM-USB", "CAEN V1718"}));
    QCOMPARE(choice.current, 0);
    QVERIFY(!choice.editable);
    QCOMPARE(listTexts(window), (QStringList {Module20, Module29}));
    QVERIFY(window.crate()->isRefreshRunning());
    QCOMPARE(controllerLabel->text(), window.crate()->controller()->statusText());

    // The choice is stored in the user's INI file.
    QFile ini(QDir(m_dir.path()).filePath(QStringLiteral("Norvtek/norvcontrol.ini")));
    QVERIFY(ini.open(QIODevice::ReadOnly));
    QVERIFY(ini.readAll().contains("VmeController=VM-USB"));
}

void TestNorvControlWindow::silentModuleShowsNotConnectedAndComesBack()
{
    PromptRecorder prompt;
    NorvControl window(QStringList {});
    // A fresh module object spends its first read on identification.
    window.crate()->refreshTimerUpdate();
    QCOMPARE(listTexts(window).at(1), QStringLiteral("VME BA 0x8000\nConnecting..."));
    window.crate()->refreshTimerUpdate();
    QCOMPARE(listTexts(window).at(1), Module29);

    QCOMPARE(norvsim_inject_unplug(0x4000, -1), 0);
    window.crate()->refreshTimerUpdate();
    QCOMPARE(listTexts(window),
             (QStringList {QStringLiteral("VME BA 0x4000\nNot connected"), Module29}));
    QCOMPARE(labelText(window, "lblConnect"),
             QStringLiteral("<font color=\"red\">Error: can not connect to Module!"));
    auto *table = window.findChild<HvTable *>(QStringLiteral("table"));
    QVERIFY(!table->isEnabled());

    QCOMPARE(norvsim_inject_replug(0x4000), 0);
    for (int tick = 0; tick < 3 && window.crate()->moduleState(0) != ModuleSlot::Shown; ++tick)
        window.crate()->refreshTimerUpdate();
    QCOMPARE(window.crate()->moduleState(0), int(ModuleSlot::Shown));
    QCOMPARE(listTexts(window), (QStringList {Module20, Module29}));
    QVERIFY(table->isEnabled());
    QCOMPARE(labelText(window, "lblConnect"),
             QStringLiteral("Connected to DC20 sn. 4711 at VME BA 0x4000"));
    QVERIFY(prompt.shown().isEmpty());
}

void TestNorvControlWindow::moduleAndChannelSelection()
{
    PromptRecorder prompt;
    NorvControl window(QStringList {});
    window.crate()->refreshTimerUpdate(); // sizes the table
    QSignalSpy moduleChanged(window.crate(), &CrateCore::currentModuleChanged);
    QSignalSpy channelChanged(window.crate(), &CrateCore::currentChannelChanged);

    // Previous on row 0 wraps to the last row, next wraps back.
    trigger(window, "actionPreviousModule");
    QCOMPARE(window.findChild<QListWidget *>(QStringLiteral("lstModules"))->currentRow(), 1);
    QCOMPARE(window.crate()->currentModuleIndex(), 1);
    QCOMPARE(moduleChanged.size(), 1);
    QCOMPARE(moduleChanged.at(0).at(0).toInt(), 4712);
    QCOMPARE(channelChanged.size(), 1);
    trigger(window, "actionNextModule");
    QCOMPARE(window.crate()->currentModuleIndex(), 0);
    QCOMPARE(moduleChanged.size(), 2);

    // While a sequence works on the module the list stays where it is.
    {
        const std::unique_ptr<Sequence> sequence = window.crate()->beginSequence();
        trigger(window, "actionNextModule");
        QCOMPARE(window.findChild<QListWidget *>(QStringLiteral("lstModules"))->currentRow(), 0);
        QCOMPARE(prompt.shown().last().kind, QStringLiteral("information"));
    }
    QCOMPARE(moduleChanged.size(), 2);

    // A row of the table selects its channel; another cell of it reports nothing new.
    auto *table = window.findChild<HvTable *>(QStringLiteral("table"));
    table->setCurrentCell(5, 0);
    table->setCurrentCell(5, 3);
    QCOMPARE(labelText(window, "lblChannel"), QStringLiteral("Channel 5 selected"));
    QCOMPARE(channelChanged.size(), 3);
    QCOMPARE(channelChanged.last(), (QVariantList {4711, 5}));
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
    PromptRecorder prompt;
    NorvControl window(arguments);
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
    QTest::addColumn<QString>("setting"); // empty: not stored
    QTest::addColumn<int>("answer");
    QTest::addColumn<bool>("asks");
    QTest::addColumn<bool>("closes");
    QTest::addColumn<bool>("switchesOff");
    const int none = QMessageBox::NoButton;
    QTest::newRow("unset, Yes") << QString() << int(QMessageBox::Yes) << true << true << true;
    QTest::newRow("0, No") << "0" << int(QMessageBox::No) << true << true << false;
    QTest::newRow("0, Cancel") << "0" << int(QMessageBox::Cancel) << true << false << false;
    QTest::newRow("1") << "1" << none << false << true << true;
    QTest::newRow("2") << "2" << none << false << true << false;
    QTest::newRow("5") << "5" << none << false << true << true;
    QTest::newRow("abc, No") << "abc" << int(QMessageBox::No) << true << true << false;
}

void TestNorvControlWindow::closeBehaviour()
{
    QFETCH(QString, setting);
    QFETCH(int, answer);
    QFETCH(bool, asks);
    QFETCH(bool, closes);
    QFETCH(bool, switchesOff);
    if (!setting.isEmpty())
        TestCrate::setSetting(QStringLiteral("OnExitBehaviour"), setting);
    PromptRecorder prompt;
    NorvControl window(QStringList {});
    window.show();
    // Before any refresh tick: the second module object has not been
    // identified yet and must be switched off all the same.
    TestCrate::switchAllOn(0x4000, 20);
    TestCrate::switchAllOn(0x8000, 29);
    QCOMPARE(TestCrate::channelsOn(0x4000, 20), 12);
    QCOMPARE(TestCrate::channelsOn(0x8000, 29), 24);

    if (answer != QMessageBox::NoButton)
        prompt.answerButton(QMessageBox::StandardButton(answer));
    trigger(window, "actionQuit");

    QCOMPARE(window.isVisible(), !closes);
    QCOMPARE(prompt.shown().size(), asks ? 1 : 0);
    if (asks) {
        const PromptRecorder::Shown question = prompt.shown().first();
        QCOMPARE(question.kind, QStringLiteral("question"));
        QCOMPARE(question.title, Title);
        QCOMPARE(question.text, QStringLiteral("Ramp down all high voltages?"));
        QCOMPARE(question.buttons, QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
    }
    // A window that stays open keeps polling.
    QCOMPARE(window.crate()->isRefreshRunning(), !closes);
    QCOMPARE(TestCrate::channelsOn(0x4000, 20), switchesOff ? 0 : 12);
    QCOMPARE(TestCrate::channelsOn(0x8000, 29), switchesOff ? 0 : 24);
}

void TestNorvControlWindow::closingWithNoModuleNeverAsks_data()
{
    QTest::addColumn<bool>("bridge");
    QTest::newRow("empty crate") << true;
    QTest::newRow("no bridge") << false;
}

void TestNorvControlWindow::closingWithNoModuleNeverAsks()
{
    QFETCH(bool, bridge);
    QVERIFY(bridge ? TestCrate::resetFrom(m_dir.path(), QJsonArray {})
                   : TestCrate::resetWithoutBridge());
    TestCrate::setSetting(QStringLiteral("OnExitBehaviour"), QStringLiteral("0"));
    PromptRecorder prompt;
    NorvControl window(QStringList {});
    prompt.clear(); // the no-bridge warning
    prompt.answerButton(QMessageBox::Cancel);
    QVERIFY(window.close());
    QVERIFY(prompt.shown().isEmpty());
}

QTEST_MAIN(TestNorvControlWindow)
#include "tst_norvcontrol_window.moc"
