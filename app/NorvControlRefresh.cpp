// The refresh cycle of the main window: one bounded slice of bus work per
// timer tick, shown in the table and labels and sent out as update signals.
#include "NorvControl.h"

#include "ui_norvcontrol.h"

#include <BaseController.h>
#include <BaseModule.h>
#include <DialogCrate.h>
#include <DialogOverview.h>
#include <HvTable.h>
#include <StatusCell.h>
#include <TarnChannelStatusBits.h>
#include <TarnModuleStatusBits.h>

#include <QCoreApplication>
#include <QDebug>
#include <QLabel>
#include <QStatusBar>
#include <QTimer>

namespace {

// Control, status and the channel's event words travel as 16-bit values even
// where layout 29 transfers 32 bits; every bit they name lies in the low half.
constexpr quint32 Word16 = 0xFFFF;

// Module status bits that change what a pass does.
constexpr quint32 ModuleStatusStop = 0x0004; // nominals may be changed
constexpr quint32 ModuleStatusSpecialMode = 0x0040; // firmware loader: no channel access

// Device classes whose current ramp speed is not a module-wide value.
constexpr int DeviceClass21 = 21;
constexpr int DeviceClass29 = 29;

// The crate dialog is refreshed about once a second.
constexpr int CrateUpdatePeriodMs = 1000;

enum Column {
    VoltageSetColumn = 0,
    VoltageMeasureColumn = 1,
    VoltageNominalColumn = 2,
    CurrentSetColumn = 3,
    CurrentMeasureColumn = 4,
    CurrentNominalColumn = 5,
    StatusColumn = 6
};

QString hexWord(quint32 word) { return QStringLiteral("0x%1").arg(word, 4, 16, QLatin1Char('0')); }

QString rampSpeedText(float speed)
{
    return QCoreApplication::translate("NorvControl", "%1 %/s").arg(double(speed), 0, 'g', 6);
}

} // namespace

void NorvControl::refreshTimerUpdate()
{
    crateStep();
    advanceConnectionStates();
    if (m_moduleCount == 0 || m_currentModule < 0 || m_currentModule >= m_moduleCount)
        return;

    BaseModule *module = m_module[m_currentModule];
    const QString typeCode = module->firmwareName();
    // Read by the connection step of this same tick.
    const int serial = m_serialNumber[m_currentModule];

    switch (m_moduleState[m_currentModule]) {
    case StateNotAnswering:
        m_ui->lblConnect->setText(tr("<font color=\"red\">Error: can not connect to Module!"));
        m_ui->table->setEnabled(false);
        m_controllerLabel->setText(m_controller->statusText());
        return;
    case StateAnswering:
        showModuleDetails(module, typeCode, serial);
        break;
    default:
        break;
    }

    const int rows = m_ui->table->rowCount();
    const quint32 control = module->GetModuleControl() & Word16;
    emit updateModuleControl(serial, control);
    const quint32 status = module->GetModuleStatus() & Word16;
    emit updateModuleStatus(serial, status);

    if (m_rowCursor >= rows || (status & ModuleStatusSpecialMode)) {
        if (!moduleStep(module, serial, control, status, rows))
            return;
    }
    // A module that has not been shown yet has no rows to refresh.
    if (m_rowCursor < rows)
        channelStep(module, serial, m_rowCursor);
}

void NorvControl::crateStep()
{
    if (!m_dialogCrate || !m_dialogCrate->isVisible())
        return;
    if (++m_crateStep < CrateUpdatePeriodMs / qMax(1, m_refreshTimer->interval()))
        return;
    m_crateStep = 0;
    // Here every crate object would report its seven values. VME crates have
    // no crate object of their own, so a VME system has nothing to report.
}

void NorvControl::showModuleDetails(BaseModule *module, const QString &typeCode, int serial)
{
    m_moduleState[m_currentModule] = StateShown;
    m_ui->lblModuleType->setText(typeCode);
    m_ui->lblSerial->setText(QString::number(serial));
    m_ui->lblFirmware->setText(module->GetModuleFirmwareRelease());
    const quint32 decoder = module->GetModuleDecoderRelease();
    m_ui->lblVmeDec->setText(QStringLiteral("%1.%2 / %3.%4")
                                 .arg(decoder >> 24)
                                 .arg((decoder >> 16) & 0xFF)
                                 .arg((decoder >> 8) & 0xFF)
                                 .arg(decoder & 0xFF));
    m_ui->lblConnect->setText(
        tr("Connected to %1 sn. %2 at %3")
            .arg(typeCode, QString::number(serial), module->GetModuleAddress()));
    m_ui->table->setEnabled(true);
    m_ui->table->setChannelCount(module->GetModuleChannelNumber());
    statusBar()->clearMessage();

    if (m_serviceFlag[m_currentModule]) {
        m_serviceFlag[m_currentModule] = false;
        m_ui->actionFactorySettings->trigger();
    }
}

