// Writes the seed corpus of the fuzz target into a folder: valid bitmaps of awkward sizes
// and offsets, the broken files that cameras, converters and half-finished downloads leave
// behind, and field texts that test the number reader, each wrapped in the run prefix.

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "fuzz_input.h"
#include "photo_encoders.h"
#include "test_bitmap.h"

namespace hosei::fuzz {
namespace {

namespace fs = std::filesystem;
using test::TestBitmap;

class SeedWriter {
 public:
  explicit SeedWriter(fs::path folder) : folder_(std::move(folder)) {}

  void add(const std::string& label, const RunSettings& settings,
           const std::vector<std::uint8_t>& file) {
    char number[16];
    std::snprintf(number, sizeof number, "%04d", count_++);
    test::WriteFile(folder_ / (std::string("seed-") + number + "-" + label),
                    EncodeInput(settings, file));
  }
  int count() const { return count_; }

 private:
  fs::path folder_;
  int count_ = 0;
};

void Put16(std::vector<std::uint8_t>& bytes, std::size_t at, unsigned value) {
  bytes[at] = static_cast<std::uint8_t>(value & 0xFF);
  bytes[at + 1] = static_cast<std::uint8_t>((value >> 8) & 0xFF);
}

// The settings used in turn, so every kind of file meets every mode and switch.
RunSettings Variation(int i) {
  RunSettings s;
  s.mode = static_cast<std::uint8_t>(i % 3);
  s.background = i % 2 == 1;
  s.centre = i % 5 == 0;
  s.earlierResult = i % 4 == 3;
  s.name = static_cast<std::uint8_t>(i % 7 == 6 ? 1 : 0);
  s.displayCopy = i % 3 != 2;
  s.boundary = static_cast<std::uint8_t>(i % 4);
  if (s.mode == 1) s.type(kLightXSlot, "3").type(kLightYSlot, "2").type(kSizeSlot, "6");
  if (s.centre) s.type(kCentreXSlot, "2").type(kCentreYSlot, "1");
  return s;
}

TestBitmap Sized(int width, int height, int offset = 54) {
  TestBitmap b;
  b.width = width;
  b.height = height;
  b.pixelDataOffset = offset;
  return b;
}

void ValidFiles(SeedWriter& seeds, int& v) {
  for (int width : {1, 2, 3, 4, 5, 7, 13, 99, 100, 101, 250})
    for (int height : {1, 2, 39, 40, 41, 101})
      if (width * height <= 12000)
        seeds.add("valid-" + std::to_string(width) + "x" + std::to_string(height), Variation(v++),
                  Sized(width, height).bytes());
  for (int offset : {60, 1078, 32767}) {
    TestBitmap b = Sized(5, 3, offset);
    seeds.add("offset-" + std::to_string(offset), Variation(v++), b.bytes());
  }
  TestBitmap trailing = Sized(3, 3);
  trailing.trailing = {1, 2, 3, 4, 5};
  seeds.add("trailing-bytes", Variation(v++), trailing.bytes());
  // Not the usual signature, and an info header size of 296 (byte 14 is 40): accepted.
  auto unsigned_ = Sized(4, 4).bytes();
  unsigned_[0] = 'X';
  unsigned_[15] = 1;
  seeds.add("odd-signature-296", Variation(v++), unsigned_);
  // The largest width and height, each with the other side 1.
  seeds.add("width-65535", Variation(v++), Sized(65535, 1).bytes());
  seeds.add("height-65535", Variation(v++), Sized(1, 65535).bytes());
}

void BrokenFiles(SeedWriter& seeds, int& v) {
  const auto whole = Sized(7, 5).bytes();
  for (std::size_t cut :
       {std::size_t{0}, std::size_t{1}, std::size_t{13}, std::size_t{29}, std::size_t{30},
        std::size_t{53}, std::size_t{54}, std::size_t{55}, whole.size() - 1}) {
    seeds.add("truncated-" + std::to_string(cut), Variation(v++),
              std::vector<std::uint8_t>(whole.begin(), whole.begin() + cut));
  }
  for (int offset : {0, 10, 53, 32768, 40000, 65535}) {
    auto bytes = Sized(3, 2).bytes();
    Put16(bytes, 10, static_cast<unsigned>(offset));
    seeds.add("bad-offset-" + std::to_string(offset), Variation(v++), bytes);
  }
  for (int infoSize : {12, 64, 108, 124}) {
    TestBitmap b = Sized(4, 2);
    b.infoHeaderSize = infoSize;
    seeds.add("info-header-" + std::to_string(infoSize), Variation(v++), b.bytes());
  }
  for (int bits : {0, 1, 4, 8, 16, 32, 24 + 256}) {
    TestBitmap b = Sized(4, 2);
    b.bitsPerPixel = bits;
    seeds.add("bits-" + std::to_string(bits), Variation(v++), b.bytes());
  }
  for (const auto& [width, height] : {std::pair{0, 5}, std::pair{5, 0}, std::pair{0, 0}}) {
    auto bytes = Sized(5, 5).bytes();
    Put16(bytes, 18, static_cast<unsigned>(width));
    Put16(bytes, 22, static_cast<unsigned>(height));
    seeds.add("zero-" + std::to_string(width) + "x" + std::to_string(height), Variation(v++),
              bytes);
  }
  // Sizes a file of this length cannot hold: 65535 x 65535, and a top-down picture whose
  // negative height reads as 65533 rows.
  auto huge = Sized(2, 2).bytes();
  Put16(huge, 18, 65535);
  Put16(huge, 22, 65535);
  seeds.add("huge-65535x65535", Variation(v++), huge);
  auto topDown = Sized(3, 3).bytes();
  Put16(topDown, 22, 0xFFFD);
  Put16(topDown, 24, 0xFFFF);
  seeds.add("top-down", Variation(v++), topDown);
  // Width and height fields above 65535 are read modulo 65536.
  auto wide = Sized(3, 2).bytes();
  wide[20] = 1;
  seeds.add("width-above-65535", Variation(v++), wide);
  seeds.add("not-a-bitmap", Variation(v++),
            std::vector<std::uint8_t>{'G', 'I', 'F', '8', '9', 'a', 0, 0, 0, 0, 0, 0});
}

void FieldTextSeeds(SeedWriter& seeds) {
  const auto picture = Sized(11, 9).bytes();
  const std::vector<std::string> texts = {
      "",
      " ",
      "abc",
      "1e400",
      "-0",
      "+.5",
      "0x10",
      "inf",
      "nan",
      "1e-400",
      "\xEF\xBC\x95\xEF\xBC\x90",
      "\xE3\x80\x80"
      "50",
      "  120abc",
      "1.5e1",
      "99.99999",
      "0.0001",
      "-1e9",
      "2147483647.5",
      "-2147483648.5",
      ".",
      "-",
      "1e",
  };
  struct Target {
    std::uint8_t mode;
    Slot slot;
    bool background;
  };
  const Target targets[] = {
      {0, kStartSlot, false},  {0, kCoefficientSlot, false}, {1, kLightXSlot, false},
      {1, kLightYSlot, false}, {1, kSizeSlot, false},        {1, kBrightnessSlot, false},
      {2, kGammaSlot, false},  {2, kThresholdSlot, true},    {0, kCentreXSlot, false},
  };
  int i = 0;
  for (const Target& target : targets) {
    for (const std::string& text : texts) {
      RunSettings s;
      s.mode = target.mode;
      s.background = target.background;
      s.centre = target.slot == kCentreXSlot;
      s.displayCopy = false;
      s.type(target.slot, text);
      if (s.centre) s.type(kCentreYSlot, "4");
      seeds.add("text-" + std::to_string(static_cast<int>(target.slot)) + "-" + std::to_string(i++),
                s, picture);
    }
  }
  // The edges of the accepted ranges.
  const std::vector<std::pair<Slot, std::string>> edges = {
      {kBrightnessSlot, "170"},  {kBrightnessSlot, "171"},  {kBrightnessSlot, "-100"},
      {kBrightnessSlot, "-101"}, {kGammaSlot, "2.67"},      {kGammaSlot, "0.374"},
      {kGammaSlot, "2.68"},      {kGammaSlot, "0.37"},      {kStartSlot, "100"},
      {kStartSlot, "0"},         {kCoefficientSlot, "121"}, {kCoefficientSlot, "0.5"},
      {kCoefficientSlot, "120"}, {kStartSlot, "99.9999"},
  };
  for (const auto& [slot, text] : edges) {
    RunSettings s;
    s.mode = slot == kBrightnessSlot ? 1 : slot == kGammaSlot ? 2 : 0;
    s.background = true;
    s.type(slot, text).type(kThresholdSlot, i % 2 ? "20" : "250");
    if (s.mode == 1) s.type(kLightXSlot, "5").type(kLightYSlot, "4").type(kSizeSlot, "7");
    seeds.add("edge-" + std::to_string(i++), s, picture);
  }
  // Fog circles far outside the picture, and vignetting centres at the rule's limits.
  for (const char* x : {"-2147483648", "2147483647", "-70000", "70000"}) {
    RunSettings s;
    s.mode = 1;
    s.type(kLightXSlot, x).type(kLightYSlot, x).type(kSizeSlot, "2147483647");
    seeds.add("far-light-" + std::to_string(i++), s, picture);
  }
  for (const auto& [x, y] :
       {std::pair{"2", "1"}, std::pair{"9", "8"}, std::pair{"5.5", "4.5"}, std::pair{"6", "5"}}) {
    RunSettings s;
    s.centre = true;
    s.type(kCentreXSlot, x).type(kCentreYSlot, y).type(kStartSlot, "1");
    seeds.add("centre-" + std::to_string(i++), s, picture);
  }
  // Short names, Japanese names with spaces, and a name whose last four characters are not
  // ".bmp".
  for (std::uint8_t name = 0; name < 4; ++name) {
    RunSettings s;
    s.name = name;
    s.earlierResult = true;
    seeds.add("name-" + std::to_string(name), s, picture);
  }
}

// Seeds of the photo target: small photos of every kind the readers take, with metadata,
// and a few of the kinds they refuse.
int PhotoSeeds(const fs::path& folder) {
  fs::create_directories(folder);
  int count = 0;
  const auto name = [&folder, &count](const std::string& label) {
    return (folder / ("photo-" + std::to_string(count++) + "-" + label)).string();
  };
  const auto picture = [](int channels) { return test::RandomPicture(19, 13, channels, 7); };

  test::PngSpec png;
  png.chunks = {{"gAMA", {0, 0, 0xB1, 0x8F}},
                {"tEXt", {'T', 'i', 't', 'l', 'e', 0, 'x'}},
                {"tIME", {0x07, 0xE8, 5, 6, 7, 8, 9}, true}};
  test::WritePng(name("rgb.png"), picture(3), png);
  png.colourType = 6;
  test::WritePng(name("rgba.png"), picture(4), png);
  png.colourType = 0;
  png.interlaced = true;
  test::WritePng(name("grey-interlaced.png"), picture(1), png);
  png = {};
  png.colourType = 3;
  png.palette = test::RandomPicture(256, 1, 3, 5).samples;
  png.transparency = {0, 128, 255};
  test::WritePng(name("palette-trns.png"), picture(1), png);
  png = {};
  png.colourType = 0;
  png.bitDepth = 2;
  test::Picture low = picture(1);
  for (auto& sample : low.samples) sample &= 3;
  test::WritePng(name("grey-2bit.png"), low, png);

  test::TiffSpec tiff;
  tiff.compression = 5;  // LZW
  tiff.predictor = 2;
  test::WriteTiff(name("lzw-metadata.tif"), picture(3), tiff);
  tiff = {};
  tiff.compression = 8;  // Deflate
  tiff.tileSize = 16;
  tiff.metadata = false;
  test::WriteTiff(name("tiled-rgba.tif"), picture(4), tiff);
  tiff = {};
  tiff.compression = 32773;  // PackBits
  tiff.photometric = 1;      // grey
  tiff.bigEndian = true;
  tiff.metadata = false;
  test::WriteTiff(name("packbits-grey-mm.tif"), picture(1), tiff);

  test::JpegSpec jpeg;
  jpeg.markers = {{0xE1, {'E', 'x', 'i', 'f', 0, 0, 'M', 'M', 0, 42}},
                  {0xE2, {'I', 'C', 'C', '_', 'P', 'R', 'O', 'F', 'I', 'L', 'E', 0, 1, 1, 9}},
                  {0xFE, {'c', 'o', 'm', 'm', 'e', 'n', 't'}}};
  test::WriteJpeg(name("baseline.jpg"), picture(3), jpeg);
  jpeg.progressive = true;
  jpeg.h = jpeg.v = 1;
  test::WriteJpeg(name("progressive.jpg"), picture(3), jpeg);
  jpeg = {};
  jpeg.components = 1;
  jpeg.h = jpeg.v = 1;
  test::WriteJpeg(name("grey.jpg"), picture(1), jpeg);
  jpeg.components = 4;
  test::WriteJpeg(name("cmyk.jpg"), picture(4), jpeg);
  return count;
}

}  // namespace
}  // namespace hosei::fuzz

int main(int argc, char** argv) {
  if (argc != 2 && argc != 3) {
    std::fprintf(stderr, "usage: %s FOLDER [PHOTO-FOLDER]\n", argv[0]);
    return 2;
  }
  if (argc == 3) std::printf("%d photo seeds in %s\n", hosei::fuzz::PhotoSeeds(argv[2]), argv[2]);
  std::filesystem::create_directories(argv[1]);
  hosei::fuzz::SeedWriter seeds(argv[1]);
  int variation = 0;
  hosei::fuzz::ValidFiles(seeds, variation);
  hosei::fuzz::BrokenFiles(seeds, variation);
  hosei::fuzz::FieldTextSeeds(seeds);
  std::printf("%d seeds in %s\n", seeds.count(), argv[1]);
  return 0;
}
