#include <QApplication>

#include "program_session.h"
#include "qt_platform_services.h"

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  hosei::PrepareApplication(application);
  hosei::QtPlatformServices services;
  hosei::ProgramSession session(services, QCoreApplication::applicationDirPath(),
                                QStringLiteral(HOSEI_SAMPLES_DIR));
  session.window().show();
  return application.exec();
}
