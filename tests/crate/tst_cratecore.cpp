// The crate core over the real adapters and the simulated crate, without a
// window: the scan, the controller connection, the module connection states,
// selection, the long-sequence guard and the requests with rules of their own.
#include "CorePromptRecorder.h"
#include "SignalRecorder.h"
#include "TestCrate.h"

#include <BaseController.h>
#include <BaseModule.h>
#include <CrateCore.h>
#include <Sequence.h>
#include <norvsim.h>

#include <QPointer>
#include <QTemporaryDir>
#include <QtTest>

namespace {

constexpr int Base20 = 0x4000;
constexpr int Serial20 = 4711;
const QString Busy = QStringLiteral("information: Another operation is still running on the "
                                    "module. Please wait until it has finished.");

quint32 control20(int ch) { return Base20 + 0x60 + 0x30 * ch + 0x02; }
quint32 voltageIlkMax20(int ch) { return 0x60 + 0x30 * ch + 0x18; }

/// The list the window would show: the scan's texts, then the item updates.
class ListMirror : public QObject
{
public:
    QStringList items;
    explicit ListMirror(CrateCore *core)
    {
        connect(core, &CrateCore::moduleListCleared, this, [this] { items.clear(); });
        connect(core, &CrateCore::moduleListed, this, [this](const QString &t) { items << t; });
        connect(core, &CrateCore::moduleItemTextChanged, this,
                [this](int slot, const QString &t) { items[slot] = t; });
    }
};

} // namespace

class TestCrateCore : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();

    void scanListsModulesWithALayout();
    void noBridgeWarnsKeepsAPlaceholderAndReconnects();
    void silentModuleGoesNotConnectedAndComesBack();
    void selection();
    void serviceFlagShowsEachModuleOnce();

    void sequencePausesPinsRefusesAndAborts();
    void pausesNestAndNeedAController();

    void channelBoundsAreWrittenOnceTheControlWordIsTaken();
    void channelBoundsGiveUpWhenRefusedOrRebuilt();
    void flexGroupsAndNominalsAreGuarded();

private:
    /// A core over the crate with the refresh stopped, so the test drives the ticks.
    CrateCore &start();

    QTemporaryDir m_dir;
    CorePromptRecorder m_prompt;
    TestCrate::View m_view;
    std::unique_ptr<CrateCore> m_core;
};

void TestCrateCore::initTestCase()
{
    QVERIFY(m_dir.isValid());
    TestCrate::prepare(m_dir.path());
}

void TestCrateCore::init()
{
    TestCrate::clearSettings();
    QVERIFY(TestCrate::resetDefault());
    m_prompt = CorePromptRecorder();
    m_view = TestCrate::View();
    m_core.reset();
}

CrateCore &TestCrateCore::start()
{
    m_core = TestCrate::start(&m_prompt, &m_view);
    return *m_core;
}

void TestCrateCore::scanListsModulesWithALayout()
{
    // From the first to the last address; classes without a layout are not listed.
    const QStringList texts {"VME BA 0x0000\n1001", "VME BA 0x9c00\n1004", "VME BA 0xfc00\n1005"};
    QVERIFY2(TestCrate::resetFrom(
                 m_dir.path(),
                 {TestCrate::module(0x0000, 29, 1001), TestCrate::module(0x1000, 21, 1002),
                  TestCrate::module(0x2000, 33, 1003), TestCrate::module(0x9C00, 20, 1004),
                  TestCrate::module(0xFC00, 20, 1005)}),
             norvsim_last_error());
    CrateCore core;
    core.setPrompt(&m_prompt);
    ListMirror list(&core);
    QSignalSpy controllerText(&core, &CrateCore::controllerTextChanged);
    core.initModuleAccess();

    QCOMPARE(controllerText.size(), 2);
    QCOMPARE(controllerText.first().first().toString(),
             QStringLiteral("Connecting to VME controller..."));
    QCOMPARE(controllerText.last().first().toString(), core.controller()->statusText());
    QCOMPARE(core.moduleCount(), texts.size());
    QCOMPARE(list.items, texts);
    QCOMPARE(core.module(int(texts.size())), nullptr);
    QVERIFY(core.isRefreshRunning());
    QVERIFY(m_prompt.shown.isEmpty());
    // Every module answers: the current one is shown, the others report their serial number.
    core.refreshTimerUpdate();
    core.refreshTimerUpdate();
    for (int slot = 0; slot < texts.size(); ++slot)
        QCOMPARE(core.moduleState(slot),
                 int(slot == 0 ? ModuleSlot::Shown : ModuleSlot::Answering));
    QCOMPARE(list.items, texts);
}

