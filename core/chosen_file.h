#pragma once

#include <string>

#include "file_error.h"
#include "file_kind.h"

namespace hosei {

struct ChosenPicture {
  FileKind kind = FileKind::kOther;
  int width = 0;
  int height = 0;
};

// The check made when a file is chosen. A bitmap needs only the accept test, its size read
// from its header as it stands; a photo must open as Execute would open it, so a refused
// or broken photo is reported at once. Anything else is not a 24-bit bitmap.
FileError CheckChosenFile(const std::string& path, ChosenPicture& picture);

}  // namespace hosei
