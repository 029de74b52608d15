#include "FactoryReset.h"

#include <BaseModule.h>
#include <CorePrompt.h>
#include <Sequence.h>
#include <WordBits.h>

#include <QDebug>

#include <cmath>

namespace {

constexpr int ReadBacks = 200;
constexpr int StopModeReads = 199;
constexpr int StoreReads = 5000;
constexpr double NominalTolerance = 1e-12;
constexpr quint32 AllBits = 0xFFFFFFFF;

constexpr float VoltageRampSpeed = 1.0f;
constexpr float CurrentRampSpeed = 50.0f;
constexpr quint32 DigitalFilter = 64;
constexpr quint32 AdcSamplesPerSecond = 500;
constexpr quint32 SetStop = 0x0004;
// "Save Set Values", "Set Adjustment On", doCLEAR and "Set Stop".
constexpr quint32 StoreRequest = 0x9044;
constexpr quint32 SaveSetValues = 0x8000;

bool near(float read, float written)
{
    return std::fabs(double(read) - double(written)) <= NominalTolerance;
}

} // namespace

bool FactoryReset::run(Sequence &sequence, const Wait &wait, CorePrompt &prompt)
{
    BaseModule *module = sequence.module();
    if (!module)
        return false;

    // First pass, unchecked: nominals that a later channel's check depends on
    // are in place before any channel is verified.
    const int channels = qMax(0, module->GetModuleChannelNumber());
    for (int ch = 0; ch < channels; ++ch) {
        const float v = module->GetChannelVoltageHardwareNominal(ch);
        const float i = module->GetChannelCurrentHardwareNominal(ch);
        module->SetChannelControl(ch, 0);
        module->SetChannelVoltageNominal(ch, v);
        module->SetChannelCurrentNominal(ch, i);
    }

    Step step = resetChannels(sequence, wait, prompt);
    if (step == Step::Done && (module = sequence.module())) {
        module->SetModuleVoltageRampSpeed(VoltageRampSpeed);
        module->SetModuleCurrentRampSpeed(CurrentRampSpeed);
        module->SetModuleEventMask(AllBits);
        module->SetModuleEventChannelMask(AllBits);
        module->SetModuleEventGroupMask(AllBits);
        module->SetModuleDigitalFilter(DigitalFilter);
        module->SetModuleAdcSamplesPerSecond(AdcSamplesPerSecond);
        module->SetModuleRestartTime(0);
        module->SetModuleControl(SetStop);
        step = enterStopMode(sequence, wait, prompt);
        if (step == Step::Done && (module = sequence.module()))
            module->SetModuleControl(StoreRequest);
    }
    if (step == Step::Aborted || !sequence.module())
        return false;

    // Every path waits for a store that may be running; how it ends does not
    // change the outcome.
    quint32 control = 0;
    int left = StoreReads;
    while (left > 0) {
        wait(1);
        if (!(module = sequence.module()))
            return false;
        --left;
        control = module->GetModuleControl();
        if (!(control & SaveSetValues))
            break;
    }
    qDebug("Control.saveSetValues: timeout = %d, control = %x", left, control);
    return step == Step::Done;
}

FactoryReset::Step FactoryReset::resetChannels(Sequence &sequence, const Wait &wait,
                                               CorePrompt &prompt)
{
    BaseModule *module = sequence.module();
    const int channels = qMax(0, module->GetModuleChannelNumber());
    for (int ch = 0; ch < channels; ++ch) {
        if (!(module = sequence.module()))
            return Step::Aborted;
        const float v = module->GetChannelVoltageHardwareNominal(ch);
        const float i = module->GetChannelCurrentHardwareNominal(ch);

        const struct
        {
            const char *debug;
            const char *error;
            std::function<void(BaseModule *)> write;
            std::function<bool(BaseModule *)> matches;
        } checks[] = {
            {"Control[%d]:  timeout = %d",
             QT_TRANSLATE_NOOP("FactoryReset",
                               "Error resetting Channel %1 Control word. Giving up."),
             [ch](BaseModule *m) { m->SetChannelControl(ch, 0); },
             [ch](BaseModule *m) { return m->GetChannelControl(ch) == 0; }},
            {"Vnominal[%d]: timeout = %d",
             QT_TRANSLATE_NOOP("FactoryReset",
                               "Error resetting Channel %1 voltage nominal. Giving up."),
             [ch, v](BaseModule *m) { m->SetChannelVoltageNominal(ch, v); },
             [ch, v](BaseModule *m) { return near(m->GetChannelVoltageNominal(ch), v); }},
            {"Inominal[%d]: timeout = %d",
             QT_TRANSLATE_NOOP("FactoryReset",
                               "Error resetting Channel %1 current nominal. Giving up."),
             [ch, i](BaseModule *m) { m->SetChannelCurrentNominal(ch, i); },
             [ch, i](BaseModule *m) { return near(m->GetChannelCurrentNominal(ch), i); }},
        };
        for (const auto &check : checks) {
            if (!(module = sequence.module()))
                return Step::Aborted;
            check.write(module);
            const Step step = readBack(sequence, wait, check.debug, ch, check.matches);
            if (step == Step::GaveUp)
                prompt.information(CorePrompt::programTitle(), tr(check.error).arg(ch));
            if (step != Step::Done)
                return step;
        }

        module->SetChannelEventMask(ch, AllBits);
        module->SetChannelVoltageSet(ch, 0);
        module->SetChannelCurrentSet(ch, i);
        module->SetChannelVoltageIlkMaxSet(ch, 0);
        module->SetChannelVoltageIlkMinSet(ch, 0);
        module->SetChannelCurrentIlkMaxSet(ch, 0);
        module->SetChannelCurrentIlkMinSet(ch, 0);

        const int serial = module->GetModuleSerialNumber();
        emit updateChannelVoltageNominal(serial, ch, v, module->voltageUnit(ch));
        emit updateChannelCurrentNominal(serial, ch, i, module->currentUnit(ch));
    }
    return Step::Done;
}

FactoryReset::Step FactoryReset::readBack(Sequence &sequence, const Wait &wait, const char *what,
                                          int channel,
                                          const std::function<bool(BaseModule *)> &matches)
{
    for (int left = ReadBacks; left > 0; --left) {
        if (left < ReadBacks)
            wait(1);
        BaseModule *module = sequence.module();
        if (!module)
            return Step::Aborted;
        if (matches(module)) {
            qDebug(what, channel, left);
            return Step::Done;
        }
    }
    qDebug(what, channel, 0);
    return Step::GaveUp;
}

FactoryReset::Step FactoryReset::enterStopMode(Sequence &sequence, const Wait &wait,
                                               CorePrompt &prompt)
{
    for (int left = StopModeReads; left > 0; --left) {
        wait(1);
        BaseModule *module = sequence.module();
        if (!module)
            return Step::Aborted;
        if (module->GetModuleStatus() & WordBits::ModuleStatus::Stop) {
            qDebug("Mod.Status: timeout = %d", left - 1);
            return Step::Done;
        }
    }
    qDebug("Mod.Status: timeout = %d", 0);
    prompt.information(CorePrompt::programTitle(),
                       tr("Error setting Module to mode STOP. Giving up."));
    return Step::GaveUp;
}
