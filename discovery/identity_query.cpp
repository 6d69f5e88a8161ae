#include "discovery/identity_query.h"

#include "platform/os.h"
#include "update/upgrade_state.h"

hid::Handle identityReadHandle = hid::kInvalidHandle;
hid::Handle identityWriteHandle = hid::kInvalidHandle;

namespace {

constexpr std::uint8_t kIdentityReportId = 0x09;
constexpr std::uint8_t kIdentityCommand = 0x8F;
constexpr std::uint8_t kAnswerOk = 0x01;
constexpr std::uint32_t kAnswerDelayMs = 30;

void CloseAfterQuery() {
  hid::Close(identityWriteHandle);
  hid::Close(identityReadHandle);
}

// One request, then one read of the answer into receiveBuffer; false when the device did
// not take the request or could not be read.
bool ExchangeIdentityReports(const std::wstring& path) {
  CloseIdentityHandles();
  identityReadHandle = hid::Open(path, hid::Access::read);
  identityWriteHandle = hid::Open(path, hid::Access::write);
  auto& send = UpgradeState.sendBuffer;
  auto& receive = UpgradeState.receiveBuffer;
  send.fill(0);
  receive.fill(0);
  send[0] = kIdentityReportId;
  send[1] = kIdentityCommand;
  if (!hid::SetFeature(identityWriteHandle, std::span(send).first(kIdentityReportLength))) {
    CloseAfterQuery();
    return false;
  }
  os::Sleep(kAnswerDelayMs);
  receive[0] = kIdentityReportId;
  const bool answered =
      hid::GetFeature(identityReadHandle, std::span(receive).first(kIdentityReportLength));
  CloseAfterQuery();
  return answered;
}

std::span<const std::uint8_t, kIdentityReportLength> Answer() {
  return std::span(UpgradeState.receiveBuffer).first<kIdentityReportLength>();
}

bool IsValidAnswer(std::span<const std::uint8_t, kIdentityReportLength> answer) {
  return answer[1] == kIdentityCommand && answer[2] == kAnswerOk;
}

}  // namespace

void CloseIdentityHandles() {
  hid::Close(identityReadHandle);
  hid::Close(identityWriteHandle);
}

bool DecodeMouseIdentity(std::span<const std::uint8_t, kIdentityReportLength> answer,
                         std::uint8_t& model, std::uint8_t& sensor) {
  if (!IsValidAnswer(answer)) return false;
  const std::uint8_t sensorByte = answer[5];
  // Any byte outside 0xF0 to 0xF3 reads as the first sensor.
  sensor = sensorByte >= 0xF0 && sensorByte <= 0xF3 ? static_cast<std::uint8_t>(sensorByte - 0xF0)
                                                    : std::uint8_t{0};
  if (answer[3] < 1 || answer[3] > 5) return false;
  model = answer[3];
  return true;
}

bool DecodeReceiverIdentity(std::span<const std::uint8_t, kIdentityReportLength> answer,
                            std::uint8_t& model) {
  if (!IsValidAnswer(answer)) return false;
  const std::uint8_t receiverClass = answer[4];
  const std::uint8_t subCode = answer[5];
  if (receiverClass == 1) {
    model = 1;
  } else if (receiverClass == 2 && subCode == 0xFA) {
    model = 2;
  } else if (receiverClass == 2 && subCode == 0xF0) {
    model = 3;
  } else {
    return false;
  }
  return true;
}

bool QueryMouseIdentity(std::wstring path, std::uint8_t& model, std::uint8_t& sensor) {
  return ExchangeIdentityReports(path) && DecodeMouseIdentity(Answer(), model, sensor);
}

bool QueryReceiverIdentity(std::wstring path, std::uint8_t& model) {
  return ExchangeIdentityReports(path) && DecodeReceiverIdentity(Answer(), model);
}
