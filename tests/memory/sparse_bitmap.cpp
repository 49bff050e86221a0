#include "sparse_bitmap.h"

#include <sys/resource.h>

#include <fstream>
#include <stdexcept>

#include "test_bitmap.h"

namespace hosei::test {

void WriteSparseBitmap(const std::filesystem::path& path, int width, int height) {
  TestBitmap layout;
  layout.width = width;
  layout.height = 1;
  std::vector<std::uint8_t> header = layout.bytes();
  header.resize(54);
  const auto put32 = [&](std::size_t at, std::uint64_t value) {
    for (int i = 0; i < 4; ++i) header[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
  };
  const std::uint64_t pixelBytes = layout.rowLength() * static_cast<std::uint64_t>(height);
  put32(2, 54 + pixelBytes);
  put32(22, static_cast<std::uint64_t>(height));
  put32(34, pixelBytes);
  {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(header.data()),
              static_cast<std::streamsize>(header.size()));
    if (!out) throw std::runtime_error("cannot write " + path.string());
  }
  std::filesystem::resize_file(path, 54 + pixelBytes);
}

double PeakResidentMiB() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_maxrss) / 1024.0;  // reported in KiB
}

}  // namespace hosei::test
