#include "bitmap_file.h"

#include <new>

#include "bitmap_source.h"
#include "result_file.h"

namespace hosei {

FileError ReadBitmapHeader(const std::string& path, BitmapHeader& header) {
  FileDescriptor file;
  std::uint64_t fileSize = 0;
  return OpenBitmapHeader(path, file, header, fileSize);
}

FileError ReadBitmapFile(const std::string& path, BitmapImage& image) {
  BitmapSource source;
  if (FileError error = BitmapSource::open(path, source)) return error;
  BitmapImage loaded;
  loaded.header = source.header();
  loaded.headerRegion = source.headerRegion();
  try {
    loaded.pixels = PixelBlock(source.rowLength(), static_cast<std::size_t>(source.height()));
  } catch (const std::bad_alloc&) {
    return FileError{FileProblem::kOutOfMemory, path, {}};
  }
  if (FileError error = source.readRows(0, loaded.pixels.rows(), loaded.pixels.data()))
    return error;
  image = std::move(loaded);
  return {};
}

FileError WriteBitmapFile(const std::string& path, const BitmapImage& image) {
  ResultFile result;
  if (FileError error = result.create(path)) return error;
  if (FileError error = result.write(image.headerRegion.data(), image.headerRegion.size()))
    return error;
  if (FileError error = result.write(image.pixels.data(), image.pixels.size())) return error;
  return result.commit();
}

}  // namespace hosei
