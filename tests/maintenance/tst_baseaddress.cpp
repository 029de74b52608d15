// Programming a new base address over the simulated crate: the choice list,
// the module's confirmation, the operator's answers and where the module and
// the program's module object end up. Simulated time is frozen; the
// procedure's waits move it.
#include "CorePromptRecorder.h"
#include "TestCrate.h"

#include <BaseAddressProgram.h>
#include <BaseModule.h>
#include <CrateCore.h>
#include <Sequence.h>
#include <norvsim.h>

#include <QTemporaryDir>
#include <QtTest>

using Outcome = BaseAddressProgram::Outcome;
Q_DECLARE_METATYPE(Outcome)

namespace {

/// Also answers the choice list: with the next scripted text, or declines.
struct ChoiceRecorder : CorePromptRecorder
{
    QStringList choices;
    QStringList items;
    int current = -1;
    QString getItem(const QString &, const QString &label, const QStringList &list, int preset,
                    bool *ok) override
    {
        shown << QStringLiteral("getItem: ") + label;
        items = list;
        current = preset;
        *ok = !choices.isEmpty();
        return *ok ? choices.takeFirst() : QString();
    }
};

QString accepted(const char *address)
{
    return QStringLiteral("question: Module returned NewBaseAddress = 0x%1, which seems to be "
                          "Ok.\n\nDo you want to reset the module to use this new address?")
        .arg(QLatin1String(address));
}

QString kept(const char *address)
{
    return QStringLiteral("information: The Module still uses it's old address 0x4000.\n\nYou "
                          "can communicate with it till the next hardware reset.\n\nPlease note "
                          "the new Base Address 0x%1 and use this new addressfor communication "
                          "after the reset (Menu File -> Module address.")
        .arg(QLatin1String(address));
}

} // namespace

class TestBaseAddress : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void choicesFollowTheDeviceClass_data();
    void choicesFollowTheDeviceClass();
    void program_data();
    void program();
};

void TestBaseAddress::initTestCase()
{
    static QTemporaryDir dir;
    QVERIFY(dir.isValid());
    TestCrate::useSettingsIn(dir.path());
    qputenv("NORV_SIM_TIMESCALE", "0");
}

void TestBaseAddress::choicesFollowTheDeviceClass_data()
{
    QTest::addColumn<int>("deviceClass");
    QTest::addColumn<int>("address");
    QTest::addColumn<int>("count");
    QTest::addColumn<QString>("last");
    QTest::addColumn<QString>("preselected");
    QTest::newRow("class 29") << 29 << 0x4800 << 32 << "0xF800"
                              << "0x4800";
    QTest::newRow("class 20") << 20 << 0x4800 << 64 << "0xFC00"
                              << "0x4800";
    QTest::newRow("class 20 between two choices") << 20 << 0x4A00 << 64 << "0xFC00"
                                                  << "0x4800";
}

void TestBaseAddress::choicesFollowTheDeviceClass()
{
    QFETCH(int, deviceClass);
    QFETCH(int, address);
    const QStringList items = BaseAddressProgram::choices(deviceClass);
    QTEST(int(items.size()), "count");
    QCOMPARE(items.first(), QStringLiteral("0x0000"));
    QTEST(items.last(), "last");
    QTEST(items.value(BaseAddressProgram::preselected(quint16(address), deviceClass)),
          "preselected");
}