void TestCrateCore::noBridgeWarnsKeepsAPlaceholderAndReconnects()
{
    QVERIFY(TestCrate::resetWithoutBridge());
    CrateCore core;
    core.setPrompt(&m_prompt);
    QSignalSpy controllerText(&core, &CrateCore::controllerTextChanged);
    core.initModuleAccess();

    QCOMPARE(m_prompt.shown,
             QStringList {QStringLiteral(
                 "warning: Can not init VME controller Wiener VM-USB!\nMaybe there is no "
                 "controller connected over USB?\n\nYou can try re-powering the crate and "
                 "re-plugging the USB cord\nand then select menu File --> Select VME Controller "
                 "--> Yes.")});
    QCOMPARE(controllerText.last().first().toString(),
             QStringLiteral("<font color=\"red\">Not connected to VME controller Wiener VM-USB!"));
    QCOMPARE(core.moduleCount(), 0);
    QVERIFY(!core.isRefreshRunning());
    QPointer<BaseModule> placeholder = core.module(0);
    QVERIFY(placeholder);
    QCOMPARE(placeholder->GetModuleBaseAddress(), quint16(0));
    QVERIFY(!placeholder->connected());
    core.refreshTimerUpdate(); // nothing counted, nothing read

    QVERIFY(TestCrate::resetDefault());
    core.initModuleAccess();
    // The placeholder went with its controller.
    QVERIFY(placeholder.isNull());
    QCOMPARE(core.moduleCount(), 2);
    QVERIFY(core.isRefreshRunning());
}

void TestCrateCore::silentModuleGoesNotConnectedAndComesBack()
{
    // The list texts and labels on the way are the window test's; here what
    // the core reports while the module is silent.
    CrateCore &core = start();
    QSignalSpy shown(&core, &CrateCore::tickRead);
    core.refreshTimerUpdate();
    QCOMPARE(shown.last().first().value<TickReading>().details->channels, 12);
    QCOMPARE(norvsim_inject_unplug(Base20, -1), 0);
    SignalRecorder updates(&core, "update");
    core.refreshTimerUpdate();
    const int cursor = core.rowCursor();
    core.refreshTimerUpdate();
    const TickReading silent = shown.last().first().value<TickReading>();
    QCOMPARE(silent.state, int(ModuleSlot::NotAnswering));
    QCOMPARE(silent.controllerStatus, core.controller()->statusText());
    QVERIFY(updates.names().isEmpty());
    QCOMPARE(core.rowCursor(), cursor);
    QCOMPARE(norvsim_inject_replug(Base20), 0);
    for (int tick = 0; tick < 3 && core.moduleState(0) != ModuleSlot::Shown; ++tick)
        core.refreshTimerUpdate();
    QVERIFY(shown.last().first().value<TickReading>().details);
}

void TestCrateCore::selection()
{
    CrateCore &core = start();
    core.refreshTimerUpdate();
    m_view.selected = 3;
    QSignalSpy selected(&core, &CrateCore::moduleSelected);
    SignalRecorder changes(&core, "current");

    core.selectModule(1);
    QCOMPARE(core.currentModuleIndex(), 1);
    QCOMPARE(selected.size(), 1);
    QCOMPARE(changes.calls(),
             (QList<QVariantList> {{"ModuleChanged", 4712}, {"ChannelChanged", 4712, 3}}));
    // The current slot again, or a slot outside the list: nothing new.
    for (int slot : {1, 2, -1})
        core.selectModule(slot);
    QCOMPARE(changes.names().size(), 2);
    // Back to a module that was shown: the next tick shows it again.
    core.selectModule(0);
    QCOMPARE(core.moduleState(0), int(ModuleSlot::Answering));

    // A row reports its channel once; the same row again reports nothing.
    changes.clear();
    core.channelSelected(5);
    core.channelSelected(5);
    QCOMPARE(changes.calls(), (QList<QVariantList> {{"ChannelChanged", Serial20, 5}}));

    // A module that does not answer when chosen leaves the table without
    // valid rows (a module object that has identified its module keeps
    // answering connected() until the connection step sees it silent).
    core.initModuleAccess();
    QSignalSpy cleared(&core, &CrateCore::tableCleared);
    QCOMPARE(norvsim_inject_unplug(0x8000, -1), 0);
    core.selectModule(1);
    QCOMPARE(cleared.size(), 1);
    QCOMPARE(core.currentModuleIndex(), 1);
}