bool NorvControl::moduleStep(BaseModule *module, int serial, quint32 control, quint32 status,
                             int rows)
{
    m_rowCursor = 0;

    m_controllerLabel->setText(m_controller->statusText());
    m_insertionLabel->setText(m_controller->liveInsertion()
                                  ? tr("<font color=\"green\">Live Insertion active.")
                                  : QString());

    const QString voltageUnit = module->voltageUnit(0);
    const QString currentUnit = module->currentUnit(0);
    HvTable *table = m_ui->table;
    table->setHeader(VoltageSetColumn, tr("Vset (%1)").arg(voltageUnit));
    table->setHeader(VoltageMeasureColumn, tr("Vmeas (%1)").arg(voltageUnit));
    table->setHeader(VoltageNominalColumn, tr("Vnominal (%1)").arg(voltageUnit));
    table->setHeader(CurrentSetColumn, tr("Iset (%1)").arg(currentUnit));
    table->setHeader(CurrentMeasureColumn, tr("Imeas (%1)").arg(currentUnit));
    table->setHeader(CurrentNominalColumn, tr("Inominal (%1)").arg(currentUnit));
    table->setHeader(StatusColumn, tr("Status"));

    emit updateModuleSupplyP5(serial, module->GetModuleSupplyP5());
    emit updateModuleSupplyP12(serial, module->GetModuleSupplyP12());
    emit updateModuleSupplyN12(serial, module->GetModuleSupplyN12());
    emit updateModuleTemperature(serial, module->GetModuleTemperature());
    emit updateModuleVoltageHardwareLimit(serial, module->GetModuleVoltageLimit());
    emit updateModuleCurrentHardwareLimit(serial, module->GetModuleCurrentLimit());

    m_ui->lblVRampSpeed->setText(rampSpeedText(module->GetModuleVoltageRampSpeed()));
    const int deviceClass = module->deviceClass();
    if (deviceClass == DeviceClass21 || deviceClass == DeviceClass29)
        m_ui->lblIRampSpeed->setText(QStringLiteral("-----"));
    else
        m_ui->lblIRampSpeed->setText(rampSpeedText(module->GetModuleCurrentRampSpeed()));

    const quint32 eventStatus = module->GetModuleEventStatus();
    const quint32 eventMask = module->GetModuleEventMask();
    const quint32 restartTime = module->GetModuleRestartTime();
    {
        const TarnModuleStatusBits bits;
        m_ui->lblModuleControl->setText(bits.controlBitText(control));
        m_ui->lblModuleStatus->setText(bits.statusBitText(status));
        m_ui->lblModuleEventStatus->setText(bits.eventStatusBitText(eventStatus));
    }
    m_ui->lblModuleEventMask->setText(hexWord(eventMask));

    emit updateModuleControl(serial, control);
    emit updateModuleStatus(serial, status);
    emit updateModuleEventStatus(serial, eventStatus);
    emit updateModuleEventMask(serial, eventMask);
    emit updateModuleRestartTime(serial, restartTime);
    emit updateModuleEventChannelStatus(serial, module->GetModuleEventChannelStatus());
    emit updateModuleEventChannelMask(serial, module->GetModuleEventChannelMask());
    emit updateModuleEventGroupStatus(serial, module->GetModuleEventGroupStatus());
    emit updateModuleEventGroupMask(serial, module->GetModuleEventGroupMask());

    if (status & ModuleStatusSpecialMode) {
        // The loader answers only its own registers: no channel, interlock or
        // overview reads until the module is back in normal mode.
        const quint32 command = module->GetModuleSpecialControlCommand();
        const quint32 specialStatus = module->GetModuleSpecialControlStatus();
        qDebug("%d: SpecialControlCommand = %08X, SpecialControlStatus = %08X",
               int(m_elapsed.elapsed()), command, specialStatus);
        emit updateModuleSpecialControlStatus(serial, command, specialStatus);
        return false;
    }

    if (status & ModuleStatusStop) {
        for (int row = 0; row < rows; ++row) {
            const float vmax = module->GetChannelVoltageHardwareNominal(row);
            emit updateChannelVoltageHardwareNominal(serial, row, vmax, module->voltageUnit(row));
            const float imax = module->GetChannelCurrentHardwareNominal(row);
            emit updateChannelCurrentHardwareNominal(serial, row, imax, module->currentUnit(row));
        }
    }

    emit updateInterlockStatus(serial, module->GetModuleIlkOutStatus());
    emit updateInterlockControl(serial, module->GetModuleIlkOutControl());
    emit updateInterlockCount(serial, module->GetModuleIlkOutCount());
    emit updateInterlockLastTrigger(serial, module->GetModuleIlkOutLastTrigger());
    emit updateInterlockChannelActualActive(serial, module->GetModuleIlkOutChnActualActive());
    emit updateInterlockChannelEverTriggered(serial, module->GetModuleIlkOutChnEverTriggered());

    if ((m_dialogOverview && m_dialogOverview->isVisible()) || onceRunPending())
        allModulesPass();
    return true;
}

