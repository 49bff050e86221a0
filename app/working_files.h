#pragma once

#include <QString>
#include <QStringList>
#include <optional>

namespace hosei {

// Where display copies are written, and which ones this run wrote, so that leaving the
// program removes exactly those: a user's own photo named like a copy is never touched.
class WorkingFiles {
 public:
  // Display copies go into the program folder; when that is not writable (an installed
  // program), into the user's cache folder.
  WorkingFiles(QString programFolder, QString cacheFolder);

  const QString& programFolder() const { return programFolder_; }

  // Where the display copy called `name` goes: the program folder, unless it cannot take
  // the copy or already holds a file of that name that this run did not write (a user's
  // own photo, or a copy an earlier run left behind), which is never replaced; then the
  // cache folder. Nothing when only such a file's place is left. Looked up afresh at
  // every use, so a folder that becomes writable or read-only while the program runs is
  // followed.
  std::optional<QString> displayCopyPath(const QString& name) const;

  void recordDisplayCopy(const QString& path);
  const QStringList& displayCopies() const { return displayCopies_; }
  // Deletes the recorded copies; one that is already gone or cannot be deleted is skipped.
  void deleteDisplayCopies();

 private:
  QString programFolder_;
  QString cacheFolder_;
  QStringList displayCopies_;
};

}  // namespace hosei
