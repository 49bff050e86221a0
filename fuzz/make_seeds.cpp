// The seed corpora: bitmaps of awkward sizes, broken files and odd field texts behind run
// prefixes for Execute; small photos of each kind taken, and one refused, for the photos.

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

// A bitmap with the 16-bit header field at `at` set to `value`.
Bytes With16(int width, int height, std::size_t at, unsigned value) {
  Bytes bytes = Sized(width, height).bytes();
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
  // Widths of every padding, heights around the 40-row chunk.
  for (const auto& [width, height] :
       {std::pair{1, 1}, {2, 39}, {3, 40}, {4, 41}, {7, 2}, {101, 101}, {65535, 1}, {1, 65535}})
    add("valid-" + std::to_string(width) + "x" + std::to_string(height),
        Sized(width, height).bytes());
  add("offset-32767", Sized(5, 3, 32767).bytes());
  test::TestBitmap trailing = Sized(3, 3);
  trailing.trailing = {1, 2, 3, 4, 5};
  add("trailing-bytes", trailing.bytes());
  // Not the usual signature, and an info header size of 296 (byte 14 is 40): accepted.
  Bytes odd = Sized(4, 4).bytes();
  odd[0] = 'X', odd[15] = 1;
  add("odd-signature-296", odd);
  const Bytes whole = Sized(7, 5).bytes();
  for (std::size_t cut : {0ul, 29ul, 54ul, whole.size() - 1})
    add("truncated-" + std::to_string(cut), Bytes(whole.begin(), whole.begin() + cut));
  // Offset, info header size, bits a pixel, width and height out of the accepted ranges; a
  // top-down picture's negative height reads as 65533 rows, a width above 65535 modulo 65536.
  const std::pair<std::size_t, unsigned> fields[] = {{10, 53},    {10, 65535},  {14, 12}, {14, 124},
                                                     {28, 8},     {28, 32},     {18, 0},  {22, 0},
                                                     {18, 65535}, {22, 0xFFFD}, {20, 1}};
  for (const auto& [at, value] : fields)
    add("field-" + std::to_string(at) + "-" + std::to_string(value), With16(5, 4, at, value));
  add("not-a-bitmap", Bytes{'G', 'I', 'F', '8', '9', 'a', 0, 0, 0, 0, 0, 0});
}

// Texts that test the number reader in every field (the ranges' edges among them), fog
// circles far outside the picture, centres at the rule's limits, and each source name.
void FieldTextSeeds(SeedWriter& seeds) {
  const Bytes picture = Sized(11, 9).bytes();
  int i = 0;
  const auto add = [&](unsigned control, const TypedSlots& typed) {
    seeds.add("text-" + std::to_string(i++), EncodeInput(control, 0, typed, picture));
  };
  const char* const texts[] = {"",     "abc",      "1e400",    "-0",   "+.5",          "nan",
                               "５０", "\u300050", "  120abc", "-1e9", "2147483647.5", "1e",
                               "171"};
  // Each slot under a mode and switches that read it (a centre with its other half).
  const unsigned controls[kSlotCount] = {0, 0, 1, 1, 1, 1, 2, 2 | kBackgroundBit, kCentreBit};
  for (int slot = kStartSlot; slot < kCentreYSlot; ++slot)
    for (const char* text : texts)
      add(controls[slot], {{Slot(slot), text}, {kCentreYSlot, slot == kCentreXSlot ? "4" : ""}});
  add(1 | kDisplayCopyBit,
      {{kLightXSlot, "-2147483648"}, {kLightYSlot, "70000"}, {kSizeSlot, "2147483647"}});
  for (const auto& [x, y] : {std::pair{"2", "1"}, {"9", "8"}, {"5.5", "4.5"}})
    add(kCentreBit | kDisplayCopyBit, {{kCentreXSlot, x}, {kCentreYSlot, y}});
  for (unsigned name = 0; name < 4; ++name)
    add(name << kNameShift | kEarlierResultBit | kDisplayCopyBit, {});
}

void PhotoSeeds(SeedWriter& seeds) {
  using namespace test;
  const auto picture = [](int channels) { return RandomPicture(19, 13, channels, 7); };
  const auto add = [&](const std::string& label, auto write) {
    seeds.add(label, Encoded([&](const std::string& path) { write(path); }));
  };
  add("rgb.png", [&](auto& p) {
    WritePng(
        p, picture(3),
        {.chunks = {{"gAMA", {0, 0, 0xB1, 0x8F}}, {"tIME", {0x07, 0xE8, 5, 6, 7, 8, 9}, true}}});
  });
  add("grey-interlaced.png",
      [&](auto& p) { WritePng(p, picture(1), {.colourType = 0, .interlaced = true}); });
  add("palette-trns.png", [&](auto& p) {
    WritePng(p, picture(1),
             {.colourType = 3,
              .palette = RandomPicture(256, 1, 3, 5).samples,
              .transparency = {0, 128, 255}});
  });
  add("lzw.tif", [&](auto& p) { WriteTiff(p, picture(3), {.compression = 5, .predictor = 2}); });
  add("tiled-rgba.tif", [&](auto& p) {
    WriteTiff(p, picture(4), {.compression = 8, .tileSize = 16, .metadata = false});
  });
  add("packbits-grey-mm.tif", [&](auto& p) {
    WriteTiff(p, picture(1),
              {.compression = 32773, .photometric = 1, .bigEndian = true, .metadata = false});
  });
  add("baseline.jpg", [&](auto& p) {
    WriteJpeg(p, picture(3),
              {.markers = {{0xE1, {'E', 'x', 'i', 'f', 0, 0, 'M', 'M', 0, 42}}, {0xFE, {'c'}}}});
  });
  add("progressive-grey.jpg", [&](auto& p) {
    WriteJpeg(p, picture(1), {.components = 1, .h = 1, .v = 1, .progressive = true});
  });
  add("cmyk.jpg", [&](auto& p) { WriteJpeg(p, picture(4), {.components = 4, .h = 1, .v = 1}); });
  // Deep pictures: 16 bits a channel (the FITS and float seeds are kept regression inputs).
  add("rgba16.png", [&](auto& p) { WritePng(p, picture(4), {.colourType = 6, .bitDepth = 16}); });
  add("lzw16.tif", [&](auto& p) {
    WriteTiff(p, picture(3), {.compression = 5, .predictor = 2, .bits = 16, .metadata = false});
  });
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
