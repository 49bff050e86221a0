#pragma once

// The layout of one fuzz input: a fixed prefix that says how the run is set up (mode,
// switches, the texts typed into the fields) followed by the bytes of the file to correct.
// The prefix has a fixed size so that mutations of the texts never shift the bitmap: its
// header bytes always sit at the same place for the fuzzer to work on.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace hosei::fuzz {

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

inline constexpr std::size_t kSlotSize = 16;
inline constexpr std::size_t kControlBytes = 2;
inline constexpr std::size_t kPrefixSize = kControlBytes + kSlotCount * kSlotSize;
// A slot starting with this byte keeps the field's initial text.
inline constexpr std::uint8_t kInitialText = 0xFF;

// Control byte 0.
inline constexpr std::uint8_t kModeBits = 0x03;  // 0 vignetting, 1 fog, 2 and 3 gamma
inline constexpr std::uint8_t kBackgroundBit = 0x04;
inline constexpr std::uint8_t kCentreBit = 0x08;         // the centre answers are used
inline constexpr std::uint8_t kEarlierResultBit = 0x10;  // a result exists before the run
inline constexpr std::uint8_t kNameShift = 5;            // bits 5-6: which source name
inline constexpr std::uint8_t kDisplayCopyBit = 0x80;    // also write a display copy
// Control byte 1: bits 0-1 pick the boundary text.
inline constexpr std::uint8_t kBoundaryBits = 0x03;

// What a seed asks for, in readable form.
struct RunSettings {
  std::uint8_t mode = 0;
  bool background = false;
  bool centre = false;
  bool earlierResult = false;
  std::uint8_t name = 0;
  bool displayCopy = true;
  std::uint8_t boundary = 0;
  // Texts by slot; an absent text (kInitialText) keeps the field's initial text.
  std::array<std::string, kSlotCount> texts{};
  std::array<bool, kSlotCount> typed{};

  RunSettings& type(Slot slot, std::string text) {
    texts[slot] = std::move(text);
    typed[slot] = true;
    return *this;
  }
};

inline std::vector<std::uint8_t> EncodeInput(const RunSettings& s,
                                             const std::vector<std::uint8_t>& file) {
  std::vector<std::uint8_t> input(kPrefixSize, 0);
  input[0] = static_cast<std::uint8_t>(
      (s.mode & kModeBits) | (s.background ? kBackgroundBit : 0) | (s.centre ? kCentreBit : 0) |
      (s.earlierResult ? kEarlierResultBit : 0) | ((s.name & 3) << kNameShift) |
      (s.displayCopy ? kDisplayCopyBit : 0));
  input[1] = static_cast<std::uint8_t>(s.boundary & kBoundaryBits);
  for (std::size_t slot = 0; slot < kSlotCount; ++slot) {
    std::uint8_t* at = input.data() + kControlBytes + slot * kSlotSize;
    if (!s.typed[slot]) {
      at[0] = kInitialText;
      continue;
    }
    const std::string& text = s.texts[slot];
    for (std::size_t i = 0; i < text.size() && i + 1 < kSlotSize; ++i)
      at[i] = static_cast<std::uint8_t>(text[i]);
  }
  input.insert(input.end(), file.begin(), file.end());
  return input;
}

}  // namespace hosei::fuzz
