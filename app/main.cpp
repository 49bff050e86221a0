#include <QApplication>

#include "program_windows.h"
#include "qt_platform_services.h"

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  hosei::PrepareApplication(application);
  hosei::QtPlatformServices services;
  hosei::ProgramWindows program(services, QCoreApplication::applicationDirPath(),
                                QStringLiteral(HOSEI_SAMPLES_DIR));
  program.window().show();
  return application.exec();
}
