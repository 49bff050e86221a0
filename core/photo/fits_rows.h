#pragma once

#include <cstddef>
#include <cstdint>
#include <tuple>
#include <vector>

#include "sample_type.h"

namespace hosei {

// FITS keeps colour as three planes, red first; the readers hand out blue, green, red
// triplets. Grey is one plane, read into all three and written from green, as JoinRow does.
template <typename Sample>
void PlaneIntoTriplets(const Sample* plane, int width, int planeIndex, int planes, Sample* bgr);
template <typename Sample>
void PlaneFromTriplets(const Sample* bgr, int width, int planeIndex, int planes, Sample* plane);

// The rows a FITS reader or writer works through, sized for the file's sample type only:
// one plane of one row as cfitsio takes it and, where asked, one row of triplets for deep
// rows reduced to bytes.
class FitsRowBuffers {
 public:
  void size(SampleType type, int width, bool withTriplets);  // throws std::bad_alloc
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
};

}  // namespace hosei
