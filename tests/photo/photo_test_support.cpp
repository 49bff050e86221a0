#include "photo_test_support.h"

#include <fcntl.h>
#include <malloc.h>
#include <png.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <bit>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <random>
#include <stdexcept>

#include "deep_rows.h"
#include "file_descriptor.h"
#include "tiff_io.h"

// After <cstdio>: libjpeg's header uses FILE without declaring it.
#include <jpeglib.h>

namespace hosei::test {

Bytes Picture::bgr() const {
  Bytes out;
  for (std::size_t p = 0; p < samples.size(); p += static_cast<std::size_t>(channels)) {
    const std::uint8_t* s = &samples[p];
    out.insert(out.end(), {s[channels <= 2 ? 0 : 2], s[channels <= 2 ? 0 : 1], s[0]});
  }
  return out;
}

Bytes Picture::alpha() const {
  Bytes out;
  if (channels == 2 || channels == 4)
    for (std::size_t p = static_cast<std::size_t>(channels) - 1; p < samples.size(); p += channels)
      out.push_back(samples[p]);
  return out;
}

Picture RandomPicture(int width, int height, int channels, unsigned seed) {
  Picture picture{width, height, channels, Bytes(std::size_t(width) * height * channels)};
  std::mt19937 random(seed);
  for (auto& sample : picture.samples) sample = static_cast<std::uint8_t>(random());
  return picture;
}

Decoded ReadPhoto(const std::string& path) {
  Decoded d;
  std::unique_ptr<PhotoReader> reader;
  if ((d.error = OpenPhoto(path, reader))) return d;
  d.width = reader->width(), d.height = reader->height();
  d.grey = reader->grey(), d.hasAlpha = reader->hasAlpha();
  const auto w = static_cast<std::size_t>(d.width);
  // Claims of huge pictures are only read for their error, a few rows at a time.
  const bool keep = w * static_cast<std::size_t>(d.height) <= (std::size_t{1} << 22);
  const auto rows = static_cast<std::size_t>(keep ? d.height : 3);
  d.bgr.resize(3 * w * rows);
  d.alpha.resize(d.hasAlpha ? w * rows : 0);
  // Uneven chunks, so rows meet strip and tile boundaries at every offset.
  for (int y = 0, n = 3; y < d.height && !d.error; y += n) {
    n = std::min(n, d.height - y);
    const auto at = keep ? static_cast<std::size_t>(y) : 0;
    d.error =
        reader->readRows(n, &d.bgr[3 * w * at], 3 * w, d.hasAlpha ? &d.alpha[w * at] : nullptr, w);
  }
  return d;
}

DeepRead ReadDeep(const std::string& path, int skip) {
  DeepRead d;
  std::unique_ptr<PhotoReader> reader;
  if ((d.error = OpenPhoto(path, reader))) return d;
  d.width = reader->width(), d.height = reader->height();
  d.type = reader->sampleType(), d.grey = reader->grey(), d.hasAlpha = reader->hasAlpha();
  if ((d.error = reader->skipRows(skip))) return d;
  const bool deep = IsDeep(d.type);
  const auto w = static_cast<std::size_t>(d.width) * BytesPerSample(d.type);
  const auto rows = static_cast<std::size_t>(d.height - skip);
  d.bgr.resize(3 * w * rows);
  d.alpha.resize(d.hasAlpha ? w * rows : 0);
  for (int y = 0, n = 3; y < d.height - skip && !d.error; y += n) {
    n = std::min(n, d.height - skip - y);
    const auto at = static_cast<std::size_t>(y);
    std::uint8_t* alpha = d.hasAlpha ? &d.alpha[w * at] : nullptr;
    d.error = deep ? reader->readDeepRows(n, &d.bgr[3 * w * at], 3 * w, alpha, w)
                   : reader->readRows(n, &d.bgr[3 * w * at], 3 * w, alpha, w);
  }
  return d;
}

OtherDepthAnswers AskAtTheOtherDepth(const std::string& path, bool deep, std::size_t sampleBytes) {
  OtherDepthAnswers answers;
  std::unique_ptr<PhotoReader> reader;
  if ((answers.opened = OpenPhoto(path, reader))) return answers;
  const std::size_t stride = 3 * static_cast<std::size_t>(reader->width()) * sampleBytes;
  std::vector<std::uint8_t> rows(stride * static_cast<std::size_t>(reader->height()));
  answers.read = reader->readDeepRows(1, rows.data(), stride);
  FileDescriptor file(::open((path + "_").c_str(), O_RDWR | O_CREAT | O_TRUNC, 0644));
  std::unique_ptr<PhotoWriter> writer;
  if ((answers.opened = reader->createWriter(file.get(), path + "_", {}, writer))) return answers;
  answers.written = deep ? writer->writeRows(reader->height(), rows.data(), stride / sampleBytes)
                         : writer->writeDeepRows(reader->height(), rows.data(), stride);
  return answers;
}

FileError CopyPhoto(const std::string& source, const std::string& result,
                    const PhotoWriteOptions& options) {
  std::unique_ptr<PhotoReader> reader;
  if (FileError error = OpenPhoto(source, reader)) return error;
  FileDescriptor file(::open(result.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0644));
  std::unique_ptr<PhotoWriter> writer;
  if (FileError error = reader->createWriter(file.get(), result, options, writer)) return error;
  // At the photo's own depth, as Execute streams it.
  const bool deep = IsDeep(reader->sampleType());
  const auto w = static_cast<std::size_t>(reader->width()) * BytesPerSample(reader->sampleType());
  const int chunk = 5;
  Bytes bgr(3 * w * chunk), alpha(w * chunk);
  for (int y = 0; y < reader->height(); y += chunk) {
    const int n = std::min(chunk, reader->height() - y);
    if (FileError error = deep ? reader->readDeepRows(n, bgr.data(), 3 * w, alpha.data(), w)
                               : reader->readRows(n, bgr.data(), 3 * w, alpha.data(), w))
      return error;
    if (FileError error = deep ? writer->writeDeepRows(n, bgr.data(), 3 * w, alpha.data(), w)
                               : writer->writeRows(n, bgr.data(), 3 * w, alpha.data(), w))
      return error;
  }
  return writer->finish();
}

Bytes ReducedDeep(SampleType type, const Bytes& deep) {
  Bytes bytes(deep.size() / BytesPerSample(type));
  if (deep.empty()) return bytes;  // memcpy takes no null pointer, even for no bytes
  if (type == SampleType::kUint16) {
    std::vector<std::uint16_t> samples(bytes.size());
    std::memcpy(samples.data(), deep.data(), deep.size());
    ReduceToBytes(samples.data(), samples.size(), bytes.data());
  } else {
    std::vector<float> samples(bytes.size());
    std::memcpy(samples.data(), deep.data(), deep.size());
    ReduceToBytes(samples.data(), samples.size(), bytes.data());
  }
  return bytes;
}

ReducedRead ReadReducedInTurn(const std::string& path) {
  ReducedRead read;
  std::unique_ptr<PhotoReader> reader;
  if ((read.error = OpenPhoto(path, reader))) return read;
  const SampleType type = reader->sampleType();
  const auto w = static_cast<std::size_t>(reader->width());
  const auto h = static_cast<std::size_t>(reader->height());
  const std::size_t sample = BytesPerSample(type);
  const bool alpha = reader->hasAlpha();
  read.bgr.resize(3 * w * h);
  read.alpha.resize(alpha ? w * h : 0);
  for (std::size_t y = 0, n = 2; y < h && !read.error; y += n) {
    n = std::min(n, h - y);
    const int rows = static_cast<int>(n);
    if (y % 4 != 0) {
      read.error = reader->readRows(rows, &read.bgr[3 * w * y], 3 * w,
                                    alpha ? &read.alpha[w * y] : nullptr, w);
      continue;
    }
    Bytes deepBgr(3 * w * sample * n), deepAlpha(w * sample * n);
    read.error =
        reader->readDeepRows(rows, deepBgr.data(), 3 * w * sample, deepAlpha.data(), w * sample);
    const Bytes reducedBgr = ReducedDeep(type, deepBgr);
    std::copy(reducedBgr.begin(), reducedBgr.end(), &read.bgr[3 * w * y]);
    const Bytes reducedAlpha = ReducedDeep(type, deepAlpha);
    if (alpha) std::copy(reducedAlpha.begin(), reducedAlpha.end(), &read.alpha[w * y]);
  }
  return read;
}

ChildRun InChild(const std::function<FileError()>& work) {
  int channel[2];
  if (::pipe(channel) != 0) return {};
  const pid_t child = ::fork();
  if (child == 0) {
    ::close(channel[0]);
    ::malloc_trim(0);
    ChildRun run;
    if (FILE* peak = std::fopen("/proc/self/clear_refs", "w")) {
      const bool reset = std::fputs("5", peak) >= 0;
      if (std::fclose(peak) == 0 && reset) {
        rusage usage{};
        ::getrusage(RUSAGE_SELF, &usage);
        const long before = usage.ru_maxrss;
        run.problem = work().problem;
        ::getrusage(RUSAGE_SELF, &usage);
        run.growthMiB = static_cast<double>(usage.ru_maxrss - before) / 1024;
      }
    }
    const bool written = ::write(channel[1], &run, sizeof run) == sizeof run;
    ::_exit(written ? 0 : 1);
  }
  ::close(channel[1]);
  ChildRun run;
  if (child < 0 || ::read(channel[0], &run, sizeof run) != sizeof run) run = {};
  ::close(channel[0]);
  if (child > 0) ::waitpid(child, nullptr, 0);
  return run;
}

Bytes Encoded(const std::function<void(const std::string& path)>& write) {
  ScratchFolder folder;
  write(folder / "made");
  return ReadFile(folder / "made");
}

std::size_t Find(const Bytes& bytes, const std::string& what) {
  const Bytes pattern(what.begin(), what.end());
  return static_cast<std::size_t>(
      std::search(bytes.begin(), bytes.end(), pattern.begin(), pattern.end()) - bytes.begin());
}

namespace {

std::uint32_t BigEndian(const std::uint8_t* b) {
  return std::uint32_t{b[0]} << 24 | std::uint32_t{b[1]} << 16 | std::uint32_t{b[2]} << 8 | b[3];
}

// Packs one sample a byte into a PNG row of `depth` bits a sample.
Bytes PackRow(const std::uint8_t* samples, std::size_t count, int depth) {
  if (depth == 8) return Bytes(samples, samples + count);
  Bytes row((count * static_cast<std::size_t>(depth) + 7) / 8, 0);
  for (std::size_t i = 0, bit = 0; i < count; ++i, bit += static_cast<std::size_t>(depth)) {
    if (depth == 16)
      row[2 * i] = row[2 * i + 1] = samples[i];
    else
      row[bit / 8] |= static_cast<std::uint8_t>(samples[i] << (8 - depth - bit % 8));
  }
  return row;
}

const std::pair<ttag_t, const char*> kTiffTexts[] = {{TIFFTAG_ARTIST, "写真家"},
                                                     {TIFFTAG_COPYRIGHT, "(c) 2024"},
                                                     {TIFFTAG_DATETIME, "2024:05:06 07:08:09"},
                                                     {TIFFTAG_IMAGEDESCRIPTION, "a test picture"},
                                                     {TIFFTAG_MAKE, "Maker"},
                                                     {TIFFTAG_MODEL, "Model 7"},
                                                     {TIFFTAG_SOFTWARE, "camera firmware 1.0"}};

// Through libtiff's own setters, each of its own shape: pairs, curves (one per colour, the
// setter takes as many as there are colours), doubles.
void SetOwnTiffFields(TIFF* tif) {
  TIFFSetField(tif, TIFFTAG_SUBFILETYPE, FILETYPE_PAGE);
  TIFFSetField(tif, TIFFTAG_THRESHHOLDING, THRESHHOLD_HALFTONE);
  TIFFSetField(tif, TIFFTAG_FILLORDER, FILLORDER_LSB2MSB);
  TIFFSetField(tif, TIFFTAG_MINSAMPLEVALUE, 3);
  TIFFSetField(tif, TIFFTAG_MAXSAMPLEVALUE, 251);
  TIFFSetField(tif, TIFFTAG_SMINSAMPLEVALUE, 2.5);
  TIFFSetField(tif, TIFFTAG_SMAXSAMPLEVALUE, 252.5);
  TIFFSetField(tif, TIFFTAG_XPOSITION, 1.5);
  TIFFSetField(tif, TIFFTAG_YPOSITION, 2.25);
  TIFFSetField(tif, TIFFTAG_PAGENUMBER, 2, 5);
  TIFFSetField(tif, TIFFTAG_HALFTONEHINTS, 12, 240);
  TIFFSetField(tif, TIFFTAG_YCBCRPOSITIONING, YCBCRPOSITION_COSITED);
  static const float kBlackWhite[6] = {0, 255, 1, 254, 2, 253};
  TIFFSetField(tif, TIFFTAG_REFERENCEBLACKWHITE, kBlackWhite);
  static std::uint16_t curves[3][256];
  for (int c = 0; c < 3; ++c)
    for (int i = 0; i < 256; ++i) curves[c][i] = static_cast<std::uint16_t>(i * (250 + c));
  TIFFSetField(tif, TIFFTAG_TRANSFERFUNCTION, curves[0], curves[1], curves[2]);
  TIFFSetField(tif, TIFFTAG_DOCUMENTNAME, "scan 12");
  TIFFSetField(tif, TIFFTAG_PAGENAME, "page two");
  TIFFSetField(tif, TIFFTAG_HOSTCOMPUTER, "scanner host");
}

void SetTiffFields(TIFF* tif, const Picture& picture, const TiffLayout& layout) {
  TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, picture.width);
  TIFFSetField(tif, TIFFTAG_IMAGELENGTH, picture.height);
  TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, layout.bits);
  TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, picture.channels);
  TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, layout.photometric);
  TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
  TIFFSetField(tif, TIFFTAG_COMPRESSION, layout.compression);
  if (layout.predictor) TIFFSetField(tif, TIFFTAG_PREDICTOR, layout.predictor);
  if (layout.sampleFormat != SAMPLEFORMAT_UINT)
    TIFFSetField(tif, TIFFTAG_SAMPLEFORMAT, layout.sampleFormat);
  const std::uint16_t extra[] = {static_cast<std::uint16_t>(
      layout.premultiplied ? EXTRASAMPLE_ASSOCALPHA : EXTRASAMPLE_UNASSALPHA)};
  if (picture.channels == 2 || picture.channels == 4)
    TIFFSetField(tif, TIFFTAG_EXTRASAMPLES, 1, extra);
  if (layout.tileSize) {
    TIFFSetField(tif, TIFFTAG_TILEWIDTH, layout.tileSize);
    TIFFSetField(tif, TIFFTAG_TILELENGTH, layout.tileSize);
  } else {
    TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, layout.rowsPerStrip);
  }
  if (layout.ownFields) SetOwnTiffFields(tif);
  if (!layout.metadata) return;
  for (const auto& [tag, text] : kTiffTexts) TIFFSetField(tif, tag, text);
  TIFFSetField(tif, TIFFTAG_ORIENTATION, ORIENTATION_RIGHTTOP);
  TIFFSetField(tif, TIFFTAG_XRESOLUTION, 300.0);
  TIFFSetField(tif, TIFFTAG_YRESOLUTION, 150.0);
  TIFFSetField(tif, TIFFTAG_RESOLUTIONUNIT, RESUNIT_CENTIMETER);
  static const std::uint8_t kIcc[] = "fake ICC profile bytes \x00\x01\x02\xFF";
  static const char kXmp[] = "<x:xmpmeta xmlns:x='adobe:ns:meta/'/>";
  static const std::uint8_t kIptc[] = {0x1C, 0x02, 0x05, 0x00, 0x04, 'N', 'a', 'm', 'e', 0, 0, 0};
  TIFFSetField(tif, TIFFTAG_ICCPROFILE, std::uint32_t{sizeof kIcc}, kIcc);
  TIFFSetField(tif, TIFFTAG_XMLPACKET, std::uint32_t{sizeof kXmp - 1}, kXmp);
  TIFFSetField(tif, TIFFTAG_RICHTIFFIPTC, std::uint32_t{sizeof kIptc}, kIptc);
  // A maker's private tag, which libtiff knows nothing of.
  static char kPrivateName[] = "Private";
  static const TIFFFieldInfo kPrivate = {
      kPrivateTag, TIFF_VARIABLE2, TIFF_VARIABLE2, TIFF_BYTE, FIELD_CUSTOM, 1, 1, kPrivateName};
  TIFFMergeFieldInfo(tif, &kPrivate, 1);
  static const std::uint8_t kPrivateBytes[] = {9, 8, 7, 6, 5};
  TIFFSetField(tif, kPrivateTag, std::uint32_t{sizeof kPrivateBytes}, kPrivateBytes);
}

