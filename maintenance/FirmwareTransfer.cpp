#include "FirmwareTransfer.h"

#include <BaseModule.h>
#include <CorePrompt.h>
#include <CrateCore.h>
#include <Sequence.h>

#include <QDebug>
#include <QElapsedTimer>
#include <QMetaObject>

namespace {

// Waiting reports after which the last record is sent again.
constexpr int AcknowledgeWaitLimit = 50;
constexpr int ChecksumErrorLimit = 3;
constexpr int Class20 = 20;

// Digits `from` ... `from + count - 1` of the record as one number; a
// character that is not a digit, or lies beyond the record, counts as 0.
quint32 digits(const QByteArray &record, int from, int count)
{
    quint32 value = 0;
    for (int i = from; i < from + count; ++i)
        value = value * 16
            + quint32(i < record.size() ? qMax(0, SRecordFile::hexValue(record.at(i))) : 0);
    return value;
}

QString verb(bool burning)
{
    return burning ? FirmwareTransfer::tr("Burning: ") : FirmwareTransfer::tr("Comparing: ");
}

} // namespace

FirmwareTransfer::FirmwareTransfer(QObject *parent)
    : QObject(parent)
{
    auto elapsed = std::make_shared<QElapsedTimer>();
    elapsed->start();
    m_clock = [elapsed] { return elapsed->elapsed(); };
}

FirmwareTransfer::~FirmwareTransfer() = default;

void FirmwareTransfer::attach(CrateCore &core, const QString &sequenceName)
{
    using C = CrateCore;
    setSequenceSource([&core, sequenceName] { return core.beginSequence(sequenceName); });
    connect(&core, &C::updateModuleControl, this, &FirmwareTransfer::updateModuleControl);
    connect(&core, &C::updateModuleStatus, this, &FirmwareTransfer::updateModuleStatus);
    connect(&core, &C::updateModuleSpecialControlStatus, this,
            &FirmwareTransfer::updateModuleSpecialControlStatus);
    connect(this, &FirmwareTransfer::setModuleControl, &core, &C::setModuleControl);
    connect(this, &FirmwareTransfer::setSpecialControl, &core, &C::setSpecialControl);
    connect(this, &FirmwareTransfer::sendHexLine, &core, &C::sendHexLine);
}

QString FirmwareTransfer::pagedAddressText(const QByteArray &record, bool burning)
{
    const quint32 address = digits(record, 4, 6);
    quint32 page = 0, offset = digits(record, 6, 4);
    // S2 addresses from 0x0E0000 on lie in the paged window at 0x8000.
    if (record.size() > 1 && record.at(1) == '2' && digits(record, 4, 2) >= 0x0E) {
        page = address >> 14;
        offset = (address & 0x3FFF) + 0x8000;
    }
    return verb(burning) + QString::asprintf("%02X:%04X", page, offset);
}

QString FirmwareTransfer::colonAddressText(const QByteArray &record, bool burning)
{
    return verb(burning) + QString::fromLatin1(record.mid(4, 2) + ':' + record.mid(6, 4));
}

bool FirmwareTransfer::start(const QString &fileName, bool write)
{
    if (isRunning())
        return false;
    if (fileName.isEmpty()) {
        if (m_prompt)
            m_prompt->information(CorePrompt::programTitle(),
                                  tr("Please select a HEX file first!"));
        return false;
    }
    setState(OpeningFile);
    // The whole file is checked before the module's program is touched.
    SRecordFile file = SRecordFile::read(fileName);
    if (!file.ok()) {
        setState(Idle);
        if (m_prompt)
            m_prompt->warning(CorePrompt::programTitle(), file.error());
        else
            qWarning().noquote() << file.error();
        return false;
    }
    if (m_sequenceSource) {
        m_sequence = m_sequenceSource();
        if (!m_sequence) { // refused, and told so, by the crate
            setState(Idle);
            return false;
        }
        m_serialNumber = m_sequence->module()->GetModuleSerialNumber();
        // The transfer is paced by the refresh's reports of the pinned module.
        m_sequence->letRefreshRun();
    }

    m_file = std::move(file);
    m_next = 0;
    m_write = write;
    // What an earlier transfer left behind must not reach this one.
    m_sendPermit = true;
    m_resendRequest = false;
    m_checksumErrorCount = 0;
    m_acknowledgeWaitCount = 0;
    m_lastRecord.clear();

    setState(RequestingSpecialMode);
    emit fileControlsEnabled(false);
    emit liveInsertionAllowed(false);
    return true;
}

