#include "tools/firmware/image_form_check.h"

#include <cstdio>

namespace firmware_tools {
namespace {

std::string Hex(std::uint32_t word) {
  char text[11];
  std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(word));
  return text;
}

void CheckStackPointer(std::span<const std::uint8_t> image, std::vector<std::string>& problems) {
  const std::uint32_t stack = Word(image, 0);
  if (stack % 4 != 0) {
    problems.push_back("word 0, the initial stack pointer, is " + Hex(stack) +
                       ", not word-aligned");
  }
}

void CheckCortexMFlash(std::span<const std::uint8_t> image, std::vector<std::string>& problems) {
  CheckStackPointer(image, problems);
  const std::uint32_t reset = Word(image, 1);
  if ((reset & 0xFFFF0000u) != kFlashBase || (reset & 1) == 0) {
    problems.push_back("word 1, the reset vector, is " + Hex(reset) +
                       ", not a Thumb address in the flash at 0x1000xxxx");
  }
}

void CheckCortexMZero(std::span<const std::uint8_t> image, std::vector<std::string>& problems) {
  CheckStackPointer(image, problems);
  const std::uint32_t reset = Word(image, 1);
  if ((reset & 1) == 0 || (reset & ~1u) >= image.size()) {
    problems.push_back("word 1, the reset vector, is " + Hex(reset) +
                       ", not a Thumb address inside an image linked at 0");
  }
  std::uint32_t sum = 0;
  for (std::size_t i = 0; i < 8; ++i) sum += Word(image, i);
  if (sum != 0) problems.push_back("words 0 to 7 sum to " + Hex(sum) + ", not to 0");
}

void CheckRiscV(std::span<const std::uint8_t> image, std::vector<std::string>& problems) {
  const std::uint32_t jump = Word(image, 0);
  if ((jump & 0x7F) != kRiscVJalOpcode) {
    problems.push_back("word 0 is " + Hex(jump) + ", not a JAL instruction");
  }
  for (std::size_t i = 1; i <= kRiscVNopCount; ++i) {
    if (Word(image, i) != kRiscVNop) {
      problems.push_back("word " + std::to_string(i) + " is " + Hex(Word(image, i)) +
                         ", not addi x0, x0, 0 (0x00000013)");
    }
  }
}

std::size_t LeadingWords(ImageKind kind) {
  switch (kind) {
    case ImageKind::cortexMFlash:
      return 2;
    case ImageKind::cortexMZero:
      return 8;
    case ImageKind::riscV:
      return 1 + kRiscVNopCount;
  }
  return 0;
}

}  // namespace

std::vector<std::string> CheckImage(const ImageSpec& spec, std::span<const std::uint8_t> image) {
  std::vector<std::string> problems;
  if (image.size() != spec.size) {
    problems.push_back(std::to_string(image.size()) + " bytes, where image " +
                       std::to_string(spec.id) + " has " + std::to_string(spec.size));
  }
  if (image.size() < 4 * LeadingWords(spec.kind)) {
    problems.push_back("too short for the leading words of its kind");
    return problems;
  }
  switch (spec.kind) {
    case ImageKind::cortexMFlash:
      CheckCortexMFlash(image, problems);
      break;
    case ImageKind::cortexMZero:
      CheckCortexMZero(image, problems);
      break;
    case ImageKind::riscV:
      CheckRiscV(image, problems);
      break;
  }
  return problems;
}

}  // namespace firmware_tools
