#pragma once

#include <memory>
#include <string>

#include "file_error.h"
#include "photo_file.h"

namespace hosei {

// A non-interlaced PNG is decoded a row at a time. An interlaced one spreads every row
// over seven passes, so its whole picture is decoded into memory first (refused beyond
// kMaxBufferedBytes); its result is written non-interlaced. A PNG of 16 bits a channel is
// read at that depth (SampleType::kUint16) and its result written at it; palette and
// lower grey depths are read as 8 bits.
FileError OpenPng(const std::string& path, std::unique_ptr<PhotoReader>& reader,
                  const StopRequest* stop);

}  // namespace hosei
