#include "update/ota_reports.h"

#include <algorithm>

#include "update/upgrade_state.h"

namespace {

constexpr std::uint8_t kHeaderTemplate[6] = {0x03, 0x00, 0x65, 0x3A, 0x00, 0x00};

void PutLittleEndian(std::size_t at, std::uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) UpgradeState.sendBuffer[at + i] = (value >> (8 * i)) & 0xFF;
}

std::uint16_t GetLittleEndian16(const ReportBuffer& buffer, std::size_t at) {
  return static_cast<std::uint16_t>(buffer[at] | (buffer[at + 1] << 8));
}

// Clears the buffer and writes the header of a command report: bytes 0..9.
void StartReport(std::uint8_t sequence, std::uint8_t command, std::uint8_t counter,
                 std::uint8_t length) {
  auto& report = UpgradeState.sendBuffer;
  report.fill(0);
  std::copy(std::begin(kHeaderTemplate), std::end(kHeaderTemplate), report.begin());
  report[4] = sequence;
  report[6] = command;
  report[7] = counter;
  report[8] = length;
  report[9] = command;
}

// A numbered command carries the counters as they stand and then advances both.
void StartNumberedReport(std::uint8_t command, std::uint8_t length) {
  StartReport(UpgradeState.sequenceNumber, command, UpgradeState.commandCounter, length);
  ++UpgradeState.sequenceNumber;
  ++UpgradeState.commandCounter;
}

}  // namespace

void SealReport() {
  std::uint8_t sum = 0;
  for (std::size_t i = 2; i < kOtaReportLength; ++i) sum += UpgradeState.sendBuffer[i];
  UpgradeState.sendBuffer[1] = sum;
}

void BuildInitNew() {
  StartReport(0x00, CMD_FW_OTA_INIT_NEW, 0x01, 0x06);
  PutLittleEndian(10, UpgradeState.imageSize, 4);
  UpgradeState.sequenceNumber = 1;
  UpgradeState.commandCounter = 2;
  SealReport();
}

void BuildInitNewCheck() {
  StartNumberedReport(CMD_FW_INIT_NEW_CHECK, 0x02);
  SealReport();
}

void BuildObjectCreate() {
  StartNumberedReport(CMD_FW_OBJECT_CREATE, 0x09);
  PutLittleEndian(10, std::uint32_t{UpgradeState.objectIndex} * kObjectSize, 4);
  PutLittleEndian(14, kObjectSize, 4);
  ++UpgradeState.objectIndex;
  SealReport();
}

void BuildObjectVerify() {
  StartNumberedReport(CMD_FW_OBJECT_VERIFY, 0x03);
  PutLittleEndian(10, UpgradeState.byteSum, 2);
  SealReport();
}

void BuildUpgrade() {
  StartNumberedReport(CMD_FW_UPGRADE, 0x0C);
  PutLittleEndian(10, UpgradeState.imageSize, 4);
  PutLittleEndian(14, UpgradeState.byteSum, 2);
  constexpr std::uint8_t kTail[5] = {0x00, 0x2E, 0x00, 0x2E, 0x00};
  std::copy(std::begin(kTail), std::end(kTail), UpgradeState.sendBuffer.begin() + 16);
  SealReport();
}

void BuildMcuReset() {
  StartNumberedReport(CMD_FW_MCU_RESET, 0x02);
  SealReport();
}

void BuildObjectWrite(const std::uint8_t* data, std::uint32_t n) {
  if (data == nullptr) return;
  const auto length = static_cast<std::uint8_t>(n);
  StartReport(0x00, CMD_FW_OBJECT_WRITE, UpgradeState.commandCounter, length);
  // Bytes 9..63 hold the payload; a longer one would not fit the report.
  const std::size_t fits = std::min<std::size_t>(length, kOtaReportLength - 9);
  std::copy(data, data + fits, UpgradeState.sendBuffer.begin() + 9);
  SealReport();
}

bool PacketParametersServable(std::uint16_t packetSize, std::uint16_t packetsPerBatch) {
  return packetSize >= 1 && packetSize <= kMaxPacketSize && packetsPerBatch >= 1;
}

AnswerVerdict CheckAnswer() {
  const auto& answer = UpgradeState.receiveBuffer;
  const std::uint8_t answered = UpgradeState.sequenceNumber - 1;
  if (answer[0] != 0x03 || answer[1] != 0x65 || answer[2] != 0x00 || answer[3] != 0x25 ||
      answer[4] != answered) {
    return AnswerVerdict::rejected;
  }
  const bool announcesParameters = answer[5] == 0x00 && answer[6] == 0x0E && answer[7] == 0x10 &&
                                   answer[8] == CMD_FW_OTA_INIT_NEW && answer[9] == 0x00;
  if (!announcesParameters) return AnswerVerdict::accepted;

  const std::uint16_t packetSize = GetLittleEndian16(answer, 19);
  const std::uint16_t packetsPerBatch = GetLittleEndian16(answer, 21);
  if (!PacketParametersServable(packetSize, packetsPerBatch)) return AnswerVerdict::unservable;
  UpgradeState.packetSize = packetSize;
  UpgradeState.packetsPerBatch = packetsPerBatch;
  return AnswerVerdict::accepted;
}
