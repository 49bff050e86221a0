#pragma once

#include <QString>

#include "form1.h"
#include "program_folders.h"
#include "working_files.h"

class QApplication;

namespace hosei {

class PlatformServices;

// Names the application (the cache folder is named after it) and has Qt's own dialogs
// speak Japanese. Called once the application object exists, before anything else.
void PrepareApplication(QApplication& application);

// The program around its main window: where working files go and where the sample photo
// lies, found from the folder the program runs from, and the main window working on them.
class ProgramWindows {
 public:
  // `buildSamplesFolder` is where a build tree keeps its sample photo.
  ProgramWindows(PlatformServices& services, const QString& programFolder,
                 const QString& buildSamplesFolder);

  Form1& window() { return window_; }
  const WorkingFiles& workingFiles() const { return workingFiles_; }

 private:
  ProgramFolders folders_;
  WorkingFiles workingFiles_;
  Form1 window_;
};

}  // namespace hosei
