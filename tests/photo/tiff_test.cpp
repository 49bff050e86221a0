#include <gtest/gtest.h>
#include <tiffio.h>

#include <cstring>
#include <string>
#include <vector>

#include "photo_encoders.h"
#include "photo_test_support.h"
#include "test_bitmap.h"

namespace hosei {
namespace {

using test::Bytes;

struct TiffCase {
  const char* name;
  test::TiffSpec spec;
  int channels;
};

// Opens a TIFF for looking at; closes it at the end of the scope.
struct TiffFile {
  explicit TiffFile(const std::string& path) : tif(test::OpenTiffQuietly(path, "r")) {}
  ~TiffFile() {
    if (tif) TIFFClose(tif);
  }
  std::uint16_t short_(std::uint32_t tag) const {
    std::uint16_t value = 0;
    TIFFGetField(tif, tag, &value);
    return value;
  }
  std::string text(std::uint32_t tag) const {
    const char* value = nullptr;
    return TIFFGetField(tif, tag, &value) && value ? value : "(none)";
  }
  Bytes counted(std::uint32_t tag) const {
    std::uint32_t count = 0;
    const std::uint8_t* data = nullptr;
    if (!TIFFGetField(tif, tag, &count, &data)) return {};
    return Bytes(data, data + count);
  }
  TIFF* tif;
};

// The descriptive tags and the EXIF and GPS fields of a file, as one comparable text.
std::string Metadata(const std::string& path) {
  const TiffFile f(path);
  std::string all;
  for (std::uint32_t tag :
       {TIFFTAG_ARTIST, TIFFTAG_COPYRIGHT, TIFFTAG_DATETIME, TIFFTAG_IMAGEDESCRIPTION, TIFFTAG_MAKE,
        TIFFTAG_MODEL, TIFFTAG_SOFTWARE})
    all += f.text(tag) + "|";
  const std::uint32_t blobs[] = {TIFFTAG_ICCPROFILE, TIFFTAG_XMLPACKET, TIFFTAG_RICHTIFFIPTC,
                                 test::kPrivateTag};
  for (std::uint32_t tag : blobs) {
    const Bytes bytes = f.counted(tag);
    all += std::string(bytes.begin(), bytes.end()) + "|";
  }
  float x = 0, y = 0;
  TIFFGetField(f.tif, TIFFTAG_XRESOLUTION, &x);
  TIFFGetField(f.tif, TIFFTAG_YRESOLUTION, &y);
  all += std::to_string(x) + "," + std::to_string(y) + "," +
         std::to_string(f.short_(TIFFTAG_RESOLUTIONUNIT)) + "," +
         std::to_string(f.short_(TIFFTAG_ORIENTATION)) + "|";

  std::uint64_t exif = 0, gps = 0;
  TIFFGetField(f.tif, TIFFTAG_EXIFIFD, &exif);
  TIFFGetField(f.tif, TIFFTAG_GPSIFD, &gps);
  if (!exif || !TIFFReadEXIFDirectory(f.tif, exif)) return all + "no EXIF";
  float exposure = 0;
  TIFFGetField(f.tif, EXIFTAG_EXPOSURETIME, &exposure);
  const char* version = nullptr;
  TIFFGetField(f.tif, EXIFTAG_EXIFVERSION, &version);
  std::uint16_t isoCount = 0;
  const std::uint16_t* iso = nullptr;
  TIFFGetField(f.tif, EXIFTAG_ISOSPEEDRATINGS, &isoCount, &iso);
  const Bytes makerNote = f.counted(EXIFTAG_MAKERNOTE);
  all += std::to_string(exposure) + "," + f.text(EXIFTAG_DATETIMEORIGINAL) + "," +
         std::string(version ? version : "????", 4) + "," + std::to_string(isoCount ? iso[0] : 0) +
         "," + std::string(makerNote.begin(), makerNote.end()) + "|";
  if (!gps || !TIFFReadGPSDirectory(f.tif, gps)) return all + "no GPS";
  const std::uint8_t* gpsVersion = nullptr;
  TIFFGetField(f.tif, GPSTAG_VERSIONID, &gpsVersion);
  const void* latitude = nullptr;
  TIFFGetField(f.tif, GPSTAG_LATITUDE, &latitude);
  const bool doubles = TIFFFieldSetGetSize(TIFFFieldWithTag(f.tif, GPSTAG_LATITUDE)) == 8;
  const double seconds =
      doubles ? static_cast<const double*>(latitude)[2] : static_cast<const float*>(latitude)[2];
  return all + std::to_string(gpsVersion ? gpsVersion[1] : 0) + f.text(GPSTAG_LATITUDEREF) +
         std::to_string(seconds);
}

class TiffRoundTrip : public ::testing::TestWithParam<TiffCase> {};

TEST_P(TiffRoundTrip, ReadsExactlyAndWritesBackTheSameStorageAndTags) {
  const TiffCase& c = GetParam();
  test::ScratchFolder folder;
  const std::string source = folder / "source.tif", result = folder / "result.tif";
  const test::Picture picture = test::RandomPicture(45, 19, c.channels, 3);
  test::WriteTiff(source, picture, c.spec);

  test::Picture expected = picture;
  if (c.spec.photometric == PHOTOMETRIC_MINISWHITE)
    for (auto& sample : expected.samples) sample = static_cast<std::uint8_t>(255 - sample);
  const test::Decoded read = test::ReadPhoto(source);
  ASSERT_FALSE(read.error) << DescribeFileError(read.error);
  EXPECT_EQ(read.grey, c.channels <= 2);
  EXPECT_EQ(read.bgr, expected.bgr());
  EXPECT_EQ(read.alpha, expected.alpha());

  const FileError copied = test::CopyPhoto(source, result);
  ASSERT_FALSE(copied) << DescribeFileError(copied);
  const test::Decoded again = test::ReadPhoto(result);
  ASSERT_FALSE(again.error) << DescribeFileError(again.error);
  EXPECT_EQ(again.bgr, read.bgr);
  EXPECT_EQ(again.alpha, read.alpha);

  {
    const TiffFile from(source), to(result);
    for (std::uint32_t tag : {TIFFTAG_COMPRESSION, TIFFTAG_PHOTOMETRIC, TIFFTAG_SAMPLESPERPIXEL})
      EXPECT_EQ(to.short_(tag), from.short_(tag)) << tag;
    if (c.spec.predictor) {
      EXPECT_EQ(to.short_(TIFFTAG_PREDICTOR), c.spec.predictor);
    }
    EXPECT_EQ(TIFFIsByteSwapped(to.tif), TIFFIsByteSwapped(from.tif));
    EXPECT_FALSE(TIFFIsTiled(to.tif));
    std::uint16_t count = 0;
    const std::uint16_t* extra = nullptr;
    if (TIFFGetField(from.tif, TIFFTAG_EXTRASAMPLES, &count, &extra)) {
      const std::uint16_t kind = extra[0];
      ASSERT_TRUE(TIFFGetField(to.tif, TIFFTAG_EXTRASAMPLES, &count, &extra));
      EXPECT_EQ(extra[0], kind);
    }
  }
  EXPECT_EQ(Metadata(result), Metadata(source));
  if (c.spec.metadata) {
    EXPECT_EQ(Metadata(source).find("no "), std::string::npos);
  }
}

test::TiffSpec Spec(std::uint16_t compression, std::uint16_t predictor = 0) {
  test::TiffSpec spec;
  spec.compression = compression;
  spec.predictor = predictor;
  return spec;
}

test::TiffSpec With(test::TiffSpec spec, void (*change)(test::TiffSpec&)) {
  change(spec);
  return spec;
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, TiffRoundTrip,
    ::testing::Values(
        TiffCase{"LzwPredictor", Spec(COMPRESSION_LZW, PREDICTOR_HORIZONTAL), 3},
        TiffCase{"Deflate", Spec(COMPRESSION_ADOBE_DEFLATE), 3},
        TiffCase{"PackBits", Spec(COMPRESSION_PACKBITS), 3},
        TiffCase{"Uncompressed", Spec(COMPRESSION_NONE), 3},
        TiffCase{"BigEndian", With(Spec(COMPRESSION_LZW), [](auto& s) { s.bigEndian = true; }), 3},
        TiffCase{"Grey",
                 With(Spec(COMPRESSION_LZW, PREDICTOR_HORIZONTAL),
                      [](auto& s) { s.photometric = PHOTOMETRIC_MINISBLACK; }),
                 1},
        TiffCase{
            "GreyMinIsWhite",
            With(Spec(COMPRESSION_NONE), [](auto& s) { s.photometric = PHOTOMETRIC_MINISWHITE; }),
            1},
        TiffCase{"GreyAlpha",
                 With(Spec(COMPRESSION_DEFLATE),
                      [](auto& s) { s.photometric = PHOTOMETRIC_MINISBLACK; }),
                 2},
        TiffCase{"Rgba", Spec(COMPRESSION_LZW, PREDICTOR_HORIZONTAL), 4},
        TiffCase{"TiledAsStrips",
                 With(Spec(COMPRESSION_ADOBE_DEFLATE, PREDICTOR_HORIZONTAL),
                      [](auto& s) { s.tileSize = 16; }),
                 4},
        TiffCase{"NoMetadata", With(Spec(COMPRESSION_NONE), [](auto& s) { s.metadata = false; }),
                 3}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace hosei
