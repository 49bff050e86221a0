#include "png_chunks.h"

#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <new>

#include "photo_source.h"
#include "positioned_io.h"

namespace hosei {

namespace {

constexpr std::uint64_t kSignatureSize = 8;
constexpr std::uint32_t kMaxChunkLength = 0x7FFFFFFF;

// Colour types of the IHDR chunk.
constexpr int kGrey = 0;
constexpr int kColour = 2;
constexpr int kPalette = 3;

std::uint32_t BigEndian(const std::uint8_t* b) {
  return std::uint32_t{b[0]} << 24 | std::uint32_t{b[1]} << 16 | std::uint32_t{b[2]} << 8 | b[3];
}

bool Is(const char* type, const char* name) { return std::memcmp(type, name, 4) == 0; }

// Whether the chunk describes the picture in a way a tone correction keeps true (or is
// metadata that does not describe pixels at all). sBIT is not: corrected samples use every
// bit, and a decoder that honours it would drop the correction's low bits.
bool KnownToCarry(const char* type) {
  static const char* const kKnown[] = {"iCCP", "sRGB", "gAMA", "cHRM", "cICP", "mDCV", "cLLI",
                                       "bKGD", "pHYs", "tEXt", "zTXt", "iTXt", "eXIf", "tIME",
                                       "sPLT", "oFFs", "pCAL", "sCAL", "sTER"};
  return std::any_of(std::begin(kKnown), std::end(kKnown),
                     [type](const char* name) { return Is(type, name); });
}

// Whether a tRNS chunk stays as stored: in a 16-bit picture it names the one transparent
// colour, and the result keeps the source's depth and colour type. One that does not fit
// the colour type is dropped, as libpng ignores it.
bool TransparentColourKept(const PngChunkScan& scan, std::uint32_t length) {
  return scan.bitDepth == 16 &&
         ((scan.colourType == kGrey && length == 2) || (scan.colourType == kColour && length == 6));
}

// Reads the file through a window, so that a walk over many small chunks costs a system
// call per window rather than two or three a chunk.
class ChunkWalk {
 public:
  ChunkWalk(int fd, const std::string& path) : fd_(fd), path_(path) {
    struct stat info {};
    if (::fstat(fd, &info) == 0) fileSize_ = static_cast<std::uint64_t>(info.st_size);
  }

  // Reads `size` bytes at `offset` or says why not.
  FileError read(std::uint8_t* buffer, std::size_t size, std::uint64_t offset) {
    if (size == 0) return {};  // an empty chunk's data: its buffer may be null
    if (offset < windowStart_ || offset + size > windowStart_ + windowSize_) {
      if (size >= window_.size()) return readDirectly(buffer, size, offset);
      const long long n = ReadAt(fd_, window_.data(), window_.size(), offset);
      if (n < 0) return FileError{FileProblem::kReadFailed, path_, std::strerror(errno)};
      windowStart_ = offset;
      windowSize_ = static_cast<std::size_t>(n);
      if (windowSize_ < size) return CorruptPhoto(path_, ProblemDetail::kPngTruncated);
    }
    std::memcpy(buffer, window_.data() + (offset - windowStart_), size);
    return {};
  }

  // The chunk's data, its CRC checked.
  FileError readData(const char* type, std::uint32_t length, std::uint64_t offset,
                     std::vector<std::uint8_t>& data) {
    // A length the file cannot hold is never allocated.
    if (offset + length + 4 > fileSize_) return CorruptPhoto(path_, ProblemDetail::kPngTruncated);
    try {
      data.resize(length);
    } catch (const std::bad_alloc&) {
      return FileError{FileProblem::kOutOfMemory, path_, {}};
    }
    std::uint8_t crc[4];
    if (FileError error = read(data.data(), length, offset)) return error;
    if (FileError error = read(crc, 4, offset + length)) return error;
    uLong expected = crc32(0L, reinterpret_cast<const Bytef*>(type), 4);
    // Not for an empty chunk: given no buffer, zlib returns the initial value instead.
    if (length > 0) expected = crc32(expected, data.data(), static_cast<uInt>(length));
    if (BigEndian(crc) != expected)
      return CorruptPhoto(path_, ProblemDetail::kPngCrcMismatch, {std::string(type, 4)});
    return {};
  }

 private:
  FileError readDirectly(std::uint8_t* buffer, std::size_t size, std::uint64_t offset) const {
    const long long n = ReadAt(fd_, buffer, size, offset);
    if (n < 0) return FileError{FileProblem::kReadFailed, path_, std::strerror(errno)};
    if (static_cast<std::size_t>(n) != size)
      return CorruptPhoto(path_, ProblemDetail::kPngTruncated);
    return {};
  }

