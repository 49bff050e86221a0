#include "photo_test_support.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <memory>
#include <random>

#include "file_descriptor.h"

namespace hosei::test {

Bytes Picture::bgr() const {
  Bytes out;
  for (std::size_t p = 0; p < samples.size(); p += static_cast<std::size_t>(channels)) {
    const std::uint8_t* s = &samples[p];
    if (channels <= 2)
      out.insert(out.end(), {s[0], s[0], s[0]});
    else
      out.insert(out.end(), {s[2], s[1], s[0]});
  }
  return out;
}

Bytes Picture::alpha() const {
  Bytes out;
  if (channels == 2 || channels == 4)
    for (std::size_t p = 0; p < samples.size(); p += static_cast<std::size_t>(channels))
      out.push_back(samples[p + static_cast<std::size_t>(channels) - 1]);
  return out;
}

Picture RandomPicture(int width, int height, int channels, unsigned seed) {
  Picture picture{width, height, channels, {}};
  std::mt19937 random(seed);
  picture.samples.resize(static_cast<std::size_t>(width) * height * channels);
  for (auto& sample : picture.samples) sample = static_cast<std::uint8_t>(random());
  return picture;
}

Decoded ReadPhoto(const std::string& path) {
  Decoded decoded;
  std::unique_ptr<PhotoReader> reader;
  if ((decoded.error = OpenPhoto(path, reader))) return decoded;
  decoded.width = reader->width();
  decoded.height = reader->height();
  decoded.grey = reader->grey();
  decoded.hasAlpha = reader->hasAlpha();
  const auto w = static_cast<std::size_t>(decoded.width);
  // Claims of huge pictures are only read for their error, a few rows at a time.
  const bool keep = w * static_cast<std::size_t>(decoded.height) <= (std::size_t{1} << 22);
  const auto rows = static_cast<std::size_t>(keep ? decoded.height : 3);
  decoded.bgr.resize(3 * w * rows);
  decoded.alpha.resize(decoded.hasAlpha ? w * rows : 0);
  // Uneven chunks, so rows meet strip and tile boundaries at every offset.
  for (int y = 0, n = 3; y < decoded.height; y += n) {
    n = std::min(n, decoded.height - y);
    const auto at = keep ? static_cast<std::size_t>(y) : 0;
    decoded.error = reader->readRows(n, &decoded.bgr[3 * w * at], 3 * w,
                                     decoded.hasAlpha ? &decoded.alpha[w * at] : nullptr, w);
    if (decoded.error) return decoded;
  }
  return decoded;
}

FileError CopyPhoto(const std::string& source, const std::string& result,
                    const PhotoWriteOptions& options) {
  std::unique_ptr<PhotoReader> reader;
  if (FileError error = OpenPhoto(source, reader)) return error;
  FileDescriptor file(::open(result.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0644));
  std::unique_ptr<PhotoWriter> writer;
  if (FileError error = CreatePhotoWriter(*reader, file.get(), result, options, writer))
    return error;
  const auto w = static_cast<std::size_t>(reader->width());
  const int chunk = 5;
  Bytes bgr(3 * w * chunk), alpha(w * chunk);
  for (int y = 0; y < reader->height(); y += chunk) {
    const int n = std::min(chunk, reader->height() - y);
    if (FileError error = reader->readRows(n, bgr.data(), 3 * w, alpha.data(), w)) return error;
    if (FileError error = writer->writeRows(n, bgr.data(), 3 * w, alpha.data(), w)) return error;
  }
  return writer->finish();
}

}  // namespace hosei::test
