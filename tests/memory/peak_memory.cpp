// The most memory held while the viewer shows a 12000 × 9000 bitmap and two corrections of
// it, and then the last at actual size at its far corner; exit status 1 when above
// --limit-mib N.

#include <sys/resource.h>

#include <QApplication>
#include <QPushButton>
#include <cstdio>
#include <cstring>
#include <string>
#include <variant>

#include "bitmap_header.h"
#include "execute.h"
#include "form2.h"
#include "picture_box.h"
#include "problem_texts.h"
#include "scripted_platform_services.h"
#include "test_bitmap.h"

int main(int argc, char** argv) {
  using namespace hosei;
  constexpr int kWidth = 12000, kHeight = 9000;
  const double limit =
      argc == 3 && std::strcmp(argv[1], "--limit-mib") == 0 ? std::stod(argv[2]) : 0;
  // Headless unless told otherwise, also when the tests are listed at build time.
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);

  test::ScratchFolder folder;
  const std::string source = (folder / "photo.bmp").string();
  test::WriteSparseBitmap(source, kWidth, kHeight);
  test::ScriptedPlatformServices services;
  WorkModel work;
  Form2 viewer(services, work);
  viewer.resize(1920, viewer.height());  // the largest picture area on a full-HD screen
  viewer.setImageSize(kWidth, kHeight);
  viewer.show();
  const auto parameters = std::get<Parameters>(ReadParameters(FieldTexts{}));
  ExecuteOutcome outcome;  // the picture shown next, or what went wrong
  outcome.resultFile = source;
  for (int run = 0; run < 3 && !outcome.error; ++run) {
    const QString shown = QString::fromStdString(outcome.resultFile);
    if ((outcome.error = viewer.showAsCurrent(shown, shown))) break;
    for (int i = 0; i < 5; ++i) QApplication::processEvents();
    viewer.setCurrentPath(QString::fromStdString(source));
    if (run < 2) outcome = Execute(ExecuteJob{source, parameters, {}, {}});
  }
  if (outcome.error) {
    std::fprintf(stderr, "%s\n", DescribeFileError(outcome.error).c_str());
    return 2;
  }
  // At actual size, moved to the far corner: the rows above are read and passed over, and
  // only the part in view and its margin are held.
  viewer.findChild<QPushButton*>(QStringLiteral("Command1"))->click();
  auto* box = viewer.findChild<PictureBox*>(QStringLiteral("Image1"));
  box->panTo({kWidth, kHeight});
  for (int i = 0; i < 5; ++i) QApplication::processEvents();
  const QSize view = box->size();
  if (viewer.zoomMode() || !services.messages.isEmpty() ||
      box->viewOrigin() != QPoint(kWidth - view.width(), kHeight - view.height()) ||
      !box->picture().holds(QRect(box->viewOrigin(), view))) {
    std::fprintf(stderr, "the far corner at actual size was not shown\n");
    return 2;
  }
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  const double peak = usage.ru_maxrss / 1024.0;  // reported in KiB
  std::printf("peak resident memory: %.1f MiB (%d x %d bitmap, %.1f MiB of pixels)\n", peak, kWidth,
              kHeight, PaddedRowLength(kWidth) * double{kHeight} / (1024 * 1024));
  return limit > 0 && peak > limit ? 1 : 0;
}