// EXIF and GPS directories first, as libtiff can write them before the picture.
void WriteSubDirectories(TIFF* tif, std::uint64_t& exif, std::uint64_t& gps) {
  TIFFCreateEXIFDirectory(tif);
  TIFFSetField(tif, EXIFTAG_EXPOSURETIME, 1.0 / 250);
  TIFFSetField(tif, EXIFTAG_DATETIMEORIGINAL, "2024:05:06 07:08:09");
  const char version[4] = {'0', '2', '3', '1'};
  TIFFSetField(tif, EXIFTAG_EXIFVERSION, version);
  const std::uint16_t iso[] = {400};
  TIFFSetField(tif, EXIFTAG_ISOSPEEDRATINGS, 1, iso);
  const std::uint8_t makerNote[] = {1, 2, 3, 4, 5, 6, 7, 8, 9};
  TIFFSetField(tif, EXIFTAG_MAKERNOTE, std::uint32_t{sizeof makerNote}, makerNote);
  if (!TIFFWriteCustomDirectory(tif, &exif)) throw std::runtime_error("EXIF");
  TIFFFreeDirectory(tif);  // libtiff 4.5.0 would leak it
  TIFFCreateGPSDirectory(tif);
  const std::uint8_t gpsVersion[4] = {2, 3, 0, 0};
  TIFFSetField(tif, GPSTAG_VERSIONID, gpsVersion);
  TIFFSetField(tif, GPSTAG_LATITUDEREF, "N");
  const double latitude[3] = {35, 41, 22.5};
  const float latitudeFloat[3] = {35, 41, 22.5f};
  const bool doubles = TIFFFieldSetGetSize(TIFFFieldWithTag(tif, GPSTAG_LATITUDE)) == 8;
  TIFFSetField(tif, GPSTAG_LATITUDE, doubles ? static_cast<const void*>(latitude) : latitudeFloat);
  if (!TIFFWriteCustomDirectory(tif, &gps)) throw std::runtime_error("GPS");
  TIFFFreeDirectory(tif);
  TIFFCreateDirectory(tif);
}

