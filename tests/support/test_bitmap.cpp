#include "test_bitmap.h"

#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>

namespace hosei::test {

namespace {

void Put16(std::vector<std::uint8_t>& b, std::size_t at, std::uint32_t v) {
  b[at] = static_cast<std::uint8_t>(v & 0xFF);
  b[at + 1] = static_cast<std::uint8_t>((v >> 8) & 0xFF);
}

void Put32(std::vector<std::uint8_t>& b, std::size_t at, std::uint32_t v) {
  Put16(b, at, v & 0xFFFF);
  Put16(b, at + 2, v >> 16);
}

}  // namespace

std::vector<std::uint8_t> TestBitmap::bytes() const {
  const std::size_t headerEnd = 54;
  const std::size_t offset = static_cast<std::size_t>(pixelDataOffset);
  const std::size_t pixelBytes = rowLength() * static_cast<std::size_t>(height);
  std::vector<std::uint8_t> b(std::max(offset, headerEnd) + pixelBytes, gapByte);
  b[0] = 'B';
  b[1] = 'M';
  Put32(b, 2, static_cast<std::uint32_t>(offset + pixelBytes + trailing.size()));
  Put32(b, 6, 0);
  Put32(b, 10, static_cast<std::uint32_t>(offset));
  Put32(b, 14, static_cast<std::uint32_t>(infoHeaderSize));
  Put32(b, 18, static_cast<std::uint32_t>(width));
  Put32(b, 22, static_cast<std::uint32_t>(height));
  Put16(b, 26, 1);
  Put16(b, 28, static_cast<std::uint32_t>(bitsPerPixel));
  Put32(b, 30, 0);
  Put32(b, 34, static_cast<std::uint32_t>(pixelBytes));
  Put32(b, 38, 2835);
  Put32(b, 42, 2835);
  Put32(b, 46, 0);
  Put32(b, 50, 0);
  for (int y = 1; y <= height; ++y) {
    std::uint8_t* row = b.data() + offset + static_cast<std::size_t>(y - 1) * rowLength();
    for (int x = 1; x <= width; ++x) paint(x, y, row + 3 * (x - 1));
    for (std::size_t p = static_cast<std::size_t>(width) * 3; p < rowLength(); ++p)
      row[p] = paddingByte;
  }
  b.insert(b.end(), trailing.begin(), trailing.end());
  return b;
}

void WriteFile(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
  if (!out) throw std::runtime_error("cannot write " + path.string());
}

std::vector<std::uint8_t> ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + path.string());
  return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), {});
}

ScratchFolder::ScratchFolder() {
  std::random_device random;
  path_ = std::filesystem::temp_directory_path() /
          ("hosei-test-" + std::to_string(random()) + "-" + std::to_string(random()));
  std::filesystem::create_directories(path_);
}

ScratchFolder::~ScratchFolder() {
  std::error_code ignored;
  std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                               std::filesystem::perm_options::add, ignored);
  std::filesystem::remove_all(path_, ignored);
}

}  // namespace hosei::test
