// A picture whose pixels alone are more than the process may map: the viewer shows it in
// both modes and the display copy with guide lines is written, none of them holding it whole.

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <QApplication>
#include <QPushButton>
#include <cstdlib>
#include <filesystem>

#include "bitmap_file.h"
#include "form2.h"
#include "guide_marks.h"
#include "scripted_platform_services.h"
#include "sparse_bitmap.h"
#include "test_bitmap.h"

namespace hosei::test {
namespace {

namespace fs = std::filesystem;

constexpr int kSide = 12000;  // 412 MiB of pixels
constexpr rlim_t kMiB = 1024 * 1024;
constexpr rlim_t kAddressSpaceLimit = 400 * kMiB;

// Lowers the soft limit on mapped memory for as long as it lives.
class AddressSpaceLimit {
 public:
  explicit AddressSpaceLimit(rlim_t bytes) {
    getrlimit(RLIMIT_AS, &before_);
    rlimit lowered = before_;
    lowered.rlim_cur = bytes;
    applied_ = setrlimit(RLIMIT_AS, &lowered) == 0;
  }
  ~AddressSpaceLimit() { setrlimit(RLIMIT_AS, &before_); }
  bool applied() const { return applied_; }

 private:
  rlimit before_{};
  bool applied_ = false;
};

void Settle() {
  for (int i = 0; i < 5; ++i) QApplication::processEvents();
}

TEST(MemoryLimit, AHugePictureIsViewedInBothModesAndCopiedWithGuideLines) {
  if (std::getenv("HOSEI_SANITIZED"))
    GTEST_SKIP() << "the sanitizers reserve far more address space than the limit";
  ScratchFolder folder;
  const fs::path huge = folder / "huge.bmp", copy = folder / "_huge.bmp";
  WriteSparseBitmap(huge, kSide, kSide);
  ScriptedPlatformServices services;
  WorkModel work;
  Form2 viewer(services, work);
  viewer.setImageSize(kSide, kSide);
  viewer.show();
  Settle();

  const AddressSpaceLimit limit(kAddressSpaceLimit);
  ASSERT_TRUE(limit.applied());
  BitmapImage whole;  // the limit is real: the pixels cannot be held in one piece
  ASSERT_EQ(ReadBitmapFile(huge.string(), whole).problem, FileProblem::kOutOfMemory);

  ASSERT_FALSE(viewer.showAsCurrent(QString::fromStdString(huge.string())));
  Settle();
  auto* zoom = viewer.findChild<QPushButton*>(QStringLiteral("Command1"));
  zoom->click();
  Settle();
  EXPECT_FALSE(viewer.zoomMode());
  ASSERT_FALSE(WriteDisplayCopy(huge.string(), copy.string()));
  EXPECT_EQ(fs::file_size(copy), fs::file_size(huge));
  ASSERT_FALSE(viewer.showAsCurrent(QString::fromStdString(copy.string())));
  Settle();
  zoom->click();
  Settle();
  EXPECT_TRUE(viewer.zoomMode());
  EXPECT_EQ(services.messages, QStringList());
}

}  // namespace
}  // namespace hosei::test

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  // Headless unless told otherwise, also when the tests are listed at build time.
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  return RUN_ALL_TESTS();
}
