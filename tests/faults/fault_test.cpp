// hosei-cli on broken sources, results that cannot be written, odd option texts and heavy
// loads: one line on stderr, exit 1, and the folder exactly as it was.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "photo_test_support.h"

namespace hosei::test {
namespace {

namespace fs = std::filesystem;

ProgramRun RunCli(std::vector<std::string> arguments, unsigned seconds = 60) {
  arguments.insert(arguments.begin(), HOSEI_CLI_PATH);
  return RunProgram(arguments, seconds);
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

Bytes Picture(int width = 16, int height = 12) { return Sized(width, height).bytes(); }

// The 16 x 12 picture with one 32-bit header field changed, or cut to `size` bytes.
Bytes Patched(std::size_t at, unsigned value, std::size_t size = 630) {
  auto bytes = Picture();
  for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<std::uint8_t>(value >> 8 * i);
  bytes.resize(size);
  return bytes;
}
Bytes Cut(std::size_t size) { return Patched(2, 630, size); }

enum Mounted { kNone, kReadOnly, kSmallDisk };

struct Fault {
  std::string folder, name;  // the source's folder and file name
  Bytes bytes;
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
      const ProgramRun run = RunCli(arguments, 20);
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

const std::string kCannotWrite = "cannot write the file";

TEST(Faults, EachFileFaultEndsInOneLineAndLosesNothing) {
  const auto picture = Picture();
  const std::string notBitmap = "not a 24-bit Windows bitmap", cut = "the file ends too soon",
                    offset = "pixel data position is out of range", beyond = "exceeds 65535";
  ExpectEachFaultReported({
      {"missing", "photo.bmp", picture, "cannot open the file",
       [](const fs::path& s) { fs::remove(s); }},
      {"fifo", "photo.bmp", picture, "not a regular file",
       [](const fs::path& s) { fs::remove(s), ::mkfifo(s.c_str(), 0644); }},
      {"8-bit", "photo.bmp", Patched(28, 8), notBitmap},
      {"cut in the header", "photo.bmp", Cut(20), notBitmap},
      {"cut after the bit count's first byte", "photo.bmp", Cut(29), cut},  // the rest reads 0
      {"写真 フォルダ", "壊れた 写真.bmp", Cut(629), cut},
      // Read by their low words alone, these would correct the wrong bytes.
      {"top-down", "photo.bmp", Patched(22, 0xFFFFFFF4), beyond},
      {"width 65537", "photo.bmp", Patched(18, 65537), beyond},
      {"offset 65590", "photo.bmp", Patched(10, 65590), beyond},
      {"width 0", "photo.bmp", Patched(18, 0), "width or height 0"},
      {"height 0", "photo.bmp", Patched(22, 0), "width or height 0"},
      {"offset 32768", "photo.bmp", Patched(10, 32768), offset},
      {"offset 53", "photo.bmp", Patched(10, 53), offset},
      {"short 日本", "あいう", picture, "the file name is too short"},
      {"result is a folder", "photo.bmp", picture, kCannotWrite,
       [](const fs::path& s) { fs::create_directories(s.parent_path() / "photo_.bmp" / "keep"); },
       true},
      {"result links back", "photo.bmp", picture, "the result would be the source itself",
       [](const fs::path& s) {
         fs::rename(s, s.parent_path() / "photo_.bmp"), fs::create_symlink("photo_.bmp", s);
       },
       true},
  });
}

// Photos are told by their content; a broken one, or one hosei cannot correct (a float
// picture off the 0..1 scale), is refused in the same way, whatever its name.
TEST(Faults, EachBrokenOrRefusedPhotoEndsInOneLineAndLosesNothing) {
  const std::string broken = "the photo is broken and cannot be read",
                    refused = "this photo cannot be done";
  const Bytes jpegStart = {0xFF, 0xD8, 0xFF, 0xE0, 0, 16, 'J', 'F', 'I', 'F',
                           0,    1,    1,    0,    0, 1,  0,   1,   0,   0};
  Bytes png = Encoded([](const std::string& path) { WritePng(path, RandomPicture(16, 12, 3, 1)); });
  png[Find(png, "IDAT") + 40] ^= 0x55;
  // A float FITS of 4 x 3 samples, one of them `value`.
  const auto fits = [](bool withEnd, std::size_t samples, float value) {
    return FloatFitsBytes(
        4, 3, samples, [value](std::size_t i) { return i == 5 ? value : 0.25f; }, withEnd);
  };
  Bytes cutFits = fits(true, 12, 0.5f);
  cutFits.resize(2900);
  ExpectEachFaultReported({
      {"jpeg cut after its first segment", "IMG_0001.JPG", jpegStart, broken},
      {"png broken inside", "scan.png", png, broken},
      {"fits without END", "M42.fits", fits(false, 12, 0.5f), broken},
      {"fits cut in its data", "M42.fit", cutFits, broken},
      {"fits float above 1", "M42.fts", fits(true, 12, 2.0f), refused},
      {"fits float NaN", "M42.fits", fits(true, 12, std::nanf("")), refused},
      {"tiff pointing nowhere", "scan.tiff", {'I', 'I', 42, 0, 0xFF, 0xFF, 0xFF, 0x7F}, broken},
      {"photo named as a bitmap", "photo.bmp", png, broken},
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

// When the system will not start another thread (here: every thread's stack would need more
// address space than the process may have), the jobs, the worker pool and the photo pipeline
// all fall back to the threads they have: the same results, no crash.
TEST(Faults, WithNoThreadToSpareEveryFileIsStillDone) {
  if (std::getenv("HOSEI_SANITIZED")) GTEST_SKIP() << "sanitizers need more address space";
  ScratchFolder scratch;
  const fs::path bitmap = scratch / "big.bmp", photo = scratch / "big.png";
  WriteFile(bitmap, Uniform(2000, 700, {40, 60, 200}).bytes());
  WritePng(photo.string(), RandomPicture(1500, 900, 3, 5));
  const auto run = [&](const std::string& folder) {
    fs::create_directory(scratch / folder);
    return RunCli({"--jobs", "2", "--background", "90", "--output-dir", (scratch / folder).string(),
                   bitmap.string(), photo.string()});
  };
  const ProgramRun free = run("free");
  ASSERT_EQ(free.exitCode, 0) << free.err;

  rlimit stack{}, space{};
  ::getrlimit(RLIMIT_STACK, &stack);
  ::getrlimit(RLIMIT_AS, &space);
  rlimit hugeStack = stack, smallSpace = space;
  hugeStack.rlim_cur = std::min<rlim_t>(rlim_t{1} << 30, stack.rlim_max);
  smallSpace.rlim_cur = std::min<rlim_t>(rlim_t{768} << 20, space.rlim_max);
  ASSERT_EQ(::setrlimit(RLIMIT_STACK, &hugeStack), 0);
  ASSERT_EQ(::setrlimit(RLIMIT_AS, &smallSpace), 0);
  const ProgramRun held = run("held");  // the child inherits the limits
  ::setrlimit(RLIMIT_AS, &space);
  ::setrlimit(RLIMIT_STACK, &stack);
  ASSERT_EQ(held.exitCode, 0) << held.err;
  for (const char* result : {"big_.bmp", "big_.png"})
    EXPECT_EQ(ReadFile(scratch / "held" / result), ReadFile(scratch / "free" / result)) << result;
}

// 30000 x 20000 pixels, 1.8 GB, sparse: real pixels only in the rows that are checked.
TEST(Load, ThirtyThousandByTwentyThousandStreamsInAFewMegabytes) {
  ScratchFolder scratch;
  if (std::getenv("HOSEI_SANITIZED") || fs::space(scratch.path()).available < (5ull << 30))
    GTEST_SKIP() << "needs 5 GB free and no sanitizers";
  constexpr int kWidth = 30000, kHeight = 20000;
  constexpr off_t kRow = kWidth * 3, kSize = 54 + kRow * kHeight;
  const fs::path source = scratch / "panorama.bmp", result = scratch / "panorama_.bmp";
  WriteSparseBitmap(source, kWidth, kHeight);
  Bytes row(kRow);
  for (int x = 0; x < kWidth; ++x) row[3 * x] = 100, row[3 * x + 1] = 150, row[3 * x + 2] = 200;
  const int fd = ::open(source.c_str(), O_WRONLY);
  for (int y : {1, kHeight / 2, kHeight})
    ASSERT_EQ(::pwrite(fd, row.data(), kRow, 54 + (y - 1) * kRow), kRow);
  ::close(fd);

  const ProgramRun run = RunCli({source.string()}, 300);
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_LT(run.peakMemoryKiB, 64 * 1024) << "KiB: the photo must stream, not be held whole";
  ASSERT_EQ(fs::file_size(result), static_cast<std::uintmax_t>(kSize));
  const int in = ::open(result.c_str(), O_RDONLY);
  const auto pixelAt = [&](off_t x, off_t y) {
    std::uint8_t bgr[3] = {};
    EXPECT_EQ(::pread(in, bgr, 3, 54 + (y - 1) * kRow + 3 * (x - 1)), 3);
    return Bgr{bgr[0], bgr[1], bgr[2]};
  };
  // The middle is inside the start radius; the far corner gets the full coefficient.
  EXPECT_EQ(pixelAt(kWidth / 2, kHeight / 2), (Bgr{100, 150, 200}));
  EXPECT_EQ(pixelAt(kWidth, kHeight), (Bgr{116, 167, 216}));
  ::close(in);
}

}  // namespace
}  // namespace hosei::test
