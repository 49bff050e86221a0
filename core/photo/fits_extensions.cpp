#include "fits_extensions.h"

#include <sys/stat.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <climits>
#include <cstring>
#include <vector>

#include "fits_header.h"
#include "positioned_io.h"

namespace hosei {

namespace {

constexpr std::size_t kCopyBytes = std::size_t{1} << 16;
constexpr long long kBlock = static_cast<long long>(kFitsBlockBytes);

bool StartsAnExtension(int fd, long long at) {
  std::uint8_t head[8] = {};
  return ReadAt(fd, head, sizeof head, static_cast<std::uint64_t>(at)) == sizeof head &&
         std::memcmp(head, "XTENSION", sizeof head) == 0;
}

// Some programs pad a file with zeros after its last HDU, as cfitsio itself takes it.
bool IsZeroBlock(int fd, long long at) {
  std::array<std::uint8_t, kFitsBlockBytes> block{};
  const long long got = ReadAt(fd, block.data(), block.size(), static_cast<std::uint64_t>(at));
  return got > 0 && std::all_of(block.begin(), block.begin() + got, [](auto b) { return b == 0; });
}

}  // namespace

FileError FindFitsExtensions(int fd, long long begin, long long fileSize, std::size_t maxCards,
                             const PhotoSource& source, const std::string& path,
                             FitsExtensions& extensions) {
  extensions = {begin, begin, 0, false};
  for (int count = 0; extensions.end < fileSize; ++count) {
    if (source.stopRequested()) return StoppedReading(path);
    if (!StartsAnExtension(fd, extensions.end)) {
      if (IsZeroBlock(fd, extensions.end)) break;
      return CorruptPhoto(path, ProblemDetail::kFitsDataAfterLastUnit);
    }
    if (count == kMaxFitsExtensions)
      return UnsupportedPhoto(path, ProblemDetail::kFitsTooManyExtensions,
                              {std::to_string(kMaxFitsExtensions)});
    FitsHeaderScan scan;
    if (FileError error =
            ScanFitsHeader(fd, extensions.end, maxCards - extensions.cards, source, path, scan))
      return error;
    extensions.cards += scan.cards;
    if (count == 0) extensions.firstIsCompressedImage = scan.compressedImage;
    const auto bytes = scan.repeated ? std::nullopt : FitsDataBytes(scan, LLONG_MAX);
    if (!bytes) return CorruptPhoto(path, ProblemDetail::kFitsExtensionSizeUnreadable);
    if (*bytes > fileSize - scan.dataStart)
      return CorruptPhoto(path, ProblemDetail::kFitsExtensionTruncated);
    extensions.end = scan.dataStart + (*bytes + kBlock - 1) / kBlock * kBlock;
    if (extensions.end > fileSize)
      return CorruptPhoto(path, ProblemDetail::kFitsExtensionTruncated);
  }
  return {};
}

FileError CopyFitsExtensions(const FitsPlan& plan, int fd, const std::string& path) {
  const FitsExtensions& extensions = plan.extensions;
  if (extensions.end <= extensions.begin) return {};
  struct stat info {};
  if (::fstat(fd, &info) != 0) return CannotWritePhoto(path, errno);
  std::vector<std::uint8_t> buffer(kCopyBytes);
  const auto to = static_cast<std::uint64_t>(info.st_size);
  for (long long done = 0, total = extensions.end - extensions.begin; done < total;) {
    const std::size_t want = static_cast<std::size_t>(
        std::min<long long>(total - done, static_cast<long long>(buffer.size())));
    const long long got = ReadAt(plan.source->get(), buffer.data(), want,
                                 static_cast<std::uint64_t>(extensions.begin + done));
    if (got < 0) return FileError{FileProblem::kReadFailed, plan.sourcePath, std::strerror(errno)};
    if (got < static_cast<long long>(want))
      return CorruptPhoto(plan.sourcePath, ProblemDetail::kFitsExtensionTruncated);
    if (const int error = WriteAt(fd, buffer.data(), want, to + static_cast<std::uint64_t>(done)))
      return CannotWritePhoto(path, error);
    done += got;
  }
  return {};
}

}  // namespace hosei
