#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "photo_encoders.h"
#include "photo_test_support.h"
#include "test_bitmap.h"

namespace hosei {
namespace {

using test::Bytes;

Bytes Text(const std::string& text) { return Bytes(text.begin(), text.end()); }

// The segments a camera and an editor leave: EXIF, XMP, an ICC profile split over two
// APP2 segments, IPTC in APP13 and a comment.
std::vector<std::pair<int, Bytes>> CameraMarkers() {
  Bytes exif = Text(std::string("Exif\0\0MM\0*", 10));
  exif.resize(300, 0x42);
  Bytes iccFirst = Text(std::string("ICC_PROFILE\0\x01\x02", 14));
  iccFirst.resize(65533, 0x11);
  Bytes iccSecond = Text(std::string("ICC_PROFILE\0\x02\x02", 14));
  iccSecond.resize(900, 0x22);
  return {{0xE1, exif},
          {0xE1, Text(std::string("http://ns.adobe.com/xap/1.0/\0<x:xmpmeta/>", 41))},
          {0xE2, iccFirst},
          {0xE2, iccSecond},
          {0xED, Text(std::string("Photoshop 3.0\08BIM\x04\x04", 20))},
          {0xFE, Text("hosei test comment")}};
}

struct JpegCase {
  const char* name;
  test::JpegSpec spec;
  int quality;  // for the copy: 0 keeps the tables
};

double MeanDifference(const Bytes& a, const Bytes& b) {
  double sum = 0;
  for (std::size_t i = 0; i < a.size(); ++i) sum += std::abs(a[i] - b[i]);
  return a.empty() ? 0 : sum / static_cast<double>(a.size());
}

class JpegRoundTrip : public ::testing::TestWithParam<JpegCase> {};

TEST_P(JpegRoundTrip, KeepsTablesSamplingProgressionAndSegments) {
  const JpegCase& c = GetParam();
  test::ScratchFolder folder;
  const std::string source = folder / "source.jpg", result = folder / "result.jpg";
  // Smooth enough for the JPEG to look like a photo, with some noise.
  test::Picture picture = test::RandomPicture(61, 35, c.spec.components, 9);
  for (std::size_t i = 0; i < picture.samples.size(); ++i)
    picture.samples[i] = static_cast<std::uint8_t>(i / 37 % 200 + picture.samples[i] % 16);
  test::WriteJpeg(source, picture, c.spec);

  const test::Decoded read = test::ReadPhoto(source);
  ASSERT_FALSE(read.error) << DescribeFileError(read.error);
  EXPECT_EQ(read.grey, c.spec.components == 1);
  EXPECT_FALSE(read.hasAlpha);
  EXPECT_LT(MeanDifference(read.bgr, picture.bgr()), 8);

  PhotoWriteOptions options;
  options.jpegQuality = c.quality;
  const FileError copied = test::CopyPhoto(source, result, options);
  ASSERT_FALSE(copied) << DescribeFileError(copied);
  const test::Decoded again = test::ReadPhoto(result);
  ASSERT_FALSE(again.error) << DescribeFileError(again.error);
  EXPECT_LT(MeanDifference(again.bgr, read.bgr), c.quality ? 8 : 2.5);

  const test::JpegFile from = test::ParseJpeg(test::ReadFile(source));
  const test::JpegFile to = test::ParseJpeg(test::ReadFile(result));
  EXPECT_EQ(to.frame, from.frame);
  EXPECT_EQ(to.components, from.components);
  EXPECT_EQ(to.markers, from.markers);
  if (c.quality)
    EXPECT_NE(to.tables, from.tables);
  else
    EXPECT_EQ(to.tables, from.tables);
}

test::JpegSpec Spec(int h, int v, bool progressive) {
  test::JpegSpec spec;
  spec.h = h;
  spec.v = v;
  spec.progressive = progressive;
  spec.markers = CameraMarkers();
  return spec;
}

test::JpegSpec With(test::JpegSpec spec, void (*change)(test::JpegSpec&)) {
  change(spec);
  return spec;
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, JpegRoundTrip,
    ::testing::Values(
        JpegCase{"Baseline420", Spec(2, 2, false), 0},
        JpegCase{"Progressive444", Spec(1, 1, true), 0},
        JpegCase{"Baseline422OwnCrTable",
                 With(Spec(2, 1, false), [](auto& s) { s.ownCrTable = true; }), 0},
        JpegCase{"WithJfifNotDoubled", With(Spec(2, 2, false), [](auto& s) { s.jfif = true; }), 0},
        JpegCase{"Grey", With(Spec(1, 1, false), [](auto& s) { s.components = 1; }), 0},
        JpegCase{"GreyProgressive", With(Spec(1, 1, true), [](auto& s) { s.components = 1; }), 0},
        JpegCase{"QualityOverride", Spec(2, 1, true), 40}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace hosei
