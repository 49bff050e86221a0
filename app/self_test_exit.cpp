#include "self_test_exit.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFontInfo>
#include <QGuiApplication>
#include <QPushButton>
#include <QTimer>
#include <QWindow>
#include <cstdio>

#include "form1.h"

namespace hosei {

namespace {
constexpr int kPollMilliseconds = 50;
constexpr int kGiveUpMilliseconds = 30000;
}  // namespace

void PressExitOnceShown(Form1& window) {
  auto* poll = new QTimer(&window);
  QElapsedTimer waited;
  waited.start();
  QObject::connect(poll, &QTimer::timeout, &window, [&window, poll, waited] {
    QWindow* handle = window.windowHandle();
    if (handle && handle->isExposed()) {
      poll->stop();
      std::printf("hosei: main window shown on %s, font %s\n",
                  qPrintable(QGuiApplication::platformName()),
                  qPrintable(QFontInfo(window.font()).family()));
      std::fflush(stdout);
      window.findChild<QPushButton*>(QStringLiteral("Command2"))->click();
    } else if (waited.elapsed() > kGiveUpMilliseconds) {
      poll->stop();
      std::fprintf(stderr, "hosei: the main window never came on screen\n");
      QCoreApplication::exit(3);
    }
  });
  poll->start(kPollMilliseconds);
}

}  // namespace hosei