void FirmwareTransfer::setState(int state)
{
    m_state = state;
    m_lastProgressMs = m_clock();
}

bool FirmwareTransfer::accepts(int serialNumber)
{
    if (!isRunning() || !m_sequence)
        return true;
    if (m_sequence->aborted()) {
        fail(tr("The module went away while transmitting the HEX File. Giving Up!"));
        return false;
    }
    return serialNumber == m_serialNumber;
}

bool FirmwareTransfer::giveUpWithoutProgress()
{
    const bool watched = isRunning() && m_state != SpecialModeReached && m_state != PostFlash;
    if (!watched || m_clock() - m_lastProgressMs < NoProgressLimitMs)
        return false;
    fail(tr("No HEX line was accepted and the update did not advance for %1 seconds. Giving Up!")
             .arg(NoProgressLimitMs / 1000));
    return true;
}

void FirmwareTransfer::updateModuleControl(int serialNumber, quint32 control)
{
    if (accepts(serialNumber))
        m_moduleControl = quint16(control);
}

void FirmwareTransfer::requestSpecialMode()
{
    m_moduleControl |= SpecialModeControl;
    emit setModuleControl(m_moduleControl);
}

void FirmwareTransfer::updateModuleStatus(int serialNumber, quint32 status)
{
    if (!accepts(serialNumber))
        return;
    m_moduleStatus = quint16(status);
    // Live insertion moves the refresh to another module: not during a transfer.
    emit liveInsertionAllowed((m_moduleStatus & SpecialModeStatus) && !isRunning());
    emit moduleStatusTextChanged(QString::asprintf("ModuleControl = 0x%04X, ModuleStatus = 0x%04X",
                                                   m_moduleControl, m_moduleStatus));
    if (giveUpWithoutProgress())
        return;
    if (m_state == RequestingSpecialMode || m_state == RequestingSpecialModeAgain) {
        requestSpecialMode();
        if (m_moduleStatus & SpecialModeStatus)
            setState(m_state == RequestingSpecialMode ? SpecialModeReached : SendingModeCommand);
    }
}

void FirmwareTransfer::updateModuleSpecialControlStatus(int serialNumber, quint32 control,
                                                        quint32 status)
{
    if (!accepts(serialNumber))
        return;
    emit specialStatusTextChanged(
        QString::asprintf("SpecialControl = 0x%08X, SpecialStatus = 0x%08X", control, status));
    if (giveUpWithoutProgress())
        return;

    switch (m_state) {
    case SpecialModeReached:
        // The module restarts into its loader; the refresh stops meanwhile.
        emit setSpecialControl(CommandRestartLoader);
        m_waitCount = 0;
        startCountdown(RestartWaitSeconds, tr("Waiting..."));
        break;
    case SendingModeCommand:
        emit setSpecialControl(modeCommand());
        if (control == modeCommand()) {
            emit progressRangeChanged(0, int(m_file.size()));
            emit progressChanged(0);
            setState(m_write ? Burning : Comparing);
            return;
        }
        break;
    case BurnFinished:
        emit setSpecialControl(CommandVerify);
        if (control == CommandVerify) {
            setState(Verifying);
            emit progressChanged(0);
            return;
        }
        break;
    case VerifyFinished:
        if (control == CommandPostFlash) {
            setState(PostFlash);
            m_postFlashCount = 0;
            startCountdown(PostFlashSeconds, tr("PostFlash"));
            return;
        }
        emit setSpecialControl(CommandPostFlash);
        break;
    case Burning:
    case Comparing:
    case Verifying:
        handleRecordReport(control, status);
        break;
    default:
        break;
    }

    if (control == CommandEndSpecialMode) {
        m_moduleControl &= ~SpecialModeControl;
        emit setModuleControl(m_moduleControl);
    }
}

void FirmwareTransfer::handleRecordReport(quint32 command, quint32 status)
{
    switch (status) {
    case Ready:
        handleReady(command);
        break;
    case ChecksumError:
        if (++m_checksumErrorCount >= ChecksumErrorLimit)
            fail(tr("%1 Checksum Errors while transmitting HEX File. Giving Up!")
                     .arg(m_checksumErrorCount));
        ++m_linesSentAgain;
        emit infoTextChanged(tr("%1 HEX Lines sent again.").arg(m_linesSentAgain));
        m_resendRequest = true;
        emit setSpecialControl(CommandAcknowledge);
        break;
    case CompareError:
        finish(Failed);
        emit setSpecialControl(CommandAcknowledge);
        tellLater(true, tr("Compare Error: Programs in Controller and HEX fileare not identical!"));
        break;
    case Waiting:
        handleWaiting();
        break;
    default:
        break;
    }
}

