#include "work_model.h"

namespace hosei {

std::optional<ImageSize> WorkModel::usableImageSize() const {
  if (!imageSize || imageSize->width <= 0 || imageSize->height <= 0) return std::nullopt;
  return imageSize;
}

}  // namespace hosei