void TestCrateCore::serviceFlagShowsEachModuleOnce()
{
    CrateCore &core = start();
    core.setServiceMode(true);
    QSignalSpy service(&core, &CrateCore::serviceModuleShown);
    for (int tick = 0; tick < 30; ++tick)
        core.refreshTimerUpdate();
    core.selectModule(1);
    core.refreshTimerUpdate();
    core.selectModule(0);
    core.refreshTimerUpdate();
    // Once per module, at its first display.
    QCOMPARE(service.size(), 2);
}

void TestCrateCore::sequencePausesPinsRefusesAndAborts()
{
    CrateCore &core = start();
    core.startRefresh();
    QVERIFY(core.isRefreshRunning());
    std::unique_ptr<Sequence> sequence = core.beginSequence();
    QVERIFY(sequence);
    QCOMPARE(sequence->module(), core.module(0));
    QVERIFY(!core.isRefreshRunning());

    // A second sequence and a change of module wait for the first.
    QSignalSpy selected(&core, &CrateCore::moduleSelected);
    QVERIFY(!core.beginSequence());
    core.selectModule(1);
    QCOMPARE(core.currentModuleIndex(), 0);
    QCOMPARE(selected.size(), 1);
    QCOMPARE(selected.first().first().toInt(), 0); // the list goes back
    QCOMPARE(m_prompt.shown, (QStringList {Busy, Busy}));

    sequence.reset();
    QVERIFY(core.isRefreshRunning());
    QVERIFY(!core.isSequenceRunning());
    core.selectModule(1);
    QCOMPARE(core.currentModuleIndex(), 1);

    sequence = core.beginSequence();
    QVERIFY(sequence && !sequence->aborted());
    core.initModuleAccess();
    // The module list is new: the sequence sees its module gone, and the
    // refresh stays paused until it ends.
    QVERIFY(sequence->aborted());
    QCOMPARE(sequence->module(), nullptr);
    QVERIFY(!core.isRefreshRunning());
    sequence.reset();
    QVERIFY(core.isRefreshRunning());

    // The core may go before a sequence that outlives it.
    sequence = core.beginSequence();
    m_core.reset();
    QVERIFY(sequence->aborted());
}

void TestCrateCore::pausesNestAndNeedAController()
{
    CrateCore &core = start();
    core.startRefresh();
    core.pauseRefresh();
    core.pauseRefresh();
    core.resumeRefresh();
    QVERIFY(!core.isRefreshRunning());
    core.resumeRefresh();
    QVERIFY(core.isRefreshRunning());
    // A stop while paused stays a stop after the pause.
    core.pauseRefresh();
    core.stopRefresh();
    core.resumeRefresh();
    QVERIFY(!core.isRefreshRunning());

    // Without a connected controller no pause ends in a running refresh.
    QVERIFY(TestCrate::resetWithoutBridge());
    core.pauseRefresh();
    core.initModuleAccess();
    core.startRefresh();
    core.resumeRefresh();
    QVERIFY(!core.isRefreshRunning());
    QVERIFY(!core.beginSequence()); // and no module to work on
    QCOMPARE(m_prompt.shown.last(), QStringLiteral("information: There is no module to work on."));
}

void TestCrateCore::channelBoundsAreWrittenOnceTheControlWordIsTaken()
{
    CrateCore &core = start();
    BaseModule *module = core.module(0);
    module->SetChannelOn(3);
    module->SetChannelCurrentIlkMinSet(3, 0.25f);
    QVERIFY(TestCrate::startTrace(m_dir.path()));
    core.setChannelBounds(3, true, 2500.0f, 100.0f, false, 2.5f, 0.5f);
    // The word is read once to modify it and once to see it taken.
    QCOMPARE(TestCrate::stopTrace('R').count(control20(3)), 2);
    QCOMPARE(TestCrate::channelControl(Base20, 20, 3), 0x0808u);
    QCOMPARE(module->GetChannelVoltageIlkMaxSet(3), 2500.0f);
    QCOMPARE(module->GetChannelVoltageIlkMinSet(3), 100.0f);
    QCOMPARE(qRound(module->GetChannelCurrentIlkMaxSet(3) * 1000), 2500);
    // Symmetric current bounds: the lower current limit is not written.
    QCOMPARE(qRound(module->GetChannelCurrentIlkMinSet(3) * 1000), 250);

    core.setChannelBounds(3, false, 2000.0f, 50.0f, true, 2.0f, 0.75f);
    QCOMPARE(TestCrate::channelControl(Base20, 20, 3), 0x0408u);
    QCOMPARE(module->GetChannelVoltageIlkMinSet(3), 100.0f);
    QCOMPARE(qRound(module->GetChannelCurrentIlkMinSet(3) * 1000), 750);
    QVERIFY(m_prompt.shown.isEmpty());
}

