#pragma once

#include <QObject>
#include <QString>

/// The two procedures of the factory dialog, paced by the refresh cycle's
/// update signals:
///
/// - VME test: walks a single set bit through the module event mask (0x0001
///   to 0x8000) and then through the event channel mask (bit 0 up to the end
///   mark, 1 shifted left by the channel count) and passes each pattern that
///   comes back in a report. The operator's two masks are remembered when the
///   test starts and written back when it ends or is abandoned.
/// - Factory reset: asks for stop mode, and once the module reports it asks
///   for the reset itself (`storeFactorySettings`), then follows two more
///   reports back to idle.
///
/// Every line for the log comes out of `logLine`; requests come out as the
/// signals a dialog forwards to the crate. No serial number is compared: the
/// reports are for the current module.
class FactoryStateMachine : public QObject
{
    Q_OBJECT

public:
    enum State {
        Idle = 0,
        EventMaskPhase = 1,
        ChannelMaskPhase = 2,
        WaitingForStop = 3,
        ResetRequested = 4,
        LastReport = 5
    };

    /// Highest channel count whose end mark fits a 32-bit mask.
    static constexpr int MaxChannels = 31;

    explicit FactoryStateMachine(QObject *parent = nullptr);

    int state() const { return m_state; }
    quint32 pattern() const { return m_pattern; }

public slots:
    /// Back to idle with the stored words cleared (the dialog was shown again).
    void restart();
    void startVmeTest();
    void startFactoryReset();
    void setChannelNumber(int channelNumber);

    void updateModuleControl(int serialNumber, quint32 control);
    void updateModuleStatus(int serialNumber, quint32 status);
    void updateModuleEventMask(int serialNumber, quint32 eventMask);
    void updateModuleEventChannelMask(int serialNumber, quint32 eventMask);
    void updateChannelVoltageNominal(int serialNumber, int channel, float vnominal,
                                     const QString &unit);
    void updateChannelCurrentNominal(int serialNumber, int channel, float inominal,
                                     const QString &unit);
    /// The reset has ended, `succeeded` false after a give-up.
    void factoryResetDone(bool succeeded);

signals:
    void logLine(const QString &line);
    void setModuleEventMask(quint16 mask);
    void setModuleEventChannelMask(quint32 mask);
    void setModuleControl(quint16 control);
    void storeFactorySettings();

private:
    bool testRunning() const;
    /// Writes the masks the test found back and says so; nothing when no test ran.
    void restoreMasks();
    void beginEventMaskPhase();
    /// Remembers the reported masks as the operator's, once both are known.
    bool takeMasks();
    /// Logs a channel's nominal while a reset waits for stop mode or runs.
    void logNominal(const QString &format, int channel, float value, const QString &unit);

    int m_state = Idle;
    quint32 m_pattern = 0;
    int m_channelNumber = 0;
    quint16 m_moduleControl = 0;
    quint16 m_moduleStatus = 0;

    // The last masks reported, and the operator's masks a test must restore.
    quint32 m_eventMask = 0;
    quint32 m_channelMask = 0;
    bool m_eventMaskKnown = false;
    bool m_channelMaskKnown = false;
    quint32 m_savedEventMask = 0;
    quint32 m_savedChannelMask = 0;
    bool m_awaitingMasks = false;
    quint32 m_endMark = 0;

    bool m_resetRunning = false;
};
