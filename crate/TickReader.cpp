#include "TickReader.h"

#include "ModuleSlot.h"

#include <BaseModule.h>
#include <ReadAhead.h>
#include <VmeController.h>
#include <VmeModule.h>
#include <WordBits.h>

namespace {

// Device classes whose current ramp speed is not a module-wide value.
constexpr int DeviceClass21 = 21;
constexpr int DeviceClass29 = 29;

bool cancelled(const std::atomic<bool> *cancel) { return cancel && cancel->load(); }

} // namespace

TickReading TickReader::read(const TickInput &input, BaseController *controller,
                             const std::atomic<bool> *cancel)
{
    TickReading tick;
    tick.rowCursor = input.rowCursor;
    const bool current = input.current >= 0 && input.current < input.modules.size();
    int rows = input.rows;
    // A failed cycle reads as 0; counted from here, the whole tick's values
    // are suspect, the identification of the connection check included.
    const quint32 failedBefore = current ? input.modules.at(input.current)->failedReads() : 0;

    // First transfer: every module's connection check, then the current
    // module's details (when it is to be shown) and its control and status.
    const int state = current ? input.states.value(input.current) : -1;
    inOneTransfer(planKey({0, input.current, state}), controller, [&] {
        for (BaseModule *module : input.modules) {
            if (cancelled(cancel)) {
                tick.cancelled = true;
                return;
            }
            ConnectionReading connection;
            connection.serialNumber = module->GetModuleSerialNumber();
            connection.connected = module->connected();
            tick.connections.append(connection);
        }
        if (!current)
            return;
        tick.current = input.current;
        BaseModule *module = input.modules.at(input.current);
        const ConnectionReading &connection = tick.connections.at(input.current);
        tick.state = ModuleSlot::nextState(state, connection.serialNumber, connection.connected);
        tick.typeCode = module->firmwareName();
        if (tick.state == ModuleSlot::NotAnswering) {
            tick.controllerStatus = controller->statusText();
            return;
        }
        if (tick.state == ModuleSlot::Answering) {
            tick.details = readDetails(module, tick.typeCode, connection.serialNumber);
            rows = qMax(0, tick.details->channels);
        }
        tick.control = module->GetModuleControl() & WordBits::Word16;
        tick.status = module->GetModuleStatus() & WordBits::Word16;
    });
    if (tick.cancelled || tick.current < 0 || tick.state == ModuleSlot::NotAnswering)
        return tick;

    // Second transfer: the module step when it is due, and one channel row.
    BaseModule *module = input.modules.at(input.current);
    const bool moduleStep
        = tick.rowCursor >= rows || (tick.status & WordBits::ModuleStatus::SpecialMode);
    const int row = moduleStep ? 0 : tick.rowCursor;
    const quint32 modes
        = tick.status & (WordBits::ModuleStatus::SpecialMode | WordBits::ModuleStatus::Stop);
    inOneTransfer(planKey({1, input.current, rows, row, int(moduleStep), int(modes),
                           int(input.allModulesWanted), int(row == input.selectedChannel)}),
                  controller, [&] {
                      if (moduleStep) {
                          tick.rowCursor = 0;
                          tick.moduleStep = readModuleStep(input, controller, tick, rows, cancel);
                          tick.cancelled = cancelled(cancel);
                          if (tick.moduleStep->specialMode || tick.cancelled)
                              return;
                      }
                      // A module that has not been shown yet has no rows to refresh.
                      if (tick.rowCursor < rows) {
                          tick.channel = readChannel(module, tick.rowCursor,
                                                     tick.rowCursor == input.selectedChannel);
                          ++tick.rowCursor;
                      }
                  });
    tick.readFailed = module->failedReads() != failedBefore;
    return tick;
}

void TickReader::forgetPlans() { m_plans.clear(); }

QByteArray TickReader::planKey(std::initializer_list<int> parts)
{
    QByteArray key;
    for (int part : parts)
        key.append(reinterpret_cast<const char *>(&part), sizeof part);
    return key;
}

void TickReader::inOneTransfer(const QByteArray &key, BaseController *controller,
                               const std::function<void()> &step)
{
    auto *bus = dynamic_cast<VmeController *>(controller);
    if (!bus || !bus->batchesReads()) {
        step();
        return;
    }
    // The reads this step made last time, made again in one transfer ahead
    // of the step; whatever it asks for differently goes to the bus as usual.
    QVector<quint32> &plan = m_plans[key];
    QVector<quint16> words;
    QVector<int> errors;
    if (!plan.isEmpty())
        bus->readBatch(plan, VmeModule::AddressModifier, &words, &errors);
    ReadAhead ahead(plan, words, errors);
    step();
    plan = ahead.asked();
}

ModuleDetails TickReader::readDetails(BaseModule *module, const QString &typeCode, int serial)
{
    ModuleDetails details;
    details.typeCode = typeCode;
    details.serialNumber = serial;
    details.firmwareRelease = module->GetModuleFirmwareRelease();
    details.decoderRelease = module->GetModuleDecoderRelease();
    details.address = module->GetModuleAddress();
    details.channels = module->GetModuleChannelNumber();
    return details;
}

