// Drives the real windows on a real display (the xcb platform under Xvfb):
//   hosei-gui-driver dialogs SAMPLE.bmp    walks through Qt's own file dialog, confirmation,
//                                          viewer, Execute and exit, failing on any dialog
//                                          that never comes on screen;
//   hosei-gui-driver screenshot SAMPLE.bmp OUT.png [Option1|Option2|Option3] [circle]
//                                          opens the sample in both windows in that mode,
//                                          with its guide circle if asked, and saves the
//                                          screen's picture of them.

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QTemporaryDir>
#include <QTimer>
#include <QWindow>
#include <cstdio>

#include "form1.h"
#include "form2.h"
#include "qt_platform_services.h"
#include "scripted_platform_services.h"
#include "working_files.h"

namespace {

[[noreturn]] void Fail(const QString& why) {
  std::fprintf(stderr, "hosei-gui-driver: %s\n", qPrintable(why));
  std::_Exit(1);
}

// Runs events until `done` holds (or, with no `done`, for half a second).
void WaitFor(const std::function<bool()>& done, const QString& what = {}) {
  QElapsedTimer clock;
  clock.start();
  while (done ? !done() : clock.elapsed() < 500) {
    if (clock.elapsed() > 20000) Fail(what + QStringLiteral(" did not happen"));
    QApplication::processEvents(QEventLoop::AllEvents, 50);
  }
}

bool Exposed(QWidget* widget) {
  return widget && widget->isVisible() && widget->windowHandle()->isExposed();
}

void Click(QWidget* window, const QString& name) {
  auto* button = window->findChild<QAbstractButton*>(name);
  if (!button) Fail(QStringLiteral("no control ") + name);
  button->click();
}

int WalkThroughDialogs(const QString& sample) {
  QTemporaryDir scratch;
  const QString photo = scratch.filePath(QStringLiteral("photo.bmp"));
  if (!QFile::copy(sample, photo)) Fail(QStringLiteral("cannot copy the sample"));
  hosei::QtPlatformServices services;
  hosei::WorkingFiles files(scratch.path(), scratch.filePath(QStringLiteral("cache")));
  hosei::Form1 window(services, files, scratch.path());
  window.show();
  WaitFor([&] { return Exposed(&window); }, QStringLiteral("showing the main window"));

  // Answers Qt's own dialogs as a user would, once each is really on screen.
  QStringList seen;
  QTimer poll;
  QObject::connect(&poll, &QTimer::timeout, [&] {
    QWidget* modal = QApplication::activeModalWidget();
    if (!Exposed(modal)) return;
    if (auto* dialog = qobject_cast<QFileDialog*>(modal)) {
      seen << QStringLiteral("file dialog");
      // Typed into the name field: the dialog keeps a focused field's text over a selection.
      auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
      if (!name) Fail(QStringLiteral("the file dialog has no name field"));
      name->setText(photo);
      static_cast<QDialog*>(dialog)->accept();  // as the Open button does
    } else if (auto* box = qobject_cast<QMessageBox*>(modal)) {
      seen << box->windowTitle();
      box->button(QMessageBox::Ok)->click();
    }
  });
  poll.start(50);
  Click(&window, QStringLiteral("Command3"));
  if (seen != QStringList({QStringLiteral("file dialog"), QStringLiteral("選択ファイルの確認")}) ||
      window.findChild<QLineEdit*>(QStringLiteral("Text3"))->text() != photo)
    Fail(QStringLiteral("the file was not chosen and confirmed; saw ") + seen.join(u','));
  WaitFor([&] { return Exposed(window.viewer()); }, QStringLiteral("showing the viewer"));
  Click(&window, QStringLiteral("Command1"));
  const QString result = scratch.filePath(QStringLiteral("photo_.bmp"));
  if (!QFile::exists(result) || window.viewer()->currentPath() != result)
    Fail(QStringLiteral("Execute did not write and show the result"));
  Click(&window, QStringLiteral("Command2"));
  WaitFor([&] { return !window.isVisible() && !window.viewer(); },
          QStringLiteral("closing both windows"));
  std::printf("hosei-gui-driver: %s; saw %s\n", qPrintable(QGuiApplication::platformName()),
              qPrintable(seen.join(QStringLiteral("; "))));
  return 0;
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
  Click(&window, QStringLiteral("Command3"));
  Click(&window, option);
  hosei::Form2* viewer = window.viewer();
  WaitFor([&] { return Exposed(viewer); }, QStringLiteral("showing the viewer"));
  viewer->resize(480, viewer->height());
  WaitFor({});
  if (circle) {  // drawn once the viewer has its size, as resizing hides it
    Click(&window, option == QLatin1String("Option2") ? QStringLiteral("Command5")
                                                      : QStringLiteral("Command4"));
    if (!viewer->circleShown()) Fail(QStringLiteral("no guide circle was drawn"));
    WaitFor({});
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
  QStringList arguments = QApplication::arguments();
  if (arguments.size() == 3 && arguments[1] == QLatin1String("dialogs"))
    return WalkThroughDialogs(arguments[2]);
  const bool circle = arguments.constLast() == QLatin1String("circle");
  if (circle) arguments.removeLast();
  if ((arguments.size() == 4 || arguments.size() == 5) &&
      arguments[1] == QLatin1String("screenshot"))
    return TakeScreenshot(arguments[2], arguments[3], arguments.value(4, QStringLiteral("Option1")),
                          circle);
  std::fprintf(stderr,
               "usage: hosei-gui-driver dialogs SAMPLE | screenshot SAMPLE OUT.png "
               "[Option1..3] [circle]\n");
  return 2;
}
