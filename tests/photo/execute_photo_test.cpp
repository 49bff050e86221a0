// The same picture as a bitmap and as a photo must be corrected to the same pixels at the
// same dots, whatever the format keeps alongside them.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <optional>
#include <string>

#include "centre_move.h"
#include "deep_photo_support.h"
#include "execute.h"
#include "file_names.h"
#include "guide_marks.h"
#include "photo_display_copy.h"
#include "photo_rows.h"
#include "problem_words.h"
#include "result_file.h"

namespace hosei::test {
namespace {

std::uint8_t Byte(int value) { return static_cast<std::uint8_t>(value); }

struct Setting {
  const char* name;
  Parameters parameters;
  bool movedCentre = false;
};

std::vector<Setting> Settings() {
  Parameters sharp{.coefficient = 90, .shape = 2, .background = true, .threshold = 120};
  Parameters fog{.mode = Mode::kFog, .lightX = 20, .lightY = 9, .size = 30, .brightness = 150};
  fog.shape = 1, fog.background = true;
  Parameters gamma{.mode = Mode::kGamma, .gamma = 1.6f, .background = true, .threshold = 200};
  return {{"vignetting, the panel's defaults", {}},
          {"sharp vignetting, moved centre, background", sharp, true},
          {"fog off the centre, background", fog},
          {"gamma, background", gamma}};
}

// The picture as a bitmap: stored rows bottom first, as Execute's bitmap path reads them.
TestBitmap AsBitmap(const Picture& picture) {
  TestBitmap bitmap = Sized(picture.width, picture.height);
  bitmap.paddingByte = 0;  // as a photo's display copy pads
  bitmap.paint = [bgr = picture.bgr(), w = picture.width, h = picture.height](int x, int y,
                                                                              std::uint8_t* pixel) {
    std::memcpy(pixel, &bgr[3 * (static_cast<std::size_t>(h - y) * w + (x - 1))], 3);
  };
  return bitmap;
}

ExecuteJob Job(const std::string& file, const Setting& setting, int width, int height) {
  ExecuteJob job{file, setting.parameters, std::nullopt, {}};
  if (setting.movedCentre)
    job.movedCentre = MoveCentre(*CentreMoveRuleFor(width, height), width / 3, height * 2 / 3);
  return job;
}

// The bitmap path's result on the same picture, top row first, padding dropped.
Bytes CorrectedAsBitmap(const ScratchFolder& folder, const Picture& picture,
                        const Setting& setting) {
  const TestBitmap bitmap = AsBitmap(picture);
  WriteFile(folder / "same.bmp", bitmap.bytes());
  const auto outcome = Execute(Job(folder / "same.bmp", setting, picture.width, picture.height));
  EXPECT_TRUE(outcome.succeeded()) << FileErrorLine(outcome.error);
  const Bytes file = ReadFile(folder / "same_.bmp");
  Bytes rows;
  for (int y = picture.height; y >= 1; --y) {
    const auto* row = &file[54 + static_cast<std::size_t>(y - 1) * bitmap.rowLength()];
    rows.insert(rows.end(), row, row + 3 * static_cast<std::size_t>(picture.width));
  }
  return rows;
}

TEST(ExecutePhoto, LosslessPhotosAreCorrectedToTheBitmapsPixelsWithAlphaUnchanged) {
  const struct {
    const char* file;
    int channels;
    std::optional<PngLayout> png;
    std::optional<TiffLayout> tiff;
  } kinds[] = {
      {"IMG_0001.PNG", 3, PngLayout{.colourType = 2}, {}},
      {"cut-out.png", 4, PngLayout{.colourType = 6}, {}},
      {"scan.tiff", 3, {}, TiffLayout{.compression = 5, .predictor = 2, .photometric = 2}},
      {"scan.tif", 2, {}, TiffLayout{.compression = 8, .predictor = 1, .photometric = 1}},
  };
  ScratchFolder folder;
  for (const auto& kind : kinds) {
    const Picture picture = RandomPicture(61, 43, kind.channels, 7);
    const std::string source = folder / kind.file;
    if (kind.png) WritePng(source, picture, *kind.png);
    if (kind.tiff) WriteTiff(source, picture, *kind.tiff);
    for (const Setting& setting : Settings()) {
      SCOPED_TRACE(std::string(kind.file) + ", " + setting.name);
      const auto outcome = Execute(Job(source, setting, picture.width, picture.height));
      ASSERT_TRUE(outcome.succeeded()) << FileErrorLine(outcome.error);
      EXPECT_EQ(outcome.resultFile, PhotoResultFileName(source));
      const Decoded result = ReadPhoto(outcome.resultFile);
      ASSERT_FALSE(result.error) << FileErrorLine(result.error);
      EXPECT_EQ(result.grey, kind.channels <= 2);
      EXPECT_EQ(result.alpha, picture.alpha());
      EXPECT_TRUE(result.bgr == CorrectedAsBitmap(folder, picture, setting));
    }
  }
}

// Associated alpha: the corrections see the colour itself, and what is stored stays valid
// (colour at most alpha).
TEST(ExecutePhoto, PremultipliedAlphaIsCorrectedOnTheColourItself) {
  const SampleLayout layout{4, true, false, true};
  for (int a = 0; a < 256; ++a) {  // every valid stored value survives a read and a write
    Bytes row, bgr(3 * (a + 1) + 3), alpha(a + 1), back;
    for (int s = 0; s <= a; ++s) row.insert(row.end(), {Byte(s), Byte(s), Byte(s), Byte(a)});
    back.resize(row.size());
    SplitRow(row.data(), a + 1, layout, bgr.data(), alpha.data());
    JoinRow(bgr.data(), alpha.data(), a + 1, layout, back.data());
    ASSERT_EQ(back, row) << "alpha " << a;
  }

  ScratchFolder folder;
  Picture picture = RandomPicture(61, 43, 4, 9);
  for (std::size_t i = 0; i < picture.samples.size(); i += 4)
    for (std::size_t c = i; c < i + 3; ++c)
      picture.samples[c] = Byte(picture.samples[c] * picture.samples[i + 3] / 255);
  const std::string source = folder / "cut-out.tif";
  WriteTiff(source, picture, {.compression = 5, .premultiplied = true});
  const auto outcome = Execute(Job(source, Settings()[3], picture.width, picture.height));
  ASSERT_TRUE(outcome.succeeded()) << FileErrorLine(outcome.error);
  EXPECT_EQ(ReadPhoto(outcome.resultFile).alpha, picture.alpha());
  TIFF* tif = OpenTiffQuietly(outcome.resultFile, "r");
  Bytes raw(4 * 61);
  for (std::uint32_t y = 0; y < 43; ++y) {
    ASSERT_EQ(TIFFReadScanline(tif, raw.data(), y), 1);
    for (std::size_t i = 0; i < raw.size(); i += 4)
      ASSERT_LE(std::max({raw[i], raw[i + 1], raw[i + 2]}), raw[i + 3]) << y << ", " << i / 4;
  }
  TIFFClose(tif);
}

// A JPEG result is the bitmap path's pixels on the decoded source, saved with the source's
// own tables: decoded again, it equals exactly those pixels saved that way.
TEST(ExecutePhoto, AJpegIsCorrectedOnItsDecodedPixelsAndKeepsItsSegments) {
  ScratchFolder folder;
  const std::string source = folder / "IMG_0002.JPG", resaved = folder / "resaved.jpg";
  WriteJpeg(source, RandomPicture(90, 70, 3, 3),
            {.h = 2, .v = 1, .quality = 92, .markers = CameraMarkers()});
  const Decoded decoded = ReadPhoto(source);
  ASSERT_FALSE(decoded.error);
  Picture asDecoded{decoded.width, decoded.height, 3, {}};
  for (std::size_t i = 0; i < decoded.bgr.size(); i += 3)
    asDecoded.samples.insert(asDecoded.samples.end(),
                             {decoded.bgr[i + 2], decoded.bgr[i + 1], decoded.bgr[i]});

  for (const Setting& setting : Settings()) {
    SCOPED_TRACE(setting.name);
    const auto outcome = Execute(Job(source, setting, decoded.width, decoded.height));
    ASSERT_TRUE(outcome.succeeded()) << FileErrorLine(outcome.error);
    EXPECT_EQ(outcome.resultFile, folder / "IMG_0002_.JPG");
    // The bitmap path's pixels, saved through the source's own writer settings.
    const Bytes expected = CorrectedAsBitmap(folder, asDecoded, setting);
    std::unique_ptr<PhotoReader> reader;
    ASSERT_FALSE(OpenPhoto(source, reader));
    ResultFile file;
    ASSERT_FALSE(file.create(resaved));
    std::unique_ptr<PhotoWriter> writer;
    ASSERT_FALSE(reader->createWriter(file.descriptor(), resaved, {}, writer));
    ASSERT_FALSE(writer->writeRows(decoded.height, expected.data(), 3 * decoded.width));
    ASSERT_FALSE(writer->finish());
    ASSERT_FALSE(file.commit());

    EXPECT_TRUE(ReadPhoto(outcome.resultFile).bgr == ReadPhoto(resaved).bgr);
    EXPECT_EQ(ParseJpeg(ReadFile(outcome.resultFile)).markers, ParseJpeg(ReadFile(source)).markers);
  }
}

// A run abandoned before its first row or mid-picture (hosei-cli on Ctrl-C) leaves its
// folder as it found it: a bitmap, a photo through its codec, and deep TIFFs whose rows are
// taken as stored in several rounds of chunks.
TEST(ExecutePhoto, AStoppedRunLeavesNothingBehind) {
  struct Stopper : ExecuteObserver {
    explicit Stopper(bool atOnce) : stop(atOnce) {}
    void rowsDone(int) override { stop = true; }
    bool stopRequested() const override { return stop; }
    bool stop;
  };
  ScratchFolder folder;
  const Picture picture = RandomPicture(700, 600, 3, 5);  // two chunks
  WriteFile(folder / "a.bmp", AsBitmap(picture).bytes());
  WritePng(folder / "b.png", picture);
  WriteDeepTiff(folder / "c.tif", RandomDeepPicture(17000, 45, 3, SampleType::kUint16, 11));
  WriteDeepTiff(folder / "d.tif", RandomDeepPicture(17000, 45, 3, SampleType::kFloat32, 11));
  for (const bool atOnce : {true, false})
    for (const char* name : {"a.bmp", "b.png", "c.tif", "d.tif"}) {
      SCOPED_TRACE(std::string(name) + (atOnce ? " at once" : " mid-picture"));
      Stopper stopper(atOnce);
      const auto outcome = Execute(ExecuteJob{folder / name, {}, {}, {}}, &stopper);
      EXPECT_EQ(outcome.error.problem, FileProblem::kStopped);
      EXPECT_EQ(outcome.error.path, folder / name);
    }
  std::vector<std::string> left;
  for (const auto& entry : std::filesystem::directory_iterator(folder.path()))
    left.push_back(entry.path().filename());
  std::sort(left.begin(), left.end());
  EXPECT_EQ(left, (std::vector<std::string>{"a.bmp", "b.png", "c.tif", "d.tif"}));
}

// A photo's display copy is a bitmap with the guide marks at the same dots as the copy of
// the same picture stored as a bitmap.
TEST(ExecutePhoto, APhotosDisplayCopyHoldsTheBitmapsMarkedPixels) {
  ScratchFolder folder;
  for (const auto& [width, height] :
       {std::pair{250, 130}, std::pair{37, 29}, std::pair{1201, 900}}) {
    SCOPED_TRACE(std::to_string(width) + "x" + std::to_string(height));
    const Picture picture = RandomPicture(width, height, 4, 11);
    WritePng(folder / "photo.png", picture, {.colourType = 6});
    WriteFile(folder / "photo.bmp", AsBitmap(picture).bytes());
    const std::string photoCopy = PhotoDisplayCopyName(folder.path().string(), "photo.png");
    EXPECT_EQ(photoCopy, folder / "_photo.png.bmp");
    ASSERT_FALSE(WritePhotoDisplayCopy(folder / "photo.png", photoCopy));
    ASSERT_FALSE(WriteDisplayCopy(folder / "photo.bmp", folder / "_photo.bmp"));
    const Bytes fromPhoto = ReadFile(photoCopy), fromBitmap = ReadFile(folder / "_photo.bmp");
    ASSERT_EQ(fromPhoto.size(), fromBitmap.size());
    EXPECT_TRUE(std::equal(fromPhoto.begin() + 54, fromPhoto.end(), fromBitmap.begin() + 54));
    std::unique_ptr<PictureReader> reader;
    EXPECT_FALSE(OpenPictureReader(photoCopy, reader)) << "hosei reads its own copy back";
  }
}

}  // namespace
}  // namespace hosei::test
