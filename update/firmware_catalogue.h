// The nine firmware images the program carries, which device takes which, and the one
// way of turning an image id into its bytes.
#pragma once

#include <cstdint>
#include <optional>

// Resource ids of the embedded images.
inline constexpr std::uint16_t kImageMouseT81Sensor3395 = 283;
inline constexpr std::uint16_t kImageMouseT81Sensor3950 = 284;
inline constexpr std::uint16_t kImageMouseT82Sensor3395 = 285;
inline constexpr std::uint16_t kImageMouseT82Sensor3950 = 286;
inline constexpr std::uint16_t kImageReceiver1K = 276;
inline constexpr std::uint16_t kImageReceiver8KModel2 = 255;
inline constexpr std::uint16_t kImageReceiver8KModel3 = 250;
inline constexpr std::uint16_t kImageReceiver8KModel2Second = 277;  // over output report 8
inline constexpr std::uint16_t kImageReceiver8KModel3Second = 278;  // over feature report 4

// The stored resource type is "BIN"; the lookup passes it in lower case, which finds
// it because resource type names match regardless of case.
inline constexpr wchar_t kFirmwareResourceType[] = L"bin";
inline constexpr std::uint16_t kFirmwareResourceLanguage = 0x0804;

inline constexpr wchar_t kResourceNotFoundText[] = L"没有找到资源 ";
inline constexpr wchar_t kResourceNotLoadedText[] = L"加载资源失败 ";
inline constexpr wchar_t kResourceNotLockedText[] = L"不能加载内存 ";
inline constexpr wchar_t kUnsupportedMouseText[] = L"不支持此鼠标升级 ";

// The build defines ORVIK_STAND_IN_FIRMWARE as 1 when it embeds the generated stand-in
// images and as 0 when it embeds the images of ORVIK_FIRMWARE_DIR. A build that does
// not say counts as a stand-in build, so that the guard errs on the safe side.
#if defined(ORVIK_STAND_IN_FIRMWARE)
inline constexpr bool kStandInFirmwareEmbedded = ORVIK_STAND_IN_FIRMWARE != 0;
#else
inline constexpr bool kStandInFirmwareEmbedded = true;
#endif
// Shown instead of opening a real device when the images are stand-ins.
inline constexpr wchar_t kStandInFirmwareText[] = L"此版本内置的是测试固件，不能用于升级真实设备";

// One embedded image: read-only bytes owned by the executable, valid until the process
// ends, so any thread may read them.
struct FirmwareImage {
  const std::uint8_t* data = nullptr;
  std::uint32_t size = 0;
};

// A mouse's image, or the refusal the caller shows in its place without a lookup.
struct MouseImageChoice {
  std::uint16_t id = 0;                  // 0 when refused
  const wchar_t* refusalText = nullptr;  // set when refused
};

MouseImageChoice SelectMouseImage(std::uint8_t model, std::uint8_t sensor);
// For an 8K receiver, whose model is 2 or 3.
std::uint16_t SelectReceiver8KImage(std::uint8_t model);

// Finds, loads and locks the image. On a failure its message box has been shown and
// dismissed when this returns nullopt; the rest is the caller's.
std::optional<FirmwareImage> LoadFirmwareImage(std::uint16_t id);
