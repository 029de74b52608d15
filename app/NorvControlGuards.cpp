// What lets the operator trust the window: commands and dialogs refused for
// a module that does not answer, set values typed into the table checked
// against the channel's range in the units the table shows, labels greyed
// while they show no present values, and the alarm for supplies and
// temperature out of their good range.
#include "NorvControl.h"

#include "SetValueInput.h"
#include "ui_norvcontrol.h"

#include <BaseModule.h>
#include <CommandInputs.h>
#include <CrateCore.h>
#include <ModuleHealth.h>

#include <QLabel>
#include <QStatusBar>
#include <QTimer>

namespace {

constexpr int StatusMessageMs = 10000;

} // namespace

BaseModule *NorvControl::answeringModule(BaseModule *module)
{
    if (!module || m_crate->moduleState(m_crate->currentModuleIndex()) != ModuleSlot::NotAnswering)
        return module;
    statusBar()->showMessage(
        tr("%1 does not answer: nothing was sent to it.").arg(module->GetModuleAddress()),
        StatusMessageMs);
    return nullptr;
}

bool NorvControl::currentModuleSilent()
{
    return m_crate->moduleCount() > 0 && !answeringModule(m_crate->currentModule());
}

SetValueInput::Range NorvControl::tableRange(BaseModule *module, int channel, bool current)
{
    const DisplayFormat shown = module->displayFormat();
    if (current) {
        const int own = DisplayFormat::currentUnitIndex(module->currentUnit(channel));
        const double nominal = qAbs(double(module->GetChannelCurrentNominal(channel)));
        return {0.0, shown.currentToDisplay(nominal, own), shown.currentUnitText()};
    }
    const double nominal = qAbs(double(module->GetChannelVoltageNominal(channel)));
    const double lowest
        = CommandInputs::allowsNegativeVoltage(module->firmwareName()) ? -nominal : 0.0;
    return {shown.voltageToDisplay(lowest), shown.voltageToDisplay(nominal),
            shown.voltageUnitText()};
}

void NorvControl::tableVoltageEntered(int channel, double value)
{
    tableValueEntered(channel, value, false);
}

void NorvControl::tableCurrentEntered(int channel, double value)
{
    tableValueEntered(channel, value, true);
}

void NorvControl::tableValueEntered(int channel, double value, bool current)
{
    BaseModule *module = commandModule();
    if (!module)
        return;
    const SetValueInput::Result checked
        = SetValueInput::fromValue(value, tableRange(module, channel, current));
    if (!checked.accepted) {
        refuseEntry(checked.refusal);
        return;
    }
    const DisplayFormat shown = module->displayFormat();
    if (current) {
        const int own = DisplayFormat::currentUnitIndex(module->currentUnit(channel));
        m_crate->setChannelCurrentSet(channel,
                                      float(shown.currentFromDisplay(checked.value, own)));
    } else {
        m_crate->setChannelVoltageSet(channel, float(shown.voltageFromDisplay(checked.value)));
    }
}

void NorvControl::tableEntryRefused(int channel, int column, const QString &text)
{
    if (BaseModule *module = commandModule())
        refuseEntry(SetValueInput::fromText(
                        text, tableRange(module, channel, column == HvTable::CurrentSetColumn))
                        .refusal);
}

void NorvControl::refuseEntry(const QString &reason)
{
    statusBar()->showMessage(reason, StatusMessageMs);
    // The table's editor is still closing: a box opened now would take its
    // focus and commit the edit a second time.
    QTimer::singleShot(0, this, [this, reason] { SetValueInput::refuse(this, reason); });
}

void NorvControl::setModuleLabelsLive(bool live)
{
    const QList<QLabel *> values {
        m_ui->lblModuleType,        m_ui->lblSerial,           m_ui->lblFirmware,
        m_ui->lblVmeDec,            m_ui->lblModuleControl,    m_ui->lblModuleStatus,
        m_ui->lblModuleEventStatus, m_ui->lblModuleEventMask,  m_ui->lblChannelControl,
        m_ui->lblChannelStatus,     m_ui->lblChannelEventStatus, m_ui->lblChannelEventMask,
        m_ui->lblVRampSpeed,        m_ui->lblIRampSpeed};
    for (QLabel *label : values)
        label->setEnabled(live);
}

void NorvControl::showHealth(const ModuleStepReading &step)
{
    const QString alarm
        = ModuleHealth::alarm(step.supplyP5, step.supplyP12, step.supplyN12, step.temperature);
    m_alarmLabel->setText(alarm.isEmpty()
                              ? QString()
                              : tr("<font color=\"red\"><b>Alarm:</b> %1</font>").arg(alarm));
}

void NorvControl::steadyLabels()
{
    // A label's text (the module status is a list of bit names) must not
    // widen its column and push the table and the module list aside: the
    // labels take the width the table leaves them, and a cut text is whole
    // in the tool tip.
    for (QLabel *label : m_ui->centralwidget->findChildren<QLabel *>()) {
        if (label->objectName().startsWith(QLatin1String("lbl"))
            && label != m_ui->lblConnect) {
            label->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
            label->setMinimumWidth(0);
        }
    }
    m_ui->lstModules->setFixedWidth(m_ui->lstModules->maximumWidth());
    m_alarmLabel->setObjectName(QStringLiteral("alarmLabel"));
    statusBar()->addPermanentWidget(m_alarmLabel, 0);
}
