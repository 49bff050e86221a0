#include "tiff_reader.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "deep_rows.h"
#include "file_descriptor.h"
#include "photo_rows.h"
#include "photo_source.h"
#include "positioned_io.h"
#include "tiff_io.h"
#include "tiff_tags.h"
#include "tiff_writer.h"

namespace hosei {

namespace {

constexpr std::uint8_t kBigTiffVersion = 43;

bool KeptCompression(std::uint16_t compression) {
  switch (compression) {
    case COMPRESSION_NONE:
    case COMPRESSION_LZW:
    case COMPRESSION_ADOBE_DEFLATE:
    case COMPRESSION_DEFLATE:
    case COMPRESSION_PACKBITS:
      return TIFFIsCODECConfigured(compression) != 0;
    default:
      return false;
  }
}

// A number of `size` bytes as the file stores it.
std::uint32_t Word(const std::uint8_t* bytes, int size, bool bigEndian) {
  std::uint32_t value = 0;
  for (int i = 0; i < size; ++i)
    value |= std::uint32_t{bytes[bigEndian ? size - 1 - i : i]} << (8 * i);
  return value;
}

template <typename Sample>
const Sample* SamplesOf(const std::uint8_t* bytes) {
  return static_cast<const Sample*>(static_cast<const void*>(bytes));
}

// Row `r` of rows `stride` bytes apart.
void* RowAt(void* rows, std::size_t stride, int r) {
  return static_cast<std::uint8_t*>(rows) + static_cast<std::size_t>(r) * stride;
}

class TiffReader final : public PhotoSource {
 public:
  explicit TiffReader(std::string path) : path_(std::move(path)) {}
  ~TiffReader() override {
    if (tif_) TIFFCleanup(tif_);
  }
  TiffReader(const TiffReader&) = delete;
  TiffReader& operator=(const TiffReader&) = delete;

  FileError open();

  int width() const override { return static_cast<int>(plan_.width); }
  int height() const override { return static_cast<int>(plan_.height); }
  bool hasAlpha() const override { return layout_.alpha(); }
  SampleType sampleType() const override { return plan_.sampleType; }
  PhotoFormat format() const override { return PhotoFormat::kTiff; }
  bool grey() const override { return layout_.grey(); }

  FileError readRows(int count, std::uint8_t* bgr, std::size_t bgrStride, std::uint8_t* alpha,
                     std::size_t alphaStride) override;
  FileError readDeepRows(int count, void* bgr, std::size_t bgrStride, void* alpha,
                         std::size_t alphaStride) override;
  bool givesStoredRows() const override { return plan_.storedRows; }
  FileError readStoredRowsAt(int first, int count, void* rgb, std::size_t stride,
                             std::vector<std::uint8_t>&) const override;

  FileError createWriter(int fd, const std::string& path, const PhotoWriteOptions&,
                         std::unique_ptr<PhotoWriter>& writer) const override {
    return CreateTiffWriter(plan_, path_, fd, path, writer);
  }

 private:
  FileError failure() const;
  FileError openDirectories();
  FileError checkFormat();
  FileError listDirectory(std::uint64_t offset, std::vector<std::uint32_t>& listed);
  FileError checkTaken(const std::vector<std::uint32_t>& listed,
                       const std::vector<TiffTag>& taken) const;
  FileError checkLayout();
  FileError checkSamples(std::uint16_t bits, std::uint16_t format);
  FileError checkAlpha(int colours);
  FileError checkPredictor();
  FileError makeBuffers();
  bool storedAsRows() const;
  FileError takeStripPlaces();
  FileError readStoredRun(std::uint32_t y, int rows, std::uint8_t* to) const;
  FileError takeMetadata();
  FileError takeSubDirectory(std::uint64_t offset, int (*read)(TIFF*, toff_t), ProblemDetail broken,
                             std::vector<TiffTag>& tags);
  FileError loadTileRow(std::uint32_t tileRow);
  const std::uint8_t* nextRow(FileError& error);
  bool inRange(const std::uint8_t* samples) const;
  template <typename Use>
  FileError forEachRow(int count, Use use);
  template <typename Sample>
  void splitDeep(const std::uint8_t* samples, void* bgr, void* alpha) const;
  template <typename Sample>
  void reduceRow(const std::uint8_t* samples, std::uint8_t* bgr, std::uint8_t* alpha);

