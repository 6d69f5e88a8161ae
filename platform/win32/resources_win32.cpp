// os.h's resources on Windows: the executable's own resource section.
#include <string>

#include <windows.h>

#include "platform/os.h"

namespace os {

EmbeddedResource FindEmbeddedResource(std::uint16_t id, std::wstring_view type) {
  const std::wstring typeName(type);
  // The resources live in the executable itself; each step asks for its module anew.
  HRSRC found = FindResourceW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(id), typeName.c_str());
  if (found == nullptr) return {ResourceLookup::notFound, {}};
  HGLOBAL loaded = LoadResource(GetModuleHandleW(nullptr), found);
  if (loaded == nullptr) return {ResourceLookup::notLoaded, {}};
  const void* locked = LockResource(loaded);
  if (locked == nullptr) return {ResourceLookup::notLocked, {}};
  const DWORD size = SizeofResource(GetModuleHandleW(nullptr), found);
  return {ResourceLookup::found, {static_cast<const std::uint8_t*>(locked), size}};
}

}  // namespace os
