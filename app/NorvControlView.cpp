// What the main window shows of the crate core's reports: the module list,
// the labels and the channel table, from one tick's reading at a time.
#include "NorvControl.h"

#include "ui_norvcontrol.h"

#include <CrateCore.h>
#include <StatusCell.h>
#include <TarnChannelStatusBits.h>
#include <TarnModuleStatusBits.h>

#include <QLabel>
#include <QListWidgetItem>
#include <QSignalBlocker>
#include <QStatusBar>

namespace {

QString hexWord(quint32 word) { return QStringLiteral("0x%1").arg(word, 4, 16, QLatin1Char('0')); }

QString rampSpeedText(float speed)
{
    return QCoreApplication::translate("NorvControl", "%1 %/s").arg(double(speed), 0, 'g', 6);
}

} // namespace

void NorvControl::setModuleItemText(int slot, const QString &text)
{
    if (QListWidgetItem *item = m_ui->lstModules->item(slot))
        item->setText(text);
}

void NorvControl::showModuleSelected(int slot)
{
    // The list follows the core, whether the operator or the core chose.
    const QSignalBlocker blocker(m_ui->lstModules);
    m_ui->lstModules->setCurrentRow(slot);
    m_ui->table->setFocus();
    showDisplayFormat();
}

void NorvControl::showTick(const TickReading &tick)
{
    HvTable *table = m_ui->table;
    if (tick.state == ModuleSlot::NotAnswering) {
        m_ui->lblConnect->setText(tr("<font color=\"red\">Error: can not connect to Module!"));
        table->setEnabled(false);
        setModuleLabelsLive(false);
        m_alarmLabel->clear();
        m_controllerLabel->setText(tick.controllerStatus);
        return;
    }

    if (const std::optional<ModuleDetails> &details = tick.details) {
        m_ui->lblModuleType->setText(details->typeCode);
        m_ui->lblSerial->setText(QString::number(details->serialNumber));
        m_ui->lblFirmware->setText(details->firmwareRelease);
        const quint32 decoder = details->decoderRelease;
        m_ui->lblVmeDec->setText(QStringLiteral("%1.%2 / %3.%4")
                                     .arg(decoder >> 24)
                                     .arg((decoder >> 16) & 0xFF)
                                     .arg((decoder >> 8) & 0xFF)
                                     .arg(decoder & 0xFF));
        m_ui->lblConnect->setText(
            tr("Connected to %1 sn. %2 at %3")
                .arg(details->typeCode, QString::number(details->serialNumber), details->address));
        table->setEnabled(true);
        table->setChannelCount(details->channels);
        statusBar()->clearMessage();
    }

    // What a failed read gave is no value: the row keeps its last values and
    // the labels theirs, both greyed until a tick reads again.
    if (tick.readFailed) {
        if (tick.channel)
            table->markRowStale(tick.channel->channel);
        setModuleLabelsLive(false);
        return;
    }
    setModuleLabelsLive(true);

    if (const std::optional<ModuleStepReading> &step = tick.moduleStep) {
        m_controllerLabel->setText(step->controllerStatus);
        m_insertionLabel->setText(
            step->liveInsertion ? tr("<font color=\"green\">Live Insertion active.") : QString());
        table->setUnits(step->voltageUnit, step->currentUnit);
        m_ui->lblVRampSpeed->setText(rampSpeedText(step->voltageRampSpeed));
        m_ui->lblIRampSpeed->setText(step->currentRampSpeed ? rampSpeedText(*step->currentRampSpeed)
                                                            : QStringLiteral("-----"));
        const TarnModuleStatusBits bits;
        m_ui->lblModuleControl->setText(bits.controlBitText(tick.control));
        m_ui->lblModuleStatus->setText(bits.statusBitText(tick.status));
        m_ui->lblModuleStatus->setToolTip(m_ui->lblModuleStatus->text());
        showHealth(*step);
        m_ui->lblModuleEventStatus->setText(bits.eventStatusBitText(step->eventStatus));
        m_ui->lblModuleEventMask->setText(hexWord(step->eventMask));
    }

    if (const std::optional<ChannelReading> &c = tick.channel) {
        const int row = c->channel;
        table->setCell(row, HvTable::VoltageNominalColumn, c->voltageNominalText);
        table->setCell(row, HvTable::CurrentNominalColumn, c->currentNominalText);
        table->setCell(row, HvTable::VoltageSetColumn, c->voltageSetText);
        table->setCell(row, HvTable::CurrentSetColumn, c->currentSetText);
        table->setCell(row, HvTable::VoltageMeasureColumn, c->voltageMeasureText);
        table->setCell(row, HvTable::CurrentMeasureColumn, c->currentMeasureText);
        const StatusCell cell = StatusCell::of(c->deviceClass, c->status, c->control);
        table->setCell(row, HvTable::StatusColumn, cell.text(), cell.colour());
        if (c->bounds) {
            const TarnChannelStatusBits bits;
            m_ui->lblChannelControl->setText(bits.controlBitText(c->control));
            m_ui->lblChannelStatus->setText(bits.statusBitText(c->status));
            m_ui->lblChannelEventStatus->setText(bits.eventStatusBitText(c->eventStatus));
            m_ui->lblChannelEventMask->setText(hexWord(c->eventMask));
        }
    }
}
