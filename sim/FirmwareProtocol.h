#pragma once

#include "CrateConfig.h"

#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

/// The module side of special mode: special control commands, the record
/// buffer that overlays the first channel blocks, and the flash image.
///
/// Status values the program acts on: 0x81 waiting for a record, 0x84 ready,
/// 0x92 checksum error, 0x96 compare error. 0x80 is "in special mode, no
/// transfer started"; outside special mode the status reads 0.
class FirmwareProtocol
{
public:
    enum class Restart { None, End, AtEepromBase, Loader };
    enum Status : std::uint32_t {
        Idle = 0x80,
        Waiting = 0x81,
        Ready = 0x84,
        ChecksumError = 0x92,
        CompareError = 0x96,
    };

    /// `recordsEndWithCommand`: layout 20 (command 2 completes a record);
    /// otherwise the record's own count field tells when it is complete.
    FirmwareProtocol(const FaultConfig &faults, std::size_t bufferBytes,
                     bool recordsEndWithCommand);

    /// Special mode begins.
    void enter();
    /// Special mode ends (restart or the mode bits cleared).
    void leave();
    bool active() const { return m_active; }

    std::uint32_t status() const { return m_active ? m_status : 0; }
    /// The command register reads back the command last written, in any mode.
    std::uint32_t command() const { return m_command; }
    /// A command written to the special control command register.
    Restart writeCommand(std::uint32_t command);
    /// One 16-bit word of a record (layout 20), `offset` from the buffer start.
    void writeBuffer16(std::size_t offset, std::uint16_t word);
    /// One 32-bit word of a record (layout 29); may complete the record.
    void writeBuffer32(std::size_t offset, std::uint32_t word);

    /// The firmware release a completed burn announced in its S0 header, once,
    /// after command 7.
    std::optional<std::array<std::uint8_t, 4>> takeReleasedFirmware();
    /// Flash image: address -> byte.
    const std::map<std::uint32_t, std::uint8_t> &flash() const { return m_flash; }
    void restoreFlash(const std::map<std::uint32_t, std::uint8_t> &flash) { m_flash = flash; }
    /// Records checked since the module was created (any result).
    long long recordsChecked() const { return m_recordsChecked; }

private:
    enum class Pass { None, Burn, Compare, Verify };

    void resetBuffer();
    void store(std::size_t offset, std::uint8_t byte);
    void processRecord();
    std::uint32_t judge(const std::string &text);

    FaultConfig m_faults;
    bool m_recordsEndWithCommand;
    std::vector<std::uint8_t> m_buffer;
    std::size_t m_fill = 0;

    bool m_active = false;
    bool m_stuckAtChecksumError = false;
    std::uint32_t m_status = Idle;
    std::uint32_t m_command = 0;
    Pass m_pass = Pass::None;
    int m_recordIndex = 0;
    long long m_recordsChecked = 0;

    std::map<std::uint32_t, std::uint8_t> m_flash;
    int m_recordsBurnt = 0;
    std::vector<std::uint8_t> m_burnHeader;
    bool m_burnCompleted = false;
    std::optional<std::array<std::uint8_t, 4>> m_released;
};
