#include "CrateCore.h"

#include "CorePrompt.h"
#include "CrateView.h"
#include "Sequence.h"
#include "SettingsStore.h"
#include "TickReader.h"

#include <BaseModule.h>
#include <RegisterMap.h>
#include <V1718.h>
#include <VmUsb.h>
#include <VmeModule.h>
#include <WordBits.h>

#include <QDebug>
#include <QTimer>

namespace {

// A16 base addresses are probed in steps of the smallest module window.
constexpr int BaseAddressStep = 0x400;
constexpr int AddressSpaceEnd = 0xFFFF;

// The crate dialog is refreshed about once a second.
constexpr int CrateUpdatePeriodMs = 1000;

} // namespace

CrateCore::CrateCore(QObject *parent)
    : QObject(parent)
    , m_refreshTimer(new QTimer(this))
{
    qRegisterMetaType<TickReading>();
    // Single shot: the next tick is timed from the end of the last one.
    m_refreshTimer->setSingleShot(true);
    m_refreshTimer->setInterval(RefreshIntervalMs);
    connect(m_refreshTimer, &QTimer::timeout, this, &CrateCore::refreshTimerElapsed);
    m_readerThread.setObjectName(QStringLiteral("refresh reader"));
    m_reader = new QObject;
    m_reader->moveToThread(&m_readerThread);
    m_readerThread.start();
    m_elapsed.start();
}

CrateCore::~CrateCore()
{
    m_connected = false;
    m_refreshTimer->stop();
    settleReads();
    m_readerThread.quit();
    m_readerThread.wait();
    // Its thread has ended: nothing runs in it any more.
    delete m_reader;
    // Modules hold a plain pointer to the controller: they go first.
    deleteModules();
    m_controller.reset();
}

void CrateCore::setThreadedReads(bool on)
{
    settleReads();
    m_threadedReads = on;
    applyRefreshState();
}

void CrateCore::setServiceMode(bool on)
{
    for (ModuleSlot &slot : m_slots)
        slot.serviceFlag = on;
}

BaseModule *CrateCore::module(int slot) const
{
    return slot >= 0 && slot < MaxModules ? m_slots[size_t(slot)].module.get() : nullptr;
}

int CrateCore::moduleState(int slot) const
{
    return slot >= 0 && slot < MaxModules ? m_slots[size_t(slot)].state : ModuleSlot::New;
}

void CrateCore::deleteModules()
{
    // Every slot, not only the counted ones: a failed connection leaves an
    // uncounted placeholder in slot 0 that would otherwise outlive its
    // controller. A sequence working on one of them sees it vanish and aborts.
    const QMutexLocker inUse(&m_moduleUse);
    for (ModuleSlot &slot : m_slots)
        slot.module.reset();
    m_moduleCount = 0;
}

void CrateCore::information(const QString &text)
{
    if (m_prompt)
        m_prompt->information(CorePrompt::programTitle(), text);
    else
        qWarning().noquote() << text;
}