int IgnoreWarning(TIFF*, void*, const char*, const char*, va_list) { return 1; }

// libtiff may change what it is given in place (byte order, predictor), so each strip row
// and tile goes from a copy; float samples for the floating-point predictor turned round
// first where libtiff would write them wrongly otherwise.
void WriteTiffPicture(TIFF* tif, Bytes samples, int width, int height, std::size_t pixel,
                      const TiffLayout& layout) {
  if (layout.sampleFormat == SAMPLEFORMAT_IEEEFP && layout.predictor == PREDICTOR_FLOATINGPOINT &&
      TIFFIsByteSwapped(tif) && TiffSwapsBeforeFloatPredictor())
    SwapSampleBytes(samples.data(), samples.size() / 4, 4);
  const int tileSize = static_cast<int>(layout.tileSize);
  const std::size_t rowBytes = static_cast<std::size_t>(width) * pixel;
  for (int y = 0; tileSize && y < height; y += tileSize)
    for (int x = 0; x < width; x += tileSize) {
      Bytes tile(static_cast<std::size_t>(tileSize * tileSize) * pixel, 0);
      for (int r = 0; r < tileSize && y + r < height; ++r)
        for (int c = 0; c < tileSize && x + c < width; ++c)
          std::memcpy(&tile[(r * tileSize + c) * pixel],
                      &samples[(y + r) * rowBytes + (x + c) * pixel], pixel);
      TIFFWriteTile(tif, tile.data(), x, y, 0, 0);
    }
  for (int y = 0; !tileSize && y < height; ++y) {
    Bytes row(&samples[y * rowBytes], &samples[y * rowBytes] + rowBytes);
    TIFFWriteScanline(tif, row.data(), static_cast<std::uint32_t>(y), 0);
  }
}

}  // namespace

