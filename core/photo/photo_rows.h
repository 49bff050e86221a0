#pragma once

#include <cstdint>

namespace hosei {

// How a codec lays out one row of samples: 1 grey, 2 grey and alpha, 3 colour, 4 colour
// and alpha; colour as blue, green, red or as red, green, blue.
struct SampleLayout {
  int channels = 3;
  bool redFirst = false;
  // Grey stored as 255 for black (TIFF's MinIsWhite).
  bool greyInverted = false;
  // Colour stored multiplied by alpha (TIFF's associated alpha). The readers hand out, and
  // the corrections work on, the colour itself; it is multiplied again on writing.
  bool premultiplied = false;

  bool grey() const { return channels <= 2; }
  bool alpha() const { return channels == 2 || channels == 4; }
};

// From a codec's row to the readers' blue, green, red triplets and separate alpha (may be
// null to drop it). Premultiplied colour is divided by its alpha, rounded to the nearest
// and capped at 255; a transparent dot reads black.
void SplitRow(const std::uint8_t* samples, int width, SampleLayout layout, std::uint8_t* bgr,
              std::uint8_t* alpha);

// Back again. Grey takes the green of each triplet: a grey photo is corrected alike in all
// three. Without `alpha` a layout with alpha is written opaque. Premultiplied colour is
// multiplied by its alpha and rounded to the nearest, which gives back every valid stored
// value (colour at most alpha) that SplitRow divided.
void JoinRow(const std::uint8_t* bgr, const std::uint8_t* alpha, int width, SampleLayout layout,
             std::uint8_t* samples);

}  // namespace hosei
