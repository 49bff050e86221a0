#pragma once

#include <gtest/gtest.h>

#include <variant>
#include <vector>

#include "parameters.h"
#include "pixel_block.h"
#include "test_bitmap.h"

namespace hosei::test {

// The initial texts with the mode and some fields changed.
inline FieldTexts Texts(Mode mode, std::initializer_list<std::pair<Field, const char*>> typed = {},
                        bool background = false) {
  FieldTexts texts;
  texts.mode = mode;
  texts.background = background;
  for (const auto& [field, text] : typed) texts[field] = text;
  return texts;
}

inline Parameters Accepted(const FieldTexts& texts) {
  const auto read = ReadParameters(texts);
  EXPECT_TRUE(std::holds_alternative<Parameters>(read));
  return std::holds_alternative<Parameters>(read) ? std::get<Parameters>(read) : Parameters{};
}

}  // namespace hosei::test
