// Saving a module and writing profiles into modules of the simulated crate,
// through the crate core and the real adapters. Simulated time stands still
// unless a pause moves it.
#include "CorePromptRecorder.h"
#include "TestCrate.h"

#include <BaseModule.h>
#include <CrateCore.h>
#include <ProfileFile.h>
#include <ProfileReader.h>
#include <ProfileSave.h>
#include <ProfileWrite.h>
#include <Sequence.h>
#include <norvsim.h>

#include <QTemporaryDir>
#include <QtTest>

namespace {

constexpr int Base20 = 0x4000, Base29 = 0x8000;
constexpr quint32 Control29 = Base29 + 0x0C; // module control, high half

void noLog(const QString &) { }

} // namespace

class TestProfileWrite : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    int m_waits = 0;
    ProfileWrite::Wait m_advancing = [this](int ms) { ++m_waits, norvsim_advance_ms(ms); };

private slots:
    void initTestCase() { TestCrate::useSettingsIn(m_dir.path()); }

    void saveThenLoadIntoAFreshModule()
    {
        QVERIFY(TestCrate::resetDefault());
        std::unique_ptr<CrateCore> core = TestCrate::start();
        core->selectModule(1);
        CorePromptRecorder prompt;
        const QString path = m_dir.filePath("4712.txt");
        ProfileSnapshot saved;
        {
            const std::unique_ptr<Sequence> sequence = core->beginSequence();
            BaseModule &m = *sequence->module();
            m.SetModuleControl(0x4004); // kill enable; stop mode takes nominals and restart time
            m.SetModuleEventMask(0x0123);
            m.SetModuleEventChannelMask(0x00F0F0F0);
            m.SetModuleAdcSamplesPerSecond(60);
            m.SetModuleDigitalFilter(256);
            m.SetModuleRestartTime(1234);
            m.SetModuleVoltageRampSpeed(2.5f);
            for (int ch = 0; ch < 24; ++ch) {
                m.SetChannelVoltageNominal(ch, 1000 + 100 * ch);
                m.SetChannelCurrentNominal(ch, 0.5f + 0.125f * ch);
                m.SetChannelVoltageSet(ch, 10.5f * ch);
                m.SetChannelCurrentSet(ch, 0.25f);
                m.SetChannelVoltageIlkMaxSet(ch, 900);
                m.SetChannelEventMask(ch, 0x0010);
                m.SetChannelControl(ch, 0x0800);
            }
            m.SetModuleControl(0x4000);
            QVERIFY(ProfileSave::save(*sequence, path, prompt));
            saved = ProfileFile::fromModule(m);
        }

        QVERIFY(TestCrate::resetDefault());
        core->initModuleAccess();
        core->selectModule(1);
        const std::unique_ptr<Sequence> sequence = core->beginSequence();
        QVERIFY(ProfileFile::fromModule(*sequence->module()) != saved);
        QVERIFY(TestCrate::startTrace(m_dir.path()));
        QCOMPARE(ProfileWrite::run(*sequence, ProfileReader::read(path, 24).record, m_advancing,
                                   prompt, noLog),
                 ProfileWrite::Result::Written);
        const QList<quint32> writes = TestCrate::stopTrace('W');
        QCOMPARE(prompt.shown, QStringList {"information: Profile written into device!"});
        QCOMPARE(ProfileFile::fromModule(*sequence->module()), saved);
        // Stop mode first, then the channels; the store request and the final
        // control word last.
        QCOMPARE(writes.count(Control29), 3);
        QCOMPARE(writes.first(), Control29);
        QCOMPARE(writes.at(writes.size() - 4), Control29);
        QVERIFY(writes.at(writes.size() - 5) >= quint32(Base29 + 0x100));
    }

    void writeOutcomes_data()
    {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<int>("result");
        QTest::addColumn<QStringList>("shown");
        QTest::addColumn<int>("waits");
        QTest::addColumn<QList<double>>("after"); // Vset 2, Vset 5, Vnominal 5
        const QString retry = "question: Error setting ModuleControl.DoSaveSetValues. Try again?";
        using R = ProfileWrite::Result;
        QTest::newRow("channels on: stop mode never reached")
            << "on" << int(R::StopModeFailed)
            << QStringList {"information: Error setting Module to mode STOP. Giving up.\nPlease "
                            "turn the channels off and try again!"}
            << 2000 << QList<double> {0, 0, 3000};
        QTest::newRow("nominal 0 refused: earlier channels complete, later first pass only")
            << "nominal" << int(R::ChannelFailed)
            << QStringList {"information: Error setting Channel 3 VoltagMaxSet to 0 V (read back "
                            "3000 V). Giving up."}
            << 1 + 199 << QList<double> {100, 0, 2000};
        QTest::newRow("store never completes")
            << "frozen" << int(R::StoreIncomplete)
            << QStringList {"information: The profile was written into the device, but the "
                            "module did not finish storing its set values."}
            << 1 + 1 + 5000 << QList<double> {100, 100, 2000};
        QTest::newRow("store request never seen, retried once, then declined")
            << "instant store" << int(R::StoreDeclined) << QStringList {retry, retry}
            << 1 + 500 + 500 << QList<double> {100, 100, 2000};
        QTest::newRow("module list rebuilt during a pause")
            << "rebuild" << int(R::Aborted)
            << QStringList {"information: The module list was rebuilt while the profile was "
                            "being written. The profile was not written completely."}
            << 1 << QList<double> {0, 0, 3000};
    }
    void writeOutcomes()
    {
        QFETCH(QString, fault);
        QFETCH(QList<double>, after);
        const QJsonObject saveTime {{"save_time_ms", fault == "instant store" ? 0 : 50}};
        QVERIFY(TestCrate::resetFrom(
            m_dir.path(),
            {TestCrate::module(0x2000, 20, 1), TestCrate::module(Base20, 20, 2, saveTime)}));
        if (fault == "on")
            TestCrate::switchAllOn(Base20, 20);
        const std::unique_ptr<CrateCore> core = TestCrate::start();
        core->selectModule(1);
        CorePromptRecorder prompt;
        prompt.answers = {CorePrompt::Yes, CorePrompt::No};
        ProfileRecord profile;
        for (ProfileChannelRecord &c : profile.channels)
            c.voltageMaxSet = 2000, c.currentMaxSet = 2, c.voltageSet = 100;
        if (fault == "nominal")
            profile.channels[3].voltageMaxSet = 0;
        m_waits = 0;
        ProfileWrite::Wait wait = m_advancing;
        if (fault == "frozen")
            wait = [this](int) { ++m_waits; };
        else if (fault == "rebuild")
            wait = [&](int) { ++m_waits, core->initModuleAccess(); };

        const std::unique_ptr<Sequence> sequence = core->beginSequence();
        QTEST(int(ProfileWrite::run(*sequence, profile, wait, prompt, noLog)), "result");
        QTEST(prompt.shown, "shown");
        QTEST(m_waits, "waits");
        QCOMPARE(core->currentModuleIndex(), fault == "rebuild" ? 0 : 1); // a new list starts anew
        QCOMPARE(norvsim_channel_value(Base20, 2, NORVSIM_VSET), after.at(0));
        QCOMPARE(norvsim_channel_value(Base20, 5, NORVSIM_VSET), after.at(1));
        QCOMPARE(norvsim_channel_value(Base20, 5, NORVSIM_VNOM), after.at(2));
    }
};

QTEST_GUILESS_MAIN(TestProfileWrite)
#include "tst_profilewrite.moc"
