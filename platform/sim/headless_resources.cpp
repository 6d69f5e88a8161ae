#include "platform/sim/headless_state.h"
#include "platform/sim/ui_resource_file.h"

namespace sim::headless {

const ResourceRecord* FindUiResource(std::uint16_t type, std::uint16_t id) {
  constexpr std::uint16_t kProgramLanguage = 0x0804;
  static const std::vector<ResourceRecord> records =
      ParseResFile(UiResourceFile()).value_or(std::vector<ResourceRecord>{});
  const ResourceRecord* any = nullptr;
  for (const auto& record : records) {
    if (record.type.ordinal != type || record.name.ordinal != id) continue;
    if (record.language == kProgramLanguage) return &record;
    if (any == nullptr) any = &record;
  }
  return any;
}

}  // namespace sim::headless