  std::string path_;
  FileDescriptor file_;
  TiffContext context_;
  TIFF* tif_ = nullptr;
  TiffPlan plan_;
  // What the file's directories list, counted before libtiff reads each one.
  std::size_t entries_ = 0;
  std::uint64_t carriedBytes_ = 0;
  std::vector<std::uint32_t> pictureTags_;  // carried tags listed with values
  SampleLayout layout_;
  std::size_t pixelBytes_ = 0;
  std::size_t rowBytes_ = 0;
  std::vector<std::uint8_t> row_;
  // Stored rows: each strip's offset and byte count, 0 where the file lists none. Taken
  // once, since libtiff may load them as they are asked for, which no two threads may do.
  std::vector<std::uint64_t> stripOffsets_;
  std::vector<std::uint64_t> stripBytes_;
  // A deep row as readDeepRows gives it, for readRows to reduce to bytes.
  std::vector<std::uint8_t> deepBgr_;
  std::vector<std::uint8_t> deepAlpha_;
  // Tiled pictures: one row of tiles, and the tile being read.
  std::uint32_t tileWidth_ = 0;
  std::uint32_t tileLength_ = 0;
  std::uint32_t loadedTileRow_ = UINT32_MAX;
  std::vector<std::uint8_t> tileRow_;
  std::vector<std::uint8_t> tile_;
  FileError failed_;
};

FileError TiffReader::failure() const {
  if (context_.stopped) return StoppedReading(path_);
  if (context_.readError)
    return FileError{FileProblem::kReadFailed, path_, std::strerror(context_.readError)};
  return CorruptPhoto(path_, ProblemDetail::kTiffCorrupt, {context_.message});
}

FileError TiffReader::checkFormat() {
  std::uint8_t head[8] = {};
  if (::pread(file_.get(), head, sizeof head, 0) != static_cast<ssize_t>(sizeof head))
    return CorruptPhoto(path_, ProblemDetail::kTiffHeaderTruncated);
  const bool little = head[0] == 'I';
  if ((little ? head[2] : head[3]) == kBigTiffVersion)
    return UnsupportedPhoto(path_, ProblemDetail::kBigTiff);
  plan_.bigEndian = !little;
  return listDirectory(Word(head + 4, 4, plan_.bigEndian), pictureTags_);
}

// libtiff's reading of a directory costs time growing with the square of its unknown tags,
// and memory for every value it holds, so what would go beyond the limits is refused from
// the directory's list of entries alone. A list cut short is left to libtiff to report.
FileError TiffReader::listDirectory(std::uint64_t offset, std::vector<std::uint32_t>& listed) {
  std::uint8_t head[2];
  if (::pread(file_.get(), head, sizeof head, static_cast<off_t>(offset)) != sizeof head) return {};
  std::vector<std::uint8_t> table(12 * std::size_t{Word(head, 2, plan_.bigEndian)});
  if (::pread(file_.get(), table.data(), table.size(), static_cast<off_t>(offset + 2)) !=
      static_cast<ssize_t>(table.size()))
    return {};
  entries_ += table.size() / 12;
  if (entries_ > kMaxTiffEntries)
    return UnsupportedPhoto(path_, ProblemDetail::kTiffTooManyTags,
                            {std::to_string(kMaxTiffEntries)});
  for (std::size_t at = 0; at < table.size(); at += 12) {
    const std::uint32_t tag = Word(&table[at], 2, plan_.bigEndian);
    const std::uint32_t type = Word(&table[at + 2], 2, plan_.bigEndian);
    const std::uint32_t values = Word(&table[at + 4], 4, plan_.bigEndian);
    // A tag without values carries nothing, and libtiff refuses to write one.
    if (values == 0 || !CarriedTag(tag, type)) continue;
    listed.push_back(tag);
    carriedBytes_ += std::uint64_t{values} *
                     static_cast<unsigned>(TIFFDataWidth(static_cast<TIFFDataType>(type)));
  }
  if (carriedBytes_ > kMaxCarriedBytes)
    return UnsupportedPhoto(path_, ProblemDetail::kTiffMetadataTooLarge);
  return {};
}

// libtiff goes on without a tag it cannot read or hold (cut short, of the wrong type, a
// value out of range), some with a warning, some with an error, some silently: the
// result would lack it. So each tag the directory lists must be among those taken.
FileError TiffReader::checkTaken(const std::vector<std::uint32_t>& listed,
                                 const std::vector<TiffTag>& taken) const {
  std::vector<std::uint32_t> got;
  for (const TiffTag& tag : taken) got.push_back(tag.tag);
  std::sort(got.begin(), got.end());
  for (std::uint32_t tag : listed) {
    if (std::binary_search(got.begin(), got.end(), tag)) continue;
    const TIFFField* field = TIFFFindField(tif_, tag, TIFF_ANY);
    const std::string name =
        field && !TIFFFieldIsAnonymous(field) ? std::string(" ") + TIFFFieldName(field) : "";
    return CorruptPhoto(path_, ProblemDetail::kTiffTagBroken, {name, std::to_string(tag)});
  }
  return {};
}

FileError TiffReader::checkLayout() {
  if (TIFFNumberOfDirectories(tif_) > 1)
    return UnsupportedPhoto(path_, ProblemDetail::kTiffSeveralPages);
  std::uint16_t subCount = 0;
  void* subOffsets = nullptr;
  if (TIFFGetField(tif_, TIFFTAG_SUBIFD, &subCount, &subOffsets) && subCount > 0)
    return UnsupportedPhoto(path_, ProblemDetail::kTiffSubImages);

  std::uint32_t width = 0, height = 0;
  TIFFGetField(tif_, TIFFTAG_IMAGEWIDTH, &width);
  TIFFGetField(tif_, TIFFTAG_IMAGELENGTH, &height);
  if (width < 1 || height < 1 || width > kMaxPhotoSide || height > kMaxPhotoSide)
    return UnsupportedPhoto(path_, ProblemDetail::kSideOutOfRange, {std::to_string(kMaxPhotoSide)});
  plan_.width = width;
  plan_.height = height;

  std::uint16_t bits = 1, samples = 1, format = SAMPLEFORMAT_UINT, planar = PLANARCONFIG_CONTIG;
  std::uint16_t photometric = 0xFFFF, compression = COMPRESSION_NONE;
  TIFFGetFieldDefaulted(tif_, TIFFTAG_BITSPERSAMPLE, &bits);
  TIFFGetFieldDefaulted(tif_, TIFFTAG_SAMPLESPERPIXEL, &samples);
  TIFFGetFieldDefaulted(tif_, TIFFTAG_SAMPLEFORMAT, &format);
  TIFFGetFieldDefaulted(tif_, TIFFTAG_PLANARCONFIG, &planar);
  TIFFGetFieldDefaulted(tif_, TIFFTAG_COMPRESSION, &compression);
  TIFFGetField(tif_, TIFFTAG_PHOTOMETRIC, &photometric);
  if (FileError error = checkSamples(bits, format)) return error;
  int colours = 0;
  if (photometric == PHOTOMETRIC_MINISBLACK || photometric == PHOTOMETRIC_MINISWHITE) colours = 1;
  if (photometric == PHOTOMETRIC_RGB) colours = 3;
  if (colours == 0) return UnsupportedPhoto(path_, ProblemDetail::kTiffColourModel);
  if (samples < colours || samples > colours + 1)
    return UnsupportedPhoto(path_, ProblemDetail::kTiffExtraChannels);
  if (samples > 1 && planar != PLANARCONFIG_CONTIG)
    return UnsupportedPhoto(path_, ProblemDetail::kTiffPlanar);
  if (!KeptCompression(compression))
    return UnsupportedPhoto(path_, ProblemDetail::kTiffCompression, {std::to_string(compression)});
  plan_.photometric = photometric;
  plan_.channels = samples;
  plan_.compression = compression;
  if (FileError error = checkAlpha(colours)) return error;
  if (FileError error = checkPredictor()) return error;
  layout_ = SampleLayout{samples, true, photometric == PHOTOMETRIC_MINISWHITE,
                         plan_.extraSample == EXTRASAMPLE_ASSOCALPHA};
  pixelBytes_ = std::size_t{samples} * BytesPerSample(plan_.sampleType);
  rowBytes_ = std::size_t{width} * pixelBytes_;
  return makeBuffers();
}

// BitsPerSample and SampleFormat together: unsigned integers of 8 or 16 bits, or IEEE
// floats of 32.
FileError TiffReader::checkSamples(std::uint16_t bits, std::uint16_t format) {
  if (format == SAMPLEFORMAT_IEEEFP) {
    if (bits != 32)
      return UnsupportedPhoto(path_, ProblemDetail::kTiffFloatBits, {std::to_string(bits)});
    plan_.sampleType = SampleType::kFloat32;
    return {};
  }
  if (format != SAMPLEFORMAT_UINT)
    return UnsupportedPhoto(path_, ProblemDetail::kTiffSignedOrComplex);
  if (bits != 8 && bits != 16)
    return UnsupportedPhoto(path_, ProblemDetail::kTiffIntegerBits, {std::to_string(bits)});
  plan_.sampleType = bits == 16 ? SampleType::kUint16 : SampleType::kUint8;
  return {};
}

FileError TiffReader::checkAlpha(int colours) {
  if (plan_.channels == colours) return {};
  std::uint16_t extraCount = 0;
  std::uint16_t* extra = nullptr;
  if (TIFFGetField(tif_, TIFFTAG_EXTRASAMPLES, &extraCount, &extra) && extraCount == 1 && extra)
    plan_.extraSample = extra[0];
  // Dividing deep colour by its alpha and multiplying it back would not give every stored
  // sample again, as it does for bytes.
  if (IsDeep(plan_.sampleType) && plan_.extraSample == EXTRASAMPLE_ASSOCALPHA)
    return UnsupportedPhoto(path_, ProblemDetail::kTiffDeepPremultiplied);
  return {};
}

// The floating-point predictor, which libtiff takes for floats only, besides horizontal
// differencing.
FileError TiffReader::checkPredictor() {
  std::uint16_t predictor = 0;
  if (plan_.compression == COMPRESSION_NONE || plan_.compression == COMPRESSION_PACKBITS ||
      !TIFFGetField(tif_, TIFFTAG_PREDICTOR, &predictor))
    return {};
  const bool floatingPoint =
      predictor == PREDICTOR_FLOATINGPOINT && plan_.sampleType == SampleType::kFloat32;
  if (predictor != PREDICTOR_NONE && predictor != PREDICTOR_HORIZONTAL && !floatingPoint)
    return UnsupportedPhoto(path_, ProblemDetail::kTiffPredictor, {std::to_string(predictor)});
  plan_.predictor = predictor;
  return {};
}

FileError TiffReader::makeBuffers() {
  try {
    if (IsDeep(plan_.sampleType)) {
      deepBgr_.resize(3 * std::size_t{plan_.width} * BytesPerSample(plan_.sampleType));
      deepAlpha_.resize(std::size_t{plan_.width} * BytesPerSample(plan_.sampleType));
    }
  } catch (const std::bad_alloc&) {
    return FileError{FileProblem::kOutOfMemory, path_, {}};
  }
  if (TIFFIsTiled(tif_)) {
    TIFFGetField(tif_, TIFFTAG_TILEWIDTH, &tileWidth_);
    TIFFGetField(tif_, TIFFTAG_TILELENGTH, &tileLength_);
    if (tileWidth_ == 0 || tileLength_ == 0)
      return CorruptPhoto(path_, ProblemDetail::kTiffZeroTile);
    const std::uint64_t across = (std::uint64_t{plan_.width} + tileWidth_ - 1) / tileWidth_;
    const std::uint64_t tileBytes = std::uint64_t{tileWidth_} * tileLength_ * pixelBytes_;
    if (across * tileBytes > kMaxBufferedBytes ||
        static_cast<std::uint64_t>(TIFFTileSize64(tif_)) != tileBytes)
      return UnsupportedPhoto(path_, ProblemDetail::kTiffTileTooLarge);
    try {
      tile_.resize(tileBytes);
      tileRow_.resize(rowBytes_ * tileLength_);
    } catch (const std::bad_alloc&) {
      return FileError{FileProblem::kOutOfMemory, path_, {}};
    }
  } else {
    if (static_cast<std::uint64_t>(TIFFScanlineSize64(tif_)) != rowBytes_)
      return CorruptPhoto(path_, ProblemDetail::kTiffRowLength);
    std::uint32_t rowsPerStrip = plan_.height;
    TIFFGetFieldDefaulted(tif_, TIFFTAG_ROWSPERSTRIP, &rowsPerStrip);
    plan_.rowsPerStrip = std::clamp<std::uint32_t>(rowsPerStrip, 1, plan_.height);
    row_.resize(rowBytes_);
    plan_.storedRows = storedAsRows();
    if (plan_.storedRows) return takeStripPlaces();
  }
  return {};
}

FileError TiffReader::takeStripPlaces() {
  const std::uint32_t strips = TIFFNumberOfStrips(tif_);
  try {
    stripOffsets_.assign(strips, 0);
    stripBytes_.assign(strips, 0);
  } catch (const std::bad_alloc&) {
    return FileError{FileProblem::kOutOfMemory, path_, {}};
  }
  for (std::uint32_t strip = 0; strip < strips; ++strip) {
    int countMissing = 0, offsetMissing = 0;
    const std::uint64_t bytes = TIFFGetStrileByteCountWithErr(tif_, strip, &countMissing);
    const std::uint64_t offset = TIFFGetStrileOffsetWithErr(tif_, strip, &offsetMissing);
    if (!countMissing && !offsetMissing) {
      stripBytes_[strip] = bytes;
      stripOffsets_[strip] = offset;
    }
  }
  return {};
}

// Deep RGB strips, uncompressed, in this machine's byte order and bit order: the file's
// bytes are the rows' samples as they are.
bool TiffReader::storedAsRows() const {
  std::uint16_t fillOrder = FILLORDER_MSB2LSB;
  TIFFGetFieldDefaulted(tif_, TIFFTAG_FILLORDER, &fillOrder);
  return IsDeep(plan_.sampleType) && plan_.photometric == PHOTOMETRIC_RGB && plan_.channels == 3 &&
         plan_.compression == COMPRESSION_NONE && !TIFFIsTiled(tif_) && !TIFFIsByteSwapped(tif_) &&
         fillOrder == FILLORDER_MSB2LSB;
}

FileError TiffReader::takeMetadata() {
  plan_.tags = TakeTags(tif_);
  if (FileError error = checkTaken(pictureTags_, plan_.tags)) return error;
  std::uint64_t exif = 0, gps = 0;
  const bool hasExif = TIFFGetField(tif_, TIFFTAG_EXIFIFD, &exif) != 0;
  const bool hasGps = TIFFGetField(tif_, TIFFTAG_GPSIFD, &gps) != 0;
  // Reading a sub-directory leaves the picture's; it is read again afterwards.
  if (hasExif)
    if (FileError error = takeSubDirectory(exif, TIFFReadEXIFDirectory,
                                           ProblemDetail::kTiffExifBroken, plan_.exif))
      return error;
  if (hasGps)
    if (FileError error =
            takeSubDirectory(gps, TIFFReadGPSDirectory, ProblemDetail::kTiffGpsBroken, plan_.gps))
      return error;
  if ((hasExif || hasGps) && !TIFFSetDirectory(tif_, 0)) return failure();
  return {};
}

FileError TiffReader::takeSubDirectory(std::uint64_t offset, int (*read)(TIFF*, toff_t),
                                       ProblemDetail broken, std::vector<TiffTag>& tags) {
  std::vector<std::uint32_t> listed;
  if (FileError error = listDirectory(offset, listed)) return error;
  if (!read(tif_, offset)) return CorruptPhoto(path_, broken);
  tags = TakeTags(tif_);
  return checkTaken(listed, tags);
}

FileError TiffReader::openDirectories() {
  if (FileError error = OpenPhotoFile(path_, file_)) return error;
  if (FileError error = checkFormat()) return error;
  context_.fd = file_.get();
  context_.reader = this;
  tif_ = TiffOnDescriptor(context_, path_.c_str(), "r");
  if (!tif_) return failure();
  if (FileError error = checkLayout()) return error;
  return takeMetadata();
}

// A stop makes every read fail, which libtiff reports as anything from a broken file to a
// directory that ends early, or not at all.
FileError TiffReader::open() {
  const FileError error = openDirectories();
  // From here on the rows ask the stop request between rows instead: a read failing in the
  // middle of a strip sends libtiff 4.5 down a path that writes outside its buffer (found
  // by AddressSanitizer).
  context_.reader = nullptr;
  return context_.stopped ? StoppedReading(path_) : error;
}

FileError TiffReader::loadTileRow(std::uint32_t tileRow) {
  const std::uint32_t top = tileRow * tileLength_;
  const std::size_t tileRowBytes = std::size_t{tileWidth_} * pixelBytes_;
  for (std::uint32_t left = 0; left < plan_.width; left += tileWidth_) {
    if (TIFFReadTile(tif_, tile_.data(), left, top, 0, 0) < 0) return failure();
    const std::size_t at = std::size_t{left} * pixelBytes_;
    const std::size_t used = std::min<std::size_t>(tileRowBytes, rowBytes_ - at);
    for (std::uint32_t y = 0; y < tileLength_; ++y)
      std::memcpy(tileRow_.data() + y * rowBytes_ + at, tile_.data() + y * tileRowBytes, used);
  }
  loadedTileRow_ = tileRow;
  return {};
}

const std::uint8_t* TiffReader::nextRow(FileError& error) {
  const auto y = static_cast<std::uint32_t>(rowsRead() - 1);
  if (tileLength_ == 0) {
    if (TIFFReadScanline(tif_, row_.data(), y, 0) < 0) {
      error = failure();
      return nullptr;
    }
    return row_.data();
  }
  if (y / tileLength_ != loadedTileRow_)
    if ((error = loadTileRow(y / tileLength_))) return nullptr;
  return tileRow_.data() + (y % tileLength_) * rowBytes_;
}

// Floats beyond 0..1 would have to be clipped, losing what the file holds, so a picture
// with one is refused wherever it is met.
bool TiffReader::inRange(const std::uint8_t* samples) const {
  return plan_.sampleType != SampleType::kFloat32 ||
         FloatSamplesInRange(SamplesOf<float>(samples),
                             std::size_t{plan_.width} * static_cast<std::size_t>(plan_.channels));
}

// The next `count` rows, each handed to `use` with its index among them and its samples as
// libtiff gives them (in host byte order). readRows and readDeepRows share this cursor.
template <typename Use>
FileError TiffReader::forEachRow(int count, Use use) {
  if (failed_) return failed_;
  if (count < 0 || count > height() - rowsRead()) return takeRows(count, path_);
  for (int r = 0; r < count; ++r) {
    if (stopRequested()) return failed_ = StoppedReading(path_);
    takeRows(1, path_);
    const std::uint8_t* samples = nextRow(failed_);
    if (!samples) return failed_;
    if (!inRange(samples))
      return failed_ = UnsupportedPhoto(path_, ProblemDetail::kFloatOutOfRange);
    use(r, samples);
  }
  return {};
}

template <typename Sample>
void TiffReader::splitDeep(const std::uint8_t* samples, void* bgr, void* alpha) const {
  SplitDeepRow(SamplesOf<Sample>(samples), width(), layout_, static_cast<Sample*>(bgr),
               static_cast<Sample*>(alpha));
}

template <typename Sample>
void TiffReader::reduceRow(const std::uint8_t* samples, std::uint8_t* bgr, std::uint8_t* alpha) {
  splitDeep<Sample>(samples, deepBgr_.data(), deepAlpha_.data());
  const auto w = static_cast<std::size_t>(width());
  ReduceToBytes(SamplesOf<Sample>(deepBgr_.data()), 3 * w, bgr);
  if (alpha && layout_.alpha()) ReduceToBytes(SamplesOf<Sample>(deepAlpha_.data()), w, alpha);
}

FileError TiffReader::readRows(int count, std::uint8_t* bgr, std::size_t bgrStride,
                               std::uint8_t* alpha, std::size_t alphaStride) {
  return forEachRow(count, [&](int r, const std::uint8_t* samples) {
    std::uint8_t* rowBgr = bgr + static_cast<std::size_t>(r) * bgrStride;
    std::uint8_t* rowAlpha = alpha ? alpha + static_cast<std::size_t>(r) * alphaStride : nullptr;
    switch (plan_.sampleType) {
      case SampleType::kUint8:
        SplitRow(samples, width(), layout_, rowBgr, rowAlpha);
        return;
      case SampleType::kUint16:
        reduceRow<std::uint16_t>(samples, rowBgr, rowAlpha);
        return;
      case SampleType::kFloat32:
        reduceRow<float>(samples, rowBgr, rowAlpha);
        return;
    }
  });
}

FileError TiffReader::readDeepRows(int count, void* bgr, std::size_t bgrStride, void* alpha,
                                   std::size_t alphaStride) {
  if (!IsDeep(plan_.sampleType))
    return PhotoSource::readDeepRows(count, bgr, bgrStride, alpha, alphaStride);
  return forEachRow(count, [&](int r, const std::uint8_t* samples) {
    void* rowBgr = RowAt(bgr, bgrStride, r);
    void* rowAlpha = alpha ? RowAt(alpha, alphaStride, r) : nullptr;
    if (plan_.sampleType == SampleType::kUint16)
      splitDeep<std::uint16_t>(samples, rowBgr, rowAlpha);
    else
      splitDeep<float>(samples, rowBgr, rowAlpha);
  });
}

// `rows` rows from row y, all within one strip, read straight into `to`.
FileError TiffReader::readStoredRun(std::uint32_t y, int rows, std::uint8_t* to) const {
  const std::uint32_t strip = y / plan_.rowsPerStrip;
  const std::uint64_t at = std::uint64_t{y % plan_.rowsPerStrip} * rowBytes_;
  const std::uint64_t bytes = std::uint64_t{rowBytes_} * static_cast<std::uint64_t>(rows);
  const std::uint64_t offset = strip < stripOffsets_.size() ? stripOffsets_[strip] : 0;
  if (offset == 0 || stripBytes_[strip] < at + bytes)
    return CorruptPhoto(path_, ProblemDetail::kTiffCorrupt,
                        {"strip " + std::to_string(strip) + " is shorter than its rows"});
  const long long got = ReadAt(file_.get(), to, static_cast<std::size_t>(bytes), offset + at);
  if (got < 0) return FileError{FileProblem::kReadFailed, path_, std::strerror(errno)};
  if (static_cast<std::uint64_t>(got) != bytes)
    return CorruptPhoto(path_, ProblemDetail::kTiffCorrupt,
                        {"strip " + std::to_string(strip) + " is cut short"});
  return {};
}

FileError TiffReader::readStoredRowsAt(int first, int count, void* rgb, std::size_t stride,
                                       std::vector<std::uint8_t>&) const {
  if (!plan_.storedRows) return UnsupportedPhoto(path_, ProblemDetail::kStoredRowsUnsupported);
  if (FileError error = CheckRowsWithin(first, count, height(), path_)) return error;
  auto* rows = static_cast<std::uint8_t*>(rgb);
  for (int r = 0; r < count;) {
    const auto y = static_cast<std::uint32_t>(first + r);
    const int run = RowsInOnePiece(y, count - r, plan_.rowsPerStrip, stride == rowBytes_);
    std::uint8_t* to = rows + static_cast<std::size_t>(r) * stride;
    if (FileError error = readStoredRun(y, run, to)) return error;
    for (int i = 0; i < run; ++i)
      if (!inRange(to + static_cast<std::size_t>(i) * stride))
        return UnsupportedPhoto(path_, ProblemDetail::kFloatOutOfRange);
    r += run;
  }
  return {};
}

}  // namespace

FileError OpenTiff(const std::string& path, std::unique_ptr<PhotoReader>& reader,
                   const StopRequest* stop) {
  return OpenWith<TiffReader>(path, reader, stop);
}

}  // namespace hosei
