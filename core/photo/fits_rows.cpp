#include "fits_rows.h"

#include <algorithm>
#include <bit>
#include <cstddef>

#include "deep_rows.h"

namespace hosei {

namespace {

// Plane 0 is red.
int TripletIndex(int planeIndex, int planes, ChannelOrder order) {
  if (planes == 1) return 1;
  return order == ChannelOrder::kRedFirst ? planeIndex : 2 - planeIndex;
}

// FITS is big-endian.
void ToOrFromBigEndian(void* samples, std::size_t count, std::size_t bytesPerSample) {
  if constexpr (std::endian::native == std::endian::little)
    SwapSampleBytes(samples, count, bytesPerSample);
}

void OffsetBySigned16(std::uint16_t* samples, std::size_t count) {
  for (std::size_t i = 0; i < count; ++i) samples[i] ^= 0x8000u;
}

}  // namespace

template <typename Sample>
void PlaneIntoTriplets(const Sample* plane, int width, int planeIndex, int planes,
                       ChannelOrder order, Sample* bgr) {
  const auto n = static_cast<std::size_t>(width);
  if (planes == 1) {
    for (std::size_t x = 0; x < n; ++x) bgr[3 * x] = bgr[3 * x + 1] = bgr[3 * x + 2] = plane[x];
    return;
  }
  const int at = TripletIndex(planeIndex, planes, order);
  for (std::size_t x = 0; x < n; ++x) bgr[3 * x + at] = plane[x];
}

template <typename Sample>
void PlaneFromTriplets(const Sample* bgr, int width, int planeIndex, int planes, ChannelOrder order,
                       Sample* plane) {
  const auto n = static_cast<std::size_t>(width);
  const int at = TripletIndex(planeIndex, planes, order);
  for (std::size_t x = 0; x < n; ++x) plane[x] = bgr[3 * x + at];
}

template <>
void SamplesFromStored(std::uint8_t*, std::size_t) {}
template <>
void SamplesToStored(std::uint8_t*, std::size_t) {}

template <>
void SamplesFromStored(std::uint16_t* samples, std::size_t count) {
  ToOrFromBigEndian(samples, count, sizeof *samples);
  OffsetBySigned16(samples, count);
}
template <>
void SamplesToStored(std::uint16_t* samples, std::size_t count) {
  OffsetBySigned16(samples, count);
  ToOrFromBigEndian(samples, count, sizeof *samples);
}
template <>
void SamplesFromStored(float* samples, std::size_t count) {
  ToOrFromBigEndian(samples, count, sizeof *samples);
}
template <>
void SamplesToStored(float* samples, std::size_t count) {
  ToOrFromBigEndian(samples, count, sizeof *samples);
}

template void PlaneIntoTriplets(const std::uint8_t*, int, int, int, ChannelOrder, std::uint8_t*);
template void PlaneIntoTriplets(const std::uint16_t*, int, int, int, ChannelOrder, std::uint16_t*);
template void PlaneIntoTriplets(const float*, int, int, int, ChannelOrder, float*);
template void PlaneFromTriplets(const std::uint8_t*, int, int, int, ChannelOrder, std::uint8_t*);
template void PlaneFromTriplets(const std::uint16_t*, int, int, int, ChannelOrder, std::uint16_t*);
template void PlaneFromTriplets(const float*, int, int, int, ChannelOrder, float*);

void FitsRowBuffers::size(SampleType type, int width, int height, bool withTriplets) {
  // About a quarter of a megabyte a plane: each read or write goes to the file in a large
  // piece, and the rows still stay in the processor's cache.
  constexpr std::size_t kBatchBytes = std::size_t{1} << 18;
  const std::size_t rowBytes = static_cast<std::size_t>(width) * BytesPerSample(type);
  batchRows_ =
      static_cast<int>(std::clamp<std::size_t>(kBatchBytes / std::max<std::size_t>(rowBytes, 1), 1,
                                               static_cast<std::size_t>(std::max(height, 1))));
  const auto n = static_cast<std::size_t>(width) * static_cast<std::size_t>(batchRows_);
  switch (type) {
    case SampleType::kUint8:
      plane<std::uint8_t>().resize(n);
      break;
    case SampleType::kUint16:
      plane<std::uint16_t>().resize(n);
      if (withTriplets) triplets<std::uint16_t>().resize(3 * n);
      break;
    case SampleType::kFloat32:
      plane<float>().resize(n);
      if (withTriplets) triplets<float>().resize(3 * n);
      break;
  }
}

}  // namespace hosei
