#include "program_windows.h"

#include <QApplication>
#include <QStandardPaths>

#include "qt_translations.h"

namespace hosei {

namespace {

QString CacheFolder() { return QStandardPaths::writableLocation(QStandardPaths::CacheLocation); }

}  // namespace

void PrepareApplication(QApplication& application) {
  QApplication::setApplicationName(QStringLiteral("hosei"));
  InstallJapaneseQtTexts(application);
}

ProgramWindows::ProgramWindows(PlatformServices& services, const QString& programFolder,
                               const QString& buildSamplesFolder)
    : folders_(LocateProgramFolders(programFolder, CacheFolder(), buildSamplesFolder)),
      workingFiles_(folders_.workingFolder, CacheFolder()),
      window_(services, workingFiles_, folders_.samplesFolder) {}

}  // namespace hosei