void TestBaseAddress::program_data()
{
    QTest::addColumn<QJsonArray>("modules"); // the first is the one programmed
    QTest::addColumn<QString>("choice");
    QTest::addColumn<QList<int>>("answers");
    QTest::addColumn<bool>("unplug"); // after identification
    QTest::addColumn<Outcome>("outcome");
    QTest::addColumn<QStringList>("shown"); // after the choice list
    QTest::addColumn<int>("objectAddress"); // where the program addresses the module
    QTest::addColumn<int>("answersAt"); // where the simulated module decodes now

    const QJsonObject refuse {{"faults", QJsonObject {{"refuse_base_address", true}}}};
    const QJsonObject noSpecial {{"faults", QJsonObject {{"ignore_special_mode", true}}}};
    const int yes = CorePrompt::Yes, no = CorePrompt::No;
    const QJsonArray class29 {TestCrate::module(0x4800, 29, 4712)};
    const QJsonArray class20 {TestCrate::module(0x4000, 20, 4711)};

    QTest::newRow("restart at the new address")
        << class29 << "0x8000" << QList<int> {yes} << false << Outcome::Restarted
        << QStringList {accepted("8000")} << 0x8000 << 0x8000;
    QTest::newRow("same address programmed again")
        << class20 << "0x4000" << QList<int> {yes} << false << Outcome::Restarted
        << QStringList {accepted("4000")} << 0x4000 << 0x4000;
    QTest::newRow("no restart") << class20 << "0x5000" << QList<int> {no} << false
                                << Outcome::KeptOldAddress
                                << QStringList {accepted("5000"), kept("5000")} << 0x4000 << 0x4000;
    QTest::newRow("never confirmed")
        << QJsonArray {TestCrate::module(0x4000, 20, 4711, refuse)} << "0x0400" << QList<int>()
        << false << Outcome::NotAccepted
        << QStringList {"information: It seems the module didn't accept our new address 0x "
                        "400.\n\nThe module returned 0xffff instead. Giving up."}
        << 0x4000 << 0x4000;
    QTest::newRow("dead bus confirms nothing")
        << class20 << "0x0000" << QList<int>() << true << Outcome::NotAccepted
        << QStringList {"information: It seems the module didn't accept our new address 0x   "
                        "0.\n\nThe module returned 0xffff instead. Giving up."}
        << 0x4000 << -1;
    QTest::newRow("special mode refused")
        << QJsonArray {TestCrate::module(0x4000, 20, 4711, noSpecial)} << "0x5000"
        << QList<int> {yes} << false << Outcome::NotRestarted
        << QStringList {accepted("5000"),
                        "warning: Can not set Module to special mode - reset is not possible!\n\n"
                        "Please try a hardware reset by powering the crate off/on!"}
        << 0x5000 << 0x4000;
    const QString occupied = QStringLiteral(
        "question: The address window at 0x8400 is used by the module with serial number 4712 "
        "at 0x8000.\n\nAfter the reset neither module will answer.\n\nDo you want to program "
        "this address anyway?");
    const QJsonArray twoModules {TestCrate::module(0x4000, 20, 4711),
                                 TestCrate::module(0x8000, 29, 4712)};
    QTest::newRow("occupied window declined")
        << twoModules << "0x8400" << QList<int> {no} << false << Outcome::Cancelled
        << QStringList {occupied} << 0x4000 << 0x4000;
    QTest::newRow("occupied window confirmed")
        << twoModules << "0x8400" << QList<int> {yes, no} << false << Outcome::KeptOldAddress
        << QStringList {occupied, accepted("8400"), kept("8400")} << 0x4000 << 0x4000;
    QTest::newRow("cancelled") << class20 << QString() << QList<int>() << false
                               << Outcome::Cancelled << QStringList() << 0x4000 << 0x4000;
}

void TestBaseAddress::program()
{
    QFETCH(QJsonArray, modules);
    QFETCH(QString, choice);
    QFETCH(QList<int>, answers);
    QFETCH(bool, unplug);
    QFETCH(QStringList, shown);
    QFETCH(int, objectAddress);
    QFETCH(int, answersAt);

    static QTemporaryDir dir;
    QVERIFY2(TestCrate::resetFrom(dir.path(), modules), norvsim_last_error());
    const int oldBase = modules.first().toObject().value("base").toInt();
    ChoiceRecorder prompt;
    if (!choice.isEmpty())
        prompt.choices << choice;
    prompt.answers = answers;
    CrateCore core;
    core.setPrompt(&prompt);
    core.initModuleAccess();
    core.stopRefresh();
    core.refreshTimerUpdate();
    if (unplug)
        norvsim_inject_unplug(oldBase, -1);

    std::unique_ptr<Sequence> sequence = core.beginSequence();
    QVERIFY(sequence);
    const Outcome outcome = BaseAddressProgram::run(
        *sequence, [](int ms) { norvsim_advance_ms(ms); }, prompt,
        BaseAddressProgram::neighbours(core));
    QTEST(outcome, "outcome");
    // A silent module reads serial number 0.
    const int serial = unplug ? 0 : modules.first().toObject().value("serial").toInt();
    QVERIFY(prompt.shown.first().startsWith(
        QStringLiteral("getItem: Please choose a new VME Base Address for the module with serial "
                       "number %1.\n\nThis new address")
            .arg(serial)));
    QCOMPARE(prompt.shown.mid(1), shown);
    QCOMPARE(int(core.currentModule()->GetModuleBaseAddress()), objectAddress);
    if (answersAt >= 0) {
        norvsim_advance_ms(1);
        QCOMPARE(norvsim_module_base(0), answersAt);
        // The module object talks to the module where it answers.
        QCOMPARE(core.currentModule()->GetModuleSerialNumber() != 0, objectAddress == answersAt);
    }
}

QTEST_GUILESS_MAIN(TestBaseAddress)
#include "tst_baseaddress.moc"
