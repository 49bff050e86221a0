#pragma once

#include <cstdint>
#include <optional>

#include "cell_background.h"
#include "glow_fit.h"

namespace hosei {

// A fog removal / local brightness correction as its fields give it: radius in dots,
// brightness as typed (-100..170), boundary shape; the centre is the glow's.
struct FogChoice {
  int size = 0;
  int brightness = 0;
  int shape = 0;
};

// What the user fixed of a fog correction (its centre is the glow's, placed by the caller);
// the search keeps it and looks only for the rest.
struct FogHold {
  std::optional<int> shape;
  std::optional<std::int32_t> size;
  std::optional<std::int32_t> storedBrightness;  // as the field is read: typed × 1.4, rounded
};

// The correction centred on the glow that best takes each cell's background back to what
// it would be without the glow: searched over every shape and brightness and over radii
// around the glow's own (the correction's fade differs from a glow's with each shape).
FogChoice SearchFog(const CellBackground& cells, const GlowFit& glow, const FogHold& hold = {});

}  // namespace hosei
