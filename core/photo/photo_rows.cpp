#include "photo_rows.h"

#include <algorithm>
#include <cstddef>

namespace hosei {

namespace {

std::uint8_t Unpremultiplied(std::uint8_t colour, std::uint8_t alpha) {
  if (alpha == 0) return 0;
  return static_cast<std::uint8_t>(std::min(255, (colour * 255 + alpha / 2) / alpha));
}

std::uint8_t Premultiplied(std::uint8_t colour, std::uint8_t alpha) {
  return static_cast<std::uint8_t>((colour * alpha + 127) / 255);
}

}  // namespace

void SplitRow(const std::uint8_t* samples, int width, SampleLayout layout, std::uint8_t* bgr,
              std::uint8_t* alpha) {
  const std::size_t n = static_cast<std::size_t>(width);
  const int step = layout.channels;
  const bool divide = layout.premultiplied && layout.alpha();
  // The stored value, divided by alpha where it was multiplied.
  const auto stored = [&](const std::uint8_t* s, int c) {
    return divide ? Unpremultiplied(s[c], s[step - 1]) : s[c];
  };
  if (layout.grey()) {
    const std::uint8_t flip = layout.greyInverted ? 0xFF : 0;
    for (std::size_t x = 0; x < n; ++x) {
      const std::uint8_t v = stored(samples + x * step, 0) ^ flip;
      bgr[3 * x] = bgr[3 * x + 1] = bgr[3 * x + 2] = v;
    }
  } else {
    const int blue = layout.redFirst ? 2 : 0;
    const int red = 2 - blue;
    for (std::size_t x = 0; x < n; ++x) {
      const std::uint8_t* s = samples + x * step;
      bgr[3 * x] = stored(s, blue);
      bgr[3 * x + 1] = stored(s, 1);
      bgr[3 * x + 2] = stored(s, red);
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
  if (!layout.alpha()) return;
  for (std::size_t x = 0; x < n; ++x) samples[x * step + step - 1] = alpha ? alpha[x] : 0xFF;
  if (!layout.premultiplied || !alpha) return;
  const int colours = layout.grey() ? 1 : 3;
  for (std::size_t x = 0; x < n; ++x)
    for (int c = 0; c < colours; ++c)
      samples[x * step + c] = Premultiplied(samples[x * step + c], alpha[x]);
}

}  // namespace hosei
