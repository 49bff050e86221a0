// Stands in for the JPEG, PNG and TIFF readers and writers until they land; delete this
// file (and its line in CMakeLists.txt) when adding them.
#include "photo_file.h"

namespace hosei {

FileError OpenPhoto(const std::string& path, std::unique_ptr<PhotoReader>& /*reader*/) {
  return FileError{FileProblem::kUnsupportedPhoto, path, "not yet"};
}

FileError CreatePhotoWriter(PhotoReader& /*source*/, int /*fd*/, const std::string& path,
                            const PhotoWriteOptions& /*options*/,
                            std::unique_ptr<PhotoWriter>& /*writer*/) {
  return FileError{FileProblem::kUnsupportedPhoto, path, "not yet"};
}

}  // namespace hosei
