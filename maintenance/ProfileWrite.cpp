#include "ProfileWrite.h"

#include "ProfileFormat.h"
#include "ProfileRecord.h"

#include <BaseModule.h>
#include <CorePrompt.h>
#include <Sequence.h>
#include <WordBits.h>

#include <QCoreApplication>
#include <QDebug>

#include <cmath>

namespace ProfileWrite {

namespace {

    using namespace WordBits::ModuleControl;

    constexpr int StopModeReads = 2000;
    constexpr int ReadBacks = 200;
    constexpr int StoreRequestReads = 500;
    constexpr int StoreCompletionReads = 5000;
    /// Every pause between two reads.
    constexpr int PauseMs = 1;
    /// Stop and clear, written with the profile's control word.
    constexpr quint32 StopAndClear = SetStop | Clear;
    /// The final control word keeps everything but Set Stop, doCLEAR and Save Set Values.
    constexpr quint32 KeptAtEnd = 0x7FBB;

    QString tr(const char *text) { return QCoreApplication::translate("ProfileWrite", text); }

    bool same(quint32 read, quint32 written) { return read == written; }
    // Read back as the very single-precision value written.
    bool same(float read, float written)
    {
        return std::fabs(double(read) - double(written)) <= 1e-12;
    }

    QString shown(quint32 word) { return ProfileFormat::logHex(word, 4); }
    QString shown(float value) { return ProfileFormat::logG(double(value)); }

    /// One write. Every step that pauses returns false when the write ends
    /// early, with the outcome in m_end.
    class Run
    {
    public:
        Run(Sequence &sequence, const ProfileRecord &profile, const Wait &wait, CorePrompt &prompt)
            : m_sequence(sequence)
            , m_profile(profile)
            , m_wait(wait)
            , m_prompt(prompt)
        {
        }

        Result run(const Log &log);

    private:
        /// The module; only valid while the last look found it.
        BaseModule &m() { return *m_sequence.module(); }
        /// Looks for the module again: false (and an abort) when it went away.
        bool present()
        {
            if (m_sequence.module())
                return true;
            m_end = Result::Aborted;
            return false;
        }
        /// Lets the program run, which may delete the module.
        bool pause()
        {
            m_wait(PauseMs);
            return present();
        }
        bool giveUp(Result result, const QString &text)
        {
            m_prompt.information(CorePrompt::programTitle(), text);
            m_end = result;
            return false;
        }
        Result ended();

        bool enterStopMode();
        void firstPass(int channels);
        void moduleValues();
        bool secondPass(int channel);
        template<class T>
        bool verified(int channel, const char *name, T written, void (BaseModule::*set)(int, T),
                      T (BaseModule::*get)(int), const char *error);
        bool requestStore();
        bool pollControl(int reads, bool saving, quint32 *control, int *left);

        Sequence &m_sequence;
        const ProfileRecord &m_profile;
        const Wait &m_wait;
        CorePrompt &m_prompt;
        Result m_end = Result::Aborted;
    };

    Result Run::run(const Log &log)
    {
        log(tr("\nSetting Module to mode STOP ..."));
        if (!present())
            return ended();
        const int channels = ProfileRecord::channelsOf(m());
        if (!enterStopMode())
            return ended();
        firstPass(channels);
        moduleValues();
        for (int ch = 0; ch < channels; ++ch) {
            if (!secondPass(ch))
                return ended();
        }
        quint32 last = 0;
        int left = 0;
        if (!requestStore() || !pollControl(StoreCompletionReads, false, &last, &left))
            return ended();
        // Set Stop and Save Set Values cleared, doCLEAR set: the module leaves
        // stop mode with its events cleared.
        m().SetModuleControl((last & KeptAtEnd) | Clear);
        if (left == 0) {
            giveUp(Result::StoreIncomplete,
                   tr("The profile was written into the device, but the module did not finish "
                      "storing its set values."));
            return ended();
        }
        m_prompt.information(CorePrompt::programTitle(), tr("Profile written into device!"));
        return Result::Written;
    }

    Result Run::ended()
    {
        if (m_end == Result::Aborted)
            m_prompt.information(CorePrompt::programTitle(),
                                 tr("The module list was rebuilt while the profile was being "
                                    "written. The profile was not written completely."));
        return m_end;
    }

    bool Run::enterStopMode()
    {
        m().SetModuleControl(m_profile.module.control | StopAndClear);
        for (int read = 0; read < StopModeReads; ++read) {
            const quint32 status = m().GetModuleStatus();
            if (!pause())
                return false;
            if (status & WordBits::ModuleStatus::Stop)
                return true;
        }
        return giveUp(Result::StopModeFailed,
                      tr("Error setting Module to mode STOP. Giving up.\nPlease turn the channels "
                         "off and try again!"));
    }

