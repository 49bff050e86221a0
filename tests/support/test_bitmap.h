#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace hosei::test {

using Bytes = std::vector<std::uint8_t>;
using Bgr = std::array<int, 3>;

// The bytes of a bitmap file, with the header fields tests vary settable. Bytes between the
// headers and the pixels are 0x5A, so that copying them can be seen.
struct TestBitmap {
  int width = 4;
  int height = 3;
  int pixelDataOffset = 54;
  int bitsPerPixel = 24;
  Bytes trailing;  // bytes after the pixel rows
  // Colour of pixel (x, y), x = 1..width from the left, y = 1..height from the bottom.
  std::function<void(int x, int y, std::uint8_t* bgr)> paint = [](int x, int y, std::uint8_t* bgr) {
    bgr[0] = static_cast<std::uint8_t>(x * 7 + y * 3);
    bgr[1] = static_cast<std::uint8_t>(x * 5 + y * 11);
    bgr[2] = static_cast<std::uint8_t>(x * 13 + y * 2);
  };
  std::uint8_t paddingByte = 0xA5;

  std::size_t rowLength() const { return (static_cast<std::size_t>(width) * 3 + 3) / 4 * 4; }
  Bytes bytes() const;
};

TestBitmap Sized(int width, int height, int pixelDataOffset = 54);
// One colour, so what a correction makes of a pixel depends only on where it lies.
TestBitmap Uniform(int width, int height, Bgr colour);
// Pixel (x, y) of rows laid out as a bitmap's, x from 1 at the left, y from 1 at the bottom.
Bgr PixelOf(const std::uint8_t* rows, std::size_t rowLength, int x, int y);
Bgr PixelOf(const Bytes& file, const TestBitmap& layout, int x, int y);  // {-1,..} when cut

// A valid bitmap of any size in an instant: its pixel rows a hole that reads as black.
void WriteSparseBitmap(const std::filesystem::path& path, int width, int height);
void WriteFile(const std::filesystem::path& path, const Bytes& bytes);
Bytes ReadFile(const std::filesystem::path& path);
std::vector<std::string> Lines(const std::string& text);
// Everything below a folder, hidden files included: name -> kind, link target or content hash.
std::map<std::string, std::string> Snapshot(const std::filesystem::path& folder);

struct ProgramRun {
  int exitCode = -1;
  std::string out, err;
  long peakMemoryKiB = 0;  // the child's own maximum resident set size
  int errLines() const { return static_cast<int>(std::count(err.begin(), err.end(), '\n')); }
};
// Runs a program with standard input from /dev/null. One that outlives `seconds` is ended by
// its alarm, so a hang fails the test (exit 128 + SIGALRM) instead of stalling the suite.
ProgramRun RunProgram(std::vector<std::string> arguments, unsigned seconds = 60);
// Everything written to a temporary file, which is closed.
std::string Drain(std::FILE* file);

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