  int fd_;
  const std::string& path_;
  std::uint64_t fileSize_ = 0;
  std::array<std::uint8_t, 16384> window_;
  std::uint64_t windowStart_ = 0;
  std::size_t windowSize_ = 0;
};

void ReadHeaderChunk(const std::vector<std::uint8_t>& data, PngChunkScan& scan) {
  scan.width = BigEndian(&data[0]);
  scan.height = BigEndian(&data[4]);
  scan.bitDepth = data[8];
  scan.colourType = data[9];
  scan.interlaced = data[12] != 0;
}

}  // namespace

FileError ScanPngChunks(int fd, const std::string& path, const PhotoSource& reader,
                        PngChunkScan& scan) {
  ChunkWalk walk(fd, path);
  std::uint64_t offset = kSignatureSize;
  std::size_t ancillary = 0;
  std::size_t carriedBytes = 0;
  bool seenHeader = false;
  bool seenImage = false;
  for (;;) {
    if (reader.stopRequested()) return StoppedReading(path);
    std::uint8_t head[8];
    if (FileError error = walk.read(head, sizeof head, offset)) return error;
    const std::uint32_t length = BigEndian(head);
    char type[4];
    std::memcpy(type, head + 4, 4);
    offset += sizeof head;
    if (length > kMaxChunkLength || !std::all_of(type, type + 4, [](char c) {
          return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
        }))
      return CorruptPhoto(path, ProblemDetail::kPngChunksBroken);
    const bool critical = (type[0] & 0x20) == 0;
    const bool safeToCopy = (type[3] & 0x20) != 0;
    if (!seenHeader && !Is(type, "IHDR"))
      return CorruptPhoto(path, ProblemDetail::kPngNoHeaderFirst);

    if (Is(type, "IEND")) break;
    if (Is(type, "IDAT")) {
      seenImage = true;
    } else if (Is(type, "IHDR")) {
      if (seenHeader) return CorruptPhoto(path, ProblemDetail::kPngTwoHeaders);
      if (length != 13) return CorruptPhoto(path, ProblemDetail::kPngHeaderBroken);
      seenHeader = true;
      std::vector<std::uint8_t> data;
      if (FileError error = walk.readData(type, length, offset, data)) return error;
      ReadHeaderChunk(data, scan);
    } else if (Is(type, "PLTE")) {
      // One longer than 256 entries is left to libpng to judge, unread.
      if (length <= 3 * 256)
        if (FileError error = walk.readData(type, length, offset, scan.palette)) return error;
    } else if (Is(type, "acTL") || Is(type, "fcTL") || Is(type, "fdAT")) {
      return UnsupportedPhoto(path, ProblemDetail::kPngAnimated);
    } else if (critical) {
      return UnsupportedPhoto(path, ProblemDetail::kPngUnknownCritical, {std::string(type, 4)});
    } else if (++ancillary > kMaxMetadataPieces) {
      // Dropped chunks count too: an empty one costs no bytes, but each costs time.
      return UnsupportedPhoto(path, ProblemDetail::kPngTooManyChunks);
    } else if (Is(type, "tRNS") && !TransparentColourKept(scan, length)) {
      scan.transparency = true;
    } else if (KnownToCarry(type) || safeToCopy || Is(type, "tRNS")) {
      carriedBytes += length;
      if (carriedBytes > kMaxCarriedBytes)
        return UnsupportedPhoto(path, ProblemDetail::kPngMetadataTooLarge);
      PngChunk chunk;
      std::memcpy(chunk.type, type, 4);
      chunk.afterImage = seenImage;
      if (FileError error = walk.readData(type, length, offset, chunk.data)) return error;
      try {
        scan.carried.push_back(std::move(chunk));
      } catch (const std::bad_alloc&) {
        return FileError{FileProblem::kOutOfMemory, path, {}};
      }
    }
    offset += std::uint64_t{length} + 4;
  }
  if (!seenImage) return CorruptPhoto(path, ProblemDetail::kPngNoImageData);
  return {};
}

void AdaptChunksToResult(PngChunkScan& scan) {
  auto& chunks = scan.carried;
  // Compacted in one pass: erasing each dropped chunk where it stands would move all those
  // after it, again and again in a file of many.
  auto kept = chunks.begin();
  for (PngChunk& chunk : chunks) {
    std::vector<std::uint8_t>& data = chunk.data;
    bool keep = true;
    if (Is(chunk.type, "bKGD") && scan.colourType == kPalette) {
      const std::size_t at = data.size() == 1 ? std::size_t{data[0]} * 3 : scan.palette.size();
      keep = at + 3 <= scan.palette.size();
      if (keep) data = {0, scan.palette[at], 0, scan.palette[at + 1], 0, scan.palette[at + 2]};
    } else if (Is(chunk.type, "bKGD") && scan.colourType == kGrey && scan.bitDepth < 8) {
      keep = data.size() == 2;
      if (keep) {
        const unsigned value = (unsigned{data[0]} << 8 | data[1]) & ((1u << scan.bitDepth) - 1);
        data = {0, static_cast<std::uint8_t>(value * 255 / ((1u << scan.bitDepth) - 1))};
      }
    }
    if (!keep) continue;
    if (&*kept != &chunk) *kept = std::move(chunk);
    ++kept;
  }
  chunks.erase(kept, chunks.end());
}

}  // namespace hosei