TIFF* OpenTiffQuietly(const std::string& path, const char* mode) {
  TIFFOpenOptions* options = TIFFOpenOptionsAlloc();
  TIFFOpenOptionsSetWarningHandlerExtR(options, IgnoreWarning, nullptr);
  TIFF* tif = TIFFOpenExt(path.c_str(), mode, options);
  TIFFOpenOptionsFree(options);
  return tif;
}

void WritePng(const std::string& path, const Picture& picture, const PngLayout& layout) {
  FILE* file = std::fopen(path.c_str(), "wb");
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  png_init_io(png, file);
  png_set_IHDR(png, info, static_cast<png_uint_32>(picture.width),
               static_cast<png_uint_32>(picture.height), layout.bitDepth, layout.colourType,
               layout.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  if (!layout.palette.empty())
    png_set_PLTE(png, info, reinterpret_cast<png_const_colorp>(layout.palette.data()),
                 static_cast<int>(layout.palette.size() / 3));
  if (const Bytes& t = layout.transparency; !t.empty()) {
    const auto at = [&t](std::size_t i) { return static_cast<png_uint_16>(t[i] << 8 | t[i + 1]); };
    png_color_16 key{};
    if (layout.colourType == PNG_COLOR_TYPE_GRAY) key.gray = at(0);
    if (layout.colourType == PNG_COLOR_TYPE_RGB)
      key.red = at(0), key.green = at(2), key.blue = at(4);
    png_set_tRNS(png, info, t.data(), static_cast<int>(t.size()), &key);
  }
  // The colour space chunks must come before the palette, the others may follow it.
  const auto write = [&](bool beforePalette, bool afterImage) {
    for (const auto& chunk : layout.chunks) {
      const bool colourSpace = chunk.type == "gAMA" || chunk.type == "cHRM" ||
                               chunk.type == "iCCP" || chunk.type == "sBIT";
      if (chunk.afterImage == afterImage && (afterImage || colourSpace == beforePalette))
        png_write_chunk(png, reinterpret_cast<png_const_bytep>(chunk.type.data()),
                        chunk.data.data(), chunk.data.size());
    }
  };
  png_write_info_before_PLTE(png, info);
  write(true, false);
  png_write_info(png, info);
  write(false, false);
  const std::size_t wide = layout.wideSamples ? 2 : 1;
  const std::size_t rowSamples = picture.width * wide * picture.channels;
  const int passes = layout.interlaced ? png_set_interlace_handling(png) : 1;
  for (int pass = 0; pass < passes; ++pass)
    for (int y = 0; y < picture.height; ++y)
      png_write_row(png, PackRow(&picture.samples[y * rowSamples], rowSamples,
                                 layout.wideSamples ? 8 : layout.bitDepth)
                             .data());
  write(false, true);
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  std::fclose(file);
}

PngFile ParsePng(const Bytes& file) {
  PngFile parsed;
  bool afterImage = false;
  for (std::size_t at = 8; at + 12 <= file.size(); at += 12 + BigEndian(&file[at])) {
    const std::string type(&file[at + 4], &file[at + 8]);
    const Bytes data(&file[at + 8], &file[at + 8] + BigEndian(&file[at]));
    if (type == "IHDR")
      parsed.bitDepth = data[8], parsed.colourType = data[9], parsed.interlaced = data[12] != 0;
    else if (type == "IDAT")
      afterImage = true;
    else if (type != "IEND")
      parsed.chunks.push_back({type, data, afterImage});
  }
  return parsed;
}

void WriteTiff(const std::string& path, const Picture& picture, const TiffLayout& layout) {
  Bytes samples;
  for (std::uint8_t s : picture.samples) samples.insert(samples.end(), layout.bits / 8, s);
  WriteTiffSamples(path, picture.width, picture.height, picture.channels, samples, layout);
}

void WriteTiffSamples(const std::string& path, int width, int height, int channels,
                      const Bytes& samples, const TiffLayout& layout) {
  TIFF* tif = OpenTiffQuietly(path, layout.bigEndian ? "wb" : "wl");
  const std::size_t pixel = static_cast<std::size_t>(channels) * (layout.bits / 8);
  for (int page = 0; page < layout.pages; ++page) {
    std::uint64_t exif = 0, gps = 0;
    if (layout.metadata && page == 0) WriteSubDirectories(tif, exif, gps);
    SetTiffFields(tif, Picture{width, height, channels, {}}, layout);
    if (exif) TIFFSetField(tif, TIFFTAG_EXIFIFD, exif);
    if (gps) TIFFSetField(tif, TIFFTAG_GPSIFD, gps);
    WriteTiffPicture(tif, samples, width, height, pixel, layout);
    TIFFWriteDirectory(tif);
  }
  TIFFClose(tif);
}

namespace {
std::uint32_t Little(const Bytes& bytes, std::size_t at, int size) {
  std::uint32_t value = 0;
  for (int i = size - 1; i >= 0; --i) value = value << 8 | bytes.at(at + i);
  return value;
}
}  // namespace

std::vector<std::pair<std::size_t, int>> StripByteCountPlaces(const Bytes& tiff) {
  std::vector<std::pair<std::size_t, int>> places;
  const std::size_t directory = Little(tiff, 4, 4);
  for (std::uint32_t e = 0; e < Little(tiff, directory, 2); ++e) {
    const std::size_t entry = directory + 2 + 12 * e;
    if (Little(tiff, entry, 2) != TIFFTAG_STRIPBYTECOUNTS) continue;
    const int size = Little(tiff, entry + 2, 2) == TIFF_SHORT ? 2 : 4;
    const std::uint32_t count = Little(tiff, entry + 4, 4);
    const std::size_t values = count * size <= 4 ? entry + 8 : Little(tiff, entry + 8, 4);
    for (std::uint32_t i = 0; i < count; ++i) places.emplace_back(values + i * size, size);
  }
  return places;
}

std::vector<std::uint32_t> StoredStripByteCounts(const std::string& path) {
  const Bytes bytes = ReadFile(path);
  std::vector<std::uint32_t> counts;
  for (const auto& [at, size] : StripByteCountPlaces(bytes))
    counts.push_back(Little(bytes, at, size));
  return counts;
}

std::string TiffDirectories(const std::string& path) {
  TIFF* tif = OpenTiffQuietly(path, "r");
  toff_t exif = 0, gps = 0;
  TIFFGetField(tif, TIFFTAG_EXIFIFD, &exif);
  TIFFGetField(tif, TIFFTAG_GPSIFD, &gps);
  std::string all = "byte-swapped " + std::to_string(TIFFIsByteSwapped(tif)) + "\n";
  for (std::uint32_t tag : {TIFFTAG_ICCPROFILE, TIFFTAG_RICHTIFFIPTC}) {  // dumped as sizes
    std::uint32_t count = 0;
    const char* data = nullptr;
    if (TIFFGetField(tif, tag, &count, &data)) all += std::string(data, count) + "\n";
  }
  char* text = nullptr;
  std::size_t size = 0;
  std::FILE* out = ::open_memstream(&text, &size);
  TIFFPrintDirectory(tif, out, TIFFPRINT_CURVES);
  if (exif && TIFFReadEXIFDirectory(tif, exif)) TIFFPrintDirectory(tif, out, TIFFPRINT_NONE);
  if (gps && TIFFReadGPSDirectory(tif, gps)) TIFFPrintDirectory(tif, out, TIFFPRINT_NONE);
  std::fclose(out);
  TIFFClose(tif);
  for (const std::string& line : Lines(std::string(text, size)))
    if (line.find("ffset") == std::string::npos && line.find("Rows/Strip") == std::string::npos)
      all += line + "\n";
  std::free(text);
  return all;
}

void WriteJpeg(const std::string& path, const Picture& picture, const JpegLayout& layout) {
  FILE* file = std::fopen(path.c_str(), "wb");
  jpeg_compress_struct cinfo{};
  jpeg_error_mgr errors{};
  cinfo.err = jpeg_std_error(&errors);
  jpeg_create_compress(&cinfo);
  jpeg_stdio_dest(&cinfo, file);
  cinfo.image_width = static_cast<JDIMENSION>(picture.width);
  cinfo.image_height = static_cast<JDIMENSION>(picture.height);
  cinfo.input_components = layout.components;
  cinfo.in_color_space = layout.components == 1   ? JCS_GRAYSCALE
                         : layout.components == 3 ? JCS_RGB
                                                  : JCS_CMYK;
  jpeg_set_defaults(&cinfo);
  jpeg_set_quality(&cinfo, layout.quality, TRUE);
  cinfo.comp_info[0].h_samp_factor = layout.h;
  cinfo.comp_info[0].v_samp_factor = layout.v;
  if (layout.ownCrTable) {  // a third table, a little coarser than the chrominance one
    cinfo.quant_tbl_ptrs[2] = jpeg_alloc_quant_table(reinterpret_cast<j_common_ptr>(&cinfo));
    for (int i = 0; i < DCTSIZE2; ++i)
      cinfo.quant_tbl_ptrs[2]->quantval[i] =
          static_cast<UINT16>(cinfo.quant_tbl_ptrs[1]->quantval[i] + 3);
    cinfo.comp_info[2].quant_tbl_no = 2;
  }
  if (layout.progressive) jpeg_simple_progression(&cinfo);
  cinfo.arith_code = layout.arithmetic ? TRUE : FALSE;
  cinfo.write_JFIF_header = layout.jfif ? TRUE : FALSE;
  jpeg_start_compress(&cinfo, TRUE);
  for (const auto& [code, bytes] : layout.markers)
    jpeg_write_marker(&cinfo, code, bytes.data(), static_cast<unsigned>(bytes.size()));
  const std::size_t rowBytes = static_cast<std::size_t>(picture.width) * picture.channels;
  for (int y = 0; y < picture.height; ++y) {
    JSAMPROW row = const_cast<std::uint8_t*>(&picture.samples[y * rowBytes]);
    jpeg_write_scanlines(&cinfo, &row, 1);
  }
  jpeg_finish_compress(&cinfo);
  jpeg_destroy_compress(&cinfo);
  std::fclose(file);
}

JpegMarkers CameraMarkers() {
  const auto text = [](std::string_view s, std::size_t size = 0, std::uint8_t fill = 0) {
    Bytes bytes(s.begin(), s.end());
    if (size) bytes.resize(size, fill);
    return bytes;
  };
  using namespace std::literals;
  return {{0xE1, text("Exif\0\0MM\0*"sv, 300, 0x42)},
          {0xE1, text("http://ns.adobe.com/xap/1.0/\0<x:xmpmeta/>"sv)},
          {0xE2, text("ICC_PROFILE\0\x01\x02"sv, 65533, 0x11)},
          {0xE2, text("ICC_PROFILE\0\x02\x02"sv, 900, 0x22)},
          {0xED, text("Photoshop 3.0\08BIM\x04\x04"sv)},
          {0xFE, text("hosei test comment")}};
}

JpegFile ParseJpeg(const Bytes& file) {
  JpegFile parsed;
  for (std::size_t at = 2; at + 4 <= file.size() && file[at] == 0xFF;) {
    const int code = file[at + 1];
    const std::size_t length = std::size_t{file[at + 2]} << 8 | file[at + 3];
    const Bytes data(&file[at + 4], &file[at + 2] + length);
    if ((code >= 0xE0 && code <= 0xEF) || code == 0xFE) parsed.markers.push_back({code, data});
    const auto tableSize = [&data](std::size_t t) -> std::size_t {
      return data[t] >> 4 ? 128 : 64;
    };
    for (std::size_t t = 0; code == 0xDB && t < data.size(); t += 1 + tableSize(t))
      parsed.tables.push_back({data[t] & 15, Bytes(&data[t + 1], &data[t + 1] + tableSize(t))});
    if (code >= 0xC0 && code <= 0xCF && code != 0xC4 && code != 0xC8 && code != 0xCC) {
      parsed.frame = code;
      for (int c = 0; c < data[5]; ++c)
        parsed.components.push_back(
            {data[6 + 3 * c], data[7 + 3 * c] >> 4, data[7 + 3 * c] & 15, data[8 + 3 * c]});
    }
    if (code == 0xDA) break;
    at += 2 + length;
  }
  return parsed;
}

Bytes FloatFitsBytes(int width, int height, std::size_t samples,
                     const std::function<float(std::size_t)>& sample, bool withEnd) {
  std::string header;
  const auto card = [&header](const std::string& keyword, const std::string& value) {
    std::string text = keyword;
    text.resize(8, ' ');
    text += "= " + std::string(20 - value.size(), ' ') + value;
    header += text.append(80 - text.size(), ' ');
  };
  card("SIMPLE", "T");
  card("BITPIX", "-32");
  card("NAXIS", "2");
  card("NAXIS1", std::to_string(width));
  card("NAXIS2", std::to_string(height));
  if (withEnd) header += std::string("END").append(77, ' ');
  header.resize(2880, ' ');
  Bytes bytes(header.begin(), header.end());
  for (std::size_t i = 0; i < samples; ++i) {
    const auto bits = std::bit_cast<std::uint32_t>(sample(i));
    for (int shift = 24; shift >= 0; shift -= 8)
      bytes.push_back(static_cast<std::uint8_t>((bits >> shift) & 0xFF));
  }
  bytes.resize(bytes.size() + (2880 - bytes.size() % 2880) % 2880, 0);
  return bytes;
}

}  // namespace hosei::test
