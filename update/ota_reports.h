// The command reports of the OTA protocol over feature report 3, and the answer test.
#pragma once

#include <cstdint>

inline constexpr std::uint8_t kOtaReportId = 3;
inline constexpr std::size_t kOtaReportLength = 64;

// Command codes (byte 6 of a command report, byte 8 of its answer).
inline constexpr std::uint8_t CMD_FW_OTA_INIT_NEW = 0x27;
inline constexpr std::uint8_t CMD_FW_INIT_NEW_CHECK = 0x42;
inline constexpr std::uint8_t CMD_FW_OBJECT_CREATE = 0x25;
inline constexpr std::uint8_t CMD_FW_OBJECT_WRITE = 0x40;
inline constexpr std::uint8_t CMD_FW_OBJECT_VERIFY = 0x41;
inline constexpr std::uint8_t CMD_FW_UPGRADE = 0x18;
inline constexpr std::uint8_t CMD_FW_MCU_RESET = 0x22;

inline constexpr std::uint32_t kObjectSize = 4096;
inline constexpr std::uint16_t kDefaultPacketSize = 25;
inline constexpr std::uint16_t kDefaultPacketsPerBatch = 40;
// Bytes 9 to 63 of a data report.
inline constexpr std::uint16_t kMaxPacketSize = 55;

// Each builder clears UpgradeState.sendBuffer, fills it from the counters, updates
// them and seals the report.
void BuildInitNew();
void BuildInitNewCheck();
void BuildObjectCreate();
void BuildObjectVerify();
void BuildUpgrade();
void BuildMcuReset();
// A data report of the low 8 bits of n bytes from data; counters stay as they are.
void BuildObjectWrite(const std::uint8_t* data, std::uint32_t n);

// Byte 1 := sum of bytes 2..63 of the send buffer, modulo 256.
void SealReport();

enum class AnswerVerdict {
  rejected,  // not the answer to the last command: read again
  accepted,
  unservable,  // accepted, but it announces packet parameters the worker cannot use
};

// Judges UpgradeState.receiveBuffer; an answer carrying the marks of the answer to
// CMD_FW_OTA_INIT_NEW sets packetSize and packetsPerBatch when they can be served.
AnswerVerdict CheckAnswer();

bool PacketParametersServable(std::uint16_t packetSize, std::uint16_t packetsPerBatch);
