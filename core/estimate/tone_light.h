#pragma once

#include <array>

#include "tables.h"

namespace hosei {

// The linear light each tone row of the byte path gives each stored level: what a
// correction does to light, looked up instead of computed.
using LightRows = std::array<std::array<float, 256>, kToneRows>;
const LightRows& LightOfToneRows();

}  // namespace hosei
