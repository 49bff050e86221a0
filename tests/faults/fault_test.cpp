// hosei-cli end to end: broken sources, results that cannot be written, odd option texts and
// heavy loads. Every failure ends in one line on stderr and exit 1, with the folder exactly as
// it was: the source byte-identical, an earlier result intact, no partial or temporary file.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "file_error.h"
#include "test_bitmap.h"

namespace hosei::test {
namespace {

namespace fs = std::filesystem;

struct CliRun {
  int exitCode = -1;
  std::string out, err;
  long peakMemoryKiB = 0;  // the child's own maximum resident set size
  int errLines() const { return static_cast<int>(std::count(err.begin(), err.end(), '\n')); }
};

std::string ReadBack(std::FILE* file) {
  std::string text(static_cast<std::size_t>(std::ftell(file)), '\0');
  std::rewind(file);
  text.resize(std::fread(text.data(), 1, text.size(), file));
  std::fclose(file);
  return text;
}

// Runs hosei-cli with standard input from /dev/null. A run that outlives `seconds` is ended
// by its alarm, so a hang fails the test (exit 128 + SIGALRM) instead of stalling the suite.
CliRun RunCli(std::vector<std::string> arguments, unsigned seconds = 60) {
  std::FILE* out = std::tmpfile();
  std::FILE* err = std::tmpfile();
  arguments.insert(arguments.begin(), HOSEI_CLI_PATH);
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
  CliRun run;
  int status = 0;
  rusage usage{};
  ::wait4(pid, &status, 0, &usage);
  run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  run.peakMemoryKiB = usage.ru_maxrss;
  std::fseek(out, 0, SEEK_END);
  std::fseek(err, 0, SEEK_END);
  run.out = ReadBack(out);
  run.err = ReadBack(err);
  return run;
}

// Everything below a folder, hidden temporary files included: name -> kind and content.
std::map<std::string, std::string> Snapshot(const fs::path& folder) {
  std::map<std::string, std::string> entries;
  for (const auto& entry : fs::recursive_directory_iterator(folder)) {
    const auto status = entry.symlink_status();
    std::string kind = std::to_string(static_cast<int>(status.type()));
    if (fs::is_regular_file(status)) {
      const auto bytes = ReadFile(entry.path());
      kind += " hash " + std::to_string(std::hash<std::string>{}({bytes.begin(), bytes.end()}));
    }
    entries[entry.path().lexically_relative(folder).string()] = kind;
  }
  return entries;
}

// A tmpfs of `bytes` bytes on `folder`, or (bytes == 0) `folder` bound read-only onto itself,
// undone on destruction. Made in a private mount namespace, so a test that dies leaves none
// behind. Only root may mount; null elsewhere.
std::shared_ptr<const char> Mount(const fs::path& folder, std::size_t bytes) {
  static const bool privateNamespace =
      ::unshare(CLONE_NEWNS) == 0 &&
      ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0;
  (void)privateNamespace;  // without one, mounts are still undone by the destructor
  const std::string size = "size=" + std::to_string(bytes);
  const bool made = bytes > 0
                        ? ::mount("tmpfs", folder.c_str(), "tmpfs", 0, size.c_str()) == 0
                        : ::mount(folder.c_str(), folder.c_str(), nullptr, MS_BIND, nullptr) == 0;
  if (!made) return nullptr;
  std::shared_ptr<const char> mount(
      folder.c_str(), [folder](const char*) { ::umount2(folder.c_str(), MNT_DETACH); });
  if (bytes == 0 &&
      ::mount(nullptr, folder.c_str(), nullptr, MS_REMOUNT | MS_BIND | MS_RDONLY, nullptr) != 0)
    return nullptr;
  return mount;
}

std::vector<std::uint8_t> Picture(int width = 16, int height = 12, int bits = 24, int info = 40,
                                  int offset = 54) {
  TestBitmap bitmap;
  bitmap.width = width, bitmap.height = height, bitmap.bitsPerPixel = bits;
  bitmap.infoHeaderSize = info, bitmap.pixelDataOffset = offset;
  return bitmap.bytes();
}

// The 16 x 12 picture with one 32-bit header field changed, or cut to `size` bytes.
std::vector<std::uint8_t> Patched(std::size_t at, unsigned value, std::size_t size = 630) {
  auto bytes = Picture();
  for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<std::uint8_t>(value >> 8 * i);
  bytes.resize(size);
  return bytes;
}
std::vector<std::uint8_t> Cut(std::size_t size) { return Patched(2, 630, size); }

// A PNG chunk: length, type, data and the CRC over type and data.
void AppendChunk(std::vector<std::uint8_t>& png, const char* type, std::vector<std::uint8_t> data) {
  for (int shift = 24; shift >= 0; shift -= 8)
    png.push_back(static_cast<std::uint8_t>(data.size() >> shift));
  std::vector<std::uint8_t> typed(type, type + 4);
  typed.insert(typed.end(), data.begin(), data.end());
  png.insert(png.end(), typed.begin(), typed.end());
  const auto crc =
      static_cast<std::uint32_t>(::crc32(0, typed.data(), static_cast<uInt>(typed.size())));
  for (int shift = 24; shift >= 0; shift -= 8)
    png.push_back(static_cast<std::uint8_t>(crc >> shift));
}

// The start of a PNG of the given bit depth and colour type, its image data `idat`.
std::vector<std::uint8_t> Png(int depth, int colourType, std::vector<std::uint8_t> idat) {
  std::vector<std::uint8_t> png = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
  AppendChunk(png, "IHDR",
              {0, 0, 0, 16, 0, 0, 0, 12, static_cast<std::uint8_t>(depth),
               static_cast<std::uint8_t>(colourType), 0, 0, 0});
  AppendChunk(png, "IDAT", std::move(idat));
  AppendChunk(png, "IEND", {});
  return png;
}

enum Mounted { kNone, kReadOnly, kSmallDisk };

struct Fault {
  std::string folder, name;  // the source's folder and file name
  std::vector<std::uint8_t> bytes;
  std::string message;
  std::function<void(const fs::path& source)> change = nullptr;  // after the source is written
  bool namesResult = false;  // the line names the result rather than the source
  Mounted mounted = kNone;
};

// Runs hosei-cli on each fault's source, with and without a centre to read first: one line
// naming the file, exit 1, and nothing in the folder changed.
void ExpectEachFaultReported(const std::vector<Fault>& faults) {
  ScratchFolder scratch;
  for (const Fault& fault : faults) {
    SCOPED_TRACE(fault.folder);
    const fs::path folder = scratch / fault.folder, source = folder / fault.name;
    fs::create_directory(folder);
    auto mount = fault.mounted == kSmallDisk ? Mount(folder, 64 * 1024) : nullptr;
    if (fault.mounted == kSmallDisk && !mount) GTEST_SKIP() << "cannot mount here (not root?)";
    WriteFile(source, fault.bytes);
    if (fault.change) fault.change(source);
    const fs::path result = folder / (fault.name.substr(0, fault.name.size() - 4) + "_.bmp");
    if (fault.name.ends_with(".bmp") && !fs::exists(result))
      WriteFile(result, {'e', 'a', 'r', 'l', 'i', 'e', 'r'});
    if (fault.mounted == kReadOnly) mount = Mount(folder, 0);
    if (fault.mounted != kNone && !mount) GTEST_SKIP() << "cannot mount here (not root?)";
    const auto before = Snapshot(folder);
    // The centre option reads the header before the run: it must not add a line or hang.
    for (const auto& centre : {std::vector<std::string>{}, {"--centre", "1,1"}}) {
      auto arguments = centre;
      arguments.push_back(source.string());
      const CliRun run = RunCli(arguments, 20);
      EXPECT_EQ(run.exitCode, 1) << run.err;
      EXPECT_EQ(run.errLines(), 1) << run.err;
      EXPECT_EQ(run.err.rfind("hosei-cli: ", 0), 0u) << run.err;
      EXPECT_NE(run.err.find(fault.message), std::string::npos) << run.err;
      EXPECT_NE(run.err.find((fault.namesResult ? result : source).string()), std::string::npos);
      EXPECT_EQ(run.out, "");
      EXPECT_EQ(Snapshot(folder), before);
    }
  }
}

const std::string kCannotWrite = "ファイルを書き込めません";

TEST(Faults, EachFileFaultEndsInOneLineAndLosesNothing) {
  const auto picture = Picture();
  const std::string notBitmap = kNot24BitBitmapMessage, cut = "ファイルが途中で切れています",
                    offset = "画素データの位置が範囲外";
  ExpectEachFaultReported({
      {"missing", "photo.bmp", picture, "ファイルを開けません",
       [](const fs::path& s) { fs::remove(s); }},
      {"folder", "photo.bmp", picture, "通常のファイルではありません",
       [](const fs::path& s) { fs::remove(s), fs::create_directory(s); }},
      {"fifo", "photo.bmp", picture, "通常のファイルではありません",
       [](const fs::path& s) { fs::remove(s), ::mkfifo(s.c_str(), 0644); }},
      {"link to itself", "photo.bmp", picture, "ファイルを開けません",
       [](const fs::path& s) { fs::remove(s), fs::create_symlink(s.filename(), s); }},
      {"text", "photo.bmp", {'n', 'o', 't', '\n'}, notBitmap},
      {"8-bit", "photo.bmp", Picture(16, 12, 8), notBitmap},
      {"cut in the header", "photo.bmp", Cut(20), notBitmap},
      {"写真 フォルダ", "壊れた 写真.bmp", Cut(629), cut},
      {"65535 claimed", "photo.bmp", Patched(18, 65535), cut},
      {"top-down", "photo.bmp", Patched(22, 0xFFFFFFF4), cut},
      {"width 0", "photo.bmp", Patched(18, 0), "幅または高さが 0"},
      {"height 0", "photo.bmp", Patched(22, 0), "幅または高さが 0"},
      {"offset 32768", "photo.bmp", Patched(10, 32768), offset},
      {"offset 53", "photo.bmp", Patched(10, 53), offset},
      {"short ascii", "a.b", picture, "ファイル名が短すぎます"},
      {"short 日本", "あいう", picture, "ファイル名が短すぎます"},
      {"result is a folder", "photo.bmp", picture, kCannotWrite,
       [](const fs::path& s) { fs::create_directories(s.parent_path() / "photo_.bmp" / "keep"); },
       true},
      {"result links back", "photo.bmp", picture, "元のファイルと同じ",
       [](const fs::path& s) {
         fs::rename(s, s.parent_path() / "photo_.bmp"), fs::create_symlink("photo_.bmp", s);
       },
       true},
  });
}

// Photos are told by their content; a broken one, or one with more than 8 bits a channel,
// is refused in the same way, whatever its name.
TEST(Faults, EachBrokenOrRefusedPhotoEndsInOneLineAndLosesNothing) {
  const std::string broken = "写真が壊れているため読み込めません",
                    refused = "この写真は処理できません";
  const std::vector<std::uint8_t> jpegStart = {0xFF, 0xD8, 0xFF, 0xE0, 0, 16, 'J', 'F', 'I', 'F',
                                               0,    1,    1,    0,    0, 1,  0,   1,   0,   0};
  auto jpegNoFrame = jpegStart;
  jpegNoFrame.insert(jpegNoFrame.end(), {0xFF, 0xD9});
  ExpectEachFaultReported({
      {"jpeg cut after its first segment", "IMG_0001.JPG", jpegStart, broken},
      {"jpeg without a frame", "IMG_0002.jpg", jpegNoFrame, broken},
      {"png of noise", "scan.png", Png(8, 2, {1, 2, 3, 4, 5}), broken},
      {"png 16 bits", "scan16.png", Png(16, 2, {0x78, 0x9C, 3, 0, 0, 0, 0, 1}), refused},
      {"tiff pointing nowhere", "scan.tiff", {'I', 'I', 42, 0, 0xFF, 0xFF, 0xFF, 0x7F}, broken},
      {"tiff cut", "scan.tif", {'M', 'M', 0, 42, 0}, broken},
      {"photo named as a bitmap", "photo.bmp", Png(8, 2, {9, 9, 9}), broken},
  });
}

// Needs a private mount: root only; reported as skipped elsewhere.
TEST(Faults, AReadOnlyOrFullDiskEndsInOneLineAndLosesNothing) {
  ExpectEachFaultReported({
      {"read-only 写 真", "写 真.bmp", Picture(), kCannotWrite, nullptr, true, kReadOnly},
      // 64 KiB holds the 36 KiB source and an earlier result, not a second copy.
      {"disk full", "photo.bmp", Picture(120, 100), kCannotWrite, nullptr, true, kSmallDisk},
  });
}

// Any text typed for an option is read as its leading number: out of range is refused with
// exit 2 and one line naming the option before any file is touched; otherwise the file is done.
TEST(Faults, OptionTextsAreReadByTheirLeadingNumber) {
  const std::string lots(100000, 'x');
  const std::vector<std::pair<std::vector<std::string>, int>> cases = {
      {{"--start", ""}, 2},
      {{"--start", "1e400"}, 2},
      {{"--start", "　50" + lots}, 0},
      {{"--coefficient", "５０"}, 2},
      {{"--mode", "fog", "--light-x", "0x10"}, 0},
      {{"--mode", "fog", "--size", "2147483647.5"}, 2},
      {{"--mode", "fog", "--brightness", "170.4"}, 2},  // 238.56 rounds to 239
      {{"--mode", "gamma", "--gamma", "nan"}, 2},
      {{"--background", std::string(100000, '9')}, 2},
      {{"--boundary", std::string(100000, 'S')}, 0},
      {{"--centre", "abc," + lots}, 0},  // no usable centre: the middle, with a note
  };
  ScratchFolder scratch;
  const auto picture = Picture(40, 30);
  WriteFile(scratch / "photo.bmp", picture);
  for (auto [arguments, exitCode] : cases) {
    const std::string option = arguments[arguments.size() - 2];
    SCOPED_TRACE(option + " " + arguments.back().substr(0, 20));
    fs::remove(scratch / "photo_.bmp");
    arguments.push_back((scratch / "photo.bmp").string());
    const CliRun run = RunCli(arguments);
    EXPECT_EQ(run.exitCode, exitCode) << run.err.substr(0, 200);
    EXPECT_LE(run.errLines(), 1) << run.err.substr(0, 200);
    EXPECT_EQ(fs::exists(scratch / "photo_.bmp"), exitCode == 0);
    EXPECT_EQ(exitCode == 2, run.err.find(option + " \"") != std::string::npos);
    EXPECT_EQ(ReadFile(scratch / "photo.bmp"), picture);
  }
}

TEST(Load, ManyFilesInOneRunWithSomeBadOnes) {
  ScratchFolder scratch;
  std::vector<std::string> arguments = {"--mode", "gamma", "--gamma", "1.4"}, bad;
  for (int i = 0; i < 200; ++i) {
    const fs::path path = scratch / ("card " + std::to_string(i) + ".bmp");
    arguments.push_back(path.string());
    if (i % 10 == 3 || i % 10 == 7) bad.push_back(path.string());
    if (i % 10 != 7) WriteFile(path, i % 10 == 3 ? Cut(100) : Picture(9, 7));  // 7: not there
  }
  const CliRun run = RunCli(arguments, 120);
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_EQ(std::count(run.out.begin(), run.out.end(), '\n'), 160);
  EXPECT_EQ(run.errLines(), 40) << run.err.substr(0, 2000);
  for (const std::string& path : bad) EXPECT_NE(run.err.find(path), std::string::npos);
  int results = 0, sources = 0;
  for (const auto& entry : fs::directory_iterator(scratch.path()))
    ++(entry.path().filename().string().ends_with("_.bmp") ? results : sources);
  EXPECT_EQ(results, 160);
  EXPECT_EQ(sources, 180) << "temporary files left behind";
}

// 30000 x 20000 pixels, 1.8 GB, sparse: real pixels only in the rows that are checked.
TEST(Load, ThirtyThousandByTwentyThousandStreamsInAFewMegabytes) {
  ScratchFolder scratch;
  if (std::getenv("HOSEI_SANITIZED") || fs::space(scratch.path()).available < (5ull << 30))
    GTEST_SKIP() << "needs 5 GB free and no sanitizers";
  constexpr int kWidth = 30000, kHeight = 20000;
  constexpr off_t kRow = kWidth * 3, kSize = 54 + kRow * kHeight;
  auto header = Picture(kWidth, 1);
  header[22] = kHeight & 0xFF, header[23] = kHeight >> 8;
  std::vector<std::uint8_t> row(kRow);
  for (int x = 0; x < kWidth; ++x) row[3 * x] = 100, row[3 * x + 1] = 150, row[3 * x + 2] = 200;
  const fs::path source = scratch / "panorama.bmp", result = scratch / "panorama_.bmp";
  const int fd = ::open(source.c_str(), O_WRONLY | O_CREAT, 0644);
  ASSERT_EQ(::pwrite(fd, header.data(), 54, 0), 54);
  for (int y : {1, kHeight / 2, kHeight})
    ASSERT_EQ(::pwrite(fd, row.data(), kRow, 54 + (y - 1) * kRow), kRow);
  ASSERT_EQ(::ftruncate(fd, kSize), 0);
  ::close(fd);

  const CliRun run = RunCli({source.string()}, 300);
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_LT(run.peakMemoryKiB, 64 * 1024) << "KiB: the photo must stream, not be held whole";
  ASSERT_EQ(fs::file_size(result), static_cast<std::uintmax_t>(kSize));
  const int in = ::open(result.c_str(), O_RDONLY);
  const auto pixelAt = [&](off_t x, off_t y) {
    std::uint8_t bgr[3] = {};
    EXPECT_EQ(::pread(in, bgr, 3, 54 + (y - 1) * kRow + 3 * (x - 1)), 3);
    return std::vector<int>{bgr[0], bgr[1], bgr[2]};
  };
  // The middle is inside the start radius; the far corner gets the full coefficient.
  EXPECT_EQ(pixelAt(kWidth / 2, kHeight / 2), (std::vector<int>{100, 150, 200}));
  EXPECT_EQ(pixelAt(kWidth, kHeight), (std::vector<int>{116, 167, 216}));
  ::close(in);
}

}  // namespace
}  // namespace hosei::test
