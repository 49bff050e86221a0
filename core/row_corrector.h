#pragma once

#include <cstddef>
#include <cstdint>

namespace hosei {

// What the pipelines need of a correction: rows changed in place, from any thread.
class RowCorrector {
 public:
  virtual ~RowCorrector() = default;
  // Corrects `count` stored rows from stored row `first` (0 = bottom row), the first of
  // them at `rows` and each next one `rowStep` bytes on (negative for a buffer that holds
  // the rows top row first).
  virtual void correctRows(std::uint8_t* rows, std::ptrdiff_t rowStep, int first,
                           int count) const = 0;
};

}  // namespace hosei
