#include "fits_reader.h"

#include "photo_source.h"

namespace hosei {

FileError OpenFits(const std::string& path, std::unique_ptr<PhotoReader>&, const StopRequest*) {
  return UnsupportedPhoto(path, "FITS はまだ処理できません");
}

}  // namespace hosei
