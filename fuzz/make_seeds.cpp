// The seed corpora: bitmaps of awkward sizes, broken files and odd field texts behind run
// prefixes for Execute; small photos of every kind taken, and a few refused, for the photos.

#include <cstdio>

#include "fuzz_support.h"
#include "photo_test_support.h"

namespace hosei::fuzz {
namespace {

using test::Bytes;
using test::Sized;

// Numbered seeds in one folder.
struct SeedWriter {
  std::filesystem::path folder;
  int count = 0;
  void add(const std::string& label, const Bytes& bytes) {
    test::WriteFile(folder / ("seed-" + std::to_string(count++) + "-" + label), bytes);
  }
};

Bytes Put16(Bytes bytes, std::size_t at, unsigned value) {
  bytes[at] = value & 0xFF, bytes[at + 1] = (value >> 8) & 0xFF;
  return bytes;
}

void BitmapSeeds(SeedWriter& seeds) {
  int i = 0;
  // The settings used in turn, so every kind of file meets every mode and switch.
  const auto add = [&](const std::string& label, const Bytes& file) {
    TypedSlots typed;
    if (i % 3 == 1) typed = {{kLightXSlot, "3"}, {kLightYSlot, "2"}, {kSizeSlot, "6"}};
    if (i % 5 == 0) typed.insert(typed.end(), {{kCentreXSlot, "2"}, {kCentreYSlot, "1"}});
    const unsigned control = i % 3 | (i % 2 ? kBackgroundBit : 0) | (i % 5 ? 0 : kCentreBit) |
                             (i % 4 == 3 ? kEarlierResultBit : 0) |
                             (i % 7 == 6 ? 1 << kNameShift : 0) |
                             (i % 3 == 2 ? 0 : kDisplayCopyBit);
    seeds.add(label, EncodeInput(control, i % 4, typed, file));
    ++i;
  };
  for (int width : {1, 2, 3, 4, 5, 7, 13, 99, 100, 101, 250})
    for (int height : {1, 2, 39, 40, 41, 101})
      if (width * height <= 12000)
        add("valid-" + std::to_string(width) + "x" + std::to_string(height),
            Sized(width, height).bytes());
  for (int offset : {60, 1078, 32767})
    add("offset-" + std::to_string(offset), Sized(5, 3, offset).bytes());
  test::TestBitmap trailing = Sized(3, 3);
  trailing.trailing = {1, 2, 3, 4, 5};
  add("trailing-bytes", trailing.bytes());
  // Not the usual signature, and an info header size of 296 (byte 14 is 40): accepted.
  Bytes odd = Sized(4, 4).bytes();
  odd[0] = 'X', odd[15] = 1;
  add("odd-signature-296", odd);
  add("width-65535", Sized(65535, 1).bytes());
  add("height-65535", Sized(1, 65535).bytes());

  const Bytes whole = Sized(7, 5).bytes();
  for (std::size_t cut : {0ul, 1ul, 13ul, 29ul, 30ul, 53ul, 54ul, 55ul, whole.size() - 1})
    add("truncated-" + std::to_string(cut), Bytes(whole.begin(), whole.begin() + cut));
  for (unsigned offset : {0, 10, 53, 32768, 40000, 65535})
    add("bad-offset-" + std::to_string(offset), Put16(Sized(3, 2).bytes(), 10, offset));
  for (unsigned infoSize : {12, 64, 108, 124})
    add("info-header-" + std::to_string(infoSize), Put16(Sized(4, 2).bytes(), 14, infoSize));
  for (unsigned bits : {0, 1, 4, 8, 16, 32, 24 + 256})
    add("bits-" + std::to_string(bits), Put16(Sized(4, 2).bytes(), 28, bits));
  for (const auto& [width, height] : {std::pair{0u, 5u}, std::pair{5u, 0u}, std::pair{0u, 0u}})
    add("zero-" + std::to_string(width) + "x" + std::to_string(height),
        Put16(Put16(Sized(5, 5).bytes(), 18, width), 22, height));
  // Sizes a file of this length cannot hold: 65535 x 65535, and a top-down picture whose
  // negative height reads as 65533 rows; fields above 65535 are read modulo 65536.
  add("huge-65535x65535", Put16(Put16(Sized(2, 2).bytes(), 18, 65535), 22, 65535));
  add("top-down", Put16(Put16(Sized(3, 3).bytes(), 22, 0xFFFD), 24, 0xFFFF));
  add("width-above-65535", Put16(Sized(3, 2).bytes(), 20, 1));
  add("not-a-bitmap", Bytes{'G', 'I', 'F', '8', '9', 'a', 0, 0, 0, 0, 0, 0});
}

// Texts that test the number reader in every field (the ranges' edges among them), fog
// circles far outside the picture, centres at the rule's limits, and each source name.
void FieldTextSeeds(SeedWriter& seeds) {
  const Bytes picture = Sized(11, 9).bytes();
  int i = 0;
  const auto add = [&](const char* kind, unsigned control, const TypedSlots& typed) {
    seeds.add(kind + std::to_string(i++), EncodeInput(control, 0, typed, picture));
  };
  const char* const texts[] = {"",       " ",        "abc",          "1e400",         "-0",
                               "+.5",    "0x10",     "inf",          "nan",           "1e-400",
                               "５０",   "\u300050", "  120abc",     "1.5e1",         "99.99999",
                               "0.0001", "-1e9",     "2147483647.5", "-2147483648.5", ".",
                               "-",      "1e",       "170.3",        "171",           "2.68",
                               "0.374",  "121"};
  const std::pair<Slot, unsigned> targets[] = {{kStartSlot, 0},
                                               {kCoefficientSlot, 0},
                                               {kLightXSlot, 1},
                                               {kLightYSlot, 1},
                                               {kSizeSlot, 1},
                                               {kBrightnessSlot, 1},
                                               {kGammaSlot, 2},
                                               {kThresholdSlot, 2 | kBackgroundBit},
                                               {kCentreXSlot, kCentreBit}};
  for (const auto& [slot, control] : targets)
    for (const char* text : texts)
      add("text-", control, {{slot, text}, {kCentreYSlot, slot == kCentreXSlot ? "4" : ""}});
  for (const char* x : {"-2147483648", "2147483647", "-70000", "70000"})
    add("far-light-", 1 | kDisplayCopyBit,
        {{kLightXSlot, x}, {kLightYSlot, x}, {kSizeSlot, "2147483647"}});
  for (const auto& [x, y] : {std::pair{"2", "1"}, {"9", "8"}, {"5.5", "4.5"}, {"6", "5"}})
    add("centre-", kCentreBit | kDisplayCopyBit,
        {{kCentreXSlot, x}, {kCentreYSlot, y}, {kStartSlot, "1"}});
  for (unsigned name = 0; name < 4; ++name)
    add("name-", name << kNameShift | kEarlierResultBit | kDisplayCopyBit, {});
}

void PhotoSeeds(SeedWriter& seeds) {
  using namespace test;
  const auto photo = [&seeds](const std::string& label,
                              const std::function<void(const std::string&)>& write) {
    seeds.add(label, Encoded(write));
  };
  const auto picture = [](int channels) { return RandomPicture(19, 13, channels, 7); };
  const std::vector<PngChunkBytes> chunks = {{"gAMA", {0, 0, 0xB1, 0x8F}},
                                             {"tEXt", {'T', 'i', 't', 'l', 'e', 0, 'x'}},
                                             {"tIME", {0x07, 0xE8, 5, 6, 7, 8, 9}, true}};
  photo("rgb.png", [&](auto& p) { WritePng(p, picture(3), {.chunks = chunks}); });
  photo("rgba.png", [&](auto& p) { WritePng(p, picture(4), {.colourType = 6, .chunks = chunks}); });
  photo("grey-interlaced.png", [&](auto& p) {
    WritePng(p, picture(1), {.colourType = 0, .interlaced = true, .chunks = chunks});
  });
  photo("palette-trns.png", [&](auto& p) {
    WritePng(p, picture(1),
             {.colourType = 3,
              .palette = RandomPicture(256, 1, 3, 5).samples,
              .transparency = {0, 128, 255}});
  });
  Picture low = picture(1);
  for (auto& sample : low.samples) sample &= 3;
  photo("grey-2bit.png", [&](auto& p) { WritePng(p, low, {.colourType = 0, .bitDepth = 2}); });
  photo("lzw-metadata.tif",
        [&](auto& p) { WriteTiff(p, picture(3), {.compression = 5, .predictor = 2}); });
  photo("tiled-rgba.tif", [&](auto& p) {
    WriteTiff(p, picture(4), {.compression = 8, .tileSize = 16, .metadata = false});
  });
  photo("packbits-grey-mm.tif", [&](auto& p) {
    WriteTiff(p, picture(1),
              {.compression = 32773, .photometric = 1, .bigEndian = true, .metadata = false});
  });
  const JpegMarkers markers = {
      {0xE1, {'E', 'x', 'i', 'f', 0, 0, 'M', 'M', 0, 42}},
      {0xE2, {'I', 'C', 'C', '_', 'P', 'R', 'O', 'F', 'I', 'L', 'E', 0, 1, 1, 9}},
      {0xFE, {'c', 'o', 'm', 'm', 'e', 'n', 't'}}};
  photo("baseline.jpg", [&](auto& p) { WriteJpeg(p, picture(3), {.markers = markers}); });
  photo("progressive.jpg", [&](auto& p) {
    WriteJpeg(p, picture(3), {.h = 1, .v = 1, .progressive = true, .markers = markers});
  });
  photo("grey.jpg", [&](auto& p) { WriteJpeg(p, picture(1), {.components = 1, .h = 1, .v = 1}); });
  photo("cmyk.jpg", [&](auto& p) { WriteJpeg(p, picture(4), {.components = 4, .h = 1, .v = 1}); });
}

}  // namespace
}  // namespace hosei::fuzz

int main(int argc, char** argv) {
  if (argc != 2 && argc != 3) {
    std::fprintf(stderr, "usage: %s FOLDER [PHOTO-FOLDER]\n", argv[0]);
    return 2;
  }
  for (int i = 1; i < argc; ++i) {
    hosei::fuzz::SeedWriter seeds{argv[i]};
    std::filesystem::create_directories(seeds.folder);
    if (i == 2) hosei::fuzz::PhotoSeeds(seeds);
    if (i == 1) hosei::fuzz::BitmapSeeds(seeds), hosei::fuzz::FieldTextSeeds(seeds);
    std::printf("%d seeds in %s\n", seeds.count, argv[i]);
  }
  return 0;
}