void NorvControl::allModulesPass()
{
    for (int slot = 0; slot < m_moduleCount; ++slot) {
        BaseModule *module = m_module[slot];
        const int serial = m_serialNumber[slot];
        const int channels = module->GetModuleChannelNumber();
        emit updateModuleTemperature(serial, module->GetModuleTemperature());
        for (int channel = 0; channel < channels; ++channel) {
            const QString voltageUnit = module->voltageUnit(channel);
            const QString currentUnit = module->currentUnit(channel);
            emit updateChannelVoltageMeasure(
                serial, channel, module->GetChannelVoltageMeasure(channel), voltageUnit);
            emit updateChannelCurrentMeasure(
                serial, channel, module->GetChannelCurrentMeasure(channel), currentUnit);
            emit updateChannelVoltage(serial, channel, module->GetChannelVoltageSet(channel),
                                      voltageUnit);
            emit updateChannelStatus(serial, channel, module->GetChannelStatus(channel) & Word16);
        }
    }
    emit updateAllModulesComplete();
}

void NorvControl::channelStep(BaseModule *module, int serial, int row)
{
    const QString voltageUnit = module->voltageUnit(row);
    const QString currentUnit = module->currentUnit(row);
    // A pending once-run takes its measurements from the all-modules pass
    // only, so that every channel of every module is written exactly once.
    const bool measurementsFromPassOnly = onceRunPending();
    HvTable *table = m_ui->table;

    const float vnominal = module->GetChannelVoltageNominal(row);
    table->setCell(row, VoltageNominalColumn, module->FormatVoltage(vnominal));
    const float inominal = module->GetChannelCurrentNominal(row);
    table->setCell(row, CurrentNominalColumn, module->FormatCurrent(inominal));
    const float vset = module->GetChannelVoltageSet(row);
    table->setCell(row, VoltageSetColumn, module->FormatVoltage(vset));
    emit updateChannelVoltage(serial, row, vset, voltageUnit);
    const float iset = module->GetChannelCurrentSet(row);
    table->setCell(row, CurrentSetColumn, module->FormatCurrent(iset));
    const float vmeas = module->GetChannelVoltageMeasure(row);
    table->setCell(row, VoltageMeasureColumn, module->FormatVoltage(vmeas));
    if (!measurementsFromPassOnly)
        emit updateChannelVoltageMeasure(serial, row, vmeas, voltageUnit);
    const float imeas = module->GetChannelCurrentMeasure(row);
    table->setCell(row, CurrentMeasureColumn, module->FormatCurrent(imeas));
    if (!measurementsFromPassOnly)
        emit updateChannelCurrentMeasure(serial, row, imeas, currentUnit);

    const quint32 control = module->GetChannelControl(row) & Word16;
    const quint32 status = module->GetChannelStatus(row) & Word16;
    const quint32 eventStatus = module->GetChannelEventStatus(row) & Word16;
    const quint32 eventMask = module->GetChannelEventMask(row) & Word16;
    const StatusCell cell = StatusCell::of(module->deviceClass(), status, control);
    table->setCell(row, StatusColumn, cell.text(), cell.colour());

    if (row == table->currentRow()) {
        {
            const TarnChannelStatusBits bits;
            m_ui->lblChannelControl->setText(bits.controlBitText(control));
            m_ui->lblChannelStatus->setText(bits.statusBitText(status));
            m_ui->lblChannelEventStatus->setText(bits.eventStatusBitText(eventStatus));
        }
        m_ui->lblChannelEventMask->setText(hexWord(eventMask));

        emit updateChannelControl(serial, row, control);
        emit updateChannelStatus(serial, row, status);
        emit updateChannelEventStatus(serial, row, eventStatus);
        emit updateChannelEventMask(serial, row, eventMask);
        emit updateChannelVoltageNominal(serial, row, vnominal, voltageUnit);
        emit updateChannelCurrentNominal(serial, row, inominal, currentUnit);
        emit updateChannelVoltageInterlockMaxSet(
            serial, row, module->GetChannelVoltageIlkMaxSet(row), voltageUnit);
        emit updateChannelVoltageInterlockMinSet(
            serial, row, module->GetChannelVoltageIlkMinSet(row), voltageUnit);
        emit updateChannelCurrentInterlockMaxSet(
            serial, row, module->GetChannelCurrentIlkMaxSet(row), currentUnit);
        emit updateChannelCurrentInterlockMinSet(
            serial, row, module->GetChannelCurrentIlkMinSet(row), currentUnit);
    }

    ++m_rowCursor;
}

bool NorvControl::onceRunPending() const
{
    // The statistic dialog's once mark; until that dialog exists no once-run
    // can be pending.
    return false;
}
