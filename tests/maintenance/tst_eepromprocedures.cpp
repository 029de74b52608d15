// The procedures that write a module's EEPROM, over the simulated crate: a
// new base address (the module's confirmation, the operator's answers, where
// the module and the program's module object end up) and the factory reset
// (what the module holds afterwards, stop mode before the store request).
// Simulated time is frozen; the procedures' waits move it. The restart at a
// new address, the give-ups' closing line and the dialog are the window
// test's.
#include "CorePromptRecorder.h"
#include "TestCrate.h"

#include <BaseAddressProgram.h>
#include <BaseModule.h>
#include <CrateCore.h>
#include <FactoryReset.h>
#include <Sequence.h>
#include <norvsim.h>

#include <QTemporaryDir>
#include <QtTest>

using Outcome = BaseAddressProgram::Outcome;
Q_DECLARE_METATYPE(Outcome)

namespace {

constexpr int Base = 0x4000;
constexpr int Channels = 12;
const auto Wait = [](int ms) { norvsim_advance_ms(ms); };

/// Also answers the choice list, with the scripted address.
struct ChoiceRecorder : CorePromptRecorder
{
    QString choice;
    QString getItem(const QString &, const QString &, const QStringList &, int, bool *ok) override
    {
        *ok = true;
        return choice;
    }
};

} // namespace

class TestEepromProcedures : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void program_data();
    void program();
    void factoryReset();

private:
    /// A core over the crate, refresh stopped, the first module shown.
    CrateCore &start(const QJsonArray &modules);

    QTemporaryDir m_dir;
    std::unique_ptr<CrateCore> m_core;
};

void TestEepromProcedures::initTestCase() { TestCrate::prepare(m_dir.path()); }

void TestEepromProcedures::init() { m_core.reset(); }

CrateCore &TestEepromProcedures::start(const QJsonArray &modules)
{
    if (!TestCrate::resetFrom(m_dir.path(), modules))
        qFatal("%s", norvsim_last_error());
    m_core = TestCrate::start();
    m_core->refreshTimerUpdate();
    return *m_core;
}

void TestEepromProcedures::program_data()
{
    QTest::addColumn<QJsonArray>("modules"); // the first is the one programmed
    QTest::addColumn<QString>("choice");
    QTest::addColumn<bool>("unplug"); // after identification
    QTest::addColumn<Outcome>("outcome");
    QTest::addColumn<QStringList>("shown");
    const QJsonArray one {TestCrate::module(Base, 20, 4711)};
    const QString notAccepted = QStringLiteral(
        "information: It seems the module didn't accept our new address 0x%1.\n\nThe module "
        "returned 0xffff instead. Giving up.");

    QTest::newRow("no restart")
        << one << "0x5000" << false << Outcome::KeptOldAddress
        << QStringList {"question: Module returned NewBaseAddress = 0x5000, which seems to be "
                        "Ok.\n\nDo you want to reset the module to use this new address?",
                        "information: The Module still uses it's old address 0x4000.\n\nYou can "
                        "communicate with it till the next hardware reset.\n\nPlease note the new "
                        "Base Address 0x5000 and use this new addressfor communication after the "
                        "reset (Menu File -> Module address."};
    QTest::newRow("never confirmed")
        << QJsonArray {TestCrate::module(0x4000, 20, 4711,
                                         {{"faults", QJsonObject {{"refuse_base_address", true}}}})}
        << "0x0400" << false << Outcome::NotAccepted << QStringList {notAccepted.arg(" 400")};
    // Failed reads give 0 for both address words, as if 0x0000 had been taken.
    QTest::newRow("dead bus") << one << "0x0000" << true << Outcome::NotAccepted
                              << QStringList {notAccepted.arg("   0")};
    QTest::newRow("window of another module")
        << QJsonArray {one.first(), TestCrate::module(0x8000, 29, 4712)} << "0x8400" << false
        << Outcome::Cancelled
        << QStringList {"question: The address window at 0x8400 is used by the module with serial "
                        "number 4712 at 0x8000.\n\nAfter the reset neither module will "
                        "answer.\n\nDo you want to program this address anyway?"};
}

void TestEepromProcedures::program()
{
    QFETCH(QJsonArray, modules);
    CrateCore &core = start(modules);
    ChoiceRecorder prompt;
    QFETCH(QString, choice);
    prompt.choice = choice;
    prompt.answers = {CorePrompt::No};
    QFETCH(bool, unplug);
    if (unplug)
        norvsim_inject_unplug(Base, -1);

    std::unique_ptr<Sequence> sequence = core.beginSequence();
    QTEST(BaseAddressProgram::run(*sequence, Wait, prompt, BaseAddressProgram::neighbours(core)),
          "outcome");
    QTEST(prompt.shown, "shown");
    // The program and the module stay at the old address.
    QCOMPARE(int(core.currentModule()->GetModuleBaseAddress()), Base);
    QCOMPARE(norvsim_module_base(0), Base);
}

void TestEepromProcedures::factoryReset()
{
    BaseModule *module = start({TestCrate::module(Base, 20, 4711)}).currentModule();
    // Operator values the reset must replace.
    for (int ch = 0; ch < Channels; ++ch) {
        module->SetChannelVoltageSet(ch, 100);
        module->SetChannelVoltageIlkMaxSet(ch, 50);
    }
    module->SetModuleVoltageRampSpeed(10);
    module->SetModuleEventMask(0x0123);
    module->SetModuleDigitalFilter(16);

    CorePromptRecorder prompt;
    QVERIFY(TestCrate::startTrace(m_dir.path()));
    {
        std::unique_ptr<Sequence> sequence = m_core->beginSequence();
        QVERIFY(FactoryReset().run(*sequence, Wait, prompt));
    }
    // Stop mode first, then the store request.
    QCOMPARE(TestCrate::stopTrace('W', Base + 0x02), (QList<quint32> {0x0004, 0x9044}));
    QCOMPARE(prompt.shown, QStringList());
    QVERIFY(!(module->GetModuleControl() & 0x8000)); // the store has finished
    QCOMPARE(
        (QList<double> {
            module->GetModuleVoltageRampSpeed(), module->GetModuleCurrentRampSpeed(),
            double(module->GetModuleEventMask()), double(module->GetModuleEventChannelMask()),
            double(module->GetModuleEventGroupMask()), double(module->GetModuleDigitalFilter()),
            double(module->GetModuleAdcSamplesPerSecond()),
            double(module->GetModuleRestartTime())}),
        (QList<double> {1, 50, 0xFFFF, 0xFFFF, 0xFFFFFFFF, 64, 500, 0}));
    for (int ch = 0; ch < Channels; ++ch) {
        QCOMPARE(TestCrate::channelControl(Base, 20, ch), 0u);
        QCOMPARE((QList<float> {
                     float(norvsim_channel_value(Base, ch, NORVSIM_VNOM)),
                     float(norvsim_channel_value(Base, ch, NORVSIM_INOM)),
                     float(norvsim_channel_value(Base, ch, NORVSIM_VSET)),
                     float(norvsim_channel_value(Base, ch, NORVSIM_ISET)),
                     float(module->GetChannelEventMask(ch)), module->GetChannelVoltageIlkMaxSet(ch),
                     module->GetChannelVoltageIlkMinSet(ch), module->GetChannelCurrentIlkMaxSet(ch),
                     module->GetChannelCurrentIlkMinSet(ch)}),
                 (QList<float> {3000, 0.003f, 0, 0.003f, 0xFFFF, 0, 0, 0, 0}));
    }
}

QTEST_GUILESS_MAIN(TestEepromProcedures)
#include "tst_eepromprocedures.moc"
