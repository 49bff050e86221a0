// Times the viewer's preview: from a change of a field to the end of the picture area's
// repaint, for a photo given on the command line, in each mode, zoomed and at actual size.
// Prints a Markdown table of the median, fastest and slowest of each.
//
//   hosei-preview-latency PHOTO [CHANGES]

#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <vector>

#include "form1.h"
#include "form2.h"
#include "picture_box.h"
#include "program_windows.h"
#include "scripted_platform_services.h"
#include "working_files.h"

namespace {

struct Timing {
  double median = 0, fastest = 0, slowest = 0;
};

Timing Summarise(std::vector<double> times) {
  std::sort(times.begin(), times.end());
  return {times[times.size() / 2], times.front(), times.back()};
}

}  // namespace

int main(int argc, char** argv) {
  using namespace hosei;
  QApplication application(argc, argv);
  PrepareApplication(application);
  if (argc < 2) {
    std::fprintf(stderr, "usage: hosei-preview-latency PHOTO [CHANGES]\n");
    return 2;
  }
  const QString photo = QString::fromLocal8Bit(argv[1]);
  const int changes = argc > 2 ? std::max(3, std::atoi(argv[2])) : 21;

  QTemporaryDir scratch;
  test::ScriptedPlatformServices services;
  WorkingFiles workingFiles(scratch.path(), scratch.path());
  Form1 window(services, workingFiles, scratch.path());
  window.show();
  services.chooseInDialog(photo);
  services.answerConfirmation(true);
  window.findChild<QPushButton*>(QStringLiteral("Command3"))->click();
  Form2* viewer = window.viewer();
  if (!viewer || !services.messages.isEmpty()) {
    std::fprintf(stderr, "cannot open %s\n", argv[1]);
    return 1;
  }
  // As wide as the screen allows: the viewer holds about as many pixels as the screen has.
  viewer->resize(viewer->screen()->availableGeometry().width(), viewer->height());
  for (int i = 0; i < 5; ++i) QApplication::processEvents();
  auto* box = viewer->findChild<PictureBox*>(QStringLiteral("Image1"));
  for (QAction* action : viewer->actions())
    if (action->text() == QStringLiteral("プレビュー")) action->trigger();
  if (!viewer->previewOn()) {
    std::fprintf(stderr, "the preview did not start\n");
    return 1;
  }

  const auto field = [&](const char* name) {
    return window.findChild<QLineEdit*>(QString::fromLatin1(name));
  };
  const auto option = [&](const char* name) {
    window.findChild<QRadioButton*>(QString::fromLatin1(name))->click();
  };
  struct Case {
    const char* mode;
    const char* option;
    const char* field;
    int first, step;
  };
  const Case cases[] = {
      {"vignetting: 減光係数", "Option1", "Text2", 20, 3},
      {"fog: 明るさ", "Option2", "Text8", -40, 5},
      {"gamma: ガンマ値 (×0.01)", "Option3", "Text9", 100, 4},
  };
  const QSize screen = viewer->screen()->size();
  std::printf("Screen %d × %d (%s).\n\n", screen.width(), screen.height(),
              qPrintable(QGuiApplication::platformName()));
  std::printf("| view | mode, field changed | held pixels | median | fastest | slowest |\n");
  std::printf("| --- | --- | ---: | ---: | ---: | ---: |\n");
  int turn = 0;
  for (const bool zoom : {true, false}) {
    if (viewer->zoomMode() != zoom) {
      viewer->findChild<QPushButton*>(QStringLiteral("Command1"))->click();
      box->panTo({box->picture().pictureSize.width() / 2, box->picture().pictureSize.height() / 2});
      for (int i = 0; i < 5; ++i) QApplication::processEvents();
    }
    for (const Case& c : cases) {
      option(c.option);
      std::vector<double> times;
      for (int i = 0; i < changes; ++i) {
        // Two values in turn, so that every change is one, also the first of a field met again.
        const int value = c.first + c.step * (1 + turn++ % 2);
        const QString text = c.field == std::string("Text9") ? QString::number(value / 100.0)
                                                             : QString::number(value);
        QElapsedTimer clock;
        clock.start();
        field(c.field)->setText(text);
        box->repaint();
        times.push_back(clock.nsecsElapsed() / 1e6);
      }
      const Timing t = Summarise(times);
      const QSize held = box->picture().image.size();
      std::printf("| %s | %s | %d × %d | %.1f ms | %.1f ms | %.1f ms |\n",
                  zoom ? "zoom" : "actual size", c.mode, held.width(), held.height(), t.median,
                  t.fastest, t.slowest);
    }
  }
  return services.messages.isEmpty() ? 0 : 1;
}
