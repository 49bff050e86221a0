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

std::optional<QString> WorkingFiles::displayCopyPath(const QString& name) const {
  const QString inProgramFolder = QDir(programFolder_).filePath(name);
  const QFileInfo there(inProgramFolder);
  const bool notOurs =
      (there.exists() || there.isSymLink()) && !displayCopies_.contains(inProgramFolder);
  const bool writable = IsWritableFolder(programFolder_);
  if (writable && !notOurs) return inProgramFolder;
  if (!cacheFolder_.isEmpty()) {
    QDir().mkpath(cacheFolder_);
    // Only this program writes here, so whatever the name holds may be replaced.
    if (IsWritableFolder(cacheFolder_)) return QDir(cacheFolder_).filePath(name);
  }
  if (writable) return std::nullopt;
  // Neither folder can take it: the failed write names the program folder.
  return inProgramFolder;
}

void WorkingFiles::recordDisplayCopy(const QString& path) {
  if (!displayCopies_.contains(path)) displayCopies_.append(path);
}

void WorkingFiles::deleteDisplayCopies() {
  for (const QString& path : displayCopies_) QFile::remove(path);
  displayCopies_.clear();
}

}  // namespace hosei
