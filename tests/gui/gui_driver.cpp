// Drives the real windows, started the way the program starts them, on a real display:
//   start-up  shows the main window as hosei does from DIR (an install tree's bin, say),
//             reports the platform, face and time, opens FILE with guide lines, and exits;
//   dialogs   walks through Qt's own dialogs, the viewer, Execute and exit;
//   screenshot  saves the screen's picture of both windows in the state asked for.

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCursor>
#include <QElapsedTimer>
#include <QFile>
#include <QFileDialog>
#include <QFontInfo>
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
#include "picture_box.h"
#include "program_windows.h"
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

template <typename Control = QAbstractButton>
Control* Find(QWidget* window, const QString& name) {
  auto* control = window->findChild<Control*>(name);
  if (!control) Fail(QStringLiteral("no control ") + name);
  return control;
}

void Click(QWidget* window, const QString& name) { Find(window, name)->click(); }

// Once the main window is painted, reports the platform, face and time taken, opens the file
// with guide lines if one is given, and leaves through the exit button.
int CheckStartUp(const QElapsedTimer& sinceStart, const QStringList& options) {
  QString file, programFolder = QCoreApplication::applicationDirPath();
  if (options.size() % 2 != 0) Fail(QStringLiteral("an option lacks its value"));
  for (qsizetype i = 0; i + 1 < options.size(); i += 2) {
    if (options[i] == QLatin1String("--open"))
      file = options[i + 1];
    else if (options[i] == QLatin1String("--program-folder"))
      programFolder = options[i + 1];
    else
      Fail(QStringLiteral("unknown option ") + options[i]);
  }
  hosei::test::ScriptedPlatformServices services;
  hosei::ProgramWindows program(services, programFolder, QStringLiteral(HOSEI_SAMPLES_DIR));
  hosei::Form1& window = program.window();
  struct FirstPaint : QObject {
    bool seen = false;
    bool eventFilter(QObject*, QEvent* event) override {
      seen = seen || event->type() == QEvent::Paint;
      return false;
    }
  } paint;
  window.installEventFilter(&paint);
  window.show();
  WaitFor([&] { return Exposed(&window) && paint.seen; },
          QStringLiteral("painting the main window"));
  std::printf("hosei: main window shown on %s after %lld ms, font %s\n",
              qPrintable(QGuiApplication::platformName()), sinceStart.elapsed(),
              qPrintable(QFontInfo(window.font()).family()));
  if (!file.isEmpty()) {
    // An installed program must put the display copy in the cache folder and delete it at exit.
    services.chooseInDialog(file);
    services.answerConfirmation(true);
    Find<QCheckBox>(&window, QStringLiteral("Check3"))->setChecked(true);
    Click(&window, QStringLiteral("Command3"));
    for (const QString& copy : program.workingFiles().displayCopies())
      std::printf("hosei: display copy %s\n", qPrintable(copy));
  }
  for (const QString& message : services.messages)
    std::fprintf(stderr, "hosei: message: %s\n", qPrintable(message));
  Click(&window, QStringLiteral("Command2"));
  return 0;
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
  const QString option =
      options.value(0).startsWith(u"Option") ? options.takeFirst() : QStringLiteral("Option1");
  for (const QString& unknown : options)
    if (!QStringList({"circle", "execute", "execute-help", "preview", "actual-size", "stretch"})
             .contains(unknown))
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
  if (options.contains(QLatin1String("actual-size"))) {  // and moved into the middle
    Click(viewer, QStringLiteral("Command1"));
    viewer->findChild<hosei::PictureBox*>(QStringLiteral("Image1"))->panBy({200, 150});
    WaitFor({});
  }
  for (const auto& [name, entry] :
       {std::pair{"preview", "プレビュー"}, {"stretch", "表示の強調"}}) {
    if (!options.contains(QLatin1String(name))) continue;
    for (QAction* action : viewer->actions())
      if (action->text() == QString::fromUtf8(entry)) action->trigger();
    WaitFor({});
  }
  if (options.contains(QLatin1String("preview"))) {
    Find<QLineEdit>(&window, QStringLiteral("Text2"))->setText(QStringLiteral("100"));
    if (!viewer->previewOn()) Fail(QStringLiteral("the preview did not start"));
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
    for (const QPoint& nudge : {QPoint(0, 0), QPoint(4, 2)}) {
      QCursor::setPos(execute->mapToGlobal(execute->rect().center() + nudge));
      WaitFor({});
    }
  }
  const QRect both = window.frameGeometry().united(viewer->frameGeometry()).adjusted(-8, -8, 8, 8);
  const QPixmap shot = QGuiApplication::primaryScreen()->grabWindow(0).copy(both);
  if (shot.isNull() || !shot.save(out)) Fail(QStringLiteral("cannot write ") + out);
  std::printf("hosei-gui-driver: wrote %s (%dx%d)\n", qPrintable(out), shot.width(), shot.height());
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  QElapsedTimer sinceStart;
  sinceStart.start();
  QApplication application(argc, argv);
  hosei::PrepareApplication(application);
  const QStringList arguments = QApplication::arguments();
  const QString command = arguments.value(1);
  if (command == QLatin1String("start-up")) return CheckStartUp(sinceStart, arguments.mid(2));
  if (command == QLatin1String("dialogs") && arguments.size() == 3)
    return WalkThroughDialogs(arguments[2]);
  if (command == QLatin1String("screenshot") && arguments.size() >= 4)
    return TakeScreenshot(arguments[2], arguments[3], arguments.mid(4));
  std::fprintf(stderr,
               "usage: hosei-gui-driver start-up [--open FILE] [--program-folder DIR]\n"
               "       hosei-gui-driver dialogs SAMPLE\n"
               "       hosei-gui-driver screenshot SAMPLE OUT.png [Option1..3] [circle] "
               "[execute] [execute-help] [actual-size] [preview] [stretch]\n");
  return 2;
}
