#include <algorithm>
#include <array>

#include "photo_file.h"

namespace hosei {

namespace {

bool StartsWith(std::span<const std::uint8_t> bytes, std::span<const std::uint8_t> signature) {
  return bytes.size() >= signature.size() &&
         std::equal(signature.begin(), signature.end(), bytes.begin());
}

constexpr std::array<std::uint8_t, 3> kJpegSignature = {0xFF, 0xD8, 0xFF};
constexpr std::array<std::uint8_t, 8> kPngSignature = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
// A FITS file opens with its first header card, whose keyword is SIMPLE padded to 8.
constexpr std::array<std::uint8_t, 8> kFitsSignature = {'S', 'I', 'M', 'P', 'L', 'E', ' ', ' '};
constexpr std::array<std::uint8_t, 4> kLittleEndianTiff = {'I', 'I', 42, 0};
constexpr std::array<std::uint8_t, 4> kBigEndianTiff = {'M', 'M', 0, 42};
// BigTIFF: recognised as TIFF so that its refusal names it, instead of the bitmap message.
constexpr std::array<std::uint8_t, 4> kLittleEndianBigTiff = {'I', 'I', 43, 0};
constexpr std::array<std::uint8_t, 4> kBigEndianBigTiff = {'M', 'M', 0, 43};

}  // namespace

std::optional<PhotoFormat> PhotoFormatOf(std::span<const std::uint8_t> firstBytes) {
  if (StartsWith(firstBytes, kJpegSignature)) return PhotoFormat::kJpeg;
  if (StartsWith(firstBytes, kPngSignature)) return PhotoFormat::kPng;
  if (StartsWith(firstBytes, kFitsSignature)) return PhotoFormat::kFits;
  for (const auto& tiff :
       {kLittleEndianTiff, kBigEndianTiff, kLittleEndianBigTiff, kBigEndianBigTiff})
    if (StartsWith(firstBytes, tiff)) return PhotoFormat::kTiff;
  return std::nullopt;
}

}  // namespace hosei
