#pragma once

#include <atomic>
#include <memory>
#include <string>
#include <vector>

#include "file_error.h"
#include "jpeg_glue.h"
#include "photo_file.h"

namespace hosei {

// The APPn and COM segments after the source's first scan, between its scans or before its
// end marker. Its reader finds them only when it reads on to the end marker after its last
// row, long after its writers were made; they take them at finish(), from whichever thread.
class JpegLaterSegments {
 public:
  void publish(std::vector<JpegMarker> segments);
  // Nothing until the reader has reached the end marker.
  const std::vector<JpegMarker>* segments() const;

 private:
  std::vector<JpegMarker> segments_;
  std::atomic<bool> published_{false};
};

// Re-encodes with the source's quantisation tables, sampling, component numbers,
// progression, entropy coding and restart interval, and the source's APPn and COM
// segments in their order; nothing else is added. The segments before the source's first
// scan come before the result's, those after it (`later`) after the result's last scan: the
// result's scans are its own. A writer finished before the reader has read its last row
// has no later segments to write. A progressive result is only written out at finish():
// libjpeg holds its coefficients until then.
FileError CreateJpegWriter(const JpegLayout& layout, std::shared_ptr<const JpegLaterSegments> later,
                           const std::string& sourcePath, int fd, const std::string& path,
                           const PhotoWriteOptions& options, std::unique_ptr<PhotoWriter>& writer);

}  // namespace hosei