void TestCrateCore::channelBoundsGiveUpWhenRefusedOrRebuilt()
{
    const QJsonObject refuse {
        {QStringLiteral("faults"), QJsonObject {{QStringLiteral("refuse_channel_control"), true}}}};
    QVERIFY2(TestCrate::resetFrom(m_dir.path(),
                                  QJsonArray {TestCrate::module(Base20, 20, Serial20, refuse)}),
             norvsim_last_error());
    CrateCore &core = start();
    const qint64 voltageMax = norvsim_register(Base20, voltageIlkMax20(1));
    QVERIFY(TestCrate::startTrace(m_dir.path()));
    core.setChannelBounds(1, true, 2500.0f, 100.0f, false, 2.5f, 0.5f);
    // One read to modify, 199 to wait for it; no limit is written.
    QCOMPARE(TestCrate::stopTrace('R').count(control20(1)), 1 + 199);
    QCOMPARE(m_prompt.shown,
             (QStringList {
                 QStringLiteral("information: Error setting Channel 1 Control word. Giving up.")}));
    QCOMPARE(norvsim_register(Base20, voltageIlkMax20(1)), voltageMax);

    // The controller is chosen again while the request waits: the wait must
    // not go on with the deleted module object.
    QPointer<BaseModule> before = core.module(0);
    QVERIFY(TestCrate::startTrace(m_dir.path()));
    QVERIFY(QMetaObject::invokeMethod(&core, "initModuleAccess", Qt::QueuedConnection));
    core.setChannelBounds(1, true, 2500.0f, 100.0f, false, 2.5f, 0.5f);
    QVERIFY(TestCrate::stopTrace('R').count(control20(1)) < 10);
    QVERIFY(before.isNull());
    QVERIFY(core.module(0));
    QCOMPARE(m_prompt.shown.size(), 2);
    QCOMPARE(norvsim_register(Base20, voltageIlkMax20(1)), voltageMax);
}

void TestCrateCore::flexGroupsAndNominalsAreGuarded()
{
    CrateCore &core = start();
    QSignalSpy groups(&core, &CrateCore::updateModuleFlexGroups);
    core.setFlexGroup(5, 0x0F0F, 0x0003);
    core.setFlexGroup(31, 0x0001, 0x0001);
    core.getFlexGroupData(5);
    core.getFlexGroupData(31);
    QCOMPARE(groups.size(), 2);
    QCOMPARE(groups.first(), (QVariantList {Serial20, 5, 0x0F0Fu, 0x0003u}));
    QCOMPARE(groups.last().at(2).toUInt(), 0x0001u);
    // Only groups 0 ... 31 exist: nothing is read or written for others.
    norvsim_reset_counters();
    core.getFlexGroupData(32);
    core.getFlexGroupData(-1);
    core.setFlexGroup(-1, 0xFFFF, 0xFFFF);
    core.setFlexGroup(32, 0xFFFF, 0xFFFF);
    QCOMPARE(groups.size(), 2);
    QCOMPARE(norvsim_cycle_count(Base20), qint64(0));

    // Nominals change only in stop mode (status bit 2); else one status read each.
    core.setChannelVoltageNominal(1, 2000.0f);
    core.setChannelCurrentNominal(1, 2.0f);
    QCOMPARE(norvsim_cycle_count(Base20), qint64(2));
    core.setModuleControl(0x0004);
    norvsim_advance_ms(1);
    core.setChannelVoltageNominal(1, 2000.0f);
    core.setChannelCurrentNominal(1, 2.0f);
    QCOMPARE(norvsim_channel_value(Base20, 1, NORVSIM_VNOM), 2000.0);
    QCOMPARE(qRound(norvsim_channel_value(Base20, 1, NORVSIM_INOM) * 1e6), 2000);
}

QTEST_GUILESS_MAIN(TestCrateCore)
#include "tst_cratecore.moc"