void FirmwareTransfer::handleReady(quint32 command)
{
    m_acknowledgeWaitCount = 0;
    m_lastProgressMs = m_clock(); // the module took the last record
    if (atEnd()) {
        emit setSpecialControl(CommandAcknowledge);
        if (m_state == Burning) {
            m_next = 0;
            setState(BurnFinished);
        } else if (m_state == Verifying) {
            m_file = SRecordFile();
            setState(VerifyFinished);
        } else {
            // Leave the state first: reports that come while the box is open
            // must find the compare over.
            finish(Idle);
            tellLater(false, tr("HEX file compare complete!"));
        }
        m_sendPermit = true;
    } else if (m_deviceClass != Class20) {
        if (!m_sendPermit)
            emit setSpecialControl(CommandAcknowledge);
        m_sendPermit = true;
    } else {
        emit setSpecialControl(CommandAcknowledge);
        if (command == CommandAcknowledge) {
            if (!m_resendRequest)
                readNextRecord(true);
            sendRecord();
        }
        m_sendPermit = true;
    }
}

void FirmwareTransfer::handleWaiting()
{
    if (++m_acknowledgeWaitCount > AcknowledgeWaitLimit) {
        emit setSpecialControl(CommandAcknowledge);
        qDebug("Acknowledge timeout, resuming hex line");
        m_acknowledgeWaitCount = 0;
        m_resendRequest = true;
    }
    if (m_resendRequest) {
        sendRecord();
    } else if (m_sendPermit && !atEnd()) {
        readNextRecord(false);
        sendRecord();
    }
}

void FirmwareTransfer::readNextRecord(bool onReady)
{
    const SRecordFile::Record &record = m_file.records().at(m_next++);
    m_lastRecord = record.text;
    emit progressChanged(int(record.endPosition));
    const bool burning = m_state == Burning;
    emit addressTextChanged(onReady ? pagedAddressText(m_lastRecord, burning)
                                    : colonAddressText(m_lastRecord, burning));
}

void FirmwareTransfer::sendRecord()
{
    m_checksumErrorCount = 0;
    m_resendRequest = false;
    m_sendPermit = false;
    emit sendHexLine(m_lastRecord);
    if (m_deviceClass == Class20)
        m_sendPermit = true;
}

void FirmwareTransfer::finish(int state)
{
    setState(state);
    m_file = SRecordFile();
    m_next = 0;
    emit fileControlsEnabled(true);
    m_sequence.reset();
    m_serialNumber = -1;
    emit liveInsertionAllowed(m_moduleStatus & SpecialModeStatus);
}

void FirmwareTransfer::fail(const QString &warning)
{
    const bool counting = m_state == SpecialModeReached || m_state == PostFlash;
    finish(Failed);
    if (counting)
        emit countdownRunning(false);
    tellLater(true, warning);
}

void FirmwareTransfer::startCountdown(int seconds, const QString &text)
{
    emit progressRangeChanged(0, seconds);
    emit progressChanged(0);
    emit addressTextChanged(text);
    emit countdownRunning(true);
}

quint32 FirmwareTransfer::modeCommand() const { return m_write ? CommandBurn : CommandCompare; }

void FirmwareTransfer::timeout()
{
    if (m_state == PostFlash) {
        if (++m_postFlashCount == PostFlashSeconds) {
            finish(Idle);
            emit countdownRunning(false);
            emit setSpecialControl(CommandEndSpecialMode);
        }
        emit progressChanged(m_postFlashCount);
    } else if (m_state == SpecialModeReached) {
        if (++m_waitCount == RestartWaitSeconds) {
            emit countdownRunning(false);
            setState(RequestingSpecialModeAgain);
            emit setSpecialControl(modeCommand());
        }
        emit progressChanged(m_waitCount);
    }
}

void FirmwareTransfer::tellLater(bool warning, const QString &text)
{
    QMetaObject::invokeMethod(
        this,
        [this, warning, text] {
            if (!m_prompt)
                qWarning().noquote() << text;
            else if (warning)
                m_prompt->warning(CorePrompt::programTitle(), text);
            else
                m_prompt->information(CorePrompt::programTitle(), text);
        },
        Qt::QueuedConnection);
}
