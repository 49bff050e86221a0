#include "deep_photo_support.h"

#include <fitsio.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <memory>
#include <random>
#include <stdexcept>

#include "deep_corrector.h"
#include "deep_rows.h"
#include "problem_words.h"

namespace hosei::test {
namespace {

template <typename Sample>
Sample At(const Bytes& bytes, std::size_t index) {
  Sample value;
  std::memcpy(&value, &bytes[index * sizeof value], sizeof value);
  return value;
}

template <typename Sample>
void Append(Bytes& bytes, Sample value) {
  const auto* raw = reinterpret_cast<const std::uint8_t*>(&value);
  bytes.insert(bytes.end(), raw, raw + sizeof value);
}

// Sample `index` as a reader must give it: grey stored as MinIsWhite turned round.
void AppendRead(Bytes& out, const DeepPicture& p, std::size_t index, bool inverted) {
  if (p.type == SampleType::kUint8) {
    out.push_back(static_cast<std::uint8_t>(inverted ? 255 - p.samples[index] : p.samples[index]));
  } else if (p.type == SampleType::kUint16) {
    const auto v = At<std::uint16_t>(p.samples, index);
    Append(out, static_cast<std::uint16_t>(inverted ? 65535 - v : v));
  } else {
    const auto v = At<float>(p.samples, index);
    Append(out, inverted ? 1.0f - v : v);
  }
}

double DefaultSample(int bitpix, int x, int row, int plane) {
  switch (bitpix) {
    case 8:
      return (x * 31 + row * 17 + plane * 89) % 256;
    case 16:
      return (x * 7919 + row * 1031 + plane * 21601 + 12345) % 65536;
    default:
      return ((x * 37 + row * 101 + plane * 53) % 1001) / 1000.0;
  }
}

// One stored row in the image's own type: cfitsio converts no other into a tile-compressed one.
template <typename Sample>
void WriteRow(fitsfile* f, int datatype, long* first, const std::vector<double>& row, int* status) {
  std::vector<Sample> samples(row.size());
  for (std::size_t i = 0; i < row.size(); ++i) samples[i] = static_cast<Sample>(row[i]);
  fits_write_pix(f, datatype, first, static_cast<LONGLONG>(row.size()), samples.data(), status);
}

template <typename Sample>
void CorrectRows(const DeepCorrector& corrector, Bytes& bgr, int width, int height) {
  const std::size_t samples = 3 * static_cast<std::size_t>(width);
  std::vector<Sample> row(samples);
  for (int fromTop = 0; fromTop < height; ++fromTop) {
    std::uint8_t* at = &bgr[fromTop * samples * sizeof(Sample)];
    std::memcpy(row.data(), at, samples * sizeof(Sample));
    corrector.correctRow(row.data(), height - fromTop);
    std::memcpy(at, row.data(), samples * sizeof(Sample));
  }
}

}  // namespace

Bytes DeepPicture::bgr(bool minIsWhite) const {
  Bytes out;
  const bool grey = channels <= 2;
  const std::size_t count = static_cast<std::size_t>(width) * height * channels;
  for (std::size_t at = 0; at < count; at += static_cast<std::size_t>(channels))
    for (int c : {grey ? 0 : 2, grey ? 0 : 1, 0})
      AppendRead(out, *this, at + c, grey && minIsWhite);
  return out;
}

Bytes DeepPicture::alpha() const {
  Bytes out;
  const std::size_t pixels = static_cast<std::size_t>(width) * height;
  if (channels == 2 || channels == 4)
    for (std::size_t x = 0; x < pixels; ++x)
      AppendRead(out, *this, x * channels + channels - 1, false);
  return out;
}

DeepPicture RandomDeepPicture(int width, int height, int channels, SampleType type, unsigned seed) {
  DeepPicture picture{width, height, channels, type, {}};
  std::mt19937 random(seed);
  const std::size_t count = static_cast<std::size_t>(width) * height * channels;
  for (std::size_t i = 0; i < count; ++i) {
    if (type == SampleType::kUint8)
      picture.samples.push_back(static_cast<std::uint8_t>(random()));
    else if (type == SampleType::kUint16)
      Append(picture.samples, static_cast<std::uint16_t>(random()));
    else
      Append(picture.samples,
             i < 2 ? static_cast<float>(i) : static_cast<float>(random() >> 8) / 16777215.0f);
  }
  return picture;
}

DeepPicture DeepRamp(int side, SampleType type) {
  DeepPicture ramp{side, side, 1, type, {}};
  const std::size_t count = static_cast<std::size_t>(side) * side;
  for (std::size_t i = 0; i < count; ++i) {
    const double v = std::pow(static_cast<double>(i) / (count - 1), 2);
    if (type == SampleType::kUint16)
      Append(ramp.samples, static_cast<std::uint16_t>(std::lround(65535 * v)));
    else
      Append(ramp.samples, static_cast<float>(v));
  }
  return ramp;
}

void WriteDeepPng(const std::string& path, const DeepPicture& picture, PngLayout layout) {
  Picture wide{picture.width, picture.height, picture.channels, {}};
  for (std::size_t i = 0; i < picture.samples.size() / 2; ++i) {
    const auto v = At<std::uint16_t>(picture.samples, i);
    wide.samples.insert(wide.samples.end(),
                        {static_cast<std::uint8_t>(v >> 8), static_cast<std::uint8_t>(v & 0xFF)});
  }
  layout.bitDepth = 16, layout.wideSamples = true;
  WritePng(path, wide, layout);
}

TiffLayout AtDepth(TiffLayout layout, SampleType type) {
  layout.bits = 8 * static_cast<int>(BytesPerSample(type));
  layout.sampleFormat = type == SampleType::kFloat32 ? SAMPLEFORMAT_IEEEFP : SAMPLEFORMAT_UINT;
  return layout;
}

void WriteDeepTiff(const std::string& path, const DeepPicture& p, const TiffLayout& layout) {
  WriteTiffSamples(path, p.width, p.height, p.channels, p.samples, AtDepth(layout, p.type));
}

double SampleOf(const FitsLayout& layout, int x, int row, int plane) {
  return layout.sample ? layout.sample(x, row, plane) : DefaultSample(layout.bitpix, x, row, plane);
}

void CheckFits(int status, const char* what) {
  if (status) {
    char text[FLEN_STATUS] = {};
    fits_get_errstatus(status, text);
    throw std::runtime_error(std::string(what) + ": " + text);
  }
}

void WriteFits(const std::string& path, const FitsLayout& layout) {
  int status = 0;
  fitsfile* f = nullptr;
  CheckFits(fits_create_file(&f, ("!" + path).c_str(), &status), "create");
  if (layout.tileCompressed) fits_set_compression_type(f, GZIP_1, &status);
  const int naxis = layout.planes == 1 ? 2 : 3;
  long naxes[3] = {layout.width, layout.height, layout.planes};
  const int type = layout.bitpix == 16 && !layout.signedShorts ? USHORT_IMG : layout.bitpix;
  fits_create_img(f, type, naxis, naxes, &status);
  if (layout.topDown) fits_write_record(f, "ROWORDER= 'TOP-DOWN'", &status);
  for (const std::string& card : layout.cards) fits_write_record(f, card.c_str(), &status);
  std::vector<double> row(static_cast<std::size_t>(layout.width));
  for (int plane = 0; plane < layout.planes; ++plane)
    for (int y = 1; y <= layout.height; ++y) {
      for (int x = 0; x < layout.width; ++x) row[x] = SampleOf(layout, x, y, plane);
      long first[3] = {1, y, plane + 1};
      switch (type) {
        case BYTE_IMG:
          WriteRow<unsigned char>(f, TBYTE, first, row, &status);
          break;
        case USHORT_IMG:
          WriteRow<unsigned short>(f, TUSHORT, first, row, &status);
          break;
        case SHORT_IMG:
          WriteRow<short>(f, TSHORT, first, row, &status);
          break;
        case LONG_IMG:
          WriteRow<int>(f, TINT, first, row, &status);
          break;
        case LONGLONG_IMG:
          WriteRow<long long>(f, TLONGLONG, first, row, &status);
          break;
        case FLOAT_IMG:
          WriteRow<float>(f, TFLOAT, first, row, &status);
          break;
        default:
          WriteRow<double>(f, TDOUBLE, first, row, &status);
      }
    }
  if (layout.extensions) {
    long side[2] = {3, 2};
    fits_create_img(f, SHORT_IMG, 2, side, &status);
    short values[6] = {-3, 1, 4, -1, 5, -9};
    long first[2] = {1, 1};
    fits_write_pix(f, TSHORT, first, 6, values, &status);
    char* names[] = {const_cast<char*>("STAR")};
    char* forms[] = {const_cast<char*>("1D")};
    fits_create_tbl(f, BINARY_TBL, 2, 1, names, forms, nullptr, "STARS", &status);
    double stars[2] = {1.25, 2.5};
    fits_write_col(f, TDOUBLE, 1, 1, 1, 2, stars, &status);
  }
  CheckFits(status, "write");
  CheckFits(fits_close_file(f, &status), "close");
}

void ExpectDeepRoundTrip(const std::string& source, const std::string& result, SampleType type,
                         int channels, const Bytes& bgr, const Bytes& alpha) {
  const DeepRead read = ReadDeep(source);
  ASSERT_FALSE(read.error) << FileErrorLine(read.error);
  EXPECT_EQ(read.type, type);
  EXPECT_EQ(read.grey, channels <= 2);
  EXPECT_EQ(read.hasAlpha, channels == 2 || channels == 4);  // a colour key is no alpha
  EXPECT_EQ(read.bgr, bgr);
  EXPECT_EQ(read.alpha, alpha);

  if (IsDeep(type)) {
    const ReducedRead inTurn = ReadReducedInTurn(source);
    EXPECT_FALSE(inTurn.error) << FileErrorLine(inTurn.error);
    EXPECT_EQ(inTurn.bgr, ReducedDeep(type, bgr));
    EXPECT_EQ(inTurn.alpha, ReducedDeep(type, alpha));
  }

  const FileError copied = CopyPhoto(source, result);
  ASSERT_FALSE(copied) << FileErrorLine(copied);
  const DeepRead again = ReadDeep(result);
  ASSERT_FALSE(again.error) << FileErrorLine(again.error);
  EXPECT_EQ(again.bgr, read.bgr);
  EXPECT_EQ(again.alpha, read.alpha);
}

Bytes CorrectedDirectly(const std::string& path, const Parameters& parameters) {
  DeepRead read = ReadDeep(path);
  EXPECT_FALSE(read.error) << FileErrorLine(read.error);
  const DeepCorrector corrector(parameters, read.width, read.height, std::nullopt, read.type);
  if (read.type == SampleType::kUint16)
    CorrectRows<std::uint16_t>(corrector, read.bgr, read.width, read.height);
  else
    CorrectRows<float>(corrector, read.bgr, read.width, read.height);
  return read.bgr;
}

}  // namespace hosei::test
