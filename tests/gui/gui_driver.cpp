// Drives the real windows on a real display (the xcb platform under Xvfb):
//   hosei-gui-driver dialogs SAMPLE.bmp   walks through Qt's own file dialog, confirmation,
//                                         viewer, Execute and exit, failing on any dialog
//                                         that never comes on screen;
//   hosei-gui-driver screenshot SAMPLE.bmp OUT.png [Option1|Option2|Option3] [circle]
//                                         opens the sample in both windows, in the mode
//                                         given, with that mode's guide circle drawn over
//                                         the picture when asked, and saves the screen's
//                                         picture of them.

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QTemporaryDir>
#include <QTimer>
#include <QWindow>
#include <cstdio>
#include <functional>

#include "form1.h"
#include "form2.h"
#include "qt_platform_services.h"
#include "scripted_platform_services.h"
#include "working_files.h"

namespace {

constexpr int kPatienceMs = 20000;

[[noreturn]] void Fail(const QString& why) {
  std::fprintf(stderr, "hosei-gui-driver: %s\n", qPrintable(why));
  std::fflush(stderr);
  std::_Exit(1);
}

void WaitFor(const std::function<bool()>& done, const QString& what) {
  QElapsedTimer clock;
  clock.start();
  while (!done()) {
    if (clock.elapsed() > kPatienceMs) Fail(what + QStringLiteral(" did not happen"));
    QApplication::processEvents(QEventLoop::AllEvents, 50);
  }
}

bool Exposed(QWidget* widget) {
  return widget && widget->isVisible() && widget->windowHandle() &&
         widget->windowHandle()->isExposed();
}

template <typename T>
T* Control(QWidget* window, const char* name) {
  T* control = window->findChild<T*>(QString::fromLatin1(name));
  if (!control) Fail(QStringLiteral("no control ") + QString::fromLatin1(name));
  return control;
}

// Answers Qt's own dialogs as a user would, once each is really on screen.
class DialogAnswerer : public QObject {
 public:
  explicit DialogAnswerer(QString file) : file_(std::move(file)) {
    connect(&poll_, &QTimer::timeout, this, &DialogAnswerer::look);
    poll_.start(50);
  }
  QStringList seen;

