#include "update/firmware_catalogue.h"

#include "platform/os.h"
#include "platform/ui.h"

MouseImageChoice SelectMouseImage(std::uint8_t model, std::uint8_t sensor) {
  if (model != 2 && model != 3) return {0, kUnsupportedMouseText};
  if (sensor == 0) return {model == 2 ? kImageMouseT81Sensor3395 : kImageMouseT82Sensor3395};
  if (sensor == 1) return {model == 2 ? kImageMouseT81Sensor3950 : kImageMouseT82Sensor3950};
  return {0, kResourceNotFoundText};
}

std::uint16_t SelectReceiver8KImage(std::uint8_t model) {
  return model == 3 ? kImageReceiver8KModel3 : kImageReceiver8KModel2;
}

std::optional<FirmwareImage> LoadFirmwareImage(std::uint16_t id) {
  const os::EmbeddedResource resource = os::FindEmbeddedResource(id, kFirmwareResourceType);
  switch (resource.lookup) {
    case os::ResourceLookup::found:
      return FirmwareImage{resource.bytes.data(),
                           static_cast<std::uint32_t>(resource.bytes.size())};
    case os::ResourceLookup::notFound:
      ui::ShowMessageBox(kResourceNotFoundText);
      break;
    case os::ResourceLookup::notLoaded:
      ui::ShowMessageBox(kResourceNotLoadedText);
      break;
    case os::ResourceLookup::notLocked:
      ui::ShowMessageBox(kResourceNotLockedText);
      break;
  }
  return std::nullopt;
}
