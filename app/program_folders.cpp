#include "program_folders.h"

#include <QDir>
#include <QFileInfo>

namespace hosei {

ProgramFolders LocateProgramFolders(const QString& programFolder, const QString& cacheFolder,
                                    const QString& buildSamplesFolder) {
  const QString shared = QDir(programFolder).filePath(QStringLiteral("../share/hosei"));
  if (QFileInfo(programFolder).fileName() == QStringLiteral("bin") && QFileInfo(shared).isDir())
    return {cacheFolder, QDir::cleanPath(shared + QStringLiteral("/samples")), true};
  return {programFolder, buildSamplesFolder, false};
}

}  // namespace hosei