    void Run::firstPass(int channels)
    {
        for (int ch = 0; ch < channels; ++ch) {
            const ProfileChannelRecord &c = m_profile.channels[size_t(ch)];
            m().SetChannelControl(ch, c.control);
            m().SetChannelVoltageNominal(ch, c.voltageMaxSet);
            m().SetChannelCurrentNominal(ch, c.currentMaxSet);
        }
    }

    void Run::moduleValues()
    {
        const ProfileModuleRecord &p = m_profile.module;
        m().SetModuleEventMask(p.eventMask);
        m().SetModuleEventChannelMask(p.eventChannelMask);
        m().SetModuleEventGroupMask(p.eventGroupMask);
        m().SetModuleDigitalFilter(p.digitalFilter);
        m().SetModuleAdcSamplesPerSecond(p.adcSamples);
        m().SetModuleRestartTime(p.restartTime);
        m().SetModuleVoltageRampSpeed(p.voltageRampSpeed);
        m().SetModuleCurrentRampSpeed(p.currentRampSpeed);
    }

    bool Run::secondPass(int ch)
    {
        const ProfileChannelRecord &c = m_profile.channels[size_t(ch)];
        if (!verified(ch, "Control[%1]:  timeout = %2", c.control, &BaseModule::SetChannelControl,
                      &BaseModule::GetChannelControl,
                      "Error setting Channel %1 Control word to %2 (read back %3). Giving up.")
            || !verified(ch, "Vnominal[%1]: timeout = %2", c.voltageMaxSet,
                         &BaseModule::SetChannelVoltageNominal,
                         &BaseModule::GetChannelVoltageNominal,
                         "Error setting Channel %1 VoltagMaxSet to %2 V (read back %3 V). "
                         "Giving up.")
            || !verified(ch, "Inominal[%1]: timeout = %2", c.currentMaxSet,
                         &BaseModule::SetChannelCurrentNominal,
                         &BaseModule::GetChannelCurrentNominal,
                         "Error setting Channel %1 CurrentMaxSet to %2 mA (read back %3 mA). "
                         "Giving up."))
            return false;
        m().SetChannelVoltageSet(ch, c.voltageSet);
        m().SetChannelCurrentSet(ch, c.currentSet);
        m().SetChannelEventMask(ch, c.eventMask);
        m().SetChannelVoltageIlkMaxSet(ch, c.voltageIlkMaxSet);
        m().SetChannelVoltageIlkMinSet(ch, c.voltageIlkMinSet);
        m().SetChannelCurrentIlkMaxSet(ch, c.currentIlkMaxSet);
        m().SetChannelCurrentIlkMinSet(ch, c.currentIlkMinSet);
        return true;
    }

    // Writes `written`, then reads it back at most ReadBacks times, pausing
    // before every read but the first. The debug line gives the reads left:
    // ReadBacks when the first read matched, 0 when none did.
    template<class T>
    bool Run::verified(int channel, const char *name, T written, void (BaseModule::*set)(int, T),
                       T (BaseModule::*get)(int), const char *error)
    {
        (m().*set)(channel, written);
        int left = ReadBacks;
        for (; left > 0; --left) {
            if (left < ReadBacks && !pause())
                return false;
            if (same((m().*get)(channel), written))
                break;
        }
        qDebug().noquote() << QString::fromLatin1(name).arg(channel).arg(left);
        if (left > 0)
            return true;
        return giveUp(Result::ChannelFailed,
                      tr(error).arg(channel).arg(shown(written), shown((m().*get)(channel))));
    }

    // Pauses, then reads the control word, until Save Set Values reads as
    // `saving`, at most `reads` times. `control` gets the last word read and
    // `left` the reads left (0 when the bit never read so).
    bool Run::pollControl(int reads, bool saving, quint32 *control, int *left)
    {
        for (*left = reads; *left > 0; --*left) {
            if (!pause())
                return false;
            *control = m().GetModuleControl();
            if (bool(*control & SaveSetValues) == saving)
                break;
        }
        qDebug("Control.saveSetValues: timeout = %d, control = %x", *left, *control);
        return true;
    }

    bool Run::requestStore()
    {
        quint32 request = (m_profile.module.control | StopAndClear) & WordBits::Word16;
        for (;;) {
            m().SetModuleControl(request | SaveSetValues | SetStop);
            quint32 last = 0;
            int left = 0;
            if (!pollControl(StoreRequestReads, true, &last, &left))
                return false;
            if (left > 0)
                return true;
            const int answer
                = m_prompt.question(CorePrompt::programTitle(),
                                    tr("Error setting ModuleControl.DoSaveSetValues. Try again?"),
                                    CorePrompt::Yes | CorePrompt::No);
            // The question let the program run.
            if (!present())
                return false;
            if (answer != CorePrompt::Yes) {
                m_end = Result::StoreDeclined;
                return false;
            }
            request = last & WordBits::Word16;
        }
    }

} // namespace

Result run(Sequence &sequence, const ProfileRecord &profile, const Wait &wait, CorePrompt &prompt,
           const Log &log)
{
    return Run(sequence, profile, wait, prompt).run(log);
}

} // namespace ProfileWrite
