#pragma once

#include <cstddef>

// What one photo may make hosei spend, each bound named by what it bounds. Every reader
// refuses a file that would go beyond one of them, with nothing written, so no file can
// take the machine's memory or time, whatever its size on disk.

namespace hosei {

// The largest width and height hosei corrects, as for bitmaps; it also bounds what a
// decompression bomb can claim.
inline constexpr int kMaxPhotoSide = 65535;

// The most a library may hold of one photo at a time: the whole picture of an interlaced
// PNG or the coefficients of a progressive JPEG, or one compressed TIFF strip. Bigger
// photos of those kinds are refused rather than left to exhaust the machine. The fuzz
// build sets a lower limit, so that one run stays fast.
#ifndef HOSEI_PHOTO_BUFFER_LIMIT
#define HOSEI_PHOTO_BUFFER_LIMIT (std::size_t{1} << 30)
#endif
inline constexpr std::size_t kMaxBufferedBytes = HOSEI_PHOTO_BUFFER_LIMIT;

// The metadata carried from a source to its result, all segments, chunks or tags together.
inline constexpr std::size_t kMaxCarriedBytes = std::size_t{64} << 20;

// How many metadata pieces (JPEG APPn/COM segments, PNG chunks, TIFF directory entries)
// one photo may hold. Empty pieces cost no bytes but each costs time and bookkeeping, so
// counting bytes alone would let a file of nothing but empty segments run for hours.
inline constexpr std::size_t kMaxMetadataPieces = 10000;

// How many entries a TIFF's directories may hold, the picture's, its EXIF and its GPS
// directory together. libtiff registers each tag it does not know on its own and sorts its
// whole table of tags again every time, so a directory costs time growing with the square
// of its unknown tags (4000 took a quarter to half a second to read); photos hold a few
// dozen entries.
inline constexpr std::size_t kMaxTiffEntries = 1000;

// A chunk that a codec library inflates itself (an ICC profile) may not grow beyond this.
inline constexpr std::size_t kMaxInflatedChunk = std::size_t{16} << 20;

// How many extension HDUs may follow a FITS picture; they are copied to the result as they
// are, and cfitsio keeps a table entry for each one it has passed.
inline constexpr int kMaxFitsExtensions = 1000;

}  // namespace hosei
