#pragma once

// Photos written straight through Debian's libjpeg-turbo, libpng and libtiff, the way
// cameras and editors write them, and read back through hosei's own readers.

#include <tiffio.h>

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "file_error.h"
#include "photo_file.h"
#include "stop_request.h"
#include "test_bitmap.h"

namespace hosei::test {

// A picture as a codec stores it: top row first, `channels` samples a pixel (grey, grey and
// alpha, red green blue, red green blue alpha).
struct Picture {
  int width = 0;
  int height = 0;
  int channels = 3;
  Bytes samples;

  Bytes bgr() const;    // what a reader must deliver
  Bytes alpha() const;  // empty without alpha
};
Picture RandomPicture(int width, int height, int channels, unsigned seed);

// Everything a reader delivers, read a few rows at a time, or the first error.
struct Decoded {
  FileError error;
  int width = 0;
  int height = 0;
  bool grey = false;
  bool hasAlpha = false;
  Bytes bgr{};
  Bytes alpha{};
};
Decoded ReadPhoto(const std::string& path);
// Every row of a photo at its own depth (through readDeepRows, or readRows for bytes) after
// skipping `skip`, three at a time so that rows meet strip and tile boundaries at every
// offset: samples in host order as bytes.
struct DeepRead {
  FileError error;
  int width = 0;
  int height = 0;
  SampleType type = SampleType::kUint8;
  bool grey = false;
  bool hasAlpha = false;
  Bytes bgr;
  Bytes alpha;
};
DeepRead ReadDeep(const std::string& path, int skip = 0);
// Deep samples (host byte order) reduced to bytes, as the screen sees them.
Bytes ReducedDeep(SampleType type, const Bytes& deep);
// Every row as bytes, taken by readRows and readDeepRows in turn (these reduced here), so
// that the two must share one cursor; alpha apart.
struct ReducedRead {
  FileError error;
  Bytes bgr;
  Bytes alpha;
};
ReducedRead ReadReducedInTurn(const std::string& path);
// A photo's reader asked for rows at the other depth than its own, and its writer given
// them: what each answered. `opened` holds a failure to open or to start the writer.
struct OtherDepthAnswers {
  FileError opened;
  FileError read;
  FileError written;
};
OtherDepthAnswers AskAtTheOtherDepth(const std::string& path, bool deep, std::size_t sampleBytes);
// Streams a photo through its reader and writer unchanged, as Execute does.
FileError CopyPhoto(const std::string& source, const std::string& result,
                    const PhotoWriteOptions& options = {});
// The bytes that `write` puts into a file.
Bytes Encoded(const std::function<void(const std::string& path)>& write);
std::size_t Find(const Bytes& bytes, const std::string& what);

struct PngChunkBytes {
  std::string type;
  Bytes data;
  bool afterImage = false;
  bool operator==(const PngChunkBytes&) const = default;
};
struct PngLayout {
  int colourType = 2;  // PNG_COLOR_TYPE_*
  int bitDepth = 8;
  bool interlaced = false;
  Bytes palette{};       // 3 bytes an entry
  Bytes transparency{};  // tRNS as stored
  std::vector<PngChunkBytes> chunks{};
  bool wideSamples = false;  // 16 bits: `picture` holds each sample's two bytes, high first
};
// `picture` holds one sample (or palette index) a byte; depths below 8 are packed here,
// 16 bits repeat each byte unless the samples are wide.
void WritePng(const std::string& path, const Picture& picture, const PngLayout& layout = {});
// The chunks after IHDR except IDAT and IEND, and IHDR's colour type, depth and interlace.
struct PngFile {
  int colourType = -1;
  int bitDepth = 0;
  bool interlaced = false;
  std::vector<PngChunkBytes> chunks;
};
PngFile ParsePng(const Bytes& file);

struct TiffLayout {
  std::uint16_t compression = 1;
  std::uint16_t predictor = 0;
  std::uint16_t photometric = 2;
  int bits = 8;
  std::uint32_t tileSize = 0;  // 0: strips of rowsPerStrip rows
  std::uint32_t rowsPerStrip = 4;
  bool bigEndian = false;
  bool metadata = true;  // descriptive tags, EXIF and GPS directories, kPrivateTag
  int pages = 1;
  bool premultiplied = false;  // alpha stored as associated alpha
  // Also the descriptive tags libtiff keeps in fields of its own, FillOrder 2 among them.
  bool ownFields = false;
  std::uint16_t sampleFormat = SAMPLEFORMAT_UINT;  // written as a tag when another
};
inline constexpr int kPrivateTag = 65000;
TIFF* OpenTiffQuietly(const std::string& path, const char* mode);  // without libtiff's warnings
void WriteTiff(const std::string& path, const Picture& picture, const TiffLayout& layout = {});
// `layout.bits / 8` bytes a sample, `samples` holding them in host byte order as
// libtiff takes them, top row first.
void WriteTiffSamples(const std::string& path, int width, int height, int channels,
                      const Bytes& samples, const TiffLayout& layout = {});
// Where the strip byte counts of a little-endian TIFF's first directory lie, each with its
// size in bytes, as stored: libtiff mends a single uncompressed strip's count that looks too
// small as it reads it.
std::vector<std::pair<std::size_t, int>> StripByteCountPlaces(const Bytes& tiff);
std::vector<std::uint32_t> StoredStripByteCounts(const std::string& path);
// What libtiff tells of a file's main, EXIF and GPS directories as one text: the storage,
// the byte order, every tag (curves value by value) and every EXIF and GPS field; less
// where the directories lie and how many rows a strip holds.
std::string TiffDirectories(const std::string& path);

using JpegMarkers = std::vector<std::pair<int, Bytes>>;
struct JpegLayout {
  int components = 3;  // 1 grey, 3 YCbCr, 4 CMYK
  int h = 2, v = 2;    // sampling of the first component
  bool progressive = false;
  bool jfif = false;
  bool ownCrTable = false;  // the third component on a table of its own
  int quality = 85;
  JpegMarkers markers{};
  bool arithmetic = false;  // arithmetic instead of Huffman coding
};
void WriteJpeg(const std::string& path, const Picture& picture, const JpegLayout& layout = {});

// Peak resident memory of `work` run in a child process, in MiB above what the child
// started with: memory the parent freed is handed back and the peak reset first, so that
// neither hides what the work takes. growthMiB is -1 (and the work not run) where the peak
// cannot be reset.
struct ChildRun {
  double growthMiB = -1;
  FileProblem problem = FileProblem::kNone;
};
ChildRun InChild(const std::function<FileError()>& work);

// Answers no to its first `answeredNo` asks and stop to every later one, as a Ctrl-C stays
// pressed; counts the asks, from any thread.
class StopAfter final : public StopRequest {
 public:
  explicit StopAfter(long answeredNo) : answeredNo_(answeredNo) {}
  bool stopRequested() const override { return asks_.fetch_add(1) >= answeredNo_; }
  long asks() const { return asks_; }

 private:
  long answeredNo_;
  mutable std::atomic<long> asks_{0};
};

// A grey float FITS as its bytes, written here without cfitsio: header cards in 2880-byte
// blocks (END left out on request), then `samples` big-endian floats, sample(i) each.
Bytes FloatFitsBytes(int width, int height, std::size_t samples,
                     const std::function<float(std::size_t)>& sample, bool withEnd = true);
// What a camera and an editor leave: EXIF, XMP, an ICC profile split over two APP2
// segments, IPTC in APP13 and a comment.
JpegMarkers CameraMarkers();
// The segments before the first scan.
struct JpegFile {
  JpegMarkers markers;                         // APPn and COM, in order
  JpegMarkers tables;                          // DQT: id and the values as stored
  int frame = -1;                              // 0xC0, 0xC1, 0xC2, ...
  std::vector<std::array<int, 4>> components;  // id, h, v, table
};
JpegFile ParseJpeg(const Bytes& file);

}  // namespace hosei::test
