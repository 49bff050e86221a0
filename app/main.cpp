#include <QApplication>
#include <QStandardPaths>

#include "form1.h"
#include "qt_platform_services.h"
#include "self_test_exit.h"
#include "working_files.h"

int main(int argc, char** argv) {
  hosei::StartUpClock clock;
  clock.sinceStart.start();
  QApplication application(argc, argv);
  QApplication::setApplicationName(QStringLiteral("hosei"));
  clock.applicationReadyMs = clock.sinceStart.elapsed();

  hosei::QtPlatformServices services;
  hosei::WorkingFiles workingFiles(QCoreApplication::applicationDirPath(),
                                   QStandardPaths::writableLocation(QStandardPaths::CacheLocation));
  hosei::Form1 window(services, workingFiles, QStringLiteral(HOSEI_SAMPLES_DIR));
  window.show();
  clock.windowShownMs = clock.sinceStart.elapsed();
  if (qEnvironmentVariableIsSet("HOSEI_SELF_TEST_EXIT")) hosei::PressExitOnceShown(window, clock);
  return application.exec();
}
