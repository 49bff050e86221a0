#pragma once

#include <cstddef>
#include <map>
#include <optional>
#include <set>
#include <string>

#include "file_error.h"
#include "photo_source.h"

namespace hosei {

inline constexpr std::size_t kFitsCardBytes = 80;
inline constexpr std::size_t kFitsBlockBytes = 2880;

// The cards a primary header holds beside those it carries: SIMPLE, BITPIX, NAXIS, three
// NAXISn, EXTEND, CHECKSUM and DATASUM.
inline constexpr std::size_t kFitsLayoutCards = 9;

// What a header walk finds: its size, and the cards that give the size of the data after it.
struct FitsHeaderScan {
  std::size_t cards = 0;    // before END
  long long dataStart = 0;  // the block after END
  // Integer values of BITPIX, NAXIS and NAXISn where they could be read; PCOUNT and GCOUNT
  // as read, or below 0 where they could not be.
  std::optional<long long> bitpix, naxis, pcount, gcount;
  std::map<int, long long> axes;  // NAXISn by n
  bool groups = false;            // a GROUPS card: random groups, not a picture
  bool compressedImage = false;   // ZIMAGE = T: a tile-compressed picture in a table
  // One of these cards, or BZERO, BSCALE or BLANK, given twice: cfitsio would take one, and
  // a result written by it perhaps another.
  bool repeated = false;
  std::set<std::string> seen;
};

// Walks a header from `start` a block at a time up to its END card, before cfitsio reads it:
// cfitsio would read any number of cards, and a file without END to its last byte. More than
// `maxCards` cards is kUnsupportedPhoto, no END before the end of the file kCorruptPhoto.
// Asks `source` whether to stop before each block.
FileError ScanFitsHeader(int fd, long long start, std::size_t maxCards, const PhotoSource& source,
                         const std::string& path, FitsHeaderScan& scan);

// The bytes of data after a scanned header, without the padding to whole blocks; nothing when
// its cards do not give a size, or when it would exceed `limit`.
std::optional<long long> FitsDataBytes(const FitsHeaderScan& scan, long long limit);

// The cards the writer makes itself from the picture it writes: the mandatory ones
// describing the data, and the checksums, which would no longer match. Told by the keyword
// cfitsio would write, so that no spelling of one is carried beside the writer's own.
bool DescribesFitsLayout(const std::string& card);

}  // namespace hosei
