#include "update/upgrade_start.h"

#include <optional>
#include <string>

#include "discovery/device_scan.h"
#include "discovery/device_table.h"
#include "platform/hid.h"
#include "platform/os.h"
#include "platform/ui.h"
#include "update/firmware_catalogue.h"
#include "update/upgrade_state.h"
#include "update/upgrade_view.h"
#include "update/upgrade_worker.h"

namespace {

constexpr std::uint8_t kMouseDelayMs = 40;
constexpr std::uint8_t kReceiverDelayMs = 50;

// What one class of device differs in.
struct DeviceClass {
  const wchar_t* tooManyText;
  const wchar_t* noneText;
  const wchar_t* failureText;
};

constexpr DeviceClass kMouse{L"插入的鼠标超过2个，请拔出暂时不要升级的鼠标", L"请插入鼠标",
                             L"鼠标升级失败"};
constexpr DeviceClass kReceiver1K{L"插入的1K接收器超过2个，请拔出暂时不要升级的接收器",
                                  L"请插入1K接收器", L"1K接收器升级失败"};
constexpr DeviceClass kReceiver8K{L"插入的8K接收器超过2个，请拔出暂时不要升级的接收器",
                                  L"请插入8K接收器", L"8K接收器升级失败"};

// The slot of the one device of the class, after the walk from the last slot down.
struct Selection {
  std::size_t slot = 0;
  std::size_t count = 0;
};

template <class Matches>
Selection Walk(Matches matches) {
  Selection selection;
  for (std::size_t slot = kDeviceSlots; slot-- > 0;) {
    const auto& record = DeviceTable.records[slot];
    if (record.inUse != 0 && record.vendorId == DeviceTable.wantedVendorId && matches(slot)) {
      selection.slot = slot;
      ++selection.count;
    }
  }
  return selection;
}

bool IsReceiverOfModel(std::size_t slot, std::uint8_t lowest, std::uint8_t highest) {
  const auto& record = DeviceTable.records[slot];
  return record.productId == DeviceTable.wantedReceiverProductId &&
         record.deviceKind == kKindReceiver && record.model >= lowest && record.model <= highest;
}

void CleanUp(UpgradeView& view) {
  CloseHandlePair();
  view.EnableUpgradeButtons(true);
}

// Stand-in images must never reach a device the program cannot be sure is simulated.
bool RefuseStandIns() {
  return kStandInFirmwareEmbedded && hid::ReachesRealDevices();
}

void OpenSelected(const std::wstring& path) {
  // Handles an earlier upgrade left open belong to no one any more.
  CloseHandlePair();
  if (RefuseStandIns()) return;
  OpenHandlePair(path);
}

// Steps 10 and 11 of every class: the image, the opened pair, the worker.
void LoadAndStart(UpgradeView& view, const DeviceClass& deviceClass, const std::wstring& path,
                  std::uint16_t imageId, std::uint8_t target, std::uint8_t delayMs) {
  const std::optional<FirmwareImage> image = LoadFirmwareImage(imageId);
  if (!image) {
    view.SetStatusText(deviceClass.failureText);
    return CleanUp(view);
  }
  if (RefuseStandIns()) {
    ui::ShowMessageBox(kStandInFirmwareText);
    view.SetStatusText(deviceClass.failureText);
    return CleanUp(view);
  }
  // A device that cannot be opened fails at once, not after ten silent seconds.
  if (path.empty() || UpgradeState.readHandle == hid::kInvalidHandle ||
      UpgradeState.writeHandle == hid::kInvalidHandle) {
    view.SetStatusText(deviceClass.failureText);
    return CleanUp(view);
  }
  UpgradeState.imageSize = image->size;
  UpgradeState.UpgradeTarget = target;
  UpgradeState.busy = 1;
  UpgradeState.packetDelayMs = delayMs;
  if (!os::StartThread(UpgradeWorker, const_cast<std::uint8_t*>(image->data))) {
    UpgradeState.busy = 0;
    view.SetStatusText(deviceClass.failureText);
    CleanUp(view);
  }
}

// Steps 1 to 6, common to every class: the busy test, the scan, the walk, the refusals.
template <class Matches>
std::optional<Selection> SelectOne(UpgradeView& view, const DeviceClass& deviceClass,
                                   Matches matches) {
  if (UpgradeState.busy) return std::nullopt;
  ScanDevices(ScanMode::Normal);
  view.EnableUpgradeButtons(false);
  const Selection selection = Walk(matches);
  if (selection.count != 1) {
    ui::ShowMessageBox(selection.count == 0 ? deviceClass.noneText : deviceClass.tooManyText);
    view.EnableUpgradeButtons(true);
    return std::nullopt;
  }
  return selection;
}

const wchar_t* MouseStartText(std::uint8_t model, std::uint8_t sensor) {
  if (model == 2 && sensor == 0) return L"T81-3395鼠标开始升级";
  if (model == 2 && sensor == 1) return L"T81-3950鼠标开始升级";
  if (model == 3 && sensor == 0) return L"T82-3395鼠标开始升级";
  if (model == 3 && sensor == 1) return L"T82-3950鼠标开始升级";
  return nullptr;
}

}  // namespace

void StartMouseUpgrade(UpgradeView& view) {
  const auto selection = SelectOne(view, kMouse, [](std::size_t slot) {
    return DeviceTable.records[slot].productId == DeviceTable.wantedMouseProductId;
  });
  if (!selection) return;
  const DeviceRecord& mouse = DeviceTable.records[selection->slot];
  const std::wstring path = mouse.otaPath;
  const std::uint8_t model = mouse.model;
  const std::uint8_t sensor = mouse.sensor;
  if (const wchar_t* text = MouseStartText(model, sensor)) view.SetStatusText(text);
  OpenSelected(path);
  const MouseImageChoice choice = SelectMouseImage(model, sensor);
  if (choice.id == 0) {
    ui::ShowMessageBox(choice.refusalText);
    return CleanUp(view);
  }
  LoadAndStart(view, kMouse, path, choice.id, kTargetMouse, kMouseDelayMs);
}

void StartReceiver1KUpgrade(UpgradeView& view) {
  const auto selection =
      SelectOne(view, kReceiver1K, [](std::size_t slot) { return IsReceiverOfModel(slot, 1, 1); });
  if (!selection) return;
  const std::wstring path = DeviceTable.records[selection->slot].otaPath;
  view.SetStatusText(L"1K接收器开始升级");
  OpenSelected(path);
  LoadAndStart(view, kReceiver1K, path, kImageReceiver1K, kTargetReceiver1K, kReceiverDelayMs);
}

void StartReceiver8KUpgrade(UpgradeView& view) {
  const auto selection = SelectOne(view, kReceiver8K, [](std::size_t slot) {
    const bool matches = IsReceiverOfModel(slot, 2, 3);
    // The second image goes to the output interface; taken at every match.
    if (matches) UpgradeState.currentDevicePath = DeviceTable.records[slot].outputPath;
    return matches;
  });
  if (!selection) return;
  const DeviceRecord& receiver = DeviceTable.records[selection->slot];
  const std::wstring path = receiver.otaPath;
  const std::uint8_t model = receiver.model;
  view.SetStatusText(L"8K接收器开始升级");
  OpenSelected(path);
  LoadAndStart(view, kReceiver8K, path, SelectReceiver8KImage(model),
               model == 3 ? kTargetReceiver8KBootMode : kTargetReceiver8KOutput, kReceiverDelayMs);
}
