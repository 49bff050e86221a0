#pragma once

#include <QString>

namespace hosei {

// Where the program keeps its working files and finds its sample photo. Run from the build
// tree, display copies go beside the program and the sample lies in the build's samples
// folder. Installed (PREFIX/bin beside PREFIX/share/hosei), nothing is ever written beside
// the program: display copies go to the user's cache folder, and the sample is the
// installed one.
struct ProgramFolders {
  QString workingFolder;
  QString samplesFolder;
  bool installed = false;
};

ProgramFolders LocateProgramFolders(const QString& programFolder, const QString& cacheFolder,
                                    const QString& buildSamplesFolder);

}  // namespace hosei
