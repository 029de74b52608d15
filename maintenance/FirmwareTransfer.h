#pragma once

#include "SRecordFile.h"

#include <QByteArray>
#include <QObject>
#include <QString>

#include <functional>
#include <memory>

class CorePrompt;
class CrateCore;
class Sequence;

/// The firmware transfer of the special-mode dialog without its widgets: the
/// states 0 ... 12, fed by the module's status and special status reports,
/// answering with module control words, special control commands and
/// records, and telling the view what to show. The module paces everything
/// through the refresh cycle's reports; the only time kept here is the two
/// countdowns, one `timeout()` per second from the view's timer.
///
/// Messages are shown after the report that caused them has been handled
/// (queued), never inside a report: the refresh tick must not wait on a box.
class FirmwareTransfer : public QObject
{
    Q_OBJECT

public:
    enum State {
        Idle = 0,
        OpeningFile = 1,
        RequestingSpecialMode = 2,
        SpecialModeReached = 3,
        RequestingSpecialModeAgain = 4,
        SendingModeCommand = 5,
        Burning = 6,
        BurnFinished = 7,
        Comparing = 8,
        Verifying = 9,
        VerifyFinished = 10,
        PostFlash = 11,
        Failed = 12
    };

    /// Special control status values the transfer acts on.
    enum SpecialStatus : quint32 {
        Waiting = 0x81,
        Ready = 0x84,
        ChecksumError = 0x92,
        CompareError = 0x96
    };

    /// Special control commands: the transfer's own and the dialog's buttons.
    enum Command : quint32 {
        CommandAcknowledge = 1, // also "Standby"
        CommandBurn = 3,
        CommandCompare = 4,
        CommandVerify = 5,
        CommandPostFlash = 6,
        CommandEndSpecialMode = 7,
        CommandSync = 11,
        CommandLiveInsertion = 12,
        CommandFpgaUpdate = 13,
        CommandRestartLoader = 14
    };

    static constexpr quint16 SpecialModeControl = 0x0005; // "Set Special Mode" and "Set Stop"
    static constexpr quint32 SpecialModeStatus = 0x0040; // "Status Is Special Mode"
    static constexpr int RestartWaitSeconds = 5;
    static constexpr int PostFlashSeconds = 20;
    static constexpr int NoProgressLimitMs = 60000;

    using Clock = std::function<qint64()>;
    using SequenceSource = std::function<std::unique_ptr<Sequence>()>;

    explicit FirmwareTransfer(QObject *parent = nullptr);
    ~FirmwareTransfer() override;

    /// Where messages go (not owned; null: the debug output).
    void setPrompt(CorePrompt *prompt) { m_prompt = prompt; }
    /// Pins the module for a transfer; without one every report is taken.
    void setSequenceSource(SequenceSource source) { m_sequenceSource = std::move(source); }
    /// Takes the reports of `core`'s refresh and sends the requests to it, as
    /// the window does through its special-mode dialog; `sequenceName` names
    /// the sequence that pins the module.
    void attach(CrateCore &core, const QString &sequenceName);
    /// Milliseconds of a monotonic clock, for the no-progress limit.
    void setClock(Clock clock) { m_clock = std::move(clock); }

    /// Checks the whole file, then starts burning (`write`) or comparing it.
    /// False, with a message, when it is refused; nothing is sent then.
    bool start(const QString &fileName, bool write);

    int state() const { return m_state; }
    /// True from the start of a transfer until it ends or fails.
    bool isRunning() const { return m_state != Idle && m_state != Failed; }
    int linesSentAgain() const { return m_linesSentAgain; }
    quint16 deviceClass() const { return m_deviceClass; }

    /// Where a record goes, as shown when it was read on a ready report
    /// (device class 20, with the page of an S2 address).
    static QString pagedAddressText(const QByteArray &record, bool burning);
    /// Where a record goes, as shown when it was read on a waiting report.
    static QString colonAddressText(const QByteArray &record, bool burning);

public slots:
    void updateModuleControl(int serialNumber, quint32 control);
    void updateModuleStatus(int serialNumber, quint32 status);
    void updateModuleSpecialControlStatus(int serialNumber, quint32 control, quint32 status);
    void updateDeviceClass(quint16 dc) { m_deviceClass = dc; }
    /// "&Set Special": the last module control word with 0x0005 added.
    void requestSpecialMode();
    /// One second of the running countdown.
    void timeout();

signals:
    void setModuleControl(quint16 control);
    void setSpecialControl(quint32 command);
    void sendHexLine(const QByteArray &line);

    // What the view shows.
    void moduleStatusTextChanged(const QString &text);
    void specialStatusTextChanged(const QString &text);
    void liveInsertionAllowed(bool allowed);
    void fileControlsEnabled(bool enabled);
    void progressRangeChanged(int minimum, int maximum);
    void progressChanged(int value);
    void addressTextChanged(const QString &text);
    void infoTextChanged(const QString &text);
    /// The one-second countdown timer starts (true) or stops.
    void countdownRunning(bool running);

private:
    void setState(int state);
    bool accepts(int serialNumber);
    bool giveUpWithoutProgress();
    void handleRecordReport(quint32 command, quint32 status);
    void handleReady(quint32 command);
    void handleWaiting();
    void readNextRecord(bool onReady);
    void sendRecord();
    /// Ends the transfer in `state` (Idle or Failed): file closed, controls
    /// enabled, module released.
    void finish(int state);
    void fail(const QString &warning);
    void startCountdown(int seconds, const QString &text);
    quint32 modeCommand() const;
    bool atEnd() const { return m_next >= m_file.records().size(); }
    void tellLater(bool warning, const QString &text);

    CorePrompt *m_prompt = nullptr;
    SequenceSource m_sequenceSource;
    Clock m_clock;
    std::unique_ptr<Sequence> m_sequence;
    int m_serialNumber = -1; // of the pinned module; -1: any

    int m_state = Idle;
    bool m_write = true;
    SRecordFile m_file;
    int m_next = 0; // index of the next record to read
    quint16 m_moduleControl = 0;
    quint16 m_moduleStatus = 0;
    quint16 m_deviceClass = 0;
    int m_postFlashCount = 0;
    int m_waitCount = 0;
    int m_linesSentAgain = 0;
    qint64 m_lastProgressMs = 0;

    // Reset at the start of every transfer.
    bool m_sendPermit = true;
    bool m_resendRequest = false;
    int m_checksumErrorCount = 0;
    int m_acknowledgeWaitCount = 0;
    QByteArray m_lastRecord;
};
