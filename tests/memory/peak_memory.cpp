// Opens a 12000 × 9000 bitmap as the windows do, with its picture on show, and corrects it
// twice, the viewer showing each result; then reports the most memory held at once.
//
//   hosei-memory-peak [--limit-mib N]    exit status 1 when the peak is above N MiB

#include <QApplication>
#include <cstdio>
#include <cstring>
#include <string>
#include <variant>

#include "bitmap_header.h"
#include "execute.h"
#include "form2.h"
#include "scripted_platform_services.h"
#include "sparse_bitmap.h"
#include "test_bitmap.h"

namespace {

constexpr int kWidth = 12000;
constexpr int kHeight = 9000;
// A viewer as wide as a full-HD screen: the largest picture area the windows offer there.
constexpr int kViewerWidth = 1920;

void Settle() {
  for (int i = 0; i < 5; ++i) QApplication::processEvents();
}

}  // namespace

int main(int argc, char** argv) {
  using namespace hosei;
  double limit = 0;
  if (argc == 3 && std::strcmp(argv[1], "--limit-mib") == 0) limit = std::stod(argv[2]);
  // Headless unless told otherwise, also when the tests are listed at build time.
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);

  test::ScratchFolder folder;
  const std::string source = (folder / "photo.bmp").string();
  test::WriteSparseBitmap(source, kWidth, kHeight);
  test::ScriptedPlatformServices services;
  WorkModel work;
  Form2 viewer(services, work);
  viewer.resize(kViewerWidth, viewer.height());
  viewer.setImageSize(kWidth, kHeight);
  viewer.show();
  if (FileError error = viewer.showAsCurrent(QString::fromStdString(source))) {
    std::fprintf(stderr, "%s\n", DescribeFileError(error).c_str());
    return 2;
  }
  Settle();

  const auto parameters = std::get<Parameters>(ReadParameters(FieldTexts{}));
  for (int run = 0; run < 2; ++run) {
    viewer.setCurrentPath(QString::fromStdString(source));
    const ExecuteOutcome outcome = Execute(ExecuteJob{source, parameters, {}, {}});
    if (!outcome.succeeded()) {
      std::fprintf(stderr, "%s\n", DescribeFileError(outcome.error).c_str());
      return 2;
    }
    if (FileError error = viewer.showAsCurrent(QString::fromStdString(outcome.resultFile))) {
      std::fprintf(stderr, "%s\n", DescribeFileError(error).c_str());
      return 2;
    }
    Settle();
  }

  const double peak = test::PeakResidentMiB();
  std::printf("peak resident memory: %.1f MiB (%d x %d bitmap, %.1f MiB of pixels)\n", peak, kWidth,
              kHeight, PaddedRowLength(kWidth) * double{kHeight} / (1024 * 1024));
  return limit > 0 && peak > limit ? 1 : 0;
}
