// Drives the real windows, built from the program's own libraries and started the way the
// program starts them:
//   hosei-gui-driver start-up [--open FILE] [--program-folder DIR]
//                    shows the main window as hosei does (DIR stands for the folder the
//                    program runs from, e.g. an install tree's bin), reports the platform,
//                    the window's face and the start-up times, opens FILE with guide lines
//                    when given, and leaves through the exit button;
//   hosei-gui-driver dialogs SAMPLE.bmp
//                    walks through Qt's own file dialog, confirmation, viewer, Execute and
//                    exit on a real display, failing on any dialog that never comes on screen;
//   hosei-gui-driver screenshot SAMPLE.bmp OUT.png [Option1|Option2|Option3] [circle]
//                    [execute] [execute-help]
//                    opens the sample in both windows in that mode, with its guide circle,
//                    after Execute, or with the help line of 実 行 shown, as asked, and saves
//                    the screen's picture of them.

#include <QApplication>
#include <QCheckBox>
#include <QCursor>
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
#include "program_session.h"
#include "qt_platform_services.h"
#include "scripted_platform_services.h"
#include "start_up_check.h"
#include "start_up_services.h"
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

template <typename Control = QAbstractButton>
Control* Find(QWidget* window, const QString& name) {
  auto* control = window->findChild<Control*>(name);
  if (!control) Fail(QStringLiteral("no control ") + name);
  return control;
}

void Click(QWidget* window, const QString& name) { Find(window, name)->click(); }

int CheckStartUp(QApplication& application, const hosei::test::StartUpClock& startedAt,
                 const QStringList& options) {
  QString file;
  QString programFolder = QCoreApplication::applicationDirPath();
  for (qsizetype i = 0; i + 1 < options.size(); i += 2) {
    if (options[i] == QLatin1String("--open"))
      file = options[i + 1];
    else if (options[i] == QLatin1String("--program-folder"))
      programFolder = options[i + 1];
    else
      Fail(QStringLiteral("unknown option ") + options[i]);
  }
  if (options.size() % 2 != 0) Fail(QStringLiteral("an option lacks its value"));

  hosei::test::StartUpClock clock = startedAt;
  hosei::test::StartUpCheckServices services(file);
  hosei::ProgramSession session(services, programFolder, QStringLiteral(HOSEI_SAMPLES_DIR));
  hosei::Form1& window = session.window();
  window.show();
  clock.windowShownMs = clock.sinceStart.elapsed();
  std::function<void()> beforeExit;
  if (!file.isEmpty()) {
    // Opens the file with guide lines, as a user would, and reports where its display copy
    // went: an installed program must put it in the cache folder and delete it at exit.
    beforeExit = [&window, &session] {
      Find<QCheckBox>(&window, QStringLiteral("Check3"))->setChecked(true);
      Click(&window, QStringLiteral("Command3"));
      for (const QString& copy : session.workingFiles().displayCopies())
        std::printf("hosei: display copy %s\n", qPrintable(copy));
      std::fflush(stdout);
    };
  }
  hosei::test::PressExitOnceShown(window, clock, beforeExit);
  return application.exec();
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
      window.work().currentFile != photo)
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

int TakeScreenshot(const QString& sample, const QString& out, QStringList options) {
  const QString option = options.value(0, QStringLiteral("Option1")).startsWith(u"Option")
                             ? options.takeFirst()
                             : QStringLiteral("Option1");
  for (const QString& unknown : options)
    if (unknown != QLatin1String("circle") && unknown != QLatin1String("execute") &&
        unknown != QLatin1String("execute-help"))
      Fail(QStringLiteral("unknown screenshot option ") + unknown);
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
  if (options.contains(QLatin1String("execute"))) {
    Click(&window, QStringLiteral("Command1"));
    if (!services.messages.isEmpty()) Fail(services.messages.join(u' '));
    WaitFor({});
  }
  if (options.contains(QLatin1String("circle"))) {  // drawn once the viewer has its size
    Click(&window, option == QLatin1String("Option2") ? QStringLiteral("Command5")
                                                      : QStringLiteral("Command4"));
    if (!viewer->circleShown()) Fail(QStringLiteral("no guide circle was drawn"));
    WaitFor({});
  }
  if (options.contains(QLatin1String("execute-help"))) {
    // The pointer really moves there, so the help line shows what a user hovering sees.
    auto* execute = Find(&window, QStringLiteral("Command1"));
    QCursor::setPos(execute->mapToGlobal(execute->rect().center()));
    WaitFor({});
    QCursor::setPos(execute->mapToGlobal(execute->rect().center() + QPoint(4, 2)));
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
  hosei::test::StartUpClock clock;
  clock.sinceStart.start();
  QApplication application(argc, argv);
  hosei::PrepareApplication(application);
  clock.applicationReadyMs = clock.sinceStart.elapsed();

  const QStringList arguments = QApplication::arguments();
  const QString command = arguments.value(1);
  if (command == QLatin1String("start-up"))
    return CheckStartUp(application, clock, arguments.mid(2));
  if (command == QLatin1String("dialogs") && arguments.size() == 3)
    return WalkThroughDialogs(arguments[2]);
  if (command == QLatin1String("screenshot") && arguments.size() >= 4)
    return TakeScreenshot(arguments[2], arguments[3], arguments.mid(4));
  std::fprintf(stderr,
               "usage: hosei-gui-driver start-up [--open FILE] [--program-folder DIR]\n"
               "       hosei-gui-driver dialogs SAMPLE\n"
               "       hosei-gui-driver screenshot SAMPLE OUT.png [Option1..3] [circle] "
               "[execute] [execute-help]\n");
  return 2;
}
