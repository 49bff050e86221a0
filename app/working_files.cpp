#include "working_files.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace hosei {

namespace {

bool IsWritableFolder(const QString& folder) {
  const QFileInfo info(folder);
  return info.isDir() && info.isWritable();
}

}  // namespace

WorkingFiles::WorkingFiles(QString programFolder, QString cacheFolder)
    : programFolder_(std::move(programFolder)), cacheFolder_(std::move(cacheFolder)) {}

QString WorkingFiles::displayCopyFolder() const {
  if (IsWritableFolder(programFolder_) || cacheFolder_.isEmpty()) return programFolder_;
  QDir().mkpath(cacheFolder_);
  // Neither writable: the program folder is named in the message the failed write gives.
  return IsWritableFolder(cacheFolder_) ? cacheFolder_ : programFolder_;
}

void WorkingFiles::recordDisplayCopy(const QString& path) {
  if (!displayCopies_.contains(path)) displayCopies_.append(path);
}

void WorkingFiles::deleteDisplayCopies() {
  for (const QString& path : displayCopies_) QFile::remove(path);
  displayCopies_.clear();
}

}  // namespace hosei