 private:
  void look() {
    QWidget* modal = QApplication::activeModalWidget();
    if (!Exposed(modal)) return;
    if (auto* dialog = qobject_cast<QFileDialog*>(modal)) {
      seen << QStringLiteral("file dialog: ") + dialog->nameFilters().join(QLatin1Char('|'));
      // Typed into the name field, as a user would: the dialog keeps the text of a focused
      // field when a file is selected from code.
      auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
      if (!name) Fail(QStringLiteral("the file dialog has no name field"));
      name->setText(file_);
      static_cast<QDialog*>(dialog)->accept();  // as the Open button does
    } else if (auto* box = qobject_cast<QMessageBox*>(modal)) {
      seen << QStringLiteral("message: ") + box->windowTitle() + QStringLiteral(" / ") +
                  box->text();
      box->button(QMessageBox::Ok)->click();
    }
  }
  QString file_;
  QTimer poll_;
};

int WalkThroughDialogs(const QString& sample) {
  QTemporaryDir scratch;
  const QString photo = scratch.filePath(QStringLiteral("photo.bmp"));
  if (!QFile::copy(sample, photo)) Fail(QStringLiteral("cannot copy the sample"));
  QDir(scratch.path()).mkdir(QStringLiteral("program"));

  hosei::QtPlatformServices services;
  hosei::WorkingFiles files(scratch.filePath(QStringLiteral("program")),
                            scratch.filePath(QStringLiteral("cache")));
  hosei::Form1 window(services, files, scratch.path());
  window.show();
  WaitFor([&] { return Exposed(&window); }, QStringLiteral("showing the main window"));

  DialogAnswerer answerer(photo);
  Control<QPushButton>(&window, "Command3")->click();
  if (answerer.seen.size() != 2 || !answerer.seen[0].startsWith(QStringLiteral("file dialog")) ||
      !answerer.seen[1].contains(QStringLiteral("選択ファイルの確認")))
    Fail(QStringLiteral("expected the file dialog and the confirmation, saw: ") +
         answerer.seen.join(QStringLiteral("; ")));
  if (Control<QLineEdit>(&window, "Text3")->text() != photo)
    Fail(QStringLiteral("the chosen file did not become current"));
  WaitFor([&] { return Exposed(window.viewer()); }, QStringLiteral("showing the viewer"));

  Control<QPushButton>(&window, "Command1")->click();
  const QString result = scratch.filePath(QStringLiteral("photo_.bmp"));
  if (!QFile::exists(result)) Fail(QStringLiteral("Execute wrote no result file"));
  if (window.viewer()->currentPath() != result)
    Fail(QStringLiteral("the viewer does not show the result"));

  Control<QPushButton>(&window, "Command2")->click();
  WaitFor([&] { return !window.isVisible() && !window.viewer(); },
          QStringLiteral("closing both windows"));
  std::printf("hosei-gui-driver: %s; saw %s\n", qPrintable(QGuiApplication::platformName()),
              qPrintable(answerer.seen.join(QStringLiteral("; "))));
  return 0;
}

void Settle() {
  QElapsedTimer settle;
  settle.start();
  while (settle.elapsed() < 500) QApplication::processEvents(QEventLoop::AllEvents, 50);
}

int TakeScreenshot(const QString& sample, const QString& out, const QString& option, bool circle) {
  QTemporaryDir scratch;
  hosei::test::ScriptedPlatformServices services;
  services.chooseInDialog(sample);
  services.answerConfirmation(true);
  hosei::WorkingFiles files(scratch.path(), QString());
  hosei::Form1 window(services, files, QString());
  window.move(16, 16);
  window.show();
  WaitFor([&] { return Exposed(&window); }, QStringLiteral("showing the main window"));
  Control<QPushButton>(&window, "Command3")->click();
  Control<QAbstractButton>(&window, option.toLatin1().constData())->click();
  hosei::Form2* viewer = window.viewer();
  WaitFor([&] { return Exposed(viewer); }, QStringLiteral("showing the viewer"));
  viewer->resize(480, viewer->height());
  Settle();
  if (circle) {
    // Resizing hides the circle, so it is drawn once the viewer has its size.
    const char* button = option == QLatin1String("Option2") ? "Command5" : "Command4";
    Control<QPushButton>(&window, button)->click();
    if (!viewer->circleShown()) Fail(QStringLiteral("no guide circle was drawn"));
    Settle();
  }

  const QRect both = window.frameGeometry().united(viewer->frameGeometry()).adjusted(-8, -8, 8, 8);
  const QPixmap shot = QGuiApplication::primaryScreen()->grabWindow(0).copy(both);
  if (shot.isNull() || !shot.save(out)) Fail(QStringLiteral("cannot write ") + out);
  std::printf("hosei-gui-driver: wrote %s (%dx%d)\n", qPrintable(out), shot.width(), shot.height());
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  QApplication::setApplicationName(QStringLiteral("hosei"));
  const QStringList arguments = QApplication::arguments();
  if (arguments.size() == 3 && arguments[1] == QLatin1String("dialogs"))
    return WalkThroughDialogs(arguments[2]);
  if (arguments.size() >= 4 && arguments.size() <= 6 &&
      arguments[1] == QLatin1String("screenshot")) {
    const bool circle = arguments.constLast() == QLatin1String("circle");
    const QString option =
        arguments.size() - (circle ? 1 : 0) > 4 ? arguments[4] : QStringLiteral("Option1");
    return TakeScreenshot(arguments[2], arguments[3], option, circle);
  }
  std::fprintf(stderr,
               "usage: hosei-gui-driver dialogs SAMPLE | screenshot SAMPLE OUT.png [Option1..3] "
               "[circle]\n");
  return 2;
}
