// The factory reset and the VME test over the simulated crate: what the
// module holds afterwards, the order of stop mode and store request, the
// give-ups, and the test's patterns paced by the crate core's refresh.
// Simulated time is frozen; the procedures' waits move it.
#include "CorePromptRecorder.h"
#include "TestCrate.h"

#include <BaseModule.h>
#include <CrateCore.h>
#include <FactoryReset.h>
#include <FactoryStateMachine.h>
#include <Sequence.h>
#include <norvsim.h>

#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

namespace {

constexpr int Base = 0x4000;
constexpr int Channels = 12;
constexpr quint32 ControlRegister = Base + 0x02;

/// Data written to `address`, in bus order, from the trace file.
QStringList writesTo(const QString &trace, quint32 address)
{
    QFile file(trace);
    QStringList data;
    if (!file.open(QIODevice::ReadOnly))
        return {QStringLiteral("no trace")};
    while (!file.atEnd()) {
        const QList<QByteArray> f = file.readLine().simplified().split(' ');
        if (f.size() >= 5 && f.at(1) == "W" && f.at(2).toUInt(nullptr, 16) == address)
            data << QString::fromLatin1(f.at(4));
    }
    return data;
}

} // namespace

class TestFactoryReset : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void resetWritesTheFactoryTable();
    void givesUp_data();
    void givesUp();
    void vmeTest_data();
    void vmeTest();

private:
    /// A core over a crate of one class-20 module with `extra` keys, refresh stopped.
    CrateCore &start(const QJsonObject &extra = QJsonObject());
    bool runReset();

    QTemporaryDir m_dir;
    CorePromptRecorder m_prompt;
    std::unique_ptr<CrateCore> m_core;
};

void TestFactoryReset::initTestCase()
{
    QVERIFY(m_dir.isValid());
    TestCrate::useSettingsIn(m_dir.path());
    qputenv("NORV_SIM_TIMESCALE", "0");
}

CrateCore &TestFactoryReset::start(const QJsonObject &extra)
{
    m_core.reset();
    m_prompt = CorePromptRecorder();
    if (!TestCrate::resetFrom(m_dir.path(), {TestCrate::module(Base, 20, 4711, extra)}))
        qFatal("%s", norvsim_last_error());
    m_core = std::make_unique<CrateCore>();
    m_core->setPrompt(&m_prompt);
    m_core->setThreadedReads(false);
    m_core->initModuleAccess();
    m_core->stopRefresh();
    m_core->refreshTimerUpdate();
    // Values a factory reset must replace.
    BaseModule *module = m_core->currentModule();
    for (int ch = 0; ch < Channels; ++ch) {
        module->SetChannelVoltageSet(ch, 100);
        module->SetChannelVoltageIlkMaxSet(ch, 50);
        module->SetChannelEventMask(ch, 0x0001);
    }
    module->SetModuleVoltageRampSpeed(10);
    module->SetModuleEventMask(0x0123);
    module->SetModuleEventChannelMask(0x0456);
    module->SetModuleDigitalFilter(16);
    return *m_core;
}

bool TestFactoryReset::runReset()
{
    std::unique_ptr<Sequence> sequence = m_core->beginSequence();
    FactoryReset reset;
    return sequence
        && reset.run(
            *sequence, [](int ms) { norvsim_advance_ms(ms); }, m_prompt);
}

void TestFactoryReset::resetWritesTheFactoryTable()
{
    start();
    const QString trace = m_dir.filePath(QStringLiteral("bus.trace"));
    QVERIFY(TestCrate::startTrace(m_dir.path()));
    FactoryReset reset;
    QSignalSpy nominals(&reset, &FactoryReset::updateChannelVoltageNominal);
    {
        std::unique_ptr<Sequence> sequence = m_core->beginSequence();
        QVERIFY(reset.run(
            *sequence, [](int ms) { norvsim_advance_ms(ms); }, m_prompt));
    }
    norvsim_trace(nullptr);
    QCOMPARE(m_prompt.shown, QStringList());
    QCOMPARE(nominals.size(), Channels);
    QCOMPARE(nominals.last(), (QVariantList {4711, Channels - 1, 3000.0f, QStringLiteral("V")}));

    for (int ch = 0; ch < Channels; ++ch) {
        QCOMPARE(TestCrate::channelControl(Base, 20, ch), 0u);
        QCOMPARE(norvsim_channel_value(Base, ch, NORVSIM_VNOM), 3000.0);
        QCOMPARE(float(norvsim_channel_value(Base, ch, NORVSIM_INOM)), 0.003f);
        QCOMPARE(norvsim_channel_value(Base, ch, NORVSIM_VSET), 0.0);
        QCOMPARE(float(norvsim_channel_value(Base, ch, NORVSIM_ISET)), 0.003f);
    }
    BaseModule *module = m_core->currentModule();
    const QList<double> values {
        double(module->GetChannelEventMask(5)),      module->GetChannelVoltageIlkMaxSet(5),
        module->GetChannelVoltageIlkMinSet(5),       module->GetChannelCurrentIlkMaxSet(5),
        module->GetChannelCurrentIlkMinSet(5),       module->GetModuleVoltageRampSpeed(),
        module->GetModuleCurrentRampSpeed(),         double(module->GetModuleEventMask()),
        double(module->GetModuleEventChannelMask()), double(module->GetModuleEventGroupMask()),
        double(module->GetModuleDigitalFilter()),    double(module->GetModuleAdcSamplesPerSecond()),
        double(module->GetModuleRestartTime())};
    QCOMPARE(values,
             (QList<double> {0xFFFF, 0, 0, 0, 0, 1, 50, 0xFFFF, 0xFFFF, 0xFFFFFFFF, 64, 500, 0}));
    // Stop mode first, then the store request; the store has finished.
    QCOMPARE(writesTo(trace, ControlRegister), (QStringList {"0004", "9044"}));
    QVERIFY(!(module->GetModuleControl() & 0x8000));
}

