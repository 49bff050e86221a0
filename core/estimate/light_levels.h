#pragma once

#include <array>

namespace hosei {

// Stored 8-bit levels as linear light through the sRGB transfer curve: a lens's falloff
// and a lamp's glow act on light, not on the stored levels, so both are measured there.
const std::array<float, 256>& LinearLightOfLevel();

}  // namespace hosei
