#include "FirmwareProtocol.h"

#include "SRecord.h"

FirmwareProtocol::FirmwareProtocol(const FaultConfig &faults, std::size_t bufferBytes,
                                   bool recordsEndWithCommand)
    : m_faults(faults)
    , m_recordsEndWithCommand(recordsEndWithCommand)
    , m_buffer(bufferBytes, 0)
{
}

void FirmwareProtocol::enter()
{
    m_active = true;
    m_status = Idle;
    m_pass = Pass::None;
    resetBuffer();
}

void FirmwareProtocol::leave()
{
    m_active = false;
    m_pass = Pass::None;
    m_stuckAtChecksumError = false;
    resetBuffer();
}

void FirmwareProtocol::resetBuffer()
{
    std::fill(m_buffer.begin(), m_buffer.end(), 0);
    m_fill = 0;
}

void FirmwareProtocol::store(std::size_t offset, std::uint8_t byte)
{
    if (offset >= m_buffer.size())
        return;
    m_buffer[offset] = byte;
    m_fill = std::max(m_fill, offset + 1);
}

FirmwareProtocol::Restart FirmwareProtocol::writeCommand(std::uint32_t command)
{
    m_command = command;
    if (!m_active)
        return Restart::None;
    switch (command) {
    case 7:
        if (m_burnCompleted)
            m_released = SRecord::releaseInHeader(m_burnHeader);
        m_burnCompleted = false;
        leave();
        return Restart::End;
    case 9:
        leave();
        return Restart::AtEepromBase;
    case 14:
        leave();
        return Restart::Loader;
    default:
        break;
    }
    if (m_stuckAtChecksumError)
        return Restart::None;
    switch (command) {
    case 1:
        if (m_status == Ready || m_status == ChecksumError || m_status == CompareError)
            m_status = Waiting;
        break;
    case 2:
        if (m_recordsEndWithCommand) {
            if (m_fill == 0) {
                if (!m_faults.neverReady)
                    m_status = Ready;
            } else {
                processRecord();
            }
        }
        break;
    case 3:
        // Burning starts with an erased flash.
        m_flash.clear();
        m_burnHeader.clear();
        m_recordsBurnt = 0;
        m_burnCompleted = false;
        m_pass = Pass::Burn;
        m_recordIndex = 0;
        m_status = Waiting;
        resetBuffer();
        break;
    case 4:
    case 5:
        m_pass = command == 4 ? Pass::Compare : Pass::Verify;
        m_recordIndex = 0;
        m_status = Waiting;
        resetBuffer();
        break;
    case 6:
        if ((m_pass == Pass::Burn || m_pass == Pass::Verify) && m_recordsBurnt > 0)
            m_burnCompleted = true;
        m_pass = Pass::None;
        m_status = m_faults.neverReady ? std::uint32_t(Waiting) : std::uint32_t(Ready);
        break;
    default:
        // 11, 12, 13 and anything else: echoed only.
        break;
    }
    return Restart::None;
}

void FirmwareProtocol::writeBuffer16(std::size_t offset, std::uint16_t word)
{
    if (!m_active)
        return;
    store(offset, std::uint8_t(word >> 8));
    store(offset + 1, std::uint8_t(word));
}

void FirmwareProtocol::writeBuffer32(std::size_t offset, std::uint32_t word)
{
    if (!m_active)
        return;
    // Records are written from their first word on, so a word at the start of
    // the buffer begins a new record.
    if (offset == 0)
        resetBuffer();
    for (int i = 0; i < 4; ++i)
        store(offset + std::size_t(i), std::uint8_t(word >> (24 - 8 * i)));
    if (m_recordsEndWithCommand || m_fill < 4)
        return;
    const std::string text(m_buffer.begin(), m_buffer.begin() + std::ptrdiff_t(m_fill));
    const auto length = SRecord::announcedLength(text);
    // The record is complete when the padded words holding its announced
    // length have arrived; an unreadable count field cannot become readable.
    if (!length || m_fill >= (*length + 3) / 4 * 4)
        processRecord();
}

void FirmwareProtocol::processRecord()
{
    std::string text(m_buffer.begin(), m_buffer.begin() + std::ptrdiff_t(m_fill));
    while (!text.empty() && text.back() == '\0')
        text.pop_back();
    resetBuffer();
    if (m_stuckAtChecksumError || m_faults.neverReady)
        return;
    ++m_recordsChecked;
    m_status = judge(text);
    if (m_status == ChecksumError && m_faults.stickyChecksumError)
        m_stuckAtChecksumError = true;
    if (m_status == Ready && m_pass != Pass::None)
        ++m_recordIndex;
}

std::uint32_t FirmwareProtocol::judge(const std::string &text)
{
    const std::optional<SRecord> record = SRecord::parse(text);
    if (m_pass != Pass::None) {
        auto injected = m_faults.checksumErrors.find(m_recordIndex);
        if (injected != m_faults.checksumErrors.end() && injected->second > 0) {
            --injected->second;
            return ChecksumError;
        }
    }
    if (!record)
        return ChecksumError;
    switch (m_pass) {
    case Pass::None:
        return Ready;
    case Pass::Burn:
        if (record->isHeader())
            m_burnHeader = record->data();
        if (record->isData()) {
            for (std::size_t i = 0; i < record->data().size(); ++i)
                m_flash[record->address() + std::uint32_t(i)] = record->data()[i];
            ++m_recordsBurnt;
        }
        return Ready;
    case Pass::Compare:
    case Pass::Verify:
        if (m_recordIndex == m_faults.compareMismatchRecord)
            return CompareError;
        if (record->isData()) {
            for (std::size_t i = 0; i < record->data().size(); ++i) {
                const auto byte = m_flash.find(record->address() + std::uint32_t(i));
                if (byte == m_flash.end() || byte->second != record->data()[i])
                    return CompareError;
            }
        }
        return Ready;
    }
    return Ready;
}

std::optional<std::array<std::uint8_t, 4>> FirmwareProtocol::takeReleasedFirmware()
{
    auto released = m_released;
    m_released.reset();
    return released;
}
