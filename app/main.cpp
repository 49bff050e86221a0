#include <QApplication>
#include <QCheckBox>
#include <QPushButton>
#include <QStandardPaths>
#include <cstdio>
#include <memory>

#include "form1.h"
#include "program_folders.h"
#include "qt_platform_services.h"
#include "self_test_exit.h"
#include "self_test_services.h"
#include "working_files.h"

namespace {

// With HOSEI_SELF_TEST_OPEN, the start-up check also opens that file with guide lines, as
// a user would, and reports where its display copy went.
void OpenWithGuideLines(hosei::Form1& window, const hosei::WorkingFiles& workingFiles) {
  window.findChild<QCheckBox*>(QStringLiteral("Check3"))->setChecked(true);
  window.findChild<QPushButton*>(QStringLiteral("Command3"))->click();
  for (const QString& copy : workingFiles.displayCopies())
    std::printf("hosei: display copy %s\n", qPrintable(copy));
  std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
  hosei::StartUpClock clock;
  clock.sinceStart.start();
  QApplication application(argc, argv);
  QApplication::setApplicationName(QStringLiteral("hosei"));
  clock.applicationReadyMs = clock.sinceStart.elapsed();

  const QString selfTestFile = qEnvironmentVariable("HOSEI_SELF_TEST_OPEN");
  std::unique_ptr<hosei::PlatformServices> services;
  if (selfTestFile.isEmpty()) {
    services = std::make_unique<hosei::QtPlatformServices>();
  } else {
    services = std::make_unique<hosei::SelfTestServices>(selfTestFile);
  }
  const hosei::ProgramFolders folders =
      hosei::LocateProgramFolders(QCoreApplication::applicationDirPath(),
                                  QStandardPaths::writableLocation(QStandardPaths::CacheLocation),
                                  QStringLiteral(HOSEI_SAMPLES_DIR));
  hosei::WorkingFiles workingFiles(folders.workingFolder,
                                   QStandardPaths::writableLocation(QStandardPaths::CacheLocation));
  hosei::Form1 window(*services, workingFiles, folders.samplesFolder);
  window.show();
  clock.windowShownMs = clock.sinceStart.elapsed();
  if (qEnvironmentVariableIsSet("HOSEI_SELF_TEST_EXIT")) {
    std::function<void()> beforeExit;
    if (!selfTestFile.isEmpty())
      beforeExit = [&window, &workingFiles] { OpenWithGuideLines(window, workingFiles); };
    hosei::PressExitOnceShown(window, clock, beforeExit);
  }
  return application.exec();
}