void CrateCore::initModuleAccess()
{
    m_connected = false;
    m_refreshWanted = false;
    applyRefreshState();
    settleReads();

    deleteModules();
    m_controller.reset();
    m_tickReader.forgetPlans();
    emit moduleListCleared();
    emit controllerTextChanged(tr("Connecting to VME controller..."));

    VmeController *controller = nullptr;
    const QString choice
        = m_controllerChoice.isEmpty() ? SettingsStore::vmeController() : m_controllerChoice;
    if (choice == QLatin1String(SettingsStore::V1718Controller))
        controller = new V1718;
    else
        controller = new VmUsb;
    m_controller.reset(controller);

    const QString name = controller->name();
    if (!controller->isConnected()) {
        const QString text
            = tr("Can not init VME controller %1!\nMaybe there is no controller connected over "
                 "USB?\n\nYou can try re-powering the crate and re-plugging the USB cord\nand "
                 "then select menu File --> Select VME Controller --> Yes.")
                  .arg(name);
        if (m_prompt)
            m_prompt->warning(CorePrompt::programTitle(), text, CorePrompt::Ok);
        else
            qWarning().noquote() << text;
        emit controllerTextChanged(
            tr("<font color=\"red\">Not connected to VME controller %1!").arg(name));
        // Commands that address the current module reach this object; it is
        // not counted, so the list and the refresh cycle ignore it.
        m_slots[0].module = std::make_unique<VmeModule>(controller, 0);
        m_current = 0;
        return;
    }

    qDebug() << "Connected to VME controller" << name;
    emit controllerTextChanged(controller->statusText());

    for (int address = 0; address < AddressSpaceEnd && m_moduleCount < MaxModules;
         address += BaseAddressStep) {
        VmeModule probe(controller, quint16(address));
        if (!RegisterMap::forDeviceClass(probe.GetModuleDeviceClass()))
            continue;
        const int serial = probe.GetModuleSerialNumber();
        emit moduleListed(QStringLiteral("%1\n%2").arg(probe.GetModuleAddress(),
                                                       QString::number(serial)));
        auto module = std::make_unique<VmeModule>(controller, quint16(address));
        SettingsStore::loadDisplaySettings(module.get(), serial);
        m_slots[size_t(m_moduleCount++)].module = std::move(module);
    }

    for (ModuleSlot &slot : m_slots)
        slot.state = ModuleSlot::New;
    selectModule(0);
    m_connected = true;
    m_refreshWanted = true;
    applyRefreshState();
}

void CrateCore::selectModule(int slot)
{
    if (slot < 0 || slot >= m_moduleCount)
        return;
    // A sequence pins its module; once a rebuild took that module away there
    // is nothing left to pin, and the new list starts at its first module.
    if (m_sequence && !m_sequence->aborted() && slot != m_current) {
        information(tr("Another operation is still running on the module. Please wait until it "
                       "has finished."));
        emit moduleSelected(m_current);
        return;
    }

    const bool changed = slot != m_current;
    m_current = slot;
    emit moduleSelected(slot);
    ModuleSlot &current = m_slots[size_t(slot)];
    // Shown again at the next tick, which also sizes the table for it.
    if (current.state == ModuleSlot::Shown)
        current.state = ModuleSlot::Answering;

    if (!current.module->connected()) {
        emit tableCleared();
    } else if (changed) {
        const int serial = current.module->GetModuleSerialNumber();
        emit currentModuleChanged(serial);
        emit currentChannelChanged(serial, m_view ? m_view->selectedChannel() : -1);
    }
}

void CrateCore::channelSelected(int row)
{
    if (row == m_lastChannelRow)
        return;
    m_lastChannelRow = row;
    if (BaseModule *module = currentModule())
        emit currentChannelChanged(module->GetModuleSerialNumber(), row);
}

bool CrateCore::isRefreshRunning() const { return m_connected && m_refreshWanted && m_pauses == 0; }

void CrateCore::startRefresh()
{
    m_refreshWanted = true;
    applyRefreshState();
}

void CrateCore::stopRefresh()
{
    m_refreshWanted = false;
    applyRefreshState();
}

void CrateCore::pauseRefresh()
{
    ++m_pauses;
    applyRefreshState();
}

void CrateCore::resumeRefresh()
{
    if (m_pauses > 0)
        --m_pauses;
    applyRefreshState();
}

void CrateCore::applyRefreshState()
{
    // The refresh runs only over a connected controller with a finished scan;
    // while a reading is on its way, its arrival times the next tick.
    if (!isRefreshRunning())
        m_refreshTimer->stop();
    else if (!m_refreshTimer->isActive() && m_readingTicket == 0)
        m_refreshTimer->start();
}