void TestFactoryReset::givesUp_data()
{
    QTest::addColumn<QJsonObject>("extra");
    QTest::addColumn<double>("voltageLeft"); // on channel 3 when the reset starts
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("controlWrites");
    QTest::addColumn<float>("rampSpeed");
    QTest::newRow("voltage nominal refused")
        << QJsonObject {{"faults", QJsonObject {{"stuck_voltage_nominal", 2000}}}} << 0.0
        << "information: Error resetting Channel 0 voltage nominal. Giving up." << QStringList()
        << 10.0f;
    // The channel discharges far slower than the 199 ms the reset waits for stop mode.
    QTest::newRow("stop mode not reached")
        << QJsonObject() << 500.0 << "information: Error setting Module to mode STOP. Giving up."
        << QStringList {"0004"} << 1.0f;
}

void TestFactoryReset::givesUp()
{
    QFETCH(QJsonObject, extra);
    QFETCH(double, voltageLeft);
    QFETCH(QString, text);
    start(extra);
    if (voltageLeft > 0)
        QCOMPARE(norvsim_set_channel_value(Base, 3, NORVSIM_VOUT, voltageLeft), 0);
    QVERIFY(TestCrate::startTrace(m_dir.path()));
    QVERIFY(!runReset());
    norvsim_trace(nullptr);
    QCOMPARE(m_prompt.shown, QStringList {text});
    QTEST(writesTo(m_dir.filePath(QStringLiteral("bus.trace")), ControlRegister), "controlWrites");
    QTEST(m_core->currentModule()->GetModuleVoltageRampSpeed(), "rampSpeed");
}

void TestFactoryReset::vmeTest_data()
{
    QTest::addColumn<int>("channels"); // given to the test; 0: the module's
    QTest::addColumn<QString>("stuckBits");
    QTest::addColumn<int>("lines");
    QTest::addColumn<QString>("lastLine");
    QTest::addColumn<int>("state");
    QTest::addColumn<QList<quint32>>("channelMasks"); // written, in order
    QList<quint32> walk;
    for (quint32 mask = 1; mask <= 0x1000; mask <<= 1)
        walk << mask;
    QTest::newRow("12 channels") << 0 << "0" << 31
                                 << "Module EventMask 0x0123 and EventChannelMask 0x0456 restored."
                                 << int(FactoryStateMachine::Idle) << (walk << 0x0456);
    QTest::newRow("event mask bit 7 stuck")
        << 0 << "0x80" << 8 << "Module EventMask 0x0040 passed"
        << int(FactoryStateMachine::EventMaskPhase) << QList<quint32>();
    const QString refused = QStringLiteral("The module reports %1 channels: its event channel "
                                           "mask cannot be tested.");
    QTest::newRow("channel count unknown")
        << -1 << "0" << 1 << refused.arg(-1) << int(FactoryStateMachine::Idle) << QList<quint32>();
    QTest::newRow("channel count beyond the mask")
        << 32 << "0" << 1 << refused.arg(32) << int(FactoryStateMachine::Idle) << QList<quint32>();
}

void TestFactoryReset::vmeTest()
{
    QFETCH(int, channels);
    QFETCH(QString, stuckBits);
    QFETCH(int, lines);
    CrateCore &core = start({{"faults", QJsonObject {{"stuck_event_mask_bits", stuckBits}}}});
    FactoryStateMachine machine;
    using M = FactoryStateMachine;
    connect(&core, &CrateCore::updateModuleEventMask, &machine, &M::updateModuleEventMask);
    connect(&core, &CrateCore::updateModuleEventChannelMask, &machine,
            &M::updateModuleEventChannelMask);
    connect(&machine, &M::setModuleEventMask, &core, &CrateCore::setModuleEventMask);
    connect(&machine, &M::setModuleEventChannelMask, &core, &CrateCore::setModuleEventChannelMask);
    QStringList log;
    connect(&machine, &M::logLine, this, [&log](const QString &line) { log << line; });
    QSignalSpy channelMasks(&machine, &M::setModuleEventChannelMask);

    machine.setChannelNumber(channels ? channels : core.currentModule()->GetModuleChannelNumber());
    machine.startVmeTest();
    // One pattern per pass over the 12 rows; 31 patterns and the first reports.
    for (int tick = 0; tick < 40 * Channels && machine.state() != M::Idle; ++tick)
        core.refreshTimerUpdate();

    QCOMPARE(log.size(), lines);
    QTEST(log.last(), "lastLine");
    QTEST(machine.state(), "state");
    if (lines > 1) {
        QCOMPARE(log.first(), QStringLiteral("Starting Test..."));
        QCOMPARE(log.at(1), QStringLiteral("Module EventMask 0x0001 passed"));
    }
    QList<quint32> written;
    for (const QVariantList &call : channelMasks)
        written << call.first().toUInt();
    QTEST(written, "channelMasks");
    if (machine.state() == M::Idle) {
        // The operator's masks are there again (or were never touched).
        QCOMPARE(norvsim_register(Base, 0x06), 0x0123);
        QCOMPARE(norvsim_register(Base, 0x0A), 0x0456);
    }
}

QTEST_GUILESS_MAIN(TestFactoryReset)
#include "tst_factoryreset.moc"
