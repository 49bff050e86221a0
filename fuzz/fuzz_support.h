#pragma once

// What both fuzz targets share, and the layout of one input of the Execute target: a prefix
// of fixed size (mode, switches, the texts typed into the fields) followed by the bytes of
// the file to correct. The fixed size keeps mutations of the texts from shifting the file.

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

namespace hosei::fuzz {

// A breach aborts with a message, so libFuzzer keeps the input like a crash.
[[noreturn]] inline void Breach(const std::string& what) {
  std::fprintf(stderr, "\nhosei fuzz: %s\n", what.c_str());
  std::fflush(stderr);
  std::abort();
}

inline void Expect(bool condition, const std::string& what) {
  if (!condition) Breach(what);
}

// The run's own folder, memory-backed where the machine offers it; removed at exit.
inline std::filesystem::path& Folder() {
  static std::filesystem::path folder;
  return folder;
}

inline void MakeFolder() {
  const char* base = std::getenv("HOSEI_FUZZ_TMP");
  if (!base) base = std::filesystem::is_directory("/dev/shm") ? "/dev/shm" : "/tmp";
  std::string pattern = std::string(base) + "/hosei-fuzz-XXXXXX";
  if (!::mkdtemp(pattern.data()))
    Breach("cannot make a folder in " + std::string(base) + ": " + std::strerror(errno));
  Folder() = pattern;
  std::atexit([] {
    std::error_code ignored;
    std::filesystem::remove_all(Folder(), ignored);
  });
}

// The slots of the prefix, in order; one that starts with kInitialText keeps the field's
// initial text.
enum Slot {
  kStartSlot,
  kCoefficientSlot,
  kLightXSlot,
  kLightYSlot,
  kSizeSlot,
  kBrightnessSlot,
  kGammaSlot,
  kThresholdSlot,
  kCentreXSlot,
  kCentreYSlot,
  kSlotCount
};
inline constexpr std::size_t kSlotSize = 16, kControlBytes = 2;
inline constexpr std::size_t kPrefixSize = kControlBytes + kSlotCount * kSlotSize;
inline constexpr std::uint8_t kInitialText = 0xFF;
// Control byte 0; byte 1 holds the boundary text in its lowest two bits.
inline constexpr std::uint8_t kModeBits = 0x03;  // 0 vignetting, 1 fog, 2 and 3 gamma
inline constexpr std::uint8_t kBackgroundBit = 0x04;
inline constexpr std::uint8_t kCentreBit = 0x08;         // the centre answers are used
inline constexpr std::uint8_t kEarlierResultBit = 0x10;  // a result exists before the run
inline constexpr std::uint8_t kNameShift = 5;            // bits 5-6: which source name
inline constexpr std::uint8_t kDisplayCopyBit = 0x80;    // also write a display copy

// One input: control byte 0 (mode and switches), the boundary entry, the typed slots (the
// others keep their initial texts) and the file.
using TypedSlots = std::vector<std::pair<Slot, std::string>>;
inline std::vector<std::uint8_t> EncodeInput(unsigned control, unsigned boundary,
                                             const TypedSlots& typed,
                                             const std::vector<std::uint8_t>& file) {
  std::vector<std::uint8_t> input(kPrefixSize, 0);
  input[0] = static_cast<std::uint8_t>(control), input[1] = static_cast<std::uint8_t>(boundary & 3);
  for (std::size_t slot = 0; slot < kSlotCount; ++slot)
    input[kControlBytes + slot * kSlotSize] = kInitialText;
  for (const auto& [slot, text] : typed) {
    std::uint8_t* at = &input[kControlBytes + slot * kSlotSize];
    at[0] = 0;
    std::copy_n(text.begin(), std::min(text.size(), kSlotSize - 1), at);
  }
  input.insert(input.end(), file.begin(), file.end());
  return input;
}

}  // namespace hosei::fuzz

// The libFuzzer entry points of a target whose one run is hosei::fuzz::RunOne.
#define HOSEI_FUZZ_TARGET                                                             \
  extern "C" int LLVMFuzzerInitialize(int*, char***) {                                \
    hosei::fuzz::MakeFolder();                                                        \
    return 0;                                                                         \
  }                                                                                   \
  extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) { \
    hosei::fuzz::RunOne(data, size);                                                  \
    return 0;                                                                         \
  }