std::unique_ptr<Sequence> CrateCore::beginSequence(const QString &name)
{
    if (m_sequence) {
        information(tr("Another operation is still running on the module. Please wait until it "
                       "has finished."));
        return nullptr;
    }
    BaseModule *target = m_moduleCount > 0 ? currentModule() : nullptr;
    if (!target) {
        information(tr("There is no module to work on."));
        return nullptr;
    }
    std::unique_ptr<Sequence> sequence(
        new Sequence(this, target, name.isEmpty() ? tr("another operation") : name));
    {
        const QMutexLocker inUse(&m_moduleUse);
        m_sequence = sequence.get();
    }
    pauseRefresh();
    return sequence;
}

void CrateCore::endSequence(Sequence *sequence)
{
    if (m_sequence != sequence)
        return;
    {
        const QMutexLocker inUse(&m_moduleUse);
        m_sequence = nullptr;
    }
    resumeRefresh();
}

QString CrateCore::sequenceHolding(const BaseModule *module) const
{
    return m_sequence && module && m_sequence->module() == module ? m_sequence->name() : QString();
}

QStringList CrateCore::switchAllModulesOff()
{
    QStringList unreached;
    for (int slot = 0; slot < m_moduleCount; ++slot) {
        BaseModule *module = m_slots[size_t(slot)].module.get();
        // A module object that has not been identified yet (no tick has
        // reached it, or it just came back) spends its first call on
        // identification and would drop the switch-off. One that does not
        // answer now (the test of the connection states) does not take the
        // write either.
        const bool connected = module->connected();
        if (!connected || module->GetModuleSerialNumber() == 0) {
            unreached.append(module->GetModuleAddress());
            continue;
        }
        module->SetSelectedChannelsOff(WordBits::AllChannels);
    }
    return unreached;
}

// ---------------------------------------------------------------------------
// The refresh tick: read first, then show and report what was read.

void CrateCore::refreshTimerUpdate()
{
    settleReads();
    crateStep();
    const TickInput input = tickInput();
    BaseController *controller = m_controller.get();
    TickReading tick;
    if (m_threadedReads) {
        QMetaObject::invokeMethod(
            m_reader, [&] { tick = m_tickReader.read(input, controller); },
            Qt::BlockingQueuedConnection);
    } else {
        tick = m_tickReader.read(input, controller);
    }
    showTick(tick);
    applyRefreshState();
}

void CrateCore::refreshTimerElapsed()
{
    if (!m_threadedReads) {
        refreshTimerUpdate();
        return;
    }
    crateStep();
    const quint64 ticket = ++m_lastTicket;
    m_readingTicket = ticket;
    const TickInput input = tickInput();
    BaseController *controller = m_controller.get();
    QMetaObject::invokeMethod(
        m_reader,
        [this, ticket, input, controller] {
            const TickReading tick = m_tickReader.read(input, controller, &m_cancelReading);
            QMetaObject::invokeMethod(
                this, [this, ticket, tick] { readingArrived(ticket, tick); }, Qt::QueuedConnection);
        },
        Qt::QueuedConnection);
}

void CrateCore::readingArrived(quint64 ticket, const TickReading &tick)
{
    // A reading overtaken by a rebuild or by a tick made on demand is stale.
    if (ticket != m_readingTicket)
        return;
    m_readingTicket = 0;
    if (!tick.cancelled)
        showTick(tick);
    applyRefreshState();
}

void CrateCore::settleReads()
{
    if (m_readingTicket == 0)
        return;
    m_cancelReading = true;
    // Queued behind the reading on its way: returns once that reading is done.
    QMetaObject::invokeMethod(
        m_reader, [] {}, Qt::BlockingQueuedConnection);
    m_cancelReading = false;
    m_readingTicket = 0;
}

