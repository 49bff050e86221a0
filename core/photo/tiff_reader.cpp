#include "tiff_reader.h"

#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <new>
#include <vector>

#include "file_descriptor.h"
#include "photo_rows.h"
#include "photo_source.h"
#include "tiff_io.h"
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
  PhotoFormat format() const override { return PhotoFormat::kTiff; }
  bool grey() const override { return layout_.grey(); }

  FileError readRows(int count, std::uint8_t* bgr, std::size_t bgrStride, std::uint8_t* alpha,
                     std::size_t alphaStride) override;

  FileError createWriter(int fd, const std::string& path, const PhotoWriteOptions&,
                         std::unique_ptr<PhotoWriter>& writer) const override {
    return CreateTiffWriter(plan_, path_, fd, path, writer);
  }

 private:
  FileError failure() const;
  FileError checkFormat();
  FileError checkLayout();
  FileError takeMetadata();
  FileError loadTileRow(std::uint32_t tileRow);
  const std::uint8_t* nextRow(FileError& error);

  std::string path_;
  FileDescriptor file_;
  TiffContext context_;
  TIFF* tif_ = nullptr;
  TiffPlan plan_;
  SampleLayout layout_;
  std::size_t rowBytes_ = 0;
  std::vector<std::uint8_t> row_;
  // Tiled pictures: one row of tiles, and the tile being read.
  std::uint32_t tileWidth_ = 0;
  std::uint32_t tileLength_ = 0;
  std::uint32_t loadedTileRow_ = UINT32_MAX;
  std::vector<std::uint8_t> tileRow_;
  std::vector<std::uint8_t> tile_;
  FileError failed_;
};

FileError TiffReader::failure() const {
  if (context_.readError)
    return FileError{FileProblem::kReadFailed, path_, std::strerror(context_.readError)};
  return CorruptPhoto(path_, std::string("TIFF のデータが壊れています: ") + context_.message);
}

FileError TiffReader::checkFormat() {
  std::uint8_t head[4] = {};
  if (::pread(file_.get(), head, sizeof head, 0) != static_cast<ssize_t>(sizeof head))
    return CorruptPhoto(path_, "TIFF のヘッダーが途中で切れています");
  const bool little = head[0] == 'I';
  if ((little ? head[2] : head[3]) == kBigTiffVersion)
    return UnsupportedPhoto(path_, "BigTIFF は処理できません");
  plan_.bigEndian = !little;
  return {};
}

FileError TiffReader::checkLayout() {
  if (TIFFNumberOfDirectories(tif_) > 1)
    return UnsupportedPhoto(path_, "複数ページの TIFF は処理できません");
  std::uint16_t subCount = 0;
  void* subOffsets = nullptr;
  if (TIFFGetField(tif_, TIFFTAG_SUBIFD, &subCount, &subOffsets) && subCount > 0)
    return UnsupportedPhoto(path_, "副画像（SubIFD）を含む TIFF は処理できません");

  std::uint32_t width = 0, height = 0;
  TIFFGetField(tif_, TIFFTAG_IMAGEWIDTH, &width);
  TIFFGetField(tif_, TIFFTAG_IMAGELENGTH, &height);
  if (width < 1 || height < 1 || width > kMaxPhotoSide || height > kMaxPhotoSide)
    return UnsupportedPhoto(path_, "幅または高さが 1～65535 の範囲にありません");
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
  if (bits != 8)
    return UnsupportedPhoto(
        path_, std::to_string(bits) + " ビットの TIFF は処理できません（8 ビットのみ）");
  if (format != SAMPLEFORMAT_UINT)
    return UnsupportedPhoto(path_, "浮動小数点や符号付きの TIFF は処理できません");
  int colours = 0;
  if (photometric == PHOTOMETRIC_MINISBLACK || photometric == PHOTOMETRIC_MINISWHITE) colours = 1;
  if (photometric == PHOTOMETRIC_RGB) colours = 3;
  if (colours == 0)
    return UnsupportedPhoto(
        path_, "RGB でもグレーでもない TIFF（パレット、CMYK、YCbCr など）は処理できません");
  if (samples < colours || samples > colours + 1)
    return UnsupportedPhoto(path_, "アルファ以外の追加チャンネルを含む TIFF は処理できません");
  if (samples > 1 && planar != PLANARCONFIG_CONTIG)
    return UnsupportedPhoto(path_, "色ごとに分かれた（planar）TIFF は処理できません");
  if (!KeptCompression(compression))
    return UnsupportedPhoto(
        path_, "この圧縮方式（" + std::to_string(compression) + "）の TIFF は処理できません");
  plan_.photometric = photometric;
  plan_.channels = samples;
  plan_.compression = compression;
  if (samples > colours) {
    std::uint16_t extraCount = 0;
    std::uint16_t* extra = nullptr;
    if (TIFFGetField(tif_, TIFFTAG_EXTRASAMPLES, &extraCount, &extra) && extraCount == 1 && extra)
      plan_.extraSample = extra[0];
  }
  std::uint16_t predictor = 0;
  if (compression != COMPRESSION_NONE && compression != COMPRESSION_PACKBITS &&
      TIFFGetField(tif_, TIFFTAG_PREDICTOR, &predictor)) {
    if (predictor != PREDICTOR_NONE && predictor != PREDICTOR_HORIZONTAL)
      return UnsupportedPhoto(
          path_, "この予測方式（" + std::to_string(predictor) + "）の TIFF は処理できません");
    plan_.predictor = predictor;
  }
  layout_ = SampleLayout{samples, true, photometric == PHOTOMETRIC_MINISWHITE,
                         plan_.extraSample == EXTRASAMPLE_ASSOCALPHA};
  rowBytes_ = static_cast<std::size_t>(width) * samples;

  if (TIFFIsTiled(tif_)) {
    TIFFGetField(tif_, TIFFTAG_TILEWIDTH, &tileWidth_);
    TIFFGetField(tif_, TIFFTAG_TILELENGTH, &tileLength_);
    if (tileWidth_ == 0 || tileLength_ == 0)
      return CorruptPhoto(path_, "TIFF のタイルの大きさが 0 です");
    const std::uint64_t across = (std::uint64_t{width} + tileWidth_ - 1) / tileWidth_;
    const std::uint64_t tileBytes = std::uint64_t{tileWidth_} * tileLength_ * samples;
    if (across * tileBytes > kMaxBufferedBytes ||
        static_cast<std::uint64_t>(TIFFTileSize64(tif_)) != tileBytes)
      return UnsupportedPhoto(path_, "TIFF のタイルが大きすぎます");
    try {
      tile_.resize(tileBytes);
      tileRow_.resize(rowBytes_ * tileLength_);
    } catch (const std::bad_alloc&) {
      return FileError{FileProblem::kOutOfMemory, path_, {}};
    }
  } else {
    if (static_cast<std::uint64_t>(TIFFScanlineSize64(tif_)) != rowBytes_)
      return CorruptPhoto(path_, "TIFF の行の長さが合いません");
    std::uint32_t rowsPerStrip = height;
    TIFFGetFieldDefaulted(tif_, TIFFTAG_ROWSPERSTRIP, &rowsPerStrip);
    plan_.rowsPerStrip = std::clamp<std::uint32_t>(rowsPerStrip, 1, height);
    row_.resize(rowBytes_);
  }
  return {};
}