ModuleStepReading TickReader::readModuleStep(const TickInput &input, BaseController *controller,
                                             const TickReading &tick, int rows,
                                             const std::atomic<bool> *cancel)
{
    BaseModule *module = input.modules.at(tick.current);
    ModuleStepReading step;
    step.controllerStatus = controller->statusText();
    step.liveInsertion = controller->liveInsertion();
    const DisplayFormat display = module->displayFormat();
    step.voltageUnit = display.voltageUnitText();
    step.currentUnit = display.currentUnitText();
    step.supplyP5 = module->GetModuleSupplyP5();
    step.supplyP12 = module->GetModuleSupplyP12();
    step.supplyN12 = module->GetModuleSupplyN12();
    step.temperature = module->GetModuleTemperature();
    step.voltageLimit = module->GetModuleVoltageLimit();
    step.currentLimit = module->GetModuleCurrentLimit();
    step.voltageRampSpeed = module->GetModuleVoltageRampSpeed();
    const int deviceClass = module->deviceClass();
    if (deviceClass != DeviceClass21 && deviceClass != DeviceClass29)
        step.currentRampSpeed = module->GetModuleCurrentRampSpeed();
    step.eventStatus = module->GetModuleEventStatus();
    step.eventMask = module->GetModuleEventMask();
    step.restartTime = module->GetModuleRestartTime();
    step.eventChannelStatus = module->GetModuleEventChannelStatus();
    step.eventChannelMask = module->GetModuleEventChannelMask();
    step.eventGroupStatus = module->GetModuleEventGroupStatus();
    step.eventGroupMask = module->GetModuleEventGroupMask();

    if (tick.status & WordBits::ModuleStatus::SpecialMode) {
        // The loader answers only its own registers: no channel, interlock or
        // overview reads until the module is back in normal mode.
        step.specialMode = true;
        step.specialCommand = module->GetModuleSpecialControlCommand();
        step.specialStatus = module->GetModuleSpecialControlStatus();
        return step;
    }

    if (tick.status & WordBits::ModuleStatus::Stop) {
        for (int row = 0; row < rows; ++row) {
            HardwareNominal nominal;
            nominal.voltage = module->GetChannelVoltageHardwareNominal(row);
            nominal.voltageUnit = module->voltageUnit(row);
            nominal.current = module->GetChannelCurrentHardwareNominal(row);
            nominal.currentUnit = module->currentUnit(row);
            step.hardwareNominals.append(nominal);
        }
    }

    step.interlockStatus = module->GetModuleIlkOutStatus();
    step.interlockControl = module->GetModuleIlkOutControl();
    step.interlockCount = module->GetModuleIlkOutCount();
    step.interlockLastTrigger = module->GetModuleIlkOutLastTrigger();
    step.interlockChannelActualActive = module->GetModuleIlkOutChnActualActive();
    step.interlockChannelEverTriggered = module->GetModuleIlkOutChnEverTriggered();

    if (input.allModulesWanted)
        step.allModules = readAllModules(input, tick, cancel);
    return step;
}

QVector<ModuleMeasurements> TickReader::readAllModules(const TickInput &input,
                                                       const TickReading &tick,
                                                       const std::atomic<bool> *cancel)
{
    QVector<ModuleMeasurements> all;
    for (int slot = 0; slot < input.modules.size() && !cancelled(cancel); ++slot) {
        BaseModule *module = input.modules.at(slot);
        ModuleMeasurements measurements;
        measurements.serialNumber = tick.connections.at(slot).serialNumber;
        const quint32 failedBefore = module->failedReads();
        const int channels = module->GetModuleChannelNumber();
        measurements.temperature = module->GetModuleTemperature();
        for (int channel = 0; channel < channels; ++channel) {
            ChannelMeasurement m;
            m.voltageUnit = module->voltageUnit(channel);
            m.currentUnit = module->currentUnit(channel);
            m.voltageMeasure = module->GetChannelVoltageMeasure(channel);
            m.currentMeasure = module->GetChannelCurrentMeasure(channel);
            m.voltageSet = module->GetChannelVoltageSet(channel);
            m.status = module->GetChannelStatus(channel) & WordBits::Word16;
            measurements.channels.append(m);
        }
        measurements.readFailed = module->failedReads() != failedBefore;
        all.append(measurements);
    }
    return all;
}

ChannelReading TickReader::readChannel(BaseModule *module, int row, bool selected)
{
    ChannelReading r;
    r.channel = row;
    r.voltageUnit = module->voltageUnit(row);
    r.currentUnit = module->currentUnit(row);
    r.voltageNominal = module->GetChannelVoltageNominal(row);
    r.voltageNominalText = module->FormatVoltage(r.voltageNominal);
    r.currentNominal = module->GetChannelCurrentNominal(row);
    r.currentNominalText = module->FormatCurrent(r.currentNominal);
    r.voltageSet = module->GetChannelVoltageSet(row);
    r.voltageSetText = module->FormatVoltage(r.voltageSet);
    r.currentSet = module->GetChannelCurrentSet(row);
    r.currentSetText = module->FormatCurrent(r.currentSet);
    r.voltageMeasure = module->GetChannelVoltageMeasure(row);
    r.voltageMeasureText = module->FormatVoltage(r.voltageMeasure);
    r.currentMeasure = module->GetChannelCurrentMeasure(row);
    r.currentMeasureText = module->FormatCurrent(r.currentMeasure);
    r.control = module->GetChannelControl(row) & WordBits::Word16;
    r.status = module->GetChannelStatus(row) & WordBits::Word16;
    r.eventStatus = module->GetChannelEventStatus(row) & WordBits::Word16;
    r.eventMask = module->GetChannelEventMask(row) & WordBits::Word16;
    r.deviceClass = module->deviceClass();
    if (selected) {
        ChannelBounds bounds;
        bounds.voltageMax = module->GetChannelVoltageIlkMaxSet(row);
        bounds.voltageMin = module->GetChannelVoltageIlkMinSet(row);
        bounds.currentMax = module->GetChannelCurrentIlkMaxSet(row);
        bounds.currentMin = module->GetChannelCurrentIlkMinSet(row);
        r.bounds = bounds;
    }
    return r;
}
