// Start-up of the main window: the service word, title and about box, the
// settings store, language changes, and table edits reaching the module.
#include "PromptRecorder.h"
#include "TestCrate.h"

#include <HvTable.h>
#include <NorvControl.h>
#include <SettingsStore.h>
#include <norvsim.h>

#include <QAction>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QtTest>

class TestNorvControlWindow : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();

    void serviceWord_data();
    void serviceWord();
    void titleAndAboutBoxes();
    void languageChangeReappliesFormTextsOnly();
    void settingsStoreDefaultsAndLocation();
    void tableEditsReachTheCurrentModule();

private:
    QTemporaryDir m_dir;
};

void TestNorvControlWindow::initTestCase()
{
    QVERIFY(m_dir.isValid());
    TestCrate::useSettingsIn(m_dir.path());
}

void TestNorvControlWindow::init()
{
    TestCrate::clearSettings();
    QVERIFY(TestCrate::resetDefault());
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
    QTest::newRow("prefix") << QStringList {"qbx"} << false;
    QTest::newRow("padded") << QStringList {" qbxt"} << false;
}

void TestNorvControlWindow::serviceWord()
{
    QFETCH(QStringList, arguments);
    QFETCH(bool, specialMode);
    PromptRecorder prompt;
    NorvControl window(arguments);
    auto *special = window.findChild<QAction *>(QStringLiteral("actionSpecialMode"));
    auto *reset = window.findChild<QAction *>(QStringLiteral("actionSystemReset"));
    QVERIFY(special && reset);
    QCOMPARE(special->isEnabled(), specialMode);
    QVERIFY(!reset->isEnabled());
}

void TestNorvControlWindow::titleAndAboutBoxes()
{
    PromptRecorder prompt;
    NorvControl window(QStringList {});
    QCOMPARE(window.windowTitle(), QStringLiteral("norv VME Control Version 1.0"));

    window.findChild<QAction *>(QStringLiteral("actionAbout"))->trigger();
    QCOMPARE(prompt.shown().size(), 1);
    const PromptRecorder::Shown about = prompt.shown().first();
    QCOMPARE(about.kind, QStringLiteral("about"));
    QCOMPARE(about.title, QStringLiteral("About norv VME Control"));
    QVERIFY(about.text.startsWith(QLatin1String("<h2>norv VME Control Version 1.0.3.0</h2>")));
    QVERIFY(
        about.text.contains(QLatin1String("Control and monitoring of norv high voltage modules.")));
    QVERIFY(about.text.contains(QLatin1String(
        "This program requires a Wiener VM-USB or CAEN V1718 controller to connect to VME bus.")));

    window.findChild<QAction *>(QStringLiteral("actionAboutQt"))->trigger();
    QCOMPARE(prompt.shown().size(), 2);
    QCOMPARE(prompt.shown().last().kind, QStringLiteral("aboutQt"));
}

void TestNorvControlWindow::languageChangeReappliesFormTextsOnly()
{
    PromptRecorder prompt;
    NorvControl window(QStringList {"qbxt"});
    auto *quit = window.findChild<QAction *>(QStringLiteral("actionQuit"));
    auto *special = window.findChild<QAction *>(QStringLiteral("actionSpecialMode"));
    auto *caption = window.findChild<QLabel *>(QStringLiteral("label_7"));
    auto *controllerLabel
        = window.statusBar()->findChild<QLabel *>(QStringLiteral("controllerLabel"));
    QVERIFY(quit && special && caption && controllerLabel);
    const QString status = controllerLabel->text();
    QVERIFY(!status.isEmpty());

    quit->setText(QStringLiteral("stale"));
    caption->setText(QStringLiteral("stale"));
    QEvent languageChange(QEvent::LanguageChange);
    QCoreApplication::sendEvent(&window, &languageChange);

    QCOMPARE(quit->text(), QStringLiteral("&Quit"));
    QCOMPARE(caption->text(), QStringLiteral("Connected Modules:"));
    // Run-time texts and states are not the form's to reset.
    QCOMPARE(window.windowTitle(), QStringLiteral("norv VME Control Version 1.0"));
    QCOMPARE(controllerLabel->text(), status);
    QVERIFY(special->isEnabled());
}

void TestNorvControlWindow::settingsStoreDefaultsAndLocation()
{
    QCOMPARE(SettingsStore::vmeController(), QStringLiteral("VM-USB"));
    QCOMPARE(SettingsStore::onExitBehaviour(), 0);
    QCOMPARE(SettingsStore::value(QStringLiteral("OnExitBehaviour")).toString(),
             QStringLiteral("0"));
    QCOMPARE(SettingsStore::defaultHexFileName(), QString());
    QCOMPARE(SettingsStore::ipAddress(), QStringLiteral("192.168.1.100"));
    QVERIFY(!SettingsStore::defaultValue(QStringLiteral("NoSuchKey")).isValid());

    TestCrate::setSetting(QStringLiteral("OnExitBehaviour"), QStringLiteral("abc"));
    QCOMPARE(SettingsStore::onExitBehaviour(), 0);
    TestCrate::setSetting(QStringLiteral("OnExitBehaviour"), QStringLiteral("2"));
    QCOMPARE(SettingsStore::onExitBehaviour(), 2);

    // User scope, INI format, organisation and application names.
    SettingsStore::setVmeController(QStringLiteral("V1718"));
    SettingsStore::setIpAddress(QStringLiteral("10.0.0.7"));
    QFile ini(QDir(m_dir.path()).filePath(QStringLiteral("Norvtek/norvcontrol.ini")));
    QVERIFY(ini.open(QIODevice::ReadOnly));
    const QByteArray content = ini.readAll();
    QVERIFY(content.contains("VmeController=V1718"));
    QVERIFY(content.contains("IpAddress=10.0.0.7"));
    QCOMPARE(SettingsStore::ipAddress(), QStringLiteral("10.0.0.7"));
}

void TestNorvControlWindow::tableEditsReachTheCurrentModule()
{
    PromptRecorder prompt;
    NorvControl window(QStringList {});
    auto *table = window.findChild<HvTable *>(QStringLiteral("table"));
    QVERIFY(table);

    emit table->cellDataChanged(2, 0, QStringLiteral("123.5"));
    QCOMPARE(norvsim_channel_value(0x4000, 2, NORVSIM_VSET), 123.5);
    // Not a number, or a column that is not a set value: nothing is written.
    emit table->cellDataChanged(2, 0, QStringLiteral("abc"));
    emit table->cellDataChanged(2, 1, QStringLiteral("77"));
    QCOMPARE(norvsim_channel_value(0x4000, 2, NORVSIM_VSET), 123.5);
    // The current set value is given in the module's unit, mA by default.
    emit table->cellDataChanged(4, 3, QStringLiteral("1.5"));
    QVERIFY(qAbs(norvsim_channel_value(0x4000, 4, NORVSIM_ISET) - 0.0015) < 1e-9);

    // Edits go to the module shown, not to the first one.
    window.findChild<QAction *>(QStringLiteral("actionNextModule"))->trigger();
    emit table->cellDataChanged(0, 0, QStringLiteral("250"));
    QCOMPARE(norvsim_channel_value(0x8000, 0, NORVSIM_VSET), 250.0);
    QCOMPARE(norvsim_channel_value(0x4000, 0, NORVSIM_VSET), 0.0);
}

QTEST_MAIN(TestNorvControlWindow)
#include "tst_norvcontrol_window.moc"
