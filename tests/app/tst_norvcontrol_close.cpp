// What closing the main window does to the high voltages, for each value of
// "OnExitBehaviour" and each answer to the close question, checked on the
// simulated crate.
#include "PromptRecorder.h"
#include "TestCrate.h"

#include <NorvControl.h>

#include <QApplication>
#include <QJsonArray>
#include <QTemporaryDir>
#include <QtTest>

namespace {

constexpr int NoAnswer = -1;

} // namespace

class TestNorvControlClose : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();

    void closeBehaviour_data();
    void closeBehaviour();
    void closingWithNoModuleNeverAsks_data();
    void closingWithNoModuleNeverAsks();
    void quitActionGoesThroughTheSameClose();

private:
    QTemporaryDir m_dir;
};

void TestNorvControlClose::initTestCase()
{
    QVERIFY(m_dir.isValid());
    TestCrate::useSettingsIn(m_dir.path());
    QApplication::setQuitOnLastWindowClosed(false);
}

void TestNorvControlClose::init()
{
    TestCrate::clearSettings();
    QVERIFY(TestCrate::resetDefault());
}

void TestNorvControlClose::closeBehaviour_data()
{
    QTest::addColumn<QString>("setting"); // empty: key not stored
    QTest::addColumn<int>("answer");
    QTest::addColumn<bool>("asks");
    QTest::addColumn<bool>("closes");
    QTest::addColumn<bool>("switchesOff");

    QTest::newRow("unset, Yes") << QString() << int(QMessageBox::Yes) << true << true << true;
    QTest::newRow("0, Yes") << "0" << int(QMessageBox::Yes) << true << true << true;
    QTest::newRow("0, No") << "0" << int(QMessageBox::No) << true << true << false;
    QTest::newRow("0, Cancel") << "0" << int(QMessageBox::Cancel) << true << false << false;
    QTest::newRow("0, box closed") << "0" << NoAnswer << true << false << false;
    QTest::newRow("1") << "1" << NoAnswer << false << true << true;
    QTest::newRow("2") << "2" << NoAnswer << false << true << false;
    QTest::newRow("5") << "5" << NoAnswer << false << true << true;
    QTest::newRow("-1") << "-1" << NoAnswer << false << true << true;
    QTest::newRow("abc, Cancel") << "abc" << int(QMessageBox::Cancel) << true << false << false;
    QTest::newRow("abc, No") << "abc" << int(QMessageBox::No) << true << true << false;
}

void TestNorvControlClose::closeBehaviour()
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
    QCOMPARE(window.moduleCount(), 2);
    // Straight after start-up, before any refresh tick: the second module
    // object has not been identified yet and must be switched off all the same.
    TestCrate::switchAllOn(0x4000, 20);
    TestCrate::switchAllOn(0x8000, 29);
    QCOMPARE(TestCrate::channelsOn(0x4000, 20), 12);
    QCOMPARE(TestCrate::channelsOn(0x8000, 29), 24);
    QVERIFY(window.isRefreshRunning());

    if (answer != NoAnswer)
        prompt.answerButton(QMessageBox::StandardButton(answer));
    const bool closed = window.close();

    QCOMPARE(closed, closes);
    QCOMPARE(prompt.shown().size(), asks ? 1 : 0);
    if (asks) {
        const PromptRecorder::Shown question = prompt.shown().first();
        QCOMPARE(question.kind, QStringLiteral("question"));
        QCOMPARE(question.title, QStringLiteral("norv VME Control"));
        QCOMPARE(question.text, QStringLiteral("Ramp down all high voltages?"));
        QCOMPARE(question.buttons, QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
    }
    // A window that stays open keeps polling; a closing one has stopped.
    QCOMPARE(window.isRefreshRunning(), !closes);
    QCOMPARE(TestCrate::channelsOn(0x4000, 20), switchesOff ? 0 : 12);
    QCOMPARE(TestCrate::channelsOn(0x8000, 29), switchesOff ? 0 : 24);
}

void TestNorvControlClose::closingWithNoModuleNeverAsks_data()
{
    QTest::addColumn<bool>("bridge");
    QTest::addColumn<QString>("setting");
    QTest::newRow("empty crate, 0") << true << "0";
    QTest::newRow("empty crate, abc") << true << "abc";
    QTest::newRow("empty crate, 1") << true << "1";
    QTest::newRow("no bridge, 0") << false << "0";
    QTest::newRow("no bridge, 1") << false << "1";
}

void TestNorvControlClose::closingWithNoModuleNeverAsks()
{
    QFETCH(bool, bridge);
    QFETCH(QString, setting);
    if (bridge)
        QVERIFY(TestCrate::resetFrom(m_dir.path(), QJsonArray {}));
    else
        QVERIFY(TestCrate::resetWithoutBridge());
    TestCrate::setSetting(QStringLiteral("OnExitBehaviour"), setting);

    PromptRecorder prompt;
    NorvControl window(QStringList {});
    QCOMPARE(window.moduleCount(), 0);
    prompt.clear(); // the no-bridge warning
    prompt.answerButton(QMessageBox::Cancel);

    QVERIFY(window.close());
    QVERIFY(prompt.shown().isEmpty());
}

void TestNorvControlClose::quitActionGoesThroughTheSameClose()
{
    PromptRecorder prompt;
    NorvControl window(QStringList {});
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    auto *quit = window.findChild<QAction *>(QStringLiteral("actionQuit"));
    QVERIFY(quit);

    prompt.answerButton(QMessageBox::Cancel);
    quit->trigger();
    QVERIFY(window.isVisible());
    QVERIFY(window.isRefreshRunning());

    prompt.answerButton(QMessageBox::No);
    quit->trigger();
    QVERIFY(!window.isVisible());
    QCOMPARE(prompt.shown("question").size(), 2);
}

QTEST_MAIN(TestNorvControlClose)
#include "tst_norvcontrol_close.moc"