TickInput CrateCore::tickInput() const
{
    TickInput input;
    for (int slot = 0; slot < m_moduleCount; ++slot) {
        input.modules.append(m_slots[size_t(slot)].module.get());
        input.states.append(m_slots[size_t(slot)].state);
    }
    input.current = m_current;
    input.rows = m_rows;
    input.rowCursor = m_rowCursor;
    if (m_view) {
        input.selectedChannel = m_view->selectedChannel();
        input.allModulesWanted = m_view->overviewShown() || m_view->onceRunPending();
    }
    return input;
}

void CrateCore::crateStep()
{
    if (!m_view || !m_view->crateDialogShown())
        return;
    if (++m_crateStep < CrateUpdatePeriodMs / qMax(1, m_refreshTimer->interval()))
        return;
    m_crateStep = 0;
    // Here every crate object would report its seven values. VME crates have
    // no crate object of their own, so a VME system has nothing to report.
}

void CrateCore::setItemText(int slot, const QString &state)
{
    emit moduleItemTextChanged(
        slot,
        QStringLiteral("%1\n%2").arg(m_slots[size_t(slot)].module->GetModuleAddress(), state));
}

void CrateCore::advanceConnectionState(int slot, const ConnectionReading &reading)
{
    ModuleSlot &s = m_slots[size_t(slot)];
    // The rest of the tick names the module by this reading.
    s.serialNumber = reading.serialNumber;
    const int next = ModuleSlot::nextState(s.state, reading.serialNumber, reading.connected);
    if (s.state == ModuleSlot::New)
        setItemText(slot, tr("Connecting..."));
    if (next != s.state) {
        setItemText(slot,
                    next == ModuleSlot::NotAnswering ? tr("Not connected")
                                                     : QString::number(reading.serialNumber));
    }
    s.state = next;
}

void CrateCore::showTick(const TickReading &tick)
{
    // The module list cannot change between reading and showing while both
    // run in this thread; a reading for another list is dropped.
    if (tick.connections.size() != m_moduleCount)
        return;
    for (int slot = 0; slot < tick.connections.size(); ++slot)
        advanceConnectionState(slot, tick.connections.at(slot));
    if (tick.current < 0 || tick.current != m_current)
        return;

    ModuleSlot &current = m_slots[size_t(tick.current)];
    m_rowCursor = tick.rowCursor;
    if (tick.details) {
        current.state = ModuleSlot::Shown;
        m_rows = qMax(0, tick.details->channels);
    }
    emit tickRead(tick);
    if (tick.details && current.serviceFlag) {
        current.serviceFlag = false;
        emit serviceModuleShown();
    }
    // A value from a failed read would go out as a measurement of 0.
    if (tick.state == ModuleSlot::NotAnswering || tick.readFailed)
        return;

    const int serial = current.serialNumber;
    emit updateModuleControl(serial, tick.control);
    emit updateModuleStatus(serial, tick.status);
    if (tick.moduleStep) {
        emitModuleStep(serial, tick.control, tick.status, *tick.moduleStep);
        if (tick.moduleStep->specialMode)
            return;
    }
    if (tick.channel)
        emitChannel(serial, *tick.channel);
}

