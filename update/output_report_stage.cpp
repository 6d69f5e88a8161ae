#include "update/output_report_stage.h"

#include <optional>

#include "platform/hid.h"
#include "update/firmware_catalogue.h"
#include "update/output_report_stream.h"
#include "update/upgrade_state.h"
#include "update/upgrade_view.h"

namespace {

constexpr wchar_t kFailureText[] = L"8K接收器升级失败";

}  // namespace

void RunOutputReportStage(UpgradeView& view) {
  CloseHandlePair();
  const std::wstring& path = UpgradeState.currentDevicePath;
  if (path.empty()) return view.SetStatusText(kFailureText);
  OpenHandlePair(path);
  const std::optional<FirmwareImage> image = LoadFirmwareImage(kImageReceiver8KModel2Second);
  // An empty image would leave the receiver without its second image: not a success.
  if (!image || image->size == 0) return view.SetStatusText(kFailureText);
  if (!SendOutputReportImage({image->data, image->size})) view.SetStatusText(kFailureText);
}
