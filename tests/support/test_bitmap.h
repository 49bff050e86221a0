#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace hosei::test {

// Builds the bytes of a bitmap file the way cameras and converters write them, with
// every header field settable, so tests can make valid and broken files alike.
struct TestBitmap {
  int width = 4;
  int height = 3;
  int pixelDataOffset = 54;
  int infoHeaderSize = 40;
  int bitsPerPixel = 24;
  std::vector<std::uint8_t> trailing;  // bytes after the pixel rows
  // Colour of pixel (x, y), x = 1..width from the left, y = 1..height from the bottom.
  std::function<void(int x, int y, std::uint8_t* bgr)> paint = [](int x, int y, std::uint8_t* bgr) {
    bgr[0] = static_cast<std::uint8_t>(x * 7 + y * 3);
    bgr[1] = static_cast<std::uint8_t>(x * 5 + y * 11);
    bgr[2] = static_cast<std::uint8_t>(x * 13 + y * 2);
  };
  std::uint8_t paddingByte = 0xA5;
  std::uint8_t gapByte = 0x5A;  // fills the bytes between the info header and the pixels

  std::size_t rowLength() const { return (static_cast<std::size_t>(width) * 3 + 3) / 4 * 4; }
  std::vector<std::uint8_t> bytes() const;
};

void WriteFile(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes);
std::vector<std::uint8_t> ReadFile(const std::filesystem::path& path);

// A fresh empty folder below the system's temporary folder, removed on destruction.
class ScratchFolder {
 public:
  ScratchFolder();
  ~ScratchFolder();
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;
  const std::filesystem::path& path() const { return path_; }
  std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

 private:
  std::filesystem::path path_;
};

}  // namespace hosei::test
