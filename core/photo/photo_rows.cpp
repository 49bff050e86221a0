#include "photo_rows.h"

#include <cstddef>

namespace hosei {

void SplitRow(const std::uint8_t* samples, int width, SampleLayout layout, std::uint8_t* bgr,
              std::uint8_t* alpha) {
  const std::size_t n = static_cast<std::size_t>(width);
  const int step = layout.channels;
  if (layout.grey()) {
    const std::uint8_t flip = layout.greyInverted ? 0xFF : 0;
    for (std::size_t x = 0; x < n; ++x) {
      const std::uint8_t v = samples[x * step] ^ flip;
      bgr[3 * x] = bgr[3 * x + 1] = bgr[3 * x + 2] = v;
    }
  } else {
    const int blue = layout.redFirst ? 2 : 0;
    const int red = 2 - blue;
    for (std::size_t x = 0; x < n; ++x) {
      const std::uint8_t* s = samples + x * step;
      bgr[3 * x] = s[blue];
      bgr[3 * x + 1] = s[1];
      bgr[3 * x + 2] = s[red];
    }
  }
  if (layout.alpha() && alpha)
    for (std::size_t x = 0; x < n; ++x) alpha[x] = samples[x * step + step - 1];
}

void JoinRow(const std::uint8_t* bgr, const std::uint8_t* alpha, int width, SampleLayout layout,
             std::uint8_t* samples) {
  const std::size_t n = static_cast<std::size_t>(width);
  const int step = layout.channels;
  if (layout.grey()) {
    const std::uint8_t flip = layout.greyInverted ? 0xFF : 0;
    for (std::size_t x = 0; x < n; ++x) samples[x * step] = bgr[3 * x + 1] ^ flip;
  } else {
    const int blue = layout.redFirst ? 2 : 0;
    const int red = 2 - blue;
    for (std::size_t x = 0; x < n; ++x) {
      std::uint8_t* s = samples + x * step;
      s[blue] = bgr[3 * x];
      s[1] = bgr[3 * x + 1];
      s[red] = bgr[3 * x + 2];
    }
  }
  if (layout.alpha())
    for (std::size_t x = 0; x < n; ++x) samples[x * step + step - 1] = alpha ? alpha[x] : 0xFF;
}

}  // namespace hosei
