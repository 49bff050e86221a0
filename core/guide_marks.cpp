#include "guide_marks.h"

#include <cmath>

#include "bitmap_file.h"
#include "result_file.h"

namespace hosei {

namespace {

class MarkCanvas {
 public:
  MarkCanvas(PixelBlock& pixels, int width, int height)
      : pixels_(pixels), width_(width), height_(height) {}

  // x = 1..width from the left, y = 1..height from the bottom; channel 0 blue, 2 red.
  void set(int x, int y, int channel, std::uint8_t value) {
    if (x < 1 || x > width_ || y < 1 || y > height_) return;
    pixels_.row(static_cast<std::size_t>(y - 1))[3 * (x - 1) + channel] = value;
  }

 private:
  PixelBlock& pixels_;
  int width_;
  int height_;
};

constexpr int kBlue = 0;
constexpr int kRed = 2;

int RoundHalfEven(double value) { return static_cast<int>(std::nearbyint(value)); }

}  // namespace

void DrawGuideMarks(PixelBlock& pixels, int width, int height) {
  MarkCanvas canvas(pixels, width, height);
  for (int n = kGridSpacing; n <= width; n += kGridSpacing)
    for (int y = 1; y <= height; ++y)
      for (int x = n - 2; x <= n; ++x) canvas.set(x, y, kRed, kVerticalLineRed);
  for (int n = kGridSpacing; n <= height; n += kGridSpacing)
    for (int y = n - 2; y <= n; ++y)
      for (int x = 1; x <= width; ++x) canvas.set(x, y, kRed, kHorizontalLineRed);

  const double w = width;
  const double h = height;
  const int first = RoundHalfEven(w / 20);
  const int last = RoundHalfEven(w - w / 20);
  for (int j = first; j <= last; ++j) {
    // Multiply before dividing: j * (h / w) rounds differently on some sizes.
    const int rising = RoundHalfEven(j * h / w);
    canvas.set(j - 1, rising - 1, kBlue, kDiagonalBlue);
    canvas.set(j, rising, kBlue, kDiagonalBlue);
    canvas.set(j + 1, rising + 1, kBlue, kDiagonalBlue);
    const int falling = RoundHalfEven(h - rising);
    canvas.set(j, falling, kBlue, kDiagonalBlue);
    canvas.set(j - 1, falling + 1, kBlue, kDiagonalBlue);
    canvas.set(j + 1, falling, kBlue, kDiagonalBlue);
  }
}

FileError WriteDisplayCopy(const std::string& source, const std::string& copy) {
  if (IsSameFile(source, copy)) return FileError{FileProblem::kResultIsSource, copy, {}};
  BitmapImage image;
  if (FileError error = ReadBitmapFile(source, image)) return error;
  DrawGuideMarks(image.pixels, static_cast<int>(image.header.width),
                 static_cast<int>(image.header.height));
  return WriteBitmapFile(copy, image);
}

}  // namespace hosei