FileError TiffReader::takeMetadata() {
  plan_.hasOrientation = TIFFGetField(tif_, TIFFTAG_ORIENTATION, &plan_.orientation) != 0;
  plan_.hasResolution = TIFFGetField(tif_, TIFFTAG_XRESOLUTION, &plan_.xResolution) != 0 &&
                        TIFFGetField(tif_, TIFFTAG_YRESOLUTION, &plan_.yResolution) != 0;
  plan_.hasResolutionUnit = TIFFGetField(tif_, TIFFTAG_RESOLUTIONUNIT, &plan_.resolutionUnit) != 0;
  plan_.tags = TakeTags(tif_);
  std::uint64_t exif = 0, gps = 0;
  const bool hasExif = TIFFGetField(tif_, TIFFTAG_EXIFIFD, &exif) != 0;
  const bool hasGps = TIFFGetField(tif_, TIFFTAG_GPSIFD, &gps) != 0;
  // Reading a sub-directory leaves the picture's; it is read again afterwards.
  if (hasExif) {
    if (!TIFFReadEXIFDirectory(tif_, exif))
      return CorruptPhoto(path_, "TIFF の EXIF が壊れています");
    plan_.exif = TakeTags(tif_);
  }
  if (hasGps) {
    if (!TIFFReadGPSDirectory(tif_, gps))
      return CorruptPhoto(path_, "TIFF の GPS 情報が壊れています");
    plan_.gps = TakeTags(tif_);
  }
  if ((hasExif || hasGps) && !TIFFSetDirectory(tif_, 0)) return failure();
  std::size_t carried = 0;
  for (const auto* list : {&plan_.tags, &plan_.exif, &plan_.gps})
    for (const TiffTag& tag : *list) carried += tag.bytes.size();
  if (carried > kMaxCarriedBytes) return UnsupportedPhoto(path_, "TIFF のメタデータが大きすぎます");
  return {};
}

FileError TiffReader::open() {
  if (FileError error = OpenPhotoFile(path_, file_)) return error;
  if (FileError error = checkFormat()) return error;
  context_.fd = file_.get();
  tif_ = TiffOnDescriptor(context_, path_.c_str(), "r");
  if (!tif_) return failure();
  if (FileError error = checkLayout()) return error;
  if (FileError error = takeMetadata()) return error;
  if (context_.tagLost)
    return CorruptPhoto(path_, std::string("TIFF のタグが壊れています: ") + context_.lostTag);
  return {};
}

FileError TiffReader::loadTileRow(std::uint32_t tileRow) {
  const std::uint32_t top = tileRow * tileLength_;
  const std::size_t tileRowBytes = std::size_t{tileWidth_} * plan_.channels;
  for (std::uint32_t left = 0; left < plan_.width; left += tileWidth_) {
    if (TIFFReadTile(tif_, tile_.data(), left, top, 0, 0) < 0) return failure();
    const std::size_t used =
        std::min<std::size_t>(tileRowBytes, rowBytes_ - std::size_t{left} * plan_.channels);
    for (std::uint32_t y = 0; y < tileLength_; ++y)
      std::memcpy(tileRow_.data() + y * rowBytes_ + std::size_t{left} * plan_.channels,
                  tile_.data() + y * tileRowBytes, used);
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

FileError TiffReader::readRows(int count, std::uint8_t* bgr, std::size_t bgrStride,
                               std::uint8_t* alpha, std::size_t alphaStride) {
  if (failed_) return failed_;
  if (count < 0 || count > height() - rowsRead()) return takeRows(count, path_);
  for (int r = 0; r < count; ++r) {
    takeRows(1, path_);
    const std::uint8_t* samples = nextRow(failed_);
    if (!samples) return failed_;
    SplitRow(samples, width(), layout_, bgr + static_cast<std::size_t>(r) * bgrStride,
             alpha ? alpha + static_cast<std::size_t>(r) * alphaStride : nullptr);
  }
  return {};
}

}  // namespace

FileError OpenTiff(const std::string& path, std::unique_ptr<PhotoReader>& reader,
                   const StopRequest* stop) {
  return OpenWith<TiffReader>(path, reader, stop);
}

}  // namespace hosei
