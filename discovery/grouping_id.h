// How the interfaces of one physical device are tied together: by the part of their
// USB parent's instance id that all of them share.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

// For USB\VID_093A&PID_622C&MI_01\7&2A3B4C5D&0&0001 this is 7&2A3B4C5D: the text after
// the second backslash, up to where its tail from its second "&" first occurs in it.
// Empty when a separator is missing.
std::wstring CutGroupingId(std::wstring_view value);

// A property value read as UTF-16 (little-endian) text: the code units up to the first
// zero one, or all of them when the buffer holds none.
std::wstring PropertyText(std::span<const std::uint8_t> buffer);
