#include "start_up_check.h"

#include <QCoreApplication>
#include <QEvent>
#include <QFontInfo>
#include <QGuiApplication>
#include <QPushButton>
#include <QTimer>
#include <QWindow>
#include <cstdio>

#include "form1.h"

namespace hosei::test {

namespace {

constexpr int kPollMilliseconds = 50;
constexpr int kGiveUpMilliseconds = 30000;

// Notes when the window is first painted: the moment the user sees it.
class FirstPaint : public QObject {
 public:
  FirstPaint(QWidget& window, const QElapsedTimer& sinceStart)
      : QObject(&window), sinceStart_(sinceStart) {
    window.installEventFilter(this);
  }
  qint64 ms = -1;

 protected:
  bool eventFilter(QObject* /*watched*/, QEvent* event) override {
    if (event->type() == QEvent::Paint && ms < 0) ms = sinceStart_.elapsed();
    return false;
  }

 private:
  QElapsedTimer sinceStart_;
};

}  // namespace

void PressExitOnceShown(Form1& window, const StartUpClock& clock,
                        std::function<void()> beforeExit) {
  auto* painted = new FirstPaint(window, clock.sinceStart);
  auto* poll = new QTimer(&window);
  QElapsedTimer waited;
  waited.start();
  QObject::connect(
      poll, &QTimer::timeout, &window, [&window, poll, waited, painted, clock, beforeExit] {
        QWindow* handle = window.windowHandle();
        if (handle && handle->isExposed() && painted->ms >= 0) {
          poll->stop();
          std::printf("hosei: main window shown on %s, font %s\n",
                      qPrintable(QGuiApplication::platformName()),
                      qPrintable(QFontInfo(window.font()).family()));
          std::printf(
              "hosei: start-up %lld ms to the window's show (application %lld ms, window and "
              "tables %lld ms), first painted at %lld ms\n",
              static_cast<long long>(clock.windowShownMs),
              static_cast<long long>(clock.applicationReadyMs),
              static_cast<long long>(clock.windowShownMs - clock.applicationReadyMs),
              static_cast<long long>(painted->ms));
          std::fflush(stdout);
          if (beforeExit) beforeExit();
          window.findChild<QPushButton*>(QStringLiteral("Command2"))->click();
        } else if (waited.elapsed() > kGiveUpMilliseconds) {
          poll->stop();
          std::fprintf(stderr, "hosei: the main window never came on screen\n");
          QCoreApplication::exit(3);
        }
      });
  poll->start(kPollMilliseconds);
}

}  // namespace hosei::test
