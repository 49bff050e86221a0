#include "test_bitmap.h"

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <random>
#include <sstream>
#include <stdexcept>

namespace hosei::test {

namespace fs = std::filesystem;

Bytes TestBitmap::bytes() const {
  const auto offset = static_cast<std::size_t>(pixelDataOffset);
  const std::size_t pixelBytes = rowLength() * static_cast<std::size_t>(height);
  Bytes b(std::max<std::size_t>(offset, 54) + pixelBytes, 0x5A);
  const auto put = [&b](std::size_t at, std::uint32_t v, int size = 4) {
    for (int i = 0; i < size; ++i) b[at + i] = static_cast<std::uint8_t>(v >> 8 * i);
  };
  b[0] = 'B', b[1] = 'M';
  put(2, static_cast<std::uint32_t>(offset + pixelBytes + trailing.size()));
  put(6, 0);
  put(10, static_cast<std::uint32_t>(offset));
  put(14, 40);
  put(18, static_cast<std::uint32_t>(width));
  put(22, static_cast<std::uint32_t>(height));
  put(26, 1, 2);
  put(28, static_cast<std::uint32_t>(bitsPerPixel), 2);
  put(30, 0);
  put(34, static_cast<std::uint32_t>(pixelBytes));
  put(38, 2835), put(42, 2835), put(46, 0), put(50, 0);
  for (int y = 1; y <= height; ++y) {
    std::uint8_t* row = b.data() + offset + static_cast<std::size_t>(y - 1) * rowLength();
    for (int x = 1; x <= width; ++x) paint(x, y, row + 3 * (x - 1));
    std::fill(row + 3 * static_cast<std::size_t>(width), row + rowLength(), paddingByte);
  }
  b.insert(b.end(), trailing.begin(), trailing.end());
  return b;
}

TestBitmap Sized(int width, int height, int pixelDataOffset) {
  TestBitmap bitmap;
  bitmap.width = width, bitmap.height = height, bitmap.pixelDataOffset = pixelDataOffset;
  return bitmap;
}

TestBitmap Uniform(int width, int height, Bgr colour) {
  TestBitmap bitmap = Sized(width, height);
  bitmap.paint = [colour](int, int, std::uint8_t* bgr) {
    for (int c = 0; c < 3; ++c) bgr[c] = static_cast<std::uint8_t>(colour[c]);
  };
  return bitmap;
}

Bgr PixelOf(const std::uint8_t* rows, std::size_t rowLength, int x, int y) {
  const std::uint8_t* p = rows + static_cast<std::size_t>(y - 1) * rowLength + 3 * (x - 1);
  return {p[0], p[1], p[2]};
}

Bgr PixelOf(const Bytes& file, const TestBitmap& layout, int x, int y) {
  const std::size_t at = static_cast<std::size_t>(layout.pixelDataOffset) +
                         static_cast<std::size_t>(y - 1) * layout.rowLength() + 3 * (x - 1);
  if (at + 3 > file.size()) return {-1, -1, -1};
  return PixelOf(file.data() + at, 0, 1, 1);
}

void WriteSparseBitmap(const fs::path& path, int width, int height) {
  Bytes header = Sized(width, 1).bytes();
  const std::uint64_t pixels = Sized(width, 1).rowLength() * static_cast<std::uint64_t>(height);
  const auto put = [&header](std::size_t at, std::uint64_t value) {
    for (int i = 0; i < 4; ++i) header[at + i] = static_cast<std::uint8_t>(value >> 8 * i);
  };
  put(2, 54 + pixels), put(22, static_cast<std::uint64_t>(height)), put(34, pixels);
  header.resize(54);
  WriteFile(path, header);
  fs::resize_file(path, 54 + pixels);
}

void WriteFile(const fs::path& path, const Bytes& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
  if (!out) throw std::runtime_error("cannot write " + path.string());
}

Bytes ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + path.string());
  return Bytes(std::istreambuf_iterator<char>(in), {});
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

std::map<std::string, std::string> Snapshot(const fs::path& folder) {
  std::map<std::string, std::string> entries;
  for (const auto& entry : fs::recursive_directory_iterator(folder)) {
    std::string& kind = entries[entry.path().lexically_relative(folder).string()];
    if (entry.is_symlink()) {
      kind = "link to " + fs::read_symlink(entry.path()).string();
    } else if (entry.is_regular_file()) {
      const Bytes bytes = ReadFile(entry.path());
      kind = "hash " + std::to_string(std::hash<std::string>{}({bytes.begin(), bytes.end()}));
    } else {
      kind = std::to_string(static_cast<int>(entry.status().type()));
    }
  }
  return entries;
}

ProgramRun RunProgram(std::vector<std::string> arguments, unsigned seconds) {
  std::FILE* out = std::tmpfile();
  std::FILE* err = std::tmpfile();
  std::vector<char*> argv;
  for (auto& a : arguments) argv.push_back(a.data());
  argv.push_back(nullptr);
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::dup2(::open("/dev/null", O_RDONLY), 0);
    ::dup2(::fileno(out), 1);
    ::dup2(::fileno(err), 2);
    ::alarm(seconds);
    ::execv(argv[0], argv.data());
    ::_exit(127);
  }
  ProgramRun run;
  int status = 0;
  rusage usage{};
  ::wait4(pid, &status, 0, &usage);
  run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  run.peakMemoryKiB = usage.ru_maxrss;
  run.out = Drain(out), run.err = Drain(err);
  return run;
}

std::string Drain(std::FILE* file) {
  std::string text(static_cast<std::size_t>(std::fseek(file, 0, SEEK_END) ? 0 : std::ftell(file)),
                   '\0');
  std::rewind(file);
  text.resize(std::fread(text.data(), 1, text.size(), file));
  std::fclose(file);
  return text;
}

ScratchFolder::ScratchFolder() {
  std::random_device random;
  path_ = fs::temp_directory_path() /
          ("hosei-test-" + std::to_string(random()) + "-" + std::to_string(random()));
  fs::create_directories(path_);
}

ScratchFolder::~ScratchFolder() {
  std::error_code ignored;
  fs::permissions(path_, fs::perms::owner_all, fs::perm_options::add, ignored);
  fs::remove_all(path_, ignored);
}

}  // namespace hosei::test
