#pragma once

#include <cstddef>
#include <cstdint>
#include <tuple>
#include <vector>

#include "sample_type.h"

namespace hosei {

// FITS keeps colour as three planes, red first; the readers hand out blue, green, red
// triplets, and stored rows red, green, blue. Grey is one plane, read into all three and written
// from green, as JoinRow does.
template <typename Sample>
void PlaneIntoTriplets(const Sample* plane, int width, int planeIndex, int planes,
                       ChannelOrder order, Sample* triplets);
template <typename Sample>
void PlaneFromTriplets(const Sample* triplets, int width, int planeIndex, int planes,
                       ChannelOrder order, Sample* plane);

// FITS stores samples big-endian, 16-bit ones signed: unsigned data is stored less 32768 and
// read back through BZERO 32768. The data unit is read and written directly, without cfitsio,
// which went to the file a record at a time and took longer than the correction itself; these
// turn a plane's samples from the stored form into their values, and back, in place.
template <typename Sample>
void SamplesFromStored(Sample* samples, std::size_t count);
template <typename Sample>
void SamplesToStored(Sample* samples, std::size_t count);

// Where a FITS picture's samples lie in its file: plane after plane, each from the first
// stored row on, and zeros after the last up to the end of the data unit's last record.
struct FitsDataUnit {
  long long start = 0;  // the first sample's byte
  long long end = 0;    // past the last record
  int width = 0;
  int height = 0;
  int sampleBytes = 1;

  // The byte of the first sample of stored row `row` (1 for the first) of plane `plane`
  // (0 for the first).
  long long rowStart(int plane, long long row) const {
    return start + ((static_cast<long long>(plane) * height + (row - 1)) * width) * sampleBytes;
  }
  long long samplesEnd(int planes) const { return rowStart(planes, 1); }
};

// The rows a FITS reader or writer works through, sized for the file's sample type only:
// one plane of a batch of rows as cfitsio takes it and, where asked, the batch's rows of
// triplets for deep rows reduced to bytes. A batch of rows is one call of cfitsio for each
// plane: row by row, cfitsio went to the file in pieces of a record or less, which took
// several times as long as the correction itself.
class FitsRowBuffers {
 public:
  // throws std::bad_alloc
  void size(SampleType type, int width, int height, bool withTriplets);
  int batchRows() const { return batchRows_; }
  template <typename Sample>
  std::vector<Sample>& plane() {
    return std::get<Rows<Sample>>(rows_).plane;
  }
  template <typename Sample>
  std::vector<Sample>& triplets() {
    return std::get<Rows<Sample>>(rows_).triplets;
  }

 private:
  template <typename Sample>
  struct Rows {
    std::vector<Sample> plane, triplets;
  };
  std::tuple<Rows<std::uint8_t>, Rows<std::uint16_t>, Rows<float>> rows_;
  int batchRows_ = 1;
};

// Where row `i` (from the top) of a batch of `count` rows lies in a plane read or written
// from the lowest stored row up.
inline int BatchIndex(bool topDown, int i, int count) { return topDown ? i : count - 1 - i; }

}  // namespace hosei