void CrateCore::emitModuleStep(int serial, quint32 control, quint32 status,
                               const ModuleStepReading &step)
{
    emit updateModuleSupplyP5(serial, step.supplyP5);
    emit updateModuleSupplyP12(serial, step.supplyP12);
    emit updateModuleSupplyN12(serial, step.supplyN12);
    emit updateModuleTemperature(serial, step.temperature);
    emit updateModuleVoltageHardwareLimit(serial, step.voltageLimit);
    emit updateModuleCurrentHardwareLimit(serial, step.currentLimit);

    emit updateModuleControl(serial, control);
    emit updateModuleStatus(serial, status);
    emit updateModuleEventStatus(serial, step.eventStatus);
    emit updateModuleEventMask(serial, step.eventMask);
    emit updateModuleRestartTime(serial, step.restartTime);
    emit updateModuleEventChannelStatus(serial, step.eventChannelStatus);
    emit updateModuleEventChannelMask(serial, step.eventChannelMask);
    emit updateModuleEventGroupStatus(serial, step.eventGroupStatus);
    emit updateModuleEventGroupMask(serial, step.eventGroupMask);

    if (step.specialMode) {
        qDebug("%d: SpecialControlCommand = %08X, SpecialControlStatus = %08X", int(elapsedMs()),
               step.specialCommand, step.specialStatus);
        emit updateModuleSpecialControlStatus(serial, step.specialCommand, step.specialStatus);
        return;
    }

    for (int row = 0; row < step.hardwareNominals.size(); ++row) {
        const HardwareNominal &nominal = step.hardwareNominals.at(row);
        emit updateChannelVoltageHardwareNominal(serial, row, nominal.voltage, nominal.voltageUnit);
        emit updateChannelCurrentHardwareNominal(serial, row, nominal.current, nominal.currentUnit);
    }

    emit updateInterlockStatus(serial, step.interlockStatus);
    emit updateInterlockControl(serial, step.interlockControl);
    emit updateInterlockCount(serial, step.interlockCount);
    emit updateInterlockLastTrigger(serial, step.interlockLastTrigger);
    emit updateInterlockChannelActualActive(serial, step.interlockChannelActualActive);
    emit updateInterlockChannelEverTriggered(serial, step.interlockChannelEverTriggered);

    if (step.allModules)
        emitAllModules(*step.allModules);
}

void CrateCore::emitAllModules(const QVector<ModuleMeasurements> &modules)
{
    for (const ModuleMeasurements &module : modules) {
        if (module.readFailed)
            continue;
        const int serial = module.serialNumber;
        emit updateModuleTemperature(serial, module.temperature);
        for (int channel = 0; channel < module.channels.size(); ++channel) {
            const ChannelMeasurement &m = module.channels.at(channel);
            emit updateChannelVoltageMeasure(serial, channel, m.voltageMeasure, m.voltageUnit);
            emit updateChannelCurrentMeasure(serial, channel, m.currentMeasure, m.currentUnit);
            emit updateChannelVoltage(serial, channel, m.voltageSet, m.voltageUnit);
            emit updateChannelStatus(serial, channel, m.status);
        }
    }
    emit updateAllModulesComplete();
}

void CrateCore::emitChannel(int serial, const ChannelReading &c)
{
    const int row = c.channel;
    // A pending once-run takes its measurements from the all-modules pass
    // only, so that every channel of every module is written exactly once.
    const bool measurementsFromPassOnly = m_view && m_view->onceRunPending();
    emit updateChannelVoltage(serial, row, c.voltageSet, c.voltageUnit);
    if (!measurementsFromPassOnly) {
        emit updateChannelVoltageMeasure(serial, row, c.voltageMeasure, c.voltageUnit);
        emit updateChannelCurrentMeasure(serial, row, c.currentMeasure, c.currentUnit);
    }
    if (!c.bounds)
        return;
    emit updateChannelControl(serial, row, c.control);
    emit updateChannelStatus(serial, row, c.status);
    emit updateChannelEventStatus(serial, row, c.eventStatus);
    emit updateChannelEventMask(serial, row, c.eventMask);
    emit updateChannelVoltageNominal(serial, row, c.voltageNominal, c.voltageUnit);
    emit updateChannelCurrentNominal(serial, row, c.currentNominal, c.currentUnit);
    emit updateChannelVoltageInterlockMaxSet(serial, row, c.bounds->voltageMax, c.voltageUnit);
    emit updateChannelVoltageInterlockMinSet(serial, row, c.bounds->voltageMin, c.voltageUnit);
    emit updateChannelCurrentInterlockMaxSet(serial, row, c.bounds->currentMax, c.currentUnit);
    emit updateChannelCurrentInterlockMinSet(serial, row, c.bounds->currentMin, c.currentUnit);
}
