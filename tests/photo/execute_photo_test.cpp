// Execute on photos: the same picture as a bitmap and as a photo must be corrected to the
// same pixels at the same dots, whatever the format keeps alongside them.

#include <gtest/gtest.h>

#include <cstring>
#include <optional>
#include <string>

#include "centre_move.h"
#include "execute.h"
#include "file_names.h"
#include "guide_marks.h"
#include "photo_display_copy.h"
#include "photo_encoders.h"
#include "result_file.h"
#include "test_bitmap.h"

namespace hosei::test {
namespace {

struct Setting {
  const char* name;
  Parameters parameters;
  bool movedCentre = false;
};

std::vector<Setting> Settings() {
  Parameters vignetting;  // the panel's defaults: start 50, coefficient 20, Soft
  Parameters sharp;
  sharp.coefficient = 90;
  sharp.shape = 2;
  sharp.background = true;
  sharp.threshold = 120;
  Parameters fog;
  fog.mode = Mode::kFog;
  fog.lightX = 20, fog.lightY = 9, fog.size = 30, fog.brightness = 150, fog.shape = 1;
  fog.background = true;
  Parameters gamma;
  gamma.mode = Mode::kGamma;
  gamma.gamma = 1.6f;
  gamma.background = true;
  gamma.threshold = 200;
  return {{"vignetting", vignetting},
          {"sharp vignetting, moved centre, background", sharp, true},
          {"fog off the centre, background", fog},
          {"gamma, background", gamma}};
}

// The picture as a bitmap: stored rows bottom first, as Execute's bitmap path reads them.
TestBitmap AsBitmap(const Picture& picture) {
  TestBitmap bitmap;
  bitmap.width = picture.width;
  bitmap.height = picture.height;
  bitmap.paddingByte = 0;
  const Bytes bgr = picture.bgr();
  bitmap.paint = [bgr, w = picture.width, h = picture.height](int x, int y, std::uint8_t* pixel) {
    std::memcpy(pixel, &bgr[3 * (static_cast<std::size_t>(h - y) * w + (x - 1))], 3);
  };
  return bitmap;
}

// The pixels of a bitmap file, top row first, padding dropped.
Bytes TopDownPixels(const Bytes& file, int width, int height, std::size_t offset) {
  const std::size_t rowLength = (static_cast<std::size_t>(width) * 3 + 3) / 4 * 4;
  Bytes rows;
  for (int y = height - 1; y >= 0; --y) {
    const auto* row = &file[offset + static_cast<std::size_t>(y) * rowLength];
    rows.insert(rows.end(), row, row + 3 * static_cast<std::size_t>(width));
  }
  return rows;
}

ExecuteJob Job(const std::string& file, const Setting& setting, int width, int height) {
  ExecuteJob job{file, setting.parameters, std::nullopt, {}};
  if (setting.movedCentre)
    job.movedCentre = MoveCentre(*CentreMoveRuleFor(width, height), width / 3, height * 2 / 3);
  return job;
}

Bytes CorrectedAsBitmap(const ScratchFolder& folder, const Picture& picture,
                        const Setting& setting) {
  const TestBitmap bitmap = AsBitmap(picture);
  WriteFile(folder / "same.bmp", bitmap.bytes());
  const auto outcome =
      Execute(Job((folder / "same.bmp").string(), setting, picture.width, picture.height));
  EXPECT_TRUE(outcome.succeeded()) << DescribeFileError(outcome.error);
  return TopDownPixels(ReadFile(folder / "same_.bmp"), picture.width, picture.height, 54);
}

PngSpec PngOf(int colourType) {
  PngSpec spec;
  spec.colourType = colourType;
  return spec;
}

TiffSpec TiffOf(std::uint16_t compression, std::uint16_t predictor, std::uint16_t photometric) {
  TiffSpec spec;
  spec.compression = compression;
  spec.predictor = predictor;
  spec.photometric = photometric;
  return spec;
}

struct Lossless {
  const char* name;
  const char* file;
  int channels;
  std::optional<PngSpec> png;
  std::optional<TiffSpec> tiff;
};

TEST(ExecutePhoto, LosslessPhotosAreCorrectedToTheBitmapsPixelsWithAlphaUnchanged) {
  const Lossless kinds[] = {
      {"RGB PNG", "IMG_0001.PNG", 3, PngOf(2), {}},
      {"grey PNG", "grey.png", 1, PngOf(0), {}},
      {"RGBA PNG", "cut-out.png", 4, PngOf(6), {}},
      {"LZW TIFF", "scan.tiff", 3, {}, TiffOf(5, 2, 2)},
      {"grey and alpha TIFF", "scan.tif", 2, {}, TiffOf(8, 1, 1)},
  };
  ScratchFolder folder;
  for (const Lossless& kind : kinds) {
    const Picture picture = RandomPicture(61, 43, kind.channels, 7);
    const std::string source = (folder / kind.file).string();
    if (kind.png) WritePng(source, picture, *kind.png);
    if (kind.tiff) WriteTiff(source, picture, *kind.tiff);
    for (const Setting& setting : Settings()) {
      SCOPED_TRACE(std::string(kind.name) + ", " + setting.name);
      const auto outcome = Execute(Job(source, setting, picture.width, picture.height));
      ASSERT_TRUE(outcome.succeeded()) << DescribeFileError(outcome.error);
      EXPECT_EQ(outcome.resultFile, PhotoResultFileName(source));
      const Decoded result = ReadPhoto(outcome.resultFile);
      ASSERT_FALSE(result.error) << DescribeFileError(result.error);
      EXPECT_EQ(result.grey, kind.channels <= 2);
      EXPECT_EQ(result.alpha, picture.alpha());
      EXPECT_TRUE(result.bgr == CorrectedAsBitmap(folder, picture, setting));
    }
  }
}

// A JPEG result is the bitmap path's pixels on the decoded source, saved with the source's
// own tables: decoded again, it equals exactly those pixels saved that way.
TEST(ExecutePhoto, AJpegIsCorrectedOnItsDecodedPixelsAndKeepsItsSegments) {
  ScratchFolder folder;
  JpegSpec spec;
  spec.quality = 92;
  spec.h = 2, spec.v = 1;
  spec.markers = {{0xE1, Bytes{'E', 'x', 'i', 'f', 0, 0, 'M', 'M', 0, 42, 0, 0, 0, 8}},
                  {0xE2, Bytes{'I', 'C', 'C', '_', 'P', 'R', 'O', 'F', 'I', 'L', 'E', 0, 1, 1}},
                  {0xFE, Bytes{'h', 'o', 's', 'e', 'i'}}};
  const std::string source = (folder / "IMG_0002.JPG").string();
  WriteJpeg(source, RandomPicture(90, 70, 3, 3), spec);
  const Decoded decoded = ReadPhoto(source);
  ASSERT_FALSE(decoded.error);
  Picture asDecoded{decoded.width, decoded.height, 3, {}};
  for (std::size_t i = 0; i < decoded.bgr.size(); i += 3)
    asDecoded.samples.insert(asDecoded.samples.end(),
                             {decoded.bgr[i + 2], decoded.bgr[i + 1], decoded.bgr[i]});

  for (const Setting& setting : Settings()) {
    SCOPED_TRACE(setting.name);
    const auto outcome = Execute(Job(source, setting, decoded.width, decoded.height));
    ASSERT_TRUE(outcome.succeeded()) << DescribeFileError(outcome.error);
    EXPECT_EQ(outcome.resultFile, (folder / "IMG_0002_.JPG").string());

    // The bitmap path's pixels, saved through the source's own writer settings.
    const Bytes expected = CorrectedAsBitmap(folder, asDecoded, setting);
    std::unique_ptr<PhotoReader> reader;
    ASSERT_FALSE(OpenPhoto(source, reader));
    ResultFile resaved;
    const std::string resavedPath = (folder / "resaved.jpg").string();
    ASSERT_FALSE(resaved.create(resavedPath));
    std::unique_ptr<PhotoWriter> writer;
    ASSERT_FALSE(CreatePhotoWriter(*reader, resaved.descriptor(), resavedPath, {}, writer));
    ASSERT_FALSE(writer->writeRows(decoded.height, expected.data(), 3 * decoded.width));
    ASSERT_FALSE(writer->finish());
    ASSERT_FALSE(resaved.commit());

    EXPECT_TRUE(ReadPhoto(outcome.resultFile).bgr == ReadPhoto(resavedPath).bgr);
    EXPECT_EQ(ParseJpeg(ReadFile(outcome.resultFile)).markers, ParseJpeg(ReadFile(source)).markers);
  }
}

// The display copy of a photo is a bitmap with the guide marks at the same dots as the
// copy of the same picture stored as a bitmap.
TEST(ExecutePhoto, APhotosDisplayCopyHoldsTheBitmapsMarkedPixels) {
  ScratchFolder folder;
  for (const auto& [width, height] :
       {std::pair{250, 130}, std::pair{37, 29}, std::pair{1201, 900}}) {
    SCOPED_TRACE(std::to_string(width) + "x" + std::to_string(height));
    const Picture picture = RandomPicture(width, height, 4, 11);
    WritePng((folder / "photo.png").string(), picture, PngOf(6));
    WriteFile(folder / "photo.bmp", AsBitmap(picture).bytes());
    const std::string photoCopy = PhotoDisplayCopyName(folder.path().string(), "photo.png");
    EXPECT_EQ(photoCopy, (folder / "_photo.png.bmp").string());
    ASSERT_FALSE(WritePhotoDisplayCopy((folder / "photo.png").string(), photoCopy));
    ASSERT_FALSE(
        WriteDisplayCopy((folder / "photo.bmp").string(), (folder / "_photo.bmp").string()));
    const Bytes fromPhoto = ReadFile(photoCopy), fromBitmap = ReadFile(folder / "_photo.bmp");
    ASSERT_EQ(fromPhoto.size(), fromBitmap.size());
    EXPECT_TRUE(std::equal(fromPhoto.begin() + 54, fromPhoto.end(), fromBitmap.begin() + 54));
    std::unique_ptr<PictureReader> reader;
    EXPECT_FALSE(OpenPictureReader(photoCopy, reader)) << "hosei reads its own copy back";
  }
}

}  // namespace
}  // namespace hosei::test
